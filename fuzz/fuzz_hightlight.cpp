// Marks arbitrary bytes as Pascal text: the parse always ends, the plain
// marking changes nothing but the marks, and the escaped marking put into an
// RTF frame passes the generator's RTF checker.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "helpdoc/Parsek.h"
#include "helpdoc/tests/HelpTestUtil.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    velt::TSRCParsek parsek;
    const std::string plain = parsek.Hightlight(text);
    if (plain.size() < text.size()) std::abort();
    const std::string escaped = parsek.Hightlight(text, true);
    const std::string rtf = "{\\rtf1{\\fonttbl{\\f0 Courier;}}{\\colortbl;;;;;}" + escaped + "}";
    if (!velt::helptest::CheckRtf(rtf).empty()) std::abort();
    return 0;
}
