// Reads arbitrary bytes as the output of "ss dir -r". Every file found has a
// name that is no project line, in a project item path ending with "/".
#include <cstdint>
#include <cstdlib>
#include <string>

#include "sourcesafe/SafeFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velt;
    TSafeFileList list;
    BuildFileListFromDirListing(std::string_view(reinterpret_cast<const char*>(data), size), list);
    if (list.Count() > size) std::abort();
    for (const TSafeFileList::TEntry& e : list.Entries()) {
        if (e.Name.empty() || e.Name[0] == '$') std::abort();
        if (e.Project.size() < 2 || e.Project[0] != '$' || e.Project.back() != '/') std::abort();
    }
    return 0;
}
