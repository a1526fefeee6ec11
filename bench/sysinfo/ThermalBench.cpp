// Budget of the sensor watch: one reading of everything watched, once a second on the user-interface thread
// while the performance test counts frames, must stay under 1 ms on a laptop-sized tree.
// Run by hand: build-*/bench/sysinfo/thermal_bench
#include "platform/linux/LinuxThermalSensors.h"
#include "results/ResultsStore.h"
#include "sysinfo/ThermalChoice.h"
#include "sysinfo/ThermalMonitor.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace {

namespace fs = std::filesystem;
using vexlin::platform::linux_impl::LinuxThermalSensors;

const fs::path kIntel = fs::path(VEXLIN_SOURCE_DIR) / "autotests/sysinfo/fixtures/thermal/intel_laptop";

// The Intel laptop of the tests grown to 16 processors (a current 8-core laptop with two threads a core),
// in a directory of its own that is removed at the end.
class BigLaptop {
public:
    BigLaptop() {
        std::string pattern = "/tmp/vexlin-thermal-bench-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a temporary directory");
        }
        root_ = pattern;
        fs::copy(kIntel, root_, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        const fs::path cpus = root_ / "sys/devices/system/cpu";
        for (int cpu = 8; cpu < 16; ++cpu) {
            const std::string n = std::to_string(cpu);
            fs::copy(cpus / "cpufreq/policy0", cpus / ("cpufreq/policy" + n), fs::copy_options::recursive);
            fs::create_directories(cpus / ("cpu" + n));
            fs::copy(cpus / "cpu0/thermal_throttle", cpus / ("cpu" + n) / "thermal_throttle",
                     fs::copy_options::recursive);
            fs::create_directory_symlink("../cpufreq/policy" + n, cpus / ("cpu" + n) / "cpufreq");
            fs::copy(cpus / "cpu0/topology", cpus / ("cpu" + n) / "topology", fs::copy_options::recursive);
        }
        // cores 0 … 7, threads n and n + 8 on the same core
        for (int cpu = 0; cpu < 16; ++cpu) {
            std::ofstream(cpus / ("cpu" + std::to_string(cpu)) / "topology/core_id") << cpu % 8 << "\n";
        }
    }
    ~BigLaptop() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    const fs::path& root() const { return root_; }

private:
    fs::path root_;
};

const fs::path& bigLaptop() {
    static BigLaptop tree;
    return tree.root();
}

const fs::path& treeOf(const benchmark::State& state) {
    return state.range(0) == 0 ? kIntel : bigLaptop();
}

// Looking for everything: done once when a test window opens.
void BM_ThermalDiscover(benchmark::State& state) {
    LinuxThermalSensors sensors(treeOf(state));
    for (auto _ : state) {
        benchmark::DoNotOptimize(sensors.discover());
    }
}
BENCHMARK(BM_ThermalDiscover)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Reading only what is shown, as a run does.
void BM_ThermalReadWatched(benchmark::State& state) {
    LinuxThermalSensors sensors(treeOf(state));
    const auto choice = vexlin::sysinfo::chooseSensors(sensors.discover());
    sensors.watch(choice.watched);
    for (auto _ : state) {
        benchmark::DoNotOptimize(sensors.read());
    }
    state.counters["files"] =
        static_cast<double>(choice.watched.temperatures.size() + choice.watched.fans.size() +
                            choice.watched.clocks.size() + choice.watched.throttleCounters.size());
}
BENCHMARK(BM_ThermalReadWatched)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The same without narrowing: every value file the tree has.
void BM_ThermalReadEverything(benchmark::State& state) {
    LinuxThermalSensors sensors(treeOf(state));
    sensors.discover();
    for (auto _ : state) {
        benchmark::DoNotOptimize(sensors.read());
    }
}
BENCHMARK(BM_ThermalReadEverything)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// What the window's timer tick pays: the reading, the running extremes and the line it shows.
void BM_ThermalSampleTick(benchmark::State& state) {
    LinuxThermalSensors sensors(treeOf(state));
    vexlin::results::ResultsStore store;
    vexlin::sysinfo::ThermalMonitor monitor(&sensors, store, vexlin::sysinfo::ThermalRunKind::Performance);
    monitor.start();
    for (auto _ : state) {
        benchmark::DoNotOptimize(monitor.sample());
    }
    monitor.finish();
}
BENCHMARK(BM_ThermalSampleTick)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
