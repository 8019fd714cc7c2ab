#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "foundation/FormatFloat.h"
#include "foundation/SysUtils.h"

using namespace velt;

namespace {

struct Case {
    const char* Format;
    long double Value;
    const char* Want;
};

}  // namespace

TEST(FormatFloat, PicturesSectionsAndRounding) {
    const TFormatSettings us;  // "." and ","
    const Case cases[] = {
        {",0.00", 1234.5L, "1,234.50"},
        {",0.00", -1234.5L, "-1,234.50"},
        {",0.00", 0, "0.00"},
        {",0.00", 1234567.0L, "1,234,567.00"},
        {"#,##0.00", 1234567.891L, "1,234,567.89"},
        {"#,##0", 999.5L, "1,000"},
        {"0.00", 0.125L, "0.13"},  // halves away from zero, not to even
        {"0.00", -0.125L, "-0.13"},
        {"0", 2.5L, "3"},
        {"0", -2.5L, "-3"},
        {"0.##", 5, "5"},  // no fraction digit: no separator
        {"0.##", 5.1L, "5.1"},
        {"#.##", 0.5L, ".5"},
        {"00000", 42, "00042"},
        {".00", 12.5L, "12.50"},  // the integer part stands before the point
        {"0-00", 1234, "12-34"},
        {"0.00;(0.00)", -12.5L, "(12.50)"},
        {"0.00;", -3, "-3.00"},  // an empty negative section is the first
        {"0.00;;Zero", 0, "Zero"},
        {"0.00;(0.00);Zero", -0.001L, "Zero"},  // shown as zero: the zero form
        {"0.00;(0.00)", -0.001L, "0.00"},
        {",0.00", -0.004L, "0.00"},
        {"0.000E+00", 12345, "1.235E+04"},
        {"0.00e-00", 0.00012345L, "1.23e-04"},
        {"0.0E-0", 12345, "1.2E4"},
        {"0.0E+0", 0, "0.0E+0"},
        {"0.00E+00", 9.999L, "1.00E+01"},
        {"\"$\",0.00", 1234.5L, "$1,234.50"},
        {"'a;b'0", 5, "a;b5"},
        {"0 \"pcs\"", 7, "7 pcs"},
        {"0", 123456789012345678.0L, "123456789012345678"},
        {"0.00", 1e20L, "1E20"},  // beyond 18 integer digits
        {"", 1.5L, "1.5"},
        {"0.00;(0.00);zero;ignored", 0, "zero"},
        {"'n/a'", 5, "n/a"},  // no places: text only
    };
    for (const Case& c : cases) EXPECT_EQ(FormatFloat(c.Format, c.Value, us), c.Want) << c.Format << " " << double(c.Value);

    EXPECT_EQ(FormatFloat("0.00", std::numeric_limits<long double>::quiet_NaN(), us), "NAN");
    EXPECT_EQ(FormatFloat("0.00", std::numeric_limits<long double>::infinity(), us), "INF");
    EXPECT_EQ(FormatFloat("0.00", -std::numeric_limits<long double>::infinity(), us), "-INF");
    // Many fraction places: the digits past the 18th are zeros.
    EXPECT_EQ(FormatFloat("0.00000000000000000000", 0.5L, us), "0.50000000000000000000");
}

TEST(FormatFloat, SeparatorsAndCurrencyOfTheSettings) {
    TFormatSettings ua;
    ua.DecimalSeparator = ",";
    ua.ThousandSeparator = "\xC2\xA0";  // no-break space
    ua.CurrencyString = "грн";
    EXPECT_EQ(FormatFloat(",0.00", 1234567.5L, ua), "1\xC2\xA0" "234\xC2\xA0" "567,50");
    EXPECT_EQ(FormatFloat("", 2.25L, ua), "2,25");
    // A currency string with a "." is literal only when quoted.
    const std::string rub = QuoteFormatLiteral("р.");
    EXPECT_EQ(rub, "\"р.\"");
    EXPECT_EQ(FormatFloat(rub + ",0.00", 1234.5L), "р.1,234.50");
    EXPECT_NE(FormatFloat("р.,0.00", 1234.5L), "р.1,234.50");
    EXPECT_EQ(QuoteFormatLiteral("a\"b"), "\"a\"'\"b'");
    EXPECT_EQ(FormatFloat(QuoteFormatLiteral("a\"b") + "0", 1), "a\"b1");
}

TEST(FormatFloat, ReadingTakesTheDecimalSeparator) {
    TFormatSettings ua;
    ua.DecimalSeparator = ",";
    long double v = 0;
    ASSERT_TRUE(TryTextToFloat("-1234,5", v, ua));
    EXPECT_EQ(v, -1234.5L);
    EXPECT_FALSE(TryTextToFloat("1.5", v, ua));  // "." is no decimal point here
    EXPECT_EQ(StrToFloat(FormatFloat("0.00", 2.5L, ua), ua), 2.5L);
    try {
        StrToFloat("1,5x", ua);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'1,5x' is not a valid floating point value");
    }
    const TFormatSettings us;
    ASSERT_TRUE(TryTextToFloat("1.5E2", v, us));
    EXPECT_EQ(v, 150);
}

TEST(FormatFloat, EighteenDigitsAreTheLibrarysCorrectlyRoundedOnes) {
    // 1 + 17 places in scientific form show the 18 digits unrounded.
    auto expect = [](long double v) {
        char buf[64];
        const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 17);
        std::string want(buf, r.ptr);
        const size_t e = want.find('e');
        const int exp = std::stoi(want.substr(e + 1));
        want = want.substr(0, e) + "E" + (exp < 0 ? "-" : "+") + std::to_string(std::abs(exp));
        return want;
    };
    const char* picture = "0.00000000000000000E+0";
    std::mt19937_64 rng(18);
    std::uniform_int_distribution<int> scale(-70, 130);
    for (int i = 0; i < 20000; ++i) {
        const long double v = std::ldexp((long double)(rng() | (1ull << 63)) / 18446744073709551616.0L, scale(rng));
        ASSERT_EQ(FormatFloat(picture, v), expect(v)) << double(v);
    }
    // Ties beyond the 18th digit go to even, as the library has them.
    for (long double v : {1000000000000000005.0L, 1000000000000000015.0L, 999999999999999999.5L, 0.1L, 1e-18L,
                          std::ldexp(1.0L, 126), std::ldexp(1.0L, -59), 5e-324L, 1e4000L})
        EXPECT_EQ(FormatFloat(picture, v), expect(v)) << double(v);
}
