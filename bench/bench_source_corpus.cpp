// The unit model over every .pas / .pp unit of the Free Pascal sources:
// recognition rates (units whose sections are found, method implementations
// matched to their declarations) against the committed baseline, and the
// time of the whole pass. VELT_CORPUS_VERBOSE=1 lists unmatched methods.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "source/tests/CorpusScan.h"

namespace {

void BM_SourceCorpus(benchmark::State& state) {
    using namespace velt;
    const bool verbose = corpus::CorpusVerbose();
    corpus::Totals t;
    auto scan = [&](const std::string& f, const std::string& text, corpus::Totals& totals) {
        corpus::UnitResult r = corpus::ScanUnit(text);
        totals.Add(f, r);
        if (verbose)
            for (const auto& u : r.Unmatched) std::printf("unmatched %s %s\n", f.c_str(), u.c_str());
    };
    if (!corpus::ScanCorpus(state, t, scan)) return;
    state.counters["files"] = t.Files;
    state.counters["units"] = t.Units;
    state.counters["sections%"] = t.SectionRate();
    state.counters["impls"] = double(t.ImplsWithClass);
    state.counters["matched%"] = t.MatchRate();
    std::printf("corpus: %d files, %d units, sections found in %d (%.2f%%)\n", t.Files, t.Units, t.SectionsFound,
                t.SectionRate());
    std::printf("corpus: %ld qualified implementations, %ld with the class in the unit, %ld matched (%.2f%%), "
                "%ld search/parse mismatches\n",
                t.Impls, t.ImplsWithClass, t.Matched, t.MatchRate(), t.Mismatches);
    std::printf("corpus: slowest unit %.3f s (%s)\n", t.MaxSeconds, t.SlowestFile.c_str());
    double bs = 0, bm = 0;
    if (corpus::ReadBaseline(corpus::CorpusDataFile("corpus_baseline.txt"), bs, bm)) {
        bool ok = t.SectionRate() + 1e-9 >= bs && t.MatchRate() + 1e-9 >= bm;
        std::printf("corpus: baseline sections %.2f%% matched %.2f%%: %s\n", bs, bm, ok ? "kept" : "FALLEN");
        if (!ok) state.SkipWithError("recognition rates fell below the committed baseline");
    }
}
BENCHMARK(BM_SourceCorpus)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
