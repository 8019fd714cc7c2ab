// The demonstration form over the services' demonstration builds, offscreen.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <filesystem>

#include "demo/DemoApp.h"
#include "demo/DemoForm.h"
#include "demo/DemoTools.h"
#include "foundation/CodePages.h"
#include "platform/ui/DialogRunner.h"
#include "platform/ui/ShortCut.h"
#include "platform/vss/SrcSafeIni.h"
#include "platform/vss/VssSession.h"
#include "services/tests/ServicesTestSupport.h"
#include "sourcesafe/SafeForms.h"
#include "sourcesafe/SourceSafeServices.h"

using namespace velt;
using namespace velt::test;

namespace {

// Records every dialog's title; a message box gets the next answer of
// Buttons (Cancel when none is left), the logon dialog is answered with
// LogonUser and LogonPassword when they are set, any other dialog is
// cancelled.
class ScriptedRunner : public TDialogRunner {
public:
    ScriptedRunner() : guard_(this) {}
    int Run(QDialog& dialog) override {
        Titles.push_back(dialog.windowTitle().toStdString());
        if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
            const auto b = Buttons.empty() ? QMessageBox::Cancel : Buttons.front();
            if (!Buttons.empty()) Buttons.erase(Buttons.begin());
            box->button(b)->click();
            return box->result();
        }
        auto* logon = qobject_cast<TLogonForm*>(&dialog);
        if (logon && !LogonUser.empty()) {
            logon->EUser->setText(QString::fromStdString(LogonUser));
            logon->EPassword->setText(QString::fromStdString(LogonPassword));
            logon->BOk->click();
            return logon->result();
        }
        dialog.setResult(QDialog::Rejected);
        return QDialog::Rejected;
    }
    std::vector<QMessageBox::StandardButton> Buttons;
    std::string LogonUser, LogonPassword;
    std::vector<std::string> Titles;

private:
    TDialogRunnerGuard guard_;
};

const char kCommands[] =
    ": Startup \" Hyper Jump\" \" HyperJump\" \" Ctrl+Shift+H\" 1 RegisterHotkey\n"
    "\" Nothing\" \" Nothing\" \" Ctrl+Shift+Q\" 0 RegisterHotkey ;\n"
    ": Nothing ;\n";

class DemoTest : public ::testing::Test {
protected:
    void SetUp() override {
        inst.CommandFile(kCommands);
        unit = inst.Write("root/project/Shapes.pas", ReadWholeFile(std::string(VELT_EXAMPLES_DIR) + "/project/Shapes.pas"));
        other = inst.Write("root/project/Other.pas", "unit Other;\r\ninterface\r\nimplementation\r\nend.\r\n");
        form = std::make_unique<TDemoForm>();
        form->FormCreate();
    }
    void TearDown() override { form.reset(); }
    TForth& Forth() { return SourceServices->Forth(); }
    TIHyperSourceCode& Model() { return SourceServices->SourceCode(); }
    QString Memo() { return form->Memo1->toPlainText(); }
    void Caret(int line, int col) { form->CaretTo(line, col); }
    int CaretLine() { return form->Memo1->textCursor().blockNumber(); }
    int CaretCol() { return form->Memo1->textCursor().positionInBlock() + 1; }
    // A command as the V&ELT menu runs it; no failure is reported.
    void Command(const char* word) {
        ASSERT_TRUE(form->MainMenu1->Find(word)->RunClick()) << word;
        ASSERT_TRUE(inst.Sink.Notes.empty()) << word << ": " << inst.Sink.Notes[0];
    }
    void Word(const std::string& file, const char* word) {
        Forth().PushString(file);
        Forth().ExecWord(word);
    }

    Installation inst;
    ScriptedRunner runner;
    std::string unit, other;
    std::unique_ptr<TDemoForm> form;
};

}  // namespace

TEST_F(DemoTest, StartsOnTheExampleUnitWithTheServicesMenusAndTheDemoObject) {
    EXPECT_EQ(form->windowTitle().toStdString(), "VELT Services for Delphi3 1.0 DEMO");
    EXPECT_EQ(form->CurrentFile(), unit);
    EXPECT_TRUE(Memo().startsWith(QStringLiteral("unit Shapes;\n\ninterface"))) << Memo().left(30).toStdString();
    EXPECT_EQ(form->StatusPanel0->text().toStdString(), "Writeable");
    EXPECT_EQ(Model().GetFileName(), unit);

    std::vector<std::string> velt, safe, bar;
    for (const auto& item : form->VELT1->Children()) velt.push_back(item->GetCaption());
    for (const auto& item : form->SourceSafe1->Children()) safe.push_back(item->GetCaption());
    for (QAction* a : form->menuBar()->actions()) bar.push_back(a->text().toStdString());
    EXPECT_EQ(bar, (std::vector<std::string>{"&File", "SourceS&afe", "V&ELT"}));
    ASSERT_GE(velt.size(), 3u);
    EXPECT_EQ(velt[0], "Hyper Jump");
    EXPECT_NE(std::find(velt.begin(), velt.end(), "Reinitialize"), velt.end());
    EXPECT_NE(std::find(safe.begin(), safe.end(), "Check &In ..."), safe.end());
    EXPECT_EQ(form->Open1->GetShortCut(), TextToShortCut("F3"));

    // Search order: the form's LoadFromIDE and SaveToIDE are the ones found;
    // its start-up and key handler are not words.
    const TStringList& objects = Forth().Objects;
    std::vector<std::string> names;
    for (int i = 0; i < objects.Count(); ++i) names.push_back(objects.Get(i));
    EXPECT_EQ(names, (std::vector<std::string>{"FORTH", "STACK", "SourceCode", "Expert", "Demo", "SourceSafe"}));
    EXPECT_EQ(FindPublishedMethod(SourceServices.get(), "LoadFromIDE"), nullptr);
    EXPECT_EQ(FindPublishedMethod(SourceServices.get(), "SaveToIDE"), nullptr);
    EXPECT_NE(FindPublishedMethod(form.get(), "LoadFromIDE"), nullptr);
    EXPECT_NE(FindPublishedMethod(form.get(), "Open1Click"), nullptr);
    EXPECT_EQ(FindPublishedMethod(form.get(), "FormCreate"), nullptr);
    EXPECT_EQ(FindPublishedMethod(form.get(), "Memo1KeyUp"), nullptr);
}

TEST_F(DemoTest, EdgeCasesOfTheCaretAndTheExchange) {
    // A key release at the start of line 3, and SaveToIDE puts the caret back.
    Caret(2, 1);
    QTest::keyRelease(form->Memo1, Qt::Key_Shift);
    EXPECT_EQ(Model().GetCursorLine(), 2);
    EXPECT_EQ(Model().GetCursorCol(), 1);
    Caret(0, 1);
    Word(form->CurrentFile(), "LoadFromIDE");
    Model().SetCursorLine(2);
    Model().SetCursorCol(1);
    Forth().ExecWord("SaveToIDE");
    EXPECT_EQ(CaretLine(), 2);
    EXPECT_EQ(CaretCol(), 1);

    // LoadFromIDE with no file name still copies the memo's text.
    form->Memo1->setPlainText(QStringLiteral("unit X;\ninterface\nimplementation\nend.\n"));
    Word("", "LoadFromIDE");
    EXPECT_EQ(Model().GetLines()->Count(), 4);
    EXPECT_EQ(Model().GetLines()->Get(0), "unit X;");

    // The caret is clamped to the memo's text.
    Model().SetCursorLine(9999);
    Model().SetCursorCol(999);
    Forth().ExecWord("SaveToIDE");
    EXPECT_EQ(CaretLine(), form->Memo1->document()->blockCount() - 1);
}

TEST_F(DemoTest, AnUnchangedCommandKeepsTheTextAndTheUndoHistoryButMovesTheCaret) {
    form->Memo1->textCursor().insertText(QStringLiteral("{ mine }"));
    const QString before = Memo();
    ASSERT_TRUE(form->Memo1->document()->isUndoAvailable());
    const int undoSteps = form->Memo1->document()->availableUndoSteps();
    Caret(5, 3);  // as a mouse click would: no key is released
    Command("Nothing");
    EXPECT_EQ(Memo(), before);
    EXPECT_EQ(form->Memo1->document()->availableUndoSteps(), undoSteps);
    EXPECT_EQ(CaretLine(), 5);
    EXPECT_EQ(CaretCol(), 3);
}

TEST_F(DemoTest, HyperJumpStartsAtACaretMovedWithTheMouse) {
    int line = -1;
    for (QTextBlock b = form->Memo1->document()->begin(); b.isValid(); b = b.next())
        if (b.text() == QStringLiteral("  FName := AName;")) line = b.blockNumber();
    ASSERT_GT(line, 0);
    Caret(line, 4);  // on FName, without a key
    Command("HyperJump");
    EXPECT_LT(CaretLine(), line) << CaretLine();
    EXPECT_GT(CaretLine(), 0) << CaretLine();
}

TEST_F(DemoTest, AWrittenBackChangeIsOneUndoStepOfTheMemo) {
    const QString before = Memo();
    Word(form->CurrentFile(), "LoadFromIDE");
    Model().GetLines()->Put(0, "unit Shapes; { renamed }");
    Model().SetModified(true);
    Forth().ExecWord("SaveToIDE");
    EXPECT_TRUE(Memo().startsWith(QStringLiteral("unit Shapes; { renamed }\n\ninterface")));
    EXPECT_FALSE(Model().GetModified());
    form->Memo1->undo();
    EXPECT_EQ(Memo(), before);
}

TEST_F(DemoTest, AnotherFileAsksBeforeUnsavedMemoEditsAreDropped) {
    form->Memo1->textCursor().insertText(QStringLiteral("{ edit }"));
    const QString edited = Memo();
    // Cancel stops the command: the memo keeps its file and its edits.
    runner.Buttons = {QMessageBox::Cancel};
    EXPECT_THROW(Word(other, "LoadFromIDE"), Exception);
    EXPECT_EQ(form->CurrentFile(), unit);
    EXPECT_EQ(Memo(), edited);
    // Yes saves the edits (in the file's own line ends), then switches.
    runner.Buttons = {QMessageBox::Yes};
    Word(other, "LoadFromIDE");
    EXPECT_EQ(form->CurrentFile(), other);
    EXPECT_EQ(ReadWholeFile(unit).rfind("{ edit }unit Shapes", 0), 0u);
    EXPECT_EQ(Model().GetFileName(), other);
    // No drops them.
    form->Memo1->textCursor().insertText(QStringLiteral("{ dropped }"));
    runner.Buttons = {QMessageBox::No};
    Word(unit, "LoadFromIDE");
    EXPECT_EQ(form->CurrentFile(), unit);
    EXPECT_EQ(ReadWholeFile(other), "unit Other;\r\ninterface\r\nimplementation\r\nend.\r\n");
    EXPECT_EQ(runner.Titles, (std::vector<std::string>{"SourceSafe Logon", "Confirm", "Confirm", "Confirm"}));
}

TEST_F(DemoTest, CodePage1251BytesRoundTripAndTheStatusFollowsTheWritePermission) {
    const std::string bytes = "unit Cyr;\r\n{ \xcf\xf0\xe8\xe2\xe5\xf2 }\r\ninterface\r\nimplementation\r\nend.\r\n";
    const std::string cyr = inst.Write("root/Cyr.pas", bytes);
    ASSERT_TRUE(form->LoadFile(cyr));
    EXPECT_EQ(form->Memo1->document()->findBlockByNumber(1).text().toStdString(), "{ \xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82 }");
    EXPECT_EQ(form->MemoBytes(), bytes);
    EXPECT_EQ(form->StatusPanel0->text().toStdString(), "Writeable");
    std::filesystem::permissions(cyr, std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
    form->UpdateStatus();
    EXPECT_EQ(form->StatusPanel0->text().toStdString(), "Read only");
}

TEST_F(DemoTest, AMissingStartFileOpensAnEmptyMemoWithAMessage) {
    form.reset();
    form = std::make_unique<TDemoForm>();
    form->FormCreate(inst.Path("root/missing.pas"));
    EXPECT_TRUE(Memo().isEmpty());
    EXPECT_EQ(form->StatusPanel0->text().toStdString(), "Read only");
    ASSERT_FALSE(inst.Sink.Notes.empty());
    EXPECT_NE(inst.Sink.Notes.back().find("Cannot read"), std::string::npos);
}

TEST_F(DemoTest, CheckingInAFileThatIsNotCheckedOutWarnsOnTwoLinesAndGoesOn) {
    // The demonstration's database "d:\vss": the user velt and one file.
    const std::string db = inst.Path("root/vss");
    vss::TVssSession::CreateDatabase(db, false);
    vss::TSrcSafeIni ini = vss::LoadSrcSafeIni(db + "/srcsafe.ini");
    ini.Users = {{"velt", vss::HashPassword("velt")}};
    vss::SaveSrcSafeIni(db + "/srcsafe.ini", ini);
    const std::string work = inst.Path("work");
    inst.Write("work/a.pas", "unit a;\r\nend.\r\n");
    {
        auto session = vss::TVssSession::OpenTrusted(db + "/srcsafe.ini", "velt");
        session->Add(session->MakeProject("$/Proj"), work + "/a.pas", "", vss::TVssOptions{});
    }
    runner.LogonUser = runner.LogonPassword = "velt";
    ASSERT_TRUE(form->MainMenu1->Find("ssLogon")->RunClick());
    ASSERT_TRUE(inst.Sink.HasLine("SourceSafe: velt logged on to " + db));
    EXPECT_EQ(runner.Titles, (std::vector<std::string>{"SourceSafe Logon", "SourceSafe Logon"}));

    inst.Sink.Notes.clear();
    std::string error;
    try {
        SourceSafeServices->_CheckIn("", "$/Proj/a.pas", work, 0);
    } catch (const std::exception& e) {
        error = e.what();
    }
    EXPECT_EQ(inst.Sink.Notes, (std::vector<std::string>{
                                   "Hey ma'an! What are you doing?\nFile $/Proj/a.pas is not currently checked out."}));
    // The check-in itself ran: the database refuses it.
    EXPECT_NE(error.find("do not have file $/Proj/a.pas checked out"), std::string::npos) << error;
}

// The services' start-up check, as in the IDE: without a command file the
// user is told so and the options dialog opens before the menus are made.
TEST_F(DemoTest, WithoutACommandFileTheUserIsToldAndTheOptionsOpen) {
    form.reset();
    inst.Settings()->SetVString("CommandFileName", "");
    runner.Titles.clear();
    inst.Sink.Notes.clear();
    form = std::make_unique<TDemoForm>();
    form->FormCreate();
    ASSERT_FALSE(inst.Sink.Notes.empty());
    EXPECT_EQ(inst.Sink.Notes[0], "VELT Forth file not found");
    EXPECT_EQ(runner.Titles, (std::vector<std::string>{"VELT Loom/2 Services Options", "SourceSafe Logon"}));
    std::vector<std::string> velt;
    for (const auto& item : form->VELT1->Children()) velt.push_back(item->GetCaption());
    EXPECT_NE(std::find(velt.begin(), velt.end(), "Reinitialize"), velt.end());
}

TEST(DemoArguments, KeysAnswersAndTheStartFile) {
    const TDemoOptions o = ParseDemoArguments({"VELTdemo", "--quit-when-loaded", "--press", "Ctrl+Shift+H", "--press",
                                               "F10", "--answer-dialog", "Register Source", "U.pas"});
    EXPECT_TRUE(o.QuitWhenLoaded);
    EXPECT_EQ(o.Keys, (std::vector<std::string>{"Ctrl+Shift+H", "F10"}));
    EXPECT_EQ(o.DialogAnswers, (std::vector<std::string>{"Register Source"}));
    EXPECT_EQ(o.StartFile, "U.pas");
    EXPECT_THROW(ParseDemoArguments({"VELTdemo", "--press"}), Exception);
    EXPECT_THROW(ParseDemoArguments({"VELTdemo", "--nonsense"}), Exception);
}
