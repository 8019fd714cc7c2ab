// Stopping the source-control client: Cancel and the time limit ask it to
// stop with SIGTERM, so it rolls back, and kill it only after the grace
// period.
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QProgressDialog>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "platform/vss/LocalFiles.h"
#include "platform/vss/SrcSafeIni.h"
#include "platform/vss/VssSession.h"
#define VSS_SS_PATH VELT_SS_PATH  // the shared helpers of the stand-in's tests run the same ss
#include "platform/vss/tests/VssTestUtil.h"
#include "sourcesafe/SafeProcess.h"
#include "sourcesafe/tests/SafeTestSupport.h"

using namespace velt;
using velt::test::TClientClock;
using velt::vss::test::ProcField;

namespace {

// A child of this process that has stopped itself, or 0.
pid_t StoppedChild() {
    for (auto& e : std::filesystem::directory_iterator("/proc")) {
        const std::string name = e.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        const pid_t pid = pid_t(std::stol(name));
        const std::string parent = ProcField(pid, "status", "PPid:\t");
        if (parent.empty() || std::stol(parent) != ::getpid()) continue;
        if (ProcField(pid, "status", "State:\t").rfind("T", 0) == 0) return pid;
    }
    return 0;
}

class SafeProcess : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = ::testing::TempDir() + "velt-safeprocess-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    // A shell script standing in for the client.
    std::string Script(const std::string& body) {
        const std::string path = dir_ + "/client";
        std::ofstream(path) << "#!/bin/sh\n" << body;
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    }
    std::string dir_;
};

}  // namespace

TEST_F(SafeProcess, CancelDuringACheckinOf300FilesLeavesEveryCopyWritable) {
    constexpr int kFiles = 300;
    const std::string db = dir_ + "/db", src = dir_ + "/src/Work", work = dir_ + "/work";
    vss::TVssSession::CreateDatabase(db, false);
    vss::TSrcSafeIni ini = vss::LoadSrcSafeIni(db + "/srcsafe.ini");
    ini.Users = {{"Ann", vss::HashPassword("annpw", 1000)}};
    vss::SaveSrcSafeIni(db + "/srcsafe.ini", ini);
    std::filesystem::create_directories(src);
    auto name = [](int i) { return "unit" + std::to_string(1000 + i) + ".pas"; };
    for (int i = 0; i < kFiles; ++i) std::ofstream(src + "/" + name(i)) << std::string(65536, char('a' + i % 26));
    {
        auto session = vss::TVssSession::OpenTrusted(db + "/srcsafe.ini", "Ann");
        session->Add(session->Find("$/", false), src, "", vss::TVssOptions{});
        session->Checkout(session->Find("$/Work", false), work + "/", "", vss::TVssOptions{});
    }
    for (int i = 0; i < kFiles; ++i) {
        ::chmod((work + "/" + name(i)).c_str(), 0644);
        std::ofstream(work + "/" + name(i)) << "edited " << i << "\n";
    }

    // ss is held still a third of the way in, at the opening of a local
    // file; Cancel is pressed; ss goes on only once the stop has reached
    // it. It stops itself before it starts so that it is traced from its
    // first step, whatever the machine's speed.
    std::atomic<bool> held{false}, done{false};
    std::thread watcher([&] {
        pid_t pid = 0;
        while (!done && !(pid = StoppedChild())) std::this_thread::sleep_for(std::chrono::microseconds(200));
        if (done) return;
        // Once traced its own stop is ended, else it would fall back into it
        // when let go.
        siginfo_t info{};
        if (::ptrace(PTRACE_SEIZE, pid, nullptr, nullptr) != 0 ||
            ::waitid(P_PID, id_t(pid), &info, WSTOPPED | WNOWAIT) != 0 || ::kill(pid, SIGCONT) != 0 ||
            !vss::test::HoldAtOpen(pid, "/" + name(kFiles / 3))) {
            ::kill(pid, SIGCONT);  // not held: it runs to its end, and the test fails
            return;
        }
        held = true;
        // SIGTERM is bit 15 of the pending set.
        for (;;) {
            std::string pending = ProcField(pid, "status", "ShdPnd:\t");
            if (pending.empty() || (std::stoull(pending, nullptr, 16) & (1ull << (SIGTERM - 1)))) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ::ptrace(PTRACE_DETACH, pid, nullptr, 0);
    });
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        if (!held) return;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* progress = qobject_cast<QProgressDialog*>(w); progress && progress->isVisible()) progress->cancel();
    });
    cancel.start(10);

    TProcessRequest request;
    request.Program = Script("kill -STOP $$\nexec '" VELT_SS_PATH "' \"$@\"\n");
    request.Arguments = {"checkin", "$/Work", "-gl" + work, "-yAnn"};
    request.Environment = {{"SSDIR", db}, {"SSPWD", "annpw"}};
    request.TimeLimitMs = 120000;
    TProcessResult result = RunChildProcess(request);
    done = true;
    watcher.join();

    EXPECT_TRUE(held) << "ss ended before it could be held";
    EXPECT_TRUE(result.Cancelled);
    EXPECT_FALSE(result.Killed);
    EXPECT_EQ(result.Errors, "Stopped; nothing of $/Work was checked in\n");
    auto session = vss::TVssSession::OpenTrusted(db + "/srcsafe.ini", "Ann");
    for (int i = 0; i < kFiles; ++i) {
        const std::string local = work + "/" + name(i);
        ASSERT_TRUE(vss::LocalState(local).Writable) << local;
        ASSERT_EQ(vss::test::ReadText(local), "edited " + std::to_string(i) + "\n");
        vss::TVssItemRow row = session->Find("$/Work/" + name(i), false);
        ASSERT_EQ(row.Version, 1);
        ASSERT_EQ(session->IsCheckedOut(row), vss::VSSFILE_CHECKEDOUT_ME);
    }
}

TEST_F(SafeProcess, TheTimeLimitAsksFirstAndKillsOnlyAfterTheGracePeriod) {
    TProcessRequest request;
    request.TimeLimitMs = 300;
    request.StopGraceMs = 300;
    const std::string ready = dir_ + "/ready";

    // A client that stops when asked: it gets the chance to, however long it
    // takes, while the grace period has not passed.
    {
        TClientClock clock(ready, request.TimeLimitMs, 0);
        TTimerSourceGuard guard(&clock);
        request.Program = Script("trap 'echo rolled back >&2; exit 3' TERM\n: > '" + ready +
                                 "'\nwhile :; do sleep 0.05; done\n");
        TProcessResult result = RunChildProcess(request);
        EXPECT_TRUE(result.TimedOut);
        EXPECT_FALSE(result.Killed);
        EXPECT_FALSE(result.Finished);
        EXPECT_EQ(result.ExitCode, 3);
        EXPECT_EQ(result.Errors, "rolled back\n");
    }

    // One that does not: killed once the grace period is over, not before.
    std::filesystem::remove(ready);
    {
        TClientClock clock(ready, request.TimeLimitMs, 100);
        TTimerSourceGuard guard(&clock);
        request.Program = Script("trap '' TERM\necho running\n: > '" + ready + "'\nwhile :; do sleep 0.05; done\n");
        TProcessResult result = RunChildProcess(request);
        EXPECT_TRUE(result.TimedOut);
        EXPECT_TRUE(result.Killed);
        EXPECT_EQ(result.Output, "running\n");
        EXPECT_GE(clock.Latest(), request.TimeLimitMs + request.StopGraceMs);
    }
}
