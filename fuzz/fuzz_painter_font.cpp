// The stroked font's decoder on arbitrary bytes: a font either loads or
// raises the system's exception; a loaded one walks every glyph, measures
// and draws every code at a size and direction taken from the input.
#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/SysUtils.h"
#include "painter/Grfont.h"

using namespace velt;

namespace {
struct Sink : TStrokeSink {
    int64_t n = 0;
    void MoveTo(int64_t x, int64_t y) override { n += (x ^ y) & 1; }
    void LineTo(int64_t x, int64_t y) override { n += (x ^ y) & 1; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        TVectorFont font(bytes);
        const int32_t sz = size > 3 ? int32_t(int8_t(data[2])) * 1000 + data[3] : 18;
        font.SetSize(sz);
        font.SetDir(size > 4 ? data[4] * 3 : 0);
        font.SetSpacing(size > 5 ? int8_t(data[5]) : 0);
        std::string all;
        for (int c = 0; c < 256; ++c) all += char(c);
        Sink sink;
        for (int c = 0; c < 256; ++c) font.Strokes(uint8_t(c), [&](char, int x, int y) { sink.n += x + y; });
        font.TextOut(sink, 0, 0, all, true);
        (void)font.TextWidht(all);
    } catch (const Exception&) {
    }
    return 0;
}
