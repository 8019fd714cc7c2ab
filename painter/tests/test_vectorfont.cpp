#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "foundation/CodePages.h"
#include "foundation/SysUtils.h"
#include "painter/Grfont.h"

using namespace velt;

namespace {

std::string ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Recorder : TStrokeSink {
    std::vector<std::string> ops;
    void MoveTo(int64_t x, int64_t y) override { ops.push_back("M" + std::to_string(x) + "," + std::to_string(y)); }
    void LineTo(int64_t x, int64_t y) override { ops.push_back("L" + std::to_string(x) + "," + std::to_string(y)); }
};

// "A": width 10, one stroke from (0, 0) up to (0, 6); "B" width 4, none.
std::string TinyFont() { return BuildStrokedFont("65 A 10 M 0,0 L 0,6\n66 B 4\n"); }

}  // namespace

TEST(VectorFont, GeneratedHeader) {
    const std::string f = ReadFile(VELT_STANFONT_FILE);
    ASSERT_GT(f.size(), 873u);
    EXPECT_EQ(f.substr(0, 4), std::string("PK\x08\x08", 4));
    EXPECT_EQ(f[128], '+');
    EXPECT_EQ(uint8_t(f[129]) | uint8_t(f[130]) << 8, 243);
    EXPECT_EQ(uint8_t(f[132]), 13);
    EXPECT_EQ(uint8_t(f[133]) | uint8_t(f[134]) << 8, 745);
    const TVectorFont font(f);
    EXPECT_EQ(font.FirstChar(), 13);
    EXPECT_EQ(font.CharCount(), 243);
    // Codes without a glyph are empty and have no width.
    EXPECT_EQ(font.Width(20), 0);
    EXPECT_EQ(font.Width(0x98), 0);
}

TEST(VectorFont, EveryListedGlyphInItsBox) {
    const TVectorFont font(ReadFile(VELT_STANFONT_FILE));
    const std::string listed = Utf8ToCp1251(
        " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~"
        "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюя"
        "ҐґЄєІіЇїЁё№«»–—‘’“”°±§\xC2\xA0");
    ASSERT_EQ(listed.size(), 182u);
    for (char ch : listed) {
        const uint8_t c = uint8_t(ch);
        const int w = font.Width(c);
        EXPECT_GT(w, 0) << int(c);
        int strokes = 0;
        font.Strokes(c, [&](char, int x, int y) {
            ++strokes;
            EXPECT_GE(x, 0) << int(c);
            EXPECT_LT(x, w) << int(c);
            EXPECT_GE(y, -2) << int(c);
            EXPECT_LE(y, 8) << int(c);
        });
        if (c != ' ' && c != 0xA0) EXPECT_GT(strokes, 0) << int(c);
    }
}

TEST(VectorFont, MetricsAndDirection) {
    TVectorFont f(TinyFont());
    f.SetSize(18);
    EXPECT_EQ(f.CosS(), 54);
    EXPECT_EQ(f.SinS(), 0);
    EXPECT_EQ(f.TextWidht("A"), 30);
    EXPECT_EQ(f.TextWidht(""), 0);
    // Tab and line feed are outside the font: skipped, as is code 200.
    EXPECT_EQ(f.TextWidht("A\tA\n\xC8"), 60);
    Recorder r;
    f.TextOut(r, 100, 100, "A\tB", false);
    EXPECT_EQ(r.ops, (std::vector<std::string>{"M100,100", "L100,82"}));
    f.SetDir(90);
    EXPECT_EQ(f.CosS(), 0);
    EXPECT_EQ(f.SinS(), 54);
    r.ops.clear();
    f.TextOut(r, 100, 100, "AA", false);
    // Upwards: X stays, Y falls by the widths.
    EXPECT_EQ(r.ops, (std::vector<std::string>{"M100,100", "L82,100", "M100,70", "L82,70"}));
}

TEST(VectorFont, UnderlineOneUnitBelowTheBaseline) {
    TVectorFont f(TinyFont());
    f.SetSize(18);  // 3 pixels a font unit
    Recorder r;
    f.TextOut(r, 100, 100, "AB", true);
    ASSERT_EQ(r.ops.size(), 4u);
    EXPECT_EQ(r.ops[2], "M100,103");
    EXPECT_EQ(r.ops[3], "L142,103");
    // Upwards the text's foot faces right: the line runs beside it, from
    // its start up to its end.
    f.SetDir(90);
    r.ops.clear();
    f.TextOut(r, 100, 100, "AB", true);
    ASSERT_EQ(r.ops.size(), 4u);
    EXPECT_EQ(r.ops[2], "M103,100");
    EXPECT_EQ(r.ops[3], "L103,58");
    f.SetDir(0);
    f.SetSize(60);
    r.ops.clear();
    f.TextOut(r, 0, 0, "A", true);
    EXPECT_EQ(r.ops[2], "M0,10");
    EXPECT_EQ(r.ops[3], "L100,10");
}

TEST(VectorFont, HugeSizeStaysIn64Bits) {
    TVectorFont f(TinyFont());
    f.SetSize(30000);
    EXPECT_EQ(f.CosS(), 90000);
    Recorder r;
    f.TextOut(r, 0, 0, "AB", true);
    // 6 units at 30000 / 6 pixels a unit; the advance 10 units = 50000.
    ASSERT_EQ(r.ops.size(), 4u);
    EXPECT_EQ(r.ops[1], "L0,-30000");
    EXPECT_EQ(r.ops[2], "M0,5000");
    EXPECT_EQ(r.ops[3], "L70000,5000");
    EXPECT_EQ(f.TextWidht("AB"), 70000);
    // The largest size is held at the surface's pixel range.
    f.SetSize(INT32_MAX);
    EXPECT_EQ(f.Size(), 1 << 27);
    EXPECT_EQ(f.CosS(), 3 << 27);
    r.ops.clear();
    f.TextOut(r, 0, 0, "ABAB", true);
    ASSERT_EQ(r.ops.size(), 6u);
    // Advances of 10 and 4 units at 3 x 2^27 / 18 pixels a unit, each
    // rounded down; the line one unit below.
    EXPECT_EQ(r.ops[5], "L626349396,22369621");
    f.SetSize(INT32_MIN);
    EXPECT_EQ(f.Size(), -(1 << 27));
}

TEST(VectorFont, CodesWithoutAGlyphShowAQuestionMark) {
    // "?" of width 5 with one stroke; 0x85 is in the font's range, no glyph.
    TVectorFont f(BuildStrokedFont("63 ? 5 M 0,0 L 4,6\n65 A 10 M 0,0 L 0,6\n"));
    f.SetSize(18);
    EXPECT_FALSE(f.HasGlyph(0x85));
    EXPECT_EQ(f.TextWidht("\x85"), f.TextWidht("?"));
    EXPECT_EQ(f.TextWidht("A\x85" "A"), 75);
    Recorder q, missing;
    f.TextOut(q, 0, 0, "A?A", false);
    f.TextOut(missing, 0, 0, "A\x85" "A", false);
    EXPECT_EQ(missing.ops, q.ops);
    // The shipped font: the code page's characters it has no glyph for.
    TVectorFont font(ReadFile(VELT_STANFONT_FILE));
    font.SetSize(18);
    for (const char* ch : {"…", "€", "©", "™", "Ў", "ў"}) {
        const std::string b = Utf8ToCp1251(ch);
        ASSERT_EQ(b.size(), 1u) << ch;
        EXPECT_NE(b, "?") << ch;
        EXPECT_EQ(font.TextWidht(b), font.TextWidht("?")) << ch;
        EXPECT_GT(font.TextWidht(b), 0) << ch;
    }
}

TEST(VectorFont, WidthsFollowEveryListedOffset) {
    // A header listing 250 characters from code 13, more than a byte's
    // codes hold: the widths follow all 250 offsets.
    std::string d(128, '\0');
    d[0] = 'P', d[1] = 'K';
    const int n = 250;
    std::string head(16, '\0');
    head[0] = '+', head[1] = char(n & 0xFF), head[2] = char(n >> 8), head[4] = 13;
    const int strokeOfs = 16 + 3 * n;
    head[5] = char(strokeOfs & 0xFF), head[6] = char(strokeOfs >> 8);
    std::string offsets(2 * n, '\0'), widths(n, '\0');
    for (int i = 0; i < n; ++i) offsets[2 * i] = char(0x55), widths[i] = char(i % 7 + 1);
    d += head + offsets + widths + std::string("\0\0", 2);
    TVectorFont f(d);
    EXPECT_EQ(f.CharCount(), 243);
    EXPECT_EQ(f.Width(13), 1);
    EXPECT_EQ(f.Width(65), (65 - 13) % 7 + 1);
    EXPECT_EQ(f.Width(255), (255 - 13) % 7 + 1);
}

TEST(VectorFont, BadDataAndArt) {
    EXPECT_THROW(TVectorFont(""), Exception);
    try {
        TVectorFont bad("PK\x08\x08");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "GrFont: hLib = 0");
    }
    // A glyph whose strokes run to the data's end without an end mark stops there.
    std::string f = TinyFont();
    f.resize(f.size() - 2);
    TVectorFont cut(f);
    cut.SetSize(6);
    Recorder r;
    cut.TextOut(r, 0, 0, "B", false);
    EXPECT_TRUE(r.ops.empty());
    EXPECT_THROW(BuildStrokedFont("65 A 4 M 64,0\n"), EConvertError);
    EXPECT_THROW(BuildStrokedFont("65 B 4\n"), EConvertError);
    EXPECT_THROW(BuildStrokedFont("65 A 4 Q 1,1\n"), EConvertError);
    EXPECT_NO_THROW(BuildStrokedFont("65 A 4 M -64,63\n"));
}
