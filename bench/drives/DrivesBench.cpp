// Budget: one drive's smartctl JSON read and judged in under 2 ms.
#include "drives/DriveVerdict.h"
#include "drives/SmartctlJson.h"

#include <benchmark/benchmark.h>
#include <fstream>
#include <sstream>

namespace {

std::string fixture(const char* name) {
    std::ifstream in(std::string(VEXLIN_DRIVE_FIXTURES) + "/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void readAndJudge(benchmark::State& state, const char* file) {
    const std::string json = fixture(file);
    for (auto _ : state) {
        const auto reading = vexlin::drives::readSmartctlJson(json);
        auto verdict = vexlin::drives::judge(reading.record);
        benchmark::DoNotOptimize(verdict);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * json.size()));
}

// The longest of the fixtures: a SATA SSD's `-x` output with its attribute table.
BENCHMARK_CAPTURE(readAndJudge, sata_ssd, "sata-ssd-samsung-840.json")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(readAndJudge, nvme, "nvme-worn-samsung-pm9a1.json")->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
