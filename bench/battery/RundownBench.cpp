// The run-down journal: one reading appended and synced to this machine's disk, and the result of a 24-hour
// journal (a reading every 10 s: 8,640 lines) read and computed from scratch.
#include "battery/RundownJournal.h"
#include "battery/RundownResult.h"
#include "platform/RundownStorage.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <filesystem>
#include <unistd.h>

namespace {

using namespace vexlin;
namespace fs = std::filesystem;

battery::JournalReading readingAt(int n) {
    battery::JournalReading reading;
    reading.boottimeNs = 3600'000'000'000 + static_cast<std::int64_t>(n) * 10'000'000'000;
    reading.monotonicNs = reading.boottimeNs - 120'000'000'000;
    reading.wallMs = 1764583200000 + static_cast<std::int64_t>(n) * 10'000;
    const double power = 2.0 + 0.3 * std::sin(n / 3.7); // an idle screen for a day
    reading.now = 48'500'000 - static_cast<std::int64_t>(n) * 5'500;
    reading.rate = static_cast<std::int64_t>(std::round(power * 1000)) * 1000;
    reading.voltage = 12'000'000;
    reading.percent = static_cast<int>(*reading.now * 100 / 48'500'000);
    reading.status = battery::JournalStatus::Discharging;
    return reading;
}

// The journal folder's own disk: the state directory, as the product writes it.
fs::path benchFolder() {
    auto folder = platform::rundownDirectory();
    if (folder.empty()) {
        folder = fs::temp_directory_path() / "vexlin";
    }
    return folder / ("bench-" + std::to_string(::getpid()));
}

void AppendOneReadingAndSync(benchmark::State& state) {
    const auto folder = benchFolder();
    if (const auto error = platform::makePrivateDirectory(folder); !error.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    platform::AppendOnlyFile file;
    const auto path = folder / "rundown-bench.journal";
    fs::remove(path);
    if (const auto error = file.create(path); !error.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    int n = 0;
    for (auto _ : state) {
        const auto error = file.append(battery::readingLine(readingAt(n++)));
        if (!error.empty()) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    file.close();
    fs::remove_all(folder);
}
BENCHMARK(AppendOneReadingAndSync)->Unit(benchmark::kMillisecond)->UseRealTime();

void ResultOfA24HourJournal(benchmark::State& state) {
    battery::JournalHeader header;
    header.programVersion = "0.7.1";
    header.battery = "BAT0";
    header.full = 48'500'000;
    header.designFull = 50'000'000;
    std::string text = battery::headerLine(header);
    for (int n = 0; n < 8640; ++n) {
        text += battery::readingLine(readingAt(n));
    }
    for (auto _ : state) {
        const auto parsed = battery::parseJournal(text);
        const auto result = battery::rundownResult(*parsed.journal, {});
        benchmark::DoNotOptimize(result.deliveredWh);
    }
}
BENCHMARK(ResultOfA24HourJournal)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
