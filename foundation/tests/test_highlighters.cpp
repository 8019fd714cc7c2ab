#include <gtest/gtest.h>

#include <string>

#include "foundation/Highlighters.h"
#include "foundation/SysUtils.h"
#include "foundation/VarDisp.h"

using namespace velt;

namespace {

std::string Joined(const THighlightRuns& runs) {
    std::string s;
    for (const auto& r : runs) s += r.Text;
    return s;
}

}  // namespace

TEST(HighlightScanners, IniLines) {
    EXPECT_EQ(ScanIniLine("key=value;comment"),
              (THighlightRuns{{"key=", hcRed}, {"value", hcGreen}, {";comment", hcGray}}));
    EXPECT_EQ(ScanIniLine("key=value"), (THighlightRuns{{"key=", hcRed}, {"value", hcGreen}}));
    EXPECT_EQ(ScanIniLine("key=value;"), (THighlightRuns{{"key=", hcRed}, {"value", hcGreen}, {";", hcGray}}));
    EXPECT_EQ(ScanIniLine("[Section]x"), (THighlightRuns{{"[Section", hcBlue}, {"]", hcBlue}, {"x", hcBlack}}));
    EXPECT_EQ(ScanIniLine("[Open"), (THighlightRuns{{"[Open", hcBlue}}));
    EXPECT_EQ(ScanIniLine("plain text"), (THighlightRuns{{"plain text", hcBlack}}));
    EXPECT_TRUE(ScanIniLine("").empty());
    // The comment is looked for after the first "=": no text twice.
    EXPECT_EQ(ScanIniLine("a;b=c"), (THighlightRuns{{"a;b=", hcRed}, {"c", hcGreen}}));
    EXPECT_EQ(ScanIniLine("a=b=c;d;e"), (THighlightRuns{{"a=", hcRed}, {"b=c", hcGreen}, {";d;e", hcGray}}));
}

TEST(HighlightScanners, RichLines) {
    EXPECT_EQ(ScanRichLine("\\b bold\\b0 {\\i x}"),
              (THighlightRuns{{"\\b", hcBlue}, {" bold", hcBlack}, {"\\b0", hcBlue}, {" ", hcBlack},
                              {"{\\i x}", hcRed}}));
    // Control symbols are the backslash and the next character.
    EXPECT_EQ(ScanRichLine("a\\\\b\\{c\\'e9"),
              (THighlightRuns{{"a", hcBlack}, {"\\\\", hcBlue}, {"b", hcBlack}, {"\\{", hcBlue}, {"c", hcBlack},
                              {"\\'", hcBlue}, {"e9", hcBlack}}));
    EXPECT_EQ(ScanRichLine("x\\"), (THighlightRuns{{"x", hcBlack}, {"\\", hcBlue}}));
    // An open group runs to the end and gains no "}".
    EXPECT_EQ(ScanRichLine("a{\\b b"), (THighlightRuns{{"a", hcBlack}, {"{\\b b", hcRed}}));
    // A symbol takes a whole UTF-8 character.
    EXPECT_EQ(ScanRichLine("\\\xC3\xA9z"), (THighlightRuns{{"\\\xC3\xA9", hcBlue}, {"z", hcBlack}}));
}

TEST(HighlightScanners, HtmlLineIsWrittenBlackAndRunsJoinToTheLine) {
    EXPECT_EQ(ScanHTMLLine("<b>x</b>"), (THighlightRuns{{"<b>x</b>", hcBlack}}));
    for (const std::string line : {"", "=", "[", "]", "[]=;", ";=", "\\", "{", "}", "{}{", "\\\\\\", "k=v;c=d",
                                   "\xFF\\\xE2\x82", "{\\\xF0\x9F\x98\x80}"}) {
        EXPECT_EQ(Joined(ScanIniLine(line)), line);
        EXPECT_EQ(Joined(ScanRichLine(line)), line);
        EXPECT_EQ(Joined(ScanHTMLLine(line)), line);
    }
}

namespace {

std::string lastName;
int lastCall = 0;
void Recorder(TVarValue* result, const TVarData&, int callType, const std::string& name,
              const std::vector<TVarValue>&) {
    lastName = name;
    lastCall = callType;
    *result = int32_t(7);
}

}  // namespace

TEST(LateBinding, DispatcherIsReplaceableAndTheDefaultRaises) {
    TVarData v;
    v.VType = varDispatch;
    EXPECT_EQ(sizeof(TVarData), 16u);
    try {
        DispPut(v, "Enabled", false);
        FAIL() << "the default dispatcher answered";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "No late-bound dispatcher answers the call of Enabled");
    }
    const TVarDispProc old = SetVarDispProc(&Recorder);
    EXPECT_NE(old, nullptr);
    EXPECT_EQ(std::get<int32_t>(DispInvoke(v, DISPATCH_PROPERTYGET, "Caption", {})), 7);
    EXPECT_EQ(lastName, "Caption");
    DispPut(v, "Tag", int32_t(3));
    EXPECT_EQ(lastCall, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(SetVarDispProc(old), &Recorder);
    TVarData empty;
    EXPECT_THROW(DispPut(empty, "Enabled", true), Exception);
}
