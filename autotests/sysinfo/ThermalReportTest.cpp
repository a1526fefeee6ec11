#include "sysinfo/ThermalReport.h"

#include "sysinfo/ThermalMonitor.h"

#include <gtest/gtest.h>

namespace {

using vexlin::platform::TemperatureOrigin;
using vexlin::platform::ThermalLayout;
using vexlin::platform::ThermalReading;
using vexlin::results::Fact;
using vexlin::results::FactValue;
using vexlin::results::ResultLine;
using vexlin::results::ResultsStore;
using vexlin::results::Verdict;
using vexlin::sysinfo::liveLine;
using vexlin::sysinfo::LiveValues;
using vexlin::sysinfo::overheatVerdict;
using vexlin::sysinfo::ThermalMonitor;
using vexlin::sysinfo::thermalResultLines;
using vexlin::sysinfo::ThermalRunKind;
using vexlin::sysinfo::ThermalSummary;

using Value = std::optional<std::int64_t>;

struct OverheatCase {
    const char* name;
    Value max, limit;
    std::string text;
    Verdict judgement;
};

class Overheat : public testing::TestWithParam<OverheatCase> {};

TEST_P(Overheat, SaysHowCloseTheLimitCame) {
    const auto verdict = overheatVerdict(GetParam().max, GetParam().limit);
    EXPECT_EQ(verdict.text, GetParam().text);
    EXPECT_EQ(verdict.judgement, GetParam().judgement);
}

INSTANTIATE_TEST_SUITE_P(
    Verdicts, Overheat,
    testing::Values(
        OverheatCase{"cool", 78000, 100000, "Перегрев: нет (макс. 78 °C, предел 100 °C)", Verdict::Good},
        // the comparison is in the whole degrees the user reads
        OverheatCase{"just_below_near", 94400, 100000, "Перегрев: нет (макс. 94 °C, предел 100 °C)",
                     Verdict::Good},
        OverheatCase{"near", 95000, 100000, "Перегрев: близко к пределу (макс. 95 °C, предел 100 °C)",
                     Verdict::Warning},
        OverheatCase{"rounds_up_to_the_limit", 99600, 100000,
                     "Перегрев: достигнут предел (макс. 100 °C, предел 100 °C)", Verdict::Bad},
        OverheatCase{"beyond", 104000, 100000, "Перегрев: достигнут предел (макс. 104 °C, предел 100 °C)",
                     Verdict::Bad},
        OverheatCase{"drive_limit_in_fractions", 41850, 84850, "Перегрев: нет (макс. 42 °C, предел 85 °C)",
                     Verdict::Good},
        OverheatCase{"no_limit", 63250, std::nullopt, "Перегрев: предел не сообщается (макс. 63 °C)",
                     Verdict::None},
        OverheatCase{"below_zero", -5400, 100000, "Перегрев: нет (макс. -5 °C, предел 100 °C)",
                     Verdict::Good},
        OverheatCase{"no_reading", std::nullopt, 100000, "Температура не сообщается", Verdict::None}),
    [](const testing::TestParamInfo<OverheatCase>& info) { return std::string(info.param.name); });

struct LiveCase {
    const char* name;
    LiveValues values;
    bool sensorsReported;
    std::string line;
};

class Live : public testing::TestWithParam<LiveCase> {};

TEST_P(Live, ShowsTheProcessorAndTheFans) {
    EXPECT_EQ(liveLine(GetParam().values, GetParam().sensorsReported), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, Live,
    testing::Values(
        LiveCase{"processor_and_fan", {78400, {2360}}, true, "Процессор 78 °C, вентилятор 2360 об/мин"},
        LiveCase{"two_fans", {61000, {2100, 0}}, true, "Процессор 61 °C, вентиляторы 2100, 0 об/мин"},
        LiveCase{
            "fan_unread", {61000, {std::nullopt, 1900}}, true, "Процессор 61 °C, вентилятор 1900 об/мин"},
        LiveCase{"processor_only", {63250, {}}, true, "Процессор 63 °C"},
        LiveCase{"fan_only", {std::nullopt, {3100}}, true, "Вентилятор 3100 об/мин"},
        LiveCase{"fans_only", {std::nullopt, {3100, 2900}}, true, "Вентиляторы 3100, 2900 об/мин"},
        LiveCase{"nothing_this_second", {std::nullopt, {std::nullopt}}, true, ""},
        LiveCase{"no_sensors", {}, false, "Нет данных датчиков"}),
    [](const testing::TestParamInfo<LiveCase>& info) { return std::string(info.param.name); });

const Fact* factOf(const ResultLine& line, const std::string& name) {
    for (const auto& fact : line.facts) {
        if (fact.name == name) {
            return &fact;
        }
    }
    return nullptr;
}

std::vector<std::string> keysOf(const std::vector<ResultLine>& lines) {
    std::vector<std::string> keys;
    for (const auto& line : lines) {
        keys.push_back(line.key);
    }
    return keys;
}

ThermalSummary hotIntelRun() {
    ThermalSummary summary;
    summary.readings = 12;
    summary.sensorsReported = true;
    summary.temperatures = {
        {vexlin::sysinfo::SensorGroup::Processor, "cpu_package", "Процессор", 97400, 100000},
        {vexlin::sysinfo::SensorGroup::Drive, "drive", "Накопитель", 41850, 81850},
        {vexlin::sysinfo::SensorGroup::Board, "board", "Система (ACPI)", std::nullopt, 128000},
    };
    summary.fans = {{"fan1", "Вентилятор", 2360, 5100}, {"fan2", "Вентилятор 2", std::nullopt, std::nullopt}};
    summary.minKhz = 1199000;
    summary.maxKhz = 3400000;
    summary.baseKhz = 1600000;
    summary.countersWatched = true;
    summary.throttleCountRise = 3;
    summary.clockRuleApplies = true;
    summary.slowedWhileHot = true;
    return summary;
}

TEST(ThermalLines, ARunGivesItsVerdictTemperaturesClockAndFans) {
    const auto lines = thermalResultLines(hotIntelRun(), ThermalRunKind::Performance);
    // the sensor without a believed reading and the fan without one get no line: nothing is made up
    EXPECT_EQ(keysOf(lines), (std::vector<std::string>{"performance.verdict", "performance.cpu_package_max",
                                                       "performance.drive_max", "performance.cpu_clock",
                                                       "performance.fan1"}));
    for (const auto& line : lines) {
        EXPECT_EQ(line.source, "thermal");
    }
    const auto& verdict = lines[0];
    EXPECT_EQ(verdict.what, "Нагрев (тест производительности)");
    EXPECT_EQ(verdict.value, "макс. 97 °C");
    EXPECT_EQ(verdict.verdict, "Процессор снижал частоту из-за перегрева");
    EXPECT_EQ(verdict.judgement, Verdict::Bad);
    EXPECT_EQ(factOf(verdict, "throttled")->value, FactValue(true));
    EXPECT_EQ(factOf(verdict, "throttle_count_rise")->value, FactValue(std::int64_t{3}));
    EXPECT_EQ(factOf(verdict, "slowed_while_hot")->value, FactValue(true));
    EXPECT_EQ(factOf(verdict, "readings")->value, FactValue(std::int64_t{12}));
    EXPECT_EQ(factOf(verdict, "max_celsius")->value, FactValue(97.4));
    EXPECT_EQ(factOf(verdict, "crit_celsius")->value, FactValue(100.0));

    const auto& drive = lines[2];
    EXPECT_EQ(drive.what, "Накопитель (тест производительности)");
    EXPECT_EQ(drive.value, "макс. 42 °C");
    EXPECT_EQ(drive.verdict, "Перегрев: нет (макс. 42 °C, предел 82 °C)");
    EXPECT_EQ(drive.judgement, Verdict::Good);
    EXPECT_EQ(factOf(drive, "max_celsius")->value, FactValue(41.9));
    EXPECT_EQ(factOf(drive, "crit_celsius")->unit, "°C");

    const auto& clock = lines[3];
    EXPECT_EQ(clock.what, "Частота процессора (тест производительности)");
    EXPECT_EQ(clock.value, "1199–3400 МГц");
    EXPECT_EQ(clock.verdict, "Ниже базовой 1600 МГц");
    EXPECT_EQ(factOf(clock, "min_mhz")->value, FactValue(std::int64_t{1199}));
    EXPECT_EQ(factOf(clock, "max_mhz")->value, FactValue(std::int64_t{3400}));
    EXPECT_EQ(factOf(clock, "base_mhz")->value, FactValue(std::int64_t{1600}));

    const auto& fan = lines[4];
    EXPECT_EQ(fan.what, "Вентилятор (тест производительности)");
    EXPECT_EQ(fan.value, "2360–5100 об/мин");
    EXPECT_EQ(factOf(fan, "fan_rpm")->value, FactValue(std::int64_t{5100}));
    EXPECT_EQ(factOf(fan, "min_rpm")->value, FactValue(std::int64_t{2360}));
}

TEST(ThermalLines, WhatCannotBeToldIsLeftOutOfTheFacts) {
    ThermalSummary summary;
    summary.readings = 3;
    summary.sensorsReported = true;
    summary.temperatures = {
        {vexlin::sysinfo::SensorGroup::Processor, "cpu_package", "Процессор", 63250, std::nullopt}};
    summary.minKhz = summary.maxKhz = 2000000;
    const auto lines = thermalResultLines(summary, ThermalRunKind::Clock);
    EXPECT_EQ(keysOf(lines),
              (std::vector<std::string>{"clock.verdict", "clock.cpu_package_max", "clock.cpu_clock"}));
    EXPECT_EQ(lines[0].what, "Нагрев (тест частоты процессора)");
    EXPECT_EQ(lines[0].verdict,
              "Перегрев: предел не сообщается (макс. 63 °C); снижение частоты из-за нагрева на "
              "этом процессоре не определить");
    EXPECT_EQ(factOf(lines[0], "throttled"), nullptr);
    EXPECT_EQ(factOf(lines[0], "throttling_observable")->value, FactValue(false));
    EXPECT_EQ(factOf(lines[0], "throttle_count_rise"), nullptr);
    EXPECT_EQ(factOf(lines[0], "crit_celsius"), nullptr);
    EXPECT_EQ(lines[2].value, "2000 МГц");
    EXPECT_EQ(lines[2].verdict, "");
    EXPECT_EQ(factOf(lines[2], "base_mhz"), nullptr);
}

TEST(ThermalLines, AMachineWithoutSensorsGetsOneLineSayingSo) {
    ThermalSummary summary;
    summary.readings = 5;
    for (const auto kind : {ThermalRunKind::Performance, ThermalRunKind::Clock}) {
        const auto lines = thermalResultLines(summary, kind);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].key, std::string(vexlin::sysinfo::runSlug(kind)) + ".verdict");
        EXPECT_EQ(lines[0].verdict, "Машина не сообщает показаний датчиков");
        EXPECT_EQ(lines[0].value, "");
        EXPECT_EQ(lines[0].judgement, Verdict::None);
        ASSERT_EQ(lines[0].facts.size(), 1u);
        EXPECT_EQ(lines[0].facts[0], (Fact{"sensors_reported", false, ""}));
    }
}

// Sensors whose values a test sets reading by reading.
class FakeSensors final : public vexlin::platform::ThermalSensors {
public:
    ThermalLayout discover() override {
        ++discovered;
        return layout;
    }
    void watch(const ThermalLayout& chosen) override { watched = chosen; }
    ThermalReading read() const override {
        ++reads;
        return reading;
    }
    ThermalLayout layout;
    ThermalLayout watched;
    ThermalReading reading;
    int discovered = 0;
    mutable int reads = 0;
};

FakeSensors coretempOnly(std::int64_t milli) {
    FakeSensors sensors;
    sensors.layout.temperatures = {
        {TemperatureOrigin::Chip, "coretemp", "hwmon1", 1, "Package id 0", 100000, {}, {}},
        {TemperatureOrigin::Chip, "iwlwifi_1", "hwmon2", 1, "", {}, {}, {}},
    };
    sensors.reading.milliCelsius = {milli};
    return sensors;
}

TEST(ThermalMonitor, StartSampleFinishPutsTheRunIntoTheStore) {
    auto sensors = coretempOnly(60000);
    ResultsStore store;
    ThermalMonitor monitor(&sensors, store, ThermalRunKind::Performance);
    EXPECT_EQ(monitor.sample(), ""); // not started
    monitor.start();
    EXPECT_TRUE(monitor.running());
    // the wireless card is not what anyone is shown, so it is not read
    EXPECT_EQ(sensors.watched.temperatures.size(), 1u);
    EXPECT_EQ(monitor.line(), "Процессор 60 °C");
    sensors.reading.milliCelsius = {81000};
    EXPECT_EQ(monitor.sample(), "Процессор 81 °C");
    monitor.start(); // shown again while running: the same run goes on
    EXPECT_EQ(sensors.discovered, 1);
    sensors.reading.milliCelsius = {70000};
    monitor.sample();
    EXPECT_TRUE(store.empty());
    monitor.finish();
    EXPECT_FALSE(monitor.running());
    const auto* verdict = store.find("thermal", "performance.verdict");
    ASSERT_NE(verdict, nullptr);
    // no counter and no clock to judge throttling with
    EXPECT_EQ(verdict->verdict,
              "Перегрев: нет (макс. 81 °C, предел 100 °C); снижение частоты из-за нагрева на "
              "этом процессоре не определить");
    EXPECT_EQ(factOf(*verdict, "sensor")->value, FactValue(std::string("coretemp Package id 0")));
    EXPECT_EQ(factOf(*verdict, "limit_source")->value, FactValue(std::string("coretemp temp1_crit")));
    EXPECT_EQ(factOf(*verdict, "readings")->value, FactValue(std::int64_t{3}));
    EXPECT_EQ(sensors.reads, 3);
    monitor.finish(); // nothing more to put
    EXPECT_EQ(store.lines().size(), 2u);
}

TEST(ThermalMonitor, ANewRunReplacesOnlyTheLinesOfItsKind) {
    ResultsStore store;
    store.put({"battery", "BAT0.wear", "Износ", "31 %", "", Verdict::Warning, {}});
    auto hot = coretempOnly(90000);
    ThermalMonitor clock(&hot, store, ThermalRunKind::Clock);
    clock.start();
    clock.finish();
    hot.layout.fans = {{"thinkpad", "hwmon4", 1, ""}};
    hot.reading.fanRpm = {4000};
    ThermalMonitor performance(&hot, store, ThermalRunKind::Performance);
    performance.start();
    performance.finish();
    EXPECT_NE(store.find("thermal", "performance.fan1"), nullptr);

    // The second performance run on a machine that lost its fan reading leaves no line of the first one.
    hot.layout.fans.clear();
    hot.reading.fanRpm.clear();
    hot.reading.milliCelsius = {50000};
    performance.start();
    performance.finish();
    EXPECT_EQ(store.find("thermal", "performance.fan1"), nullptr);
    EXPECT_EQ(store.find("thermal", "performance.cpu_package_max")->value, "макс. 50 °C");
    EXPECT_EQ(store.find("thermal", "clock.cpu_package_max")->value, "макс. 90 °C");
    EXPECT_NE(store.find("battery", "BAT0.wear"), nullptr);
}

TEST(ThermalMonitor, WithoutSensorsToAskItDoesNothing) {
    ResultsStore store;
    ThermalMonitor monitor(nullptr, store, ThermalRunKind::Performance);
    monitor.start();
    EXPECT_FALSE(monitor.running());
    EXPECT_EQ(monitor.sample(), "");
    monitor.finish();
    EXPECT_TRUE(store.empty());
}

TEST(ThermalMonitor, AMachineThatReportsNothing) {
    FakeSensors none;
    ResultsStore store;
    ThermalMonitor monitor(&none, store, ThermalRunKind::Clock);
    monitor.start();
    EXPECT_EQ(monitor.sample(), "Нет данных датчиков");
    monitor.finish();
    ASSERT_EQ(store.lines().size(), 1u);
    EXPECT_EQ(store.lines()[0].key, "clock.verdict");
    EXPECT_EQ(store.lines()[0].verdict, "Машина не сообщает показаний датчиков");
}

} // namespace
