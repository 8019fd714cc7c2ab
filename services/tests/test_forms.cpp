// The options, hotkey and input dialogs.
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "foundation/Dialogs.h"
#include "platform/ide/MemoryHost.h"
#include "platform/ui/ShortCut.h"
#include "platform/ui/tests/UiTestSupport.h"
#include "services/ServiceForms.h"

using namespace velt;
using namespace velt::test;

namespace {

QStringList Row(QTreeWidget* view, int i) {
    QTreeWidgetItem* r = view->topLevelItem(i);
    return {r->text(0), r->text(1), r->text(2)};
}

}  // namespace

TEST(ServiceForms, HotkeyPageEditsTheShortcutsOfItsMenuItems) {
    MemoryHost host;
    const ComPtr<TIMenuItemIntf> tools = host.GetMainMenu()->FindMenuItem("ToolsMenu");
    std::vector<ComPtr<TIMenuItemIntf>> items = {
        tools->InsertItem(0, "Check &In", "CheckInItem", "", TextToShortCut("Ctrl+F2"), 0, 0, mfEnabled | mfVisible, nullptr),
        tools->InsertItem(1, "Check &Out", "CheckOutItem", "", TextToShortCut("Ctrl+F3"), 0, 0, mfEnabled | mfVisible, nullptr),
        tools->InsertItem(2, "&Get", "GetItem", "", TextToShortCut("F4"), 0, 0, mfEnabled, nullptr),
    };
    T_OptionsForm form;
    form.MenusList = &items;
    QStringList editorCaptions;
    AnsweringRunner runner([&](QDialog& d) {
        if (auto* editor = dynamic_cast<THotKeyEditForm*>(&d)) {
            editorCaptions << editor->windowTitle() + "|" + editor->HotKey->text();
            QTest::keyClick(editor->HotKey, Qt::Key_F7, Qt::ControlModifier | Qt::ShiftModifier);
            QTest::mouseClick(ButtonWithText(*editor, editorCaptions.size() == 1 ? "Ok" : "Cancel"), Qt::LeftButton);
            return;
        }
        ASSERT_EQ(&d, &form);
        EXPECT_EQ(form.windowTitle(), "VELT Services Options");
        ASSERT_EQ(form.MenusView->topLevelItemCount(), 3);
        EXPECT_EQ(Row(form.MenusView, 0), QStringList({"Check &In", "CheckInItem", "Ctrl+F2"}));
        EXPECT_EQ(Row(form.MenusView, 2), QStringList({"&Get", "GetItem", "F4"}));
        form.MenusView->setCurrentItem(form.MenusView->topLevelItem(0));
        QTest::mouseClick(form.EditButton, Qt::LeftButton);  // OK: the new key
        form.MenusView->setCurrentItem(form.MenusView->topLevelItem(1));
        QTest::mouseClick(form.EditButton, Qt::LeftButton);  // Cancel: as it was
        form.MenusView->topLevelItem(2)->setText(2, "");
        QTest::mouseClick(form.OKButton, Qt::LeftButton);
    });
    EXPECT_EQ(RunDialog(form), mrOk);
    EXPECT_EQ(editorCaptions, QStringList({"Edit Hot key  for item Check &In|Ctrl+F2",
                                           "Edit Hot key  for item Check &Out|Ctrl+F3"}));
    EXPECT_EQ(ShortCutToText(items[0]->GetShortCut()), "Shift+Ctrl+F7");
    EXPECT_EQ(ShortCutToText(items[1]->GetShortCut()), "Ctrl+F3");
    EXPECT_EQ(items[2]->GetShortCut(), 0);

    // Without a list the page is empty and OK changes nothing.
    T_OptionsForm empty;
    AnsweringRunner second([&](QDialog& d) {
        EXPECT_EQ(empty.MenusView->topLevelItemCount(), 0);
        QTest::mouseClick(empty.EditButton, Qt::LeftButton);
        QTest::mouseClick(empty.OKButton, Qt::LeftButton);
        EXPECT_EQ(&d, &empty);
    });
    EXPECT_EQ(RunDialog(empty), mrOk);
    EXPECT_EQ(second.Runs, 1);
}

TEST(ServiceForms, SourceOptionsBrowseFromTheEditsTextAndEscapeCancels) {
    TSourceOptionsForm form;
    EXPECT_EQ(form.windowTitle(), "VELT Loom/2 Services Options");
    EXPECT_EQ(form.PageControl->count(), 2);
    form.edCmdFileName->setText("/tmp/old.4th");
    QString startedAt;
    AnsweringRunner runner([&](QDialog& d) {
        if (auto* files = qobject_cast<QFileDialog*>(&d)) {
            EXPECT_EQ(files->windowTitle(), "Open VELT Services Command File");
            EXPECT_EQ(files->nameFilters(), QStringList({"Forth files(*.4th)", "All files(*.*)"}));
            startedAt = files->selectedFiles().value(0);
            files->selectFile("/tmp/new.4th");
            static_cast<QDialog*>(files)->done(QDialog::Accepted);
            return;
        }
        QTest::mouseClick(form.CmdFileBrowse, Qt::LeftButton);
        PressKey(d, Qt::Key_Escape);
    });
    EXPECT_EQ(RunDialog(form), mrCancel);
    EXPECT_EQ(startedAt, "/tmp/old.4th");
    EXPECT_EQ(form.edCmdFileName->text(), "/tmp/new.4th");
}

// Escape cancels the hotkey editor and Enter closes it with OK; neither, nor
// a letter alone, becomes the hotkey.
TEST(ServiceForms, TheHotkeyEditorLeavesEscapeEnterAndLettersToTheDialog) {
    for (const bool escape : {true, false}) {
        THotKeyEditForm editor;
        editor.HotKey->SetHotKey(TextToShortCut("Ctrl+F2"));
        AnsweringRunner runner([&](QDialog&) {
            QTest::keyClick(editor.HotKey, Qt::Key_A);
            EXPECT_EQ(editor.HotKey->text(), "Ctrl+F2");
            QTest::keyClick(editor.HotKey, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
            EXPECT_EQ(editor.HotKey->text(), "Shift+Ctrl+K");
            QTest::keyClick(editor.HotKey, escape ? Qt::Key_Escape : Qt::Key_Return);
        });
        EXPECT_EQ(RunDialog(editor), escape ? mrCancel : mrOk);
        EXPECT_EQ(ShortCutToText(editor.HotKey->HotKey()), "Shift+Ctrl+K");
    }
}
