// The drawing surface at 1920 x 1080: a full repaint with both grids at 10
// pixels, an auto-scroll tick, a drag frame, stroked text, a ruler, a long
// polyline through a rotated matrix, and the peer: the same picture by a
// plain QGraphicsScene rendered into an image.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QGraphicsEllipseItem>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QImage>
#include <QPainter>
#include <memory>

#include "bench/BenchApp.h"
#include "painter/GrfPaint.h"
#include "painter/GrfRul.h"
#include "painter/PainterUnits.h"

using namespace velt;

namespace {

constexpr int W = 1920, H = 1080;

void Start() {
    static bool started = false;
    if (started) return;
    started = true;
    velt::bench::BenchApp();
    PainterStartup();
}

struct Surface {
    QWidget parent;
    TGraphPaint* box;
    Surface() {
        parent.resize(W, H);
        box = new TGraphPaint(&parent);
        box->resize(W, H);
        box->Update();
    }
};

void Grids(TGraphPaint& p) {
    p.Grid().SetEnabled(true);
    p.Grid().SetValue(10);
    p.GridLn().SetEnabled(true);
    p.GridLn().SetValue(10);
}

// 50 rectangles 200 x 100 and a 200-point polyline.
void Shapes(TGraphPaint& p, bool filled) {
    p.DefPen(psSolid, clBlack, 0);
    p.DefBrush(filled ? bsSolid : bsClear, clYellow);
    for (int i = 0; i < 50; ++i) {
        const float x = float((i % 10) * 180 + 10), y = float((i / 10) * 200 + 10);
        p.Rectangle(x, y, x + 200, y + 100);
    }
    TPoints line;
    for (int i = 0; i < 200; ++i) line.Add(SPoint(float(i * 9), float(500 + (i % 2) * 100)));
    p.PolylineEx(line);
}

void BM_FullRepaintGrids(benchmark::State& state) {
    Start();
    Surface s;
    Grids(*s.box);
    for (auto _ : state) {
        s.box->Invalidate();
        s.box->Update();
    }
}
BENCHMARK(BM_FullRepaintGrids)->Unit(benchmark::kMillisecond);

void BM_AutoScrollTick(benchmark::State& state) {
    Start();
    Surface s;
    Grids(*s.box);
    int dir = 10;
    for (auto _ : state) {
        s.box->ShiftWindow(dir, 0);
        dir = -dir;
    }
}
BENCHMARK(BM_AutoScrollTick)->Unit(benchmark::kMillisecond);

void BM_DragFrame(benchmark::State& state) {
    Start();
    Surface s;
    Grids(*s.box);
    s.box->Invalidate();
    s.box->Update();
    TGraphPaint& p = *s.box;
    for (auto _ : state) {
        p.SetDrawMode(dmDrag);
        Shapes(p, false);  // erase the last frame
        Shapes(p, false);  // and draw the next
        p.SetDrawMode(dmNone);
        p.Canvas().EndPaint();
    }
}
BENCHMARK(BM_DragFrame)->Unit(benchmark::kMillisecond);

void BM_VectorText2000(benchmark::State& state) {
    Start();
    Surface s;
    TGraphPaint& p = *s.box;
    p.DefFont(clBlack, 0, "");
    const std::string line = "Крок та сітка ҐЄІЇ 019 abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ";  // 78
    for (auto _ : state) {
        int n = 0;
        for (int row = 0; n < 2000; ++row, n += 78) p.TextOut(5, float(20 + (row % 40) * 25), 14, 0, line);
        p.Canvas().EndPaint();
    }
}
BENCHMARK(BM_VectorText2000)->Unit(benchmark::kMillisecond);

void BM_Ruler2000(benchmark::State& state) {
    Start();
    QWidget parent;
    parent.resize(2000, 1200);
    auto* box = new TGraphPaint(&parent);
    box->setGeometry(0, 24, 2000, 1176);
    auto* r = new TGraphRuller(&parent);
    r->setGeometry(0, 0, 2000, 24);
    box->Rullers().SetRuller(r);
    box->SetupRullers();
    QImage im(2000, 24, QImage::Format_RGB32);
    for (auto _ : state) {
        r->render(&im);
    }
}
BENCHMARK(BM_Ruler2000)->Unit(benchmark::kMillisecond);

void BM_PolylineRotated100k(benchmark::State& state) {
    Start();
    Surface s;
    TGraphPaint& p = *s.box;
    TPoints line;
    for (int i = 0; i < 100000; ++i) line.Add(SPoint(float(i % 1000), float((i * 7) % 900)));
    p.DefPen(psSolid, clBlack, 0);
    p.PushMatr();
    p.Matrix.Rotate(17);
    p.Matrix.Translate(300, 0);
    for (auto _ : state) {
        p.PolylineEx(line);
        p.Canvas().EndPaint();
    }
    p.PopMatr();
}
BENCHMARK(BM_PolylineRotated100k)->Unit(benchmark::kMillisecond);

// The peer: the surface's full repaint with both grids and the shapes
// filled and outlined, against a QGraphicsScene of the same picture.
void BM_PeerOurs(benchmark::State& state) {
    Start();
    Surface s;
    Grids(*s.box);
    s.box->OnPaint = [](TGraphPaint* p) { Shapes(*p, true); };
    for (auto _ : state) {
        s.box->Invalidate();
        s.box->Update();
    }
}
BENCHMARK(BM_PeerOurs)->Unit(benchmark::kMillisecond);

class GridScene : public QGraphicsScene {
protected:
    void drawBackground(QPainter* p, const QRectF& r) override {
        p->fillRect(r, Qt::white);
        QPen pen(QColor(0xC0, 0xC0, 0xC0), 0);
        pen.setCosmetic(true);
        p->setPen(pen);
        QVector<QLineF> lines;
        for (int x = 0; x <= W; x += 10) lines.append(QLineF(x, 0, x, H));
        for (int y = 0; y <= H; y += 10) lines.append(QLineF(0, y, W, y));
        p->drawLines(lines);
        QVector<QPointF> pts;
        for (int y = 0; y <= H; y += 10)
            for (int x = 0; x <= W; x += 10) pts.append(QPointF(x, y));
        p->drawPoints(pts.data(), int(pts.size()));
    }
};

void BM_PeerScene(benchmark::State& state) {
    Start();
    GridScene scene;
    scene.setSceneRect(0, 0, W, H);
    QPen pen(Qt::black, 0);
    pen.setCosmetic(true);
    for (int i = 0; i < 50; ++i) {
        const qreal x = (i % 10) * 180 + 10, y = (i / 10) * 200 + 10;
        scene.addRect(x, y, 200, 100, pen, QBrush(Qt::yellow));
    }
    QPainterPath path;
    for (int i = 0; i < 200; ++i) {
        const QPointF pt(i * 9, 500 + (i % 2) * 100);
        if (i == 0) path.moveTo(pt);
        else path.lineTo(pt);
    }
    scene.addPath(path, pen);
    QGraphicsView view(&scene);
    view.setRenderHints({});
    view.resize(W, H);
    QImage im(W, H, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&im);
        view.render(&p, QRectF(0, 0, W, H), QRect(0, 0, W, H));
    }
}
BENCHMARK(BM_PeerScene)->Unit(benchmark::kMillisecond);

}  // namespace
