#include "sysinfo/ThermalRun.h"

#include "sysinfo/ThermalReport.h"

#include <gtest/gtest.h>

namespace {

using vexlin::platform::TemperatureOrigin;
using vexlin::platform::ThermalLayout;
using vexlin::platform::ThermalReading;
using vexlin::results::Verdict;
using vexlin::sysinfo::chooseSensors;
using vexlin::sysinfo::runVerdict;
using vexlin::sysinfo::ThermalChoice;
using vexlin::sysinfo::ThermalRun;

using Value = std::optional<std::int64_t>;
constexpr Value kNone = std::nullopt;

// A laptop as the runs below see it: package and one core (limit 100 °C), the graphics edge (limit 100 °C),
// one fan, two processors with a base clock of 1600 MHz, a core and a package throttle counter.
ThermalChoice laptop(bool withBaseClock = true, bool withCounters = true) {
    ThermalLayout layout;
    layout.temperatures = {
        {TemperatureOrigin::Chip, "coretemp", "hwmon5", 1, "Package id 0", 100000, 84000, {}},
        {TemperatureOrigin::Chip, "coretemp", "hwmon5", 2, "Core 0", 100000, 84000, {}},
        {TemperatureOrigin::Chip, "amdgpu", "hwmon2", 1, "edge", 100000, {}, {}},
    };
    layout.fans = {{"thinkpad", "hwmon4", 1, ""}};
    const Value base = withBaseClock ? Value(1600000) : kNone;
    layout.clocks = {{0, 3400000, base}, {1, 3400000, base}};
    if (withCounters) {
        layout.throttleCounters = {{0, "core_throttle_count"}, {0, "package_throttle_count"}};
    }
    return chooseSensors(layout);
}

// One reading of that laptop; temperatures in °C (as millidegrees), clocks in MHz (as kHz).
struct Reading {
    Value package, core, graphics, fan, clock0, clock1, coreCount, packageCount;
};

Value milli(Value degrees) {
    return degrees ? Value(*degrees * 1000) : kNone;
}

ThermalReading toReading(const Reading& r, bool withCounters) {
    ThermalReading reading;
    reading.milliCelsius = {milli(r.package), milli(r.core), milli(r.graphics)};
    reading.fanRpm = {r.fan};
    reading.clockKhz = {milli(r.clock0), milli(r.clock1)};
    if (withCounters) {
        reading.throttleCounts = {r.coreCount, r.packageCount};
    }
    return reading;
}

struct RunCase {
    const char* name;
    std::vector<Reading> series;
    Value cpuMax, graphicsMax, fanMin, fanMax, minMhz, maxMhz;
    std::int64_t counterRise;
    bool slowedWhileHot;
    std::optional<bool> throttled;
    std::string verdict;
    Verdict judgement;
    bool withBaseClock = true;
    bool withCounters = true;
};

class Run : public testing::TestWithParam<RunCase> {};

TEST_P(Run, KeepsExtremesAndJudgesThrottling) {
    const auto& row = GetParam();
    ThermalRun run(laptop(row.withBaseClock, row.withCounters));
    for (const auto& reading : row.series) {
        run.add(toReading(reading, row.withCounters));
    }
    const auto summary = run.summary();
    EXPECT_EQ(summary.readings, static_cast<int>(row.series.size()));
    ASSERT_EQ(summary.temperatures.size(), 2u);
    EXPECT_EQ(summary.temperatures[0].maxMilliCelsius, milli(row.cpuMax));
    EXPECT_EQ(summary.temperatures[1].maxMilliCelsius, milli(row.graphicsMax));
    ASSERT_EQ(summary.fans.size(), 1u);
    EXPECT_EQ(summary.fans[0].minRpm, row.fanMin);
    EXPECT_EQ(summary.fans[0].maxRpm, row.fanMax);
    EXPECT_EQ(summary.minKhz, milli(row.minMhz));
    EXPECT_EQ(summary.maxKhz, milli(row.maxMhz));
    EXPECT_EQ(summary.throttleCountRise, row.counterRise);
    EXPECT_EQ(summary.slowedWhileHot, row.slowedWhileHot);
    EXPECT_EQ(summary.throttled(), row.throttled);
    const auto verdict = runVerdict(summary);
    EXPECT_EQ(verdict.text, row.verdict);
    EXPECT_EQ(verdict.judgement, row.judgement);
}

INSTANTIATE_TEST_SUITE_P(
    Series, Run,
    testing::Values(
        RunCase{"cool",
                {{55, 53, 45, 2100, 3400, 3100, 12, 40},
                 {71, 70, 58, 3300, 3300, 3400, 12, 40},
                 {78, 76, 61, 3900, 3200, 900, 12, 40}},
                78,
                61,
                2100,
                3900,
                3200,
                3400,
                0,
                false,
                false,
                "Перегрев: нет (макс. 78 °C, предел 100 °C)",
                Verdict::Good},
        // hot but the clock holds above base and the counters stay: the limit is reached, not throttled
        RunCase{"reaches_the_trip_point",
                {{80, 79, 60, 4000, 3400, 3400, 12, 40}, {100, 98, 66, 5200, 3000, 3000, 12, 40}},
                100,
                66,
                4000,
                5200,
                3000,
                3400,
                0,
                false,
                false,
                "Перегрев: достигнут предел (макс. 100 °C, предел 100 °C)",
                Verdict::Bad},
        RunCase{"near_the_limit",
                {{90, 88, 60, 4000, 3400, 3400, 1, 1}, {96, 95, 61, 4100, 2800, 3300, 1, 1}},
                96,
                61,
                4000,
                4100,
                3300,
                3400,
                0,
                false,
                false,
                "Перегрев: близко к пределу (макс. 96 °C, предел 100 °C)",
                Verdict::Warning},
        // the fastest core falls to 1200 MHz at 97 °C, below the 1600 MHz base, with counters that stay
        RunCase{"clock_drops_while_hot",
                {{88, 86, 60, 4800, 3400, 3400, 0, 0},
                 {97, 96, 62, 5100, 1200, 1100, 0, 0},
                 {93, 92, 62, 5100, 2900, 2900, 0, 0}},
                97,
                62,
                4800,
                5100,
                1200,
                3400,
                0,
                true,
                true,
                "Процессор снижал частоту из-за перегрева",
                Verdict::Bad},
        // an idle processor clocks down; cool, that is no throttling
        RunCase{"clock_low_while_cool",
                {{45, 44, 40, 0, 800, 400, 5, 5}, {47, 46, 40, 0, 1000, 800, 5, 5}},
                47,
                40,
                0,
                0,
                800,
                1000,
                0,
                false,
                false,
                "Перегрев: нет (макс. 47 °C, предел 100 °C)",
                Verdict::Good},
        RunCase{"counters_rise",
                {{70, 70, 50, 3000, 3400, 3400, 12, 40},
                 {72, 71, 50, 3000, 3400, 3400, 12, 41},
                 {74, 73, 51, 3000, 3400, 3400, 13, 43}},
                74,
                51,
                3000,
                3000,
                3400,
                3400,
                3,
                false,
                true,
                "Процессор снижал частоту из-за перегрева",
                Verdict::Bad},
        // a counter that went back (processor taken offline) counts afresh from its new value
        RunCase{"counter_goes_back",
                {{70, 70, 50, 3000, 3400, 3400, 12, 40},
                 {70, 70, 50, 3000, 3400, 3400, 0, 40},
                 {70, 70, 50, 3000, 3400, 3400, 0, 40}},
                70,
                50,
                3000,
                3000,
                3400,
                3400,
                0,
                false,
                false,
                "Перегрев: нет (макс. 70 °C, предел 100 °C)",
                Verdict::Good},
        // absent sensors, a stalled fan's 65535 and readings no sensor can mean are not taken
        RunCase{"broken_values",
                {{kNone, 200, -274, 65535, 0, kNone, kNone, kNone},
                 {kNone, 64, kNone, 1800, kNone, 2500, 3, kNone},
                 {kNone, kNone, kNone, kNone, kNone, kNone, 3, kNone}},
                64,
                kNone,
                1800,
                1800,
                2500,
                2500,
                0,
                false,
                false,
                "Перегрев: нет (макс. 64 °C, предел 100 °C)",
                Verdict::Good},
        // nothing to judge throttling with: no counters, no base clock
        RunCase{"no_way_to_tell",
                {{99, 99, 60, 3000, 800, 800, kNone, kNone}},
                99,
                60,
                3000,
                3000,
                800,
                800,
                0,
                false,
                std::nullopt,
                "Перегрев: близко к пределу (макс. 99 °C, предел 100 °C)",
                Verdict::Warning,
                false,
                false},
        RunCase{"without_base_clock_the_counters_judge",
                {{99, 99, 60, 3000, 800, 800, 3, 40}, {99, 99, 60, 3000, 800, 800, 3, 40}},
                99,
                60,
                3000,
                3000,
                800,
                800,
                0,
                false,
                false,
                "Перегрев: близко к пределу (макс. 99 °C, предел 100 °C)",
                Verdict::Warning,
                false,
                true},
        RunCase{"no_processor_reading",
                {{kNone, kNone, 50, 3000, 3400, 3400, 1, 1}},
                kNone,
                50,
                3000,
                3000,
                3400,
                3400,
                0,
                false,
                false,
                "Температура процессора не сообщается",
                Verdict::None}),
    [](const testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

TEST(Run, LatestValuesAreThoseOfTheLastReading) {
    ThermalRun run(laptop());
    run.add(toReading({60, 66, 50, 2000, 3400, 3400, 0, 0}, true));
    EXPECT_EQ(run.latest().processorMilliCelsius, 66000); // the hotter of package and core
    run.add(toReading({kNone, kNone, 50, kNone, 3400, 3400, 0, 0}, true));
    EXPECT_EQ(run.latest().processorMilliCelsius, std::nullopt);
    EXPECT_EQ(run.latest().fanRpm, (std::vector<Value>{kNone}));
}

TEST(Run, AReadingShorterThanItsLayoutReadsAsAbsent) {
    ThermalRun run(laptop());
    run.add(ThermalReading{});
    const auto summary = run.summary();
    EXPECT_EQ(summary.readings, 1);
    EXPECT_EQ(summary.temperatures[0].maxMilliCelsius, std::nullopt);
    EXPECT_EQ(summary.minKhz, std::nullopt);
    EXPECT_EQ(summary.throttled(), std::nullopt); // no counter could be read
}

} // namespace
