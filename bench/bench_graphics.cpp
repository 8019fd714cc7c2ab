// The painter's hot paths: a million points mapped through the top of a
// matrix stack and hit-tested against a rectangle, next to a plain loop of
// multiply-adds over the same data (the goal: within 3x of it); and 100,000
// line markers drawn along a polyline on a 2,000 x 2,000 image.
#include <benchmark/benchmark.h>

#include <QImage>
#include <cmath>
#include <random>
#include <vector>

#include "graphics/GRFCtrl.h"
#include "graphics/GrfUtils.h"

using namespace velt;

namespace {

constexpr int kPoints = 1000000;

std::vector<TSPoint> Points() {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> d(-1000, 1000);
    std::vector<TSPoint> pts(kPoints);
    for (TSPoint& p : pts) p = TSPoint{d(rng), d(rng)};
    return pts;
}

// The painter's stack: each level pushes a copy of the one below and adds
// its own translation, rotation and scale; points map through the top.
T2DMatrix TopOfStack() {
    T2dMatrList stack;
    T2DMatrix m;
    for (int level = 0; level < 6; ++level) {
        m.Translate(float(level * 10), float(-level * 5));
        m.Rotate(float(level * 7));
        m.Scale(1.1f, 0.9f);
        stack.Add(m);
    }
    return stack.Matrix(stack.GetCount() - 1);
}

void BM_MapAndHitTest(benchmark::State& state) {
    const std::vector<TSPoint> pts = Points();
    const T2DMatrix m = TopOfStack();
    const TSRect area = SRect(-500, -500, 500, 500);
    for (auto _ : state) {
        int hits = 0;
        for (const TSPoint& p : pts) hits += PtInSRect(m.Map2(p), area) ? 1 : 0;
        benchmark::DoNotOptimize(hits);
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_MapAndHitTest)->Unit(benchmark::kMillisecond);

// The same arithmetic written as a plain loop of single-precision
// multiply-adds, for comparison.
void BM_PlainMultiplyAdd(benchmark::State& state) {
    const std::vector<TSPoint> pts = Points();
    const T2DMatrix m = TopOfStack();
    for (auto _ : state) {
        int hits = 0;
        for (const TSPoint& p : pts) {
            const float x = p.X * m.M0 + p.Y * m.M2 + m.M4, y = p.X * m.M1 + p.Y * m.M3 + m.M5;
            hits += (x >= -500 && x <= 500 && y >= -500 && y <= 500) ? 1 : 0;
        }
        benchmark::DoNotOptimize(hits);
    }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_PlainMultiplyAdd)->Unit(benchmark::kMillisecond);

void BM_LineMarkers(benchmark::State& state) {
    constexpr int kMarkers = 100000;
    // A zigzag of 200 segments across the image.
    std::vector<TSPoint> line;
    for (int i = 0; i <= 200; ++i) line.push_back(TSPoint{20 + 9.8f * float(i), i % 2 ? 1980.0f : 20.0f});
    double length = 0;
    for (size_t i = 1; i < line.size(); ++i) length += Distance(line[i - 1], line[i]);
    const float spacing = float(length / kMarkers);
    QImage image(2000, 2000, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        TCanvas canvas(&image);
        float phase = 0;
        for (size_t i = 1; i < line.size(); ++i)
            phase = DrawLineMarker(canvas, lm7, false, line[i - 1].X, line[i - 1].Y, line[i].X, line[i].Y, 6, spacing,
                                   phase, false, true);
        canvas.EndPaint();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * kMarkers);
}
BENCHMARK(BM_LineMarkers)->Unit(benchmark::kMillisecond);

}  // namespace
