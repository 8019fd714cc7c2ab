#include <string>

#include <gtest/gtest.h>

#include "platform/registry/RegistryFile.h"

using namespace velt::winreg;
using namespace std::string_literals;

namespace {

std::string Str(const char* s) { return std::string(s, std::char_traits<char>::length(s)); }

RegValue Val(uint32_t type, std::string data) { return RegValue{type, std::move(data)}; }

}  // namespace

TEST(RegistryFormat, NastyNamesAndValuesRoundTrip) {
    const std::string nasty = "a=b[c]\\d\"e%f\n\r\t\0g\x7f\x01\xc3\xa9 end "s;
    RegNode root;
    root.Values.emplace(nasty, Val(1, nasty + '\0'));
    RegNode& k = root.AddSubKey(nasty).AddSubKey("Loom/2 Services");
    k.Values.emplace("", Val(2, "%HOME%\\x\0"s));
    k.Values.emplace("sz without nul", Val(1, "abc"));
    k.Values.emplace("sz inner nul", Val(1, "a\0b\0"s));
    k.Values.emplace("empty sz", Val(1, ""));
    k.Values.emplace("dword", Val(4, "\x2a\0\0\x80"s));
    k.Values.emplace("short dword", Val(4, "\x01\x02"));
    k.Values.emplace("binary", Val(3, "\0\xff\n"s));
    k.Values.emplace("odd type", Val(0xdeadbeef, ""));
    root.AddSubKey("empty key");

    std::string text = FormatRegistryText(root);
    RegHive back = ParseRegistryText(text);
    EXPECT_EQ(back.ProblemCount, 0u) << text;
    EXPECT_EQ(FormatRegistryText(back.Root), text);

    ASSERT_EQ(back.Root.Values.count(nasty), 1u);
    EXPECT_EQ(back.Root.Values.at(nasty).Data, nasty + '\0');
    RegNode* outer = back.Root.FindSubKey(nasty);
    ASSERT_NE(outer, nullptr);
    RegNode* kb = outer->FindSubKey("loom/2 services");
    ASSERT_NE(kb, nullptr);
    EXPECT_EQ(kb->Values.at("").Type, 2u);
    EXPECT_EQ(kb->Values.at("").Data, "%HOME%\\x\0"s);
    EXPECT_EQ(kb->Values.at("sz without nul").Data, "abc");
    EXPECT_EQ(kb->Values.at("sz inner nul").Data, "a\0b\0"s);
    EXPECT_EQ(kb->Values.at("empty sz").Data, "");
    EXPECT_EQ(kb->Values.at("dword").Data, "\x2a\0\0\x80"s);
    EXPECT_EQ(kb->Values.at("short dword").Type, 4u);
    EXPECT_EQ(kb->Values.at("short dword").Data, "\x01\x02");
    EXPECT_EQ(kb->Values.at("binary").Data, "\0\xff\n"s);
    EXPECT_EQ(kb->Values.at("odd type").Type, 0xdeadbeefu);
    EXPECT_NE(back.Root.FindSubKey("EMPTY KEY"), nullptr);
    // One entry per line: the nasty bytes never break a line.
    EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST(RegistryFormat, ReadableForCommonSettings) {
    RegNode root;
    RegNode& k = root.AddSubKey("Software").AddSubKey("Loom/2 Services");
    k.Values.emplace("CommandFileName", Val(1, Str("/home/me/velt.4th") + '\0'));
    k.Values.emplace("CaseSensitive", Val(4, "\x01\0\0\0"s));
    std::string text = FormatRegistryText(root);
    EXPECT_NE(text.find("[Software\\Loom/2 Services]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"CommandFileName\"=sz:\"/home/me/velt.4th\"\n"), std::string::npos);
    EXPECT_NE(text.find("\"CaseSensitive\"=dword:00000001\n"), std::string::npos);
}

TEST(RegistryFormat, NamesFoldCaseAndKeepFirstSpelling) {
    RegHive h = ParseRegistryText(
        "[Software\\Trel]\r\n\"Value\"=dword:1\r\n[SOFTWARE\\TREL\\Sub]\r\n[software]\r\n\"VALUE\"=sz:\"x\"\r\n"
        "[Software\\Trel]\r\n\"value\"=dword:2\r\n");
    EXPECT_EQ(h.ProblemCount, 0u);
    ASSERT_EQ(h.Root.SubKeys.size(), 1u);
    EXPECT_EQ(h.Root.SubKeys.begin()->first, "Software");
    RegNode* trel = h.Root.FindSubKey("software")->FindSubKey("TREL");
    ASSERT_NE(trel, nullptr);
    EXPECT_EQ(trel->SubKeys.begin()->first, "Sub");
    ASSERT_EQ(trel->Values.size(), 1u);
    EXPECT_EQ(trel->Values.begin()->first, "Value");       // first spelling
    EXPECT_EQ(trel->Values.begin()->second.Data, "\x02\0\0\0"s);  // last value
    EXPECT_EQ(h.Root.FindSubKey("Software")->Values.at("value").Data, "x\0"s);
}

TEST(RegistryFormat, MalformedLinesAreSkippedAndReported) {
    std::string text =
        "VELT Registry 1\n"
        "\"root\"=dword:7\n"
        "garbage line\n"
        "[ok]\n"
        "\"good\"=sz:\"yes\"\n"
        "\"bad escape\"=sz:\"\\q\"\n"
        "\"unterminated\"=sz:\"abc\n"
        "\"trailing\"=sz:\"abc\" junk\n"
        "\"bad dword\"=dword:123456789\n"
        "\"bad hex\"=hex(3):1,2\n"
        "\"no type\"=42\n"
        "\"no equals\"\n"
        "[bad\\\\path]\n"
        "\"lost\"=dword:1\n"
        "[bad%zz]\n"
        "[unclosed\n"
        "[ok\\after]\n"
        "\"kept\"=hex(0):\n";
    RegHive h = ParseRegistryText(text);
    EXPECT_EQ(h.ProblemCount, 12u);
    ASSERT_FALSE(h.Problems.empty());
    EXPECT_EQ(h.Problems[0].Line, 3u);
    EXPECT_EQ(h.Root.Values.at("root").Data, "\x07\0\0\0"s);
    RegNode* ok = h.Root.FindSubKey("ok");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->Values.size(), 1u);
    EXPECT_EQ(ok->Values.at("good").Data, "yes\0"s);
    ASSERT_NE(ok->FindSubKey("after"), nullptr);
    EXPECT_EQ(ok->FindSubKey("after")->Values.at("kept").Type, 0u);
    EXPECT_EQ(h.Root.SubKeys.size(), 1u);  // no key from the bad headers
}

TEST(RegistryFormat, LimitsOnNamesAndDepth) {
    std::string deep = "[";
    for (size_t i = 0; i < kMaxKeyDepth; ++i) deep += i ? "\\k" : "k";
    RegHive h = ParseRegistryText(deep + "]\n" + deep + "\\one more]\n[" + std::string(256, 'n') + "]\n");
    EXPECT_EQ(h.ProblemCount, 2u);
    size_t depth = 0;
    for (RegNode* n = &h.Root; !n->SubKeys.empty(); n = n->SubKeys.begin()->second.get()) ++depth;
    EXPECT_EQ(depth, kMaxKeyDepth);
}

TEST(RegistryFormat, AllLineEndsAndEmptyInputs) {
    RegHive h = ParseRegistryText("[a]\r\"x\"=dword:1\r\r\n[b]\n\"y\"=dword:2");
    EXPECT_EQ(h.ProblemCount, 0u);
    EXPECT_EQ(h.Root.FindSubKey("a")->Values.count("x"), 1u);
    EXPECT_EQ(h.Root.FindSubKey("b")->Values.count("y"), 1u);
    EXPECT_EQ(ParseRegistryText("").ProblemCount, 0u);
    EXPECT_EQ(ParseRegistryText("\n \t\n").ProblemCount, 0u);
    EXPECT_EQ(ParseRegistryText(std::string("\0\0", 2)).ProblemCount, 1u);
}
