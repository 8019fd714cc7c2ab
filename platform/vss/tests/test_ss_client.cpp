// The server through the ss client and vss-admin, run as child processes by
// absolute path. Every child's standard input is an open, empty pipe: a client
// that read it would hang until the time limit and fail the test.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "platform/vss/VssAutomation.h"
#include "platform/vss/tests/VssTestUtil.h"

using namespace velt;
using namespace velt::vss;
using namespace velt::vss::test;

namespace {

const std::map<std::string, std::string> kNoUser = {{"SSUSER", "\x01unset"}, {"SSPWD", "\x01unset"}};

class SsClient : public VssFixture {
protected:
    ComPtr<IVSSItem> Item(const std::string& spec, const std::string& user = "Ann") {
        auto db = CoVSSDatabase::Create();
        db->Open(ini_, user, user == "Ann" ? "annpw" : "bobpw");
        return db->VSSItem(spec, false);
    }
    void MakeProject(const std::string& spec) { TVssSession::OpenTrusted(ini_, "")->MakeProject(spec); }
};

}  // namespace

TEST_F(SsClient, ThePackagesCommandLinesDriveTheDatabase) {
    MakeProject("$/Work");
    const std::string comment = dir_ + "/comment.vss", w = ann_ + "/";
    WriteText(comment, "why it changed\r\n");
    WriteText(ann_ + "/a.pas", "unit a;\n");
    WriteText(ann_ + "/a.dfm", "object A\n");
    WriteText(ann_ + "/b.pas", "unit b;\n");

    // Add: "cp <folder> -i-", then "add <W>/<name> -i- -d- -c@<comment>".
    EXPECT_RUN(Ss({"cp", "$/Work/", "-i-"}), 0);
    EXPECT_RUN(Ss({"add", w + "a.*", "-i-", "-d-", "-c@" + comment}), 0);
    EXPECT_EQ(Item("$/Work")->Items(false)->Count(), 2);
    EXPECT_FALSE(IsWritable(ann_ + "/a.pas"));
    auto session = TVssSession::Open(ini_, "Ann", "annpw");
    EXPECT_EQ(session->VersionInfo(session->Find("$/Work/a.pas", false), 1).Comment, "why it changed");

    // Check out: "checkout <item> -i-  -gl<W>"; case does not matter, nor a
    // doubled "/" (file-list values end in "/").
    EXPECT_RUN(Ss({"CheckOut", "$/Work//a.*", "-I-", "-GL" + w}), 0);
    EXPECT_EQ(Item("$/Work/a.dfm")->IsCheckedOut(), VSSFILE_CHECKEDOUT_ME);
    EXPECT_EQ(Item("$/Work/a.pas")->Checkouts()->Item(1)->LocalSpec(), ann_);
    EXPECT_TRUE(IsWritable(ann_ + "/a.pas"));

    // Check in: "checkin <item> -i-  -c@<comment> -gl<W>".
    WriteText(ann_ + "/a.pas", "unit a;\nbegin\n");
    EXPECT_RUN(Ss({"checkin", "$/Work/a.*", "-i-", "-c@" + comment, "-gl" + w}), 0);
    EXPECT_EQ(Item("$/Work/a.pas")->VersionNumber(), 2);
    EXPECT_EQ(Item("$/Work/a.dfm")->VersionNumber(), 1);  // unchanged: no version
    EXPECT_EQ(Item("$/Work/a.pas")->IsCheckedOut(), VSSFILE_NOTCHECKEDOUT);

    // Undo check-out: "cp <folder>", then "undocheckout <name> -p -i-  -gl<W>".
    EXPECT_RUN(Ss({"checkout", "$/Work/a.pas", "-i-", "-gl" + w}), 0);
    EXPECT_RUN(Ss({"cp", "$/Work/"}), 0);
    EXPECT_RUN(Ss({"undocheckout", "a.pas", "-p", "-i-", "-gl" + w}), 0);
    EXPECT_EQ(Item("$/Work/a.pas")->IsCheckedOut(), VSSFILE_NOTCHECKEDOUT);
    EXPECT_FALSE(IsWritable(ann_ + "/a.pas"));

    // Get: "get <item>" in the working folder; with -w writable; with a
    // folder argument ("build tree") into that folder.
    EXPECT_RUN(Ss({"get", "$/Work/a.*"}, "Bob", bob_), 0);
    EXPECT_EQ(ReadText(bob_ + "/a.pas"), "unit a;\nbegin\n");
    EXPECT_FALSE(IsWritable(bob_ + "/a.dfm"));
    EXPECT_RUN(Ss({"get", "$/Work/a.pas", "-i-", "-w", dir_ + "/tree/"}, "Bob", bob_), 0);
    EXPECT_TRUE(IsWritable(dir_ + "/tree/a.pas"));

    // Keep checked out, names with blanks, recursive project check-out and check-in.
    WriteText(ann_ + "/my unit.pas", "unit my;\n");
    EXPECT_RUN(Ss({"add", w + "b.pas", w + "my unit.pas", "-k", "-c-"}), 0);
    EXPECT_EQ(Item("$/Work/b.pas")->IsCheckedOut(), VSSFILE_CHECKEDOUT_ME);
    EXPECT_RUN(Ss({"checkin", "$/Work/my unit.pas", "-gl" + w}), 0);
    EXPECT_RUN(Ss({"get", "$/Work/my unit.pas"}, "Bob", bob_), 0);
    EXPECT_EQ(ReadText(bob_ + "/my unit.pas"), "unit my;\n");
    EXPECT_RUN(Ss({"checkout", "-r", "$/Work", "-i-", "-gl" + w, "-gwr"}), 0);
    WriteText(ann_ + "/a.dfm", "object A2\n");
    EXPECT_RUN(Ss({"checkin", "-r", "$/Work", "-i-", "-k", "-c-", "-gl" + w}), 0);
    EXPECT_EQ(Item("$/Work/a.dfm")->VersionNumber(), 2);
    EXPECT_EQ(Item("$/Work/a.dfm")->IsCheckedOut(), VSSFILE_CHECKEDOUT_ME);
}

TEST_F(SsClient, ErrorsExitNonZeroWithAMessageAndNeverShowThePassword) {
    MakeProject("$/Work");
    auto run = [&](std::vector<std::string> args, const std::map<std::string, std::string>& env) {
        args.insert(args.begin(), VSS_SS_PATH);
        std::map<std::string, std::string> all = {{"SSDIR", db_}};
        for (auto& [k, v] : env) all[k] = v;
        return RunProcess(args, all);
    };
    struct TCase {
        std::vector<std::string> Args;
        std::map<std::string, std::string> Env;
        std::string Message;
    };
    // (Failed logons are checked in-process: ss would wait a second.)
    const TCase cases[] = {
        {{"-yAnn,s3cret!", "dir"}, {}, "The command must come first\n"},
        {{"dir", "-yAnn,annpw", "-zz"}, {}, "Invalid option: -zz\n"},
        // A mistyped -y shows nothing past its comma.
        {{"dir", "-yAnn,annpw", "--yAnn,s3cret!"}, {}, "Invalid option: --yAnn,...\n"},
        {{"yAnn,s3cret!", "dir"}, {}, "Unknown command: yAnn,...\n"},
        {{"get", "$/Work/a.pas", "-k", "-yAnn,annpw"}, {}, "Option -K does not apply to get\n"},
        {{"remove", "-yAnn,annpw"}, {}, "Unknown command: remove\n"},
        {{"checkin", "-yAnn,annpw"}, {}, "checkin needs at least one item\n"},
        {{"get", "$/Work/x.pas", "-yAnn,annpw"}, {}, "$/Work/x.pas is not an existing filename or project\n"},
        {{"cp", "$/Nothing", "-yAnn,annpw"}, {}, "$/Nothing is not an existing filename or project\n"},
        {{"add", dir_ + "/none.pas", "-yAnn,annpw"}, {}, "File \"" + dir_ + "/none.pas\" not found\n"},
        {{"checkin", "$/Work/*.pas", "-c@" + dir_ + "/none", "-yAnn,annpw"}, {},
         "Comment file \"" + dir_ + "/none\" cannot be read\n"},
        {{"dir", "-yAnn,annpw"}, {{"SSDIR", dir_}}, "\"" + dir_ + "/srcsafe.ini\" is not a SourceSafe database: it cannot be read\n"},
    };
    for (const TCase& c : cases) {
        TProcessResult r = run(c.Args, c.Env);
        EXPECT_EQ(r.Exit, 100) << c.Message;
        EXPECT_EQ(r.Err, c.Message);
        EXPECT_EQ(r.Out, "");
        EXPECT_EQ(r.Err.find("s3cret"), std::string::npos);
    }
}

TEST_F(SsClient, DirRecursiveHasAFixedFormat) {
    WriteText(dir_ + "/src/Work/a.pas", "a\n");
    WriteText(dir_ + "/src/Work/my file.pas", "m\n");
    WriteText(dir_ + "/src/Work/d.pas", "d\n");
    WriteText(dir_ + "/src/Work/sub/B.pas", "b\n");
    auto db = CoVSSDatabase::Create();
    db->Open(ini_, "Ann", "annpw");
    db->VSSItem("$/", false)->Add(dir_ + "/src/Work", "", VSSFLAG_RECURSYES);
    db->VSSItem("$/Work/d.pas", false)->SetDeleted(true);
    MakeProject("$/Empty");

    const std::string all =
        "$/:\n$Empty\n$Work\n\n"
        "$/Empty:\n\n"
        "$/Work:\n$sub\na.pas\nmy file.pas\n\n"
        "$/Work/sub:\nB.pas\n\n"
        "6 item(s)\n";
    const std::string out = dir_ + "/ss.out";
    EXPECT_RUN(Ss({"cp", "$/"}), 0);
    EXPECT_RUN(Ss({"dir", "-r", "-o@" + out}), 0);
    EXPECT_EQ(ReadText(out), all);
    TProcessResult r = Ss({"DIR", "$/Work/*.pas"});
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(r.Out, "$/Work:\na.pas\nmy file.pas\n\n2 item(s)\n");
    EXPECT_RUN(Ss({"cp", "$/Work/sub"}), 0);
    EXPECT_EQ(Ss({"dir"}).Out, "$/Work/sub:\nB.pas\n\n1 item(s)\n");
}

TEST_F(SsClient, AChangedWritableCopyIsLeftAloneWhenNobodyCanBeAsked) {
    MakeProject("$/Work");
    WriteText(ann_ + "/a.pas", "v1\n");
    EXPECT_RUN(Ss({"cp", "$/Work"}), 0);
    EXPECT_RUN(Ss({"add", ann_ + "/a.pas"}), 0);
    WriteText(bob_ + "/a.pas", "Bob's work\n");  // writable, differs

    TProcessResult r = Ss({"get", "$/Work/a.pas", "-i-"}, "Bob", bob_);
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Err, "A writable copy of \"" + bob_ + "/a.pas\" differs from the database; it was left as it was\n");
    EXPECT_EQ(ReadText(bob_ + "/a.pas"), "Bob's work\n");
    // A check-out still happens; the copy stays.
    EXPECT_RUN(Ss({"checkout", "$/Work/a.pas", "-i-", "-gl" + bob_}, "Bob"), 1);
    EXPECT_EQ(Item("$/Work/a.pas")->IsCheckedOut(), VSSFILE_CHECKEDOUT);
    EXPECT_EQ(ReadText(bob_ + "/a.pas"), "Bob's work\n");
    EXPECT_RUN(Ss({"undocheckout", "$/Work/a.pas", "-gws", "-gl" + bob_}, "Bob"), 0);
    EXPECT_EQ(ReadText(bob_ + "/a.pas"), "Bob's work\n");
    EXPECT_RUN(Ss({"get", "$/Work/a.pas", "-gwr"}, "Bob", bob_), 0);
    EXPECT_EQ(ReadText(bob_ + "/a.pas"), "v1\n");
}

TEST_F(SsClient, TwoClientsCheckingInOneProjectAtOnceLoseNoVersion) {
    MakeProject("$/Work");
    constexpr int kRounds = 6;
    for (const auto& [who, folder] : {std::pair{std::string("Ann"), ann_}, std::pair{std::string("Bob"), bob_}}) {
        WriteText(folder + "/" + who + ".pas", "round 0\n");
        EXPECT_RUN(Ss({"cp", "$/Work"}, who), 0);
        EXPECT_RUN(Ss({"add", folder + "/" + who + ".pas"}, who), 0);
    }
    std::vector<pid_t> workers;
    for (const auto& [who, folder] : {std::pair{std::string("Ann"), ann_}, std::pair{std::string("Bob"), bob_}}) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int failures = 0;
            for (int i = 1; i <= kRounds; ++i) {
                failures += Ss({"checkout", "$/Work/" + who + ".pas", "-i-", "-gl" + folder}, who).Exit != 0;
                WriteText(folder + "/" + who + ".pas", "round " + std::to_string(i) + "\n");
                failures += Ss({"checkin", "$/Work/" + who + ".pas", "-i-", "-gl" + folder}, who).Exit != 0;
            }
            ::_exit(failures);
        }
        workers.push_back(pid);
    }
    for (pid_t pid : workers) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (const std::string who : {"Ann", "Bob"}) {
        auto item = Item("$/Work/" + who + ".pas");
        ASSERT_EQ(item->VersionNumber(), kRounds + 1);
        for (int v = 1; v <= kRounds + 1; ++v) {
            item->Version(v)->Get(dir_ + "/check/x.pas", VSSFLAG_REPREPLACE);
            EXPECT_EQ(ReadText(dir_ + "/check/x.pas"), "round " + std::to_string(v - 1) + "\n");
        }
    }
}

TEST_F(SsClient, AdminCreatesDatabasesAndUsers) {
    const std::string db = dir_ + "/new db";
    auto admin = [&](std::vector<std::string> args, const std::string& password = "") {
        args.insert(args.begin(), VSS_ADMIN_PATH);
        return RunProcess(args, {{"SSPWD", password}});
    };
    EXPECT_RUN(admin({"create", db}), 0);
    EXPECT_RUN(admin({"create", db}), 100);
    EXPECT_RUN(admin({"adduser", db, "Carl"}, "carl pw"), 0);
    EXPECT_RUN(admin({"adduser", db, "carl"}, "x"), 100);
    EXPECT_RUN(admin({"adduser", db, "a,b"}), 100);
    EXPECT_RUN(admin({"checkouts", db, "multiple"}), 0);
    EXPECT_RUN(admin({"mkproj", db, "$/One/Two"}), 0);
    WriteText(dir_ + "/ex/u.pas", "unit u;\n");
    WriteText(dir_ + "/ex/forms/f.pas", "unit f;\n");
    EXPECT_RUN(admin({"import", db, "carl", "$/Examples", dir_ + "/ex"}), 0);
    EXPECT_RUN(admin({"frobnicate", db}), 100);
    EXPECT_EQ(ReadText(db + "/srcsafe.ini").find("carl pw"), std::string::npos);
    EXPECT_TRUE(LoadSrcSafeIni(db + "/srcsafe.ini").MultipleCheckouts);

    // ss installed as <database>/win32/ss finds the database without SSDIR.
    std::filesystem::create_directories(db + "/win32");
    std::filesystem::create_symlink(VSS_SS_PATH, db + "/win32/ss");
    TProcessResult r = RunProcess({db + "/win32/ss", "dir", "-r", "-yCarl"}, {{"SSDIR", ""}, {"SSPWD", "carl pw"}});
    EXPECT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(r.Out,
              "$/:\n$Examples\n$One\n\n$/Examples:\n$forms\nu.pas\n\n$/Examples/forms:\nf.pas\n\n"
              "$/One:\n$Two\n\n$/One/Two:\n\n6 item(s)\n");
    EXPECT_EQ(TVssSession::Open(db, "Carl", "carl pw")->VersionInfo(
                  TVssSession::Open(db, "Carl", "carl pw")->Find("$/Examples/u.pas", false), 1).User,
              "Carl");
}
