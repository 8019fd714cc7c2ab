// The component tree at 100,001 components (a root, 1,000 groups of 100,
// 8-character names): saving and loading the binary records and the text
// form. Goals: binary save 30 ms, load 60 ms; text save 150 ms, load 300 ms.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "painter/grfClass.h"

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

}  // namespace

BENCHMARK(BM_BinarySave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BinaryLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextSave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextLoad)->Unit(benchmark::kMillisecond);
