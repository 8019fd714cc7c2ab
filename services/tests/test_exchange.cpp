// The editor buffer exchange of a command: reading, cutting, writing back the
// changed middle, cursor and view, the history dialog.
#include <QComboBox>
#include <QDialog>

#include "foundation/Dialogs.h"
#include "foundation/MemIni.h"
#include "platform/ui/ShortCut.h"
#include "platform/ui/tests/UiTestSupport.h"
#include "services/EditorText.h"
#include "services/ProjectTree.h"
#include "services/ServiceForms.h"
#include "services/tests/ServicesTestSupport.h"

using namespace velt;
using namespace velt::test;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

const char kCommands[] =
    ": Startup\r\n"
    ";\r\n"
    ": Touch\r\n"
    "\" X\" SourceCode :: Text .!\r\n"
    ";\r\n"
    ": InsertB\r\n"
    "\" b\" SourceCode :: Text .!\r\n"
    ";\r\n"
    ": Nothing\r\n"
    ";\r\n"
    ": Far\r\n"
    "80 SourceCode :: CursorLine .!\r\n"
    ";\r\n"
    ": Beyond\r\n"
    "500 SourceCode :: CursorLine .!\r\n"
    ";\r\n"
    ": JumpAndTouch\r\n"
    "\" TB\" GotoClass\r\n"
    "\" X\" SourceCode :: Text .!\r\n"
    ";\r\n"
    ": AppendX\r\n"
    "4 SourceCode :: CursorLine .! 1 SourceCode :: CursorCol .! \" X\" SourceCode :: Text .!\r\n"
    ";\r\n"
    ": Leave 1 2 3 ;\r\n"
    ": PushAndFail 4 5 Nowhere ;\r\n"
    ": StartupSourceSafeTree 7 ;\r\n"
    ": Ask\r\n"
    "\" Units\" \" Find unit\" \" Name:\" \" Alpha\" InputQueryWithHistory Writeln\r\n"
    ";\r\n";

const std::string kUnitA =
    "unit A;\r\n"
    "\r\n"
    "interface\r\n"
    "\r\n"
    "var\r\n"
    "  abc: Integer;\r\n"
    "\r\n"
    "implementation\r\n"
    "\r\n"
    "end.\r\n"
    "This text after the unit stays.\r\n";

std::string UnitText(const std::string& name, int extraLines, const std::string& lineBreak = "\r\n") {
    std::string t = "unit " + name + ";" + lineBreak + "interface" + lineBreak;
    for (int i = 0; i < extraLines; ++i) t += "  // line " + std::to_string(i) + lineBreak;
    return t + "implementation" + lineBreak + "end." + lineBreak;
}

class ExchangeTest : public ::testing::Test {
protected:
    void SetUp() override {
        inst.CommandFile(kCommands);
        s = ComPtr<TSourceServices>(new TSourceServices(host));
        s->InstallAddIn();
    }
    void TearDown() override { s->Finalize(); }
    // Runs a word as its menu item would.
    void Run(const std::string& word) {
        s->RegisterHotkey(word, word, "", true);
        host.Log.clear();
        ASSERT_TRUE(host.ClickByName(word));
    }
    bool Logged(const std::string& line) const {
        return std::find(host.Log.begin(), host.Log.end(), line) != host.Log.end();
    }
    std::vector<std::string> WriterCalls() const {
        std::vector<std::string> r;
        for (const std::string& l : host.Log)
            if (l.rfind("Writer.", 0) == 0 || l == "Editor.CreateUndoableWriter") r.push_back(l);
        return r;
    }

    Installation inst;
    MemoryHost host;
    ComPtr<TSourceServices> s;
};

}  // namespace

TEST_F(ExchangeTest, ACommandRewritesOnlyTheChangedMiddleAsOneUndoStep) {
    host.OpenBuffer("A.pas", kUnitA);
    host.SetCursor("A.pas", {5, 6});  // "  ab|c"
    Run("InsertB");
    EXPECT_TRUE(host.Messages.empty()) << host.Messages[0];
    std::string expected = kUnitA;
    expected.insert(expected.find("abc") + 2, "b");
    EXPECT_EQ(host.Text("A.pas"), expected);
    const int32_t at = int32_t(kUnitA.find("abc") + 2);
    EXPECT_THAT(WriterCalls(), ElementsAre("Editor.CreateUndoableWriter", "Writer.CopyTo(" + std::to_string(at) + ")",
                                           "Writer.DeleteTo(" + std::to_string(at) + ")", "Writer.Insert(b)",
                                           "Writer.Release"));
    EXPECT_TRUE(inst.Sink.HasLine("intf:      2 impl:      7 implend:      9 end:      9"));
    EXPECT_EQ(host.UndoCount("A.pas"), 1);
    EXPECT_TRUE(host.Undo("A.pas"));
    EXPECT_EQ(host.Text("A.pas"), kUnitA);
    EXPECT_EQ(host.LiveEditorInterfaces, 0);

    // A command that changes nothing leaves buffer and undo history alone.
    Run("Nothing");
    EXPECT_TRUE(WriterCalls().empty());
    EXPECT_EQ(host.UndoCount("A.pas"), 0);
    EXPECT_EQ(host.Text("A.pas"), kUnitA);
}

TEST_F(ExchangeTest, OneTypedCharacterInAUnitWithMixedLineEndsIsAllTheWriterDoes) {
    // Lines pasted from elsewhere end in LF amid CR LF lines.
    const std::string mixed = "unit A;\r\n\r\ninterface\n\nvar\n  abc: Integer;\r\n\nimplementation\r\n\r\nend.\n";
    host.OpenBuffer("A.pas", mixed);
    host.SetCursor("A.pas", {5, 6});  // "  ab|c"
    Run("InsertB");
    ASSERT_TRUE(host.Messages.empty()) << host.Messages[0];
    const int32_t at = int32_t(mixed.find("abc") + 2);
    EXPECT_THAT(WriterCalls(), ElementsAre("Editor.CreateUndoableWriter", "Writer.CopyTo(" + std::to_string(at) + ")",
                                           "Writer.DeleteTo(" + std::to_string(at) + ")", "Writer.Insert(b)",
                                           "Writer.Release"));
    std::string expected = mixed;
    expected.insert(size_t(at), "b");
    EXPECT_EQ(host.Text("A.pas"), expected);
}

TEST_F(ExchangeTest, TheModelFollowsTheUsersEditsBetweenCommands) {
    host.OpenBuffer("A.pas", kUnitA);
    Run("Nothing");
    // Typed between two commands: a line changed, one added, one removed.
    std::string typed = kUnitA;
    typed.replace(typed.find("  abc: Integer;"), 15, "  abc: Cardinal;\r\n  def: Byte;");
    typed.erase(typed.find("\r\n\r\nimplementation"), 2);
    host.SetText("A.pas", typed);
    host.SetCursor("A.pas", {3, 7});  // "  |def"
    Run("Touch");
    std::string expected = typed;
    expected.insert(expected.find("def:"), "X");
    EXPECT_EQ(host.Text("A.pas"), expected);
    EXPECT_EQ(s->SourceCode().GetLines()->Text(), CutAtFinalEnd(expected, "A.pas"));

    // A word that changed the model's lines behind its back: read afresh.
    s->SourceCode().GetLines()->Put(0, "unit Changed;");
    host.SetText("A.pas", kUnitA);
    host.SetCursor("A.pas", {1, 1});
    Run("Nothing");
    EXPECT_EQ(s->SourceCode().GetLines()->Text(), CutAtFinalEnd(kUnitA, "A.pas"));
    EXPECT_EQ(host.Text("A.pas"), kUnitA);
}

TEST_F(ExchangeTest, TheBufferIsReadInChunksAndLineEndsAndTrailingTextAreKept) {
    const std::string big = UnitText("Big", 5000, "\n") + "trailing\n";
    ASSERT_GT(big.size(), 64000u);
    host.OpenBuffer("Big.pas", big);
    host.SetCursor("Big.pas", {1, 3});
    Run("Touch");
    std::vector<std::string> reads;
    for (const std::string& l : host.Log)
        if (l.rfind("Reader.GetText", 0) == 0) reads.push_back(l);
    const std::string last = "Reader.GetText(64000,32000)=" + std::to_string(big.size() - 64000);
    // Once for the command, once again for the write-back.
    EXPECT_THAT(reads, ElementsAre("Reader.GetText(0,32000)=32000", "Reader.GetText(32000,32000)=32000", last,
                                   "Reader.GetText(0,32000)=32000", "Reader.GetText(32000,32000)=32000", last));
    std::string expected = big;
    expected.insert(expected.find("  // line 0"), "X");
    EXPECT_EQ(host.Text("Big.pas"), expected);  // LF only, "trailing" untouched
    EXPECT_THAT(WriterCalls()[3], "Writer.Insert(X)");

    // A unit ending in "END." without a line break.
    host.OpenBuffer("C.pas", "unit C;\ninterface\nimplementation\nEND.");
    host.SetCursor("C.pas", {1, 1});
    Run("Touch");
    EXPECT_EQ(host.Text("C.pas"), "Xunit C;\ninterface\nimplementation\nEND.");
}

TEST_F(ExchangeTest, TextTheModelCannotTakeIsRefusedWithoutTouchingAnything) {
    host.OpenBuffer("B.pas", UnitText("B", 1));
    Run("Nothing");
    ASSERT_EQ(s->SourceCode().GetFileName(), "B.pas");
    const char binaryText[] = "unit A;\r\ninterface\r\n\0\0\0\r\nimplementation\r\nend.\r\n";
    const std::string binary(binaryText, sizeof binaryText - 1);
    const std::string longLine = "unit A;\r\n{" + std::string(2 * 1024 * 1024, 'x') + "}\r\nend.\r\n";
    const std::pair<std::string, std::string> cases[] = {
        {"unit A;\r\ninterface\r\nimplementation\r\n", "A.pas: Final end. not found"},
        {binary, "A.pas: binary data (byte $00) in line 3"},
        {longLine, "A.pas: line 2 is longer than 1048576 characters"},
    };
    for (const auto& [text, message] : cases) {
        host.Messages.clear();
        host.CloseAnswer = TSaveAnswer::Discard;
        host.CloseFile("A.pas");
        host.OpenBuffer("A.pas", text);
        Run("Touch");
        ASSERT_EQ(host.Messages.size(), 1u);
        EXPECT_EQ(host.Messages[0], message);
        EXPECT_EQ(host.Text("A.pas"), text);
        EXPECT_EQ(host.Text("B.pas"), UnitText("B", 1));  // the word did not run on B's model
        EXPECT_EQ(s->SourceCode().GetFileName(), "B.pas");
        EXPECT_FALSE(s->SourceCode().GetModified());
    }
}

TEST_F(ExchangeTest, ACursorAfterTheFinalEndRefusesTheCommandAndChangesNothing) {
    host.OpenBuffer("B.pas", UnitText("B", 1));
    Run("Nothing");
    host.OpenBuffer("A.pas", kUnitA);
    host.SetCursor("A.pas", {3, 11});  // in "This text after the unit stays."
    Run("Touch");
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0], "The cursor is after the final end.");
    EXPECT_TRUE(WriterCalls().empty());
    EXPECT_EQ(host.Text("A.pas"), kUnitA);
    EXPECT_EQ(s->SourceCode().GetFileName(), "B.pas");
    EXPECT_EQ(s->SourceCode().GetLines()->Text(), UnitText("B", 1));

    // On the "end." line itself the command runs.
    host.Messages.clear();
    host.SetCursor("A.pas", {1, 10});  // "|end."
    Run("Touch");
    EXPECT_TRUE(host.Messages.empty()) << host.Messages[0];
    EXPECT_EQ(host.Text("A.pas"), "unit A;\r\n\r\ninterface\r\n\r\nvar\r\n  abc: Integer;\r\n\r\nimplementation\r\n\r\n"
                                  "Xend.\r\nThis text after the unit stays.\r\n");
}

TEST_F(ExchangeTest, WriteBackGoesToTheUnitTheModelHoldsAsItIsNow) {
    // The jump loads unit B (from disk); the change goes into B's buffer,
    // measured against B's text, not against A's.
    const std::string unitB = "unit B;\r\ninterface\r\ntype\r\n  TB = class\r\n  end;\r\nimplementation\r\nend.\r\n";
    const std::string fileB = inst.Write("B.pas", unitB);
    host.OpenBuffer(fileB, unitB + "// after the unit\r\n");
    s->SourceCode().ClassesRegistry.RegisterUnit(fileB);
    s->SourceCode().ClassesRegistry.RegisterClass(fileB, "TB", "TObject");
    host.OpenBuffer("A.pas", kUnitA);
    host.SetCursor("A.pas", {1, 6});
    Run("JumpAndTouch");
    ASSERT_TRUE(host.Messages.empty()) << host.Messages[0];
    EXPECT_EQ(host.Text("A.pas"), kUnitA);
    std::string expected = unitB + "// after the unit\r\n";
    expected.insert(expected.find("  TB"), "X");
    EXPECT_EQ(host.Text(fileB), expected);
    EXPECT_THAT(WriterCalls()[3], "Writer.Insert(X)");
    EXPECT_EQ(host.GetCurrentFile(), fileB);  // the unit jumped to comes to the front

    // A word that writes below the last line: the old text is a prefix of the new.
    host.SetCurrentFile("A.pas");
    host.SetText("A.pas", "unit A;\r\ninterface\r\nimplementation\r\nend.\r\n");
    host.SetCursor("A.pas", {1, 4});
    Run("AppendX");
    EXPECT_THAT(WriterCalls(), ElementsAre("Editor.CreateUndoableWriter", "Writer.CopyTo(42)", "Writer.DeleteTo(42)",
                                           "Writer.Insert(X  \r\n)", "Writer.Release"));  // the model pads the new line
}

TEST_F(ExchangeTest, CursorAndViewAreKeptOnExistingLinesAndRecentredWhenOutOfView) {
    host.OpenBuffer("A.pas", UnitText("A", 100));  // 104 lines
    host.SetCursor("A.pas", {3, 10}, {1, 1});
    Run("Nothing");
    EXPECT_TRUE(Logged("View.SetCursorPos(3,10)"));
    EXPECT_TRUE(Logged("View.SetTopPos(1,1)"));

    // The view is 25 lines high: its last line stays where it is, the line
    // below it re-centres the view on the cursor (which lands on view row 12).
    host.SetCursor("A.pas", {1, 25}, {1, 1});
    Run("Nothing");
    EXPECT_TRUE(Logged("View.SetTopPos(1,1)")) << ::testing::PrintToString(host.Log);
    host.SetCursor("A.pas", {1, 26}, {1, 1});
    Run("Nothing");
    EXPECT_TRUE(Logged("View.SetTopPos(1,15)")) << ::testing::PrintToString(host.Log);

    // Above the view it is re-centred too; the top line itself is in view.
    host.SetCursor("A.pas", {1, 40}, {1, 40});
    Run("Nothing");
    EXPECT_TRUE(Logged("View.SetTopPos(1,40)")) << ::testing::PrintToString(host.Log);
    host.SetCursor("A.pas", {1, 39}, {1, 40});
    Run("Nothing");
    EXPECT_TRUE(Logged("View.SetTopPos(1,28)")) << ::testing::PrintToString(host.Log);

    host.SetCursor("A.pas", {1, 1}, {1, 1});
    Run("Far");
    EXPECT_TRUE(Logged("View.SetCursorPos(1,81)"));
    EXPECT_TRUE(Logged("View.SetTopPos(1,70)"));

    Run("Beyond");
    EXPECT_TRUE(Logged("View.SetCursorPos(1,104)"));
    EXPECT_TRUE(Logged("View.SetTopPos(1,93)"));
    EXPECT_TRUE(host.Messages.empty());
}

TEST_F(ExchangeTest, SwitchingUnitsClearsTheStoredJumpsAndStayingKeepsThem) {
    host.OpenBuffer("B.pas", UnitText("B", 1));
    host.OpenBuffer("A.pas", kUnitA);
    Run("Nothing");
    THyperJumpList& jumps = *s->SourceCode().HyperJumps;
    jumps.Add(TLinkInfo{"Paint", "TFoo", 0, 1, 5, 3, "A.pas"});
    Run("Touch");
    EXPECT_EQ(jumps.GetCount(), 1);
    host.SetCurrentFile("B.pas");
    Run("Nothing");
    EXPECT_EQ(jumps.GetCount(), 0);
    EXPECT_TRUE(host.Messages.empty()) << host.Messages[0];
}

TEST_F(ExchangeTest, EveryCommandOfAMenuItemLeavesAnEmptyStack) {
    host.OpenBuffer("A.pas", kUnitA);
    Run("Leave");
    EXPECT_TRUE(host.Messages.empty()) << host.Messages[0];
    EXPECT_EQ(s->Forth().Stack.Count(), 0);
    Run("PushAndFail");
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_THAT(host.Messages[0], ::testing::HasSubstr("Nowhere"));
    EXPECT_EQ(s->Forth().Stack.Count(), 0);
    // A built-in item whose word leaves a value behind.
    ASSERT_TRUE(host.Click(*VeltItem(host, "Project Tree")));
    EXPECT_EQ(s->Forth().Stack.Count(), 0);
    FreeProjectTreeForm();
}

TEST_F(ExchangeTest, HistoryListsLiveInTheProjectsDesktopFile) {
    const std::string desktop = inst.Write("proj/P.dsk", "[HistoryLists\\Units]\r\nCount=2\r\nH0=Alpha\r\nH1=Beta\r\n");
    host.SetProjectUnits(inst.Path("proj/P.dpr"), {});
    std::vector<std::string> offered;
    std::string answer;
    bool ok = true;
    AnsweringRunner runner([&](QDialog& d) {
        auto* form = dynamic_cast<TInputQueryForm*>(&d);
        ASSERT_NE(form, nullptr);
        offered.clear();
        for (int i = 0; i < form->Default->count(); ++i) offered.push_back(form->Default->itemText(i).toStdString());
        EXPECT_EQ(form->Default->currentText(), "Alpha");
        EXPECT_EQ(form->windowTitle(), "Find unit");
        form->Default->setEditText(QString::fromStdString(answer));
        form->done(ok ? mrOk : mrCancel);
    });
    answer = "Beta";  // already known: not added
    host.OpenBuffer("A.pas", kUnitA);
    Run("Ask");
    EXPECT_THAT(offered, ElementsAre("Alpha", "Beta"));
    EXPECT_TRUE(inst.Sink.HasLine("Beta"));
    EXPECT_EQ(ReadWholeFile(desktop), "[HistoryLists\\Units]\r\nCount=2\r\nH0=Alpha\r\nH1=Beta\r\n");

    answer = "Gamma";
    EXPECT_EQ(s->InputQueryWithHistory("Units", "Find unit", "Name:", "Alpha"), "Gamma");
    TMemIni ini;
    ini.LoadFromFile(desktop);
    EXPECT_EQ(ini.ReadString("HistoryLists\\Units", "Count", ""), "3");
    EXPECT_EQ(ini.ReadString("HistoryLists\\Units", "H2", ""), "Gamma");

    ok = false;
    EXPECT_EQ(s->InputQueryWithHistory("Units", "Find unit", "Name:", "Alpha"), "Alpha");
    EXPECT_THAT(offered, ElementsAre("Alpha", "Beta", "Gamma"));

    // Without a project: no history, and no desktop file anywhere.
    host.SetProjectUnits("", {});
    ok = true;
    answer = "Delta";
    EXPECT_EQ(s->InputQueryWithHistory("Units", "Find unit", "Name:", "Alpha"), "Delta");
    EXPECT_TRUE(offered.empty());
    EXPECT_FALSE(std::filesystem::exists(".dsk"));
    EXPECT_EQ(runner.Runs, 4);
}

TEST_F(ExchangeTest, HistoryAnswersAreNeverLostAndOldEntriesNeverOverwritten) {
    const std::string desktop = inst.Path("proj/P.dsk");
    host.SetProjectUnits(inst.Path("proj/P.dpr"), {});
    std::vector<std::string> offered;
    std::string answer;
    std::function<void()> during;  // what happens while the dialog is up
    std::string shown;             // the answer as the dialog holds it
    AnsweringRunner runner([&](QDialog& d) {
        auto* form = dynamic_cast<TInputQueryForm*>(&d);
        ASSERT_NE(form, nullptr);
        offered.clear();
        for (int i = 0; i < form->Default->count(); ++i) offered.push_back(form->Default->itemText(i).toStdString());
        if (!answer.empty()) form->Default->setEditText(QString::fromStdString(answer));
        shown = form->Default->currentText().toStdString();
        if (during) during();
        form->done(mrOk);
    });
    const auto ask = [&](const std::string& name, const std::string& def) {
        return s->InputQueryWithHistory(name, "Find unit", "Name:", def);
    };

    // A damaged count: the entries that are there are offered and kept.
    inst.Write("proj/P.dsk", "[HistoryLists\\Units]\r\nCount=-1\r\nH0=Alpha\r\nH1=Beta\r\n");
    answer = "Gamma";
    EXPECT_EQ(ask("Units", "Alpha"), "Gamma");
    EXPECT_THAT(offered, ElementsAre("Alpha", "Beta"));
    EXPECT_EQ(ReadWholeFile(desktop), "[HistoryLists\\Units]\r\nCount=3\r\nH0=Alpha\r\nH1=Beta\r\nH2=Gamma\r\n");

    // A count below the entries: the new one goes after them all.
    inst.Write("proj/P.dsk", "[HistoryLists\\Units]\r\nCount=1\r\nH0=Alpha\r\nH1=Beta\r\n");
    EXPECT_EQ(ask("Units", "Alpha"), "Gamma");
    EXPECT_THAT(offered, ElementsAre("Alpha"));
    EXPECT_EQ(ReadWholeFile(desktop), "[HistoryLists\\Units]\r\nCount=3\r\nH0=Alpha\r\nH1=Beta\r\nH2=Gamma\r\n");

    // What the file cannot hold is answered all the same and not kept.
    const std::string before = ReadWholeFile(desktop);
    EXPECT_EQ(ask("Odd]Name", "Alpha"), "Gamma");
    EXPECT_TRUE(inst.Sink.HasLine("The answer is not kept in the history: its name \"Odd]Name\" holds \"]\" or a line break."));
    answer.clear();  // OK on a default with a line break
    EXPECT_EQ(ask("Units", "two\nlines"), "two\nlines");
    EXPECT_EQ(shown, "two\nlines");
    EXPECT_TRUE(inst.Sink.HasLine("The answer is not kept in the history: it holds a line break."));
    EXPECT_EQ(ReadWholeFile(desktop), before);

    // Another program's change to the file while the dialog is up stays.
    answer = "Delta";
    during = [&] { inst.Write("proj/P.dsk", before + "[HistoryLists\\Other]\r\nCount=1\r\nH0=Zeta\r\n"); };
    EXPECT_EQ(ask("Units", "Alpha"), "Delta");
    TMemIni ini;
    ini.LoadFromFile(desktop);
    EXPECT_EQ(ini.ReadString("HistoryLists\\Other", "H0", ""), "Zeta");
    EXPECT_EQ(ini.ReadString("HistoryLists\\Units", "H3", ""), "Delta");
    EXPECT_EQ(ini.ReadString("HistoryLists\\Units", "Count", ""), "4");
}
