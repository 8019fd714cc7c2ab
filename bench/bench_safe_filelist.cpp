// The SourceSafe package's file list: building "filelist.vss" for a
// database of 10,000 files in 200 projects (walk, sort, save), and loading
// it back as the package does at start-up.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "VssBenchDatabase.h"
#include "platform/vss/VssAutomation.h"
#include "sourcesafe/SafeFiles.h"

using namespace velt;
using namespace velt::vss;

namespace {

// 200 projects of 50 files each under $/src, in a fresh temporary folder.
struct TListedDatabase : TVssBenchDatabase {
    ComPtr<IVSSDatabase> Database;
    TListedDatabase() : TVssBenchDatabase("velt-safe-bench") {
        const std::string src = Dir + "/src";
        for (int p = 0; p < 200; ++p) {
            const std::string folder = src + "/group" + std::to_string(p % 10) + "/project" + std::to_string(p);
            std::filesystem::create_directories(folder);
            for (int f = 0; f < 50; ++f) std::ofstream(folder + "/File" + std::to_string(f) + ".pas") << "unit u;\n";
        }
        auto session = TVssSession::Open(Db, "Bench", "pw");
        TVssOptions options;
        options.Flags = VSSFLAG_RECURSYES | VSSFLAG_USERRONO;
        session->Add(session->Find("$/", false), src, "", options);
        Database = CoVSSDatabase::Create();
        Database->Open(Db, "Bench", "pw");
    }
    ~TListedDatabase() { Database = nullptr; }
};

TListedDatabase& Listed() {
    static TListedDatabase database;
    return database;
}

void BM_BuildFileListTenThousandFiles(benchmark::State& state) {
    TListedDatabase& d = Listed();
    const std::string file = d.Db + "/filelist.vss";
    for (auto _ : state) {
        TSafeFileList list;
        BuildFileList(*d.Database, list);
        list.SaveToFile(file);
        if (list.Count() != 10000) state.SkipWithError("wrong count");
    }
    state.counters["goal_ms"] = 1000;
}
BENCHMARK(BM_BuildFileListTenThousandFiles)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_LoadFileListTenThousandFiles(benchmark::State& state) {
    TListedDatabase& d = Listed();
    const std::string file = d.Db + "/filelist.vss";
    TSafeFileList built;
    BuildFileList(*d.Database, built);
    built.SaveToFile(file);
    for (auto _ : state) {
        TSafeFileList list;
        const auto report = list.LoadFromFile(file);
        if (report.Loaded != 10000 || !list.FileInSourceSafe("/src/group3/project13/File7.pas"))
            state.SkipWithError("wrong list");
    }
}
BENCHMARK(BM_LoadFileListTenThousandFiles)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
