// Number pictures: the currency edit's ",0.00" over amounts of every size
// (goal: under 1 microsecond a value), and a three-section picture with
// literals.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "foundation/FormatFloat.h"

using namespace velt;

namespace {

const std::vector<long double>& Amounts() {
    static const std::vector<long double> v = {0.0L, 0.5L, 12.345L, -1234.5L, 98765.4321L, 1234567.891L, -0.004L};
    return v;
}

void BM_FormatFloatCurrency(benchmark::State& state) {
    const TFormatSettings fs;
    size_t i = 0;
    for (auto _ : state) {
        std::string s = FormatFloat(",0.00", Amounts()[i++ % Amounts().size()], fs);
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_FormatFloatCurrency);

void BM_FormatFloatSections(benchmark::State& state) {
    const TFormatSettings fs;
    size_t i = 0;
    for (auto _ : state) {
        std::string s = FormatFloat("\"$\"#,##0.00;(\"$\"#,##0.00);\"nothing\"", Amounts()[i++ % Amounts().size()], fs);
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_FormatFloatSections);

}  // namespace
