// The five operations through both paths: the ss command lines the dialogs
// build (with their default boxes) and what they do to a database, the
// automation flags and wildcards, and how the client is run.
#include <sys/stat.h>

#include <QTest>
#include <QProgressDialog>
#include <QTimer>
#include <filesystem>

#include "sourcesafe/tests/SafeTestSupport.h"

using namespace velt;
using namespace velt::test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

using TClick = void (TSourceSafeServices::*)(TIMenuItemIntf*);

bool Writable(const std::string& path) { return vss::LocalState(path).Writable; }

void WriteText(const std::string& path, const std::string& text) { AtomicWriteFile(path, text.data(), text.size()); }

// OK on the command-line path.
ScriptedRunner::Answer Cli(std::function<void(TSafeSourceForm&)> more = nullptr) {
    return Ok([more](TSafeSourceForm& f) {
        f._COM->setChecked(false);
        if (more) more(f);
    });
}

ScriptedRunner::Answer WithItem(const std::string& item, std::function<void(TSafeSourceForm&)> more = nullptr) {
    return Ok([item, more](TSafeSourceForm& f) {
        f.SourceSafeItem->setEditText(QString::fromStdString(item));
        if (more) more(f);
    });
}

class OperationTest : public ::testing::Test {
protected:
    void SetUp() override {
        inst.BuildList();
        s().LoadFileList();
        packages.LogOn();
        if (TConsole* console = PackageConsole()) console->Window()->clear();
    }

    TSourceSafeServices& s() { return packages.Services(); }

    // The operation of a menu item on file, its dialog answered.
    void Operate(TClick click, const std::string& file, ScriptedRunner::Answer answer) {
        host.SetCurrentFile(file);
        runner.Script.push_back(std::move(answer));
        (s().*click)(nullptr);
        EXPECT_THAT(runner.Script, IsEmpty());
    }

    // The ss runs written on the console since the last call, without the program.
    std::vector<std::string> SsLines() {
        const std::string program = std::string(VELT_SS_PATH) + " ";
        std::vector<std::string> lines;
        for (const std::string& line : ConsoleLines())
            if (line.rfind(program, 0) == 0) lines.push_back(line.substr(program.size()));
        PackageConsole()->Window()->clear();
        return lines;
    }

    SafeInstallation inst;
    MemoryHost host;
    LoadedPackages packages{host};
    ScriptedRunner runner;
};

}  // namespace

TEST_F(OperationTest, EveryOperationOnTheCommandLineWithDefaultBoxes) {
    const std::string W = inst.Project + "/";
    const std::string P = inst.ProjectSpec;
    const std::string C = s().CommentFileName();
    const std::string a = inst.File("a.pas");

    Operate(&TSourceSafeServices::CheckOutClick, a, Cli());
    EXPECT_THAT(SsLines(), ElementsAre("checkout " + P + "/a.* -i- -gl" + W));
    EXPECT_EQ(inst.CheckedOut(inst.Spec("a.pas")), vss::VSSFILE_CHECKEDOUT_ME);
    EXPECT_TRUE(Writable(a));

    WriteText(a, "unit a; { changed }");
    Operate(&TSourceSafeServices::CheckInClick, a,
            Cli([](TSafeSourceForm& f) { f.CommentMemo->setPlainText("First change"); }));
    EXPECT_THAT(SsLines(), ElementsAre("checkin " + P + "/a.* -i- -c@" + C + " -gl" + W));
    EXPECT_EQ(inst.Version(inst.Spec("a.pas")), 2);
    EXPECT_EQ(inst.CheckedOut(inst.Spec("a.pas")), vss::VSSFILE_NOTCHECKEDOUT);
    auto session = inst.Session();
    EXPECT_EQ(session->VersionInfo(session->Find(inst.Spec("a.pas"), false), 2).Comment, "First change");
    EXPECT_FALSE(Writable(a));
    // The comment went through a file of a folder no other user can read.
    EXPECT_EQ(ReadWholeFile(C), "First change");
    struct stat st {};
    ASSERT_EQ(::stat(ExtractFilePath(C).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u);
    EXPECT_NE(std::filesystem::path(C).parent_path(), std::filesystem::path(GetTemporaryFolder()));

    const std::string b = inst.File("b.pas");
    s().Database()->VSSItem(inst.Spec("b.pas"), false)->Checkout("", b, 0);
    Operate(&TSourceSafeServices::UndoCheckOutClick, b, Cli());
    EXPECT_THAT(SsLines(), ElementsAre("cp " + P + "/", "undocheckout b.* -p -i- -gl" + W));
    EXPECT_EQ(inst.CheckedOut(inst.Spec("b.pas")), vss::VSSFILE_NOTCHECKEDOUT);

    std::filesystem::remove(a);
    Operate(&TSourceSafeServices::GetLatestVersionClick, a, Cli());
    EXPECT_THAT(SsLines(), ElementsAre("get " + P + "/a.*"));
    EXPECT_EQ(ReadWholeFile(a), "unit a; { changed }");

    const std::string added = inst.Write("work/Proj/new.pas", "unit new;\r\nend.\r\n");
    Operate(&TSourceSafeServices::AddFilesClick, added, Cli());
    EXPECT_THAT(SsLines(), ElementsAre("cp " + P + "/ -i-", "add " + W + "new.* -i- -d- -c@" + C));
    EXPECT_EQ(inst.Version(inst.Spec("new.pas")), 1);

    EXPECT_THAT(host.Messages, IsEmpty());
    // "Reload in IDE": each file is open in the editor afterwards.
    EXPECT_TRUE(host.IsFileOpen(a));
    EXPECT_TRUE(host.IsFileOpen(added));
}

TEST_F(OperationTest, FileNamesWithBlanksArePassedIntact) {
    const std::string file = inst.File("c d.pas");
    const std::string W = inst.Project + "/";
    Operate(&TSourceSafeServices::CheckOutClick, file, Cli());
    EXPECT_THAT(SsLines(), ElementsAre("checkout \"" + inst.ProjectSpec + "/c d.*\" -i- -gl" + W));
    WriteText(file, "unit c_d;");
    Operate(&TSourceSafeServices::CheckInClick, file, Cli());
    EXPECT_EQ(inst.Version(inst.Spec("c d.pas")), 2);
    EXPECT_THAT(host.Messages, IsEmpty());
}

TEST_F(OperationTest, AutomationTakesTheBoxesAsFlagsAndWalksWildcardsInOrder) {
    {
        TAddFilesForm form;
        form.show();
        form._FileType->setCurrentIndex(1);
        EXPECT_EQ(form.GetFlags(), vss::VSSFLAG_REPASK | vss::VSSFLAG_TIMENOW | vss::VSSFLAG_RECURSNO |
                                       vss::VSSFLAG_BINBINARY | vss::VSSFLAG_KEEPNO);
        TCheckOutForm checkOut;
        checkOut.show();
        checkOut._DontGet->setChecked(true);
        checkOut._Replace->setCurrentIndex(3);
        checkOut._FileTime->setCurrentIndex(2);
        checkOut._Recursive->setChecked(true);
        EXPECT_EQ(checkOut.GetFlags(), vss::VSSFLAG_REPMERGE | vss::VSSFLAG_TIMEUPD | vss::VSSFLAG_RECURSYES |
                                           vss::VSSFLAG_GETNO);
        checkOut.SourceSafeItem->setEditText("$/W/a.*");
        checkOut.WorkingFolder->setEditText("/w/");
        EXPECT_EQ(checkOut.GetCommandLine().Text(), "checkout -r $/W/a.* -i- -g- -gwm -gl/w/");
        checkOut._Replace->setCurrentIndex(0);
        EXPECT_EQ(checkOut.GetCommandLine().Text(), "checkout -r $/W/a.* -i- -g- -gl/w/");
    }

    const ComPtr<RecordingNotifier> notifier(new RecordingNotifier);
    host.AddNotifier(notifier);
    const std::string a = inst.File("a.pas");
    Operate(&TSourceSafeServices::CheckOutClick, a, WithItem(inst.ProjectSpec + "/*.pas"));
    for (const char* name : {"a.pas", "b.pas", "c d.pas"})
        EXPECT_EQ(inst.CheckedOut(inst.Spec(name)), vss::VSSFILE_CHECKEDOUT_ME) << name;
    EXPECT_THAT(notifier->Events, ElementsAre("1 " + a, "1 " + inst.File("b.pas"), "1 " + inst.File("c d.pas")));

    // A pattern that matches nothing does nothing and says so.
    Operate(&TSourceSafeServices::CheckInClick, a, WithItem(inst.ProjectSpec + "/x*.pas"));
    EXPECT_EQ(inst.CheckedOut(inst.Spec("a.pas")), vss::VSSFILE_CHECKEDOUT_ME);
    EXPECT_THAT(host.Messages, ElementsAre("No SourceSafe item matches " + inst.ProjectSpec + "/x*.pas"));
    host.Messages.clear();

    // Without "Reload in IDE" the editor is neither closed nor opened.
    notifier->Events.clear();
    Operate(&TSourceSafeServices::CheckInClick, a, Ok([](TSafeSourceForm& f) { f._IDE->setChecked(false); }));
    EXPECT_EQ(inst.CheckedOut(inst.Spec("a.pas")), vss::VSSFILE_NOTCHECKEDOUT);
    EXPECT_THAT(notifier->Events, IsEmpty());
    EXPECT_TRUE(host.IsFileOpen(a));
    EXPECT_THAT(host.Messages, IsEmpty());
    host.RemoveNotifier(notifier);
}

TEST_F(OperationTest, TheDefaultAddDialogAddsANewFile) {
    const std::string file = inst.Write("work/Proj/fresh.pas", "unit fresh;\r\nend.\r\n");
    inst.Write("work/Proj/fresh.txt", "notes");
    Operate(&TSourceSafeServices::AddFilesClick, file, Ok());
    EXPECT_THAT(host.Messages, IsEmpty());
    EXPECT_EQ(inst.Version(inst.Spec("fresh.pas")), 1);
    EXPECT_EQ(inst.Version(inst.Spec("fresh.txt")), 1);
    EXPECT_TRUE(host.IsFileOpen(file));
}

// A name without an extension is its own default item, not "README.*"
// (which matches nothing); a pattern of new files that matches none says so.
TEST_F(OperationTest, AFileWithoutAnExtensionIsItsOwnDefaultItem) {
    const std::string readme = inst.Write("work/Proj/README", "read me");
    Operate(&TSourceSafeServices::AddFilesClick, readme,
            Ok([&](TSafeSourceForm& f) { EXPECT_EQ(f.ItemText(), inst.ProjectSpec + "/README"); }));
    EXPECT_THAT(host.Messages, IsEmpty());
    EXPECT_EQ(inst.Version(inst.Spec("README")), 1);
    Operate(&TSourceSafeServices::CheckOutClick, readme, Ok());
    EXPECT_THAT(host.Messages, IsEmpty());
    EXPECT_EQ(inst.CheckedOut(inst.Spec("README")), vss::VSSFILE_CHECKEDOUT_ME);

    Operate(&TSourceSafeServices::AddFilesClick, readme, WithItem(inst.ProjectSpec + "/none.*"));
    EXPECT_THAT(host.Messages, ElementsAre("No file matches " + inst.Project + "/none.*"));
}

TEST_F(OperationTest, TheReplaceBoxDecidesAboutAChangedWritableCopyOnTheCommandLine) {
    const std::string a = inst.File("a.pas");
    const std::string original = ReadWholeFile(a);
    vss::SetLocalWritable(a, true);
    WriteText(a, "mine");

    // Nobody can be asked: the copy is left alone and that is reported.
    Operate(&TSourceSafeServices::GetLatestVersionClick, a, Cli());
    EXPECT_FALSE(HasConsoleLine("Done."));
    EXPECT_THAT(SsLines(), ElementsAre("get " + inst.ProjectSpec + "/a.*"));
    EXPECT_EQ(ReadWholeFile(a), "mine");
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_THAT(host.Messages[0], HasSubstr("ss get failed with exit code 1"));

    Operate(&TSourceSafeServices::GetLatestVersionClick, a,
            Cli([](TSafeSourceForm& f) { f._Replace->setCurrentIndex(2); }));
    EXPECT_THAT(SsLines(), ElementsAre("get " + inst.ProjectSpec + "/a.* -gws"));
    EXPECT_EQ(ReadWholeFile(a), "mine");

    Operate(&TSourceSafeServices::GetLatestVersionClick, a,
            Cli([](TSafeSourceForm& f) { f._Replace->setCurrentIndex(1); }));
    EXPECT_EQ(ReadWholeFile(a), original);
    EXPECT_EQ(host.Messages.size(), 1u);
}

TEST_F(OperationTest, ATwoPartCommandStopsWhenItsFirstPartFails) {
    Operate(&TSourceSafeServices::UndoCheckOutClick, inst.File("a.pas"),
            Cli([](TSafeSourceForm& f) { f.SourceSafeItem->setEditText("$/Nowhere/a.*"); }));
    EXPECT_THAT(SsLines(), ElementsAre("cp $/Nowhere/"));
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_THAT(host.Messages[0], HasSubstr("ss cp failed with exit code 100"));
}

// A stand-in client: "ask" reads an answer, "fail" fails, "hang" never ends,
// "outrun" ends well when stopped (its work was done by then);
// a stand-in explorer writes down how it was started.
TEST_F(OperationTest, TheClientsGetNoPasswordOnTheirCommandLineAndCannotHoldTheIde) {
    const std::string folder = inst.Path("fake") + "/";
    inst.Write("fake/ss",
               "#!/bin/sh\n"
               "case \"$1\" in\n"
               "  ask) read answer; echo \"asked, got [$answer] $2 $SSPWD $SSDIR\";;\n"
               "  fail) echo \"no such project\" >&2; exit 3;;\n"
               "  hang) : > \"$0.ready\"; sleep 30;;\n"
               "  outrun) trap 'echo all checked in; exit 0' TERM; : > \"$0.ready\"; while :; do sleep 0.05; done;;\n"
               "esac\n");
    inst.Write("fake/SSExp", "#!/bin/sh\necho \"$* $SSPWD\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.out\"\n");
    for (const char* program : {"ss", "SSExp"})
        std::filesystem::permissions(folder + program, std::filesystem::perms::owner_all);
    s().SSDir = folder;

    EXPECT_TRUE(s().RunSSCommand({"ask"}));
    EXPECT_TRUE(HasConsoleLine("asked, got [] -yAnn annpw " + inst.Database));
    EXPECT_TRUE(HasConsoleLine(folder + "ss ask"));
    ASSERT_TRUE(host.ClickByName("ssRunExplorer"));
    // It is started and left running: waited for as long as a busy machine may take.
    for (int i = 0; i < 2400 && !FileExists(folder + "SSExp.out"); ++i) QTest::qWait(25);
    EXPECT_EQ(ReadWholeFile(folder + "SSExp.out"), "-yAnn annpw\n");
    EXPECT_TRUE(HasConsoleLine("Done."));

    const auto failure = [&](const std::vector<std::string>& args) -> std::string {
        try {
            s().RunSSCommand(args);
        } catch (const std::exception& e) {
            return e.what();
        }
        return "no failure";
    };
    EXPECT_EQ(failure({"fail"}), "ss fail failed with exit code 3: no such project");

    // The time limit runs out once the client is under way.
    s().SsTimeLimitMs = 1000;
    for (const char* verb : {"hang", "outrun"}) {
        std::filesystem::remove(folder + "ss.ready");
        TClientClock clock(folder + "ss.ready", s().SsTimeLimitMs, 0);
        TTimerSourceGuard guard(&clock);
        if (verb == std::string("hang")) {
            EXPECT_EQ(failure({verb}), "ss hang did not finish within 1 s and was stopped");
        } else {
            EXPECT_EQ(failure({verb}), "no failure");
            EXPECT_TRUE(HasConsoleLine("all checked in"));
            EXPECT_TRUE(HasConsoleLine("ss outrun had finished its work when it was stopped"));
        }
    }

    // Cancel in the progress window stops it long before it would end.
    s().SsTimeLimitMs = 60000;
    QTimer::singleShot(1000, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* progress = qobject_cast<QProgressDialog*>(w); progress && progress->isVisible()) progress->cancel();
    });
    EXPECT_EQ(failure({"hang"}), "ss hang was stopped");

    s().SSDir = inst.Path("missing") + "/";
    EXPECT_FALSE(s().RunSSCommand({"get", "$/"}));
    EXPECT_TRUE(HasConsoleLine("File does not exists"));
}
