// The SourceSafe expert in the in-memory IDE with both packages loaded: its
// menu and settings, logon, the answers to the file events, its words.
#include <optional>

#include "platform/ui/ShortCut.h"
#include "sourcesafe/Package.h"
#include "sourcesafe/tests/SafeTestSupport.h"

using namespace velt;
using namespace velt::test;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

void WriteText(const std::string& path, const std::string& text) { AtomicWriteFile(path, text.data(), text.size()); }

class ExpertTest : public ::testing::Test {
protected:
    SafeInstallation inst;
    MemoryHost host;
    ScriptedRunner runner;
    TScriptedDialogPort port;
    TDialogPortGuard portGuard{&port};
};

std::vector<std::string> Captions(THostMenuItem& menu) {
    std::vector<std::string> r;
    for (const ComPtr<THostMenuItem>& item : menu.Children())
        r.push_back(item->GetCaption() + "|" + item->GetName() + "|" + ShortCutToText(item->GetShortCut()));
    return r;
}

}  // namespace

TEST_F(ExpertTest, TheMenuStandsBeforeToolsWithItsShortcutsAndTheOptionsStoreThem) {
    std::unique_ptr<TKey>(SafeInstallation::SafeSettings()->CreateSubKey("Hotkeys"))
        ->SetVString("ssCheckInItem", "Ctrl+Alt+I");
    LoadedPackages packages(host);

    std::vector<std::string> top;
    for (const ComPtr<THostMenuItem>& item : host.MainMenu().Root().Children()) top.push_back(item->GetCaption());
    EXPECT_THAT(top, ElementsAre("&File", "&Project", "SourceS&afe", "&Tools", "V&ELT", "&Help"));
    EXPECT_THAT(Captions(*host.MainMenu().Find("SourceSafeMenu")),
                ElementsAre("&Add Files ...|ssAddFilesItem|Shift+Ctrl+A", "-||",
                            "Check &In ...|ssCheckInItem|Ctrl+Alt+I", "Chec&k Out ...|ssCheckOutItem|Shift+Ctrl+K",
                            "&Undo Check Out ...|ssUndoCheckOutItem|Shift+Ctrl+U",
                            "Get &Latest Version ...|ssGetLatestVersionItem|Shift+Ctrl+L", "-||",
                            "Build File List|ssBuildFileList|", "-||", "&Options ...|ssOptionsItem|",
                            "Lo&gon ...|ssLogon|", "-||", "Run Visual SourceSafe Explorer|ssRunExplorer|"));
    EXPECT_THAT(host.Log, Contains("Expert.GetName=SourceSafe Expert"));
    EXPECT_THAT(host.Log, Contains("Expert.GetIDString=Trel.SourceSafeServices"));

    runner.Script.push_back(Cancel());
    EXPECT_TRUE(host.PressShortCut(TextToShortCut("Ctrl+Shift+K")));
    EXPECT_THAT(runner.Titles, ElementsAre("SourceSafe Check Out"));

    runner.Script.push_back([](QDialog& d) {
        auto* form = qobject_cast<TSourceSafeOptionsForm*>(&d);
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->OpenCheck->currentIndex(), saNo);
        EXPECT_EQ(form->CloseCheck->currentIndex(), saAsk);
        EXPECT_EQ(form->MenusView->topLevelItemCount(), 13);
        form->OpenCheck->setCurrentIndex(saYes);
        form->CloseRemove->setCurrentIndex(saNo);
        form->AutoLogon->setChecked(true);
        form->OKButton->click();
    });
    ASSERT_TRUE(host.ClickByName("ssOptionsItem"));
    auto settings = SafeInstallation::SafeSettings();
    EXPECT_EQ(settings->GetAsInteger("OpeningCheckOut", -1), 0);
    EXPECT_EQ(settings->GetAsInteger("ClosingCheckIn", -1), 2);
    EXPECT_EQ(settings->GetAsInteger("AutoSourceSafeAdding", -1), 0);
    EXPECT_EQ(settings->GetAsInteger("AutoSourceSafeRemoving", -1), 1);
    EXPECT_EQ(settings->GetAsInteger("AutoLogon", -1), 1);
    std::unique_ptr<TKey> hotkeys(settings->CreateSubKey("Hotkeys"));
    EXPECT_EQ(hotkeys->GetAsString("ssAddFilesItem", "?"), "Shift+Ctrl+A");
    EXPECT_EQ(hotkeys->GetAsString("ssCheckInItem", "?"), "Ctrl+Alt+I");
    EXPECT_EQ(hotkeys->GetAsString("ssRunExplorer", "?"), "");
    EXPECT_EQ(packages.Services().OpeningCheckOut, saYes);
    EXPECT_THAT(host.Messages, IsEmpty());
}

TEST_F(ExpertTest, FileEventsGetTheReactionsTheirSettingsGive) {
    inst.BuildList();
    LoadedPackages packages(host);
    packages.LogOn();
    TSourceSafeServices& s = packages.Services();
    const std::string a = inst.File("a.pas");
    const std::string b = inst.File("b.pas");

    // With the defaults, opening a listed file does nothing; closing one that
    // this user has checked out asks.
    host.FireNotification(fnFileOpened, a);
    s.Database()->VSSItem(inst.Spec("a.pas"), false)->Checkout("", a, 0);
    port.Confirms.push_back(false);
    host.FireNotification(fnFileClosing, a);
    EXPECT_THAT(port.Log, ElementsAre("Confirm: Check in file " + a + "?"));

    // Checked out by another user only: no check-in is offered.
    ComPtr<vss::IVSSDatabase> bob = vss::CoVSSDatabase::Create();
    bob->Open(inst.Database, "Bob", "bobpw");
    bob->VSSItem(inst.Spec("b.pas"), false)->Checkout("", inst.Path("bob/b.pas"), 0);
    host.FireNotification(fnFileClosing, b);
    EXPECT_EQ(port.Log.size(), 1u);

    // A file of a listed name in a folder that mirrors no project is the
    // listed one: its dialog offers that item for the file's own folder.
    s.OpeningCheckOut = saYes;
    const std::string other = inst.Write("other/a.pas", "unit a;");
    runner.Script.push_back([&](QDialog& d) {
        auto* form = qobject_cast<TSafeSourceForm*>(&d);
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->ItemText(), inst.ProjectSpec + "/a.*");
        EXPECT_EQ(form->FolderText(), inst.Path("other/"));
        d.done(mrCancel);
    });
    host.FireNotification(fnFileOpened, other);
    EXPECT_THAT(runner.Titles, ElementsAre("SourceSafe Check Out"));
    runner.Titles.clear();
    s.OpeningCheckOut = saNo;
    // A name the list does not hold stays silent.
    s.AutoSourceSafeRemoving = saYes;
    host.FireNotification(fnRemovedFromProject, inst.Write("other/unlisted.pas", "unit unlisted;"));
    EXPECT_THAT(runner.Titles, IsEmpty());

    // Adding a file opens the add dialog without a question.
    runner.Script.push_back(Cancel());
    host.FireNotification(fnAddedToProject, inst.File("new.pas"));
    EXPECT_THAT(runner.Titles, ElementsAre("Add Files to SourceSafe"));

    // Removing with "Ask": No leaves SourceSafe alone, Yes deletes the item.
    s.AutoSourceSafeRemoving = saAsk;
    port.Confirms = {false, true};
    const std::string cd = inst.File("c d.pas");
    host.FireNotification(fnRemovedFromProject, cd);
    EXPECT_TRUE(inst.Session()->TryFind(inst.Spec("c d.pas"), false).has_value());
    host.FireNotification(fnRemovedFromProject, cd);
    EXPECT_FALSE(inst.Session()->TryFind(inst.Spec("c d.pas"), false).has_value());
    EXPECT_EQ(port.Log.back(), "Confirm: Would you like to remove the file " + cd + " from SourceSafe?");

    // "Yes" for opening: the check-out dialog, no question.
    s.OpeningCheckOut = saYes;
    runner.Script.push_back(Cancel());
    host.FireNotification(fnFileOpened, b);
    EXPECT_THAT(runner.Titles, ElementsAre("Add Files to SourceSafe", "SourceSafe Check Out"));
    EXPECT_EQ(port.Log.size(), 3u);
    EXPECT_THAT(host.Messages, IsEmpty());
}

// "Reload in IDE" closes and opens the file itself: those events bring no
// new dialog, and the file being closed stays closed.
TEST_F(ExpertTest, AnOperationsOwnReloadCausesNoEventsAndAClosingFileStaysClosed) {
    inst.BuildList();
    LoadedPackages packages(host);
    packages.LogOn();
    packages.Services().OpeningCheckOut = saYes;
    packages.Services().ClosingCheckIn = saYes;
    const std::string a = inst.File("a.pas");

    runner.Script.push_back(Ok());
    ASSERT_TRUE(host.OpenFile(a));
    EXPECT_THAT(runner.Titles, ElementsAre("SourceSafe Check Out"));
    EXPECT_EQ(inst.CheckedOut(inst.Spec("a.pas")), vss::VSSFILE_CHECKEDOUT_ME);
    EXPECT_TRUE(host.IsFileOpen(a));

    WriteText(a, "unit a; { edited }");
    runner.Script.push_back(Ok());
    EXPECT_TRUE(host.CloseFile(a));
    EXPECT_THAT(runner.Titles, ElementsAre("SourceSafe Check Out", "SourceSafe Check In"));
    EXPECT_EQ(inst.Version(inst.Spec("a.pas")), 2);
    EXPECT_FALSE(host.IsFileOpen(a));
    EXPECT_THAT(host.Messages, IsEmpty());
}

TEST_F(ExpertTest, TheProjectFileIsCheckedOutOnOpeningAndInOnceOnClosing) {
    inst.BuildList();
    LoadedPackages packages(host);
    packages.LogOn();
    packages.Services().ClosingCheckIn = saYes;
    const std::string project = inst.File("P.dpr");

    runner.Script.push_back(Ok());
    ASSERT_TRUE(host.OpenProject(project));
    EXPECT_EQ(inst.CheckedOut(inst.Spec("P.dpr")), vss::VSSFILE_CHECKEDOUT_ME);
    EXPECT_EQ(host.GetProjectName(), project);

    WriteText(project, "program P;\r\nbegin\r\nend.\r\n");
    runner.Script.push_back(Ok());
    EXPECT_TRUE(host.CloseProject());
    EXPECT_THAT(runner.Titles, ElementsAre("SourceSafe Check Out", "SourceSafe Check In"));
    EXPECT_EQ(inst.CheckedOut(inst.Spec("P.dpr")), vss::VSSFILE_NOTCHECKEDOUT);
    EXPECT_EQ(inst.Version(inst.Spec("P.dpr")), 2);
    EXPECT_EQ(host.GetProjectName(), "");
    EXPECT_FALSE(host.IsFileOpen(project));
    EXPECT_THAT(host.Messages, IsEmpty());
}

TEST_F(ExpertTest, AFailedOrCancelledLogonIsReportedAndThePackageKeepsWorking) {
    inst.BuildList();
    const std::string a = inst.File("a.pas");
    {
        runner.Script.push_back(LogonWith("wrong", "Ann"));
        LoadedPackages packages(host, true);
        TSourceSafeServices& s = packages.Services();
        EXPECT_THAT(runner.Titles, ElementsAre("SourceSafe Logon"));
        EXPECT_THAT(host.Messages, ElementsAre("SourceSafe logon failed: Unknown user or wrong password"));
        EXPECT_FALSE(s.Database());

        s.ClosingCheckIn = saYes;
        host.FireNotification(fnFileClosing, a);
        EXPECT_TRUE(HasConsoleLine("Not logged on to SourceSafe: " + a + " is left alone."));
        runner.Script.push_back(Ok());
        host.SetCurrentFile(a);
        ASSERT_TRUE(host.ClickByName("ssCheckOutItem"));
        EXPECT_THAT(host.Messages, ElementsAre("SourceSafe logon failed: Unknown user or wrong password",
                                               "Not logged on to SourceSafe: see SourceS&afe > Lo&gon ..."));

        // Lo&gon from the menu logs on again.
        runner.Script.push_back(LogonWith("annpw"));
        ASSERT_TRUE(host.ClickByName("ssLogon"));
        ASSERT_TRUE(s.Database());
        EXPECT_EQ(s.Database()->UserName(), "Ann");
    }
    {
        runner.Script.push_back(Cancel());
        LoadedPackages packages(host, true);
        EXPECT_TRUE(HasConsoleLine("SourceSafe logon cancelled: not logged on."));
        EXPECT_FALSE(packages.Services().Database());
    }
    {
        LoadedPackages packages(host);
        EXPECT_TRUE(HasConsoleLine("SourceSafe: Auto Logon is off; SourceS&afe > Lo&gon ... logs on."));
        EXPECT_FALSE(packages.Services().Database());
    }
    EXPECT_EQ(runner.Titles.size(), 4u);
    EXPECT_EQ(host.Messages.size(), 2u);
}

TEST_F(ExpertTest, AnotherDatabaseChosenAtLogonIsWrittenAndItsFileListLoaded) {
    LoadedPackages packages(host);
    TSourceSafeServices& s = packages.Services();
    EXPECT_TRUE(HasConsoleLine("SourceSafe's CurrentDatabase[" + inst.Database +
                               "] file list does not exists. Build it!, "));
    const std::string other = inst.MakeDatabase("db2");
    inst.Write("db2/filelist.vss", "x.pas=$/P/\r\nnonsense\r\n");

    runner.Script.push_back([&](QDialog& d) {
        auto* form = qobject_cast<TLogonForm*>(&d);
        ASSERT_NE(form, nullptr);
        EXPECT_FALSE(form->BOk->isEnabled());
        form->EUser->setText("Ann");
        EXPECT_TRUE(form->BOk->isEnabled());
        form->EPassword->setText("annpw");
        form->ECurrentDatabase->setText(QString::fromStdString(other));
        form->ECurrentDatabase->setModified(true);
        form->BOk->click();
    });
    ASSERT_TRUE(host.ClickByName("ssLogon"));
    EXPECT_EQ(SafeInstallation::Machine()->GetAsString("Current Database", ""), other);
    EXPECT_EQ(SafeInstallation::SafeSettings()->GetAsString("LastUser", ""), "Ann");
    EXPECT_TRUE(HasConsoleLine("SourceSafe CurrentDatabase: " + other));
    EXPECT_TRUE(HasConsoleLine("SourceSafe file list " + other +
                               "/filelist.vss: 1 line without \"=\" skipped (first: line 2)"));
    EXPECT_EQ(s.FileList().Count(), 1u);
    ASSERT_TRUE(s.Database());

    ASSERT_TRUE(host.ClickByName("ssBuildFileList"));
    EXPECT_EQ(ReadWholeFile(other + "/filelist.vss"), "");
    EXPECT_TRUE(HasConsoleLine("SourceSafe file list " + other + "/filelist.vss: 0 files."));
    EXPECT_THAT(host.Messages, IsEmpty());
}

TEST_F(ExpertTest, TheWordsRunTheOperationsAndGoWithThePackage) {
    inst.BuildList();
    LoadedPackages packages(host);
    packages.LogOn();
    TForth& forth = SourceServices->Forth();
    const std::string a = inst.File("a.pas");

    // A non-empty flag: the item is the file's own path.
    runner.Script.push_back(Ok([&](TSafeSourceForm& f) { EXPECT_EQ(f.ItemText(), "$" + a); }));
    forth.PushString("x");
    forth.PushString(a);
    forth.ExecWord("CheckOut");
    EXPECT_EQ(inst.CheckedOut(inst.Spec("a.pas")), vss::VSSFILE_CHECKEDOUT_ME);

    // An empty flag: the file list's item, every file of its base name.
    runner.Script.push_back([&](QDialog& d) {
        auto* form = qobject_cast<TSafeSourceForm*>(&d);
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->windowTitle(), "SourceSafe Undo Check Out");
        EXPECT_EQ(form->ItemText(), inst.ProjectSpec + "/a.*");
        EXPECT_EQ(form->FolderText(), inst.Project + "/");
        d.done(mrCancel);
    });
    forth.PushString("");
    forth.PushString(a);
    forth.ExecWord("UndoCheckOut");
    EXPECT_EQ(runner.Titles.size(), 2u);

    sourcesafe::PackageShutdown();
    EXPECT_EQ(host.MainMenu().Find("SourceSafeMenu"), nullptr);
    forth.PushString("");
    forth.PushString(a);
    try {
        forth.ExecWord("CheckOut");
        ADD_FAILURE() << "CheckOut still ran";
    } catch (const std::exception& e) {
        EXPECT_THAT(e.what(), HasSubstr("CheckOut"));
        EXPECT_THAT(e.what(), HasSubstr("not found"));
    }
    forth.ClearStack();
}

// A name held by two projects, the file in the folder of neither: the
// project where the user has that file checked out is the file's (another
// user's check-out does not count); without one, the first.
TEST_F(ExpertTest, OfTwoProjectsOfANameTheUsersOwnCheckOutDecides) {
    inst.Write("two/One/u.pas", "unit u;");
    inst.Write("two/Two/u.pas", "unit u;");
    inst.Import(inst.Path("two/One"), "$/One");
    inst.Import(inst.Path("two/Two"), "$/Two");
    inst.BuildList();
    LoadedPackages packages(host);
    packages.LogOn();
    TSourceSafeServices& s = packages.Services();
    const std::string mine = inst.Write("mine/u.pas", "unit u;");
    EXPECT_EQ(s.GetVSSItem(mine)->Spec(), "$/One/u.pas");
    ComPtr<vss::IVSSDatabase> bob = vss::CoVSSDatabase::Create();
    bob->Open(inst.Database, "Bob", "bobpw");
    bob->VSSItem("$/Two/u.pas", false)->Checkout("", inst.Path("bob/u.pas"), 0);
    EXPECT_EQ(s.GetVSSItem(mine)->Spec(), "$/One/u.pas");
    bob->VSSItem("$/Two/u.pas", false)->UndoCheckout(inst.Path("bob/u.pas"), 0);
    s.Database()->VSSItem("$/Two/u.pas", false)->Checkout("", inst.Path("ann/u.pas"), 0);
    EXPECT_EQ(s.GetVSSItem(mine)->Spec(), "$/Two/u.pas");
    EXPECT_THAT(host.Messages, IsEmpty());
}
