// The inheritance wizard over fixture units: the rows it lists per
// ancestor, what OK writes and where, and how the walk ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "forth/Forth.h"
#include "foundation/tests/FoundationTestUtil.h"
#include "source/HyperSourceCode.h"
#include "source/InheritanceWizard.h"
#include "source/tests/FileHost.h"
#include "source/tests/HyperTestUtil.h"

namespace velt {
namespace {

using test::FindLineOf;

// Asks the feed Steps times (every row when negative), as the event loop
// would while the wizard is open, then closes with OK or Cancel, the rows
// whose caption is in Select selected.
class TScriptedWizardPort : public TInheritanceWizardPort {
public:
    int Steps = -1;
    bool Ok = true;
    std::vector<std::string> Select;
    std::vector<int> SelectIndices;
    std::vector<TWizardRow> Shown;
    std::string ClassName;
    int Runs = 0;

    bool Execute(const std::string& className, TInheritanceFeed& feed, std::vector<int>& selected) override {
        ++Runs;
        ClassName = className;
        for (int i = 0; Steps < 0 || i < Steps; ++i)
            if (!feed.Next(Shown)) break;
        for (size_t i = 0; i < Shown.size(); ++i)
            if (std::find(Select.begin(), Select.end(), Shown[i].Caption) != Select.end()) selected.push_back(int(i));
        selected.insert(selected.end(), SelectIndices.begin(), SelectIndices.end());
        return Ok;
    }
};

const char* const kSys =
    "unit Sys;\r\n"
    "interface\r\n"
    "type\r\n"
    "  TObject = class\r\n"
    "  public\r\n"
    "    constructor Create;\r\n"
    "    destructor Destroy; virtual;\r\n"
    "    procedure Dispatch(var Message); virtual;\r\n"
    "    procedure Free;\r\n"
    "  end;\r\n"
    "implementation\r\n"
    "end.\r\n";

const char* const kBase =
    "unit Base;\r\n"
    "interface\r\n"
    "uses Sys;\r\n"
    "type\r\n"
    "  TBase = class\r\n"
    "  private\r\n"
    "    FSize: Integer;\r\n"
    "    procedure SetSize(Value: Integer);\r\n"
    "    property Hidden: Integer read FSize;\r\n"
    "  protected\r\n"
    "    procedure WMPaint(var Msg: TMessage); message WM_PAINT;\r\n"
    "    function GetText: string; dynamic;\r\n"
    "    procedure Notify(Sender: TObject;\r\n"
    "      Op: Integer); virtual;\r\n"
    "    property Size: Integer read FSize write SetSize;\r\n"
    "    procedure Changed; virtual; abstract;\r\n"
    "    procedure Reset; override; {virtual;}\r\n"
    "  public\r\n"
    "    procedure Paint; virtual;\r\n"
    "    procedure Plain;\r\n"
    "    class function Kind: Integer; virtual;\r\n"
    "    property Visible: Boolean read FVisible;\r\n"
    "  end;\r\n"
    "implementation\r\n"
    "end.\r\n";

const char* const kMid =
    "unit Mid;\r\n"
    "interface\r\n"
    "uses Base;\r\n"
    "type\r\n"
    "  TMid = class(TBase)\r\n"
    "  protected\r\n"
    "    procedure Changed; override;\r\n"
    "    procedure Resize; virtual;\r\n"
    "  end;\r\n"
    "implementation\r\n"
    "end.\r\n";

// The class under the cursor: a nested record's "end;" and a member named
// EndPos come before its own "end".
const char* const kLeaf =
    "unit Leaf;\r\n"
    "interface\r\n"
    "uses Mid;\r\n"
    "type\r\n"
    "  TLeaf = class(TMid)\r\n"
    "  private\r\n"
    "    FExtent: record\r\n"
    "      Lo, Hi: Integer;\r\n"
    "    end;\r\n"
    "    EndPos: Integer;\r\n"
    "  public\r\n"
    "    procedure Paint; override;\r\n"
    "  end;\r\n"
    "  TPlain = class\r\n"
    "  end;\r\n"
    "  TLost = class(TNowhere)\r\n"
    "  end;\r\n"
    "  IThing = interface(IUnknown)\r\n"
    "    procedure Go;\r\n"
    "  end;\r\n"
    "  TA = class(TB)\r\n"
    "  end;\r\n"
    "  TB = class(TA)\r\n"
    "  end;\r\n"
    "implementation\r\n"
    "end.\r\n";

class InheritanceWizard : public testing::Test {
protected:
    void SetUp() override {
        Sys = Temp.Write("sys.pas", kSys);
        Base = Temp.Write("base.pas", kBase);
        Mid = Temp.Write("mid.pas", kMid);
        Leaf = Temp.Write("leaf.pas", kLeaf);
        for (const auto& [file, cls, ancestor] :
             {std::tuple{Sys, "TObject", ""}, {Base, "TBase", "TObject"}, {Mid, "TMid", "TBase"}}) {
            Src.ClassesRegistry.RegisterUnit(file);
            Src.ClassesRegistry.RegisterClass(file, cls, ancestor);
        }
        test::RegisterFileHost(Forth, Host);
        Forth.Objects.AddObject("SourceCode", &Src);
        Src.SetLinesText(ReadWholeFile(Leaf));
        Src.SetFileName(Leaf);
        Src.ValidateLines();
        PreviousSink = SetMessageSink(&Sink);
    }
    void TearDown() override { SetMessageSink(PreviousSink); }

    // Runs the word with the cursor on the first line holding needle.
    void RunAt(std::string_view needle) {
        const int line = FindLineOf(Src, needle);
        ASSERT_GE(line, 0) << needle;
        Src.SetCursorLine(line);
        Src.SetCursorCol(3);
        Forth.ExecWord("InheritanceWizard");
    }
    std::vector<std::string> Captions() const {
        std::vector<std::string> r;
        for (const TWizardRow& row : Port.Shown) r.push_back(row.Caption);
        return r;
    }

    test::TTempFolder Temp;
    TIHyperSourceCode Src;
    TForth Forth;
    test::TFileHost Host;
    TScriptedWizardPort Port;
    TInheritanceWizardPortGuard PortGuard{&Port};
    test::TRecordingSink Sink;
    TMessageSink* PreviousSink = nullptr;
    std::string Sys, Base, Mid, Leaf;
};

TEST_F(InheritanceWizard, ListsEachAncestorsOverridableMembersInOrder) {
    RunAt("procedure Paint; override;");
    EXPECT_EQ(Port.ClassName, "TLeaf");
    // Per ancestor: its heading, then properties before methods, each by
    // scope and name. Fields, non-virtual methods (also one whose comment
    // says "virtual"), public properties and what TLeaf declares (Paint)
    // are left out.
    EXPECT_EQ(Captions(), (std::vector<std::string>{"    Derived from TMid", "Resize", "    Derived from TBase",
                                                    "Hidden", "Size", "Changed", "GetText", "Notify", "WMPaint", "Kind",
                                                    "    Derived from TObject", "Destroy", "Dispatch"}));
    std::vector<int> images;
    for (const TWizardRow& r : Port.Shown) images.push_back(r.Image);
    EXPECT_EQ(images, (std::vector<int>{4, 1, 4, 0, 1, 1, 1, 1, 1, 2, 4, 2, 2}));
    EXPECT_EQ(Port.Shown[8].Header, "procedure WMPaint(var Msg: TMessage); message WM_PAINT;");
    // A header over two lines is listed whole, its directive from the last.
    EXPECT_EQ(Port.Shown[7].Header, "procedure Notify(Sender: TObject; Op: Integer); virtual;");
    // Each unit is read once, through the host.
    EXPECT_EQ(Host.Requests, (std::vector<std::string>{Mid, Base, Sys}));
    EXPECT_TRUE(Sink.Lines.empty());

    // OK with nothing selected changes nothing.
    EXPECT_EQ(Src.GetLinesText(), ReadWholeFile(Leaf));
    EXPECT_FALSE(Src.GetModified());
    EXPECT_EQ(Src.GetCursorLine(), FindLineOf(Src, "procedure Paint; override;"));
}

TEST_F(InheritanceWizard, WritesTheChosenMembersBeforeTheClassOwnEnd) {
    Port.Select = {"WMPaint", "Size", "Kind", "Dispatch", "Resize", "Hidden", "Notify"};
    Port.SelectIndices = {2, 2, 99, -1};  // the TBase heading (twice), rows never shown
    RunAt("EndPos: Integer;");
    const std::vector<std::string> lines = SplitLines(Src.GetLinesText());
    const int paint = FindLineOf(Src, "    procedure Paint; override;");
    ASSERT_GT(paint, 0);
    // Methods in list order (a message handler keeps its message), then
    // the properties, redeclared; every member on a line of its own.
    const std::vector<std::string> written(lines.begin() + paint + 1, lines.begin() + paint + 9);
    EXPECT_EQ(written, (std::vector<std::string>{"    procedure Resize; override;",
                                                 "    procedure Notify(Sender: TObject; Op: Integer); override;",
                                                 "    procedure WMPaint(var Msg: TMessage); message WM_PAINT;",
                                                 "    class function Kind: Integer; override;",
                                                 "    procedure Dispatch(var Message); override;",
                                                 "    property Hidden;", "    property Size;", "  end;"}));
    EXPECT_EQ(lines.size(), SplitLines(kLeaf).size() + 7);
    EXPECT_TRUE(Src.GetModified());
    EXPECT_EQ(Src.GetTopLine(), FindLineOf(Src, "TLeaf = class"));
    EXPECT_EQ(Src.GetCursorLine(), paint + 8);
    EXPECT_EQ(Src.GetCursorCol(), 1);
    // The unit is still whole: the class ends where it did, the next follows.
    int end = 0;
    EXPECT_EQ(Src.FindClassEnd(FindLineOf(Src, "TLeaf = class")), paint + 8);
    EXPECT_TRUE(Src.FindClass("TPlain", end));
}

TEST_F(InheritanceWizard, CancelWritesNothingEvenWithRowsChosen) {
    Port.Ok = false;
    Port.Select = {"WMPaint", "Size", "Destroy"};
    RunAt("EndPos: Integer;");
    EXPECT_EQ(Port.Shown.size(), 13u);
    EXPECT_EQ(Src.GetLinesText(), ReadWholeFile(Leaf));
    EXPECT_FALSE(Src.GetModified());
}

TEST_F(InheritanceWizard, ClosedMidWalkReadsNoFurtherAndWritesWhatWasShown) {
    Port.Steps = 1;
    Port.Select = {"Resize"};
    RunAt("EndPos: Integer;");
    EXPECT_EQ(Captions(), (std::vector<std::string>{"    Derived from TMid", "Resize"}));
    EXPECT_EQ(Host.Requests, std::vector<std::string>{Mid});
    EXPECT_GE(FindLineOf(Src, "    procedure Resize; override;"), 0);
}

TEST_F(InheritanceWizard, WalkEndsOnACycleAMissingUnitAndAUnitThatFailsToLoad) {
    // TA and TB name each other.
    RunAt("TA = class(TB)");
    EXPECT_EQ(Captions(), std::vector<std::string>{"    Derived from TB"});
    EXPECT_EQ(Sink.Lines, std::vector<std::string>{
                              "Inheritance Wizard of TA: The ancestors of TA come round to it again"});
    Port.Shown.clear();

    // No unit declares TNowhere; TPlain's TObject is there.
    Sink.Lines.clear();
    RunAt("TLost = class(TNowhere)");
    EXPECT_TRUE(Port.Shown.empty());
    EXPECT_EQ(Sink.Lines, std::vector<std::string>{"Inheritance Wizard of TLost: Class TNowhere not found."});

    // TBase's unit is gone: TMid's rows stay, and the interpreter's stack
    // is as it was.
    Sink.Lines.clear();
    Src.ClassesRegistry.EraseUnit(Base);
    const std::string gone = Temp.Path("gone.pas");
    Src.ClassesRegistry.RegisterUnit(gone);
    Src.ClassesRegistry.RegisterClass(gone, "TBase", "TObject");
    Forth.PushInteger(7);
    RunAt("EndPos: Integer;");
    EXPECT_EQ(Captions(), (std::vector<std::string>{"    Derived from TMid", "Resize"}));
    ASSERT_EQ(Sink.Lines.size(), 1u);
    EXPECT_EQ(Sink.Lines[0], "Inheritance Wizard of TLeaf: Cannot open file " + gone);
    EXPECT_EQ(Forth.Stack.Count(), 1);
    EXPECT_EQ(Port.Runs, 3);
}

TEST_F(InheritanceWizard, OnlyInsideAClassOrObject) {
    RunAt("uses Mid;");
    RunAt("procedure Go;");  // an interface overrides nothing
    EXPECT_EQ(Port.Runs, 0);
    // The walk from a class of the current unit: TObject is registered.
    RunAt("TPlain = class");
    EXPECT_EQ(Captions(), (std::vector<std::string>{"    Derived from TObject", "Destroy", "Dispatch"}));
}

}  // namespace
}  // namespace velt
