// Unit model work on the largest units of the Free Pascal sources: load the
// lines, find the sections, parse the unit and every class of it.
#include <benchmark/benchmark.h>

#include <string>

#include "foundation/Classes.h"
#include "source/SourceCode.h"

namespace {

using namespace velt;

const char* const kUnits[] = {
    "/usr/share/fpcsrc/3.2.2/packages/fcl-passrc/src/pasresolver.pp",  // about 30,000 lines
    "/usr/share/fpcsrc/3.2.2/packages/odata/src/sharepoint.pp",        // about 120,000 lines
};

std::string Load(int which, benchmark::State& state) {
    try {
        return ReadWholeFile(kUnits[which]);
    } catch (const Exception&) {
        state.SkipWithError("Free Pascal sources not installed (fpc-source-3.2.2)");
        return {};
    }
}

// The unit's lines loaded into src, its sections found unless only the lines
// are wanted; false (the benchmark skipped) without the unit.
bool LoadModel(benchmark::State& state, TISourceCode& src, bool sections = true) {
    const std::string text = Load(int(state.range(0)), state);
    if (text.empty()) return false;
    src.SetLinesText(text);
    if (sections) src.ValidateLines();
    return true;
}

// Headers of every class, object and interface declared in the unit.
std::vector<int> ClassHeaders(const TISourceCode& src) {
    std::vector<int> r;
    std::string nm;
    const auto& L = src.Lines->Strings();
    for (int i = 0; i < int(L.size()); ++i)
        if (src.isValidClass(L[size_t(i)], nm)) r.push_back(i);
    return r;
}

// Lines, sections, unit list and the members of every class (each class
// parsed from the header line its unit scan found).
void BM_ModelWork(benchmark::State& state) {
    const std::string text = Load(int(state.range(0)), state);
    if (text.empty()) return;
    size_t members = 0, lines = 0;
    for (auto _ : state) {
        TISourceCode src;
        src.SetLinesText(text);
        src.ValidateLines();
        TUnitComponentList unitList;
        src.ParseUnit(unitList);
        members = 0;
        for (int h : ClassHeaders(src)) {
            TClassComponentList list;
            src.ParseClassAt(h, list);
            members += size_t(list.GetCount());
        }
        lines = size_t(src.Lines->Count());
        benchmark::DoNotOptimize(members);
    }
    state.counters["lines"] = double(lines);
    state.counters["members"] = double(members);
}
BENCHMARK(BM_ModelWork)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The parts: line loading, section finding, the unit list.
void BM_LoadLines(benchmark::State& state) {
    const std::string text = Load(int(state.range(0)), state);
    if (text.empty()) return;
    for (auto _ : state) {
        TISourceCode src;
        src.SetLinesText(text);
        benchmark::DoNotOptimize(src.Lines->Count());
    }
}
BENCHMARK(BM_LoadLines)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ValidateLines(benchmark::State& state) {
    TISourceCode src;
    if (!LoadModel(state, src, false)) return;
    for (auto _ : state) {
        src.ValidateLines();
        benchmark::DoNotOptimize(src.ImplLine);
    }
}
BENCHMARK(BM_ValidateLines)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_ParseUnit(benchmark::State& state) {
    TISourceCode src;
    if (!LoadModel(state, src)) return;
    for (auto _ : state) {
        TUnitComponentList unitList;
        src.ParseUnit(unitList);
        benchmark::DoNotOptimize(unitList.GetCount());
    }
}
BENCHMARK(BM_ParseUnit)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Every class of the unit list parsed by name (each looks its header up).
void BM_ParseClassByName(benchmark::State& state) {
    TISourceCode src;
    if (!LoadModel(state, src)) return;
    TUnitComponentList unitList;
    src.ParseUnit(unitList);
    for (auto _ : state) {
        for (int j = 0; j < unitList.GetCount(); ++j) {
            TUnitComponent u = unitList.GetUnitComponent(j);
            if (u.Kind != 1 && u.Kind != 2) continue;
            TClassComponentList list;
            src.ParseClass(u.Name, list);
            benchmark::DoNotOptimize(list.GetCount());
        }
    }
}
BENCHMARK(BM_ParseClassByName)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
