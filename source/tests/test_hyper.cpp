// HyperJump on the fixture unit data/hyper/shapes.pas: every case against a
// golden snapshot (questions asked, messages, cursor, text), plus the checks
// that pin the mended faults.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "source/HyperSourceCode.h"
#include "source/tests/HyperTestUtil.h"

namespace velt {
namespace {

using test::THyperFixture;
using test::ExpectSnapshot;
using testing::ThrowsMessage;

// ---- declaration <-> implementation ------------------------------------------------------

TEST(HyperJumpMethods, DeclarationToImplementationAndBack) {
    THyperFixture f;
    const int decl = f.At("procedure Move(DX");
    f.Src.HyperJump();
    // No remembered place yet: the implementation's "begin".
    EXPECT_EQ(f.CursorText(), "begin");
    EXPECT_EQ(f.Src.GetTopLine(), f.LineOf("procedure TShape.Move"));
    EXPECT_TRUE(f.Port.Log.empty());
    // Back to the declaration; the place inside the implementation is remembered.
    f.Src.SetCursorLine(f.LineOf("  X := 5;"));
    f.Src.SetCursorCol(3);
    f.Src.HyperJump();
    EXPECT_EQ(f.Src.GetCursorLine(), decl);
    EXPECT_EQ(f.Src.GetCursorCol(), 5);
    f.Src.HyperJump();
    EXPECT_EQ(f.Src.GetCursorLine(), f.LineOf("  X := 5;"));
    EXPECT_EQ(f.Src.GetCursorCol(), 3);
    EXPECT_FALSE(f.Src.GetModified());
}

TEST(HyperJumpMethods, MissingImplementationIsCreatedAfterYes) {
    THyperFixture f;
    f.Jump("function Radius: Integer;", {true});
    EXPECT_EQ(f.CursorText(), "end {TCircle.Radius};");
    ExpectSnapshot(f, "impl_created.txt");
}

TEST(HyperJumpMethods, OverrideFunctionGetsInheritedResult) {
    THyperFixture f;
    f.Src.ConfirmAutoCreate = false;  // no question at all
    f.Jump("function Diameter: Integer; override;");
    EXPECT_TRUE(f.Port.Log.empty());
    ExpectSnapshot(f, "impl_override_function.txt");
}

TEST(HyperJumpMethods, AnsweredNoChangesNothing) {
    THyperFixture f;
    const int line = f.At("function Radius: Integer;");
    const std::string before = f.Src.GetLinesText();
    f.Answer({false});
    f.Src.HyperJump();
    EXPECT_EQ(f.Port.Log, std::vector<std::string>{"Confirm: Create implementation TCircle::Radius ?"});
    EXPECT_EQ(f.Src.GetLinesText(), before);
    EXPECT_EQ(f.Src.GetCursorLine(), line);
    EXPECT_FALSE(f.Src.GetModified());
}

TEST(HyperJumpMethods, AbstractIsADirectiveNotASubstring) {
    THyperFixture f;
    EXPECT_THAT([&] { f.Jump("procedure Draw; virtual; abstract;"); },
                ThrowsMessage<EInvalidAction>("Cannot create abstract method TShape::Draw"));
    EXPECT_FALSE(f.Src.GetModified());
    // A method whose name holds "Abstract" is an ordinary method.
    f.Jump("procedure SetAbstract(Value: Boolean);", {true});
    EXPECT_EQ(f.CursorText(), "end {TShape.SetAbstract};");
    ExpectSnapshot(f, "impl_set_abstract.txt");
}

TEST(HyperJumpMethods, UnitRoutines) {
    THyperFixture f;
    f.Jump("procedure Register;");
    EXPECT_EQ(f.Src.GetCursorLine(), f.LineOf("procedure Register;", 1) + 1);
    f.Jump("function ShapeCount: Integer;", {true});
    ExpectSnapshot(f, "impl_unit_routine.txt");
}

TEST(HyperJumpMethods, HeadersThatDifferOfferARefresh) {
    THyperFixture f;
    f.Port.RefreshResults.push_back(mrAbort);  // the declaration from the implementation
    f.Jump("function Describe(");
    EXPECT_EQ(f.CursorText(), "begin");
    ExpectSnapshot(f, "refresh_on_jump.txt");
}

TEST(HyperJumpImplementations, ImplementationToDeclaration) {
    THyperFixture f;
    f.Jump("procedure TShape.Move");
    EXPECT_EQ(f.Src.GetCursorLine(), f.LineOf("procedure Move(DX"));
    EXPECT_EQ(f.Src.HyperJumps->GetCount(), 1);
    EXPECT_EQ(f.Src.UndoStack->Depth(), 1);
    // From the middle of a unit routine.
    f.At("procedure Register;", 1);
    f.Src.SetCursorLine(f.Src.GetCursorLine() + 1);
    f.Src.HyperJump();
    EXPECT_EQ(f.Src.GetCursorLine(), f.LineOf("procedure Register;"));
    EXPECT_FALSE(f.Src.GetModified());
}

TEST(HyperJumpImplementations, UndeclaredMethod) {
    THyperFixture f;
    const std::string before = f.Src.GetLinesText();
    f.Jump("procedure TShape.Orphan;", {false});
    // No changes but the remembered place and the undo stack.
    EXPECT_EQ(f.Src.GetLinesText(), before);
    EXPECT_EQ(f.Src.HyperJumps->GetCount(), 1);
    EXPECT_EQ(f.Src.UndoStack->Depth(), 1);
    f.Port.Log.clear();
    f.Answer({true});
    f.Src.HyperJump();
    ExpectSnapshot(f, "decl_created.txt");
}

TEST(HyperJumpImplementations, Errors) {
    THyperFixture f;
    EXPECT_THAT([&] { f.Jump("{ TShape }"); }, ThrowsMessage<EInvalidAction>("Where am I ?"));
    f.At("procedure TGhost.Haunt;");
    f.Src.SetCursorLine(f.Src.GetCursorLine() + 1);
    EXPECT_THAT([&] { f.Src.HyperJump(); }, ThrowsMessage<EInvalidSourceCode>("Class TGhost not found."));
    EXPECT_TRUE(f.Src.UndoStack->Empty());
}

// ---- properties, fields, types ------------------------------------------------------------

TEST(HyperJumpProperties, FieldIsFoundByItsWholeName) {
    THyperFixture f;
    f.Jump("property Size: Integer");
    // FSizeLimit comes first and is not FSize.
    EXPECT_EQ(f.CursorText(), "    FSize: Integer;");
    EXPECT_EQ(f.Src.GetCursorCol(), 5);
    EXPECT_EQ(f.Src.GetTopLine(), f.LineOf("property Size: Integer"));
    EXPECT_TRUE(f.Port.Log.empty());
    EXPECT_FALSE(f.Src.GetModified());
}

TEST(HyperJumpProperties, ExpandShiftsTheRestOfTheLine) {
    THyperFixture f;
    f.Jump("property Thickness", {true});
    EXPECT_EQ(f.Src.Lines->Get(f.LineOf("property Thickness")),
              "    property Thickness: Integer read FThickness write FThickness;");
    EXPECT_EQ(f.CursorText(), "    FThickness: Integer;");
    ExpectSnapshot(f, "property_expand_field.txt");
}

TEST(HyperJumpProperties, ExpandToAShorterNameKeepsColumns) {
    THyperFixture f;
    f.Jump("property Limit", {true});
    EXPECT_EQ(f.Src.Lines->Get(f.LineOf("property Limit")),
              "    property Limit: Integer read FLimit     write FLimit    ;");
    ExpectSnapshot(f, "property_expand_shorter.txt");
}

TEST(HyperJumpProperties, GetterAndSetterAreGenerated) {
    THyperFixture f;
    f.Jump("property Height", {true, true, true, true});  // both renames, both implementations
    // Back on the setter's declaration, the implementation remembered.
    EXPECT_EQ(f.CursorText(), "    procedure SetHeight(Value: Integer);");
    EXPECT_EQ(f.Src.MethodBody, "");
    ExpectSnapshot(f, "property_accessors.txt");
    // The accessor bodies do not leak into later implementations.
    f.Jump("function Radius: Integer;", {true});
    EXPECT_EQ(f.Src.Lines->Get(f.Src.GetCursorLine() - 1), "begin");
}

TEST(HyperJumpProperties, IndexedAccessorsKeepTheirNamesOnNo) {
    THyperFixture f;
    f.Jump("property Items[", {false, true, false, true});
    ExpectSnapshot(f, "property_indexed.txt");
}

TEST(HyperJumpProperties, ExistingGetter) {
    THyperFixture f;
    f.Jump("property Area");
    EXPECT_EQ(f.CursorText(), "    function GetArea: Integer; virtual;");
    EXPECT_FALSE(f.Src.GetModified());
}

TEST(HyperJumpProperties, ClassWithoutPrivatePartGetsOne) {
    THyperFixture f;
    f.Jump("property Depth");
    EXPECT_EQ(f.CursorText(), "    FDepth: Integer;");
    EXPECT_EQ(f.Src.Lines->Get(f.Src.GetCursorLine() - 1), "  private");
    EXPECT_EQ(f.Src.Lines->Get(f.Src.GetCursorLine() + 1), "  public");
    ExpectSnapshot(f, "property_new_private.txt");
}

TEST(HyperJumpProperties, InterfaceMembersGetDeclarationsOnly) {
    THyperFixture f;
    // A bare "= interface" header is an interface: a method declaration
    // there has no implementation to create.
    const std::string before = f.Src.GetLinesText();
    f.Jump("procedure Paint;");
    f.Jump("procedure Print;");
    EXPECT_EQ(f.Src.GetLinesText(), before);
    EXPECT_TRUE(f.Port.Log.empty());
    EXPECT_TRUE(f.Src.UndoStack->Empty());
    // A missing getter is declared inside the interface, nothing else.
    f.Jump("property Width: Integer read GetWidth;");
    EXPECT_EQ(f.CursorText(), "    function GetWidth: Integer;");
    EXPECT_TRUE(f.Port.Log.empty());
    EXPECT_EQ(f.LineOf("IDrawable.GetWidth"), -1);
    ExpectSnapshot(f, "interface_getter.txt");
}

TEST(HyperJumpProperties, BareInterfaceHeaders) {
    TIHyperSourceCode s;
    // Line, kind and name ("" when the line is none: forward, a longer word, no "=").
    const std::tuple<const char*, int, const char*> cases[] = {
        {"  IFoo = interface", 3, "IFoo"},
        {"  DFoo = dispinterface { automation }", 3, "DFoo"},
        {"  IFoo = interface;", 0, ""},
        {"  IFoo = interfaces", 0, ""},
        {"  X := interface", 0, ""},
    };
    for (const auto& [line, kind, name] : cases) {
        std::string n;
        EXPECT_EQ(s.ClassHeaderKind(line, n), kind) << line;
        EXPECT_EQ(n, name) << line;
    }
    // A dispinterface member: no implementation is offered.
    test::LoadText(s, "unit U;\ninterface\ntype\n  DFoo = dispinterface\n    procedure Run; dispid 1;\n"
                      "    property Size: Integer read GetSize;\n  end;\nimplementation\nend.\n");
    TScriptedDialogPort port;
    TDialogPortGuard guard(&port);
    s.SetCursorLine(4);
    s.HyperJump();
    EXPECT_FALSE(s.GetModified());
    s.SetCursorLine(5);
    s.HyperJump();
    EXPECT_EQ(s.Lines->Get(6), "    function GetSize: Integer;");
    EXPECT_EQ(s.Lines->Count(), 10);
    EXPECT_TRUE(port.Log.empty());
}

const char* const kProperties =
    "unit Props;\n"
    "interface\n"
    "type\n"
    "  TBase = class\n"
    "  private\n"
    "    FCaption: string;\n"
    "  protected\n"
    "    function GetText: string;\n"
    "  end;\n"
    "  TProps = class(TBase)\n"
    "  private\n"
    "    FA, FSize: Integer;\n"
    "    FB,\n"
    "      FCount: Integer;\n"
    "    FBounds: TRect;\n"
    "  public\n"
    "    property Read: Integer read FR write FR;\n"
    "    property Size: Integer read FSize;\n"
    "    property Count: Integer read FCount write FCount;\n"
    "    property Left: Integer read FBounds.Left;\n"
    "    property First: Integer read FItems[0];\n"
    "    property OnChange: TNotifyEvent read FOnChange write FOnChange{x};\n"
    "    property Caption: string read FCaption;\n"
    "    property Text: string read GetText;\n"
    "    property Align;\n"
    "  end;\n"
    "implementation\n"
    "end.\n";

TEST(HyperJumpProperties, AccessorsAreFoundWhereverTheyAreDeclared) {
    THyperFixture f;
    f.Src.SetLinesText(kProperties);
    f.Src.ValidateLines();
    const std::string before = f.Src.GetLinesText();
    // Fields in comma lists, on one line and running over two.
    f.Jump("property Size:");
    EXPECT_EQ(f.CursorText(), "    FA, FSize: Integer;");
    EXPECT_EQ(f.Src.GetCursorCol(), 9);
    f.Jump("property Count:");
    EXPECT_EQ(f.CursorText(), "      FCount: Integer;");
    // A record member, an array element: nothing to declare, and said so.
    f.Jump("property Left:");
    f.Jump("property First:");
    // Declared by the ancestor: said so, nothing declared twice.
    f.Jump("property Caption:");
    f.Jump("property Text:");
    f.Jump("property Align;");
    EXPECT_EQ(f.Src.GetLinesText(), before);
    EXPECT_FALSE(f.Src.GetModified());
    EXPECT_TRUE(f.Port.Log.empty());
    EXPECT_EQ(f.Sink.Lines, (std::vector<std::string>{
                                "Info: Property Left: FBounds.Left is not a plain name, nothing is declared",
                                "Info: Property First: FItems[0] is not a plain name, nothing is declared",
                                "Info: FCaption is declared in TBase, nothing is declared",
                                "Info: GetText is declared in TBase, nothing is declared"}));
    // A comment glued to the accessor is no part of its name.
    f.Jump("property OnChange:");
    EXPECT_EQ(f.CursorText(), "    FOnChange: TNotifyEvent;");
    EXPECT_TRUE(f.Port.Log.empty());
}

TEST(HyperJumpProperties, PropertyNamedReadRenamesBothAccessors) {
    THyperFixture f;
    f.Src.SetLinesText(kProperties);
    f.Src.ValidateLines();
    f.Jump("property Read:", {true});
    EXPECT_EQ(f.Src.Lines->Get(f.LineOf("property Read:")), "    property Read: Integer read FRead write FRead;");
    EXPECT_EQ(f.CursorText(), "    FRead: Integer;");
    EXPECT_EQ(f.LineOf("FRead: Integer;", 1), -1);
}

TEST(HyperJumpFields, FieldToProperty) {
    THyperFixture f;
    f.Jump("FSize: Integer;");
    EXPECT_EQ(f.Src.GetCursorLine(), f.LineOf("property Size: Integer"));
    EXPECT_EQ(f.Src.GetCursorCol(), 1);
    f.Jump("FWidth: Integer;", {true});
    ExpectSnapshot(f, "field_property.txt");
}

TEST(HyperJumpTypes, PointerType) {
    THyperFixture f;
    f.Jump("TPoint2 = record", {true});
    EXPECT_EQ(f.CursorText(), "  PPoint2 = ^TPoint2;");
    EXPECT_EQ(f.Src.GetCursorCol(), 21);
    ExpectSnapshot(f, "pointer_type.txt");
    // Already there: no question.
    f.Port.Log.clear();
    f.Jump("TShapeKind = (");
    EXPECT_TRUE(f.Port.Log.empty());
    // Without confirmation; other types are left alone.
    f.Src.ConfirmAutoCreate = false;
    f.Jump("IPrintable = interface(IUnknown)");
    f.At("TPoint2 = record");
    f.Src.Lines->Delete(f.Src.GetCursorLine() - 1);
    f.Src.SetCursorLine(f.Src.GetCursorLine() - 1);
    f.Src.HyperJump();
    EXPECT_EQ(f.CursorText(), "  PPoint2 = ^TPoint2;");
    EXPECT_TRUE(f.Port.Log.empty());
}

// ---- nested classes ---------------------------------------------------------------------------

TEST(HyperJumpNested, MethodsOfANestedClass) {
    THyperFixture f;
    f.Src.SetLinesText(
        "unit Nest;\n"
        "interface\n"
        "type\n"
        "  TOuter = class\n"
        "  public\n"
        "    type\n"
        "      TInner = class\n"
        "        procedure InnerProc;\n"
        "        procedure Missing;\n"
        "      end;\n"
        "    procedure OuterProc;\n"
        "  end;\n"
        "  TRec = record\n"
        "  type\n"
        "    TIn = class\n"
        "      procedure RecProc;\n"
        "    end;\n"
        "  end;\n"
        "implementation\n"
        "procedure TOuter.TInner.InnerProc;\n"
        "begin\n"
        "  X := 1;\n"
        "end;\n"
        "procedure TOuter.OuterProc;\n"
        "begin\n"
        "end;\n"
        "procedure TRec.TIn.RecProc;\n"
        "begin\n"
        "end;\n"
        "end.\n");
    f.Src.ValidateLines();
    f.Jump("procedure InnerProc;");
    EXPECT_EQ(f.Src.GetTopLine(), f.LineOf("procedure TOuter.TInner.InnerProc;"));
    f.At("  X := 1;");
    f.Src.HyperJump();
    EXPECT_EQ(f.CursorText(), "        procedure InnerProc;");
    f.Jump("procedure OuterProc;");
    EXPECT_EQ(f.Src.GetTopLine(), f.LineOf("procedure TOuter.OuterProc;"));
    f.Jump("procedure RecProc;");
    EXPECT_EQ(f.Src.GetTopLine(), f.LineOf("procedure TRec.TIn.RecProc;"));
    f.At("procedure TRec.TIn.RecProc;");
    f.Src.SetCursorLine(f.Src.GetCursorLine() + 1);
    f.Src.HyperJump();
    EXPECT_EQ(f.CursorText(), "      procedure RecProc;");
    EXPECT_TRUE(f.Port.Log.empty());
    EXPECT_FALSE(f.Src.GetModified());
    // A missing one is created with its full name, once.
    f.Jump("procedure Missing;", {true});
    EXPECT_EQ(f.Port.Log, std::vector<std::string>{"Confirm: Create implementation TOuter.TInner::Missing ?"});
    EXPECT_EQ(f.CursorText(), "end {TOuter.TInner.Missing};");
    EXPECT_NE(f.LineOf("procedure TOuter.TInner.Missing;"), -1);
    f.Jump("procedure Missing;");
    EXPECT_EQ(f.Src.GetTopLine(), f.LineOf("procedure TOuter.TInner.Missing;"));
    EXPECT_EQ(f.Port.Log.size(), 1u);
}

// ---- local variables ------------------------------------------------------------------------

TEST(DeclareVar, AddsToTheVarSectionAndReturns) {
    THyperFixture f;
    f.At("  X := 5;", 0, 3);
    f.Port.Inputs.push_back({true, "Integer"});
    f.Src.DeclareVar("X", "Integer", false);
    // An assignment is no declaration: the variable is declared, and the
    // cursor follows the user's line.
    EXPECT_EQ(f.CursorText(), "  X := 5;");
    EXPECT_EQ(f.Src.GetCursorCol(), 3);
    ExpectSnapshot(f, "declare_var.txt");
}

TEST(DeclareVar, NewVarSectionAndCursorOnType) {
    THyperFixture f;
    f.At("Result := APrefix");
    f.Port.Inputs.push_back({true, "string"});
    f.Src.DeclareVar("S", "Integer", true);
    EXPECT_EQ(f.CursorText(), "  S: string;");
    EXPECT_EQ(f.Src.GetCursorCol(), 6);
    EXPECT_EQ(f.Src.GetTopLine(), f.LineOf("function TShape.Describe"));
    EXPECT_EQ(f.Src.UndoStack->Depth(), 1);
    ExpectSnapshot(f, "declare_var_section.txt");
}

TEST(DeclareVar, ExistingVariableAndCancel) {
    THyperFixture f;
    f.At("FSize := FSize + Count");
    f.Src.DeclareVar("Count", "Integer", true);
    EXPECT_EQ(f.CursorText(), "  Count: Integer;");
    EXPECT_EQ(f.Src.GetCursorCol(), 10);
    EXPECT_TRUE(f.Port.Log.empty());
    // Cancel without the flag: nothing at all.
    const int line = f.At("FSize := FSize + Count");
    f.Src.SetTopLine(3);
    const int depth = f.Src.UndoStack->Depth();
    f.Src.DeclareVar("Y", "Integer", false);
    EXPECT_EQ(f.Port.Log, std::vector<std::string>{"Input: Declare local variable|Declare variable Y as|Integer"});
    EXPECT_EQ(f.Src.GetCursorLine(), line);
    EXPECT_EQ(f.Src.GetTopLine(), 3);
    EXPECT_EQ(f.Src.UndoStack->Depth(), depth);
    EXPECT_FALSE(f.Src.GetModified());
    // Outside an implementation nothing happens.
    f.At("procedure Move(DX");
    f.Src.DeclareVar("Z", "Integer", true);
    EXPECT_FALSE(f.Src.GetModified());
}

// ---- overloads and headers written differently ---------------------------------------------------

const char* const kOverloads =
    "unit Lists;\n"
    "interface\n"
    "type\n"
    "  TItems = class\n"
    "  public\n"
    "    procedure InsertItem(Index: Integer; const S: string);\n"
    "    procedure InsertItem(Index: Integer; const S: string; O: TObject);\n"
    "    procedure InsertItem(const S: string);\n"
    "{$IFDEF UNIX}\n"
    "    procedure Put(I: Integer);\n"
    "{$ELSE}\n"
    "    procedure Put(I: Integer);\n"
    "{$ENDIF}\n"
    "    function Find(const S: string; Start: Integer = 0): Integer;\n"
    "    procedure Clear();\n"
    "    procedure Twin;\n"
    "    procedure Rename(const Name: string);\n"
    "    procedure Foo(A: Integer; // first\n"
    "      B: Integer);\n"
    "    function Count(const S: string)\n"
    "      : Integer;\n"
    "  end;\n"
    "implementation\n"
    "procedure TItems.InsertItem(Index: Integer; const S: string);\n"
    "begin\n"
    "end;\n"
    "procedure TItems.InsertItem(Index : integer;const S: String; O: TObject);\n"
    "begin\n"
    "  S2 := S;\n"
    "end;\n"
    "{$IFDEF UNIX}\n"
    "procedure TItems.Put(I: Integer);\n"
    "begin\n"
    "end;\n"
    "{$ELSE}\n"
    "procedure TItems.Put(I: Integer);\n"
    "begin\n"
    "end;\n"
    "{$ENDIF}\n"
    "function TItems.Find(const S: string; Start: Integer): integer;\n"
    "begin\n"
    "end;\n"
    "procedure TItems.Clear;\n"
    "begin\n"
    "end;\n"
    "{$IFDEF UNIX}\n"
    "procedure TItems.Twin;\n"
    "begin\n"
    "end;\n"
    "{$ELSE}\n"
    "procedure TItems.Twin;\n"
    "begin\n"
    "end;\n"
    "{$ENDIF}\n"
    "procedure TItems.Rename(const NewName: string);\n"
    "begin\n"
    "  FName := NewName;\n"
    "end;\n"
    "function TItems.Count(const S: string): Integer;\n"
    "begin\n"
    "end;\n"
    "procedure TItems.Bar(A: Integer; { the first }\n"
    "  B: Integer (* the second *));\n"
    "begin\n"
    "end;\n"
    "end.\n";

void OpenOverloads(THyperFixture& f) {
    f.Src.SetLinesText(kOverloads);
    f.Src.FileName = "lists.pas";
    f.Src.ValidateLines();
}

TEST(HyperJumpOverloads, EachDeclarationFindsItsOwnImplementation) {
    THyperFixture f;
    OpenOverloads(f);
    const std::string before = f.Src.GetLinesText();
    // The second overload, written with other blanks and letter case: no question.
    f.Jump("O: TObject);");
    EXPECT_EQ(f.Src.GetTopLine(), f.LineOf("procedure TItems.InsertItem(Index : integer"));
    f.Src.SetCursorLine(f.Src.GetCursorLine() + 1);
    f.Src.HyperJump();
    EXPECT_EQ(f.Src.GetCursorLine(), f.LineOf("O: TObject);"));
    // The first overload goes to its own implementation, not to the place
    // remembered in the second.
    f.Jump("procedure InsertItem(Index: Integer; const S: string);");
    EXPECT_EQ(f.Src.GetTopLine(), f.LineOf("procedure TItems.InsertItem(Index: Integer"));
    // The same header twice under conditional compilation: in order.
    for (int nth : {0, 1}) {
        f.At("procedure Put(", nth);
        f.Src.HyperJump();
        EXPECT_EQ(f.Src.GetTopLine(), f.LineOf("procedure TItems.Put(", nth)) << nth;
        f.At("procedure TItems.Put(", nth);
        f.Src.HyperJump();
        EXPECT_EQ(f.CursorText(), f.Src.Lines->Get(f.LineOf("procedure Put(", nth))) << nth;
        EXPECT_EQ(f.Src.GetCursorLine(), f.LineOf("procedure Put(", nth)) << nth;
        // One declaration, implemented twice under conditional compilation.
        f.At("procedure TItems.Twin;", nth);
        f.Src.HyperJump();
        EXPECT_EQ(f.CursorText(), "    procedure Twin;") << nth;
    }
    EXPECT_TRUE(f.Port.Log.empty());
    // An overload without an implementation is offered one, never another's.
    f.Jump("procedure InsertItem(const S: string);", {false});
    EXPECT_EQ(f.Port.Log, std::vector<std::string>{"Confirm: Create implementation TItems::InsertItem ?"});
    EXPECT_EQ(f.Src.GetLinesText(), before);
    EXPECT_FALSE(f.Src.GetModified());
}

TEST(HyperJumpOverloads, HeadersEqualInPascalAskNothing) {
    THyperFixture f;
    OpenOverloads(f);
    // Blanks and letter case, an empty "()", a default value left out in the
    // implementation: from both sides, the jump and the word.
    for (const char* needle : {"function Find(", "procedure Clear();", "function TItems.Find(", "procedure TItems.Clear;"}) {
        f.Jump(needle);
        f.At(needle);
        f.Src.RefreshHeader();
    }
    EXPECT_TRUE(f.Port.Log.empty());
    EXPECT_FALSE(f.Src.GetModified());
    const char* const equal[][2] = {
        {"    function Find(const S: string; Start: Integer = 0): Integer; virtual;",
         "function TItems.Find(const s :String;Start:integer)  : INTEGER;"},
        {"  procedure Clear();", "procedure TItems.Clear;"},
        {"  procedure Put(var A, B: Integer);", "procedure TItems.Put(var A: Integer; var B: Integer);"},
    };
    for (const auto& [decl, impl] : equal) EXPECT_TRUE(f.Src.SameHeaders(decl, impl)) << impl;
    const char* const differ[][2] = {
        {"  function Find(const S: string): Integer;", "function TItems.Find(S: string): Integer;"},
        {"  function Find(const S: string): Integer;", "function TItems.Find(const Text: string): Integer;"},
        {"  function Find(const S: string): Integer;", "function TItems.Find(const S: string): Int64;"},
        {"  function Find(A: Integer = 0): Integer;", "function TItems.Find(A: Integer = 1): Integer;"},
        {"  procedure Find(A: Integer);", "function TItems.Find(A: Integer): Integer;"},
    };
    for (const auto& [decl, impl] : differ) EXPECT_FALSE(f.Src.SameHeaders(decl, impl)) << impl;
}

TEST(HyperJumpOverloads, RealDifferencesAreStillRefreshed) {
    THyperFixture f;
    OpenOverloads(f);
    // From the body of the implementation: no question.
    f.At("  FName := NewName;");
    f.Src.HyperJump();
    EXPECT_EQ(f.CursorText(), "    procedure Rename(const Name: string);");
    EXPECT_TRUE(f.Port.Log.empty());
    // From its header line: asked, and the implementation refreshed.
    f.Port.RefreshResults.push_back(mrIgnore);
    f.Jump("procedure TItems.Rename(");
    EXPECT_EQ(f.Port.Log.size(), 1u);
    EXPECT_EQ(f.Src.Lines->Get(f.LineOf("procedure TItems.Rename")), "procedure TItems.Rename(const Name: string);");
    // A declaration rewritten from its implementation keeps its default value.
    const int impl = f.LineOf("function TItems.Find(");
    f.Src.Lines->Put(impl, "function TItems.Find(const Text: string; Start: Integer): Integer;");
    f.Port.RefreshResults.push_back(mrAbort);
    f.Jump("function Find(");
    EXPECT_EQ(f.Src.Lines->Get(f.LineOf("function Find(")),
              "    function Find(const Text: string; Start: Integer = 0): Integer;");
    EXPECT_EQ(f.Port.Log.size(), 2u);
}

TEST(HyperJumpOverloads, CommentsInMultiLineHeadersStayOutOfGeneratedCode) {
    THyperFixture f;
    OpenOverloads(f);
    f.Src.ConfirmAutoCreate = false;
    f.Jump("procedure Foo(A: Integer; // first");
    EXPECT_NE(f.LineOf("procedure TItems.Foo(A: Integer; B: Integer);"), -1);
    f.Jump("procedure TItems.Bar(");
    EXPECT_EQ(f.CursorText(), "    procedure Bar(A: Integer; B: Integer);");
    EXPECT_EQ(f.Src.HeaderText(f.LineOf("procedure Foo(")), "    procedure Foo(A: Integer; B: Integer);");
    // A result type on a line of its own belongs to the header.
    EXPECT_EQ(f.Src.HeaderText(f.LineOf("function Count(")), "    function Count(const S: string): Integer;");
    f.Jump("function Count(");
    EXPECT_EQ(f.Src.GetTopLine(), f.LineOf("function TItems.Count("));
    EXPECT_TRUE(f.Port.Log.empty());
}

// ---- header refresh --------------------------------------------------------------------------

TEST(RefreshHeader, DeclarationAndImplementationSides) {
    {
        THyperFixture f;
        f.At("function TShape.Describe");
        f.Port.RefreshResults.push_back(mrIgnore);  // the implementation from the declaration
        f.Src.RefreshHeader();
        EXPECT_EQ(f.Src.Lines->Get(f.LineOf("TShape.Describe")),
                  "function TShape.Describe(const Prefix: string): string;");
        EXPECT_EQ(f.Port.Log.back(),
                  "RefreshHeader: TShape::Describe|function Describe(const Prefix: string): string;|"
                  "function TShape.Describe(const APrefix: string): string;|intf");
    }
    {
        THyperFixture f;
        f.At("function Describe(");
        f.Port.RefreshResults.push_back(mrAbort);
        f.Src.RefreshHeader();
        EXPECT_EQ(f.CursorText(), "    function Describe(const APrefix: string): string;");
        EXPECT_EQ(f.Src.GetMargin(), 0);
        EXPECT_EQ(f.Port.Log.back().substr(f.Port.Log.back().size() - 4), "impl");
        // Now equal: no question.
        f.Port.Log.clear();
        f.Src.RefreshHeader();
        EXPECT_TRUE(f.Port.Log.empty());
    }
}

TEST(RefreshHeader, MultiLineHeaderIsRefused) {
    THyperFixture f;
    f.At("procedure Resize(AWidth,");
    const std::string before = f.Src.GetLinesText();
    f.Port.RefreshResults.push_back(mrAbort);
    f.Src.RefreshHeader();
    EXPECT_EQ(f.Src.GetLinesText(), before);
    EXPECT_TRUE(f.Port.Log.empty());
    ASSERT_EQ(f.Sink.Lines.size(), 1u);
    EXPECT_NE(f.Sink.Lines[0].find("TShape::Resize runs over several lines"), std::string::npos);
    // The same from the implementation side.
    f.At("procedure TShape.Resize");
    f.Src.RefreshHeader();
    EXPECT_EQ(f.Src.GetLinesText(), before);
    EXPECT_EQ(f.Sink.Lines.size(), 2u);
    // A jump passes by without asking or saying anything.
    f.Jump("procedure Resize(AWidth,");
    EXPECT_TRUE(f.Port.Log.empty());
    EXPECT_EQ(f.Sink.Lines.size(), 2u);
}

TEST(RefreshHeader, Errors) {
    THyperFixture f;
    for (const auto& [needle, message] : {std::pair{"function Radius: Integer;", "Method TCircle::Radius is not implemented"},
                                          {"function ShapeCount: Integer;", "Function ShapeCount is not implemented"},
                                          {"procedure TShape.Orphan;", "Function Orphan is not declared"}}) {
        f.At(needle);
        EXPECT_THAT([&] { f.Src.RefreshHeader(); }, ThrowsMessage<EInvalidSourceCode>(message)) << needle;
    }
    // Not a method declaration: nothing.
    f.At("property Size");
    f.Src.RefreshHeader();
    EXPECT_FALSE(f.Src.GetModified());
}

}  // namespace
}  // namespace velt
