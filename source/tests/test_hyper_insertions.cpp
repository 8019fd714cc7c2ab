// Where the hyperjump words insert text, and where they refuse to: units
// without an implementation part, constants in parentheses, local variables
// in asm routines and after parameter lists, and the indentation of inserted
// lines in TAB-indented code.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "source/HyperSourceCode.h"
#include "source/tests/HyperTestUtil.h"

namespace velt {
namespace {

using test::THyperFixture;
using testing::ThrowsMessage;

// The fixture with text as its unit.
void Load(THyperFixture& f, std::string_view text) {
    test::LoadText(f.Src, text);
    f.Src.FileName = "u.pas";
}

// The count lines after the first line holding needle.
test::TLines LinesAfter(const THyperFixture& f, std::string_view needle, int count) {
    const test::TLines& all = test::LinesOf(f.Src);
    const auto from = all.begin() + f.LineOf(needle) + 1;
    return test::TLines(from, from + count);
}

TEST(HyperInsertions, UnitWithoutImplementationPartIsLeftAlone) {
    THyperFixture f;
    Load(f, "unit U;\ninterface\ntype\n  TFoo = class\n    procedure Run;\n  end;\n"
            "procedure Free;\nconst\n  Limit = 3;\nprocedure Other;\nend.\n");
    const std::string before = f.Src.GetLinesText();
    f.Jump("procedure Run;", {true});
    f.Port.Inputs.push_back({true, "Integer"});
    f.At("Limit = 3;");
    f.Src.DeclareVar("N", "Integer", false);
    EXPECT_TRUE(f.Port.Log.empty());  // nothing is offered
    EXPECT_EQ(f.Src.GetLinesText(), before);
    EXPECT_FALSE(f.Src.GetModified());
    EXPECT_EQ(f.Sink.Lines, std::vector<std::string>{"Info: The unit has no implementation part"});
}

TEST(HyperInsertions, ParenthesisedConstantsAreNoEnumerations) {
    THyperFixture f;
    Load(f, "unit U;\ninterface\ntype\n  TFoo = class\n    procedure Run;\n  end;\nconst\n  TimeoutMs = (60*1000);\n"
            "implementation\nprocedure TFoo.Run;\nconst\n  TLimit = (10);\nbegin\nend;\nend.\n");
    const std::string before = f.Src.GetLinesText();
    f.Jump("TimeoutMs = (60*1000);");
    EXPECT_TRUE(f.Port.Log.empty());  // no pointer type offered
    // In a routine: the jump to the declaration.
    f.Jump("TLimit = (10);");
    EXPECT_EQ(f.CursorText(), "    procedure Run;");
    EXPECT_TRUE(f.Port.Log.empty());
    EXPECT_EQ(f.Src.GetLinesText(), before);
}

const char* const kRoutines =
    "unit U;\ninterface\nimplementation\n"
    "procedure A; assembler;\nasm\n  mov eax, 1\nend;\n"
    "\n"
    "procedure B(X: Integer;\n  var Y: Integer);\nconst\n  C = 1;\nbegin\n  Y := C;\nend;\n"
    "\n"
    "procedure D(X: Integer;\n  var Y: Integer);\nbegin\n  Y := X;\nend;\n"
    "\n"
    "procedure E;\n\nprocedure Inner;\nbegin\nend;\n\nbegin\n  Inner;\nend;\nend.\n";

TEST(DeclareVar, StaysInTheRoutineThatHoldsTheCursor) {
    THyperFixture f;
    Load(f, kRoutines);
    const std::string before = f.Src.GetLinesText();
    f.Port.Inputs.push_back({true, "Integer"});
    f.At("mov eax");
    EXPECT_THAT([&] { f.Src.DeclareVar("N", "Integer", true); },
                ThrowsMessage<EInvalidAction>("Cannot declare a local variable in an asm routine"));
    // Below the asm routine's end: not inside it.
    f.Src.SetCursorLine(f.LineOf("mov eax") + 2);
    f.Src.DeclareVar("N", "Integer", true);
    EXPECT_EQ(f.Src.GetLinesText(), before);
    EXPECT_TRUE(f.Port.Log.empty());
    EXPECT_TRUE(f.Src.UndoStack->Empty());
    // In the body of a routine with a nested routine in column 1: into the
    // outer routine, not the nested one.
    f.At("  Inner;");
    f.Src.DeclareVar("N", "Integer", false);
    EXPECT_EQ(LinesAfter(f, "procedure E;", 4), (test::TLines{"", "var", "  N: Integer;", "procedure Inner;"}));
}

TEST(DeclareVar, NeverIntoAConstSectionOrAParameterList) {
    THyperFixture f;
    Load(f, kRoutines);
    f.Src.ConfirmAutoCreate = false;
    f.At("C = 1;");
    f.Src.DeclareVar("N", "Integer", false);
    EXPECT_EQ(LinesAfter(f, "procedure B(", 6),
              (test::TLines{"  var Y: Integer);", "const", "  C = 1;", "var", "  N: Integer;", "begin"}));
    // A "var" parameter on a continued header line is no var section.
    f.At("Y := X;");
    f.Src.DeclareVar("M", "Integer", false);
    EXPECT_EQ(LinesAfter(f, "procedure D(", 4), (test::TLines{"  var Y: Integer);", "var", "  M: Integer;", "begin"}));
}

TEST(HyperInsertions, TabIndentedCodeGetsTabIndentedLines) {
    THyperFixture f;
    Load(f, "unit U;\ninterface\ntype\n"
            "\tTFoo = class\n\tprivate\n\t\tFSize: Integer;\n\tpublic\n"
            "\t\tproperty Count: Integer read FCount;\n\t\tproperty Size: Integer read GetSize;\n\tend;\n"
            "\tTBar = class\n\tpublic\n\t\tproperty Depth: Integer read FDepth write FDepth;\n\tend;\n"
            "implementation\nprocedure TFoo.Run;\nvar\n\tI: Integer;\nbegin\n\tI := 0;\nend;\nend.\n");
    f.Jump("property Count");
    EXPECT_EQ(f.CursorText(), "\t\tFCount: Integer;");
    EXPECT_EQ(f.Src.GetCursorCol(), 3);
    f.Jump("property Size", {false});
    EXPECT_GE(f.LineOf("\t\tfunction GetSize: Integer;"), 0);
    f.Jump("property Depth");
    EXPECT_EQ(f.CursorText(), "\t\tFDepth: Integer;");
    EXPECT_EQ(test::L(f.Src, f.Src.GetCursorLine() - 1), "\tprivate");
    f.Src.ConfirmAutoCreate = false;
    f.At("I := 0;");
    f.Src.DeclareVar("N", "Integer", false);
    EXPECT_EQ(test::L(f.Src, f.LineOf("I: Integer;") + 1), "\tN: Integer;");
}

}  // namespace
}  // namespace velt
