#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/SysUtils.h"
#include "platform/ide/MemoryHost.h"
#include "platform/ide/tests/HostTestSupport.h"

namespace velt {
namespace {

using ::testing::ElementsAre;

using test::TRecordingNotifier;

ComPtr<TIEditorInterface> EditorOf(MemoryHost& host, const std::string& file) {
    const ComPtr<TIModuleInterface> module = host.GetModuleInterface(file);
    return module ? module->GetEditorInterface() : nullptr;
}

TEST(MemoryHost, ReaderGivesTheBufferInChunksAndLogsEveryCall) {
    MemoryHost host;
    std::string text(70000, 'x');
    text[0] = 'a';
    text[69999] = 'z';
    host.OpenBuffer("Big.pas", text);
    std::string read;
    {
        const ComPtr<TIEditReader> reader = EditorOf(host, "Big.pas")->CreateReader();
        std::vector<char> chunk(32000);
        int32_t pos = 0;
        for (int32_t n = 32000; n == 32000; pos += n) {
            n = reader->GetText(pos, chunk.data(), 32000);
            read.append(chunk.data(), size_t(n));
        }
        EXPECT_EQ(reader->GetText(80000, chunk.data(), 10), 0);
        EXPECT_THROW(reader->GetText(-1, chunk.data(), 10), Exception);
        EXPECT_THROW(reader->GetText(0, nullptr, 10), Exception);
    }
    EXPECT_EQ(read, text);
    EXPECT_THAT(host.Log, ElementsAre("Module.GetEditorInterface", "Editor.CreateReader",
                                      "Reader.GetText(0,32000)=32000", "Reader.GetText(32000,32000)=32000",
                                      "Reader.GetText(64000,32000)=6000", "Reader.GetText(80000,10)=0"));
    EXPECT_EQ(host.LiveEditorInterfaces, 0);
}

TEST(MemoryHost, UndoableWriterChangesAreOneUndoStep) {
    MemoryHost host;
    const std::string original = "unit A;\r\nvar x;\r\nend.\r\n";
    host.OpenBuffer("A.pas", original);
    {
        const ComPtr<TIEditWriter> writer = EditorOf(host, "A.pas")->CreateUndoableWriter();
        EXPECT_TRUE(writer->CopyTo(9));     // "unit A;\r\n"
        EXPECT_TRUE(writer->DeleteTo(13));  // drops "var "
        EXPECT_TRUE(writer->Insert("const "));
        EXPECT_TRUE(writer->CopyTo(16));    // "x;\r" kept, positions of the old text
        EXPECT_TRUE(writer->Insert("!"));
        EXPECT_THROW(writer->CopyTo(15), Exception);  // never back
        EXPECT_THROW(writer->DeleteTo(99), Exception);
    }
    EXPECT_EQ(host.Text("A.pas"), "unit A;\r\nconst x;\r!\nend.\r\n");
    EXPECT_TRUE(host.Modified("A.pas"));
    EXPECT_EQ(host.UndoCount("A.pas"), 1);
    EXPECT_TRUE(host.Undo("A.pas"));
    EXPECT_EQ(host.Text("A.pas"), original);

    // A writer that changes nothing leaves no undo step.
    EditorOf(host, "A.pas")->CreateUndoableWriter()->CopyTo(5);
    EXPECT_EQ(host.UndoCount("A.pas"), 0);
    EXPECT_EQ(host.LiveEditorInterfaces, 0);
}

TEST(MemoryHost, InterfacesOfAClosedFileFailClearly) {
    MemoryHost host;
    host.OpenBuffer("A.pas", "x");
    const ComPtr<TIEditorInterface> editor = EditorOf(host, "A.pas");
    const ComPtr<TIEditView> view = editor->GetView(0);
    EXPECT_EQ(editor->GetView(1), nullptr);
    view->SetCursorPos({7, 3});
    EXPECT_EQ(host.Cursor("A.pas"), (TEditPos{7, 3}));
    ASSERT_TRUE(host.CloseFile("A.pas"));
    EXPECT_THROW(view->GetCursorPos(), Exception);
    EXPECT_THROW(editor->CreateReader(), Exception);
    EXPECT_EQ(host.GetModuleInterface("A.pas"), nullptr);
}

TEST(MemoryHost, MenusInsertFindDestroyAndRunShortcutsOfHiddenItems) {
    MemoryHost host;
    const ComPtr<TIMainMenuIntf> mainMenu = host.GetMainMenu();
    const ComPtr<TIMenuItemIntf> help = mainMenu->FindMenuItem("helpmenu");
    ASSERT_TRUE(help);
    const ComPtr<TIMenuItemIntf> velt = mainMenu->GetMenuItems()->InsertItem(
        help->GetIndex(), "V&ELT", "VELTMenu", "", 0, 0, 0, mfEnabled | mfVisible, nullptr);
    EXPECT_EQ(velt->GetIndex() + 1, help->GetIndex());
    std::vector<std::string> clicks;
    const auto record = [&](TIMenuItemIntf* sender) { clicks.push_back(sender->GetName()); };
    const TShortCut ctrlShiftL = 0x4000 | 0x2000 | 'L';
    velt->InsertItem(0, "Shown", "Shown", "", 0x4000 | 'T', 0, 0, mfEnabled | mfVisible, record);
    velt->InsertItem(1, "Hidden", "Hidden", "", ctrlShiftL, 0, 0, mfEnabled, record);
    velt->InsertItem(2, "Off", "Off", "", 0x4000 | 'D', 0, 0, mfVisible, record);
    velt->InsertItem(99, "Boom", "Boom", "", 0, 0, 0, mfEnabled | mfVisible,
                     [](TIMenuItemIntf*) { throw Exception("boom"); });
    EXPECT_EQ(velt->GetItemCount(), 4);

    EXPECT_TRUE(host.PressShortCut(ctrlShiftL));  // hidden, enabled: runs
    EXPECT_FALSE(host.ClickByName("Hidden"));     // but cannot be clicked
    EXPECT_FALSE(host.PressShortCut(0x4000 | 'D'));
    EXPECT_FALSE(host.ClickByName("Off"));
    EXPECT_TRUE(host.ClickByName("Shown"));
    EXPECT_THAT(clicks, ElementsAre("Hidden", "Shown"));
    EXPECT_TRUE(host.ClickByName("Boom"));
    EXPECT_THAT(host.Messages, ElementsAre("boom"));
    EXPECT_NE(host.MainMenu().Dump().find("  Hidden [Hidden] Shift+Ctrl+L (hidden)\n"), std::string::npos);

    // A handler may destroy its own menu (a menu rebuilt from a click).
    velt->InsertItem(0, "Rebuild", "Rebuild", "", 0, 0, 0, mfEnabled | mfVisible,
                     [&](TIMenuItemIntf*) { velt->DestroyMenuItem(); });
    EXPECT_TRUE(host.ClickByName("Rebuild"));
    EXPECT_EQ(mainMenu->FindMenuItem("VELTMenu"), nullptr);
    EXPECT_EQ(mainMenu->FindMenuItem("Hidden"), nullptr);
    EXPECT_FALSE(host.PressShortCut(ctrlShiftL));
    EXPECT_EQ(velt->GetIndex(), -1);
    EXPECT_FALSE(velt->DestroyMenuItem());
}

TEST(MemoryHost, FileAndProjectOperationsTellTheNotifiers) {
    MemoryHost host;
    const ComPtr<TRecordingNotifier> notifier(new TRecordingNotifier);
    host.AddNotifier(notifier);
    host.Disk["p/Proj.dpr"] = "program Proj;\nuses\n  Forms,\n  Unit1 in 'Unit1.pas';\nbegin\nend.\n";
    host.Disk["p/Unit1.pas"] = "unit Unit1;";
    host.Disk["p/sub/Unit2.pas"] = "unit Unit2;";

    ASSERT_TRUE(host.OpenProject("p/Proj.dpr"));
    EXPECT_EQ(host.GetProjectName(), "p/Proj.dpr");
    ASSERT_EQ(host.GetUnitCount(), 1);
    EXPECT_EQ(host.GetUnitName(0), "p/Unit1.pas");
    ASSERT_TRUE(host.OpenFile("p/Unit1.pas"));
    EXPECT_EQ(host.GetCurrentFile(), "p/Unit1.pas");
    ASSERT_TRUE(host.AddToProject("p/sub/Unit2.pas"));
    EXPECT_EQ(host.Disk["p/Proj.dpr"],
              "program Proj;\nuses\n  Forms,\n  Unit1 in 'Unit1.pas',\n  Unit2 in 'sub/Unit2.pas';\nbegin\nend.\n");
    EXPECT_FALSE(host.AddToProject("p/sub/Unit2.pas"));
    ASSERT_TRUE(host.RemoveFromProject("p/Unit1.pas"));
    EXPECT_EQ(host.Disk["p/Proj.dpr"], "program Proj;\nuses\n  Forms,\n  Unit2 in 'sub/Unit2.pas';\nbegin\nend.\n");
    EXPECT_EQ(host.GetUnitName(0), "p/sub/Unit2.pas");

    // A cancelled close keeps the file; a modified one is saved first.
    notifier->CancelCode = fnFileClosing;
    EXPECT_FALSE(host.CloseFile("p/Unit1.pas"));
    EXPECT_TRUE(host.IsFileOpen("p/Unit1.pas"));
    notifier->CancelCode = -1;
    host.SetText("p/Unit1.pas", "unit Unit1; { changed }");
    host.CloseAnswer = TSaveAnswer::Cancel;
    EXPECT_FALSE(host.CloseFile("p/Unit1.pas"));
    host.CloseAnswer = TSaveAnswer::Save;
    EXPECT_TRUE(host.CloseFile("p/Unit1.pas"));
    EXPECT_EQ(host.Disk["p/Unit1.pas"], "unit Unit1; { changed }");
    EXPECT_THAT(host.SaveQuestions, ElementsAre("p/Unit1.pas", "p/Unit1.pas"));
    EXPECT_EQ(host.GetCurrentFile(), "");

    ASSERT_TRUE(host.CloseProject());
    EXPECT_EQ(host.GetProjectName(), "");
    EXPECT_EQ(host.GetUnitCount(), 0);
    EXPECT_THAT(notifier->Events,
                ElementsAre("3 Proj.dpr", "1 Unit1.pas", "6 Unit2.pas", "7 Unit1.pas", "2 Unit1.pas",
                            "2 Unit1.pas", "5 Proj.dpr"));
    EXPECT_TRUE(host.RemoveNotifier(notifier));
    EXPECT_FALSE(host.RemoveNotifier(notifier));
    // Asked by a package, the host says nothing (the package reports); asked
    // by the user, it says why, naming the file once.
    EXPECT_FALSE(host.OpenFile("p/Missing.pas"));
    EXPECT_TRUE(host.Messages.empty());
    EXPECT_FALSE(host.OpenFileReporting("p/Missing.pas"));
    EXPECT_THAT(host.Messages, ElementsAre("Cannot open file \"p/Missing.pas\""));
}

}  // namespace
}  // namespace velt
