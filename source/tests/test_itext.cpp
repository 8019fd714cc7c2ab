// Line buffer with cursor: padding, insertion, line breaks, deletion, the
// cursor limits and the published words.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forth/Forth.h"
#include "foundation/tests/FoundationTestUtil.h"
#include "source/IText.h"
#include "source/tests/SourceTestUtil.h"

namespace velt {
namespace {

using test::L;
using test::LinesOf;
using test::TLines;

TEST(IText, CreateState) {
    TIText t;
    EXPECT_EQ(t.GetMargin(), 1);
    EXPECT_EQ(t.GetCursorLine(), 0);
    EXPECT_EQ(t.GetCursorCol(), 0);
    EXPECT_FALSE(t.GetModified());
    EXPECT_EQ(t.Lines->Count(), 0);
    EXPECT_EQ(t.GetText(), "");
}

TEST(IText, WritePastTheEndPadsLinesAndBlanks) {
    TIText t;
    t.SetCursorLine(3);
    t.SetCursorCol(5);
    t.SetText("ab");
    EXPECT_EQ(LinesOf(t), (TLines{"", "", "", "    ab  "}));
    EXPECT_EQ(t.GetCursorCol(), 7);
    EXPECT_TRUE(t.GetModified());
}

TEST(IText, OutTextInsertsBeforeCursorColumn) {
    TIText t;
    t.SetLinesText("abcdef");
    t.SetCursorCol(4);
    t.OutText("XY");
    EXPECT_EQ(L(t, 0), "abcXYdef");
    EXPECT_EQ(t.GetCursorCol(), 6);
    // Column 0, the value after creation, writes at the start.
    t.SetCursorCol(0);
    t.OutText("<");
    EXPECT_EQ(L(t, 0), "<abcXYdef");
}

TEST(IText, LineBreaks) {
    TIText t;
    t.SetLinesText("abcdef\r\nnext");
    t.SetCursorCol(1);
    t.CRLF();  // at column 1 the whole line moves down
    EXPECT_EQ(LinesOf(t), (TLines{"", "abcdef", "next"}));
    EXPECT_EQ(t.GetCursorLine(), 1);
    EXPECT_EQ(t.GetCursorCol(), 1);

    t.SetMargin(4);
    t.SetCursorCol(4);
    t.SetModified(false);
    t.mCRLF();
    EXPECT_EQ(LinesOf(t), (TLines{"", "abc", "    def", "next"}));
    EXPECT_EQ(t.GetCursorLine(), 2);
    EXPECT_EQ(t.GetCursorCol(), 5);
    EXPECT_TRUE(t.GetModified());
}

TEST(IText, DeleteNeitherPadsNorMarksModified) {
    TIText t;
    t.SetLinesText("abcdef");
    t.SetCursorCol(3);
    t.DeleteChars(100);  // more than remain: to the end of the line
    EXPECT_EQ(L(t, 0), "ab");
    EXPECT_FALSE(t.GetModified());
    t.SetCursorCol(10);
    t.DeleteChars(1);  // beyond the line: nothing
    EXPECT_EQ(L(t, 0), "ab");
    t.SetCursorLine(5);
    EXPECT_THROW(t.DeleteChars(1), EStringListError);
    EXPECT_EQ(LinesOf(t), TLines{"ab"});
}

TEST(IText, ClearLines) {
    TIText t;
    t.SetLinesText("a\nb");
    t.SetCursorLine(1);
    t.ClearLines();
    EXPECT_EQ(t.Lines->Count(), 0);
    EXPECT_EQ(t.GetCursorLine(), 0);
    EXPECT_EQ(t.GetCursorCol(), 1);
}

TEST(IText, LinesTextLikeAStringList) {
    TIText t;
    t.SetLinesText("a\r\nb\nc\rd\r\n");
    EXPECT_EQ(LinesOf(t), (TLines{"a", "b", "c", "d"}));  // the trailing break adds no line
    EXPECT_EQ(t.GetLinesText(), "a\r\nb\r\nc\r\nd\r\n");
    t.SetLinesText("");
    EXPECT_EQ(t.Lines->Count(), 0);
    t.SetLinesText("x\n\n");
    EXPECT_EQ(t.Lines->Count(), 2);
}

// The host loads the editor's text before every command: an edit of the
// text loaded before puts only the lines that changed, whatever the line
// ends (a CR that becomes a CR LF, a trailing break that comes or goes), and
// the same text again changes nothing.
TEST(IText, LoadingEditedTextsGivesItsLinesExactly) {
    const std::vector<std::string> pieces = {"unit A;", "", "  x := 1;", "end.", "{ c }", "begin"};
    const std::vector<std::string> breaks = {"\r\n", "\n", "\r"};
    uint32_t seed = 12345;
    auto next = [&](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % n;
    };
    std::string text;
    for (int i = 0; i < 40; ++i) text += pieces[next(6)] + breaks[next(3)];
    TIText t;
    for (int round = 0; round < 600; ++round) {
        const size_t at = text.empty() ? 0 : next(uint32_t(text.size()) + 1);
        switch (next(5)) {
            case 0: text.insert(at, pieces[next(6)] + breaks[next(3)]); break;
            case 1: text.erase(at, next(12)); break;
            case 2: text.insert(at, breaks[next(3)]); break;  // may join a CR and an LF
            case 3: text.insert(at, 1, char('a' + next(26))); break;
            default:
                // The lines changed behind the loads' back.
                if (t.Lines->Count() > 0) t.Lines->Put(int(next(uint32_t(t.Lines->Count()))), "changed");
        }
        t.SetLinesText(text);
        ASSERT_EQ(t.Lines->Strings(), SplitLines(text)) << "round " << round;
        const uint64_t version = t.Lines->Version();
        t.SetLinesText(std::string(text));
        EXPECT_EQ(t.Lines->Version(), version);
    }
}

// Cursor values from a command file must never make the buffer write out of
// range or pad itself to exhaustion.
TEST(IText, AbsurdCursorValuesRaise) {
    TIText t;
    t.SetLinesText("abc");
    EXPECT_THROW(t.SetCursorLine(-1), ERangeError);
    EXPECT_THROW(t.SetCursorCol(-7), ERangeError);
    EXPECT_THROW(t.SetCursorLine(INT32_MAX), ERangeError);
    EXPECT_THROW(t.SetCursorCol(INT32_MAX), ERangeError);
    EXPECT_THROW(t.SetMargin(-2), ERangeError);
    EXPECT_EQ(t.GetCursorLine(), 0);

    EXPECT_EQ(t.GetCursorCol(), 0);
    EXPECT_EQ(t.GetMargin(), 1);

    // Only a long write carries the column past the bound: the next write
    // at the cursor is refused rather than padded.
    t.SetCursorCol(TIText::MaxCursorCol);
    t.OutText("xy");
    EXPECT_EQ(t.GetCursorCol(), TIText::MaxCursorCol + 2);
    const TLines written = LinesOf(t);
    EXPECT_THROW(t.OutText("x"), ERangeError);
    EXPECT_THROW(t.CRLF(), ERangeError);
    EXPECT_THROW(t.ValidateCursor(), ERangeError);
    EXPECT_EQ(LinesOf(t), written);
}

TEST(IText, FileRoundTripKeepsCursorAndFlag) {
    test::TTempFolder dir;
    TIText t;
    t.FileName = dir.Path("unit1.pas");
    t.SetLinesText("unit Unit1;\nend.");
    t.SetCursorLine(1);
    t.SetModified(true);
    t.SaveToFile();
    TIText u;
    u.FileName = t.FileName;
    u.LoadFromFile();
    EXPECT_EQ(u.GetLinesText(), "unit Unit1;\r\nend.\r\n");
    EXPECT_EQ(t.GetCursorLine(), 1);
    EXPECT_TRUE(t.GetModified());
    u.FileName = dir.Path("missing.pas");
    EXPECT_THROW(u.LoadFromFile(), Exception);
}

TEST(IText, WordsAndPropertiesFromTheCommandLanguage) {
    TForth forth;
    TIText t;
    const ClassInfo* ci = t.ForthClass();
    ASSERT_NE(ci, nullptr);
    for (const char* p : {"Modified", "FileName", "Lines", "Text", "CursorLine", "CursorCol", "Margin"})
        EXPECT_NE(ci->FindProperty(p), nullptr) << p;
    for (const char* w : {"ClearLines", "ValidateCursor", "Delete", "CRLF", "mCRLF"})
        EXPECT_NE(ci->FindMethod(w), nullptr) << w;

    t.SetLinesText("abcdef");
    ci->FindProperty("CursorCol")->SetOrd(t, 2);
    forth.PushInteger(3);
    ci->FindMethod("Delete")->Call(t, forth);
    EXPECT_EQ(L(t, 0), "aef");
    ci->FindProperty("Text")->SetStr(t, "Z");
    EXPECT_EQ(L(t, 0), "aZef");
    EXPECT_THROW(ci->FindProperty("CursorLine")->SetOrd(t, -1), ERangeError);
    EXPECT_EQ(ci->FindProperty("Lines")->GetObj(t), t.Lines.get());
}

}  // namespace
}  // namespace velt
