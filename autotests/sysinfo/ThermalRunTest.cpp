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
using Milli = std::optional<std::int64_t>;
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
                "Перегрев: близко к пределу (макс. 99 °C, предел 100 °C); снижение частоты из-за нагрева на "
                "этом процессоре не определить",
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

// One processor sensor, one fan, one clock without a base, and optionally a core's throttle count and time:
// the readings that the rules about stopped fans, short throttles and falling clocks look at.
struct Tick {
    Value celsius, rpm, mhz, count, timeMs;
};

struct RuleCase {
    const char* name;
    Milli limit; // of the processor sensor
    bool withCounters;
    std::vector<Tick> series;
    std::string verdict;
    Verdict judgement;
    std::optional<vexlin::sysinfo::StoppedFan> stopped; // in millidegrees
};

class Rule : public testing::TestWithParam<RuleCase> {};

TEST_P(Rule, JudgesWhatTheReadingsShow) {
    const auto& row = GetParam();
    ThermalLayout layout;
    layout.temperatures = {
        {TemperatureOrigin::Chip, "coretemp", "hwmon1", 1, "Package id 0", row.limit, {}, {}}};
    layout.fans = {{"thinkpad", "hwmon2", 1, ""}};
    layout.clocks = {{0, 4200000, kNone}};
    if (row.withCounters) {
        layout.throttleCounters = {{0, "core_throttle_count", 0, 0},
                                   {0, "core_throttle_total_time_ms", 0, 0}};
    }
    ThermalRun run(chooseSensors(layout));
    for (const auto& tick : row.series) {
        ThermalReading reading;
        reading.milliCelsius = {milli(tick.celsius)};
        reading.fanRpm = {tick.rpm};
        reading.clockKhz = {milli(tick.mhz)};
        if (row.withCounters) {
            reading.throttleCounts = {tick.count, tick.timeMs};
        }
        run.add(reading);
    }
    const auto summary = run.summary();
    const auto verdict = runVerdict(summary);
    EXPECT_EQ(verdict.text, row.verdict);
    EXPECT_EQ(verdict.judgement, row.judgement);
    ASSERT_EQ(summary.fans.size(), 1u);
    const auto& stopped = summary.fans[0].stoppedWhileHeating;
    ASSERT_EQ(stopped.has_value(), row.stopped.has_value());
    if (stopped) {
        EXPECT_EQ(stopped->fromMilliCelsius, row.stopped->fromMilliCelsius);
        EXPECT_EQ(stopped->toMilliCelsius, row.stopped->toMilliCelsius);
    }
}

const std::string kUnknown = "; снижение частоты из-за нагрева на этом процессоре не определить";

INSTANTIATE_TEST_SUITE_P(
    Rules, Rule,
    testing::Values(
        RuleCase{"fan_at_rest_stands",
                 100000,
                 true,
                 {{44, 0, 800, 3, 20}, {46, 0, 1200, 3, 20}, {45, 0, 900, 3, 20}},
                 "Перегрев: нет (макс. 46 °C, предел 100 °C)",
                 Verdict::Good,
                 std::nullopt},
        RuleCase{"fan_stands_while_heating",
                 100000,
                 true,
                 {{52, 0, 4200, 3, 20}, {66, 0, 4100, 3, 20}, {79, 0, 4000, 3, 20}, {86, 0, 3900, 3, 20}},
                 "Перегрев: нет (макс. 86 °C, предел 100 °C)",
                 Verdict::Good,
                 vexlin::sysinfo::StoppedFan{52000, 86000}},
        // warm and steady, or warming only before the fan stopped: nothing to say about the fan
        RuleCase{"fan_stands_hot_but_steady",
                 100000,
                 true,
                 {{78, 2400, 4200, 3, 20}, {77, 0, 4100, 3, 20}, {79, 0, 4100, 3, 20}, {78, 0, 4000, 3, 20}},
                 "Перегрев: нет (макс. 79 °C, предел 100 °C)",
                 Verdict::Good,
                 std::nullopt},
        RuleCase{
            "fan_starts_late",
            100000,
            true,
            {{50, 0, 4200, 3, 20}, {68, 0, 4100, 3, 20}, {75, 1900, 4000, 3, 20}, {80, 3600, 4000, 3, 20}},
            "Перегрев: нет (макс. 80 °C, предел 100 °C)",
            Verdict::Good,
            std::nullopt},
        RuleCase{"throttled_a_few_milliseconds",
                 100000,
                 true,
                 {{90, 3000, 4200, 3, 20}, {97, 3600, 4000, 4, 24}},
                 "Процессор кратковременно снижал частоту из-за перегрева (4 мс)",
                 Verdict::Warning,
                 std::nullopt},
        RuleCase{"throttled_for_seconds",
                 100000,
                 true,
                 {{90, 3000, 4200, 3, 20}, {99, 3600, 2400, 9, 3120}},
                 "Процессор снижал частоту из-за перегрева",
                 Verdict::Bad,
                 std::nullopt},
        // the event began and has not ended: the kernel adds its time only when it ends
        RuleCase{"throttling_still_going_on",
                 100000,
                 true,
                 {{90, 3000, 4200, 3, 20}, {99, 3600, 2400, 4, 20}},
                 "Процессор снижал частоту из-за перегрева",
                 Verdict::Bad,
                 std::nullopt},
        RuleCase{"no_counters_clock_falls_while_hot",
                 std::nullopt,
                 false,
                 {{70, 3000, 4200}, {88, 3600, 4100}, {94, 4000, 2900}, {95, 4000, 3100}},
                 "Частота падала при нагреве: 4200 → 2900 МГц при 94 °C" + kUnknown,
                 Verdict::Warning,
                 std::nullopt},
        // the same fall at 60 °C is a core clocking down between bursts of work
        RuleCase{"no_counters_clock_falls_while_cool",
                 std::nullopt,
                 false,
                 {{55, 3000, 4200}, {60, 3000, 1400}, {58, 3000, 4100}},
                 "Перегрев: предел не сообщается (макс. 60 °C)" + kUnknown,
                 Verdict::None,
                 std::nullopt},
        RuleCase{"no_counters_clock_holds",
                 std::nullopt,
                 false,
                 {{70, 3000, 4200}, {93, 3600, 4000}, {95, 4000, 3900}},
                 "Перегрев: предел не сообщается (макс. 95 °C)" + kUnknown,
                 Verdict::None,
                 std::nullopt}),
    [](const testing::TestParamInfo<RuleCase>& info) { return std::string(info.param.name); });

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
