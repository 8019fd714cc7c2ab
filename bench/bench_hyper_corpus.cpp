// The hyperjump round trip over every .pas / .pp unit of the Free Pascal
// sources: implementation -> declaration -> implementation, two undos and an
// unchanged text for every eligible method, against the committed baseline;
// then HyperJump on the lines of every unit (no crash, no hang): every line
// of a unit up to 5,000 lines, 5,000 evenly spread lines of a larger one (a jump
// costs a scan of the unit, so every line of the largest would take hours);
// then HyperJump on every property line, every question answered No, which
// must insert only declarations that compile and are not there already.
// VELT_CORPUS_VERBOSE=1 lists the methods that fail the round trip.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "foundation/StrUtils.h"
#include "source/tests/HyperCorpus.h"

namespace {

// The corpus units; none, and the benchmark skipped, when they are not installed.
std::vector<std::string> CorpusOrSkip(benchmark::State& state) {
    auto files = velt::corpus::CorpusFiles();
    if (files.empty()) state.SkipWithError("Free Pascal sources not installed (fpc-source-3.2.2)");
    return files;
}

void BM_HyperCorpusRoundTrip(benchmark::State& state) {
    using namespace velt;
    const bool verbose = corpus::CorpusVerbose();
    corpus::HyperTotals t;
    auto scan = [&](const std::string& f, const std::string& text, corpus::HyperTotals& totals) {
        corpus::HyperResult r = corpus::HyperRoundTrip(text, f);
        totals.Add(f, r);
        if (verbose)
            for (const auto& why : r.Failed) std::printf("round trip %s: %s\n", f.c_str(), why.c_str());
    };
    if (!corpus::ScanCorpus(state, t, scan)) return;
    state.counters["files"] = t.Files;
    state.counters["eligible"] = double(t.Eligible);
    state.counters["passed%"] = t.PassRate();
    std::printf("hyper corpus: %d files, %ld eligible methods, %ld pass the round trip (%.2f%%), %ld ask (%.2f%%)\n",
                t.Files, t.Eligible, t.Passed, t.PassRate(), t.Asked, t.AskRate());
    std::printf("hyper corpus: slowest unit %.3f s (%s)\n", t.MaxSeconds, t.SlowestFile.c_str());
    double baseline = 0;
    if (corpus::ReadBaselineValue(corpus::CorpusDataFile("hyper/corpus_baseline.txt"), "roundtrip", baseline)) {
        bool ok = t.PassRate() + 1e-9 >= baseline;
        std::printf("hyper corpus: baseline %.2f%%: %s\n", baseline, ok ? "kept" : "FALLEN");
        if (!ok) state.SkipWithError("round-trip rate fell below the committed baseline");
    }
}
BENCHMARK(BM_HyperCorpusRoundTrip)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_HyperCorpusEveryLine(benchmark::State& state) {
    using namespace velt;
    const auto files = CorpusOrSkip(state);
    if (files.empty()) return;
    constexpr double kMaxSecondsPerUnit = 300;
    constexpr int kMaxJumpsPerUnit = 5000;
    long lines = 0, errors = 0, generated = 0, timedOut = 0;
    double slowest = 0;
    std::string slowestFile;
    for (auto _ : state) {
        for (const auto& f : files) {
            corpus::SweepResult r = corpus::HyperSweep(ReadWholeFile(f), f, kMaxSecondsPerUnit, kMaxJumpsPerUnit);
            lines += r.Lines;
            errors += r.Errors;
            generated += r.Generated;
            timedOut += r.TimedOut;
            if (r.Seconds > slowest) slowest = r.Seconds, slowestFile = f;
        }
    }
    state.counters["lines"] = double(lines);
    std::printf("hyper sweep: %ld lines, %ld errors raised, %ld jumps generated text, %ld units timed out\n", lines,
                errors, generated, timedOut);
    std::printf("hyper sweep: slowest unit %.3f s (%s)\n", slowest, slowestFile.c_str());
    if (timedOut) state.SkipWithError("a unit took too long");
}
BENCHMARK(BM_HyperCorpusEveryLine)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_HyperCorpusProperties(benchmark::State& state) {
    using namespace velt;
    const auto files = CorpusOrSkip(state);
    if (files.empty()) return;
    const bool verbose = corpus::CorpusVerbose();
    long props = 0, inserted = 0, bad = 0, unasked = 0;
    for (auto _ : state) {
        for (const auto& f : files) {
            const std::string text = ReadWholeFile(f);
            if (!HasWord(text, "property")) continue;
            corpus::PropertyResult r = corpus::PropertySweep(text, f);
            props += r.Properties;
            inserted += r.Inserted;
            bad += r.Bad;
            unasked += r.Unasked;
            if (verbose)
                for (const auto& why : r.Failed) std::printf("property %s:%s\n", f.c_str(), why.c_str());
        }
    }
    state.counters["properties"] = double(props);
    std::printf("hyper properties: %ld property lines, %ld lines inserted, %ld bad (%ld unasked)\n", props, inserted,
                bad, unasked);
    if (bad) state.SkipWithError("a property jump inserted a declaration that does not compile or is there already");
}
BENCHMARK(BM_HyperCorpusProperties)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
