// Interpreter throughput: straight-line tokens, and running the last of many
// definitions by name.

#include <benchmark/benchmark.h>

#include <string>

#include "forth/Forth.h"

using namespace velt;

namespace {

// One word of 1,000,000 tokens: "1 2 + DROP" repeated.
void BM_StraightLineTokens(benchmark::State& state) {
    std::string text = ": Run";
    for (int i = 0; i < 250000; ++i) text += " 1 2 + DROP";
    text += " ;\r\n";
    TForth forth;
    forth.SetText(text);
    for (auto _ : state) {
        forth.Pos = 1;
        forth.ExecWord("Run");
    }
    state.counters["tokens/s"] =
        benchmark::Counter(1000000.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_StraightLineTokens)->Unit(benchmark::kMillisecond);

// ExecWord of the last of 5,000 definitions.
void BM_ExecWordLastOf5000(benchmark::State& state) {
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += ": Word" + std::to_string(i) + " 1 DROP ( definition " + std::to_string(i) + " ) ;\r\n";
    TForth forth;
    forth.SetText(text + " ");
    for (auto _ : state) forth.ExecWord("Word4999");
    state.counters["calls/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ExecWordLastOf5000);

// The same after every call's text is replaced (the definition index is
// rebuilt each time): the cost of a first call after loading.
void BM_ExecWordAfterReload(benchmark::State& state) {
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += ": Word" + std::to_string(i) + " 1 DROP ( definition " + std::to_string(i) + " ) ;\r\n";
    text += " ";
    TForth forth;
    for (auto _ : state) {
        forth.SetText(text);
        forth.ExecWord("Word4999");
    }
    state.counters["calls/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ExecWordAfterReload);

}  // namespace
