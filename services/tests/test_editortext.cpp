#include <gtest/gtest.h>

#include "foundation/Classes.h"
#include "services/EditorText.h"
#include "source/SourceCode.h"

using namespace velt;

TEST(EditorText, CutKeepsTheFinalEndLineWithItsLineBreak) {
    EXPECT_EQ(CutAtFinalEnd("unit A;\r\nend.\r\ntrailing\r\n", "A.pas"), "unit A;\r\nend.\r\n");
    EXPECT_EQ(CutAtFinalEnd("unit A;\r\nEND.\r\n\r\nmore", "A.pas"), "unit A;\r\nEND.\r\n");
    // No line break after "end.": up to the ".".
    EXPECT_EQ(CutAtFinalEnd("unit A;\r\nend.", "A.pas"), "unit A;\r\nend.");
    // LF-only and CR-only line ends are units too.
    EXPECT_EQ(CutAtFinalEnd("unit A;\nEnd.\nrest\n", "A.pas"), "unit A;\nEnd.\n");
    EXPECT_EQ(CutAtFinalEnd("unit A;\rend.\rrest", "A.pas"), "unit A;\rend.\r");
    // The rest of the "end." line belongs to it.
    EXPECT_EQ(CutAtFinalEnd("unit A;\nend. // done\nx", "A.pas"), "unit A;\nend. // done\n");
    // Only at the start of a line, and only "end." itself.
    for (const char* bad : {"unit A;\r\n  end.\r\n", "unit A;\r\nend;\r\n", "end.\r\n", "unit A;\r\nxend.", ""}) {
        try {
            CutAtFinalEnd(bad, "A.pas");
            ADD_FAILURE() << "cut " << bad;
        } catch (const EInvalidSourceCode& e) {
            EXPECT_STREQ(e.what(), "A.pas: Final end. not found");
        }
    }
}

TEST(EditorText, CheckRefusesBinaryDataAndOverlongLines) {
    EXPECT_NO_THROW(CheckEditorText("unit A;\r\n\tx := 1;\f\r\nend.\r\n\x1A", "A.pas"));
    EXPECT_NO_THROW(CheckEditorText(std::string("unit \xC0\xC1;\nend.\n"), "A.pas"));
    try {
        CheckEditorText(std::string("unit A;\r\nvar\0x;\r\nend.\r\n", 23), "A.pas");
        ADD_FAILURE();
    } catch (const EInvalidSourceCode& e) {
        EXPECT_STREQ(e.what(), "A.pas: binary data (byte $00) in line 2");
    }
    const std::string longLine = "unit A;\n{" + std::string(2 * 1024 * 1024, 'x') + "}\nend.\n";
    try {
        CheckEditorText(longLine, "A.pas");
        ADD_FAILURE();
    } catch (const EInvalidSourceCode& e) {
        EXPECT_STREQ(e.what(), "A.pas: line 2 is longer than 1048576 characters");
    }
}

TEST(EditorText, MinimalChangeKeepsTheLongestPrefixAndSuffix) {
    auto check = [](std::string_view o, std::string_view n, int first, int oldEnd, int newEnd) {
        const TTextChange c = MinimalChange(o, n);
        EXPECT_EQ(c.First, first) << o << " -> " << n;
        EXPECT_EQ(c.OldEnd, oldEnd) << o << " -> " << n;
        EXPECT_EQ(c.NewEnd, newEnd) << o << " -> " << n;
        // Applying the change gives the new text.
        EXPECT_EQ(std::string(o.substr(0, size_t(c.First))) + std::string(n.substr(size_t(c.First), size_t(c.NewEnd - c.First))) +
                      std::string(o.substr(size_t(c.OldEnd))),
                  n);
    };
    check("abc", "abbc", 2, 2, 3);     // the repeated character: one inserted
    check("abc", "abcd", 3, 3, 4);     // one text a prefix of the other: the prefix stays
    check("abcd", "abc", 3, 4, 3);
    check("abc", "xabc", 0, 0, 1);
    check("aaaa", "aa", 2, 4, 2);
    check("abc", "abc", 3, 3, 3);
    check("", "", 0, 0, 0);
    check("abc", "", 0, 3, 0);
    EXPECT_TRUE(MinimalChange("same", "same").Empty());
    EXPECT_FALSE(MinimalChange("same", "Same").Empty());
}

TEST(EditorText, LinesGoBackWithTheBuffersLineEnds) {
    TStringList lines;
    lines.SetText("unit A;\r\nend.\r\n");
    EXPECT_EQ(TextForBuffer(lines, "unit B;\nend.\n"), "unit A;\nend.\n");
    EXPECT_EQ(TextForBuffer(lines, "unit B;\r\nend.\r\n"), "unit A;\r\nend.\r\n");
    EXPECT_EQ(TextForBuffer(lines, "unit B;\rend."), "unit A;\rend.");
    EXPECT_EQ(TextForBuffer(lines, "unit B;\r\nend."), "unit A;\r\nend.");
    EXPECT_EQ(LineBreakOf("no break"), "\r\n");
    EXPECT_EQ(TextForBuffer(lines, ""), "unit A;\r\nend.\r\n");
    EXPECT_EQ(ClampLine(5, 3), 2);
    EXPECT_EQ(ClampLine(3, 3), 2);  // one past the last line is not a line
    EXPECT_EQ(ClampLine(-4, 3), 0);
    EXPECT_EQ(ClampLine(7, 0), 0);
}

TEST(EditorText, MixedLineEndsStayAndNewLinesTakeTheirNeighbours) {
    const std::string old = "unit A;\r\ninterface\nvar\r\n  x: Integer;\nimplementation\rend.\n";
    const auto back = [&](const std::vector<std::string>& now) {
        TStringList lines;
        for (const std::string& l : now) lines.Add(l);
        return TextForBuffer(lines, old);
    };
    // Unchanged: the very bytes of the buffer.
    EXPECT_EQ(back(SplitLines(old)), old);
    // A changed line keeps its own end.
    EXPECT_EQ(back({"unit A;", "interface", "var", "  x: Cardinal;", "implementation", "end."}),
              "unit A;\r\ninterface\nvar\r\n  x: Cardinal;\nimplementation\rend.\n");
    // Inserted lines take the end of the line above; at the top, of the line below.
    EXPECT_EQ(back({"unit A;", "interface", "var", "  y: Byte;", "  z: Byte;", "  x: Integer;", "implementation", "end."}),
              "unit A;\r\ninterface\nvar\r\n  y: Byte;\r\n  z: Byte;\r\n  x: Integer;\nimplementation\rend.\n");
    EXPECT_EQ(back({"{ top }", "unit A;", "interface", "var", "  x: Integer;", "implementation", "end."}),
              "{ top }\r\nunit A;\r\ninterface\nvar\r\n  x: Integer;\nimplementation\rend.\n");
    // Deleted lines take their ends with them.
    EXPECT_EQ(back({"unit A;", "interface", "implementation", "end."}), "unit A;\r\ninterface\nimplementation\rend.\n");
    // A line after a last line without a break gets the break of the line above.
    // An emptied line after a line that ends in CR alone keeps its place.
    TStringList emptied;
    for (const char* l : {"a", "", "c"}) emptied.Add(l);
    EXPECT_EQ(TextForBuffer(emptied, "a\rb\nc\n"), "a\r\rc\n");
    // An empty last line needs a break to be a line.
    TStringList trailing;
    for (const char* l : {"a", ""}) trailing.Add(l);
    EXPECT_EQ(TextForBuffer(trailing, "a\nb"), "a\n\n");
    TStringList three;
    for (const char* l : {"a", "b", "c"}) three.Add(l);
    EXPECT_EQ(TextForBuffer(three, "a\nb"), "a\nb\nc");
}
