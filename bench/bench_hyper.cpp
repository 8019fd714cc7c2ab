// HyperJump from the last method implementation of the largest corpus units
// to its declaration, the unit loaded once: pasresolver.pp (about 30,000
// lines; the goal is under 10 ms a jump) and sharepoint.pp (about 120,000).
#include <benchmark/benchmark.h>

#include <string>

#include "bench/LargestUnits.h"
#include "source/tests/HyperCorpus.h"

namespace {

using namespace velt;

void BM_HyperJumpFromLastImplementation(benchmark::State& state) {
    std::string file, text, name;
    if (!bench::ReadLargestUnit(state, file, text)) return;
    corpus::TNoDialogs dialogs;
    TDialogPortGuard guard(&dialogs);
    TIHyperSourceCode src;
    corpus::LoadModel(src, text, file);
    int impl = -1, decl = -1;
    if (!bench::FindLastImplementation(state, src, impl, decl, name)) return;
    for (auto _ : state) {
        corpus::PlaceAt(src, impl, 1);
        src.HyperJump();
        benchmark::DoNotOptimize(src.GetCursorLine());
    }
    if (src.GetCursorLine() != decl) state.SkipWithError("did not land on the declaration");
    state.counters["lines"] = src.Lines->Count();
    state.SetLabel(name);
}
BENCHMARK(BM_HyperJumpFromLastImplementation)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
