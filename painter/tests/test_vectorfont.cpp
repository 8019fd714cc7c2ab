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
    r.ops.clear();
    f.TextOut(r, 0, 0, "", true);
    // The underline is moved by (CosS x Size div 18) div 8 and the same of SinS.
    EXPECT_EQ(r.ops, (std::vector<std::string>{"M0,6", "L0,6"}));
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
    EXPECT_EQ(r.ops[2], "M18750000,0");
    EXPECT_EQ(r.ops[3], "L18820000,0");
    EXPECT_EQ(f.TextWidht("AB"), 70000);
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
