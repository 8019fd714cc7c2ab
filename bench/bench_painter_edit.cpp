// The editing canvas at 1280 x 800 with 1,000 boxes and 1,000 links (link i
// joins boxes i and i + 1 mod 1,000): a drag step of ten boxes with their
// links following and the backing image brought up to date, a hit test, a
// full repaint, copy and paste of all 2,000; and the peer: a plain
// QGraphicsScene of the same geometry whose step moves the ten boxes, sets
// their links' paths again and renders the changed area into an image.
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
        p.DefBrush(bsSolid, clYellow);
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
}
BENCHMARK(BM_EditHitTest)->Unit(benchmark::kMicrosecond);

void BM_EditFullRepaint(benchmark::State& state) {
    Drawing d;
    d.canvas->SelectComp(*d.boxes[0], true);
    for (auto _ : state) {
        d.canvas->Invalidate();
        d.canvas->Update();
    }
}
BENCHMARK(BM_EditFullRepaint)->Unit(benchmark::kMillisecond);

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
}
BENCHMARK(BM_EditCopyPasteAll)->Unit(benchmark::kMillisecond);

// ---- the peer -----------------------------------------------------------------------

void BM_PeerSceneDragStep(benchmark::State& state) {
    Start();
    QGraphicsScene scene(0, 0, W, H);
    std::vector<QGraphicsRectItem*> boxes;
    std::vector<QGraphicsPathItem*> links;
    for (int i = 0; i < N; ++i) {
        auto* r = scene.addRect(0, 0, BoxW, BoxH, QPen(Qt::black, 0), QBrush(Qt::yellow));
        r->setPos(Cell(i).X, Cell(i).Y);
        boxes.push_back(r);
    }
    auto path = [&](int i) {
        QPainterPath p(boxes[size_t(i)]->pos());
        p.lineTo(boxes[size_t((i + 1) % N)]->pos());
        return p;
    };
    for (int i = 0; i < N; ++i) links.push_back(scene.addPath(path(i), QPen(Qt::black, 0)));
    QImage image(W, H, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        scene.render(&p, QRectF(0, 0, W, H), QRectF(0, 0, W, H));
    }
    int step = 0;
    for (auto _ : state) {
        const qreal dx = (++step & 1) ? 10 : -10;
        std::vector<QRectF> changed;
        for (int i = 0; i < N; i += 100) {
            const int prev = (i + N - 1) % N;
            auto note = [&] {
                changed.push_back(boxes[size_t(i)]->sceneBoundingRect());
                changed.push_back(links[size_t(i)]->sceneBoundingRect());
                changed.push_back(links[size_t(prev)]->sceneBoundingRect());
            };
            note();
            boxes[size_t(i)]->moveBy(dx, 0);
            links[size_t(i)]->setPath(path(i));
            links[size_t(prev)]->setPath(path(prev));
            note();
        }
        QPainter p(&image);
        for (const QRectF& r : changed) {
            p.fillRect(r, Qt::white);
            scene.render(&p, r, r);
        }
    }
}
BENCHMARK(BM_PeerSceneDragStep)->Unit(benchmark::kMillisecond);

}  // namespace
