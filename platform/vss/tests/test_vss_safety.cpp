// What keeps a user's work and the database whole: failed and stopped
// operations leave every local copy as it was, damaged versions are never
// handed out, temporary files stay hidden and are cleared, concurrent
// clients and administrators lose nothing, and failures are never reported
// as success.
#include <gtest/gtest.h>

#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <sstream>
#include <thread>

#include <sqlite3.h>

#include "platform/vss/LocalFiles.h"
#include "platform/vss/SsCommand.h"
#include "platform/vss/VssAutomation.h"
#include "platform/vss/tests/VssTestUtil.h"

using namespace velt;
using namespace velt::vss;
using namespace velt::vss::test;

namespace {

constexpr int kManyFiles = 120;
constexpr size_t kManySize = 32768;

std::string ManyName(int i) {
    char name[16];
    std::snprintf(name, sizeof name, "f%03d.pas", i);
    return name;
}

// A child left running: its pid and its standard error, read when it ends.
struct TChild {
    pid_t Pid = -1;
    int Err = -1;
};

struct TEnded {
    int Status = 0;
    std::string Err;
};

// Starts argv traced and holds it at its first opening of a file whose path
// contains marker: how far an operation has got, whatever the machine's
// speed. Pid is -1 when it could not be started or ended before that open;
// the caller signals it, then Release lets it go on.
TChild StartHeldAtOpen(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                       const std::string& marker) {
    int err[2];
    if (::pipe2(err, O_CLOEXEC) != 0) return {};
    std::vector<std::string> envText;
    for (char** e = environ; *e; ++e) envText.push_back(*e);
    for (auto& [k, v] : env) envText.push_back(k + "=" + v);
    std::vector<char*> args, envp;
    for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (auto& e : envText) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    TChild child;
    child.Pid = ::fork();
    if (child.Pid == 0) {
        int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(err[1], 2);
        ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        ::execve(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    ::close(err[1]);
    child.Err = err[0];
    if (child.Pid < 0) return child;
    const auto gone = [&child] {
        child.Pid = -1;
        return child;
    };
    int status = 0;
    // Stopped at its exec; from there every system call stops it.
    if (::waitpid(child.Pid, &status, 0) != child.Pid || !WIFSTOPPED(status) || !HoldAtOpen(child.Pid, marker))
        return gone();
    return child;
}

// Lets a child held by StartHeldAtOpen go on: a signal sent while it was held
// reaches it now.
void Release(const TChild& child) { ::ptrace(PTRACE_DETACH, child.Pid, nullptr, 0); }

TEnded Wait(TChild& child) {
    TEnded ended;
    char buffer[4096];
    for (ssize_t n; (n = ::read(child.Err, buffer, sizeof buffer)) > 0;) ended.Err.append(buffer, size_t(n));
    ::close(child.Err);
    ::waitpid(child.Pid, &ended.Status, 0);
    return ended;
}

bool HiddenTemporariesIn(const std::string& folder, std::vector<std::string>* visible = nullptr) {
    bool found = false;
    for (auto& e : std::filesystem::directory_iterator(folder)) {
        std::string name = e.path().filename().string();
        if (IsLocalTemporaryName(name)) found = true;
        else if (visible) visible->push_back(name);
    }
    return found;
}

mode_t Mode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 0777 : 0;
}

class VssSafety : public VssFixture {
protected:
    std::vector<std::string> SsArgs(std::vector<std::string> args) {
        args.insert(args.begin(), VSS_SS_PATH);
        args.push_back("-yAnn");
        return args;
    }
    std::map<std::string, std::string> SsEnv() { return {{"SSDIR", db_}, {"SSPWD", "annpw"}}; }
    TProcessResult Admin(std::vector<std::string> args, const std::string& password = "") {
        args.insert(args.begin(), VSS_ADMIN_PATH);
        return RunProcess(args, {{"SSPWD", password}});
    }
    std::shared_ptr<TVssSession> Session(const std::string& user = "Ann") {
        return TVssSession::Open(ini_, user, user == "Ann" ? "annpw" : "bobpw");
    }
    int32_t Version(const std::string& spec) { return Session()->Find(spec, false).Version; }

    // $/Work from dir_/src/Work: the files given, added by Ann.
    void AddWork(const std::vector<std::pair<std::string, std::string>>& files) {
        for (auto& [name, text] : files) WriteText(dir_ + "/src/Work/" + name, text);
        auto session = Session();
        TVssOptions o;
        o.Flags = VSSFLAG_RECURSYES;
        session->Add(session->Find("$/", false), dir_ + "/src/Work", "", o);
    }
    // kManyFiles files of kManySize bytes in $/Work, checked out to ann_ and edited there.
    void ManyFilesCheckedOutAndEdited() {
        std::vector<std::pair<std::string, std::string>> files;
        for (int i = 0; i < kManyFiles; ++i) files.push_back({ManyName(i), std::string(kManySize, char('a' + i % 26))});
        AddWork(files);
        auto session = Session();
        TVssOptions o;
        session->Checkout(session->Find("$/Work", false), ann_, "", o);
        for (int i = 0; i < kManyFiles; ++i) WriteText(ann_ + "/" + ManyName(i), "edit " + std::to_string(i) + "\n");
    }
    // Every copy still writable with its edit; the database as before.
    void ExpectCheckinUndone() {
        auto session = Session();
        for (int i = 0; i < kManyFiles; ++i) {
            const std::string local = ann_ + "/" + ManyName(i);
            ASSERT_TRUE(IsWritable(local)) << local;
            ASSERT_EQ(ReadText(local), "edit " + std::to_string(i) + "\n");
            TVssItemRow row = session->Find("$/Work/" + ManyName(i), false);
            ASSERT_EQ(row.Version, 1);
            ASSERT_EQ(session->IsCheckedOut(row), VSSFILE_CHECKEDOUT_ME);
        }
    }
    // The database file with one byte of the stored text marker changed.
    void FlipStoredByte(const std::string& marker) {
        const std::string path = db_ + "/vss.db";
        Sql("VACUUM");  // no stale copy of the marker in free pages
        ASSERT_FALSE(std::filesystem::exists(path + "-wal") && std::filesystem::file_size(path + "-wal") > 0)
            << "a session is still open";
        std::string bytes = ReadText(path);
        size_t at = bytes.find(marker);
        ASSERT_NE(at, std::string::npos);
        ASSERT_EQ(bytes.find(marker, at + 1), std::string::npos);
        bytes[at + marker.size() / 2] ^= 0x01;
        std::ofstream(path, std::ios::binary) << bytes;
    }
    void Sql(const std::string& sql) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((db_ + "/vss.db").c_str(), &db), SQLITE_OK);
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
        sqlite3_close(db);
    }
};

}  // namespace

TEST_F(VssSafety, AFailedProjectCheckinLeavesEveryCopyWritableWithItsEdits) {
    AddWork({{"a.pas", "a1\n"}, {"b.pas", "b1\n"}, {"c.pas", "c1\n"}, {"d.pas", "d1\n"}});
    EXPECT_RUN(Ss({"checkout", "$/Work", "-gl" + ann_}), 0);
    for (const char* name : {"a", "b", "d"}) WriteText(ann_ + "/" + name + ".pas", std::string(name) + " edited\n");
    // The third file is a folder now: the check-in fails there.
    std::filesystem::remove(ann_ + "/c.pas");
    std::filesystem::create_directory(ann_ + "/c.pas");

    TProcessResult r = Ss({"checkin", "$/Work", "-gl" + ann_});
    EXPECT_EQ(r.Exit, 100);
    EXPECT_EQ(r.Err, "\"" + ann_ + "/c.pas\" is a folder, not a file; nothing of $/Work was checked in\n");
    for (const char* name : {"a", "b", "d"}) {
        EXPECT_TRUE(IsWritable(ann_ + "/" + name + ".pas")) << name;
        EXPECT_EQ(Version(std::string("$/Work/") + name + ".pas"), 1);
    }
    // The next get takes the edited copies for the user's work and keeps them.
    std::filesystem::remove(ann_ + "/c.pas");
    r = Ss({"get", "$/Work"}, "Ann", ann_);
    EXPECT_EQ(r.Exit, 1) << r.Err;
    EXPECT_EQ(ReadText(ann_ + "/a.pas"), "a edited\n");
    EXPECT_EQ(ReadText(ann_ + "/b.pas"), "b edited\n");
    EXPECT_EQ(ReadText(ann_ + "/c.pas"), "c1\n");
    EXPECT_FALSE(HiddenTemporariesIn(ann_));
    // And the check-in goes through once the folder is gone.
    EXPECT_RUN(Ss({"checkin", "$/Work", "-gl" + ann_}), 0);
    EXPECT_EQ(Version("$/Work/b.pas"), 2);
    EXPECT_FALSE(IsWritable(ann_ + "/b.pas"));
}

TEST_F(VssSafety, AFailedAddOrUndoLeavesTheLocalFilesAsTheyWere) {
    // Add: the third name cannot be an item name; the first two stay writable.
    for (const char* name : {"a.pas", "b.pas", "c:d.pas"}) WriteText(dir_ + "/new/" + name, "new\n");
    TProcessResult r = Ss({"add", "-r", dir_ + "/new"});
    EXPECT_EQ(r.Exit, 100);
    EXPECT_EQ(r.Err, "Not a valid SourceSafe name: \"c:d.pas\" holds one of / \\ : * ? \" < > |\n");
    EXPECT_TRUE(IsWritable(dir_ + "/new/a.pas"));
    EXPECT_TRUE(IsWritable(dir_ + "/new/b.pas"));
    EXPECT_FALSE(Session()->TryFind("$/new", false));

    // Undo with replace: the third copy is a folder; the first two keep their edits.
    AddWork({{"a.pas", "a1\n"}, {"b.pas", "b1\n"}, {"c.pas", "c1\n"}});
    EXPECT_RUN(Ss({"checkout", "$/Work", "-gl" + ann_}), 0);
    for (const char* name : {"a", "b"}) WriteText(ann_ + "/" + name + ".pas", std::string(name) + " edited\n");
    std::filesystem::remove(ann_ + "/c.pas");
    std::filesystem::create_directory(ann_ + "/c.pas");
    r = Ss({"undocheckout", "$/Work", "-gwr", "-gl" + ann_});
    EXPECT_EQ(r.Exit, 100);
    EXPECT_EQ(r.Err, "\"" + ann_ + "/c.pas\" is a folder, not a file; nothing of $/Work was undone\n");
    for (const char* name : {"a", "b"}) {
        EXPECT_EQ(ReadText(ann_ + "/" + name + ".pas"), std::string(name) + " edited\n");
        EXPECT_TRUE(IsWritable(ann_ + "/" + name + ".pas"));
        auto session = Session();
        EXPECT_EQ(session->IsCheckedOut(session->Find(std::string("$/Work/") + name + ".pas", false)),
                  VSSFILE_CHECKEDOUT_ME);
    }
    EXPECT_FALSE(HiddenTemporariesIn(ann_));
}

TEST_F(VssSafety, AProjectOperationThatTouchedNothingSaysSo) {
    AddWork({{"a.pas", "a1\n"}});
    TVssItemRow empty = TVssSession::OpenTrusted(ini_, "")->MakeProject("$/Empty");
    (void)empty;
    TProcessResult r = Ss({"checkin", "$/Work", "-gl" + ann_});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Err, "No files of $/Work are checked out to you\n");
    r = Ss({"undocheckout", "$/Work", "-gl" + ann_});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Err, "No files of $/Work are checked out to you\n");
    EXPECT_RUN(Ss({"checkout", "$/Work", "-gl" + ann_}), 0);
    r = Ss({"checkout", "$/Work", "-gl" + ann_});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Err, "All files of $/Work are already checked out to you\n");
    r = Ss({"checkout", "$/Empty", "-gl" + ann_});
    EXPECT_EQ(r.Exit, 1);
    EXPECT_EQ(r.Err, "$/Empty holds no files\n");
}

TEST_F(VssSafety, OutputThatCannotBeWrittenIsAFailure) {
    AddWork({{"a.pas", "a1\n"}});
    TProcessResult r = Ss({"dir", "$/Work"}, "Ann", "", "/dev/full");
    EXPECT_EQ(r.Exit, 100);
    EXPECT_EQ(r.Err, "Cannot write the listing to standard output\n");
    // -o@ replaces a regular file, never a pipe, a link or a folder.
    const std::string fifo = dir_ + "/fifo", link = dir_ + "/link", folder = dir_ + "/folder";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    WriteText(dir_ + "/target", "keep\n");
    std::filesystem::create_symlink(dir_ + "/target", link);
    std::filesystem::create_directory(folder);
    for (const std::string& path : {fifo, link, folder}) {
        r = Ss({"dir", "-o@" + path});
        EXPECT_EQ(r.Exit, 100);
        EXPECT_EQ(r.Err, "Cannot write \"" + path + "\": it exists and is not a regular file\n");
    }
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadText(dir_ + "/target"), "keep\n");
    EXPECT_RUN(Ss({"dir", "-o@" + dir_ + "/target"}), 0);
    EXPECT_EQ(ReadText(dir_ + "/target"), "$/:\n$Work\n\n1 item(s)\n");
}

TEST_F(VssSafety, ADamagedVersionIsNeverHandedOut) {
    const std::string marker = "MARKER-one-of-a-kind-7f3a";
    AddWork({{"a.pas", "unit a; { " + marker + " }\n"}, {"b.pas", "unit b;\n"}});
    EXPECT_RUN(Admin({"verify", db_}), 0);
    FlipStoredByte(marker);

    TProcessResult r = Ss({"get", "$/Work/a.pas"}, "Bob", bob_);
    EXPECT_EQ(r.Exit, 100);
    EXPECT_EQ(r.Err, "Version 1 of $/Work/a.pas is damaged\n");
    r = Ss({"get", "$/Work"}, "Bob", bob_);
    EXPECT_EQ(r.Exit, 100);
    EXPECT_EQ(r.Err, "Version 1 of $/Work/a.pas is damaged; nothing of $/Work was written\n");
    EXPECT_TRUE(std::filesystem::is_empty(bob_));  // not even b.pas, nor a temporary file
    r = Ss({"checkout", "$/Work/a.pas", "-gl" + bob_}, "Bob");
    EXPECT_EQ(r.Exit, 100);
    EXPECT_EQ(Session("Bob")->IsCheckedOut(Session()->Find("$/Work/a.pas", false)), VSSFILE_NOTCHECKEDOUT);

    r = Admin({"verify", db_});
    EXPECT_EQ(r.Exit, 100);
    EXPECT_EQ(r.Err, "Version 1 of $/Work/a.pas is damaged\n");
    EXPECT_EQ(r.Out, "");
}

TEST_F(VssSafety, EveryByteOfAStoredChecksumCounts) {
    AddWork({{"a.pas", "unit a;\n"}});
    Sql("CREATE TABLE kept AS SELECT rowid AS r, sha256 FROM versions");
    for (const char* change : {"substr(sha256, 1, 31) || x'00'", "x'00' || substr(sha256, 2)", "NULL",
                               "substr(sha256, 1, 31)"}) {
        Sql("UPDATE versions SET sha256 = " + std::string(change));
        std::string message;
        try {
            auto session = Session();
            session->VersionData(session->Find("$/Work/a.pas", false), 1);
        } catch (const EOleException& e) {
            message = e.Message;
        }
        EXPECT_EQ(message, "Version 1 of $/Work/a.pas is damaged") << change;
        Sql("UPDATE versions SET sha256 = (SELECT sha256 FROM kept WHERE r = versions.rowid)");
    }
}

TEST_F(VssSafety, ADatabaseWithoutChecksumsGetsThemOnItsFirstOpen) {
    AddWork({{"a.pas", "unit a;\n"}, {"sub/b.pas", "unit b;\n"}});
    // As the earliest version made it.
    Sql("ALTER TABLE versions DROP COLUMN sha256; ALTER TABLE items DROP COLUMN ident; "
        "UPDATE info SET value = '1' WHERE key = 'schema'");
    EXPECT_RUN(Ss({"get", "-r", "$/Work"}, "Bob", bob_), 0);
    EXPECT_EQ(ReadText(bob_ + "/sub/b.pas"), "unit b;\n");
    TProcessResult r = Admin({"verify", db_});
    EXPECT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(r.Out, "No damage found: 2 version(s) and 4 item(s) checked, 4 of them not yet covered by a checksum\n");
    // From now on damage is found.
    FlipStoredByte("unit b;");
    r = Admin({"verify", db_});
    EXPECT_EQ(r.Exit, 100);
    EXPECT_EQ(r.Err, "Version 1 of $/Work/sub/b.pas is damaged\n");
}

TEST_F(VssSafety, StoppedCheckinRollsBackAndLeavesEveryCopyWritable) {
    ManyFilesCheckedOutAndEdited();
    for (int signal : {SIGTERM, SIGINT, SIGKILL}) {
        // A third of the way in.
        TChild ss = StartHeldAtOpen(SsArgs({"checkin", "$/Work", "-gl" + ann_}), SsEnv(),
                                    "/" + ManyName(kManyFiles / 3));
        ASSERT_GT(ss.Pid, 0) << "ss did not reach " << ManyName(kManyFiles / 3);
        ::kill(ss.Pid, signal);
        Release(ss);
        TEnded ended = Wait(ss);
        ASSERT_TRUE(WIFSIGNALED(ended.Status)) << ended.Err;
        EXPECT_EQ(WTERMSIG(ended.Status), signal);
        if (signal != SIGKILL) {
            EXPECT_EQ(ended.Err, "Stopped; nothing of $/Work was checked in\n");
        }
        ExpectCheckinUndone();
    }
    EXPECT_FALSE(HiddenTemporariesIn(ann_));
    EXPECT_RUN(Ss({"checkin", "$/Work", "-gl" + ann_}), 0);
    EXPECT_EQ(Version("$/Work/" + ManyName(kManyFiles - 1)), 2);
}

TEST_F(VssSafety, AKilledGetLeavesOnlyHiddenFilesThatNobodyTakesIn) {
    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 0; i < kManyFiles; ++i) files.push_back({ManyName(i), std::string(kManySize, 'x')});
    AddWork(files);
    const std::string got = dir_ + "/got";
    std::filesystem::create_directory(got);
    // A third of the way in: at the hidden file that the copy is written to first.
    TChild ss = StartHeldAtOpen(SsArgs({"get", "$/Work", "-gl" + got}), SsEnv(), "/." + ManyName(kManyFiles / 3));
    ASSERT_GT(ss.Pid, 0) << "ss did not reach " << ManyName(kManyFiles / 3);
    ::kill(ss.Pid, SIGKILL);
    Wait(ss);
    std::vector<std::string> visible;
    EXPECT_TRUE(HiddenTemporariesIn(got, &visible));
    EXPECT_TRUE(visible.empty()) << visible.front();

    // Their process is gone: add and import skip them and clear them away.
    TProcessResult r = Ss({"add", got + "/*"});
    EXPECT_EQ(r.Exit, 100);
    EXPECT_EQ(r.Err, "No local files match \"" + got + "/*\"\n");
    EXPECT_FALSE(HiddenTemporariesIn(got));
    EXPECT_RUN(Ss({"get", "$/Work", "-gl" + got}), 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(got), {}), kManyFiles);
}

TEST_F(VssSafety, TemporaryNamesStayHiddenAndWithinTheNameLimit) {
    EXPECT_EQ(LocalTemporaryName("a.pas", 123, 4), ".a.pas.vss~123-4");
    const std::string longest(255, 'n');
    EXPECT_EQ(LocalTemporaryName(longest, 4194304, 99).size(), 255u);
    long pid = 0;
    EXPECT_TRUE(IsLocalTemporaryName(LocalTemporaryName(longest, 4194304, 99), &pid));
    EXPECT_EQ(pid, 4194304);
    for (const char* name : {"a.pas", ".a.pas", "a.pas.vss~1-2", ".vss~1-2", ".a.vss~-2", ".a.vss~1-", ".a.vss~1x-2"})
        EXPECT_FALSE(IsLocalTemporaryName(name)) << name;

    // Names up to the limit go in and come back.
    TVssSession::OpenTrusted(ini_, "")->MakeProject("$/Long");
    EXPECT_RUN(Ss({"cp", "$/Long"}), 0);
    for (size_t size : {244u, 250u, 255u}) {
        const std::string name = std::string(size - 4, 'L') + ".pas";
        WriteText(ann_ + "/" + name, "unit " + std::to_string(size) + ";\n");
        EXPECT_RUN(Ss({"add", ann_ + "/" + name}), 0);
        EXPECT_RUN(Ss({"get", "$/Long/" + name}, "Bob", bob_), 0);
        EXPECT_EQ(ReadText(bob_ + "/" + name), "unit " + std::to_string(size) + ";\n");
    }
    EXPECT_FALSE(HiddenTemporariesIn(bob_));
}

TEST_F(VssSafety, AFileSizeLimitFailsTheWriteWithoutKillingSs) {
    AddWork({{"big.bin", std::string(200000, '\0')}});
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit limit = old;
    limit.rlim_cur = 100000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    TProcessResult r = Ss({"get", "$/Work/big.bin"}, "Bob", bob_);  // the child inherits the limit
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(r.Exit, 100);
    EXPECT_EQ(r.Err, "Cannot write \"" + bob_ + "/big.bin\": File too large\n");
    EXPECT_TRUE(std::filesystem::is_empty(bob_));
    EXPECT_RUN(Ss({"get", "$/Work/big.bin"}, "Bob", bob_), 0);
    EXPECT_EQ(std::filesystem::file_size(bob_ + "/big.bin"), 200000u);
}

TEST_F(VssSafety, FourClientsOnOneFileNeverHoldItAtOnce) {
    constexpr int kClients = 4, kRounds = 50;
    const std::vector<std::string> users = {"Ann", "Bob", "Cat", "Dan"};
    TSrcSafeIni ini = LoadSrcSafeIni(ini_);
    ini.Users = {};
    for (const std::string& u : users) ini.Users.emplace_back(u, HashPassword(u + "pw", kTestIterations));
    SaveSrcSafeIni(ini_, ini);
    WriteText(dir_ + "/src/one.pas", "start\n");
    TVssSession::OpenTrusted(ini_, "Ann")->Add(TVssSession::OpenTrusted(ini_, "")->Find("$/", false),
                                                dir_ + "/src/one.pas", "", TVssOptions{});
    // Each holder writes "+k" once it holds the file and "-k" before it lets go.
    const std::string log = dir_ + "/log";
    std::vector<pid_t> clients;
    for (int k = 0; k < kClients; ++k) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int checkins = 0;
            try {
                auto db = CoVSSDatabase::Create();
                db->Open(ini_, users[size_t(k)], users[size_t(k)] + "pw");
                auto file = db->VSSItem("$/one.pas", false);
                const std::string folder = dir_ + "/client" + std::to_string(k) + "/";
                int logFd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
                for (int round = 0; round < kRounds; ++round) {
                    try {
                        file->Checkout("", folder, VSSFLAG_REPREPLACE);
                    } catch (const EOleException& e) {
                        if (e.ErrorCode != VSS_E_CHECKEDOUT) ::_exit(200);
                        continue;
                    }
                    std::string in = "+" + std::to_string(k) + "\n", out = "-" + std::to_string(k) + "\n";
                    if (::write(logFd, in.data(), in.size()) < 0) ::_exit(201);
                    if (file->Checkouts()->Count() != 1) ::_exit(202);
                    WriteText(folder + "one.pas", "client " + std::to_string(k) + " round " +
                                                       std::to_string(round) + "\n");
                    if (::write(logFd, out.data(), out.size()) < 0) ::_exit(201);
                    file->Checkin("", folder, 0);
                    ++checkins;
                }
            } catch (const std::exception& e) {
                WriteText(dir_ + "/failure" + std::to_string(k), e.what());
                ::_exit(203);
            }
            ::_exit(checkins);
        }
        clients.push_back(pid);
    }
    int checkins = 0;
    for (size_t k = 0; k < clients.size(); ++k) {
        int status = 0;
        ::waitpid(clients[k], &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_LE(WEXITSTATUS(status), kRounds) << "client failed with " << WEXITSTATUS(status) << ": "
                                                << ReadText(dir_ + "/failure" + std::to_string(k));
        checkins += WEXITSTATUS(status);
    }
    EXPECT_GT(checkins, 0);
    auto session = TVssSession::OpenTrusted(ini_, "Ann");
    TVssItemRow one = session->Find("$/one.pas", false);
    EXPECT_EQ(one.Version, 1 + checkins);
    EXPECT_TRUE(session->Checkouts(one).empty());
    // Holds never overlap: "+k" is always followed by "-k".
    std::istringstream in(ReadText(log));
    std::string enter, leave;
    int holds = 0;
    while (in >> enter) {
        ASSERT_TRUE(in >> leave);
        ASSERT_EQ(enter[0], '+');
        ASSERT_EQ(leave, "-" + enter.substr(1));
        ++holds;
    }
    EXPECT_EQ(holds, checkins);
    // Every version is one client's round.
    std::set<std::string> seen;
    for (int v = 2; v <= one.Version; ++v) {
        std::string text = session->VersionData(one, v);
        EXPECT_EQ(text.rfind("client ", 0), 0u) << text;
        EXPECT_TRUE(seen.insert(text).second) << text;
    }
}

TEST_F(VssSafety, SixteenAdministratorsAddingUsersAtOnceAllLand) {
    constexpr int kAdmins = 16;
    std::vector<pid_t> admins;
    for (int i = 0; i < kAdmins; ++i) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) ::_exit(Admin({"adduser", db_, "user" + std::to_string(i)}, "pw" + std::to_string(i)).Exit);
        admins.push_back(pid);
    }
    for (pid_t pid : admins) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    TSrcSafeIni ini = LoadSrcSafeIni(ini_);
    EXPECT_EQ(ini.Users.size(), 2u + kAdmins);
    for (int i = 0; i < kAdmins; ++i) {
        int u = ini.FindUser("user" + std::to_string(i));
        ASSERT_GE(u, 0) << i;
        EXPECT_EQ(CheckPassword("pw" + std::to_string(i), ini.Users[size_t(u)].second), TPasswordCheck::Match);
    }
}

TEST_F(VssSafety, DatabasesArePrivateOrSharedWithTheGroup) {
    const std::string mine = dir_ + "/mine", ours = dir_ + "/ours";
    EXPECT_RUN(Admin({"create", mine}), 0);
    EXPECT_RUN(Admin({"create", ours, "--group", "--multiple-checkouts"}), 0);
    EXPECT_RUN(Admin({"create", dir_ + "/x", "--group", "--group"}), 100);
    EXPECT_RUN(Admin({"adduser", ours, "Carl"}, "carl pw"), 0);
    EXPECT_RUN(Admin({"checkouts", ours, "single"}), 0);
    WriteText(dir_ + "/src/a.pas", "unit a;\n");
    EXPECT_RUN(Admin({"import", ours, "Carl", "$/Src", dir_ + "/src"}), 0);
    for (const char* file : {"srcsafe.ini", "vss.db"}) {
        EXPECT_EQ(Mode(mine + "/" + file), 0600u) << file;
        EXPECT_EQ(Mode(ours + "/" + file), 0660u) << file;
    }
    EXPECT_EQ(Mode(ours + "/srcsafe.ini.lock"), 0660u);
    EXPECT_FALSE(LoadSrcSafeIni(ours + "/srcsafe.ini").MultipleCheckouts);
}

TEST_F(VssSafety, LogonFailuresGiveOneAnswerAndADamagedHashIsDamage) {
    AddWork({{"a.pas", "a\n"}});
    std::ostringstream out, err;
    auto run = [&](const std::string& user, const std::string& password) {
        out.str("");
        err.str("");
        TSsEnvironment env;
        env.DatabaseFolder = db_;
        env.User = user;
        env.Password = password;
        return RunSsCommand(ParseSsCommandLine({"dir", "$/Work"}), env, out, err);
    };
    EXPECT_EQ(run("Ann", "annpw"), 0);
    EXPECT_EQ(out.str(), "$/Work:\na.pas\n\n1 item(s)\n");
    EXPECT_TRUE(LogonDelays().empty());
    for (const auto& [user, password] : {std::pair<std::string, std::string>{"Ann", "s3cret!"},
                                         {"Carl", "s3cret!"}, {"Ann", ""}}) {
        EXPECT_EQ(run(user, password), 100);
        EXPECT_EQ(err.str(), "Unknown user or wrong password\n") << user;
        EXPECT_EQ(out.str(), "");
    }
    EXPECT_EQ(LogonDelays(), (std::vector<int>{1000, 1000, 1000}));

    TSrcSafeIni ini = LoadSrcSafeIni(ini_);
    ini.Users[0].second = "pbkdf2-sha256:1000:00ff:12";
    SaveSrcSafeIni(ini_, ini);
    EXPECT_EQ(run("Ann", "annpw"), 100);
    EXPECT_EQ(err.str(), "srcsafe.ini is damaged: the password of \"Ann\" is not a valid hash\n");
    EXPECT_EQ(LogonDelays().size(), 3u);
}

TEST_F(VssSafety, AnItemWhoseNameWasChangedInTheFileIsDamageThatIsNeverHandedOut) {
    AddWork({{"Fo2-Name.txt", "text\n"}, {"b.pas", "unit b;\n"}});
    TProcessResult r = Admin({"verify", db_});
    EXPECT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(r.Out, "No damage found: 2 version(s) and 3 item(s) checked\n");
    FlipStoredByte("Fo2-Name.txt");  // now "Fo2-Nale.txt" beside its key "fo2-name.txt"

    for (const std::vector<std::string>& get : {std::vector<std::string>{"get", "$/Work/Fo2-Name.txt"},
                                                 std::vector<std::string>{"get", "$/Work"}}) {
        r = Ss(get, "Bob", bob_);
        EXPECT_EQ(r.Exit, 100);
        EXPECT_EQ(r.Err, get[1] == "$/Work" ? "$/Work/Fo2-Nale.txt is damaged; nothing of $/Work was written\n"
                                            : "$/Work/Fo2-Nale.txt is damaged\n");
        EXPECT_TRUE(std::filesystem::is_empty(bob_));
    }
    r = Ss({"dir", "$/Work"}, "Bob");
    EXPECT_EQ(r.Exit, 100);
    EXPECT_EQ(r.Out, "");
    r = Admin({"verify", db_});
    EXPECT_EQ(r.Exit, 100);
    EXPECT_EQ(r.Err, "$/Work/Fo2-Nale.txt is damaged\n$/Work/Fo2-Nale.txt is damaged: its name does not match its key\n");
}

TEST_F(VssSafety, ItemsOfAnOlderDatabaseReadAsBeforeAndGainTheirChecksumWhenChanged) {
    AddWork({{"a.pas", "a1\n"}, {"sub/b.pas", "b1\n"}});
    Sql("ALTER TABLE items DROP COLUMN ident; UPDATE info SET value = '2' WHERE key = 'schema'");
    EXPECT_RUN(Ss({"get", "-r", "$/Work"}, "Bob", bob_), 0);
    EXPECT_EQ(ReadText(bob_ + "/sub/b.pas"), "b1\n");
    TProcessResult r = Admin({"verify", db_});
    EXPECT_EQ(r.Out, "No damage found: 2 version(s) and 4 item(s) checked, 4 of them not yet covered by a checksum\n");
    EXPECT_RUN(Ss({"checkout", "$/Work/a.pas", "-gl" + ann_}), 0);
    WriteText(ann_ + "/a.pas", "a2\n");
    EXPECT_RUN(Ss({"checkin", "$/Work/a.pas", "-gl" + ann_}), 0);
    r = Admin({"verify", db_});
    EXPECT_EQ(r.Out, "No damage found: 3 version(s) and 4 item(s) checked, 3 of them not yet covered by a checksum\n");

    // Covered or not, every version an item or a check-out names must be there.
    EXPECT_RUN(Ss({"checkout", "$/Work/a.pas", "-gl" + ann_}), 0);
    Sql("UPDATE items SET version = 7 WHERE name = 'b.pas'; UPDATE checkouts SET version = 9");
    r = Admin({"verify", db_});
    EXPECT_EQ(r.Exit, 100);
    EXPECT_EQ(r.Err, "$/Work/sub/b.pas is damaged: its version 7 is missing\n"
                     "$/Work/a.pas is damaged: the check-out of Ann names version 9, which is missing\n");
}

TEST_F(VssSafety, AStopThatArrivesOnceTheWorkHasCommittedLetsSsFinish) {
    AddWork({{"a.pas", "a1\n"}, {"b.pas", "b1\n"}});
    EXPECT_RUN(Ss({"checkout", "$/Work", "-gl" + ann_}), 0);
    for (const char* name : {"a", "b"}) WriteText(ann_ + "/" + name + ".pas", std::string(name) + "2\n");
    // This ss is sent SIGTERM right after each commit.
    const auto stoppedAfterCommit = [&](std::vector<std::string> args) {
        args.insert(args.begin(), VSS_SS_STOP_AFTER_COMMIT_PATH);
        args.push_back("-yAnn");
        return RunProcess(args, SsEnv());
    };
    TProcessResult r = stoppedAfterCommit({"checkin", "$/Work", "-gl" + ann_});
    EXPECT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    auto session = Session();
    for (const char* name : {"a", "b"}) {
        const std::string local = ann_ + "/" + name + ".pas";
        EXPECT_FALSE(IsWritable(local)) << local;
        TVssItemRow row = session->Find(std::string("$/Work/") + name + ".pas", false);
        EXPECT_EQ(row.Version, 2);
        EXPECT_EQ(session->IsCheckedOut(row), VSSFILE_NOTCHECKEDOUT);
    }
    EXPECT_FALSE(HiddenTemporariesIn(ann_));

    // With items still to do, the stop holds them back and ends ss by its signal.
    r = stoppedAfterCommit({"checkout", "$/Work/a.pas", "$/Work/b.pas", "-gl" + ann_});
    EXPECT_EQ(r.Exit, -1);
    EXPECT_EQ(r.Err, "Stopped; the items after the last one done were left alone\n");
    EXPECT_EQ(session->IsCheckedOut(session->Find("$/Work/a.pas", false)), VSSFILE_CHECKEDOUT_ME);
    EXPECT_EQ(session->IsCheckedOut(session->Find("$/Work/b.pas", false)), VSSFILE_NOTCHECKEDOUT);
}

TEST_F(VssSafety, ACommitThatFailsChecksInNothingAndSaysSo) {
    AddWork({{"a.pas", "a1\n"}, {"b.pas", "b1\n"}});
    EXPECT_RUN(Ss({"checkout", "$/Work", "-gl" + ann_}), 0);
    for (const char* name : {"a", "b"}) WriteText(ann_ + "/" + name + ".pas", std::string(name) + "2\n");
    auto session = Session();
    const TVssItemRow work = session->Find("$/Work", false);
    struct TRefusing {
        TRefusing() { TVssSession::SetCommitHooks([] { return true; }, nullptr); }
        ~TRefusing() { TVssSession::SetCommitHooks(nullptr, nullptr); }
    };
    std::string message;
    {
        TRefusing refusing;
        try {
            session->Checkin(work, ann_ + "/", "", TVssOptions{});
        } catch (const EOleException& e) {
            message = e.Message;
        }
    }
    EXPECT_EQ(message, "Database error: constraint failed; nothing of $/Work was checked in");
    for (const char* name : {"a", "b"}) {
        const std::string local = ann_ + "/" + name + ".pas";
        EXPECT_TRUE(IsWritable(local)) << local;
        EXPECT_EQ(ReadText(local), std::string(name) + "2\n");
        TVssItemRow row = session->Find(std::string("$/Work/") + name + ".pas", false);
        EXPECT_EQ(row.Version, 1);
        EXPECT_EQ(session->IsCheckedOut(row), VSSFILE_CHECKEDOUT_ME);
    }
}

TEST_F(VssSafety, EveryCutOfSrcSafeIniLogsOnOrSaysItIsDamaged) {
    const std::string text = ReadText(ini_);
    ASSERT_GT(text.size(), 100u);
    for (size_t cut = 0; cut < text.size(); ++cut) {
        const std::string prefix = text.substr(0, cut);
        WriteText(ini_, prefix);
        std::string message;
        try {
            Session();
        } catch (const EOleException& e) {
            message = e.Message;
        }
        if (message.empty()) continue;  // the line of Ann is whole
        // A whole [Users] section that names nobody yet is a new database's.
        if (prefix.ends_with("[Users]") || prefix.ends_with("[Users]\n"))
            EXPECT_EQ(message, "Unknown user or wrong password") << cut;
        else
            EXPECT_EQ(message.rfind("srcsafe.ini is damaged: ", 0), 0u) << cut << ": " << message;
        if (cut == 0)
            EXPECT_EQ(message, "srcsafe.ini is damaged: the [Database] section is missing (file \"" + ini_ + "\")");
    }
}
