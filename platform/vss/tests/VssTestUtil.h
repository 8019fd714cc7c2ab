#pragma once
// Shared pieces of the source-control stand-in's tests: a private folder per
// test with a database in it, and running the programs as child processes.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/vss/SrcSafeIni.h"
#include "platform/vss/VssSession.h"

extern char** environ;

namespace velt::vss::test {

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteText(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    if (std::filesystem::exists(path)) ::chmod(path.c_str(), 0644);
    std::ofstream(path, std::ios::binary) << text;
}

inline bool IsWritable(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR);
}

inline void SetModified(const std::string& path, time_t seconds) {
    struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

inline time_t Modified(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mtim.tv_sec;
}

struct TProcessResult {
    int Exit = -1;  // -1 when it had to be killed
    std::string Out;
    std::string Err;
};

// Fixtures hash with few rounds: logons in tests stay quick (the count is
// stored with each hash).
inline constexpr unsigned kTestIterations = 1000;

// The logon-failure delays asked for since the last clear; nothing sleeps.
inline std::vector<int>& LogonDelays() {
    static std::vector<int> delays;
    return delays;
}
inline void RecordLogonDelays() {
    LogonDelays().clear();
    TVssSession::SetLogonFailureDelay([](int ms) { LogonDelays().push_back(ms); });
}

// Runs argv[0] (an absolute path) with extra environment entries, in folder
// cwd when given. Its standard input is a pipe that stays open and empty, so
// a child that reads it hangs until the time limit kills it. With stdoutPath
// its standard output goes to that file instead of being collected.
inline TProcessResult RunProcess(const std::vector<std::string>& argv,
                                 const std::map<std::string, std::string>& env = {}, const std::string& cwd = "",
                                 int timeoutMs = 60000, const std::string& stdoutPath = "") {
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) || ::pipe2(out, O_CLOEXEC) || ::pipe2(err, O_CLOEXEC)) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    if (stdoutPath.empty()) posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    else posix_spawn_file_actions_addopen(&actions, 1, stdoutPath.c_str(), O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    std::vector<std::string> envText;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        if (!env.count(entry.substr(0, entry.find('=')))) envText.push_back(entry);
    }
    for (auto& [k, v] : env)
        if (v != "\x01unset") envText.push_back(k + "=" + v);
    std::vector<char*> args, envp;
    for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (auto& e : envText) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    TProcessResult r;
    if (rc != 0) {
        ::close(in[1]);
        ::close(out[0]);
        ::close(err[0]);
        r.Err = "spawn failed";
        return r;
    }
    struct pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    bool killed = false;
    while (open > 0) {
        int n = ::poll(fds, 2, timeoutMs);
        if (n <= 0) {
            ::kill(pid, SIGKILL);
            killed = true;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
            char buffer[4096];
            ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                (i == 0 ? r.Out : r.Err).append(buffer, size_t(got));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (auto& f : fds)
        if (f.fd >= 0) ::close(f.fd);
    ::close(in[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.Exit = killed ? -1 : (WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return r;
}

// A line of /proc/<pid>/<file> after key ("rchar: ", "ShdPnd:\t"); empty
// once the process is gone.
inline std::string ProcField(pid_t pid, const char* file, const std::string& key) {
    std::istringstream in(ReadText("/proc/" + std::to_string(pid) + "/" + file));
    for (std::string line; std::getline(in, line);)
        if (line.rfind(key, 0) == 0) return line.substr(key.size());
    return {};
}

// The text at address at in process pid, up to its NUL, page by page (the
// next page may not be mapped).
inline std::string RemoteText(pid_t pid, uint64_t at) {
    std::string text;
    char page[4096];
    while (text.size() < 4096) {
        const size_t n = sizeof page - at % sizeof page;
        iovec local{page, n}, remote{reinterpret_cast<void*>(at), n};
        if (::process_vm_readv(pid, &local, 1, &remote, 1, 0) != ssize_t(n)) break;
        const size_t end = size_t(std::find(page, page + n, '\0') - page);
        text.append(page, end);
        if (end < n) break;
        at += n;
    }
    return text;
}

// Runs pid, traced by the calling thread and in a stop, system call by
// system call until it enters an open of a path containing marker, and
// leaves it stopped there: how far an operation has got, whatever the
// machine's speed. Signals on the way reach it. False when it ended first;
// its parent reaps it as ever.
inline bool HoldAtOpen(pid_t pid, const std::string& marker) {
    ::ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL);
    int deliver = 0;
    for (;;) {
        if (::ptrace(PTRACE_SYSCALL, pid, nullptr, deliver) != 0) return false;
        siginfo_t info{};
        // Stops only: the exit is left for whoever waits for it.
        if (::waitid(P_PID, id_t(pid), &info, WSTOPPED | WEXITED | WNOWAIT) != 0 || info.si_code != CLD_TRAPPED)
            return false;
        const int stop = info.si_status;
        deliver = 0;
        if (stop != (SIGTRAP | 0x80)) {
            // A signal on its way is passed on; traps and event stops are not.
            if (stop != SIGTRAP && (stop >> 8) == 0) deliver = stop;
            continue;
        }
        __ptrace_syscall_info call{};
        if (::ptrace(PTRACE_GET_SYSCALL_INFO, pid, sizeof call, &call) <= 0 || call.op != PTRACE_SYSCALL_INFO_ENTRY ||
            call.entry.nr != SYS_openat)
            continue;
        if (RemoteText(pid, call.entry.args[1]).find(marker) != std::string::npos) return true;
    }
}

#define EXPECT_RUN(result, code)            \
    do {                                    \
        TProcessResult r_ = (result);       \
        EXPECT_EQ(r_.Exit, code) << r_.Err; \
    } while (0)

// A private folder with a database "db" holding the users Ann ("annpw") and
// Bob ("bobpw"), and a working folder per user.
class VssFixture : public ::testing::Test {
protected:
    void SetUp() override {
        RecordLogonDelays();
        std::string tmpl = ::testing::TempDir() + "velt-vss-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        db_ = dir_ + "/db";
        ini_ = db_ + "/srcsafe.ini";
        ann_ = dir_ + "/ann";
        bob_ = dir_ + "/bob";
        std::filesystem::create_directories(ann_);
        std::filesystem::create_directories(bob_);
        MakeDatabase(false);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    void MakeDatabase(bool multipleCheckouts) {
        std::error_code ec;
        std::filesystem::remove_all(db_, ec);
        TVssSession::CreateDatabase(db_, multipleCheckouts);
        TSrcSafeIni ini = LoadSrcSafeIni(ini_);
        ini.Users = {{"Ann", HashPassword("annpw", kTestIterations)}, {"Bob", HashPassword("bobpw", kTestIterations)}};
        SaveSrcSafeIni(ini_, ini);
    }

    // ss as the package runs it: the user on -y, the password in SSPWD.
    TProcessResult Ss(std::vector<std::string> args, const std::string& user = "Ann", const std::string& cwd = "",
                      const std::string& stdoutPath = "") {
        args.insert(args.begin(), VSS_SS_PATH);
        args.push_back("-y" + user);
        return RunProcess(args, {{"SSDIR", db_}, {"SSPWD", user == "Ann" ? "annpw" : "bobpw"}}, cwd, 60000,
                          stdoutPath);
    }

    std::string dir_, db_, ini_, ann_, bob_;
};

}  // namespace velt::vss::test
