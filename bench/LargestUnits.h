#pragma once
// The largest units of the corpus and the jump the benchmarks of one command
// take in them: HyperJump from the last method implementation to its
// declaration. pasresolver.pp has about 30,000 lines, sharepoint.pp about
// 120,000.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "foundation/Classes.h"
#include "source/HyperSourceCode.h"

namespace velt::bench {

inline const char* const kLargestUnits[] = {
    "/usr/share/fpcsrc/3.2.2/packages/fcl-passrc/src/pasresolver.pp",
    "/usr/share/fpcsrc/3.2.2/packages/odata/src/sharepoint.pp",
};

// The text of the unit the benchmark's first argument names; false, with the
// benchmark skipped, when it cannot be read.
inline bool ReadLargestUnit(benchmark::State& state, std::string& file, std::string& text) {
    file = kLargestUnits[state.range(0)];
    try {
        text = ReadWholeFile(file);
        return true;
    } catch (const Exception&) {
        state.SkipWithError(("cannot read " + file).c_str());
        return false;
    }
}

// The last qualified implementation whose class the unit declares, and that
// declaration (0-based lines, "Class.Method" in name); false, with the
// benchmark skipped, when there is none.
inline bool FindLastImplementation(benchmark::State& state, const TIHyperSourceCode& src, int& impl, int& decl,
                                   std::string& name) {
    std::string c, m;
    for (int i = std::min(src.ImplEndLine, src.GetLines()->Count()) - 1; i > src.ImplLine; --i) {
        int d = 0, h = 0;
        if (src.isValidMethodImpl(src.GetLines()->Get(i), c, m) && !c.empty() && src.FindClass(c, h) &&
            src.FindMethodIntf(c, m, d)) {
            impl = i, decl = d, name = c + "." + m;
            return true;
        }
    }
    state.SkipWithError("no implementation with a declaration");
    return false;
}

}  // namespace velt::bench
