// The clock's refresh: one timer tick that moves a second on, in digital
// and in analog mode on a 200 x 200 clock (goal: under 0.3 ms a tick).
#include <benchmark/benchmark.h>

#include <QApplication>

#include "bench/BenchApp.h"

#include "foundation/DateUtils.h"
#include "graphics/RxCtrls.h"
#include "platform/ui/TimerSource.h"

using namespace velt;

namespace {

QApplication& App() { return velt::bench::BenchApp(); }

void Tick(benchmark::State& state, TShowClock mode) {
    App();
    TManualTimerSource source;
    TTimerSourceGuard guard(&source);
    source.SetNow(EncodeTime(10, 59, 0, 0));
    auto clock = TrxClock::Create();
    clock->resize(200, 200);
    clock->SetShowMode(mode);
    clock->TimerExpired();  // the whole clock once
    for (auto _ : state) {
        // Every tick a new second, every 60th a new minute.
        source.SetNow(source.Now() + 1.0 / 86400);
        clock->TimerExpired();
    }
}

void BM_ClockTickDigital(benchmark::State& state) { Tick(state, scDigital); }
void BM_ClockTickAnalog(benchmark::State& state) { Tick(state, scAnalog); }
BENCHMARK(BM_ClockTickDigital)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ClockTickAnalog)->Unit(benchmark::kMicrosecond);

}  // namespace
