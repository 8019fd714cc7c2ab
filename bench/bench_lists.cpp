// Record lists at a million records: appending, sorting by ID (random and
// already sorted input) and looking an ID up. Lookups are linear walks by
// design; the keyed tables add sorted indexes where that matters. And the
// string list that renames duplicates, fed 5,000 equal names (goal: under
// 100 ms).
#include <benchmark/benchmark.h>

#include <random>

#include "foundation/IDList.h"
#include "foundation/Support.h"

using namespace velt;

namespace {

constexpr int kRecords = 1000000;

void FillRandom(T2IntList& l) {
    std::mt19937 rng(42);
    for (int i = 0; i < kRecords; ++i) l.Add2Int(int32_t(rng()), i);
}

void FillIDs(TPureIDList& l) {
    for (int i = 0; i < kRecords; ++i) l.AddID(i);
}

void BM_AddID(benchmark::State& state) {
    for (auto _ : state) {
        TPureIDList l;
        FillIDs(l);
        benchmark::DoNotOptimize(l.GetFirst());
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_AddID)->Unit(benchmark::kMillisecond);

void BM_SortRandom(benchmark::State& state) {
    T2IntList source;
    FillRandom(source);
    for (auto _ : state) {
        state.PauseTiming();
        T2IntList l;
        l.Assign(&source);
        state.ResumeTiming();
        l.Sort();
        benchmark::DoNotOptimize(l.GetFirst());
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_SortRandom)->Unit(benchmark::kMillisecond);

void BM_SortAlreadySorted(benchmark::State& state) {
    T2IntList l;
    for (int i = 0; i < kRecords; ++i) l.Add2Int(i, i);
    for (auto _ : state) {
        l.Sort();
        benchmark::DoNotOptimize(l.GetFirst());
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_SortAlreadySorted)->Unit(benchmark::kMillisecond);

void BM_GetSortedList(benchmark::State& state) {
    T2IntList source;
    FillRandom(source);
    for (auto _ : state) {
        auto sorted = source.GetSortedList();
        benchmark::DoNotOptimize(sorted->GetFirst());
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_GetSortedList)->Unit(benchmark::kMillisecond);

// A missing ID walks all records; the middle one half of them.
void BM_IndexByID(benchmark::State& state, int32_t id) {
    TPureIDList l;
    FillIDs(l);
    for (auto _ : state) benchmark::DoNotOptimize(l.IndexByID(id));
    state.SetItemsProcessed(state.iterations() * (id < 0 ? kRecords : id));
}
BENCHMARK_CAPTURE(BM_IndexByID, Missing, -1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_IndexByID, Middle, kRecords / 2)->Unit(benchmark::kMicrosecond);

void BM_DupStringListEqualNames(benchmark::State& state) {
    for (auto _ : state) {
        TDupStringList l;
        for (int i = 0; i < 5000; ++i) l.Add("Component");
        benchmark::DoNotOptimize(l.Count());
    }
}
BENCHMARK(BM_DupStringListEqualNames)->Unit(benchmark::kMillisecond);

}  // namespace
