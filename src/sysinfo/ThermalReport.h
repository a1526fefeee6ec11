#pragma once

#include "results/ResultsStore.h"
#include "sysinfo/ThermalRun.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexlin::sysinfo {

// The runs that are watched: the processor and graphics under load, and the clock measurement.
enum class ThermalRunKind { Performance, Clock };

inline constexpr std::string_view kThermalSource = "thermal";

std::string_view runSlug(ThermalRunKind kind); // "performance", "clock": the first part of each key
std::string_view runTitle(ThermalRunKind kind); // "тест производительности", "тест частоты процессора"

std::string celsiusText(std::int64_t milliCelsius); // whole degrees: "78 °C"
std::string mhzText(std::int64_t khz);              // "4200 МГц"

// The line in the performance window: "Процессор 78 °C, вентилятор 2400 об/мин".
std::string liveLine(const LiveValues& values, bool sensorsReported);

struct JudgedText {
    std::string text;
    results::Verdict judgement = results::Verdict::None;
};

// How close a sensor came to its limit: "Перегрев: нет (макс. 78 °C, предел 100 °C)".
JudgedText overheatVerdict(std::optional<std::int64_t> maxMilliCelsius,
                           std::optional<std::int64_t> limitMilliCelsius);

// The verdict of a whole run: throttling first, then the processor's heat.
JudgedText runVerdict(const ThermalSummary& summary);

// The results store lines of one run, keys "<run>.<what>" under the source "thermal".  A machine that
// reports no sensors gets one line that says so.
std::vector<results::ResultLine> thermalResultLines(const ThermalSummary& summary, ThermalRunKind kind);

} // namespace vexlin::sysinfo
