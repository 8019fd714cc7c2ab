#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "foundation/CodePages.h"
#include "foundation/SysUtils.h"
#include "graphics/grStr.h"

using namespace velt;

TEST(RealStr, GoldenLabels) {
    EXPECT_EQ(Real_str(0, 2, 1.5), "1.5");
    EXPECT_EQ(Real_str(0, 0, 0), "0.");
    EXPECT_EQ(Real_str(0, 0, 3.0), "3.");
    EXPECT_EQ(Real_str(0, 0, 0.1), "0.1");
    EXPECT_EQ(Real_str(0, 0, 2.0 / 3), "0.666667");  // six significant digits
    EXPECT_EQ(Real_str(0, 3, 2.0 / 3), "0.667");
    EXPECT_EQ(Real_str(0, 0, 1234567.0), "1234570.");
    EXPECT_EQ(Real_str(14, 0, -1234567.0), "-1234570.");
    // Halves go to the even digit.
    EXPECT_EQ(Real_str(0, 1, 0.25), "0.2");
    EXPECT_EQ(Real_str(0, 1, 0.75), "0.8");
    // Too long for the field: the one scientific form.
    EXPECT_EQ(Real_str(6, 2, 123456789.0), " 1.2E+0008");
    EXPECT_EQ(Real_str(5, 0, 1e-7), " 1.0E-0007");
    EXPECT_EQ(SciStr(-1234.5678, 14), "-1.23457E+0003");
    EXPECT_EQ(SciStr(1234.5678, 20), " 1.23456780000E+0003");
    EXPECT_EQ(SciStr(5, 8), " 5.0E+0000");
    EXPECT_EQ(Real_str(0, 0, std::nan("")), "NAN");
}

TEST(RealStr, ShortLabelsCarryTheirPrefixInCodePage866) {
    EXPECT_EQ(Real_str1(0, 2, 0), "0.0");
    EXPECT_EQ(Real_str1(0, 2, 1234.5), "1.23\xAA");  // три значущі цифри, "к"
    EXPECT_EQ(Cp866ToUtf8(Real_str1(0, 2, 1234.5)), "1.23к");
    EXPECT_EQ(Real_str1(0, 2, -2.5e7), "-25.0M");
    EXPECT_EQ(Real_str1(0, 2, 50), "50.0");
    EXPECT_EQ(Cp866ToUtf8(Real_str1(0, 2, 3e9)), "3.0Г");
    EXPECT_EQ(Real_str1(0, 2, 0.05), "50.0m");
    EXPECT_EQ(Cp866ToUtf8(Real_str1(0, 2, 5e-6)), "5.0mк");
    EXPECT_EQ(Cp866ToUtf8(Real_str1(0, 2, 2e-9)), "2.0н");
    EXPECT_EQ(Cp866ToUtf8(Real_str1(0, 2, 3e-12)), "3.0пк");
    EXPECT_EQ(Real_str1(0, 2, 1e12), "1000000000000.0");
}

TEST(RealStr, TheReaderTakesWhatTheLabelsWrite) {
    for (double v : {3.0, -7.0, 0.5, 1234567.0, 2.0 / 3, 1e-7, 123456789.0, -0.001}) {
        const std::string label = Real_str(0, 0, v);
        EXPECT_NEAR(Str_Real(label), v, std::fabs(v) * 1e-5 + 1e-12) << label;
    }
    EXPECT_EQ(Str_Real(Real_str(6, 0, 123456789.0)), 1.2e8);
    EXPECT_EQ(Str_Real("3."), 3);
    EXPECT_EQ(Str_Real(".5"), 0.5);
    EXPECT_EQ(Str_Real(" -2.5E+0002 "), -250);
    EXPECT_EQ(Str_Real("3.E2"), 300);
    for (const char* junk : {"", ".", "abc", "1e", "1.2.3", "--1", "INF", "1,5"}) EXPECT_EQ(Str_Real(junk), 0) << junk;
    EXPECT_EQ(Str_RealEx("."), 0);
    // Beyond the range of a double: read as 0, never as infinity.
    for (const char* huge : {"1e999", "-1e999", "1.7976931348623159e308", "3.E999"})
        EXPECT_EQ(Str_Real(huge), 0) << huge;
    EXPECT_EQ(Str_Real("1.7976931348623157e308"), 1.7976931348623157e308);
    EXPECT_EQ(Str_RealEx("1e999."), 0);
    EXPECT_EQ(NumOnly("x = 1e999 mm"), 0);
    EXPECT_EQ(NumOnly("x = 12.5 mm"), 12.5);
    EXPECT_EQ(Str_Int(" -42"), -42);
    EXPECT_EQ(Str_Int("$1F"), 31);
    EXPECT_EQ(Str_Int("12x"), 0);
    EXPECT_EQ(Str_Int("99999999999"), 0);
}

TEST(IntStr, PadsWithZerosOrCuts) {
    EXPECT_EQ(int_str(5, -3), "005");
    EXPECT_EQ(int_str(12345, 3), "123");
    EXPECT_EQ(int_str(12345, -3), "12345");
    EXPECT_EQ(int_str(-7, 0), "-7");
}

TEST(HexBuffers, HoldAtMost127Bytes) {
    uint8_t bytes[128];
    for (int i = 0; i < 128; ++i) bytes[i] = uint8_t(i * 3);
    EXPECT_EQ(Buf_Hex(bytes, 127).size(), 254u);
    EXPECT_EQ(Buf_Hex(bytes, 3), "000306");
    try {
        Buf_Hex(bytes, 128);
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Whery Long HEX String Buffer");
    }
    uint8_t out[4] = {9, 9, 9, 9};
    EXPECT_THROW(Hex_Buf("00", out, 128), Exception);
    EXPECT_EQ(out[0], 9);  // nothing converted
    Hex_Buf("0aFF7", out, 4);
    EXPECT_EQ(std::memcmp(out, "\x0A\xFF\0\0", 4), 0);
    EXPECT_THROW(Hex_Buf("0AZZ", out, 2), EConvertError);
    EXPECT_EQ(byte_Hex(0xAB), "AB");
}

TEST(Words, CapturesAndQuotedWords) {
    EXPECT_EQ(StrIn("OBJECT (TGrfLine ) ", "(", ")"), "TGrfLine");
    EXPECT_EQ(StrIn("  plain text  ", "", ";"), "plain text");
    EXPECT_EQ(StrIn("a;b", "", ";"), "a");
    EXPECT_EQ(StrInWord("Begin x := 1 END;", "begin", "end"), "x := 1");
    EXPECT_EQ(StrInWord("no start here", "begin", "here"), "");
    EXPECT_EQ(StrInWord("end before begin", "begin", "end"), "");
    EXPECT_EQ(StrInWord("lead: value", "", ":"), "lead");
    const char* line = R"(one "two three" four_4, a-b)";
    EXPECT_EQ(GetSubStr(1, line), "one");
    EXPECT_EQ(GetSubStr(2, line), "\"two three\"");
    EXPECT_EQ(GetSubStr(3, line), "four_4");
    EXPECT_EQ(GetSubStr(5, line), "b");
    EXPECT_EQ(GetSubStr(6, line), "");
    EXPECT_EQ(GetSubStr(1, "Шрифт, x"), "Шрифт");
    EXPECT_EQ(StrLap("say 'hi there' now"), "hi there");
    EXPECT_EQ(StrLap("plain"), "plain");
    EXPECT_EQ(UpCaseStrLap("a'b'c\"d\"", "'\""), "A'b'C\"d\"");
    EXPECT_EQ(FirstChar(""), '\0');
    EXPECT_EQ(delspace(" a b "), "ab");
    std::string s = "  keep inner  ";
    delendspace(s);
    EXPECT_EQ(s, "keep inner");
}

TEST(ProgramFiles, IniNameIsTheProgramNameInRootDir) {
    setenv("VELT_ROOTDIR", "/opt/velt", 1);
    EXPECT_EQ(GetIniName(), "/opt/velt/velt_graphics_tests.INI");
    unsetenv("VELT_ROOTDIR");
    EXPECT_EQ(GetMyPath().back() == '/', false);
}
