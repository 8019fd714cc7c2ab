// The editing canvas at 1280 x 800 with 1,000 boxes and 1,000 links (link i
// joins boxes i and i + 1 mod 1,000): a drag step of ten boxes with their
// links following and the backing image brought up to date, a hit test, a
// full repaint, copy and paste of all 2,000; the ten boxes moved with their
// links and the changed area repainted; and the peer doing the same two
// steps on a plain QGraphicsScene (see below).
//
// Goals: a drag step within 16 ms, a hit test within 1 ms, a full repaint
// within 30 ms, copy and paste of all within 100 ms; each step no slower
// than the peer's (compare the medians of --benchmark_repetitions runs).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QClipboard>
#include <QGraphicsPathItem>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <memory>
#include <vector>

#include "bench/BenchApp.h"
#include "painter/ClipUtil.h"
#include "painter/EdtComp.h"
#include "painter/EdtPaint.h"
#include "painter/IGrfTopo.h"
#include "painter/PainterUnits.h"
#include "painter/tests/TestLink.h"

using namespace velt;

namespace {

constexpr int W = 1280, H = 800, N = 1000, Cols = 40;
constexpr float BoxW = 20, BoxH = 12;

TSPoint Cell(int i) { return TSPoint{float((i % Cols) * 32 + 4), float((i / Cols) * 32 + 4)}; }

// A box with one pin at its top left; it leads its links.
class TBenchBox : public TGrfEditComp, public virtual ILinkedObject {
public:
    static const TGrfClassDesc& Class() {
        static const TGrfClassDesc d("TBenchBox", &TGrfEditComp::Class(), &MakeComponent<TBenchBox>);
        return d;
    }
    const TGrfClassDesc& ClassType() const override { return Class(); }
    HResult QueryInterface(const Guid& iid, void** obj) override {
        if (QueryFor<ILinkedObject>(this, iid, obj) == S_OK) return S_OK;
        return TGrfEditComp::QueryInterface(iid, obj);
    }
    class TPins : public TConnList {
    public:
        explicit TPins(TBenchBox* o) : owner(o) {}
        TSPoint GetCoord(int) override { return TSPoint{owner->GetX(), owner->GetY()}; }
        TBenchBox* owner;
    };
    int GetPointsCount() override { return 2; }
    void GetPoints(int index, TEditPointInfo& info) override {
        info.Init();
        info.Index = index;
        info.X = GetX() + (index ? BoxW : 0), info.Y = GetY() + (index ? BoxH : 0);
    }
    void Moving(TEditInfo& info) override {
        if (info.EditType == etMovePoint && info.PointInfo.Index == 0) PutPos(info.X, info.Y);
        else if (info.EditType == etMove) PutPos(GetX() + info.DX, GetY() + info.DY);
    }
    void Draw(TGraphPaint& p) override {
        p.DefPen(psSolid, clBlack, 0);
        // Dragged, an outline.
        p.DefBrush(p.DrawMode() == dmDrag ? bsClear : bsSolid, clYellow);
        p.Rectangle(GetX(), GetY(), GetX() + BoxW, GetY() + BoxH);
    }
    void WriteData(TStream& s) override {
        TGrfEditComp::WriteData(s);
        Pins.SaveToStream(s);
    }
    void ReadData(TStream& s) override {
        TGrfEditComp::ReadData(s);
        Pins.LoadFromStream(s);
    }
    TConnList& GetConnList() override { return Pins; }
    TConnObject GetConnObject() override { return coNode; }
    bool IsRigid() override { return true; }
    bool TryConnect(ILinkedObject&, int, bool) override { return false; }
    void SetFollow(int, bool) override {}
    int Level() override { return 1; }
    TPins Pins{this};

protected:
    ~TBenchBox() override = default;
};

using TBenchLink = velt::test::TTestLink;

void Start() {
    static bool started = false;
    if (started) return;
    started = true;
    velt::bench::BenchApp();
    PainterStartup();
    RegisterEditComps();
    RegisterGrfClasses({&TBenchBox::Class(), &TBenchLink::Class()});
    ClipUtilStartup();
}

struct Started {
    Started() { Start(); }
};

struct Drawing : Started {
    QWidget parent;
    TEditGraphPaint* canvas;
    std::vector<TBenchBox*> boxes;
    Drawing() {
        parent.resize(W, H);
        canvas = new TEditGraphPaint(&parent);
        canvas->resize(W, H);
        canvas->Step().SetEnabled(false);
        TGrfEditComp* root = canvas->GetRoot();
        for (int i = 0; i < N; ++i) {
            auto* b = TVerUdov::New<TBenchBox>(root);
            b->Move(Cell(i).X, Cell(i).Y);
            TConnectionInfo pin;
            pin.Init(0, ctPin);
            b->Pins.Add(pin);
            boxes.push_back(b);
        }
        for (int i = 0; i < N; ++i) {
            auto* l = TVerUdov::New<TBenchLink>(root);
            const int j = (i + 1) % N;
            l->P[0] = Cell(i), l->P[1] = Cell(j);
            TConnectionInfo c;
            c.Init(0, ctLineBeg);
            l->Conns.Add(c);
            c.Init(1, ctLineEnd);
            l->Conns.Add(c);
            l->Conns.Conn(0)->Connect(*boxes[size_t(i)]->Pins.Conn(0));
            l->Conns.Conn(1)->Connect(*boxes[size_t(j)]->Pins.Conn(0));
        }
        canvas->UpdateLists(ulAll);
        canvas->Update();
    }
    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButtons held) {
        QMouseEvent e(type, QPointF(at), canvas->mapToGlobal(QPointF(at)), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(canvas, &e);
    }
};

void BM_EditDragStep(benchmark::State& state) {
    Drawing d;
    for (int i = 0; i < N; i += 100) d.canvas->SelectComp(*d.boxes[size_t(i)], true);
    // On box 0's first point: the links over its body are not selected, so
    // the selected box's point is taken.
    const QPoint start(int(Cell(0).X), int(Cell(0).Y));
    d.Mouse(QEvent::MouseButtonPress, start, Qt::LeftButton);
    d.Mouse(QEvent::MouseMove, start + QPoint(10, 0), Qt::LeftButton);
    d.Mouse(QEvent::MouseMove, start, Qt::LeftButton);
    d.Mouse(QEvent::MouseMove, start + QPoint(10, 0), Qt::LeftButton);
    auto* follower = dynamic_cast<TBenchLink*>(d.canvas->GetRoot()->GetComponent(N));
    if (d.boxes[0]->GetX() != Cell(0).X + 10 || !follower || follower->P[0].X != Cell(0).X + 10) {
        state.SkipWithError("the drag does not move the boxes and their links");
        return;
    }
    int step = 0;
    for (auto _ : state) {
        // To and fro by 10 pixels: one mouse move, links following.
        const QPoint at = start + QPoint((++step & 1) ? 10 : 0, 0);
        d.Mouse(QEvent::MouseMove, at, Qt::LeftButton);
        d.canvas->Update();
    }
    d.Mouse(QEvent::MouseButtonRelease, start, Qt::NoButton);
    state.counters["goal_ms"] = 16;
}
BENCHMARK(BM_EditDragStep)->Unit(benchmark::kMillisecond);

void BM_EditHitTest(benchmark::State& state) {
    Drawing d;
    const TSPoint at = Cell(N - 1);
    for (auto _ : state) {
        TEditInfo info;
        info.Init(at.X + 5, at.Y + 5);
        ComPtr<IGraphEdit> found;
        d.canvas->SearchComp(info, false, found);
        benchmark::DoNotOptimize(found.get());
    }
    state.counters["goal_ms"] = 1;
}
BENCHMARK(BM_EditHitTest)->Unit(benchmark::kMicrosecond);

void BM_EditFullRepaint(benchmark::State& state) {
    Drawing d;
    d.canvas->SelectComp(*d.boxes[0], true);
    for (auto _ : state) {
        d.canvas->Invalidate();
        d.canvas->Update();
    }
    state.counters["goal_ms"] = 30;
}
BENCHMARK(BM_EditFullRepaint)->Unit(benchmark::kMillisecond);

// One box's area repainted: below a full repaint.
void BM_EditPartialRepaint(benchmark::State& state) {
    Drawing d;
    TBenchBox* b = d.boxes[N / 2];
    for (auto _ : state) {
        d.canvas->InvalidateComp(*b);
        d.canvas->Update();
    }
}
BENCHMARK(BM_EditPartialRepaint)->Unit(benchmark::kMillisecond);

void BM_EditCopyPasteAll(benchmark::State& state) {
    Drawing d;
    for (auto _ : state) {
        state.PauseTiming();
        d.canvas->SelectAll(true);
        state.ResumeTiming();
        d.canvas->Copy();
        d.canvas->Paste();
        state.PauseTiming();
        d.canvas->Delete();  // the pasted copies, selected alone
        state.ResumeTiming();
    }
    state.counters["goal_ms"] = 100;
}
BENCHMARK(BM_EditCopyPasteAll)->Unit(benchmark::kMillisecond);

// ---- the peer ------------------------------------------------------------------------
//
// A plain QGraphicsScene of the same geometry, rendered into an image of the
// canvas's size. Two steps of the same work as ours: the ten boxes moved,
// their twenty links following, and either their outlines inverted away and
// back (as our drag draws them) or the changed area repainted in one render
// clipped to the union region (as QGraphicsView's minimal viewport update).

struct Scene : Started {
    QGraphicsScene scene{0, 0, W, H};
    std::vector<QGraphicsRectItem*> boxes;
    std::vector<QGraphicsPathItem*> links;
    QImage image{W, H, QImage::Format_RGB32};
    Scene() {
        for (int i = 0; i < N; ++i) {
            auto* r = scene.addRect(0, 0, BoxW, BoxH, QPen(Qt::black, 0), QBrush(Qt::yellow));
            r->setPos(Cell(i).X, Cell(i).Y);
            boxes.push_back(r);
        }
        for (int i = 0; i < N; ++i) links.push_back(scene.addPath(Path(i), QPen(Qt::black, 0)));
        image.fill(Qt::white);
        QPainter p(&image);
        scene.render(&p, QRectF(0, 0, W, H), QRectF(0, 0, W, H));
    }
    QPainterPath Path(int i) const {
        QPainterPath p(boxes[size_t(i)]->pos());
        p.lineTo(boxes[size_t((i + 1) % N)]->pos());
        return p;
    }
    // Box i moved by dx; the links on its pin follow.
    void Move(int i, qreal dx) {
        const int prev = (i + N - 1) % N;
        boxes[size_t(i)]->moveBy(dx, 0);
        links[size_t(i)]->setPath(Path(i));
        links[size_t(prev)]->setPath(Path(prev));
    }
    // The box and its links, as our canvas invalidates them: their
    // rectangles with room for the pen.
    void Note(int i, QRegion& region) const {
        const int prev = (i + N - 1) % N;
        for (const QGraphicsItem* item : {static_cast<const QGraphicsItem*>(boxes[size_t(i)]),
                                          static_cast<const QGraphicsItem*>(links[size_t(i)]),
                                          static_cast<const QGraphicsItem*>(links[size_t(prev)])})
            region += item->sceneBoundingRect().toAlignedRect().adjusted(-4, -4, 4, 4);
    }
};

// The outlines of box i and its links, inverted.
void XorOutlines(QPainter& p, Scene& s, int i) {
    const int prev = (i + N - 1) % N;
    const QPointF at = s.boxes[size_t(i)]->pos();
    p.drawRect(QRectF(at, QSizeF(BoxW, BoxH)));
    for (int l : {i, prev}) {
        const QPainterPath& path = s.links[size_t(l)]->path();
        p.drawLine(path.elementAt(0), path.elementAt(1));
    }
}

void BM_PeerXorDragStep(benchmark::State& state) {
    Scene s;
    int step = 0;
    for (auto _ : state) {
        const qreal dx = (++step & 1) ? 10 : -10;
        QPainter p(&s.image);
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.setPen(QPen(QColor(0xFF, 0xFF, 0xFF), 0));
        p.setBrush(Qt::NoBrush);
        for (int i = 0; i < N; i += 100) {
            XorOutlines(p, s, i);
            s.Move(i, dx);
            XorOutlines(p, s, i);
        }
    }
}
BENCHMARK(BM_PeerXorDragStep)->Unit(benchmark::kMillisecond);

// Ours: the ten boxes moved with their links, the changed area invalidated
// before and after and repainted.
void BM_EditMoveRepaintStep(benchmark::State& state) {
    Drawing d;
    TGrfEditComp* root = d.canvas->GetRoot();
    const auto link = [&](int i) { return static_cast<TBenchLink*>(root->GetComponent(N + i)); };
    int step = 0;
    for (auto _ : state) {
        const float dx = (++step & 1) ? 10 : -10;
        for (int i = 0; i < N; i += 100) {
            TBenchBox* b = d.boxes[size_t(i)];
            TBenchLink* out = link(i);
            TBenchLink* in = link((i + N - 1) % N);
            for (IGraphView* v : {static_cast<IGraphView*>(b), static_cast<IGraphView*>(out),
                                  static_cast<IGraphView*>(in)})
                d.canvas->InvalidateComp(*v);
            b->Move(b->GetX() + dx, b->GetY());
            out->P[0] = in->P[1] = TSPoint{b->GetX(), b->GetY()};
            for (IGraphView* v : {static_cast<IGraphView*>(b), static_cast<IGraphView*>(out),
                                  static_cast<IGraphView*>(in)})
                d.canvas->InvalidateComp(*v);
        }
        d.canvas->Update();
    }
}
BENCHMARK(BM_EditMoveRepaintStep)->Unit(benchmark::kMillisecond);

void BM_PeerMoveRepaintStep(benchmark::State& state) {
    Scene s;
    int step = 0;
    for (auto _ : state) {
        const qreal dx = (++step & 1) ? 10 : -10;
        QRegion changed;
        for (int i = 0; i < N; i += 100) {
            s.Note(i, changed);
            s.Move(i, dx);
            s.Note(i, changed);
        }
        const QRect all = changed.boundingRect();
        QPainter p(&s.image);
        p.setClipRegion(changed);
        p.fillRect(all, Qt::white);
        s.scene.render(&p, QRectF(all), QRectF(all));
    }
}
BENCHMARK(BM_PeerMoveRepaintStep)->Unit(benchmark::kMillisecond);

}  // namespace
