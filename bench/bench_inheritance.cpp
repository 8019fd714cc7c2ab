// The inheritance wizard's full walk for TFPReportQuery, 8 ancestors deep
// across six real units (TSQLQuery ... TDataset in the db packages,
// TComponent and TPersistent in the classes unit's include file, TObject in
// the system unit's): every unit read through the host word from its file,
// parsed and refined, as the wizard does while its list fills. Goal: under
// 30 ms.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "source/tests/InheritanceCorpus.h"

namespace {

void BM_InheritanceWalk(benchmark::State& state) {
    using namespace velt;
    static corpus::TWizardCorpus corpus;
    static const bool registered = corpus.Register();
    if (!registered) {
        state.SkipWithError("Free Pascal sources not installed (fpc-source-3.2.2)");
        return;
    }
    const int header = corpus.Open("TFPReportQuery");
    if (header < 0) {
        state.SkipWithError("TFPReportQuery not found");
        return;
    }
    size_t ancestors = 0, rows = 0;
    for (auto _ : state) {
        TInheritanceWalk walk(corpus.Src, corpus.Forth, header);
        walk.Run();
        ancestors = walk.Ancestors().size();
        rows = walk.Rows().size();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["ancestors"] = double(ancestors);
    state.counters["rows"] = double(rows);
    std::printf("inheritance walk: %zu ancestors, %zu rows\n", ancestors, rows);
    if (ancestors != 8) state.SkipWithError("the walk did not reach TObject 8 ancestors up");
}
BENCHMARK(BM_InheritanceWalk)->Unit(benchmark::kMillisecond);

}  // namespace
