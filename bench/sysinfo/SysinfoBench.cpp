// Budgets of the system page: one inventory refresh on activation, and the measured clock against the
// kernel's own TSC frequency.  Run by hand: build-*/bench/sysinfo/sysinfo_bench
#include "platform/Factory.h"
#include "platform/linux/LinuxDisplayInfo.h"
#include "support/QtBenchMain.h"
#include "sysinfo/ClockMeasurement.h"
#include "sysinfo/Inventory.h"
#include "sysinfo/SystemPage.h"
#include "ui/AppServices.h"

#include <QApplication>
#include <QLocale>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cpuid.h>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <thread>

namespace {

using namespace vexlin;

AppServices& services() {
    static AppServices instance = AppServices::forThisSystem();
    return instance;
}

// The whole activation handler: sources, texts and the controls they go into.
void BM_InventoryRefreshOnActivation(benchmark::State& state) {
    SystemPage page(services());
    page.FormActivate(); // the first call opens the PCI ID list, which is kept
    for (auto _ : state) {
        page.FormActivate();
    }
}
BENCHMARK(BM_InventoryRefreshOnActivation)->Unit(benchmark::kMicrosecond);

// The same without widgets: what the sources cost.
void BM_InventorySourcesAndTexts(benchmark::State& state) {
    auto& s = services();
    for (auto _ : state) {
        benchmark::DoNotOptimize(sysinfo::activationTexts(*s.system, *s.display, {1920, 1080, 24, 1}, ","));
    }
}
BENCHMARK(BM_InventorySourcesAndTexts)->Unit(benchmark::kMicrosecond);

// Naming the adapters of a laptop (Intel + NVIDIA, from the test fixture) with the system's PCI ID list:
// the first lookup of a run reads the whole list, later ones use the names kept from it.
const std::filesystem::path kLaptop =
    std::filesystem::path(VEXLIN_SOURCE_DIR) / "autotests/sysinfo/fixtures/laptop";

void BM_AdapterNamesFirstLookup(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        platform::linux_impl::LinuxDisplayInfo display(kLaptop, {{}, false});
        state.ResumeTiming();
        benchmark::DoNotOptimize(display.adapters());
    }
}
BENCHMARK(BM_AdapterNamesFirstLookup)->Unit(benchmark::kMicrosecond)->Iterations(20);

void BM_AdapterNamesLaterLookups(benchmark::State& state) {
    platform::linux_impl::LinuxDisplayInfo display(kLaptop, {{}, false});
    display.adapters();
    for (auto _ : state) {
        benchmark::DoNotOptimize(display.adapters());
    }
}
BENCHMARK(BM_AdapterNamesLaterLookups)->Unit(benchmark::kMicrosecond);

void BM_ShowPartitionsAndProcessorText(benchmark::State& state) {
    SystemPage page(services());
    for (auto _ : state) {
        page.FormShow();
    }
}
BENCHMARK(BM_ShowPartitionsAndProcessorText)->Unit(benchmark::kMicrosecond);

// The kernel's TSC frequency in MHz: its refined calibration from the kernel log, else the one it
// detected at boot, else CPUID leaf 0x15 (crystal × ratio) or 0x16 (base frequency).
double kernelTscMhz() {
    double refined = 0.0;
    double detected = 0.0;
    if (FILE* pipe = popen("dmesg 2>/dev/null", "r")) {
        char line[512];
        const std::regex refinedRe("Refined TSC clocksource calibration: ([0-9.]+) MHz");
        const std::regex detectedRe("tsc: Detected ([0-9.]+) MHz");
        std::cmatch m;
        while (fgets(line, sizeof line, pipe) != nullptr) {
            if (std::regex_search(line, m, refinedRe)) {
                refined = std::atof(m[1].str().c_str());
            } else if (std::regex_search(line, m, detectedRe)) {
                detected = std::atof(m[1].str().c_str());
            }
        }
        pclose(pipe);
    }
    if (refined > 0) {
        return refined;
    }
    if (detected > 0) {
        return detected;
    }
    unsigned a = 0, b = 0, c = 0, d = 0;
    __cpuid(0x15, a, b, c, d);
    if (a != 0 && b != 0 && c != 0) {
        return static_cast<double>(c) * b / a / 1e6;
    }
    __cpuid(0x16, a, b, c, d);
    return a;
}

class NoRaise final : public platform::ThreadPriority {
public:
    void lowerCurrentThreadToIdle() override {}
    bool raiseCurrentThreadToRealtime() override { return false; }
};

// As in the program: the calling thread runs at idle priority and the measurement raises its own thread
// (or, unprivileged, cannot).
void clockAccuracy(benchmark::State& state, bool raise) {
    const double reference = kernelTscMhz();
    NoRaise noRaise;
    platform::ThreadPriority& priority = raise ? *services().priority : noRaise;
    double worst = 0.0;
    double sum = 0.0;
    int count = 0;
    for (auto _ : state) {
        double mhz = 0.0;
        std::thread ui([&] {
            services().priority->lowerCurrentThreadToIdle();
            mhz = sysinfo::measureClockMhz(priority, *services().processor);
        });
        ui.join();
        sum += mhz;
        ++count;
        worst = std::max(worst, std::abs(mhz - reference) / reference * 100.0);
    }
    state.counters["kernel_MHz"] = reference;
    state.counters["mean_MHz"] = count > 0 ? sum / count : 0.0;
    state.counters["worst_error_pct"] = worst;
}

void BM_ClockRaisedThread(benchmark::State& state) {
    clockAccuracy(state, true);
}
BENCHMARK(BM_ClockRaisedThread)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_ClockIdleThreadUnraised(benchmark::State& state) {
    clockAccuracy(state, false);
}
BENCHMARK(BM_ClockIdleThreadUnraised)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    return vexlin::bench::runWithApplication<QApplication>(argc, argv);
}
