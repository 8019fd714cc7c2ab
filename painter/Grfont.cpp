#include "painter/Grfont.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <sstream>
#include <vector>

#include "foundation/CodePages.h"
#include "foundation/SysUtils.h"

namespace velt {

namespace {
constexpr size_t kHeader = 128;
int64_t Sat32(int64_t v) { return std::clamp<int64_t>(v, INT32_MIN, INT32_MAX); }
}  // namespace

TVectorFont::TVectorFont(std::string_view data) : data_(data) {
    if (data_.size() < kHeader + 16 || data_.compare(0, 2, "PK") != 0) throw Exception(kVectorFontError);
    auto u8 = [&](size_t at) { return size_t(uint8_t(data_[at])); };
    const int16_t n = int16_t(u8(kHeader + 1) | u8(kHeader + 2) << 8);
    first_ = int(u8(kHeader + 4));
    strokes_ = kHeader + (u8(kHeader + 5) | u8(kHeader + 6) << 8);
    if (n < 0 || kHeader + 16 + 3 * size_t(n) > data_.size() || strokes_ > data_.size())
        throw Exception(kVectorFontError);
    count_ = std::min<int>(n, 256 - first_);
    widths_ = kHeader + 16 + 2 * size_t(n);
    Recompute();
}

void TVectorFont::Recompute() {
    const double a = double(dir_) * std::numbers::pi / 180;
    sinS_ = std::llround(std::sin(a) * double(size_) * 3);
    cosS_ = std::llround(std::cos(a) * double(size_) * 3);
}

void TVectorFont::SetSize(int32_t n) {
    // The surface's pixel range: sizes beyond it draw nothing anyone sees,
    // and the stroke arithmetic stays far from overflow.
    constexpr int32_t limit = int32_t(1) << 27;
    size_ = std::clamp(n, -limit, limit);
    Recompute();
}

void TVectorFont::SetDir(int32_t degrees) {
    dir_ = degrees;
    Recompute();
}

int TVectorFont::Width(uint8_t c) const {
    if (!InFont(c)) return 0;
    return uint8_t(data_[widths_ + size_t(c - first_)]);
}

bool TVectorFont::HasGlyph(uint8_t c) const {
    if (!InFont(c)) return false;
    if (Width(c) > 0) return true;
    bool any = false;
    Strokes(c, [&](char, int, int) { any = true; });
    return any;
}

uint8_t TVectorFont::Shown(uint8_t c) const { return !InFont(c) || HasGlyph(c) ? c : uint8_t('?'); }

int32_t TVectorFont::TextWidht(std::string_view text) const {
    int64_t sum = 0;
    for (char ch : text) {
        const uint8_t c = Shown(uint8_t(ch));
        if (InFont(c)) sum += Width(c) + int64_t(spacing_);
    }
    // MulDiv(sum, Size x 3, 18): halves away from zero.
    const long double p = (long double)sum * ((long double)size_ * 3);
    return int32_t(Sat32(int64_t(std::clamp<long double>(std::round(p / 18), INT64_MIN / 2, INT64_MAX / 2))));
}

void TVectorFont::TextOut(TStrokeSink& sink, int64_t x, int64_t y, std::string_view text, bool underline) const {
    const double a = double(dir_) * std::numbers::pi / 180;
    const int64_t sx = std::llround(std::cos(a) * spacing_), sy = -std::llround(std::sin(a) * spacing_);
    const int64_t x0 = x, y0 = y;
    for (char ch : text) {
        const uint8_t c = Shown(uint8_t(ch));
        if (!InFont(c)) continue;  // tab, line feed: no glyph, no advance
        Strokes(c, [&](char op, int gx, int gy) {
            const int64_t px = x + (gx * cosS_ - gy * sinS_) / 18;
            const int64_t py = y - (gx * sinS_ + gy * cosS_) / 18;
            if (op == 'L') sink.LineTo(px, py);
            else sink.MoveTo(px, py);
        });
        const int64_t w = Width(c);
        x += w * cosS_ / 18 + sx;
        y += sy - w * sinS_ / 18;
    }
    if (underline) {
        // One font unit below the baseline, across the text's direction.
        const int64_t dx = sinS_ / 18, dy = cosS_ / 18;
        sink.MoveTo(x0 + dx, y0 + dy);
        sink.LineTo(x + dx, y + dy);
    }
}

// ---- the font data from the art --------------------------------------------------

std::string BuildStrokedFont(std::string_view art) {
    constexpr int first = 13, count = 243;
    std::map<int, std::pair<int, std::vector<uint8_t>>> glyphs;
    std::istringstream in{std::string(art)};
    std::string line;
    int lineNo = 0;
    auto fail = [&](const std::string& why) {
        throw EConvertError("Font art line " + std::to_string(lineNo) + ": " + why);
    };
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::istringstream ls(line);
        int code = -1, advance = -1;
        std::string ch;
        if (!(ls >> code >> ch >> advance) || code < first || code > 255 || advance < 0 || advance > 255)
            fail("expected code, character and advance");
        std::string bytes;
        if (ch.size() == 6 && ch.compare(0, 2, "U+") == 0) {
            bytes = Utf8ToCp1251(ch == "U+0020" ? " " : ch == "U+00A0" ? "\xC2\xA0" : "");
        } else {
            bytes = CodePages::FromUtf8(ch, CodePages::TCodePage::cp1251, '\0');
        }
        if (bytes.size() != 1 || uint8_t(bytes[0]) != code) fail("the character is not code " + std::to_string(code));
        if (glyphs.count(code)) fail("code " + std::to_string(code) + " given twice");
        std::vector<uint8_t> strokes;
        std::string op, xy;
        while (ls >> op) {
            int x = 0, y = 0;
            char comma = 0;
            if ((op != "M" && op != "L") || !(ls >> x >> comma >> y) || comma != ',') fail("expected M x,y or L x,y");
            if (x < -64 || x > 63 || y < -64 || y > 63) fail("coordinate outside -64..63");
            strokes.push_back(uint8_t(0x80 | (x & 0x7F)));
            strokes.push_back(uint8_t((op == "L" ? 0x80 : 0) | (y & 0x7F)));
        }
        strokes.push_back(0);
        strokes.push_back(0);
        glyphs[code] = {advance, std::move(strokes)};
    }
    std::string out = "PK\x08\x08" "VELT stroked font: capitals 6 units high, descenders to -2\r\n\x1A";
    out.resize(128, '\0');
    const uint16_t strokeOfs = 16 + 3 * count;
    std::string head(16, '\0');
    head[0] = '+';
    head[1] = char(count & 0xFF), head[2] = char(count >> 8);
    head[4] = char(first);
    head[5] = char(strokeOfs & 0xFF), head[6] = char(strokeOfs >> 8);
    head[8] = 6, head[9] = 0, head[10] = char(-2);
    std::string offsets, widths, strokes = std::string("\0\0", 2);  // the empty glyph
    for (int code = first; code < first + count; ++code) {
        auto it = glyphs.find(code);
        const size_t ofs = it == glyphs.end() ? 0 : strokes.size();
        if (ofs > 0xFFFF) throw EConvertError("Font art: the strokes do not fit 64 KB");
        offsets += char(ofs & 0xFF), offsets += char(ofs >> 8);
        widths += char(it == glyphs.end() ? 0 : it->second.first);
        if (it != glyphs.end()) strokes.append(it->second.second.begin(), it->second.second.end());
    }
    return out + head + offsets + widths + strokes;
}

}  // namespace velt
