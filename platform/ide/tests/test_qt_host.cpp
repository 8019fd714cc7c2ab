#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <Qsci/qsciscintilla.h>

#include <QFileDialog>
#include <QInputDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTabWidget>
#include <QTest>

#include "platform/ide/IdeApp.h"
#include "platform/ide/PackageLoader.h"
#include "platform/ide/QtHost.h"
#include "platform/ide/tests/HostTestSupport.h"
#include "platform/ui/DialogRunner.h"

namespace velt {
namespace {

using ::testing::ElementsAre;

// Answers every dialog without showing it: a file dialog with the next
// file, an input dialog with the next text, a message box with the next
// button; records each dialog's text.
class TScriptedRunner : public TDialogRunner {
public:
    TScriptedRunner() : guard_(this) {}
    int Run(QDialog& dialog) override {
        if (auto* files = qobject_cast<QFileDialog*>(&dialog)) {
            files->selectFile(QString::fromStdString(Next()));
            return QDialog::Accepted;
        }
        if (auto* input = qobject_cast<QInputDialog*>(&dialog)) {
            input->setTextValue(QString::fromStdString(Next()));
            return QDialog::Accepted;
        }
        auto* box = qobject_cast<QMessageBox*>(&dialog);
        Asked.push_back(box ? box->text().toStdString() : dialog.windowTitle().toStdString());
        return Buttons.empty() ? QMessageBox::Cancel : TakeButton();
    }
    std::vector<std::string> Answers;
    std::vector<QMessageBox::StandardButton> Buttons;
    std::vector<std::string> Asked;

private:
    std::string Next() {
        std::string a = Answers.front();
        Answers.erase(Answers.begin());
        return a;
    }
    QMessageBox::StandardButton TakeButton() {
        const QMessageBox::StandardButton b = Buttons.front();
        Buttons.erase(Buttons.begin());
        return b;
    }
    TDialogRunnerGuard guard_;
};

class QtHostTest : public ::testing::Test {
protected:
    std::string ReadAll(const std::string& file) {
        const ComPtr<TIEditReader> reader = host.GetModuleInterface(file)->GetEditorInterface()->CreateReader();
        std::string text(100000, '\0');
        text.resize(size_t(reader->GetText(0, text.data(), int32_t(text.size()))));
        return text;
    }
    void Trigger(const char* name) {
        QAction* action = host.Window().menuBar()->findChild<QAction*>(name);
        ASSERT_TRUE(action) << name;
        action->trigger();
    }
    void ShowAndFocus(const std::string& file) {
        host.Window().show();
        host.Window().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&host.Window()));
        host.Editor(file)->setFocus();
    }

    test::TScratchDir dir;
    TScriptedRunner runner;
    TQtHost host;
};

TEST_F(QtHostTest, EditorKeepsTheFilesBytesAndCountsColumnsInBytes) {
    const std::string cp1251 = "unit \xC0\xE1\xE2;\r\n// \x98\xFF\r\nend.\r\n";
    const std::string lf = "unit L;\nend.\n";
    const std::string a = dir.Write("A.pas", cp1251);
    const std::string l = dir.Write("L.pas", lf);
    ASSERT_TRUE(host.OpenFile(a));
    ASSERT_TRUE(host.OpenFile(l));
    EXPECT_EQ(ReadAll(a), cp1251);
    EXPECT_EQ(ReadAll(l), lf);
    ASSERT_TRUE(host.SaveFile(a));
    EXPECT_EQ(dir.Read("A.pas"), cp1251);

    // Col is the byte index in the line + 1, also past 8-bit characters.
    host.OpenFile(a);
    ShowAndFocus(a);
    const ComPtr<TIEditView> view = host.GetModuleInterface(a)->GetEditorInterface()->GetView(0);
    view->SetCursorPos({8, 1});
    QTest::keyClicks(host.Editor(a), QStringLiteral("X"));
    EXPECT_EQ(view->GetCursorPos(), (TEditPos{9, 1}));
    view->SetCursorPos({99, 2});  // kept inside the line
    EXPECT_EQ(view->GetCursorPos(), (TEditPos{6, 2}));
    ASSERT_TRUE(host.SaveFile(a));
    EXPECT_EQ(dir.Read("A.pas"), "unit \xC0\xE1X\xE2;\r\n// \x98\xFF\r\nend.\r\n");

    // A new line in an LF file is an LF.
    host.OpenFile(l);
    ShowAndFocus(l);
    QTest::keyClick(host.Editor(l), Qt::Key_Return);
    EXPECT_EQ(ReadAll(l), "\nunit L;\nend.\n");
}

TEST_F(QtHostTest, UndoableWriterIsOneUndoStepOfTheEditor) {
    const std::string original = "unit A;\r\nvar x;\r\nend.\r\n";
    const std::string a = dir.Write("A.pas", original);
    host.OpenFile(a);
    {
        const ComPtr<TIEditWriter> writer = host.GetModuleInterface(a)->GetEditorInterface()->CreateUndoableWriter();
        writer->CopyTo(9);
        writer->DeleteTo(13);
        writer->Insert("const ");
        writer->CopyTo(16);
        writer->Insert("!");
    }
    EXPECT_EQ(ReadAll(a), "unit A;\r\nconst x;\r!\nend.\r\n");
    EXPECT_TRUE(host.FindBuffer(a)->Modified());
    host.Editor(a)->undo();
    EXPECT_EQ(ReadAll(a), original);
    EXPECT_EQ(host.LiveEditorInterfaces, 0);
}

TEST_F(QtHostTest, MenuCommandsOpenAndCloseFilesAndProjectsTellingTheNotifiers) {
    EXPECT_EQ(host.Window().objectName(), "AppBuilder");
    QTabWidget* tabs = host.Window().findChild<QTabWidget*>("EditWindow_0");
    ASSERT_TRUE(tabs);
    EXPECT_EQ(host.Window().menuBar()->findChild<QMenu*>("ToolsMenu")->title(), "&Tools");
    EXPECT_EQ(host.Window().menuBar()->findChild<QMenu*>("HelpMenu")->title(), "&Help");

    const ComPtr<test::TRecordingNotifier> notifier(new test::TRecordingNotifier);
    host.AddNotifier(notifier);
    const std::string project = dir.Write("Proj.dpr", "program Proj;\r\nuses\r\n  U1 in 'U1.pas';\r\nbegin\r\nend.\r\n");
    const std::string u1 = dir.Write("U1.pas", "unit U1;\r\nend.\r\n");
    const std::string u2 = dir.Write("U2.pas", "unit U2;\r\nend.\r\n");
    runner.Answers = {project, u1, u2, u1};
    Trigger("ProjectOpenItem");
    Trigger("FileOpenItem");
    EXPECT_EQ(host.GetCurrentFile(), u1);
    EXPECT_EQ(tabs->tabText(tabs->currentIndex()), "U1.pas");
    Trigger("ProjectAddItem");
    Trigger("ProjectRemoveItem");
    EXPECT_EQ(dir.Read("Proj.dpr"), "program Proj;\r\nuses\r\n  U2 in 'U2.pas';\r\nbegin\r\nend.\r\n");
    ASSERT_EQ(host.GetUnitCount(), 1);
    EXPECT_EQ(host.GetUnitName(0), u2);
    host.OpenFile(u2);
    EXPECT_EQ(tabs->count(), 2);
    Trigger("FileCloseItem");  // the current one, U2
    EXPECT_EQ(host.GetCurrentFile(), u1);
    Trigger("ProjectCloseItem");
    EXPECT_EQ(host.GetProjectName(), "");
    EXPECT_THAT(notifier->Events, ElementsAre("3 Proj.dpr", "1 U1.pas", "6 U2.pas", "7 U1.pas", "1 U2.pas",
                                              "2 U2.pas", "5 Proj.dpr"));
    EXPECT_TRUE(runner.Asked.empty());
    host.RemoveNotifier(notifier);
}

TEST_F(QtHostTest, ClosingAModifiedFileAsksToSaveAndNeverDropsTheEdit) {
    const std::string a = dir.Write("A.pas", "unit A;\r\n");
    host.OpenFile(a);
    ShowAndFocus(a);
    QTest::keyClicks(host.Editor(a), QStringLiteral("{x}"));
    runner.Buttons = {QMessageBox::Cancel};
    EXPECT_FALSE(host.CloseFile(a));
    EXPECT_FALSE(host.Window().close());  // the window asks too and stays
    EXPECT_EQ(ReadAll(a), "{x}unit A;\r\n");
    runner.Buttons = {QMessageBox::Save};
    EXPECT_TRUE(host.CloseFile(a));
    EXPECT_FALSE(host.IsFileOpen(a));
    EXPECT_EQ(dir.Read("A.pas"), "{x}unit A;\r\n");
    ASSERT_EQ(runner.Asked.size(), 3u);
    EXPECT_EQ(runner.Asked[0], "Save changes to " + a + "?");
}

TEST_F(QtHostTest, PackageShortcutsWinOverTheEditorsKeysAndTheConsoleIsShared) {
    test::TLinesSink sink;
    const std::string a = dir.Write("A.pas", "unit A;\r\nend.\r\n");
    {
        TPackageLoader loader(host);
        loader.Load(TEST_PACKAGE_A);
        EXPECT_THAT(sink.Lines, ElementsAre("A: startup", "A: register"));
        QMenu* menu = host.Window().menuBar()->findChild<QMenu*>("TestAMenu");
        ASSERT_TRUE(menu);
        ASSERT_EQ(menu->actions().size(), 1);  // the hidden items are not shown
        menu->actions()[0]->trigger();
        EXPECT_EQ(sink.Lines.back(), "A: clicked SayA");

        host.OpenFile(a);
        ShowAndFocus(a);
        QsciScintilla* editor = host.Editor(a);
        // Ctrl+Shift+L deletes a line and Ctrl+D duplicates one in the editor's own bindings.
        QTest::keyClick(editor, Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(editor, Qt::Key_D, Qt::ControlModifier);
        EXPECT_EQ(ReadAll(a), "// DupA\r\n// MarkA\r\nunit A;\r\nend.\r\n");
        editor->undo();
        EXPECT_EQ(ReadAll(a), "// MarkA\r\nunit A;\r\nend.\r\n");
        sink.Lines.clear();
    }
    EXPECT_THAT(sink.Lines, ElementsAre("A: shutdown", "A: expert released"));
    EXPECT_FALSE(host.Window().menuBar()->findChild<QMenu*>("TestAMenu"));
}

TEST(IdeArguments, PackagesFilesAndSwitches) {
    const TIdeOptions o = ParseIdeArguments({"velt-ide", "--package", "a.so", "P.dpr", "--package", "b.so",
                                             "--quit-when-loaded", "--screenshot", "s.png", "U.pas", "--press", "F10",
                                             "--screenshot-window", "Project Tree", "--press", "Down"});
    EXPECT_THAT(o.Packages, ElementsAre("a.so", "b.so"));
    EXPECT_THAT(o.Files, ElementsAre("P.dpr", "U.pas"));
    EXPECT_TRUE(o.QuitWhenLoaded);
    EXPECT_EQ(o.Screenshot, "s.png");
    EXPECT_EQ(o.ScreenshotWindow, "Project Tree");
    EXPECT_THAT(o.Keys, ElementsAre("F10", "Down"));
    EXPECT_THROW(ParseIdeArguments({"velt-ide", "--package"}), Exception);
    EXPECT_THROW(ParseIdeArguments({"velt-ide", "--press"}), Exception);
    EXPECT_THROW(ParseIdeArguments({"velt-ide", "--bogus"}), Exception);
}

}  // namespace
}  // namespace velt
