// The component tree at 100,001 components (a root, 1,000 groups of 100,
// 8-character names): saving and loading the binary records and the text
// form. Goals: binary save 30 ms, load 60 ms; text save 150 ms, load 300 ms.
// With the painter's Qt library: the hit test of 10,000 editable components
// of 8 points each at one mouse point, as the canvas asks every component.
// Goal: under 2 ms.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>

#include "painter/grfClass.h"
#ifdef VELT_BENCH_EDIT_COMPONENTS
#include <QWidget>

#include "bench/BenchApp.h"
#include "painter/EdtComp.h"
#endif

using namespace velt;

namespace {

TVerUdovPtr<> MakeTree() {
    auto root = TVerUdov::NewRoot<TVerUdov>();
    root->Name = "RootComp";
    char name[16];
    for (int g = 0; g < 1000; ++g) {
        TVerUdov* group = TVerUdov::New<TVerUdov>(root.get());
        std::snprintf(name, sizeof name, "G%07d", g);
        group->Name = name;
        for (int c = 0; c < 99; ++c) {
            TVerUdov* item = TVerUdov::New<TVerUdov>(group);
            std::snprintf(name, sizeof name, "C%03d%04d", g % 1000, c);
            item->Name = name;
        }
    }
    return root;
}

TVerUdovPtr<>& Tree() {
    static TVerUdovPtr<> tree = MakeTree();
    return tree;
}

void BM_BinarySave(benchmark::State& state) {
    for (auto _ : state) {
        TMemoryStream m;
        WriteVerUdov(m, Tree().get());
        benchmark::DoNotOptimize(m.Memory());
    }
}

void BM_BinaryLoad(benchmark::State& state) {
    TMemoryStream m;
    WriteVerUdov(m, Tree().get());
    for (auto _ : state) {
        m.SetPosition(0);
        TVerUdovPtr<> back = ReadVerUdov(m);
        benchmark::DoNotOptimize(back.get());
    }
}

void BM_TextSave(benchmark::State& state) {
    for (auto _ : state) {
        TMemoryStream m;
        TTextWriter w(m);
        w.WriteComp(Tree().get());
        benchmark::DoNotOptimize(m.Memory());
    }
}

void BM_TextLoad(benchmark::State& state) {
    TMemoryStream m;
    {
        TTextWriter w(m);
        w.WriteComp(Tree().get());
    }
    for (auto _ : state) {
        m.SetPosition(0);
        TTextReader r(m);
        TVerUdovPtr<> back = r.ReadComp();
        benchmark::DoNotOptimize(back.get());
    }
}

#ifdef VELT_BENCH_EDIT_COMPONENTS
// Eight points on a small octagon around its position.
class TOctagon : public TGrfEditComp {
public:
    int GetPointsCount() override { return 8; }
    void GetPoints(int i, TEditPointInfo& info) override {
        static constexpr std::array<float, 8> dx{0, 2, 4, 4, 4, 2, 0, 0}, dy{0, 0, 0, 2, 4, 4, 4, 2};
        info.Init();
        info.Index = i;
        info.X = GetX() + dx[size_t(i)];
        info.Y = GetY() + dy[size_t(i)];
    }
    void Place(float x, float y) { PutPos(x, y); }
};

void BM_FindAtOneMousePoint(benchmark::State& state) {
    bench::BenchApp();
    QWidget parent;
    parent.resize(800, 600);
    auto* box = new TGraphPaint(&parent);
    box->resize(800, 600);
    auto root = TVerUdov::NewRoot<TGrfRootComp>();
    root->SetBox(box);
    std::vector<TGrfEditComp*> comps;
    for (int i = 0; i < 10000; ++i) {
        auto* c = TVerUdov::New<TOctagon>(root.get());
        c->Place(float(i % 100) * 6, float(i / 100) * 6);
        comps.push_back(c);
    }
    int hits = 0;
    for (auto _ : state) {
        hits = 0;
        for (TGrfEditComp* c : comps) {
            TEditInfo info;
            info.Init(302, 302);
            c->Find(box, info);
            hits += info.EditType != etNone;
        }
        benchmark::DoNotOptimize(hits);
    }
    state.counters["hits"] = hits;
    root->SetBox(nullptr);
}
#endif

}  // namespace

#ifdef VELT_BENCH_EDIT_COMPONENTS
BENCHMARK(BM_FindAtOneMousePoint)->Unit(benchmark::kMillisecond);
#endif
BENCHMARK(BM_BinarySave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BinaryLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextSave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextLoad)->Unit(benchmark::kMillisecond);
