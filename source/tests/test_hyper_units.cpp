// The source object across units (GotoClass, GotoMethod "inherited", places
// in other files), undo and redo, the movement words and the published
// words and properties.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "forth/Forth.h"
#include "foundation/Classes.h"
#include "foundation/RegKeys.h"
#include "foundation/Types.h"
#include "foundation/tests/FoundationTestUtil.h"
#include "source/HyperSourceCode.h"
#include "source/tests/FileHost.h"
#include "source/tests/HyperTestUtil.h"

namespace velt {
namespace {

using test::FindLineOf;
using test::THyperFixture;
using testing::ThrowsMessage;

const char* const kBase =
    "unit Base;\r\n"
    "interface\r\n"
    "type\r\n"
    "  TBase = class\r\n"
    "  public\r\n"
    "    procedure Paint; virtual;\r\n"
    "  end;\r\n"
    "implementation\r\n"
    "procedure TBase.Paint;\r\n"
    "var\r\n"
    "  I: Integer;\r\n"
    "begin\r\n"
    "  I := 0;\r\n"
    "end;\r\n"
    "end.\r\n";

const char* const kMid =
    "unit Mid;\r\n"
    "interface\r\n"
    "uses Base;\r\n"
    "type\r\n"
    "  TMid = class(TBase)\r\n"
    "    procedure Other;\r\n"
    "  end;\r\n"
    "implementation\r\n"
    "procedure TMid.Other;\r\n"
    "begin\r\n"
    "end;\r\n"
    "end.\r\n";

const char* const kLeaf =
    "unit Leaf;\r\n"
    "interface\r\n"
    "uses Mid;\r\n"
    "type\r\n"
    "  TLeaf = class(TMid)\r\n"
    "    procedure Paint; override;\r\n"
    "  end;\r\n"
    "  TInner = class(TLocal)\r\n"
    "    procedure Paint; override;\r\n"
    "  end;\r\n"
    "  TLocal = class(TUnknownAncestor)\r\n"
    "    procedure Paint; virtual;\r\n"
    "  end;\r\n"
    "implementation\r\n"
    "procedure TLeaf.Paint;\r\n"
    "begin\r\n"
    "  inherited;\r\n"
    "end;\r\n"
    "procedure TInner.Paint;\r\n"
    "begin\r\n"
    "  inherited;\r\n"
    "end;\r\n"
    "procedure TLocal.Paint;\r\n"
    "begin\r\n"
    "end;\r\n"
    "end.\r\n";

// Two classes that name each other as ancestor.
const char* const kCycleA =
    "unit CycA;\r\n"
    "interface\r\n"
    "type\r\n"
    "  TA = class(TB)\r\n"
    "    procedure Foo;\r\n"
    "  end;\r\n"
    "implementation\r\n"
    "procedure TA.Foo;\r\n"
    "begin\r\n"
    "  inherited;\r\n"
    "end;\r\n"
    "end.\r\n";
const char* const kCycleB =
    "unit CycB;\r\n"
    "interface\r\n"
    "type\r\n"
    "  TB = class(TA)\r\n"
    "    procedure Bar;\r\n"
    "  end;\r\n"
    "implementation\r\n"
    "procedure TB.Bar;\r\n"
    "begin\r\n"
    "end;\r\n"
    "end.\r\n";

// The five units in a folder of their own, registered with their classes;
// other units are read through the file host.
class HyperUnits : public testing::Test, public THyperFixture {
protected:
    void SetUp() override {
        Base = Temp.Write("base.pas", kBase);
        Mid = Temp.Write("mid.pas", kMid);
        Leaf = Temp.Write("leaf.pas", kLeaf);
        CycA = Temp.Write("cyca.pas", kCycleA);
        CycB = Temp.Write("cycb.pas", kCycleB);
        auto& reg = Src.ClassesRegistry;
        for (const auto& [file, cls, ancestor] : {std::tuple{Base, "TBase", "TObject"}, {Mid, "TMid", "TBase"},
                                                  {Leaf, "TLeaf", "TMid"}, {CycA, "TA", "TB"}, {CycB, "TB", "TA"}}) {
            reg.RegisterUnit(file);
            reg.RegisterClass(file, cls, ancestor);
        }
        test::RegisterFileHost(Forth, Host);
        Src.Forth = &Forth;
    }

    test::TTempFolder Temp;
    TForth Forth;
    test::TFileHost Host;
    std::string Base, Mid, Leaf, CycA, CycB;
};

TEST_F(HyperUnits, InheritedWalksAncestorsAcrossUnitsAndUndoComesBack) {
    Open(Leaf);
    const int start = At("  inherited;");
    Src.SetCursorCol(3);
    Src.GotoMethod("inherited");
    // TMid does not implement Paint; TBase does.
    EXPECT_EQ(Src.FileName, Base);
    EXPECT_EQ(CursorText(), "begin");
    EXPECT_EQ(Src.Lines->Get(Src.GetTopLine()), "procedure TBase.Paint;");
    EXPECT_FALSE(Src.GetModified());
    EXPECT_EQ(Host.Requests, (std::vector<std::string>{Mid, Base}));  // ancestors are read through the host
    // Back to the leaf through the host.
    Src.PopUndo();
    EXPECT_EQ(Src.FileName, Leaf);
    EXPECT_EQ(Host.Requests, (std::vector<std::string>{Mid, Base, Leaf}));
    EXPECT_EQ(Src.GetCursorLine(), start);
    EXPECT_EQ(Src.GetCursorCol(), 3);
    EXPECT_EQ(Src.GetLinesText(), ReadWholeFile(Leaf));
    // Redo goes to the place the undo went to.
    Src.SetCursorLine(0);
    Src.PopRedo();
    EXPECT_EQ(Src.FileName, Leaf);
    EXPECT_EQ(Src.GetCursorLine(), start);
    EXPECT_TRUE(Src.RedoStack->Empty());
}

TEST_F(HyperUnits, InheritedInTheCurrentUnit) {
    Open(Leaf);
    At("  inherited;", 1);
    Src.GotoMethod("inherited");
    EXPECT_EQ(Src.FileName, Leaf);
    EXPECT_EQ(Src.GetCursorLine(), FindLineOf(Src, "procedure TLocal.Paint;") + 1);
}

TEST_F(HyperUnits, InheritedWithoutAnImplementingAncestorStaysAndSearches) {
    Open(Leaf);
    At("procedure TLocal.Paint;");
    Src.SetCursorLine(Src.GetCursorLine() + 1);
    const std::string before = Src.GetLinesText();
    EXPECT_THAT([&] { Src.GotoMethod("inherited"); },
                ThrowsMessage<EInvalidSourceCode>("Method TLocal::inherited is not declared in the current unit"));
    EXPECT_EQ(Src.FileName, Leaf);
    EXPECT_EQ(Src.GetLinesText(), before);
}

TEST_F(HyperUnits, InheritedStopsOnACycle) {
    Open(CycA);
    const int line = At("  inherited;");
    EXPECT_THROW(Src.GotoMethod("inherited"), EInvalidSourceCode);
    // Back in the unit it started from, with its text and cursor.
    EXPECT_EQ(Src.FileName, CycA);
    EXPECT_EQ(Src.GetLinesText(), ReadWholeFile(CycA));
    EXPECT_EQ(Src.GetCursorLine(), line);
}

TEST_F(HyperUnits, GotoMethodByName) {
    Open(Leaf);
    At("  TLeaf = class(TMid)");
    Src.GotoMethod("Paint");
    EXPECT_EQ(Src.GetCursorLine(), FindLineOf(Src, "procedure TLeaf.Paint;") + 1);
    // Outside every class and implementation: the first class of the
    // interface part that declares and implements it.
    At("unit Leaf;");
    Src.GotoMethod("Paint");
    EXPECT_EQ(Src.Lines->Get(Src.GetCursorLine() - 1), "procedure TLeaf.Paint;");
    EXPECT_THAT([&] { Src.GotoMethod("Nothing"); },
                ThrowsMessage<EInvalidSourceCode>("Method TLeaf::Nothing is not declared in the current unit"));
    const int depth = Src.UndoStack->Depth();
    Src.GotoMethod("not a name");
    EXPECT_EQ(Src.UndoStack->Depth(), depth);
}

TEST_F(HyperUnits, GotoClass) {
    Open(Leaf);
    Src.GotoClass("TBase");
    EXPECT_EQ(Src.FileName, Base);
    EXPECT_EQ(CursorText(), "  TBase = class");
    EXPECT_EQ(Src.GetTopLine(), Src.GetCursorLine());
    EXPECT_EQ(Src.GetCursorCol(), 1);
    // A class of the current unit: the model's text, not the file's.
    Src.Lines->Put(0, "unit Base; { edited }");
    Src.SetModified(true);
    Src.GotoClass("TBase");
    EXPECT_EQ(Src.Lines->Get(0), "unit Base; { edited }");
    EXPECT_THAT([&] { Src.GotoClass("TNope"); }, ThrowsMessage<EInvalidSourceCode>("Class TNope not found."));
}

TEST_F(HyperUnits, ModifiedUnitIsNotLeftSilently) {
    Open(Leaf);
    At("  inherited;");
    Src.PushUndo("TLeaf", "Paint");
    Open(Base);
    Src.Lines->Put(0, "unit Base; { edited }");
    Src.SetModified(true);
    const std::string text = Src.GetLinesText();
    EXPECT_THROW(Src.PopUndo(), EInvalidAction);
    EXPECT_EQ(Src.GetLinesText(), text);
    EXPECT_TRUE(Src.GetModified());
    EXPECT_EQ(Src.FileName, Base);
    EXPECT_EQ(Src.UndoStack->Depth(), 1);  // the place is still there
    EXPECT_TRUE(Src.RedoStack->Empty());
    EXPECT_THROW(Src.GotoClass("TLeaf"), EInvalidAction);
    EXPECT_EQ(Src.GetLinesText(), text);
    // Saved (no longer Modified), the jump goes ahead.
    Src.SetModified(false);
    Src.PopUndo();
    EXPECT_EQ(Src.FileName, Leaf);
}

TEST_F(HyperUnits, EditsAreNotDroppedAndOtherUnitsComeFromTheEditor) {
    Forth.Objects.AddObject("SourceCode", &Src);
    Open(Leaf);
    At("unit Leaf;");
    // Validating the edited lines again keeps them marked as edited: the
    // switch is refused, naming the unit, and the edit stays.
    EXPECT_THAT([&] { Forth.ExecForth("\" X\" SourceCode :: Text .! ValidateLines \" TBase\" GotoClass"); },
                ThrowsMessage<EInvalidAction>(testing::HasSubstr(Leaf)));
    EXPECT_EQ(Src.FileName, Leaf);
    EXPECT_TRUE(Src.GetModified());
    EXPECT_EQ(Src.Lines->Get(0), "Xunit Leaf;");
    // A fresh load, as from the editor, starts unmodified.
    Open(Leaf);
    EXPECT_FALSE(Src.GetModified());
    // Another unit is read as its open editor holds it: GotoClass ...
    std::string base = kBase;
    Host.Open(Base, "{ unsaved }\r\n" + base);
    Src.GotoClass("TBase");
    EXPECT_EQ(Src.Lines->Get(0), "{ unsaved }");
    EXPECT_FALSE(Src.GetModified());
    // ... and the inherited walk, which finds the editor's implementation.
    std::string mid = kMid;
    mid.replace(mid.find("procedure TMid.Other;"), 0, "procedure TMid.Paint;\r\nbegin\r\nend;\r\n");
    Host.Open(Mid, mid);
    Open(Leaf);
    At("  inherited;");
    Src.GotoMethod("inherited");
    EXPECT_EQ(Src.FileName, Mid);
    EXPECT_EQ(Src.Lines->Get(Src.GetTopLine()), "procedure TMid.Paint;");
}

TEST_F(HyperUnits, PropertyAccessorsOfAnAncestorInAnotherUnit) {
    // The ancestor's unit exists only in its editor.
    const std::string core = Temp.Path("core.pas");
    Host.Open(core,
              "unit Core;\r\ninterface\r\ntype\r\n  TCore = class\r\n  private\r\n    FValue: Integer;\r\n"
              "  protected\r\n    function GetName: string;\r\n  end;\r\nimplementation\r\nend.\r\n");
    Src.ClassesRegistry.RegisterUnit(core);
    Src.ClassesRegistry.RegisterClass(core, "TCore", "TObject");
    Src.SetLinesText("unit Sub;\r\ninterface\r\ntype\r\n  TSub = class(TCore)\r\n  public\r\n"
                     "    property Value: Integer read FValue;\r\n    property Name: string read GetName;\r\n"
                     "    property Size: Integer read FSize;\r\n  end;\r\nimplementation\r\nend.\r\n");
    Src.FileName = Temp.Path("sub.pas");
    Src.ValidateLines();
    const std::string before = Src.GetLinesText();
    Jump("property Value:");
    Jump("property Name:");
    EXPECT_EQ(Src.GetLinesText(), before);
    EXPECT_EQ(Sink.Lines, (std::vector<std::string>{"Info: FValue is declared in TCore, nothing is declared",
                                                    "Info: GetName is declared in TCore, nothing is declared"}));
    EXPECT_EQ(Host.Requests, (std::vector<std::string>{core, core}));
    EXPECT_EQ(Src.FileName, Temp.Path("sub.pas"));
    // What no ancestor declares is still added.
    Jump("property Size:");
    EXPECT_EQ(CursorText(), "    FSize: Integer;");
}

TEST_F(HyperUnits, FindClassSource) {
    Open(Leaf);
    std::string file;
    EXPECT_TRUE(Src.FindClassSource("TLocal", file));
    EXPECT_EQ(file, Leaf);
    EXPECT_TRUE(Src.FindClassSource("tmid", file));
    EXPECT_EQ(file, Mid);
    EXPECT_FALSE(Src.FindClassSource("TUnknownAncestor", file));
}

// The words delegated to the Classes Registry and the code templates.
class TRootDirKey : public TKey {
public:
    std::string RootDir;
    TVRec* DoGetValue(const std::string& name) override {
        return SameText(name, "RootDir") ? TVRec::CreateString(RootDir) : nullptr;
    }
};

TEST_F(HyperUnits, RegistryAndTemplateWords) {
    Forth.Objects.Clear();
    Forth.Objects.AddObject("SourceCode", &Src);
    test::RegisterFileHost(Forth, Host);
    // RegisterSource: every matching unit, then the model as it was.
    Open(Leaf);
    At("  inherited;");
    Src.ClassesRegistry.Ini().Clear();
    Src.ClassesRegistry.FileName = Temp.Write("classes.ini", "");
    Port.Inputs.push_back({true, Temp.Path("*.pas")});
    Forth.ExecWord("RegisterSource");
    EXPECT_EQ(Src.FileName, Leaf);
    EXPECT_EQ(Src.GetLinesText(), ReadWholeFile(Leaf));
    std::string file;
    EXPECT_TRUE(Src.FindClassSource("TMid", file));
    EXPECT_EQ(file, Mid);
    EXPECT_NE(ReadWholeFile(Src.ClassesRegistry.FileName).find("TMid=TBase"), std::string::npos);

    // ExecCodeTemplate and ForthCodeTemplates read velt.dci under the key's RootDir.
    TRootDirKey key;
    key.RootDir = Temp.Dir.string();
    Temp.Write("velt.dci", "[be|begin end]\r\nbegin |end;\r\n");
    Src.ProductKey = &key;
    Src.SetCursorLine(0);
    Src.SetCursorCol(1);
    Forth.PushString("BE");
    Forth.ExecWord("ExecCodeTemplate");
    EXPECT_EQ(Src.Lines->Get(0), "begin end;");
    EXPECT_EQ(Src.Lines->Get(1), "unit Leaf;");
    EXPECT_EQ(Src.GetCursorCol(), 7);
    Port.Choices.push_back(0);
    Forth.ExecWord("ForthCodeTemplates");
    EXPECT_EQ(Port.Log.back(), "Choose: be");
    EXPECT_EQ(Src.Lines->Get(0), "begin begin end;");
    EXPECT_EQ(Src.Lines->Get(1), "      end;");  // the margin of the expansion
}

// ---- undo and redo --------------------------------------------------------------------------------

TEST(HyperUndo, UndoReturnsToTheLineTheJumpStartedFrom) {
    THyperFixture f;
    const int decl = f.At("procedure Move(DX", 0, 7);
    f.Src.SetTopLine(decl - 4);
    f.Src.HyperJump();
    EXPECT_NE(f.Src.GetCursorLine(), decl);
    // Lines inserted above the class move the place with it.
    f.Src.Lines->Insert(3, "{ one }");
    f.Src.Lines->Insert(3, "{ two }");
    f.Src.ValidateLines();
    f.Src.PopUndo();
    EXPECT_EQ(f.Src.GetCursorLine(), decl + 2);
    EXPECT_EQ(f.Src.GetCursorCol(), 7);
    EXPECT_EQ(f.Src.GetTopLine(), decl - 2);
    // Once more: nothing left to undo.
    f.Src.SetCursorLine(0);
    f.Src.PopUndo();
    EXPECT_EQ(f.Src.GetCursorLine(), 0);
    // Redo goes where the undo went.
    f.Src.PopRedo();
    EXPECT_EQ(f.Src.GetCursorLine(), decl + 2);
    EXPECT_TRUE(f.Src.RedoStack->Empty());
}

TEST(HyperUndo, UnitRoutinePlacesAreAbsolute) {
    THyperFixture f;
    const int decl = f.At("function ShapeCount");
    f.Src.ConfirmAutoCreate = false;
    f.Src.HyperJump();  // creates the implementation
    f.Src.PopUndo();
    EXPECT_EQ(f.Src.GetCursorLine(), decl);
}

TEST(HyperUndo, VanishedAnchorClampsTheCursor) {
    THyperFixture f;
    f.At("procedure TShape.Move");
    f.Src.HyperJump();
    const int decl = f.Src.GetCursorLine();
    // The implementation the place is anchored to is renamed.
    const int impl = f.LineOf("procedure TShape.Move");
    f.Src.Lines->Put(impl, "procedure TShape.Moved(DX, DY: Integer);");
    f.Src.ValidateLines();
    f.Src.PopUndo();
    EXPECT_EQ(f.Src.GetCursorLine(), decl);
    // An absolute place beyond the shortened text ends on its last line.
    f.At("end.");
    f.Src.SetTopLine(f.Src.GetCursorLine());
    f.Src.GotoImplEnd();
    while (f.Src.Lines->Count() > 10) f.Src.Lines->Delete(10);
    f.Src.ValidateLines();
    f.Src.PopUndo();
    EXPECT_EQ(f.Src.GetCursorLine(), 9);
    EXPECT_EQ(f.Src.GetTopLine(), 9);
}

TEST(HyperUndo, DropUndo) {
    THyperFixture f;
    f.Src.GotoIntf();
    f.Src.GotoImpl();
    EXPECT_EQ(f.Src.UndoStack->Depth(), 2);
    f.Src.DropUndo();
    EXPECT_EQ(f.Src.UndoStack->Depth(), 1);
    f.Src.DropUndo();
    f.Src.DropUndo();
    EXPECT_TRUE(f.Src.UndoStack->Empty());
}

// ---- movements ---------------------------------------------------------------------------------------

TEST(HyperMoves, SectionsAndNeighbours) {
    THyperFixture f;
    f.At("procedure TShape.Move");
    f.Src.GotoIntf();
    EXPECT_EQ(f.Src.GetTopLine(), f.Src.IntfLine);
    EXPECT_EQ(f.CursorText(), "  Classes, SysUtils;");
    EXPECT_EQ(f.Src.GetCursorCol(), 20);
    // The implementation part has no uses clause of its own.
    f.Src.GotoImpl();
    EXPECT_EQ(f.Src.GetCursorLine(), f.Src.ImplLine);
    EXPECT_EQ(f.Src.GetCursorCol(), 1);
    f.Src.GotoImplEnd();
    EXPECT_EQ(f.CursorText(), "end.");
    EXPECT_EQ(f.Src.UndoStack->Depth(), 3);
    f.Src.PopUndo();
    EXPECT_EQ(f.Src.GetCursorLine(), f.Src.ImplLine);

    f.At("  X := 5;");
    f.Src.JumpBackward();
    EXPECT_EQ(f.CursorText(), "procedure TShape.Move(DX, DY: Integer);");
    EXPECT_EQ(f.Src.GetTopLine(), f.Src.GetCursorLine() - 1);
    f.Src.JumpForward();
    EXPECT_EQ(f.CursorText(), "function TShape.Describe(const APrefix: string): string;");
    f.At("  TShape = class");
    f.Src.JumpBackward();
    EXPECT_EQ(f.CursorText(), "  IPrintable = interface(IUnknown)");
    f.Src.JumpBackward();
    EXPECT_EQ(f.CursorText(), "  IDrawable = interface");
    const int line = f.At("unit Shapes;");
    f.Src.JumpBackward();
    EXPECT_EQ(f.Src.GetCursorLine(), line);
}

TEST(HyperMoves, IdentifierAndDocumentar) {
    THyperFixture f;
    f.At("FSize := FSize + Count", 0, 14);
    EXPECT_EQ(f.Src.GetIdentOnCursor(), "FSize");
    f.Src.SetCursorCol(200);
    EXPECT_EQ(f.Src.GetIdentOnCursor(), "");
    f.Src.DoDocumentar("{ header }\r\nunit Doc;\r\ninterface\r\nimplementation\r\nend.\r\n");
    EXPECT_EQ(f.Src.GetCursorLine(), 1);
    EXPECT_EQ(f.Src.IntfLine, 2);
    EXPECT_EQ(f.Src.ImplLine, 3);
}

// ---- words and properties --------------------------------------------------------------------------------

TEST(HyperWords, PublishedThroughTheInterpreter) {
    THyperFixture f;
    TForth forth;
    forth.Objects.AddObject("SourceCode", &f.Src);
    EXPECT_TRUE(f.Src.ConfirmAutoCreate);
    EXPECT_TRUE(f.Src.AutoRefreshHeader);
    EXPECT_TRUE(f.Src.AdaNestingComments);
    EXPECT_EQ(f.Src.Forth, nullptr);
    for (const char* w : {"HyperJump", "DeclareVar", "GotoIntf", "GotoImpl", "GotoImplEnd", "GotoClass", "GotoMethod",
                          "GetIdentOnCursor", "JumpBackward", "JumpForward", "PopUndo", "DropUndo", "PopRedo",
                          "RefreshHeader", "RegisterUnit", "RegisterClass", "RegisterSource", "ExecCodeTemplate",
                          "ForthCodeTemplates", "ValidateLines", "CRLF"})
        EXPECT_NE(FindPublishedMethod(&f.Src, w), nullptr) << w;
    const PropInfo* confirm = FindPublishedProperty(&f.Src, "ConfirmAutoCreate");
    ASSERT_NE(confirm, nullptr);
    EXPECT_EQ(confirm->Kind, pkEnumeration);
    EXPECT_EQ(confirm->GetOrd(f.Src), 1);
    confirm->SetOrd(f.Src, 0);
    EXPECT_FALSE(f.Src.ConfirmAutoCreate);
    const PropInfo* forthProp = FindPublishedProperty(&f.Src, "Forth");
    ASSERT_NE(forthProp, nullptr);
    forthProp->SetObj(f.Src, &forth);
    EXPECT_EQ(f.Src.Forth, &forth);
    EXPECT_EQ(FindPublishedProperty(&f.Src, "UndoStack")->GetObj(f.Src), f.Src.UndoStack.get());
    EXPECT_EQ(FindPublishedProperty(&f.Src, "HyperJumps")->GetObj(f.Src), f.Src.HyperJumps.get());
    FindPublishedProperty(&f.Src, "TopLine")->SetOrd(f.Src, 7);
    EXPECT_EQ(f.Src.GetTopLine(), 7);

    // HyperJump, GetIdentOnCursor and DeclareVar as words.
    f.At("procedure TShape.Move");
    forth.ExecWord("HyperJump");
    EXPECT_EQ(f.CursorText(), "    procedure Move(DX, DY: Integer);");
    f.Src.SetCursorCol(16);
    forth.ExecWord("GetIdentOnCursor");
    TCell c;
    forth.Pop(c);
    EXPECT_EQ(c.S, "Move");
    f.At("Result := APrefix");
    forth.PushString("Tmp");
    forth.PushString("Integer");
    forth.PushInteger(1);
    forth.ExecWord("DeclareVar");
    EXPECT_EQ(f.CursorText(), "  Tmp: Integer;");
    forth.PushString("TShape");
    forth.ExecWord("GotoClass");
    EXPECT_EQ(f.CursorText(), "  TShape = class(TPersistent)");
    forth.PushInteger(1);
    EXPECT_THROW(forth.ExecWord("GotoMethod"), EStack);

    // The Classes Registry words.
    forth.PushString("/src/Other.pas");
    forth.ExecWord("RegisterUnit");
    forth.PushString("/src/Other.pas");
    forth.PushString("TOther");
    forth.PushString("TShape");
    forth.ExecWord("RegisterClass");
    std::string file;
    EXPECT_TRUE(f.Src.FindClassSource("TOther", file));
    EXPECT_EQ(file, "/src/Other.pas");
}

// The cursor, margin, view and undo places can be changed only through
// what keeps them in range.
template <class T>
concept CursorFieldsWritable = requires(T& t) { t.CursorLine = 0; } || requires(T& t) { t.CursorCol = 0; } ||
                               requires(T& t) { t.Margin = 0; } || requires(T& t) { t.Modified = true; };
template <class T>
concept ViewFieldsWritable = requires(T& t) { t.TopLine = 0; } || requires(T& t) { t.TopCol = 0; };
template <class T>
concept StackFieldsWritable = requires(T& t) { t.Top = 0; } || requires(T& t) { t.Items[0]; };
static_assert(!CursorFieldsWritable<TIText> && !CursorFieldsWritable<TIHyperSourceCode>);
static_assert(!ViewFieldsWritable<TIHyperSourceCode>);
static_assert(!StackFieldsWritable<THyperJumpStack>);

TEST(HyperWords, AbsurdViewValuesFromACommandFileAreRefused) {
    // Places are measured from the view and the cursor: a value near the
    // integer limits would overflow the arithmetic of the next jump, one
    // past the bounds would make the padding eat the memory.
    test::TTempFolder dir;
    THyperFixture f;
    TForth forth;
    forth.Objects.AddObject("SourceCode", &f.Src);
    auto run = [&](const std::string& program) {
        forth.ExecForthFile(dir.Write("commands.fth", program + "\r\n"));
    };
    auto read = [&](const std::string& prop) {
        run("SourceCode :: " + prop + " .@");
        TCell c;
        forth.Pop(c);
        return c.Value;
    };
    f.At("procedure TShape.Move");
    const std::pair<const char*, int32_t> props[] = {
        {"TopLine", 3}, {"TopCol", 4}, {"CursorLine", f.Src.GetCursorLine()}, {"CursorCol", 7}, {"Margin", 2}};
    for (const auto& [prop, value] : props) {
        run(std::to_string(value) + " SourceCode :: " + prop + " .!");
        for (const char* v : {"$80000000", "-1", "$7FFFFFFF", "1048577"})
            EXPECT_THROW(run(std::string(v) + " SourceCode :: " + prop + " .!"), ERangeError) << prop << " " << v;
    }
    for (const auto& [prop, value] : props) EXPECT_EQ(read(prop), value) << prop;
    EXPECT_EQ(f.Src.GetTopLine(), 3);
    EXPECT_EQ(f.Src.GetCursorCol(), 7);
    EXPECT_EQ(f.Src.GetMargin(), 2);

    // The undo places publish nothing a command file could write.
    f.Src.UndoStack->Push(TLinkInfo{});
    for (const char* program : {"0 SourceCode :: UndoStack :: Top .!", "SourceCode :: UndoStack :: Items .@"})
        EXPECT_THROW(run(program), EForth) << program;
    EXPECT_EQ(f.Src.UndoStack->Depth(), 1);
    f.Src.UndoStack->Drop();

    run("5 SourceCode :: TopLine .! 2 SourceCode :: TopCol .!");
    EXPECT_EQ(read("TopLine"), 5);
    EXPECT_EQ(f.Src.GetTopCol(), 2);
    const int from = f.Src.GetCursorLine();
    run("SourceCode :: HyperJump SourceCode :: PopUndo");
    EXPECT_EQ(f.Src.GetCursorLine(), from);
    EXPECT_EQ(f.Src.GetTopLine(), 5);
}

}  // namespace
}  // namespace velt
