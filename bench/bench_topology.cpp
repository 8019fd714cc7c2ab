// One drag step of linked objects, as the canvas makes it: each of 50
// selected objects among 2,000 (4 connection points each, linked in a
// chain) is moved, then TopoMoveConnection and TopoMoveObject run for it and
// for every follower moved through the canvas. Goal: under 16 ms, one frame.
// The argument is how many points of each object are linked (2 or 4).
//
// BM_DragChain: one dragged object pulls a chain of N followers (2 points
// each) that move as a whole when one of their points is moved. Goal: 3,000
// followers under 16 ms, also for the first step of the drag, where each
// follower starts moving (BM_DragChainFirstStep).
#include <benchmark/benchmark.h>

#include <map>
#include <vector>

#include "painter/GrfViewIntfList.h"
#include "painter/TopoUtil.h"
#include "painter/tests/StubEdit.h"

using namespace velt;
using velt::test::TStubEdit;

namespace {

class TPlacedConnList : public TConnList {
public:
    TSPoint GetCoord(int index) override { return ValidIndex(index) ? Pos[Conn(index)->ConnID] : TSPoint(); }
    void SetCoord(int index, const TSPoint& p) override {
        if (ValidIndex(index)) Pos[Conn(index)->ConnID] = p;
    }
    TSPoint Pos[4];
};

class TLinked : public TStubEdit, public ILinkedObject {
public:
    explicit TLinked(int level) : level_(level) {}
    HResult QueryInterface(const Guid& iid, void** obj) override {
        return QueryFor<ILinkedObject, IGraphEdit, IGraphView, IGrfObject, IUnknown>(this, iid, obj);
    }
    int32_t _AddRef() override { return ++refs_; }
    int32_t _Release() override {
        const int32_t r = --refs_;
        if (r == 0) delete this;
        return r;
    }
    TConnList& GetConnList() override { return List; }
    TConnObject GetConnObject() override { return coNode; }
    bool IsRigid() override { return false; }
    bool TryConnect(ILinkedObject& other, int index, bool) override {
        int found;
        return List.CanConnect(other.GetConnList(), index, found);
    }
    void SetFollow(int, bool) override {}
    int Level() override { return level_; }
    TPlacedConnList List;

private:
    ~TLinked() override = default;
    int level_;
    int32_t refs_ = 0;
};

class TCanvas : public IPainter {
public:
    HResult QueryInterface(const Guid& iid, void** obj) override { return QueryFor<IPainter, IUnknown>(this, iid, obj); }
    int32_t _AddRef() override { return 1; }
    int32_t _Release() override { return 1; }
    TGraphPaint* Box() override { return nullptr; }
    void BeginDrawComp(IGraphEdit&, TSPoint) override {}
    void MoveNextPoint() override {}
    // As the editing canvas does: an object that starts moving marks the
    // partners it drags.
    void BeginMoveObj(IGraphEdit& comp) override {
        comp.PutMoved(true);
        TopoBeginMoveObject(*this, *dynamic_cast<TLinked*>(&comp));
    }
    void BeginMove() override {}
    void MovingObj(IGraphEdit& comp, TEditInfo& info) override {
        auto* f = dynamic_cast<TLinked*>(&comp);
        TPlacedConnList& l = f->List;
        if (info.EditType == etMovePoint && Whole) {
            const TSPoint at = l.GetCoord(info.PointInfo.Index);
            for (auto& p : l.Pos) p.Offset(info.X - at.X, info.Y - at.Y);
        } else if (info.EditType == etMovePoint) {
            l.SetCoord(info.PointInfo.Index, TSPoint{info.X, info.Y});
        } else {
            for (auto& p : l.Pos) p.Offset(info.DX, info.DY);
        }
        TopoMoveConnection(*this, *f, -1, true);
        TopoMoveObject(*this, *f);
    }
    void Moving() override {}
    void EndMoveObj(IGraphEdit&) override {}
    void EndMove() override {}
    void SelectAll(bool) override {}
    ComPtr<IGVIntfList> GetEdited() override { return ComPtr<IGVIntfList>(Edited.get()); }
    ComPtr<IGVIntfList> GetSelected() override { return {}; }
    void SelectComp(IGraphEdit&, bool) override {}
    ComPtr<TGrfViewIntfList> Edited = TGrfViewIntfList::Create();
    // A moved point takes its whole object along.
    bool Whole = false;
};

void BM_DragStep(benchmark::State& state) {
    TCanvas canvas;
    std::vector<ComPtr<TLinked>> objs;
    for (int k = 0; k < 2000; ++k) {
        ComPtr<TLinked> o(new TLinked(k % 3));
        for (uint8_t i = 0; i < 4; ++i) {
            TConnectionInfo c;
            c.Init(i, ctPin);
            o->List.Add(c);
        }
        const float x = float(k) * 3.0f;
        o->List.Pos[0] = TSPoint{x, 0};
        o->List.Pos[1] = TSPoint{x + 3.0f, 0};
        o->List.Pos[2] = TSPoint{x + 3.0f, 2.0f};
        o->List.Pos[3] = TSPoint{x, 2.0f};
        if (k > 0) {
            o->List.Conn(0)->Connect(*objs.back()->List.Conn(1));
            // With 4 linked points the free points no longer look for a
            // partner among all 2,000 on every step.
            if (state.range(0) == 4) o->List.Conn(3)->Connect(*objs.back()->List.Conn(2));
        }
        canvas.Edited->AddView(o.get());
        objs.push_back(o);
    }
    std::vector<TLinked*> selected;
    for (int k = 0; k < 2000; k += 40) selected.push_back(objs[size_t(k)].get());
    for (TLinked* s : selected) canvas.BeginMoveObj(*s);
    for (auto _ : state) {
        for (TLinked* s : selected) {
            TEditInfo move;
            move.Init(0, 0)._ET(etMove)._DX(0.5f)._DY(0.25f);
            canvas.MovingObj(*s, move);
        }
    }
}

std::vector<ComPtr<TLinked>> Chain(TCanvas& canvas, int followers) {
    std::vector<ComPtr<TLinked>> objs;
    for (int k = 0; k <= followers; ++k) {
        ComPtr<TLinked> o(new TLinked(0));
        for (uint8_t i = 0; i < 2; ++i) {
            TConnectionInfo c;
            c.Init(i, ctPin);
            o->List.Add(c);
        }
        o->List.Pos[0] = TSPoint{float(k) * 3.0f, 0};
        o->List.Pos[1] = TSPoint{float(k) * 3.0f + 3.0f, 0};
        if (k > 0) o->List.Conn(0)->Connect(*objs.back()->List.Conn(1));
        canvas.Edited->AddView(o.get());
        objs.push_back(o);
    }
    return objs;
}

void Step(TCanvas& canvas, TLinked& lead) {
    TEditInfo move;
    move.Init(0, 0)._ET(etMove)._DX(0.5f)._DY(0.25f);
    canvas.MovingObj(lead, move);
}

void BM_DragChain(benchmark::State& state) {
    TCanvas canvas;
    canvas.Whole = true;
    const auto objs = Chain(canvas, int(state.range(0)));
    canvas.BeginMoveObj(*objs.front());
    for (auto _ : state) Step(canvas, *objs.front());
    if (!PtEQ(objs.back()->List.Pos[0], objs[objs.size() - 2]->List.Pos[1])) state.SkipWithError("the chain broke");
}

// The first step of a drag, where every follower starts moving too.
void BM_DragChainFirstStep(benchmark::State& state) {
    TCanvas canvas;
    canvas.Whole = true;
    const auto objs = Chain(canvas, int(state.range(0)));
    for (auto _ : state) {
        canvas.BeginMoveObj(*objs.front());
        Step(canvas, *objs.front());
        state.PauseTiming();
        for (const auto& o : objs) {
            o->PutMoved(false);
            TopoResetConnection(*o, -1);
        }
        state.ResumeTiming();
    }
    if (!PtEQ(objs.back()->List.Pos[0], objs[objs.size() - 2]->List.Pos[1])) state.SkipWithError("the chain broke");
}

}  // namespace

BENCHMARK(BM_DragStep)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DragChain)->Arg(1000)->Arg(3000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DragChainFirstStep)->Arg(3000)->Unit(benchmark::kMillisecond);
