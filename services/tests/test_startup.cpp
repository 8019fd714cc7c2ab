// Start-up, the menu, Reinitialize, settings and the built-in commands of
// the source services, on the in-memory IDE.
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QLineEdit>
#include <QWidget>

#include "foundation/Dialogs.h"
#include "foundation/SysUtils.h"
#include "foundation/VarDisp.h"
#include "platform/registry/Registry.h"
#include "platform/ui/ConsoleWindow.h"
#include "platform/ui/ShortCut.h"
#include "platform/ui/tests/UiTestSupport.h"
#include "services/Package.h"
#include "services/ProjectTree.h"
#include "services/ServiceForms.h"
#include "services/tests/ServicesTestSupport.h"

using namespace velt;
using namespace velt::test;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

namespace {

const char kCommands[] =
    "( commands of the tests )\r\n"
    ": Startup\r\n"
    "\" Touch\" \" Touch\" \" Ctrl+T\" 1 RegisterHotkey\r\n"
    "\" Quiet\" \" Nothing\" \" Ctrl+Shift+N\" 0 RegisterHotkey\r\n"
    ";\r\n"
    ": Touch\r\n"
    "\" X\" SourceCode :: Text .!\r\n"
    ";\r\n"
    ": Nothing\r\n"
    ";\r\n";

std::vector<std::string> Expected(std::vector<std::string> commandItems) {
    commandItems.insert(commandItems.end(), kBuiltInItems.begin(), kBuiltInItems.end());
    return commandItems;
}

class StartupTest : public ::testing::Test {
protected:
    ComPtr<TSourceServices> Install() {
        ComPtr<TSourceServices> s(new TSourceServices(host));
        s->Startup();
        s->InstallAddIn();
        return s;
    }
    Installation inst;
    MemoryHost host;
};

}  // namespace

TEST_F(StartupTest, MenuStandsBeforeHelpWithTheCommandItemsThenTheBuiltInOnes) {
    inst.CommandFile(kCommands);
    ComPtr<TSourceServices> s = Install();
    const auto& top = host.MainMenu().Root().Children();
    ASSERT_EQ(top.size(), 5u);
    EXPECT_EQ(top[3]->GetCaption(), "V&ELT");
    EXPECT_EQ(top[4]->GetName(), "HelpMenu");
    EXPECT_THAT(VeltItems(host), ElementsAreArray(Expected({"Touch", "Quiet (hidden)"})));
    EXPECT_EQ(VeltItem(host, "Register Source")->GetShortCut(), TextToShortCut("Ctrl+Alt+Enter"));
    EXPECT_EQ(VeltItem(host, "Project Tree")->GetShortCut(), TextToShortCut("F10"));
    EXPECT_EQ(s->MenusList.size(), 10u);
    EXPECT_TRUE(host.Messages.empty());

    // Reinitialize runs once its click has returned; twice leaves one menu.
    ASSERT_TRUE(host.Click(*VeltItem(host, "Reinitialize")));
    const ComPtr<TIMenuItemIntf> before = s->VELTMenu;
    EXPECT_EQ(s->VELTMenu, before);
    QCoreApplication::processEvents();
    EXPECT_NE(s->VELTMenu, before);
    s->ReinitializeClick(nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(host.MainMenu().Root().Children().size(), 5u);
    EXPECT_THAT(VeltItems(host), ElementsAreArray(Expected({"Touch", "Quiet (hidden)"})));

    // The command file moved away: reported, and the menu is whole without its items.
    std::filesystem::remove(inst.Path("velt.4th"));
    s->ReinitializeClick(nullptr);
    QCoreApplication::processEvents();
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_NE(host.Messages[0].find("velt.4th"), std::string::npos);
    EXPECT_THAT(VeltItems(host), ElementsAreArray(kBuiltInItems));

    s->Finalize();
    EXPECT_EQ(host.MainMenu().Find("VELTMenu"), nullptr);
    EXPECT_EQ(s->VELTMenu, nullptr);
    EXPECT_TRUE(s->MenusList.empty());
    s->Finalize();  // nothing left to destroy
}

TEST_F(StartupTest, ABrokenCommandFileStillGivesTheWholeMenu) {
    struct Case {
        const char* Text;
        const char* Message;
    };
    const Case cases[] = {
        {"( no Startup here )\r\n: Other\r\n;\r\n", "Word Startup not found"},
        {": Startup\r\n\" A\" \" A\" \" F2\" 1 RegisterHotkey\r\nUnknownWord\r\n;\r\n", "Word UnknownWord not found"},
    };
    for (const Case& c : cases) {
        MemoryHost ide;
        inst.CommandFile(c.Text);
        ComPtr<TSourceServices> s(new TSourceServices(ide));
        s->InstallAddIn();
        ASSERT_EQ(ide.Messages.size(), 1u) << c.Text;
        EXPECT_EQ(ide.Messages[0], c.Message);
        std::vector<std::string> items = VeltItems(ide);
        ASSERT_GE(items.size(), kBuiltInItems.size());
        EXPECT_THAT(std::vector<std::string>(items.end() - ptrdiff_t(kBuiltInItems.size()), items.end()),
                    ElementsAreArray(kBuiltInItems));
        // Options stays reachable.
        AnsweringRunner runner([](QDialog& d) { d.done(mrCancel); });
        EXPECT_TRUE(ide.Click(*VeltItem(ide, "&Options ...")));
        EXPECT_EQ(runner.Runs, 1);
        s->Finalize();
    }
}

TEST_F(StartupTest, AHotkeyWithoutItsWordOrWithABadShortcutIsRefusedOnOneLine) {
    inst.CommandFile(
        ": Startup\r\n"
        "\" NoWord\" \" \" \" Ctrl+T\" 1 RegisterHotkey\r\n"
        "\" BadKey\" \" Nothing\" \" Ctrl+Nonsense\" 1 RegisterHotkey\r\n"
        "\" NoKey\" \" Nothing\" \" \" 1 RegisterHotkey\r\n"
        ";\r\n: Nothing ;\r\n");
    ComPtr<TSourceServices> s = Install();
    EXPECT_TRUE(host.Messages.empty()) << host.Messages[0];
    EXPECT_THAT(VeltItems(host), ElementsAreArray(Expected({"NoKey"})));
    const auto count = [&](const std::string& line) {
        return std::count(inst.Sink.Lines.begin(), inst.Sink.Lines.end(), line);
    };
    EXPECT_EQ(count("RegisterHotkey: the item \"NoWord\" names no word; it is not added."), 1);
    EXPECT_EQ(count("RegisterHotkey: \"Ctrl+Nonsense\" of the item \"BadKey\" is no shortcut; it is not added."), 1);
    EXPECT_EQ(VeltItem(host, "NoKey")->GetShortCut(), 0);
    s->Finalize();
}

TEST_F(StartupTest, AFreshUserIsAskedForTheCommandFileWithTheStoredSettingsKept) {
    // Settings of an earlier run, but no command file named.
    inst.Settings()->SetVInteger("CaseSensitive", 1);
    inst.Settings()->SetVString("ClassesRegistryFileName", inst.Path("classes.ini"));
    bool menuExisted = true;
    bool caseSensitiveShown = false;
    const std::string commands = inst.Write("mine.4th", kCommands);
    AnsweringRunner runner([&](QDialog& d) {
        auto* form = dynamic_cast<TSourceOptionsForm*>(&d);
        ASSERT_NE(form, nullptr);
        menuExisted = host.MainMenu().Find("VELTMenu") != nullptr;
        caseSensitiveShown = form->CaseSensitive->isChecked();
        EXPECT_EQ(form->edClassRegFileName->text().toStdString(), inst.Path("classes.ini"));
        form->edCmdFileName->setText(QString::fromStdString(commands));
        QTest::mouseClick(form->OKButton, Qt::LeftButton);
    });
    TIHyperSourceCode defaults;
    ComPtr<TSourceServices> s(new TSourceServices(host));
    EXPECT_EQ(s->SourceCode().AutoRefreshHeader, defaults.AutoRefreshHeader);
    s->Startup();
    ASSERT_EQ(inst.Sink.Notes.size(), 1u);
    EXPECT_EQ(inst.Sink.Notes[0], "VELT Forth file not found");
    EXPECT_EQ(runner.Runs, 1);
    EXPECT_FALSE(menuExisted);
    EXPECT_TRUE(caseSensitiveShown);
    EXPECT_EQ(inst.Settings()->GetAsInteger("CaseSensitive", 0), 1);
    EXPECT_EQ(inst.Settings()->GetAsString("CommandFileName", ""), commands);
    EXPECT_EQ(inst.Settings()->GetAsInteger("AutoRefreshHeader", -1), int(defaults.AutoRefreshHeader));

    s->InstallAddIn();
    EXPECT_THAT(VeltItems(host), ElementsAreArray(Expected({"Touch", "Quiet (hidden)"})));
    s->Finalize();
}

TEST_F(StartupTest, OptionsCancelChangesNeitherTheModelNorTheRegistry) {
    inst.CommandFile(kCommands);
    inst.Settings()->SetVString("ClassesRegistryFileName", inst.Path("classes.ini"));
    ComPtr<TSourceServices> s = Install();
    const TIHyperSourceCode& m = s->SourceCode();
    const bool flags[] = {m.AutoRefreshHeader, m.ConfirmAutoCreate, m.AdaNestingComments, m.CaseSensitive};
    const std::string hive = winreg::RegistryFileName(winreg::HKEY_CURRENT_USER);
    const std::string stored = ReadWholeFile(hive);
    AnsweringRunner runner([&](QDialog& d) {
        auto* form = dynamic_cast<TSourceOptionsForm*>(&d);
        ASSERT_NE(form, nullptr);
        for (QCheckBox* box : {form->AutoRefreshHeader, form->ConfirmAutoCreate, form->AdaNestingComments, form->CaseSensitive})
            box->toggle();
        form->edClassRegFileName->setText("/elsewhere/classes.ini");
        form->edCmdFileName->setText("/elsewhere/velt.4th");
        QTest::mouseClick(form->CancelButton, Qt::LeftButton);
    });
    ASSERT_TRUE(host.Click(*VeltItem(host, "&Options ...")));
    EXPECT_EQ(runner.Runs, 1);
    EXPECT_EQ(m.AutoRefreshHeader, flags[0]);
    EXPECT_EQ(m.ConfirmAutoCreate, flags[1]);
    EXPECT_EQ(m.AdaNestingComments, flags[2]);
    EXPECT_EQ(m.CaseSensitive, flags[3]);
    EXPECT_EQ(m.ClassesRegistry.FileName, inst.Path("classes.ini"));
    EXPECT_EQ(s->GetCommandFileName(), inst.Path("velt.4th"));
    EXPECT_EQ(ReadWholeFile(hive), stored);
    s->Finalize();
}

TEST_F(StartupTest, SettingsAndHotkeysRoundTrip) {
    inst.CommandFile(kCommands);
    inst.Settings()->SetVString("AdaNestingComments", "yes");  // a wrong kind keeps the current value
    ComPtr<TSourceServices> s = Install();
    EXPECT_EQ(std::count_if(inst.Sink.Lines.begin(), inst.Sink.Lines.end(),
                            [](const std::string& l) { return l.rfind("Setting AdaNestingComments ignored: ", 0) == 0; }),
              1);
    EXPECT_EQ(s->SourceCode().AdaNestingComments, TIHyperSourceCode().AdaNestingComments);
    s->SourceCode().ConfirmAutoCreate = false;
    s->MenusList[0]->SetShortCut(TextToShortCut("Shift+F5"));
    s->SaveRegistry();
    std::unique_ptr<TKey> settings = inst.Settings();
    EXPECT_EQ(settings->GetAsInteger("ConfirmAutoCreate", -1), 0);
    std::unique_ptr<TKey> hotkeys(settings->CreateSubKey("Hotkeys"));
    EXPECT_EQ(hotkeys->GetAsString("Touch", ""), "Shift+F5");
    EXPECT_EQ(hotkeys->GetAsString("Nothing", ""), "Shift+Ctrl+N");
    EXPECT_FALSE(hotkeys->ValueExists(""));  // built-in items have no names

    // A hidden item's shortcut still runs its word.
    host.OpenBuffer("A.pas", "unit A;\r\ninterface\r\nimplementation\r\nend.\r\n");
    EXPECT_TRUE(host.PressShortCut(TextToShortCut("Ctrl+Shift+N")));
    EXPECT_TRUE(host.Messages.empty());
    s->Finalize();
}

TEST_F(StartupTest, FailuresOfCommandsAreReportedOnceAndEndTheCommand) {
    inst.CommandFile(": Startup\r\n\" Bad\" \" NoSuchWord\" \" F3\" 1 RegisterHotkey\r\n;\r\n");
    ComPtr<TSourceServices> s = Install();
    // No file open: a clear message, nothing else runs.
    ASSERT_TRUE(host.Click(*VeltItem(host, "Bad")));
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0], "No file is open in the editor");
    // A word that does not exist: reported, SaveToIDE does not run.
    host.OpenBuffer("A.pas", "unit A;\r\ninterface\r\nimplementation\r\nend.\r\n");
    host.Log.clear();
    ASSERT_TRUE(host.PressShortCut(TextToShortCut("F3")));
    ASSERT_EQ(host.Messages.size(), 2u);
    EXPECT_EQ(host.Messages[1], "Word NoSuchWord not found");
    EXPECT_EQ(std::count(host.Log.begin(), host.Log.end(), "View.SetCursorPos(1,1)"), 0);
    EXPECT_EQ(s->Forth().Stack.Count(), 0);
    // A file that is not open: a clear error, not a crash.
    try {
        s->LoadFromIDE("B.pas");
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "B.pas is not open in the editor");
    }
    // Built-in commands report their failures themselves; nothing reaches
    // the host. A failed save is not followed by "Done.".
    std::filesystem::create_directories(TSourceServices::ParletBureauFileName());  // a folder in the way
    inst.Sink.Lines.clear();
    EXPECT_NO_THROW(s->ParletBureauClick(nullptr));
    EXPECT_EQ(host.Messages.size(), 3u);
    EXPECT_FALSE(inst.Sink.HasLine("Done."));
    s->SourceCode().ClassesRegistry.FileName = inst.Path("no/such/folder/classes.ini");
    EXPECT_NO_THROW(s->ReRegisterAllSourceClick(nullptr));
    EXPECT_EQ(host.Messages.size(), 4u);
    EXPECT_FALSE(inst.Sink.HasLine("Done."));
    host.Messages.clear();
    EXPECT_NO_THROW(s->ExecForth(nullptr));
    EXPECT_EQ(host.Messages.size(), 1u);
    s->Finalize();
}

TEST_F(StartupTest, ReRegisterAllGoesOnAfterAFailingUnitAndSaves) {
    const std::string good = inst.Write("src/Good.pas",
                                        "unit Good;\r\ninterface\r\ntype\r\n  TGood = class(TObject)\r\n  end;\r\n"
                                        "implementation\r\nend.\r\n");
    const std::string registry = inst.Write("classes.ini", "[Good]\r\nSource=" + good +
                                                               "\r\n[Gone]\r\nSource=" + inst.Path("src/Gone.pas") +
                                                               "\r\n[Odd]\r\n");
    inst.Settings()->SetVString("ClassesRegistryFileName", registry);
    inst.CommandFile(": Startup\r\n;\r\n");
    ComPtr<TSourceServices> s = Install();
    ASSERT_TRUE(host.Click(*VeltItem(host, "ReRegister All Source")));
    EXPECT_TRUE(host.Messages.empty());
    EXPECT_EQ(inst.Sink.Lines.back(), "Done.");
    int failures = 0;
    for (const std::string& l : inst.Sink.Lines) failures += l.rfind("Failed to register ", 0) == 0;
    EXPECT_EQ(failures, 1);  // Gone.pas; the section without a source is skipped
    EXPECT_TRUE(inst.Sink.HasLine("Skipped : the unit name is empty"));
    const std::string saved = ReadWholeFile(registry);
    EXPECT_NE(saved.find("TGood=TObject"), std::string::npos);
    s->Finalize();
}

TEST_F(StartupTest, NewsParletBureauAndProjectTree) {
    inst.Write("root/news.ini", "[1]\r\nold one\r\n[3]\r\nnew line A\r\nnew line B\r\n[2]\r\nold two\r\n[x]\r\nodd\r\n");
    inst.CommandFile(": Startup\r\n;\r\n");
    ComPtr<TSourceServices> s = Install();
    inst.Sink.Lines.clear();
    s->WriteNews();
    EXPECT_THAT(inst.Sink.Lines,
                ElementsAreArray({"", "Get latest version of VELT NOW !", "new line A", "new line B"}));

    QWidget appBuilder;
    appBuilder.setObjectName("AppBuilder");
    auto* editWindow = new QWidget(&appBuilder);
    editWindow->setObjectName("EditWindow_0");
    (new QLineEdit(editWindow))->setObjectName("Tab1");
    inst.Sink.Lines.clear();
    ASSERT_TRUE(host.Click(*VeltItem(host, "Parlet Bureau")));
    EXPECT_THAT(inst.Sink.Lines, ElementsAreArray({"VELT Parlet Bureau", "Done."}));
    EXPECT_EQ(TSourceServices::ParletBureauFileName(), inst.Path("root/parletbureau.velt"));
    TStringList dump;
    dump.LoadFromFile(TSourceServices::ParletBureauFileName());
    ASSERT_GT(dump.Count(), 4);
    EXPECT_EQ(dump[0], "object EditWindow_0: QWidget");
    EXPECT_EQ(dump[1], "  objectName: QString");
    EXPECT_NE(dump.IndexOf("  object Tab1: QLineEdit"), -1);
    EXPECT_EQ(dump[dump.Count() - 1], "end");

    // Without the SourceSafe package its start-up word is not found: said on
    // the console, and the window shows all the same.
    inst.Sink.Lines.clear();
    ASSERT_TRUE(host.Click(*VeltItem(host, "Project Tree")));
    ASSERT_EQ(inst.Sink.Lines.size(), 1u);
    EXPECT_THAT(inst.Sink.Lines[0], HasSubstr("StartupSourceSafeTree"));
    EXPECT_THAT(inst.Sink.Lines[0], HasSubstr("not found"));
    EXPECT_TRUE(host.Messages.empty());
    ASSERT_TRUE(ProjectTreeForm);
    EXPECT_TRUE(ProjectTreeForm->isVisible());
    s->Finalize();
}

TEST_F(StartupTest, PackageEntryPointsStartRegisterAndShutDown) {
    inst.CommandFile(kCommands);
    const TVarDispProc platformDispatcher = GetVarDispProc();
    ASSERT_EQ(VeltPackageStartup(&host), 0);
    // The component group's late-bound puts are answered while the package is in.
    EXPECT_NE(GetVarDispProc(), platformDispatcher);
    ASSERT_NE(PackageConsole(), nullptr);
    ASSERT_NE(PackageConsole()->Window(), nullptr);
    EXPECT_EQ(PackageConsole()->Window()->windowTitle(), "VELT Output");
    host.SetLoadingPackage(1);
    ASSERT_EQ(VeltPackageRegister(&host), 0);
    EXPECT_EQ(host.Experts().size(), 1u);
    EXPECT_NE(std::find(host.Log.begin(), host.Log.end(), "Expert.GetIDString=Varno.SourceServices"), host.Log.end());
    EXPECT_THAT(VeltItems(host), ElementsAreArray(Expected({"Touch", "Quiet (hidden)"})));
    const QString console = PackageConsole()->Window()->toPlainText();
    EXPECT_TRUE(console.contains("Welcome to VELT Services for Delphi3 1.0"));
    EXPECT_TRUE(console.contains("Don't close this window, just minimize it !!!"));

    host.ReleaseExperts(1);
    ASSERT_EQ(VeltPackageShutdown(), 0);
    EXPECT_EQ(GetVarDispProc(), platformDispatcher);
    EXPECT_EQ(SourceServices, nullptr);
    EXPECT_EQ(PackageConsole(), nullptr);
    EXPECT_EQ(host.MainMenu().Find("VELTMenu"), nullptr);
}
