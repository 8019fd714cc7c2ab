// The SourceSafe explorer tree: expanding a project of 1,000 files in a
// shown tree (one listing from the server, 1,000 nodes and items). Goal:
// under 100 ms.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "bench/BenchApp.h"
#include <filesystem>
#include <fstream>
#include <string>

#include "VssBenchDatabase.h"
#include "platform/vss/VssAutomation.h"
#include "sourcesafe/SourceSafeExplorer.h"
#include "treeview/GeneralTreeView.h"

namespace {

using namespace velt;
using namespace velt::vss;

constexpr int kFiles = 1000;

QApplication& App() { return velt::bench::BenchApp(); }

// $/Big with 1,000 files, every tenth checked out, in a fresh temporary folder.
struct TBigDatabase : TVssBenchDatabase {
    ComPtr<IVSSDatabase> Database;
    TBigDatabase() : TVssBenchDatabase("velt-sstree-bench") {
        const std::string folder = Dir + "/Big";
        std::filesystem::create_directories(folder);
        for (int f = 0; f < kFiles; ++f) std::ofstream(folder + "/File" + std::to_string(f) + ".pas") << "unit u;\n";
        auto session = TVssSession::Open(Db, "Bench", "pw");
        TVssOptions options;
        options.Flags = VSSFLAG_RECURSYES | VSSFLAG_USERRONO;
        session->Add(session->Find("$/", false), folder, "", options);
        options.Flags = VSSFLAG_GETNO;
        for (int f = 0; f < kFiles; f += 10)
            session->Checkout(session->Find("$/Big/File" + std::to_string(f) + ".pas", false), folder, "", options);
        Database = CoVSSDatabase::Create();
        Database->Open(Db, "Bench", "pw");
    }
    ~TBigDatabase() { Database = nullptr; }
};

void BM_ExpandProjectOfThousandFiles(benchmark::State& state) {
    App();
    TBigDatabase big;
    TSourceSafeExplorer explorer;
    explorer.Database = big.Database;
    explorer.Mode = TSourceSafeExplorer::emTab;
    explorer.show();
    for (auto _ : state) {
        state.PauseTiming();
        TSourceSafeNode* root = explorer.SetRoot();
        explorer.SourceSafeTree->ExternalExpand(root);
        TGeneralNode* project = root->GetSubnodeCount() == 1 ? root->GetNodes(0) : nullptr;
        if (!project) {
            state.SkipWithError("no project");
            break;
        }
        QApplication::processEvents();
        state.ResumeTiming();
        explorer.SourceSafeTree->ExternalExpand(project);
        QApplication::processEvents();
        state.PauseTiming();
        if (project->GetSubnodeCount() != kFiles) state.SkipWithError("wrong count");
        state.ResumeTiming();
    }
    state.counters["goal_ms"] = 100;
}
BENCHMARK(BM_ExpandProjectOfThousandFiles)->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace
