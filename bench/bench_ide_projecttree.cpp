// The project tree window on a large Classes Registry: 2,000 units of ten
// classes each (20,000 classes). TObject has 20 descendants, each of which
// has about 1,000. Goals: the build (tables and the three roots) under
// 200 ms; expanding a node with 1,000 children, in a shown window, under
// 20 ms. The third benchmark expands every node of the hierarchy tab.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "bench/BenchApp.h"
#include <functional>
#include <string>

#include "foundation/MemIni.h"
#include "platform/ide/MemoryHost.h"
#include "services/ProjectTree.h"

namespace {

using namespace velt;

constexpr int kUnits = 2000;
constexpr int kClassesPerUnit = 10;
constexpr int kBases = 20;

QApplication& App() { return velt::bench::BenchApp(); }

std::string UnitFile(int u) { return "/bench/src/U" + std::to_string(u) + ".pas"; }

// Class n: 0 is TObject, 1..20 the bases, every other one derives from a base.
std::string ClassLine(int n) {
    if (n == 0) return "TObject=";
    if (n <= kBases) return "TBase" + std::to_string(n) + "=TObject";
    return "TClass" + std::to_string(n) + "=TBase" + std::to_string(n % kBases + 1);
}

const TMemIni& Registry() {
    static TMemIni ini;
    if (ini.Count() == 0) {
        std::string text;
        for (int u = 0; u < kUnits; ++u) {
            text += "[U" + std::to_string(u) + "]\r\nSource=" + UnitFile(u) + "\r\n";
            text += "[U" + std::to_string(u) + ".Classes]\r\n";
            for (int j = 0; j < kClassesPerUnit; ++j) text += ClassLine(u * kClassesPerUnit + j) + "\r\n";
        }
        ini.AppendFromText(text);
    }
    return ini;
}

// Half of the units are in the project.
MemoryHost& Host() {
    static MemoryHost host;
    if (host.GetUnitCount() == 0) {
        std::vector<std::string> units;
        for (int u = 0; u < kUnits; u += 2) units.push_back(UnitFile(u));
        host.SetProjectUnits("/bench/src/Bench.dpr", units);
    }
    return host;
}

struct TShownForm {
    TShownForm() {
        Registry();
        form.ToolServices = &Host();
        form.resize(360, 600);
        form.show();
        QApplication::processEvents();
    }
    QApplication& app = App();  // before the first widget
    TProjectTreeForm form;
};

TGeneralNode* Expand(TProjectTreeForm& form, TGeneralNode* node) {
    form.HieraTree->ExternalExpand(node);
    QApplication::processEvents();  // the view lays the rows out
    return node;
}

void BM_BuildProjectTree(benchmark::State& state) {
    TShownForm shown;
    for (auto _ : state) {
        shown.form.BuildProjectTreeByClassesRegistry(Registry());
        QApplication::processEvents();
    }
    state.counters["classes"] = double(shown.form.GetLists().ClassList.GetCount() - 1);
    state.counters["modules"] = double(shown.form.GetLists().ModuleList.GetCount());
}
BENCHMARK(BM_BuildProjectTree)->Unit(benchmark::kMillisecond);

void BM_ExpandClassWith1000Children(benchmark::State& state) {
    TShownForm shown;
    shown.form.TreePages->setCurrentWidget(shown.form.HieraTree->parentWidget());
    int children = 0;
    for (auto _ : state) {
        state.PauseTiming();
        shown.form.BuildProjectTreeByClassesRegistry(Registry());
        TGeneralNode* object = Expand(shown.form, shown.form.HieraTree->GetNode0())->GetNodes(0);
        TGeneralNode* base = Expand(shown.form, object)->GetNodes(0);
        state.ResumeTiming();
        Expand(shown.form, base);
        children = base->GetSubnodeCount();
    }
    state.counters["children"] = children;
}
BENCHMARK(BM_ExpandClassWith1000Children)->Unit(benchmark::kMillisecond);

void BM_ExpandWholeHierarchy(benchmark::State& state) {
    TShownForm shown;
    shown.form.TreePages->setCurrentWidget(shown.form.HieraTree->parentWidget());
    int nodes = 0;
    const std::function<void(TGeneralNode*)> expandAll = [&](TGeneralNode* node) {
        ++nodes;
        if (!node->Expanded && node->GetCanExpand()) shown.form.HieraTree->ExternalExpand(node);
        for (int i = 0; i < node->GetSubnodeCount(); ++i) expandAll(node->GetNodes(i));
    };
    for (auto _ : state) {
        state.PauseTiming();
        shown.form.BuildProjectTreeByClassesRegistry(Registry());
        nodes = 0;
        state.ResumeTiming();
        expandAll(shown.form.HieraTree->GetNode0());
        QApplication::processEvents();
    }
    state.counters["nodes"] = nodes;
}
BENCHMARK(BM_ExpandWholeHierarchy)->Unit(benchmark::kMillisecond);

}  // namespace
