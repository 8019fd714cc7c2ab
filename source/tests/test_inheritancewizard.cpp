// The inheritance wizard over fixture units: the rows it lists per
// ancestor, what OK writes and where, and how the walk ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "forth/Forth.h"
#include "foundation/Utils.h"
#include "foundation/tests/FoundationTestUtil.h"
#include "source/HyperSourceCode.h"
#include "source/InheritanceWizard.h"
#include "source/tests/FileHost.h"
#include "source/tests/HyperTestUtil.h"

namespace velt {
namespace {

using test::FindLineOf;

// The wizard as a test shows it: the port's own loop serves the worker's
// marshalled calls, as the dialog's event loop does, until Steps ancestors
// have arrived (or Calls calls have been served; every one when negative)
// or the walk has ended; then it closes with OK or Cancel, the rows whose
// caption is in Select selected.
class TScriptedWizardPort : public TInheritanceWizardPort, public TInheritanceView {
public:
    int Steps = -1;
    int Calls = -1;
    bool Ok = true;
    std::vector<std::string> Select;
    std::vector<int> SelectIndices;
    std::vector<TWizardRow> Shown;
    std::string ClassName;
    int Runs = 0;
    // What the list was told at the end of the walk, when it was.
    bool WalkOver = false;
    std::string Why;
    // Calls the list got after the wizard closed, and in another thread.
    int FedAfterClose = 0;
    int FedElsewhere = 0;
    // Marshalled calls served while open.
    int Served = 0;
    std::function<void()> AfterStart;

    void AddRows(const std::vector<TWizardRow>& rows) override {
        Fed();
        Shown.insert(Shown.end(), rows.begin(), rows.end());
        headings_ += int(std::count_if(rows.begin(), rows.end(), [](const TWizardRow& r) { return r.Kind == 0; }));
    }
    void WalkEnded(const std::string& why) override {
        Fed();
        WalkOver = true;
        Why = why;
    }

    bool Execute(const std::string& className, TInheritanceSession& session, std::vector<int>& selected) override {
        ++Runs;
        ClassName = className;
        closed_ = WalkOver = false;
        Why.clear();
        headings_ = Served = 0;
        session.Start(*this);
        if (AfterStart) AfterStart();
        for (int turn = 0; !WalkOver && (Steps < 0 || headings_ < Steps) && (Calls < 0 || Served < Calls); ++turn) {
            if (turn > 3000) {
                ADD_FAILURE() << "the walk never ended";
                break;
            }
            Served += ServeMainThread(10);
        }
        session.Stop();
        closed_ = true;
        for (size_t i = 0; i < Shown.size(); ++i)
            if (std::find(Select.begin(), Select.end(), Shown[i].Caption) != Select.end()) selected.push_back(int(i));
        selected.insert(selected.end(), SelectIndices.begin(), SelectIndices.end());
        session.Close();
        return Ok;
    }

private:
    void Fed() {
        FedAfterClose += closed_;
        FedElsewhere += std::this_thread::get_id() != main_;
    }
    bool closed_ = false;
    int headings_ = 0;
    std::thread::id main_ = std::this_thread::get_id();
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
    EXPECT_TRUE(Port.WalkOver);
    EXPECT_EQ(Port.Why, "");

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
    // The list itself ends with the reason while it is shown.
    EXPECT_TRUE(Port.WalkOver);
    EXPECT_EQ(Port.Why, "The ancestors of TA come round to it again");
    Port.Shown.clear();

    // No unit declares TNowhere; TPlain's TObject is there.
    Sink.Lines.clear();
    RunAt("TLost = class(TNowhere)");
    EXPECT_TRUE(Port.Shown.empty());
    EXPECT_EQ(Sink.Lines, std::vector<std::string>{"Inheritance Wizard of TLost: Class TNowhere not found."});
    EXPECT_EQ(Port.Why, "Class TNowhere not found.");

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
    EXPECT_EQ(Port.Why, "Cannot open file " + gone);
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

TEST_F(InheritanceWizard, RowsArriveInTheMainThreadOnlyWhileItServesTheWorker) {
    // Nothing is read before the wizard's loop serves the worker: every
    // read of a unit is marshalled to this thread.
    size_t readAtStart = 99;
    Port.AfterStart = [&] { readAtStart = Host.Requests.size(); };
    Port.Select = {"Resize"};
    RunAt("EndPos: Integer;");
    EXPECT_EQ(readAtStart, 0u);
    EXPECT_EQ(Port.Shown.size(), 13u);
    EXPECT_EQ(Port.FedElsewhere, 0);
    // Three lookups, three reads, three hand-overs, the end.
    EXPECT_EQ(Port.Served, 10);
    EXPECT_GE(FindLineOf(Src, "    procedure Resize; override;"), 0);
    // Nothing runs on after the word.
    EXPECT_EQ(ServeMainThread(20), 0);
}

TEST_F(InheritanceWizard, ClosedAtAnyPointItIsNeverFedAgainAndNothingRunsOn) {
    Forth.PushInteger(7);
    for (int calls = 0; calls <= 10; ++calls) {
        SCOPED_TRACE(calls);
        Src.SetLinesText(ReadWholeFile(Leaf));
        Src.ValidateLines();
        Port.Shown.clear();
        Host.Requests.clear();
        Port.Calls = calls;
        Port.Select = {"Resize", "Destroy"};
        RunAt("EndPos: Integer;");
        EXPECT_EQ(Port.FedAfterClose, 0);
        EXPECT_EQ(Port.FedElsewhere, 0);
        // What the list got is the start of the whole list; each unit was
        // read at most once, and the interpreter's stack is as it was.
        const std::vector<std::string> all{"    Derived from TMid", "Resize", "    Derived from TBase",
                                           "Hidden", "Size", "Changed", "GetText", "Notify", "WMPaint", "Kind",
                                           "    Derived from TObject", "Destroy", "Dispatch"};
        const std::vector<std::string> shown = Captions();
        ASSERT_LE(shown.size(), all.size());
        EXPECT_TRUE(std::equal(shown.begin(), shown.end(), all.begin()));
        EXPECT_LE(Host.Requests.size(), 3u);
        EXPECT_EQ(Forth.Stack.Count(), 1);
        // Closing is no failure to report.
        EXPECT_TRUE(Sink.Lines.empty());
        // Only what was shown is written, and the worker is gone.
        EXPECT_EQ(FindLineOf(Src, "procedure Resize; override;") >= 0, shown.size() >= 2);
        EXPECT_EQ(FindLineOf(Src, "destructor Destroy; override;") >= 0, shown.size() >= 12);
        const size_t read = Host.Requests.size();
        EXPECT_EQ(ServeMainThread(5), 0);
        EXPECT_EQ(Host.Requests.size(), read);
    }
}

TEST_F(InheritanceWizard, AWizardNeverShownFreesItsWorkerUnstarted) {
    TInheritanceWizardPortGuard none(nullptr);
    RunAt("EndPos: Integer;");
    EXPECT_TRUE(Host.Requests.empty());
    EXPECT_EQ(Src.GetLinesText(), ReadWholeFile(Leaf));
    EXPECT_EQ(ServeMainThread(5), 0);
}

// A class whose "end" shares a line with a member, followed by another
// class; a class without a body; a one-line class; one without an end
// before the next class.
const char* const kCramped =
    "unit Cramped;\r\n"
    "interface\r\n"
    "uses Mid;\r\n"
    "type\r\n"
    "  TTwo = class(TMid)\r\n"
    "    procedure X; end;\r\n"
    "  TNext = class\r\n"
    "  end;\r\n"
    "  TSemi = class(TMid);\r\n"
    "  TOne = class(TMid) end;\r\n"
    "  TOpen = class(TMid)\r\n"
    "    procedure Y;\r\n"
    "  TAfter = class\r\n"
    "  end;\r\n"
    "implementation\r\n"
    "end.\r\n";

TEST_F(InheritanceWizard, RefusesAClassEndThatSharesItsLineAndChangesNothing) {
    const std::string cramped = Temp.Write("cramped.pas", kCramped);
    Src.SetLinesText(ReadWholeFile(cramped));
    Src.SetFileName(cramped);
    Src.ValidateLines();
    Port.Select = {"Resize"};
    const std::pair<const char*, const char*> cases[] = {
        {"procedure X; end;", "The end of class TTwo is not on a line of its own."},
        {"TSemi = class(TMid);", "The class TSemi has no body to write into."},
        {"TOne = class(TMid) end;", "The end of class TOne is not on a line of its own."},
        {"procedure Y;", "The end of class TOpen is not found."},
    };
    for (const auto& [at, message] : cases) {
        SCOPED_TRACE(at);
        try {
            RunAt(at);
            ADD_FAILURE() << "no refusal";
        } catch (const EInvalidSourceCode& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
        EXPECT_EQ(Src.GetLinesText(), ReadWholeFile(cramped));
        EXPECT_FALSE(Src.GetModified());
    }
    // Nothing was shown to choose from, and nothing more was said.
    EXPECT_EQ(Port.Runs, 0);
    EXPECT_TRUE(Sink.Lines.empty());
}

TEST_F(InheritanceWizard, AUnitQualifiedAncestorIsReadFromThatUnit) {
    // Another unit, registered first, declares a TMid of its own.
    const std::string other = Temp.Write("other.pas",
                                         "unit Other;\r\ninterface\r\ntype\r\n  TMid = class\r\n"
                                         "  protected\r\n    procedure Elsewhere; virtual;\r\n  end;\r\n"
                                         "implementation\r\nend.\r\n");
    TClassesRegistry& reg = Src.ClassesRegistry;
    reg.LoadFromText("");
    reg.RegisterUnit(other);
    reg.RegisterClass(other, "TMid", "TObject");
    for (const auto& [file, cls, ancestor] :
         {std::tuple{Sys, "TObject", ""}, {Base, "TBase", "TObject"}, {Mid, "TMid", "TBase"}}) {
        reg.RegisterUnit(file);
        reg.RegisterClass(file, cls, ancestor);
    }
    const std::string qual = Temp.Write("qual.pas",
                                        "unit Qual;\r\ninterface\r\nuses Mid;\r\ntype\r\n"
                                        "  TQual = class(mid.TMid)\r\n  end;\r\nimplementation\r\nend.\r\n");
    Src.SetLinesText(ReadWholeFile(qual));
    Src.SetFileName(qual);
    Src.ValidateLines();
    RunAt("TQual = class");
    EXPECT_EQ(Captions(), (std::vector<std::string>{"    Derived from TMid", "Resize", "    Derived from TBase",
                                                    "Hidden", "Size", "Changed", "GetText", "Notify", "WMPaint",
                                                    "Kind", "Paint", "    Derived from TObject", "Destroy",
                                                    "Dispatch"}));
    EXPECT_TRUE(Sink.Lines.empty());
}

TEST_F(InheritanceWizard, WhatTheClassDeclaresInAnotherLetterCaseIsNotOfferedAgain) {
    const std::string lower = Temp.Write("lower.pas",
                                         "unit Lower;\r\ninterface\r\nuses Mid;\r\ntype\r\n"
                                         "  TLower = class(TMid)\r\n  protected\r\n"
                                         "    procedure resize; override;\r\n    property size;\r\n  end;\r\n"
                                         "implementation\r\nend.\r\n");
    Src.SetLinesText(ReadWholeFile(lower));
    Src.SetFileName(lower);
    Src.ValidateLines();
    Port.Select = {"Resize", "Size", "Hidden"};
    RunAt("procedure resize;");
    EXPECT_EQ(Captions(), (std::vector<std::string>{"    Derived from TMid", "    Derived from TBase", "Hidden",
                                                    "Changed", "GetText", "Notify", "WMPaint", "Kind", "Paint",
                                                    "    Derived from TObject", "Destroy", "Dispatch"}));
    EXPECT_EQ(FindLineOf(Src, "procedure Resize"), -1);
    EXPECT_EQ(FindLineOf(Src, "property Size"), -1);
    EXPECT_GE(FindLineOf(Src, "    property Hidden;"), 0);

    // Names compared as written when the model says so.
    Src.SetLinesText(ReadWholeFile(lower));
    Src.ValidateLines();
    Src.CaseSensitive = true;
    Port.Shown.clear();
    Port.Select.clear();
    RunAt("procedure resize;");
    ASSERT_GE(Port.Shown.size(), 2u);
    EXPECT_EQ(Port.Shown[1].Caption, "Resize");
}

}  // namespace
}  // namespace velt
