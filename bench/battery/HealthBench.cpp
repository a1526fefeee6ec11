// Battery health: one reading folded into the capacity measurement, and the whole refresh of one monitor
// tick (the batteries read from a sysfs tree, measurement and charging check, the store's lines).
#include "battery/BatteryHealthMonitor.h"
#include "battery/CapacityEstimate.h"
#include "platform/linux/LinuxBatteryHealth.h"

#include <benchmark/benchmark.h>
#include <cmath>

namespace {

using namespace vexlin;

void FoldOneReading(benchmark::State& state) {
    battery::CapacityEstimate estimate;
    battery::GaugeReading reading;
    reading.discharging = true;
    double real = 40.1e6;
    for (auto _ : state) {
        reading.seconds += 1;
        real -= 10e6 / 3600.0;
        reading.percent = static_cast<int>(real / 0.5e6);
        reading.remaining = std::round(real / 1e4) * 1e4;
        reading.rate = 10e6;
        estimate.add(reading);
        benchmark::DoNotOptimize(estimate);
        // A pack never empties in the benchmark: start over before the percent goes below zero.
        if (real < 1e6) {
            real = 40.1e6;
        }
    }
}
BENCHMARK(FoldOneReading);

void ResultOfTheEstimate(benchmark::State& state) {
    battery::CapacityEstimate estimate;
    for (int t = 0; t < 3600; ++t) {
        battery::GaugeReading reading;
        reading.seconds = t;
        reading.discharging = true;
        const double real = 40.1e6 - t * 10e6 / 3600.0;
        reading.percent = static_cast<int>(real / 0.5e6);
        reading.remaining = std::round(real / 1e4) * 1e4;
        reading.rate = 10e6;
        estimate.add(reading);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(estimate.result());
    }
}
BENCHMARK(ResultOfTheEstimate);

// Two batteries, as the largest fixture tree has them.
void WholeHealthRefresh(benchmark::State& state) {
    const platform::linux_impl::LinuxBatteryHealth source(std::string(VEXLIN_SOURCE_DIR) +
                                                          "/autotests/platform/fixtures/battery/two");
    results::ResultsStore store;
    battery::BatteryHealthMonitor monitor(store, ",");
    double seconds = 0;
    for (auto _ : state) {
        monitor.tick(source, seconds);
        seconds += 1;
    }
    benchmark::DoNotOptimize(store.revision());
}
BENCHMARK(WholeHealthRefresh)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
