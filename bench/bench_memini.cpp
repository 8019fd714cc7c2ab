// Loading an INI file of 100,000 sections, one value each, with the headers
// in ascending and in descending order (the store keeps sections sorted, so
// the file order must not change the cost).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <unistd.h>

#include "foundation/MemIni.h"

using namespace velt;

namespace {

constexpr int kSections = 100000;

std::string IniFile(bool descending) {
    std::string text;
    char name[32];
    for (int i = 0; i < kSections; ++i) {
        std::snprintf(name, sizeof name, "Section%06d", descending ? kSections - 1 - i : i);
        text += "[" + std::string(name) + "]\r\nKey=Value\r\n";
    }
    std::string path = (std::filesystem::temp_directory_path() /
                        ("bench_memini_" + std::to_string(::getpid()) + (descending ? "_desc.ini" : "_asc.ini")))
                           .string();
    AtomicWriteFile(path, text.data(), text.size());
    return path;
}

void Load(benchmark::State& state, bool descending) {
    std::string path = IniFile(descending);
    for (auto _ : state) {
        TMemIni ini;
        ini.LoadFromFile(path);
        benchmark::DoNotOptimize(ini.Count());
    }
    std::filesystem::remove(path);
    state.SetItemsProcessed(state.iterations() * kSections);
}

void BM_IniLoadAscending(benchmark::State& state) { Load(state, false); }
BENCHMARK(BM_IniLoadAscending)->Unit(benchmark::kMillisecond);

void BM_IniLoadDescending(benchmark::State& state) { Load(state, true); }
BENCHMARK(BM_IniLoadDescending)->Unit(benchmark::kMillisecond);

}  // namespace
