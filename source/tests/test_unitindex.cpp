// The index behind the unit model's searches: its work grows with the unit,
// never with the unit times its nesting, and its answers follow every change
// of the lines and sections (they equal those of a model that never looked
// at the unit before).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "forth/Forth.h"
#include "source/HyperSourceCode.h"
#include "source/tests/HyperTestUtil.h"

namespace velt {
namespace {

// A class holding `depth` nested class types, then the method Outer, and
// Outer's implementation.
std::string NestedUnit(int depth) {
    std::string t = "unit Nest;\ninterface\ntype\n";
    for (int i = 0; i < depth; ++i) t += std::string(size_t(i) + 2, ' ') + "TC" + std::to_string(i) + " = class\n";
    t += std::string(size_t(depth) + 2, ' ') + "procedure Inner;\n";
    for (int i = depth - 1; i > 0; --i) t += std::string(size_t(i) + 2, ' ') + "end;\n";
    t += "    procedure Outer;\n  end;\nimplementation\nprocedure TC0.Outer;\nbegin\nend;\nend.\n";
    return t;
}

TEST(UnitIndex, NestedClassesAreReadOnceNotOncePerClass) {
    constexpr int kDepth = 2000;
    test::THyperFixture fx;
    fx.Src.SetLinesText(NestedUnit(kDepth));
    fx.Src.ValidateLines();
    const int lines = fx.Src.Lines->Count();
    // Every search below reads each line a few times at most (scanning each
    // enclosing body again would read about kDepth * kDepth lines).
    const uint64_t bound = 20 * uint64_t(lines);
    const int outer = test::FindLineOf(fx.Src, "procedure Outer;");

    uint64_t before = fx.Src.LineReads();
    fx.Src.SetCursorLine(outer);
    fx.Src.HyperJump();
    EXPECT_EQ(fx.Src.GetCursorLine(), test::FindLineOf(fx.Src, "begin"));
    EXPECT_LT(fx.Src.LineReads() - before, bound);

    before = fx.Src.LineReads();
    std::string cls;
    int line = outer;
    EXPECT_TRUE(fx.Src.isInsideClass(cls, line));
    EXPECT_EQ(cls, "TC0");
    EXPECT_LT(fx.Src.LineReads() - before, bound);

    // A method no class implements: every class around its declaration is
    // asked, none answers.
    fx.Src.SetLinesText(NestedUnit(kDepth) + " ");
    before = fx.Src.LineReads();
    fx.Src.SetCursorLine(outer);
    EXPECT_THROW(fx.Src.GotoMethod("Inner"), EInvalidSourceCode);
    EXPECT_LT(fx.Src.LineReads() - before, bound);
}

// Every search's answers over the whole unit.
std::string Answers(TIHyperSourceCode& s) {
    std::string r;
    auto add = [&](auto... parts) { ((r += std::to_string(parts) + " "), ...), r += "\n"; };
    for (const char* c : {"TShape", "TCircle", "TSquare", "tcircle", "IDrawable", ""}) {
        int line = -1;
        add(s.FindClass(c, line), line);
        for (const char* m : {"Create", "Area", "Draw", "Paint", "Resize", "Radius"}) {
            int d = -1, i = -1;
            add(s.FindMethodIntf(c, m, d), d, s.FindMethodImpl(c, m, i), i);
        }
    }
    for (int i = -1; i <= s.Lines->Count(); ++i) {
        std::string c = "?", m = "?";
        int a = i, b = i, h = -1, k = -1;
        add(i, s.isInsideClass(c, a), a, s.isInsideMethodImpl(c, m, b), b, s.FindClassEnd(i),
            s.FindEnclosingClass(i, c, h, k), h, k);
        r += c + "." + m + "\n";
    }
    return r;
}

// What a model that never looked at the unit answers: the same lines and
// sections, nothing remembered.
std::string FreshAnswers(const TIHyperSourceCode& s) {
    TIHyperSourceCode fresh;
    for (const std::string& l : s.Lines->Strings()) fresh.Lines->Add(l);
    fresh.CaseSensitive = s.CaseSensitive;
    fresh.IntfLine = s.IntfLine;
    fresh.ImplLine = s.ImplLine;
    fresh.ImplEndLine = s.ImplEndLine;
    fresh.EndLine = s.EndLine;
    return Answers(fresh);
}

TEST(UnitIndex, AnswersFollowEveryChange) {
    const std::string unit =
        "unit Shapes;\ninterface\ntype\n  TShape = class\n    procedure Draw; virtual;\n  end;\n"
        "  TCircle = class(TShape)\n    procedure Draw; override;\n    function Area: Double;\n  end;\n"
        "implementation\nprocedure TShape.Draw;\nbegin\nend;\nprocedure TCircle.Draw;\nbegin\nend;\n"
        "function TCircle.Area: Double;\nbegin\nend;\nend.\n";
    test::THyperFixture fx;
    TIHyperSourceCode& s = fx.Src;
    TForth forth;
    forth.Objects.AddObject("SourceCode", &s);
    s.SetLinesText(unit);
    s.ValidateLines();
    const std::string first = Answers(s);
    EXPECT_EQ(first, FreshAnswers(s));

    // Each change, made after the searches have looked at the unit, and the
    // answers then.
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"Put", [&] { s.Lines->Put(6, "  TSquare = class(TShape)"); }},
        {"Insert", [&] { s.Lines->Insert(4, "    procedure Paint;"); }},
        {"Delete", [&] { s.Lines->Delete(4); }},
        {"Exchange", [&] { s.Lines->Exchange(7, 8); }},
        {"SetLinesText", [&] { s.SetLinesText(unit); }},
        {"edited text", [&] {
             const size_t at = unit.find("Area");
             s.SetLinesText(unit.substr(0, at) + "Resize" + unit.substr(at + 4));
         }},
        {"OutText", [&] {
             s.SetCursorLine(3);
             s.SetCursorCol(3);
             s.OutText("X");
         }},
        {"CRLF", [&] {
             s.SetCursorLine(6);
             s.SetCursorCol(3);
             s.CRLF();
         }},
        {"Text from the command language", [&] {
             s.SetLinesText(unit);
             s.SetCursorLine(6);
             s.SetCursorCol(4);
             forth.ExecForth("\" Zz\" SourceCode :: Text .!");
         }},
        {"a section line from the command language", [&] {
             s.SetLinesText(unit);
             s.ValidateLines();
             Answers(s);
             forth.ExecForth("14 SourceCode :: ImplLine .!");
         }},
        {"section fields", [&] { s.ImplEndLine = 14; }},
        {"CaseSensitive", [&] {
             s.ValidateLines();
             s.Lines->Put(6, "  TCircle = CLASS(TShape)");
             Answers(s);
             s.CaseSensitive = true;
         }},
        {"ClearLines", [&] { s.ClearLines(); }},
    };
    for (const auto& [what, change] : changes) {
        Answers(s);  // the searches look first
        change();
        EXPECT_EQ(Answers(s), FreshAnswers(s)) << what;
    }
}

// Edits of every kind at random places, each made after the searches have
// looked at the unit in part, in whole or not at all.
TEST(UnitIndex, AnswersFollowRandomEdits) {
    const std::vector<std::string> pool = {
        "  TSquare = class(TShape)", "  end;", "    procedure Paint;", "procedure TCircle.Paint;",
        "procedure TSquare.Paint;", "begin", "end;", "implementation", "  TRec = record", "    X: Integer;", "",
        "interface", "end.", "initialization", "    function Radius: Integer;", "  IFoo = interface",
        "  TCircle = class", "constructor TShape.Create;", "    TInner = class", "  Rec: record",
        // Comments that run on over lines change how the lines after them read.
        "  { a comment", "  }", "(* open", "end *)", "  // end", "  { end }", "    S := '{';"};
    uint32_t seed = 4242;
    auto next = [&](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % n;
    };
    test::THyperFixture fx;
    TIHyperSourceCode& s = fx.Src;
    std::vector<std::string> lines = s.Lines->Strings();
    for (int round = 0; round < 300; ++round) {
        if (round % 3 == 0) {
            Answers(s);
        } else if (round % 3 == 1) {
            int line = int(next(uint32_t(lines.size())));
            std::string c;
            s.isInsideClass(c, line);
            s.FindMethodImpl("TCircle", "Paint", line);
        }
        const size_t at = next(uint32_t(lines.size()) + 1);
        const std::string& text = pool[next(uint32_t(pool.size()))];
        const uint32_t how = next(6);
        if (how == 0 && !lines.empty() && at < lines.size()) {
            lines.erase(lines.begin() + ptrdiff_t(at));
        } else if (how == 1 && at < lines.size()) {
            lines[at] = text;
        } else {
            lines.insert(lines.begin() + ptrdiff_t(at), text);
        }
        if (how == 5 && at < lines.size()) {
            s.Lines->Insert(int(at), text);  // the same edit straight on the list
        } else {
            std::string all;
            for (const std::string& l : lines) all += l + "\r\n";
            s.SetLinesText(all);
        }
        if (next(4) != 0) s.ValidateLines();
        ASSERT_EQ(s.Lines->Strings(), lines);
        ASSERT_EQ(Answers(s), FreshAnswers(s)) << "round " << round;
    }
}

}  // namespace
}  // namespace velt
