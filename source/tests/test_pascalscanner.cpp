// The Pascal tokenizer: what counts as code, and where each token stands.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "source/PascalScanner.h"

namespace velt {
namespace {

// "kind:text" for every token of the lines, comments and directives included.
std::vector<std::string> Scan(const std::vector<std::string>& lines) {
    static constexpr const char* kKinds[] = {"I", "N", "S", "Y", "C", "D", "A"};
    TPascalScanner sc([&](int i) { return std::string_view(lines[i]); }, 0, static_cast<int>(lines.size()));
    std::vector<std::string> out;
    TPasToken t;
    while (sc.Next(t)) out.push_back(std::string(kKinds[static_cast<int>(t.Kind)]) + ":" + std::string(t.Text));
    return out;
}

using V = std::vector<std::string>;

TEST(PascalScanner, StringsCommentsAndDirectivesAreSingleTokens) {
    EXPECT_EQ(Scan({"s := 'it''s end'#13#$0A; // end", "{$IFDEF X} x (* y *) { z }"}),
              (V{"I:s", "Y::=", "S:'it''s end'", "S:#13", "S:#$0A", "Y:;", "C:// end", "D:{$IFDEF X}", "I:x",
                 "C:(* y *)", "C:{ z }"}));
}

TEST(PascalScanner, CommentsRunOnOverLines) {
    EXPECT_EQ(Scan({"a { one", "end two", "} b (* x", "*) c"}),
              (V{"I:a", "C:{ one", "C:end two", "C:}", "I:b", "C:(* x", "C:*)", "I:c"}));
    EXPECT_EQ(Scan({"(*$R+", "*)x"}), (V{"D:(*$R+", "D:*)", "I:x"}));
    // Only the rest of a comment from an earlier line is marked continued.
    std::vector<std::string> lines{"{ a", "", "} b { c }"};
    TPascalScanner sc([&](int i) { return std::string_view(lines[i]); }, 0, 3);
    std::vector<std::pair<int, bool>> got;
    TPasToken t;
    while (sc.Next(t)) got.emplace_back(t.Line, t.Continued);
    EXPECT_EQ(got, (std::vector<std::pair<int, bool>>{{0, false}, {1, true}, {2, true}, {2, false}, {2, false}}));
}

TEST(PascalScanner, NumbersAndPairedSymbols) {
    EXPECT_EQ(Scan({"a[1..2] := $FF + 1.5e3 <> %101;"}),
              (V{"I:a", "Y:[", "N:1", "Y:..", "N:2", "Y:]", "Y::=", "N:$FF", "Y:+", "N:1.5e3", "Y:<>", "N:%101",
                 "Y:;"}));
    EXPECT_EQ(Scan({"&begin := r.x;"}), (V{"I:&begin", "Y::=", "I:r", "Y:.", "I:x", "Y:;"}));
}

TEST(PascalScanner, AsmBlockEndsAtItsEndOnly) {
    // Labels and double-quoted strings inside asm do not end it; its "end" does.
    EXPECT_EQ(Scan({"asm", "@@end: mov al, \"'\" // c", "jmp @@end", "end;"}),
              (V{"I:asm", "A:@@end", "A::", "A:mov", "A:al", "A:,", "A:\"'\"", "C:// c", "A:jmp", "A:@@end", "I:end",
                 "Y:;"}));
}

TEST(PascalScanner, UnclosedStringEndsWithItsLine) {
    EXPECT_EQ(Scan({"x := 'abc", "end;"}), (V{"I:x", "Y::=", "S:'abc", "I:end", "Y:;"}));
}

TEST(PascalScanner, PositionsAndCodeTokens) {
    std::vector<std::string> lines{"  a { c }", " b"};
    TPascalScanner sc([&](int i) { return std::string_view(lines[i]); }, 0, 2, 3);
    TPasToken t;
    ASSERT_TRUE(sc.NextCode(t));
    EXPECT_EQ(t.Text, "b");  // scanning started after "a"
    EXPECT_EQ(t.Line, 1);
    EXPECT_EQ(t.Col, 1);
    EXPECT_FALSE(sc.NextCode(t));

    auto toks = PascalCodeTokens("procedure Foo(A: Integer; // first");
    ASSERT_EQ(toks.size(), 7u);
    EXPECT_TRUE(toks[0].Is("procedure"));
    EXPECT_TRUE(toks.back().IsSymbol(";"));
}

}  // namespace
}  // namespace velt
