// Cuts arbitrary bytes, as one line and line by line, with each of the
// colouring rich edit's scanners: every scanner must end, and its runs
// joined must be exactly the line, with no empty run.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "foundation/Highlighters.h"

namespace {

void Check(std::string_view line) {
    for (auto scan : {velt::ScanIniLine, velt::ScanRichLine, velt::ScanHTMLLine}) {
        std::string joined;
        for (const velt::THighlightRun& run : scan(line)) {
            if (run.Text.empty()) std::abort();
            joined += run.Text;
        }
        if (joined != line) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Check(text);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        Check(text.substr(start, end - start));
        start = end + 1;
    }
    return 0;
}
