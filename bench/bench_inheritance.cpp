// The inheritance wizard's full walk for TFPReportQuery, 8 ancestors deep
// across six real units (TSQLQuery ... TDataset in the db packages,
// TComponent and TPersistent in the classes unit's include file, TObject in
// the system unit's): every unit read through the host word from its file,
// parsed and refined, as the wizard does while its list fills. Goal: under
// 30 ms. The second benchmark runs the same walk as the wizard does, in its
// worker thread, with every lookup, read and hand-over of rows marshalled
// to this thread, which serves them as the dialog's event loop would.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "foundation/Utils.h"
#include "source/tests/InheritanceCorpus.h"

namespace {

using namespace velt;

corpus::TWizardCorpus& Corpus(benchmark::State& state, int& header) {
    static corpus::TWizardCorpus corpus;
    static const bool registered = corpus.Register();
    header = -1;
    if (!registered) {
        state.SkipWithError("Free Pascal sources not installed (fpc-source-3.2.2)");
        return corpus;
    }
    header = corpus.Open("TFPReportQuery");
    if (header < 0) state.SkipWithError("TFPReportQuery not found");
    return corpus;
}

void BM_InheritanceWalk(benchmark::State& state) {
    int header = -1;
    corpus::TWizardCorpus& corpus = Corpus(state, header);
    if (header < 0) return;
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

// Takes the rows as the wizard's list would.
class TCountingView : public TInheritanceView {
public:
    size_t Rows = 0;
    bool Over = false;
    std::string Why;
    void AddRows(const std::vector<TWizardRow>& rows) override { Rows += rows.size(); }
    void WalkEnded(const std::string& why) override {
        Over = true;
        Why = why;
    }
};

void BM_InheritanceWorker(benchmark::State& state) {
    int header = -1;
    corpus::TWizardCorpus& corpus = Corpus(state, header);
    if (header < 0) return;
    size_t rows = 0;
    std::string why;
    for (auto _ : state) {
        TInheritanceSession session(corpus.Src, corpus.Forth, header);
        TCountingView view;
        session.Start(view);
        while (!view.Over) ServeMainThread(1);
        session.Close();
        rows = view.Rows;
        why = view.Why;
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = double(rows);
    if (!why.empty()) state.SkipWithError(why.c_str());
}
BENCHMARK(BM_InheritanceWorker)->Unit(benchmark::kMillisecond);

}  // namespace
