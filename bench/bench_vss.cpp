// The source-control stand-in: checking in 1,000 files of 50 KB through the
// automation objects, as one project check-in and through one ss process
// per file, getting them all back, one logon (its PBKDF2 rounds), one ss
// process start, and listing a database of 10,000 files in 200 projects.
// Per-file figures are in the counters (ms_per_file).
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "VssBenchDatabase.h"
#include "platform/vss/SrcSafeIni.h"
#include "platform/vss/VssAutomation.h"

extern char** environ;

using namespace velt;
using namespace velt::vss;

namespace {

constexpr int kFiles = 1000;
constexpr size_t kFileSize = 50 * 1024;

// The database, for the ss processes too.
struct TBenchDatabase : TVssBenchDatabase {
    TBenchDatabase() : TVssBenchDatabase("velt-vss-bench") {
        ::setenv("SSDIR", Db.c_str(), 1);
        ::setenv("SSPWD", "pw", 1);
    }
    ComPtr<IVSSDatabase> Logon() {
        auto db = CoVSSDatabase::Create();
        db->Open(Db, "Bench", "pw");
        return db;
    }
};

std::string FileText(int file, int round) {
    std::string line = "{ file " + std::to_string(file) + " round " + std::to_string(round) + " } begin end;\n";
    std::string text;
    while (text.size() + line.size() <= kFileSize) text += line;
    text.resize(kFileSize, ' ');
    return text;
}

std::string FileName(int i) { return "unit" + std::to_string(i) + ".pas"; }

void WriteFiles(const std::string& folder, int round) {
    std::filesystem::create_directories(folder);
    for (int i = 0; i < kFiles; ++i) {
        std::string path = folder + "/" + FileName(i);
        ::chmod(path.c_str(), 0644);
        std::ofstream(path, std::ios::binary) << FileText(i, round);
    }
}

// Runs ss with its output thrown away; answers the exit code.
int Ss(const std::vector<std::string>& args) {
    std::vector<std::string> all = {VSS_SS_PATH};
    all.insert(all.end(), args.begin(), args.end());
    all.push_back("-yBench");
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The project $/Bench with kFiles files, all checked out to work/ and
// changed there, ready to be checked in.
void PrepareCheckin(TBenchDatabase& b, IVSSDatabase& db) {
    std::string work = b.Dir + "/work";
    WriteFiles(work, 0);
    db.VSSItem("$/", false)->Add(work, "", VSSFLAG_RECURSNO);
    db.VSSItem("$/work", false)->Checkout("", work, VSSFLAG_GETNO);
    WriteFiles(work, 1);
}


// A database ready for the check-in of kFiles changed files.
struct TPreparedCheckin {
    TBenchDatabase Bench;
    ComPtr<IVSSDatabase> Db = Bench.Logon();
    TPreparedCheckin() { PrepareCheckin(Bench, *Db); }
};

double Seconds(const std::function<void()>& f) {
    auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_AutomationCheckinThenGet(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        TPreparedCheckin p;
        TBenchDatabase& b = p.Bench;
        auto items = p.Db->VSSItem("$/work", false)->Items(false);
        state.ResumeTiming();
        double checkin = Seconds([&] {
            for (int i = 1; i <= items->Count(); ++i) items->Item(i)->Checkin("", b.Dir + "/work/", 0);
        });
        double get = Seconds([&] {
            for (int i = 1; i <= items->Count(); ++i) items->Item(i)->Get(b.Dir + "/got/", 0);
        });
        state.counters["checkin_ms_per_file"] = checkin * 1000.0 / kFiles;
        state.counters["get_ms_per_file"] = get * 1000.0 / kFiles;
        if (p.Db->VSSItem("$/work/unit7.pas", false)->VersionNumber() != 2) state.SkipWithError("no version 2");
    }
}
BENCHMARK(BM_AutomationCheckinThenGet)->Iterations(1)->Unit(benchmark::kMillisecond);

// The whole project in one ss check-in: one transaction, one commit.
void BM_SsProjectCheckin(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        TPreparedCheckin p;
        TBenchDatabase& b = p.Bench;
        state.ResumeTiming();
        int failures = 0;
        double checkin = Seconds([&] { failures += Ss({"checkin", "$/work", "-i-", "-gl" + b.Dir + "/work/"}) != 0; });
        state.counters["checkin_ms_per_file"] = checkin * 1000.0 / kFiles;
        if (failures || p.Db->VSSItem("$/work/unit7.pas", false)->VersionNumber() != 2) state.SkipWithError("ss failed");
    }
}
BENCHMARK(BM_SsProjectCheckin)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_SsCheckinThenGet(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        TPreparedCheckin p;
        TBenchDatabase& b = p.Bench;
        state.ResumeTiming();
        int failures = 0;
        double checkin = Seconds([&] {
            for (int i = 0; i < kFiles; ++i)
                failures += Ss({"checkin", "$/work/" + FileName(i), "-i-", "-gl" + b.Dir + "/work/"}) != 0;
        });
        double get = Seconds([&] { failures += Ss({"get", "$/work", "-i-", "-gl" + b.Dir + "/got/"}) != 0; });
        state.counters["checkin_ms_per_file"] = checkin * 1000.0 / kFiles;
        state.counters["get_all_ms_per_file"] = get * 1000.0 / kFiles;
        if (failures) state.SkipWithError("ss failed");
    }
}
BENCHMARK(BM_SsCheckinThenGet)->Iterations(1)->Unit(benchmark::kMillisecond);

// One logon with a password hashed with the current number of rounds.
void BM_Logon(benchmark::State& state) {
    TBenchDatabase b;
    for (auto _ : state) TVssSession::Open(b.Db, "Bench", "pw");
    state.counters["pbkdf2_iterations"] = kPasswordIterations;
}
BENCHMARK(BM_Logon)->Iterations(20)->Unit(benchmark::kMillisecond);

// One ss process from start to exit, with logon: "cp $/".
void BM_SsProcessStart(benchmark::State& state) {
    TBenchDatabase b;
    for (auto _ : state)
        if (Ss({"cp", "$/"}) != 0) state.SkipWithError("ss failed");
}
BENCHMARK(BM_SsProcessStart)->Iterations(50)->Unit(benchmark::kMillisecond);

// 10,000 files in 200 projects: the one-call listing, and the walk through
// the automation objects (Items, Count, Item, Type, Name, Spec), as the
// file-list builder would do either.
void BM_ListTenThousandFiles(benchmark::State& state) {
    TBenchDatabase b;
    {
        auto session = TVssSession::Open(b.Db, "Bench", "pw");
        std::string src = b.Dir + "/src";
        for (int p = 0; p < 200; ++p)
            for (int f = 0; f < 50; ++f) {
                std::string folder = src + "/group" + std::to_string(p % 10) + "/project" + std::to_string(p);
                std::filesystem::create_directories(folder);
                std::ofstream(folder + "/file" + std::to_string(f) + ".pas") << "unit u;\n";
            }
        TVssOptions options;
        options.Flags = VSSFLAG_RECURSYES | VSSFLAG_USERRONO;
        session->Add(session->Find("$/", false), src, "", options);
    }
    auto db = b.Logon();
    for (auto _ : state) {
        size_t files = 0;
        double listing = Seconds([&] {
            for (auto& block : db->ListProjects("$/", true))
                for (auto& e : block.Items) files += e.Type == VSSITEM_FILE;
        });
        size_t walked = 0;
        std::function<void(IVSSItem&)> walk = [&](IVSSItem& project) {
            auto items = project.Items(false);
            for (int i = 1; i <= items->Count(); ++i) {
                auto item = items->Item(i);
                if (item->Type() == VSSITEM_FILE) walked += !item->Name().empty() && !item->Spec().empty();
                else walk(*item);
            }
        };
        double automation = Seconds([&] { walk(*db->VSSItem("$/", false)); });
        state.counters["listing_ms"] = listing * 1000.0;
        state.counters["automation_walk_ms"] = automation * 1000.0;
        if (files != 10000 || walked != 10000) state.SkipWithError("wrong count");
    }
}
BENCHMARK(BM_ListTenThousandFiles)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
