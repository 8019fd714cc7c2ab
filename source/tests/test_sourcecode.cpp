// Pascal unit model: line tests, sections, searches, unit and class lists,
// extractors and the generated code (golden files under data/golden).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "foundation/CommMsg.h"
#include "forth/Forth.h"
#include "source/SourceCode.h"
#include "source/tests/SourceTestUtil.h"

namespace velt {
namespace {

using test::L;
using test::LoadFixture;
using test::LoadText;
using test::TSinkGuard;

// IntfLine, ImplLine, ImplEndLine, EndLine.
std::array<int, 4> Sections(const TISourceCode& s) { return {s.IntfLine, s.ImplLine, s.ImplEndLine, s.EndLine}; }

// ---- line tests -----------------------------------------------------------------

TEST(SourceLineTests, PrefixIsCaseAwareAndWholeWord) {
    TISourceCode s;
    EXPECT_TRUE(s.izPrefix("end", "end;"));
    EXPECT_TRUE(s.izPrefix("end", "END."));
    EXPECT_TRUE(s.izPrefix("end", "end"));
    EXPECT_TRUE(s.izPrefix("end.", "end.x"));
    EXPECT_FALSE(s.izPrefix("end", "EndPos: Integer;"));
    EXPECT_FALSE(s.izPrefix("end", "endian: Boolean;"));
    EXPECT_FALSE(s.izPrefix("var", "Variance = 3;"));
    EXPECT_FALSE(s.izPrefix("uses", "UsesCount: Integer;"));
    EXPECT_FALSE(s.izPrefix("begin", "BeginUpdate;"));
    EXPECT_TRUE(s.izPrefix("", "anything"));
    s.CaseSensitive = true;
    EXPECT_FALSE(s.izPrefix("end", "END;"));
    EXPECT_TRUE(s.izPrefix("end", "end;"));
    s.CaseSensitive = false;
    EXPECT_TRUE(s.is2Prefix("end", ";", "end ;"));
    EXPECT_TRUE(s.is2Prefix("class", "function", "class   function Foo: Integer;"));
    EXPECT_FALSE(s.is2Prefix("class", "function", "class procedure Foo;"));
}

TEST(SourceLineTests, ClassHeaders) {
    TISourceCode s;
    std::string n;
    EXPECT_EQ(s.isValidClass("  TFoo = class(TBar)", n), 2);
    EXPECT_EQ(n, "TFoo");
    EXPECT_EQ(s.isValidClass("TFoo=class", n), 2);
    EXPECT_EQ(s.isValidClass("  TFoo = class sealed(TBar)", n), 2);
    EXPECT_EQ(s.isValidClass("  TFoo = class;", n), 0);            // forward
    EXPECT_EQ(s.isValidClass("  TFoo = class(TBar);", n), 0);      // one-line class
    EXPECT_EQ(s.isValidClass("  TFooClass = class of TFoo", n), 0);
    EXPECT_EQ(s.isValidClass("  TObj = object(TBase)", n), 1);
    EXPECT_EQ(s.isValidClass("  TObj = object", n), 1);
    EXPECT_EQ(s.isValidClass("  TObj = packed object", n), 1);
    EXPECT_EQ(s.isValidClass("  IFoo = interface(IUnknown)", n), 3);
    EXPECT_EQ(s.isValidClass("  IFoo = interface ['{00000000-0000-0000-0000-000000000000}']", n), 3);
    EXPECT_EQ(s.isValidClass("  IFoo = interface", n), 0);  // needs "[" or "(" on its line
    EXPECT_EQ(s.isValidClass("  DFoo = dispinterface ['{1}']", n), 3);
    EXPECT_EQ(s.isValidClass("  TFoo<T> = class", n), 0);
    EXPECT_EQ(s.isValidClass("  if A = classic then", n), 0);
    EXPECT_EQ(s.isValidClass("  X := Y", n), 0);
    EXPECT_EQ(s.isValidClass("\tTTab\t=\tclass(TBar)", n), 2);
    EXPECT_EQ(n, "TTab");
}

TEST(SourceLineTests, MethodDeclarations) {
    TISourceCode s;
    // Line, inside a class, and the name recognised ("" for none).
    const std::tuple<const char*, bool, const char*> cases[] = {
        {"    procedure Paint; override;", true, "Paint"},
        {"    procedure   Foo;", true, "Foo"},
        {"\tprocedure\tTabbed(A: Integer);", true, "Tabbed"},
        {"    function Get : Integer;", true, "Get"},
        {"    class function Kinds: Integer;", true, "Kinds"},
        {"    constructor Create(AOwner: TComponent);", true, "Create"},
        {"    destructor Destroy; override;", true, "Destroy"},
        {"procedure Paint;", true, ""},  // not indented
        {"    procedure IFoo.Bar = Baz;", true, ""},
        {"    procedures: Integer;", true, ""},
        {"function AFunction: Integer;", false, "AFunction"},
        {"  procedure Indented;", false, ""},  // unit level: column 1
        {"constructor Create;", false, ""},
    };
    for (const auto& [line, inClass, name] : cases) {
        std::string n;
        EXPECT_EQ(s.isValidMethodDecl(line, n, inClass), *name != 0) << line;
        EXPECT_EQ(n, name) << line;
    }
}

TEST(SourceLineTests, ImplementationHeaders) {
    TISourceCode s;
    std::string c, m;
    EXPECT_TRUE(s.isValidMethodImpl("procedure TShape.Paint;", c, m));
    EXPECT_EQ(c, "TShape");
    EXPECT_EQ(m, "Paint");
    EXPECT_TRUE(s.isValidMethodImpl("class function TShape . Kinds: Integer;", c, m));
    EXPECT_EQ(c, "TShape");
    EXPECT_EQ(m, "Kinds");
    EXPECT_TRUE(s.isValidMethodImpl("constructor TShape.Create(AOwner: TComponent);", c, m));
    EXPECT_TRUE(s.isValidMethodImpl("function AFunction: Integer;", c, m));
    EXPECT_EQ(c, "");
    EXPECT_EQ(m, "AFunction");
    // The dot of a qualified parameter type is not a method qualifier.
    EXPECT_TRUE(s.isValidMethodImpl("procedure Foo(S: Classes.TStream);", c, m));
    EXPECT_EQ(c, "");
    EXPECT_EQ(m, "Foo");
    EXPECT_TRUE(s.isValidMethodImpl("function Bar: Classes.TList;", c, m));
    EXPECT_EQ(c, "");
    EXPECT_FALSE(s.isValidMethodImpl("constructor Create(S: Classes.TStream);", c, m));
    EXPECT_FALSE(s.isValidMethodImpl("  procedure TShape.Paint;", c, m));  // column 1 only
    // A method of a class nested in another.
    EXPECT_TRUE(s.isValidMethodImpl("procedure TOuter . TInner.Run;", c, m));
    EXPECT_EQ(c, "TOuter.TInner");
    EXPECT_EQ(m, "Run");
    for (const char* bad : {"procedure A..C;", "procedure .C;", "procedure A.B.;", "procedure A.1B.C;"})
        EXPECT_FALSE(s.isValidMethodImpl(bad, c, m)) << bad;
}

TEST(SourceLineTests, Properties) {
    TISourceCode s;
    TPropertyInfo p;
    ASSERT_TRUE(s.isValidProperty("    property Name: string read FName write SetName;", p));
    EXPECT_EQ(p.Name, "Name");
    EXPECT_EQ(p.Type, "string");
    EXPECT_EQ(p.Read, "FName");
    EXPECT_EQ(p.Write, "SetName");
    ASSERT_TRUE(s.isValidProperty("property Items[Index: Integer]: TShape read GetItem write SetItem; default;", p));
    EXPECT_EQ(p.Name, "Items");
    EXPECT_EQ(p.Index, "Index: Integer");
    EXPECT_EQ(p.Type, "TShape");
    EXPECT_EQ(p.Read, "GetItem");
    // "read" and "write" are words, not parts of names.
    ASSERT_TRUE(s.isValidProperty("  property Thread: TThread read FThread;", p));
    EXPECT_EQ(p.Type, "TThread");
    EXPECT_EQ(p.Read, "FThread");
    EXPECT_EQ(p.Write, "");
    ASSERT_TRUE(s.isValidProperty("  property Spread: Integer write FSpread;", p));
    EXPECT_EQ(p.Read, "");
    EXPECT_EQ(p.Write, "FSpread");
    ASSERT_TRUE(s.isValidProperty("  property Left;", p));
    EXPECT_EQ(p.Name, "Left");
    EXPECT_EQ(p.Type, "");
    EXPECT_FALSE(s.isValidProperty("  properties: Integer;", p));
}

TEST(SourceLineTests, FieldsAndFieldLists) {
    TISourceCode s;
    LoadText(s, "    FName: string; // a, b\n"
                "    FLeft, FTop,\n"
                "      FWidth: Integer;\n"
                "    A, B: Byte;\n"
                "    FList: array of Integer;\n"
                "    X := 1;\n"
                "    C,\n"
                "    D\n");
    std::string n, t;
    ASSERT_TRUE(s.isValidField(0, n, t));
    EXPECT_EQ(n, "FName");
    EXPECT_EQ(t, "string");
    ASSERT_TRUE(s.isValidField(1, n, t));  // a list over two lines
    EXPECT_EQ(n, "FLeft");
    EXPECT_EQ(t, "Integer");
    ASSERT_TRUE(s.isValidField(3, n, t));  // a one-line list takes its own type
    EXPECT_EQ(n, "A");
    EXPECT_EQ(t, "Byte");
    EXPECT_FALSE(s.isValidField(4, n, t));  // the type must be an identifier
    EXPECT_FALSE(s.isValidField(5, n, t));
    EXPECT_FALSE(s.isValidField(6, n, t));  // a list that never gets its type
    EXPECT_FALSE(s.isValidField(99, n, t));
    EXPECT_FALSE(s.isValidField(-1, n, t));
}

TEST(SourceLineTests, TypeDeclarations) {
    TISourceCode s;
    LoadFixture(s, "shapes.pas");
    std::string n, t;
    ASSERT_TRUE(s.isValidType(10, n, t));  // record through its "end"
    EXPECT_EQ(n, "TPoint2");
    EXPECT_EQ(t, "  TPoint2 = record\r\n\\par     X, Y: Integer;\r\n\\par   end;");
    ASSERT_TRUE(s.isValidType(13, n, t));
    EXPECT_EQ(t, "  TColorSet = set of TColorKind;");
    ASSERT_TRUE(s.isValidType(14, n, t));
    ASSERT_TRUE(s.isValidType(15, n, t));
    EXPECT_EQ(n, "TShapeClass");
    ASSERT_TRUE(s.isValidType(16, n, t));  // "of object" on the next line
    EXPECT_EQ(t, "  TNotify = procedure(Sender: TObject)\r\n\\par     of object;");
    ASSERT_TRUE(s.isValidType(18, n, t));  // enumeration over three lines
    EXPECT_EQ(n, "TKind");
    EXPECT_EQ(t, "  TKind = (kCircle,\r\n\\par     kSquare,\r\n\\par     kLine);");
    ASSERT_TRUE(s.isValidType(21, n, t));
    EXPECT_EQ(n, "TAlias");
    EXPECT_FALSE(s.isValidType(9, n, t));   // a pointer type is not listed
    EXPECT_FALSE(s.isValidType(77, n, t));  // a constant

    LoadText(s, "  TProc = procedure(A: Integer) of object;\n  TNext = record end;\n  X: Integer;\n");
    ASSERT_TRUE(s.isValidType(0, n, t));  // complete on its line: nothing joined
    EXPECT_EQ(t, "  TProc = procedure(A: Integer) of object;");
    ASSERT_TRUE(s.isValidType(1, n, t));  // a record closed on its own line
    EXPECT_EQ(t, "  TNext = record end;");
}

// ---- sections ------------------------------------------------------------------------

TEST(SourceSections, FixtureUnit) {
    TISourceCode s;
    s.SetModified(true);
    LoadFixture(s, "shapes.pas");
    EXPECT_FALSE(s.GetModified());
    EXPECT_EQ(Sections(s), (std::array{2, 79, 140, 143}));  // ImplEndLine: initialization
    EXPECT_EQ(s.UnitName(), "shapes");
}

TEST(SourceSections, KeywordsOnlyInColumnOneAndAsWords) {
    TISourceCode s;
    LoadText(s, "unit A;\n  interface\ninterfaces\ninterface\n  implementation\nimplementation\nfinalization\n"
                "initialization\nend.\n");
    EXPECT_EQ(Sections(s), (std::array{3, 5, 7, 8}));  // initialization wins over an earlier finalization

    LoadText(s, "unit A;\ninterface implementation\nfinalization\nend.\n");
    EXPECT_EQ(Sections(s), (std::array{1, 1, 2, 3}));
}

TEST(SourceSections, UnitWithoutEndDoesNotKeepOldLines) {
    TISourceCode s;
    std::string big = "unit Big;\ninterface\nimplementation\n";
    for (int i = 0; i < 50; ++i) big += "\n";
    big += "end.\n";
    LoadText(s, big);
    EXPECT_EQ(s.EndLine, 53);
    LoadText(s, "unit Small;\ninterface\nimplementation\nprocedure X;\n");
    EXPECT_EQ(s.EndLine, 4);  // the line count, not the old 53
    EXPECT_EQ(s.ImplEndLine, 4);
    std::string c, m;
    int line = 0;
    EXPECT_TRUE(s.FindMethodImpl("", "X", line));
    EXPECT_EQ(line, 3);
    EXPECT_FALSE(s.FindPrefix("nothing", line));
    // Searches stay inside the lines even with stale section values.
    s.ImplEndLine = 1000;
    s.EndLine = 1000;
    line = 0;
    EXPECT_FALSE(s.FindPrefix("nothing", line));
    EXPECT_FALSE(s.FindMethodImpl("", "Y", line));
    TUnitComponentList ul;
    s.ImplLine = 1000;
    s.ParseUnit(ul);

    LoadText(s, "");
    EXPECT_EQ(Sections(s), (std::array{0, 0, 0, 0}));
}

TEST(SourceSections, ValidateLinesIsAWord) {
    TForth forth;
    TISourceCode s;
    s.SetLinesText("unit A;\ninterface\nimplementation\nend.\n");
    const ClassInfo* ci = s.ForthClass();
    ASSERT_NE(ci, nullptr);
    ci->FindMethod("ValidateLines")->Call(s, forth);
    EXPECT_EQ(ci->FindProperty("ImplLine")->GetOrd(s), 2);
    EXPECT_EQ(ci->FindProperty("EndLine")->GetOrd(s), 3);
    for (const char* p : {"CaseSensitive", "IntfLine", "ImplEndLine", "AdaNestingComments", "MethodBody",
                          "CursorLine", "Lines"})
        EXPECT_NE(ci->FindProperty(p), nullptr) << p;
    EXPECT_NE(ci->FindMethod("mCRLF"), nullptr);  // inherited words
}

TEST(SourceSections, AbsurdSectionLinesFromACommandFileAreRefused) {
    // The scans start at "section line + 1": a value near the integer limit
    // written by a command file would overflow it.
    TForth forth;
    TISourceCode s;
    forth.Objects.AddObject("SourceCode", &s);
    s.SetLinesText("unit A;\ninterface\nimplementation\nprocedure P;\nbegin\nend;\nend.\n");
    s.ValidateLines();
    for (const char* p : {"IntfLine", "ImplLine", "ImplEndLine", "EndLine"}) {
        for (const char* v : {"$7FFFFFFF", "$80000000", "-2"})
            EXPECT_THROW(forth.ExecForth(std::string(v) + " SourceCode :: " + p + " .!"), ERangeError) << p << v;
    }
    EXPECT_EQ(s.ImplLine, 2);
    EXPECT_EQ(s.EndLine, 6);
    forth.ExecForth("-1 SourceCode :: ImplLine .! 4 SourceCode :: ImplEndLine .!");
    EXPECT_EQ(s.ImplLine, -1);
    EXPECT_EQ(s.ImplEndLine, 4);
    int line = 0;
    EXPECT_TRUE(s.FindMethodImpl("", "P", line));
    EXPECT_EQ(line, 3);
}

// ---- searches ---------------------------------------------------------------------------

TEST(SourceSearch, ClassesMethodsAndProperties) {
    TISourceCode s;
    LoadFixture(s, "shapes.pas");
    int line = -1;
    ASSERT_TRUE(s.FindClass("tshape", line));
    EXPECT_EQ(line, 29);
    EXPECT_TRUE(s.FindClass("", line));
    EXPECT_EQ(line, 3);
    EXPECT_FALSE(s.FindClass("TShapeForward", line));
    EXPECT_TRUE(s.FindClass("TOldObject", line));
    EXPECT_TRUE(s.FindClass("IDrawable", line));

    // Members after a nested record type and after fields named End...
    EXPECT_TRUE(s.FindMethodIntf("TShape", "Msg", line));
    EXPECT_EQ(line, 53);
    EXPECT_TRUE(s.FindMethodIntf("TShape", "TabIndented", line));
    EXPECT_EQ(line, 44);
    EXPECT_TRUE(s.FindMethodIntf("TShape", "paint", line));
    EXPECT_EQ(line, 49);
    EXPECT_FALSE(s.FindMethodIntf("TShape", "Undeclared", line));
    EXPECT_FALSE(s.FindMethodIntf("TNoSuch", "Paint", line));
    EXPECT_TRUE(s.FindMethodIntf("", "AFunction", line));
    EXPECT_EQ(line, 74);
    EXPECT_FALSE(s.FindMethodIntf("", "IndentedNotUnitLevel", line));
    EXPECT_FALSE(s.FindMethodIntf("", "Draw", line));  // inside an interface body

    EXPECT_TRUE(s.FindMethodImpl("TShape", "Describe", line));
    EXPECT_EQ(line, 122);
    EXPECT_TRUE(s.FindMethodImpl("", "GlobalProc", line));
    EXPECT_EQ(line, 81);
    EXPECT_TRUE(s.FindMethodImpl("TCircle", "Paint", line));
    EXPECT_EQ(line, 131);
    EXPECT_FALSE(s.FindMethodImpl("TShape", "Changed", line));
    EXPECT_FALSE(s.FindMethodImpl("", "Inner", line) && line < 99);

    EXPECT_TRUE(s.FindProperty("TShape", "left", line));
    EXPECT_EQ(line, 58);
    EXPECT_FALSE(s.FindProperty("TShape", "Right", line));
}

TEST(SourceSearch, ScopesPrefixesAndEnclosingBlocks) {
    TISourceCode s;
    LoadFixture(s, "shapes.pas");
    int line = 29;
    EXPECT_TRUE(s.FindScope("FName", line));
    EXPECT_EQ(line, 31);
    line = 29;
    EXPECT_FALSE(s.FindScope("FNam", line));  // whole names only
    line = 29;
    EXPECT_TRUE(s.FindEndOfScope(0, line));
    EXPECT_EQ(line, 40);  // "protected"
    line = 29;
    EXPECT_TRUE(s.FindEndOfScope(2, line));
    EXPECT_EQ(line, 57);  // "published"
    line = 61;
    EXPECT_TRUE(s.FindEndOfScope(1, line));
    EXPECT_EQ(line, 64);  // TCircle's "end;"
    line = 0;
    EXPECT_TRUE(s.FindPrefix("uses", line));
    EXPECT_EQ(line, 4);
    line = 79;
    EXPECT_TRUE(s.FindPrefix("begin", line));
    EXPECT_EQ(line, 82);

    std::string c, m;
    line = 48;
    ASSERT_TRUE(s.isInsideClass(c, line));
    EXPECT_EQ(c, "TShape");
    EXPECT_EQ(line, 29);
    line = 70;
    EXPECT_FALSE(s.isInsideClass(c, line));
    line = 111;
    ASSERT_TRUE(s.isInsideMethodImpl(c, m, line));
    EXPECT_EQ(c, "TShape");
    EXPECT_EQ(m, "SetName");
    EXPECT_EQ(line, 107);
    line = 50;
    EXPECT_FALSE(s.isInsideMethodImpl(c, m, line));
    line = 100000;
    EXPECT_TRUE(s.isInsideMethodImpl(c, m, line));  // clipped to the last line
}

TEST(SourceSearch, Neighbours) {
    TSinkGuard g;
    TISourceCode s;
    LoadFixture(s, "shapes.pas");
    std::string b, a;
    ASSERT_TRUE(s.FindMethodIntfNeighbours("TShape", "Changed", b, a));
    EXPECT_EQ(b, "SetName");
    EXPECT_EQ(a, "Create");
    ASSERT_TRUE(s.FindMethodIntfNeighbours("TShape", "Load", b, a));
    EXPECT_EQ(b, "Describe");
    EXPECT_EQ(a, "");
    ASSERT_TRUE(s.FindMethodImplNeighbours("TShape", "Undeclared", b, a));
    EXPECT_EQ(b, "Describe");
    EXPECT_EQ(a, "");
    ASSERT_TRUE(s.FindMethodImplNeighbours("TShape", "Paint", b, a));
    EXPECT_EQ(b, "SetName");
    EXPECT_EQ(a, "Describe");
    EXPECT_TRUE(g.Sink.Lines.empty());
    EXPECT_FALSE(s.FindMethodIntfNeighbours("TNoSuch", "X", b, a));
    EXPECT_EQ(b, "");
    ASSERT_EQ(g.Sink.Lines.size(), 1u);
    EXPECT_EQ(g.Sink.Lines[0], "Info: Class TNoSuch not found");
    EXPECT_FALSE(s.FindFieldNeighbours("TShape", "FName", b, a));
}

TEST(SourceSearch, RoutineEnds) {
    TISourceCode s;
    LoadFixture(s, "shapes.pas");
    EXPECT_EQ(s.FindRoutineEnd(97), 105);   // past the nested routine in column 1
    EXPECT_EQ(s.FindRoutineEnd(114), 119);  // case ... end inside
    EXPECT_EQ(s.FindRoutineEnd(107), 112);  // a var named EndOfFile
    LoadText(s, "implementation\nprocedure A; forward;\nprocedure B; assembler;\nasm\n  mov eax, 1\nend;\n"
                "procedure C;\ntype R = record a: Integer; case Byte of 0: (b: Byte); end;\n"
                "begin { end } try X := 'end'; finally end; (* end *) end;\nend.\n");
    EXPECT_EQ(s.FindRoutineEnd(1), 1);
    EXPECT_EQ(s.FindRoutineEnd(2), 5);
    EXPECT_EQ(s.FindRoutineEnd(6), 8);
    EXPECT_EQ(s.FindRoutineEnd(-1), -1);
}

TEST(SourceSearch, EndsAreFoundPastStringsCommentsAndAsmLabels) {
    TISourceCode s;
    LoadText(s, "unit U;\ninterface\nprocedure A;\nprocedure B;\nprocedure X;\nprocedure C;\nimplementation\n"
                "procedure A;\n"        // 7
                "begin\n"
                "  S := 'x' +\n"
                "'end';\n"              // 10: a string on a line of its own
                "  T := 'it''s end';\n"
                "  { a comment\n"
                "end;\n"                // 13: inside the comment
                "  }\n"
                "end;\n"                // 15
                "procedure B; assembler;\n"
                "asm\n"
                "@@end:\n"              // 18: a label, no end
                "  jmp @@end\n"
                "end;\n"                // 20
                "procedure C;\nbegin\nend;\nend.\n");
    EXPECT_EQ(s.FindRoutineEnd(7), 15);
    EXPECT_EQ(s.FindRoutineEnd(16), 20);
    // A new implementation after B goes after B's end, not into its body.
    EXPECT_EQ(s.LocateMethodImplPlace("", "X"), 21);

    // Parentheses inside comments do not continue a declaration.
    LoadText(s, "    procedure P(A: Integer; (* default ( *)\n"
                "      B: Integer);\n"
                "    procedure Q(A: Integer; { see\n"
                "      (the notes }\n"
                "      B: Integer);\n"
                "    procedure R;\n");
    EXPECT_EQ(s.FindDeclEnd(0), 1);
    EXPECT_EQ(s.FindDeclEnd(2), 4);
    EXPECT_EQ(s.FindDeclEnd(5), 5);

    // A class body and a record end at their own "end", not at one inside
    // a comment or a nested record.
    LoadText(s, "unit U;\ninterface\ntype\n"
                "  TFoo = class\n"
                "    { retired:\n"
                "  end;\n"
                "    }\n"
                "    procedure Run;\n"
                "  end;\n"   // 8
                "  TRec = record\n"
                "    A: record\n"
                "      X: Integer;\n"
                "    end;\n"
                "    B: Integer; { end }\n"
                "  end;\n"   // 14
                "implementation\nend.\n");
    EXPECT_EQ(s.FindClassEnd(3), 8);
    int line = 0;
    EXPECT_TRUE(s.FindMethodIntf("TFoo", "Run", line));
    EXPECT_EQ(line, 7);
    std::string n, t;
    ASSERT_TRUE(s.isValidType(9, n, t));
    EXPECT_EQ(std::count(t.begin(), t.end(), '\n'), 5);  // through line 14
}

TEST(SourceLineTests, EnumerationsAreIdentifierListsInTypeSections) {
    TISourceCode s;
    LoadText(s, "unit U;\ninterface\nconst\n"
                "  TimeoutMs = (60*1000);\n"  // 3
                "  TOne = (A);\n"
                "type\n"
                "  TKind = (kA = 1, { ) }\n"  // 6
                "    kB);\n"
                "  TSize = (2 + 3);\n"       // 8
                "implementation\n"
                "procedure Run;\nconst\n"
                "  TLimit = (10);\n"         // 12
                "begin\nend;\nend.\n");
    std::string n, t;
    EXPECT_FALSE(s.isValidType(3, n, t));
    EXPECT_FALSE(s.isValidType(4, n, t));  // an identifier list, but a constant
    ASSERT_TRUE(s.isValidType(6, n, t));   // values and a ")" in a comment
    EXPECT_EQ(n, "TKind");
    EXPECT_EQ(t, "  TKind = (kA = 1, { ) }\r\n\\par     kB);");
    EXPECT_FALSE(s.isValidType(8, n, t));
    EXPECT_FALSE(s.isValidType(12, n, t));
}

// ---- unit and class lists ---------------------------------------------------------------

TEST(SourceLists, ParseUnit) {
    TISourceCode s;
    LoadFixture(s, "shapes.pas");
    TUnitComponentList ul;
    s.ParseUnit(ul);
    std::vector<std::string> got;
    for (int i = 0; i < ul.GetCount(); ++i) {
        TUnitComponent u = ul.GetUnitComponent(i);
        got.push_back(std::to_string(u.Kind) + " " + u.Name);
    }
    std::vector<std::string> want = {"4 TPoint2", "4 TColorSet", "4 TIntArray", "4 TShapeClass", "4 TNotify",
                                     "4 TKind",   "4 TAlias",    "1 IDrawable", "2 TShape",     "2 TCircle",
                                     "2 TOldObject", "6 GlobalProc", "6 AFunction"};
    EXPECT_EQ(got, want);
    EXPECT_EQ(ul.Counter(4), 7);
    EXPECT_EQ(ul.Counter(2), 3);
    EXPECT_EQ(ul.GetUnitComponent(8).Text, "TShape = class(TPersistent)");
}

TEST(SourceLists, ParseClassScopesAndKinds) {
    TISourceCode s;
    LoadFixture(s, "shapes.pas");
    TClassComponentList cl;
    ASSERT_TRUE(s.ParseClass("TShape", cl));
    std::vector<std::string> got;
    for (int i = 0; i < cl.GetCount(); ++i) {
        TClassComponent c = cl.GetClassComponent(i);
        got.push_back(std::to_string(c.Kind) + std::to_string(c.Scope) + " " + c.Name);
    }
    std::vector<std::string> want = {
        "10 FName",       "10 FEndPos",   "10 endian",   "10 FLeft",    "10 FWidth",   "31 GetArea",    "31 SetName",
        "31 Changed",     "31 TabIndented", "32 Create", "32 Destroy",  "32 AfterDestroy", "32 Paint",
        "32 Describe",    "32 Kinds",     "32 Load",     "32 Msg",      "22 Name",       "22 Area",
        "22 Items",       "23 Left"};
    EXPECT_EQ(got, want);
    EXPECT_EQ(cl.GetClassComponent(5).Text, "function GetArea: Double; virtual; abstract;");
    EXPECT_EQ(cl.Counter(3), 12);

    TClassComponentList circle;
    ASSERT_TRUE(s.ParseClass("TCircle", circle));
    ASSERT_EQ(circle.GetCount(), 2);
    EXPECT_EQ(circle.GetClassComponent(0).Scope, 3);  // published until a scope word
    EXPECT_FALSE(s.ParseClass("TNoSuch", circle));
    EXPECT_FALSE(s.ParseClass("", circle));
}

TEST(SourceLists, RefineForTheInheritanceWizard) {
    TISourceCode s;
    LoadFixture(s, "shapes.pas");
    TClassComponentList base, own;
    ASSERT_TRUE(s.ParseClass("TShape", base));
    ASSERT_TRUE(s.ParseClass("TCircle", own));
    s.RefineVirtualClass(base);
    s.RefineClass(own, base);
    std::vector<std::string> kept;
    for (int i = 0; i < base.GetCount(); ++i)
        if (base.GetClassComponent(i).Kind != 0) kept.push_back(base.GetClassComponent(i).Name);
    // Virtual, dynamic and message methods stay; Paint is already in TCircle;
    // no private or protected property exists; fields and static methods go.
    std::vector<std::string> want = {"GetArea", "SetName", "Changed", "Create", "Msg"};
    EXPECT_EQ(kept, want);
}

// ---- extractors ------------------------------------------------------------------------

TEST(SourceExtract, HeadersAndAncestors) {
    TISourceCode s;
    const std::string d = "    function Describe(const Prefix: string; Count: Integer): string; override;";
    EXPECT_EQ(s.ExtractParams(d), "(const Prefix: string; Count: Integer)");
    EXPECT_EQ(s.ExtractRType(d), "string");
    EXPECT_EQ(s.ExtractMethodDirective(d), "override;");
    EXPECT_EQ(s.ExtractMethodHeader(d), "function(const Prefix: string; Count: Integer): string;");
    EXPECT_EQ(s.ExtractParamNames(d), "(Prefix, Count)");
    EXPECT_EQ(s.ExtractMethodHeader("procedure TShape.Paint; override;"), "procedure;");
    EXPECT_EQ(s.ExtractMethodHeader("class  function TShape.Kinds : Integer;"), "class function: Integer;");
    EXPECT_EQ(s.ExtractMethodDirective("  procedure Foo; virtual; abstract;"), "virtual; abstract;");
    EXPECT_EQ(s.ExtractParams("function Foo: Integer; // (not params)"), "");
    EXPECT_EQ(s.ExtractParamNames("procedure P(var A, B; out C: Integer; D: Byte = 5)"), "(A, B, C, D)");
    EXPECT_EQ(s.ExtractParamNames("procedure P;"), "");

    EXPECT_EQ(s.ExtractClassAncestors("  TFoo = class(TBar, IFoo)"), "TBar, IFoo");
    EXPECT_EQ(s.ExtractClassAncestor("  TFoo = class( TBar , IFoo)"), "TBar");
    EXPECT_EQ(s.ExtractClassAncestor("  TFoo = class"), "TObject");
    EXPECT_EQ(s.ExtractClassAncestor("  TObject = class"), "");
    EXPECT_EQ(s.ExtractClassAncestor("  IFoo = interface['{1}']"), "IUnknown");
    EXPECT_EQ(s.ExtractClassAncestor("  IUnknown = interface['{1}']"), "");
    EXPECT_EQ(s.ExtractClassAncestor("  TObj = object"), "");
}

TEST(SourceExtract, UsesAndUnitName) {
    TISourceCode s;
    LoadFixture(s, "shapes.pas");
    TStringList units;
    s.ExtractUnitsUses(4, units);
    ASSERT_EQ(units.Count(), 3);
    EXPECT_EQ(units[0], "Classes");
    EXPECT_EQ(units[2], "Graphics");
    s.FileName = "/src/My.Unit.pas";
    EXPECT_EQ(s.UnitName(), "My.Unit");
    TStringList none;
    s.ExtractUnitsUses(5000, none);
    EXPECT_EQ(none.Count(), 0);
}

// ---- generators (golden files) -------------------------------------------------------------

TEST(SourceGenerate, ImplementationAfterAPreviousNeighbourWithNestedRoutine) {
    TSinkGuard g;
    TISourceCode s;
    LoadFixture(s, "shapes.pas");
    s.AdaNestingComments = true;
    ASSERT_TRUE(s.CreateMethodImplByDecl(L(s, 48), "TShape"));  // AfterDestroy follows Destroy
    EXPECT_EQ(L(s, s.GetCursorLine()), "end {TShape.AfterDestroy};");
    test::ExpectGolden(s.GetLinesText(), "impl_after_destroy.pas");
    EXPECT_TRUE(s.GetModified());
}

TEST(SourceGenerate, ImplementationOverrideProcedureAndFunction) {
    TSinkGuard g;
    TISourceCode s;
    LoadText(s, "unit U;\ninterface\ntype\n  TFoo = class(TBar)\n    procedure Paint; override;\n"
                "    function Calc(const A: Integer; var B: string): Integer; override;\n"
                "    function Count: Integer; override;\n"
                "    procedure Run(AFunction: TFunc); override;\n  end;\nimplementation\nend.\n");
    s.AdaNestingComments = true;
    ASSERT_TRUE(s.CreateMethodImplByDecl(L(s, 4), "TFoo"));
    s.ValidateLines();
    s.AdaNestingComments = false;
    ASSERT_TRUE(s.CreateMethodImplByDecl(L(s, 5), "TFoo"));
    s.ValidateLines();
    s.MethodBody = "  Result := FCount;";
    ASSERT_TRUE(s.CreateMethodImplByDecl(L(s, 6), "TFoo"));
    s.ValidateLines();
    s.MethodBody.clear();
    // "function" inside a parameter name does not make a function.
    ASSERT_TRUE(s.CreateMethodImplByDecl(L(s, 7), "TFoo"));
    EXPECT_EQ(L(s, s.GetCursorLine() - 1), "  inherited;");
    test::ExpectGolden(s.GetLinesText(), "impl_override.pas");
}

TEST(SourceGenerate, ImplementationPlaces) {
    TSinkGuard g;
    TISourceCode s;
    // No neighbours and no blank line before "end.": after the last routine,
    // never inside it.
    LoadText(s, "unit U;\ninterface\nprocedure A;\nprocedure B;\nimplementation\nprocedure A;\nbegin\nend;\nend.\n");
    EXPECT_EQ(s.LocateMethodImplPlace("", "B"), 8);
    // An empty implementation part: never before the "implementation" line.
    LoadText(s, "unit U;\ninterface\nprocedure B;\nimplementation\nend.\n");
    EXPECT_EQ(s.LocateMethodImplPlace("", "B"), 4);
    // Before the next neighbour and its comment, not inside the routine above.
    LoadText(s, "unit U;\ninterface\nprocedure Z;\nprocedure B;\nprocedure C;\nimplementation\n"
                "procedure Z;\nbegin\nend;\n// C does this\nprocedure C;\nbegin\nend;\nend.\n");
    EXPECT_EQ(s.LocateMethodImplPlace("", "B"), 9);
    LoadText(s, "unit U;\ninterface\nprocedure B;\nprocedure C;\nimplementation\nprocedure Z;\nbegin\nend;\n"
                "\nprocedure C;\nbegin\nend;\nend.\n");
    EXPECT_EQ(s.LocateMethodImplPlace("", "B"), 8);  // keeps the blank line
    ASSERT_TRUE(s.CreateMethodImplByDecl("procedure B;", ""));
    test::ExpectGolden(s.GetLinesText(), "impl_unit_routine.pas");
}

TEST(SourceGenerate, ImplementationGoesAboveTheCommentOfTheNextOne) {
    TSinkGuard g;
    TISourceCode s;
    // B has no implemented neighbour before it: it goes before C and the
    // whole comment above C, keeping the blank line.
    LoadText(s, "unit U;\ninterface\nprocedure B;\nprocedure C;\nimplementation\n"
                "procedure Z;\nbegin\nend;\n"
                "\n"                      // 8
                "{ C does this:\n"
                "\n"
                "  it ends nothing }\n"
                "// and more\n"
                "procedure C;\nbegin\nend;\nend.\n");
    EXPECT_EQ(s.LocateMethodImplPlace("", "B"), 8);
    ASSERT_TRUE(s.CreateMethodImplByDecl("procedure B;", ""));
    EXPECT_EQ(test::LinesOf(s), (test::TLines{"unit U;", "interface", "procedure B;", "procedure C;",
                                              "implementation", "procedure Z;", "begin", "end;", "",
                                              "procedure B;", "begin", "end;", "", "{ C does this:", "",
                                              "  it ends nothing }", "// and more", "procedure C;", "begin",
                                              "end;", "end."}));
    // Code with a trailing comment is no comment line.
    LoadText(s, "unit U;\ninterface\nprocedure B;\nprocedure C;\nimplementation\n"
                "procedure Z;\nbegin\nend; // Z\n"
                "(* C:\n"                 // 8
                "   does this *)\n"
                "procedure C;\nbegin\nend;\nend.\n");
    EXPECT_EQ(s.LocateMethodImplPlace("", "B"), 8);
}

TEST(SourceGenerate, NoImplementationWithoutAnImplementationPart) {
    TSinkGuard g;
    TISourceCode s;
    LoadText(s, "unit U;\ninterface\ntype\n  TFoo = class\n    procedure Run;\n  end;\n"
                "procedure Free;\nend.\n");
    const test::TLines before = test::LinesOf(s);
    EXPECT_FALSE(s.HasImplementationPart());
    EXPECT_FALSE(s.CreateMethodImplByDecl(L(s, 4), "TFoo"));
    EXPECT_FALSE(s.CreateMethodImplByDecl("procedure Free;", ""));
    EXPECT_EQ(test::LinesOf(s), before);
    EXPECT_FALSE(s.GetModified());
    EXPECT_EQ(g.Sink.Lines, (std::vector<std::string>(2, "Info: The unit has no implementation part")));
    LoadText(s, "unit U;\ninterface implementation\nprocedure Free;\nend.\n");
    EXPECT_TRUE(s.HasImplementationPart());
}

TEST(SourceGenerate, DeclarationTakesTheTabsOfItsNeighbour) {
    TSinkGuard g;
    TISourceCode s;
    LoadText(s, "unit U;\ninterface\ntype\n\tTFoo = class\n\tpublic\n\t\tprocedure Run;\n\tend;\n"
                "implementation\nprocedure TFoo.Run;\nbegin\nend;\nprocedure TFoo.Stop;\nbegin\nend;\nend.\n");
    ASSERT_TRUE(s.CreateMethodDeclByImpl(L(s, 11)));
    EXPECT_EQ(L(s, 6), "\t\tprocedure Stop;");
    EXPECT_EQ(s.GetCursorCol(), 3);
    EXPECT_EQ(TISourceCode::IndentDeeper("\t"), "\t\t");
    EXPECT_EQ(TISourceCode::IndentDeeper("  "), "    ");
}

TEST(SourceGenerate, DeclarationFromImplementation) {
    TSinkGuard g;
    TISourceCode s;
    LoadFixture(s, "shapes.pas");
    ASSERT_TRUE(s.CreateMethodDeclByImpl(L(s, 127)));  // TShape.Undeclared, after Describe
    EXPECT_EQ(L(s, 51), "    procedure Undeclared;");
    EXPECT_EQ(s.GetCursorLine(), 51);
    test::ExpectGolden(s.GetLinesText(), "decl_undeclared.pas");

    // A multi-line previous declaration is not split; unit-level routines
    // go in column 1 at the end of the interface part.
    LoadText(s, "unit U;\ninterface\nuses\n  Classes;\ntype\n  TFoo = class\n    procedure A(X: Integer;\n"
                "      Y: Integer);\n  end;\nimplementation\nprocedure TFoo.A(X: Integer;\nbegin\nend;\n"
                "procedure TFoo.B(S: Classes.TStream);\nbegin\nend;\nfunction Free(S: Classes.TStream): Boolean;\n"
                "begin\nend;\nend.\n");
    ASSERT_TRUE(s.CreateMethodDeclByImpl(L(s, 13)));
    EXPECT_EQ(L(s, 8), "    procedure B(S: Classes.TStream);");
    s.ValidateLines();
    ASSERT_TRUE(s.CreateMethodDeclByImpl(L(s, 17)));
    test::ExpectGolden(s.GetLinesText(), "decl_multiline.pas");

    EXPECT_FALSE(s.CreateMethodDeclByImpl("procedure TNoSuch.X;"));
    EXPECT_FALSE(s.CreateMethodDeclByImpl("begin"));
    EXPECT_FALSE(s.CreateMethodImplByDecl("begin", "TFoo"));
}

TEST(SourceGenerate, PropertyAndInsertMethod) {
    TISourceCode s;
    s.SetCursorLine(0);
    s.SetCursorCol(5);
    s.CreateProperty("Size", "Integer", "SetSize", "GetSize");
    s.SetCursorCol(5);
    s.CreateProperty("Tag", "", "", "FTag");
    s.SetCursorCol(1);
    s.InsertMethod("function(A: Integer): Boolean;", "TFoo", " override;", "Check");
    s.SetCursorCol(1);
    s.InsertMethod("class procedure;", "", "", "Reset");
    s.SetCursorCol(1);
    s.InsertMethod("function: Integer;", "TFoo", "", "Count");
    test::ExpectGolden(s.GetLinesText(), "generated_misc.pas");
}

}  // namespace
}  // namespace velt
