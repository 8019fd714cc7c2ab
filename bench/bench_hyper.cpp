// HyperJump from the last method implementation of the largest corpus units
// to its declaration, the unit loaded once: pasresolver.pp (about 30,000
// lines; the goal is under 10 ms a jump) and sharepoint.pp (about 120,000).
#include <benchmark/benchmark.h>

#include <string>

#include "source/tests/HyperCorpus.h"

namespace {

using namespace velt;

const char* const kUnits[] = {
    "/usr/share/fpcsrc/3.2.2/packages/fcl-passrc/src/pasresolver.pp",
    "/usr/share/fpcsrc/3.2.2/packages/odata/src/sharepoint.pp",
};

void BM_HyperJumpFromLastImplementation(benchmark::State& state) {
    const std::string file = kUnits[state.range(0)];
    std::string text;
    try {
        text = ReadWholeFile(file);
    } catch (const Exception&) {
        state.SkipWithError(("cannot read " + file).c_str());
        return;
    }
    corpus::TNoDialogs dialogs;
    TDialogPortGuard guard(&dialogs);
    TIHyperSourceCode src;
    corpus::LoadModel(src, text, file);
    // The last qualified implementation whose class the unit declares.
    int impl = -1, decl = -1;
    std::string c, m;
    for (int i = std::min(src.ImplEndLine, src.Lines->Count()) - 1; i > src.ImplLine && impl < 0; --i) {
        int d = 0, h = 0;
        if (src.isValidMethodImpl(src.Lines->Get(i), c, m) && !c.empty() && src.FindClass(c, h) &&
            src.FindMethodIntf(c, m, d))
            impl = i, decl = d;
    }
    if (impl < 0) {
        state.SkipWithError("no implementation with a declaration");
        return;
    }
    for (auto _ : state) {
        src.CursorLine = src.TopLine = impl;
        src.CursorCol = src.TopCol = 1;
        src.HyperJump();
        benchmark::DoNotOptimize(src.CursorLine);
    }
    if (src.CursorLine != decl) state.SkipWithError("did not land on the declaration");
    state.counters["lines"] = src.Lines->Count();
    state.SetLabel(c + "." + m);
}
BENCHMARK(BM_HyperJumpFromLastImplementation)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
