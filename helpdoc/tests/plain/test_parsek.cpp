#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/Classes.h"
#include "foundation/SysUtils.h"
#include "helpdoc/Parsek.h"
#include "helpdoc/tests/HelpTestUtil.h"
#include "source/PascalScanner.h"

using namespace velt;

namespace {

// Every event as "Kind:token".
std::vector<std::string> Events(const std::string& text) {
    std::vector<std::string> out;
    TSRCParsek p;
    const auto rec = [&out](const char* kind) {
        return [&out, kind](TSRCParsek& s) { out.push_back(std::string(kind) + ":" + std::string(s.Token())); };
    };
    p.OnWhiteSpace = rec("W");
    p.OnComment = rec("C");
    p.OnReservedWord = rec("R");
    p.OnIdentifier = rec("I");
    p.OnSymbol = rec("S");
    p.OnQuote = rec("Q");
    p.OnOther = rec("O");
    p.Buffer = text;
    p.Position = 1;
    p.Parse();
    return out;
}

}  // namespace

TEST(Parsek, TokenClassesInOrder) {
    EXPECT_EQ(Events("BEGIN x1:=12;{$R+}// c\n'it''s'(* p *)#13 asm"),
              (std::vector<std::string>{"R:BEGIN", "W: ", "I:x1", "S::", "O:=", "O:1", "O:2", "S:;", "C:{$R+}",
                                        "C:// c\n", "Q:'it''s'", "C:(* p *)", "O:#", "O:1", "O:3", "W: ",
                                        "R:asm"}));
    // Unclosed comments and quotes run to the end; "(" alone is a symbol.
    EXPECT_EQ(Events("( 'ab\ncd"), (std::vector<std::string>{"S:(", "W: ", "Q:'ab\ncd"}));
    EXPECT_EQ(Events("{ open"), (std::vector<std::string>{"C:{ open"}));
    EXPECT_EQ(Events("(* open *"), (std::vector<std::string>{"C:(* open *"}));
    EXPECT_EQ(Events("BeGiN beginning _b"), (std::vector<std::string>{"R:BeGiN", "W: ", "I:beginning", "W: ", "I:_b"}));
    EXPECT_TRUE(Events("").empty());
    // Each of the nine symbols alone, brackets and quotes side by side.
    EXPECT_EQ(Events("A[i]:=B(c,d).e;['{G}']^@"),
              (std::vector<std::string>{"I:A", "S:[", "I:i", "S:]", "S::", "O:=", "I:B", "S:(", "I:c", "S:,", "I:d",
                                        "S:)", "S:.", "I:e", "S:;", "S:[", "Q:'{G}'", "S:]", "O:^", "O:@"}));
}

TEST(Parsek, HightlightMarksAsGiven) {
    TSRCParsek p;
    EXPECT_EQ(p.Hightlight("Begin BEGINNING 'it''s' // x"),
              "\\b Begin\\b0  BEGINNING \\cf3 'it''s'\\cf0  \\cf4 \\i // x\\i0 \\cf0 ");
    EXPECT_EQ(p.Hightlight(""), "");
    // Other events keep what the caller set.
    int others = 0;
    p.OnOther = [&others](TSRCParsek&) { ++others; };
    EXPECT_EQ(p.Hightlight("a = 12"), "a = 12");
    EXPECT_EQ(others, 3);
}

TEST(Parsek, HightlightEscapesTokensAndText) {
    TSRCParsek p;
    EXPECT_EQ(p.Hightlight("S = 'C:\\temp\\new'; { a } \\x}\t", true),
              "S = \\cf3 'C:\\\\temp\\\\new'\\cf0 ; \\cf4 \\i \\{ a \\}\\i0 \\cf0  \\\\x\\}\\tab ");
    // UTF-8 as Unicode escapes; a byte that is no UTF-8 read as code page 1251.
    EXPECT_EQ(p.Hightlight("\xD0\x96 '\xD1\x8F' \xC6", true), "\\u1046\\'3f \\cf3 '\\u1103\\'3f'\\cf0  \\u1046\\'3f");
    EXPECT_EQ(RtfEscape("\xF0\x9F\x98\x80\x01"), "\\u-10179\\'3f\\u-8704\\'3f\\'01");
}

TEST(Parsek, CursorOperations) {
    TSRCParsek p;
    p.Buffer = "ab\r\ncd";
    std::string tok;
    p.Position = 0;  // reads as 1
    EXPECT_TRUE(p.NextToken("ab"));
    p.SkipToken(2, tok);
    EXPECT_EQ(tok, "ab");
    EXPECT_EQ(p.Position, 3);
    EXPECT_EQ(p.TokenPos("cd"), 5);
    EXPECT_EQ(p.TokenPosBeforeEoLn("cd"), 0);
    EXPECT_EQ(p.TokenPos("zz"), 0);
    p.Position = 5;
    EXPECT_EQ(p.TokenPosBeforeEoLn("d"), 6);
    // A token that ends at the very end is fine; one past it is not.
    p.SkipToken(2, tok);
    EXPECT_EQ(tok, "cd");
    EXPECT_EQ(p.Position, 7);
    p.Position = 6;
    try {
        p.SkipToken(2, tok);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Parsek beyond end");
    }
    EXPECT_EQ(p.Position, 6);
    EXPECT_THROW(p.SkipToken(-1, tok), Exception);
    p.Buffer = "a\nb";
    p.Position = 1;
    EXPECT_EQ(p.TokenPosBeforeEoLn("b"), 0);  // LF alone ends the line
    try {
        p.Break();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Break parsing");
    }
    EXPECT_EQ(p.Position, 4);
}

TEST(Parsek, HandlersThatRewindOrBreakStillEnd) {
    TSRCParsek p;
    int calls = 0;
    p.OnIdentifier = [&calls](TSRCParsek& s) {
        ++calls;
        s.Position = s.OldPosition;  // would read the same word again
    };
    p.Buffer = "a b";
    p.Parse();
    EXPECT_EQ(calls, 2);
    p.OnIdentifier = [](TSRCParsek& s) { s.Break(); };
    p.Buffer = "a b";
    p.Position = 1;
    EXPECT_THROW(p.Parse(), Exception);
}

// Both tokenizers agree on which characters are comments and strings in
// real units, bar their known differences: line ends (a "//" comment keeps
// its line feed here), "#13" codes and asm blocks (units with asm skipped).
TEST(Parsek, AgreesWithTheSourceScannerOnCorpus) {
    const auto units = helptest::FpcUnits("packages/fcl-passrc", 12);
    auto more = helptest::FpcUnits("packages/fcl-base/src", 60);
    std::vector<std::string> files = units;
    files.insert(files.end(), more.begin(), more.end());
    if (files.empty()) GTEST_SKIP() << "Free Pascal sources not installed";
    int compared = 0;
    for (const std::string& f : files) {
        if (compared == 40) break;
        const std::string text = ReadWholeFile(f);
        std::vector<std::string_view> lines;
        std::vector<size_t> starts;
        for (size_t from = 0; from <= text.size();) {
            size_t lf = text.find('\n', from);
            if (lf == std::string::npos) lf = text.size();
            std::string_view l(text.data() + from, lf - from);
            if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
            lines.push_back(l);
            starts.push_back(from);
            from = lf + 1;
        }
        std::vector<char> scan(text.size(), 0), parsek(text.size(), 0);
        TPascalScanner sc([&lines](int i) { return lines[size_t(i)]; }, 0, int(lines.size()));
        TPasToken t;
        bool asmSeen = false;
        while (sc.Next(t)) {
            if (t.Kind == TPasTokenKind::Asm || sc.InAsm()) asmSeen = true;
            const bool mark = t.Kind == TPasTokenKind::Comment || t.Kind == TPasTokenKind::Directive ||
                              (t.Kind == TPasTokenKind::String && !t.Text.empty() && t.Text[0] == '\'');
            if (mark)
                for (size_t k = 0; k < t.Text.size(); ++k) scan[starts[size_t(t.Line)] + size_t(t.Col) + k] = 1;
        }
        if (asmSeen) continue;
        TSRCParsek p;
        const auto mark = [&parsek](TSRCParsek& s) {
            for (int32_t k = s.OldPosition; k < s.Position; ++k) parsek[size_t(k - 1)] = 1;
        };
        p.OnComment = mark;
        p.OnQuote = mark;
        p.Buffer = text;
        p.Parse();
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' || text[i] == '\n') continue;
            ASSERT_EQ(scan[i], parsek[i]) << f << " at byte " << i << ": "
                                          << text.substr(i > 40 ? i - 40 : 0, 80);
        }
        ++compared;
    }
    EXPECT_EQ(compared, 40);
}
