// Loads arbitrary bytes as "filelist.vss". What loads must write out as a
// list that loads again whole, unchanged, and every entry must be found by
// its name.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "sourcesafe/SafeFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velt;
    TSafeFileList list;
    const auto report = list.LoadFromText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (size_t(report.Loaded) != list.Count()) std::abort();
    const std::string text = list.Text();
    TSafeFileList again;
    const auto second = again.LoadFromText(text);
    if (second.Skipped != 0 || !second.Problems.empty() || again.Text() != text) std::abort();
    for (const TSafeFileList::TEntry& e : list.Entries()) {
        bool found = false;
        for (const TSafeFileList::TEntry* named : list.EntriesNamed(e.Name)) found = found || named == &e;
        if (!found) std::abort();
    }
    return 0;
}
