#include "platform/linux/LinuxThermalSensors.h"

#include "platform/linux/SysfsReader.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using vexlin::platform::FanSource;
using vexlin::platform::TemperatureOrigin;
using vexlin::platform::TemperatureSource;
using vexlin::platform::ThermalLayout;
using vexlin::platform::ThrottleCounterSource;
using vexlin::platform::TripPoint;
using vexlin::platform::linux_impl::LinuxThermalSensors;
using vexlin::platform::linux_impl::readSmallInteger;

fs::path tree(const std::string& name) {
    return fs::path(VEXLIN_FIXTURES) / "thermal" / name;
}

struct TreeCase {
    const char* name;
    std::size_t temperatures;
    std::size_t fans;
    std::size_t clocks;
    std::size_t counters;
};

class ThermalTree : public testing::TestWithParam<TreeCase> {};

TEST_P(ThermalTree, FindsEverySourceAndReadsEachOnce) {
    const auto& row = GetParam();
    LinuxThermalSensors sensors(tree(row.name));
    const ThermalLayout layout = sensors.discover();
    EXPECT_EQ(layout.temperatures.size(), row.temperatures);
    EXPECT_EQ(layout.fans.size(), row.fans);
    EXPECT_EQ(layout.clocks.size(), row.clocks);
    EXPECT_EQ(layout.throttleCounters.size(), row.counters);
    const auto reading = sensors.read();
    EXPECT_EQ(reading.milliCelsius.size(), row.temperatures);
    EXPECT_EQ(reading.fanRpm.size(), row.fans);
    EXPECT_EQ(reading.clockKhz.size(), row.clocks);
    EXPECT_EQ(reading.throttleCounts.size(), row.counters);
}

INSTANTIATE_TEST_SUITE_P(
    Trees, ThermalTree,
    testing::Values(
        // 18 chip temperatures (acpitz 1, nvme 2, pch 1, wifi 1, thinkpad 8, coretemp 5; the battery has
        // none) and 3 zones; 8 processors with a core and a package counter and total time each, the
        // power-limit and longest-time files left out
        TreeCase{"intel_laptop", 21, 1, 8, 32},
        // acpitz 1, nvme 3, two graphics chips 3 + 1, k10temp 2, and one zone; AMD has no throttle counters
        TreeCase{"amd_laptop", 11, 0, 8, 0}, TreeCase{"virtual_machine", 0, 0, 0, 0},
        TreeCase{"odd", 6, 2, 3, 1}, TreeCase{"no_such_tree", 0, 0, 0, 0}),
    [](const testing::TestParamInfo<TreeCase>& info) { return std::string(info.param.name); });

// Single sources as the tree states them, and their first reading.
struct SourceCase {
    const char* name;
    const char* tree;
    std::size_t at; // index in the layout's temperatures
    TemperatureSource expected;
    std::optional<std::int64_t> reading;
};

class ThermalSource : public testing::TestWithParam<SourceCase> {};

TEST_P(ThermalSource, CarriesNameLabelLimitsAndValue) {
    const auto& row = GetParam();
    LinuxThermalSensors sensors(tree(row.tree));
    const auto layout = sensors.discover();
    ASSERT_LT(row.at, layout.temperatures.size());
    EXPECT_EQ(layout.temperatures[row.at], row.expected);
    EXPECT_EQ(sensors.read().milliCelsius[row.at], row.reading);
}

TemperatureSource chip(std::string chip, std::string device, int index, std::string label,
                       std::optional<std::int64_t> crit = {}, std::optional<std::int64_t> max = {}) {
    return {
        TemperatureOrigin::Chip, std::move(chip), std::move(device), index, std::move(label), crit, max, {}};
}

TemperatureSource zone(std::string type, std::string device, std::vector<TripPoint> trips) {
    return {TemperatureOrigin::Zone, std::move(type), std::move(device), 0, "", {}, {}, std::move(trips)};
}

INSTANTIATE_TEST_SUITE_P(
    Sources, ThermalSource,
    testing::Values(
        // through the links of /sys/class/hwmon into /sys/devices
        SourceCase{"coretemp_package", "intel_laptop", 13,
                   chip("coretemp", "hwmon5", 1, "Package id 0", 100000, 84000), 52000},
        SourceCase{"nvme_composite", "intel_laptop", 1, chip("nvme", "hwmon1", 1, "Composite", 81850, 78850),
                   39850},
        SourceCase{"thinkpad_unlabelled", "intel_laptop", 5, chip("thinkpad", "hwmon4", 1, ""), 52000},
        SourceCase{"acpitz_zone", "intel_laptop", 18, zone("acpitz", "thermal_zone0", {{"critical", 128000}}),
                   48000},
        SourceCase{"package_zone_zero_trips", "intel_laptop", 20,
                   zone("x86_pkg_temp", "thermal_zone2", {{"passive", 0}, {"passive", 0}}), 52000},
        // plain directories
        SourceCase{"amdgpu_junction", "amd_laptop", 5, chip("amdgpu", "hwmon2", 2, "junction", 110000),
                   49000},
        SourceCase{"k10temp_tctl", "amd_laptop", 7, chip("k10temp", "hwmon3", 1, "Tctl"), 63250},
        // attributes in the device directory, temp2 before temp10
        SourceCase{"old_driver_first", "odd", 0, chip("coretemp", "hwmon0", 2, "Core 0", 100000), 61000},
        SourceCase{"old_driver_tenth", "odd", 1, chip("coretemp", "hwmon0", 10, "Core 8"), 63000},
        // hwmon2 before hwmon10; a value that is no number and an empty one read as nothing
        SourceCase{"garbage_value", "odd", 2, chip("dell_smm", "hwmon2", 1, "CPU"), std::nullopt},
        SourceCase{"empty_value", "odd", 3, chip("dell_smm", "hwmon2", 2, "GPU"), std::nullopt},
        SourceCase{"chip_after_hwmon9", "odd", 4, chip("nvme", "hwmon10", 1, "Composite", 84850), 41850},
        // a trip point without its type is left out
        SourceCase{"zone_trips", "odd", 5,
                   zone("acpitz", "thermal_zone3", {{"critical", 95000}, {"passive", 90000}}), 57000}),
    [](const testing::TestParamInfo<SourceCase>& info) { return std::string(info.param.name); });

TEST(ThermalSensors, FansCarryTheirLabelsAndRawSpeeds) {
    LinuxThermalSensors sensors(tree("odd"));
    const auto layout = sensors.discover();
    ASSERT_EQ(layout.fans.size(), 2u);
    EXPECT_EQ(layout.fans[0], (FanSource{"dell_smm", "hwmon2", 1, "Processor Fan"}));
    EXPECT_EQ(layout.fans[1], (FanSource{"dell_smm", "hwmon2", 2, "Video Fan"}));
    // A stalled reading is passed on as the chip gives it; judging it is the logic's part.
    const auto reading = sensors.read();
    EXPECT_EQ(reading.fanRpm[0], 65535);
    EXPECT_EQ(reading.fanRpm[1], 2100);
}

TEST(ThermalSensors, ProcessorsInNumberOrderWithTheirClocks) {
    LinuxThermalSensors intel(tree("intel_laptop"));
    const auto layout = intel.discover();
    ASSERT_EQ(layout.clocks.size(), 8u);
    EXPECT_EQ(layout.clocks[0].cpu, 0);
    EXPECT_EQ(layout.clocks[0].maxKhz, 3400000);
    EXPECT_EQ(layout.clocks[0].baseKhz, 1600000);
    EXPECT_EQ(intel.read().clockKhz[4], 799000);
    EXPECT_EQ(layout.throttleCounters[0].name, "core_throttle_count");
    EXPECT_EQ(layout.throttleCounters[1].name, "core_throttle_total_time_ms");
    EXPECT_EQ(layout.throttleCounters[2].name, "package_throttle_count");
    EXPECT_EQ(layout.throttleCounters[3].name, "package_throttle_total_time_ms");
    EXPECT_EQ(intel.read().throttleCounts[0], 12);
    // the topology tells which counters are copies: cpu4 is the second thread of core 0
    EXPECT_EQ(layout.throttleCounters[16], (ThrottleCounterSource{4, "core_throttle_count", 0, 0}));
    EXPECT_EQ(intel.read().throttleCounts[16], 12);

    LinuxThermalSensors odd(tree("odd"));
    const auto oddLayout = odd.discover();
    ASSERT_EQ(oddLayout.clocks.size(), 3u);
    EXPECT_EQ(oddLayout.clocks[1].cpu, 2);
    EXPECT_EQ(oddLayout.clocks[2].cpu, 10);
    EXPECT_EQ(oddLayout.clocks[0].maxKhz, std::nullopt);
    EXPECT_EQ(oddLayout.clocks[2].baseKhz, 2000000);
    EXPECT_EQ(oddLayout.throttleCounters.front(), (ThrottleCounterSource{2, "core_throttle_count", -1, -1}));
}

TEST(ThermalSensors, WatchingNarrowsTheReadingsToTheChosenOnes) {
    LinuxThermalSensors sensors(tree("intel_laptop"));
    const auto layout = sensors.discover();
    ThermalLayout chosen;
    chosen.temperatures = {layout.temperatures[13], layout.temperatures[1]};
    chosen.temperatures.push_back(chip("coretemp", "hwmon99", 1, "Package id 1")); // not in this machine
    chosen.clocks = {layout.clocks[7]};
    sensors.watch(chosen);
    const auto reading = sensors.read();
    ASSERT_EQ(reading.milliCelsius.size(), 3u);
    EXPECT_EQ(reading.milliCelsius[0], 52000);
    EXPECT_EQ(reading.milliCelsius[1], 39850);
    EXPECT_EQ(reading.milliCelsius[2], std::nullopt);
    EXPECT_EQ(reading.clockKhz, (std::vector<std::optional<std::int64_t>>{800000}));
    EXPECT_TRUE(reading.fanRpm.empty());
    EXPECT_TRUE(reading.throttleCounts.empty());
    // Discovering again watches everything again.
    EXPECT_EQ(sensors.discover(), layout);
    EXPECT_EQ(sensors.read().milliCelsius.size(), 21u);
}

TEST(ThermalSensors, ReadingsFollowTheFilesWithoutLookingAgain) {
    vexlin::testing::TempDir dir("vexlin-thermal");
    fs::copy(tree("intel_laptop"), dir.path(), fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    LinuxThermalSensors sensors(dir.path());
    sensors.discover();
    const fs::path package = dir.path() / "sys/devices/platform/coretemp.0/hwmon/hwmon5/temp1_input";
    const fs::path counter = dir.path() / "sys/devices/system/cpu/cpu0/thermal_throttle/core_throttle_count";
    std::ofstream(package) << "97000\n";
    std::ofstream(counter) << "15\n";
    // A sensor that appears after the start is not part of this run.
    std::ofstream(dir.path() / "sys/devices/platform/coretemp.0/hwmon/hwmon5/temp9_input") << "30000\n";
    auto reading = sensors.read();
    EXPECT_EQ(reading.milliCelsius[13], 97000);
    EXPECT_EQ(reading.throttleCounts[0], 15);
    EXPECT_EQ(reading.milliCelsius.size(), 21u);
    // One that goes away reads as nothing.
    fs::remove(package);
    reading = sensors.read();
    EXPECT_EQ(reading.milliCelsius[13], std::nullopt);
    EXPECT_EQ(reading.milliCelsius[14], 50000);
}

struct NumberCase {
    const char* name;
    std::string content;
    std::optional<std::int64_t> value;
};

class SmallInteger : public testing::TestWithParam<NumberCase> {};

TEST_P(SmallInteger, ReadsOneNumberOrNothing) {
    vexlin::testing::TempDir dir("vexlin-number");
    const auto file = dir.path() / "value";
    std::ofstream(file, std::ios::binary) << GetParam().content;
    EXPECT_EQ(readSmallInteger(file.string()), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SmallInteger,
    testing::Values(NumberCase{"plain", "52000\n", 52000}, NumberCase{"negative", "-273150\n", -273150},
                    NumberCase{"no_newline", "7", 7}, NumberCase{"crlf", "12\r\n", 12},
                    NumberCase{"empty", "", std::nullopt}, NumberCase{"newline_only", "\n", std::nullopt},
                    NumberCase{"word", "garbage\n", std::nullopt}, NumberCase{"two", "12 34\n", std::nullopt},
                    // 63 bytes with the newline, leading zeros included
                    NumberCase{"longest", std::string(44, '0') + "111111111111111111\n", 111111111111111111},
                    NumberCase{"too_long", std::string(64, '1'), std::nullopt},
                    NumberCase{"overflow", "99999999999999999999\n", std::nullopt}),
    [](const testing::TestParamInfo<NumberCase>& info) { return std::string(info.param.name); });

TEST(SmallInteger, MissingFileReadsAsNothing) {
    EXPECT_EQ(readSmallInteger("/nonexistent/vexlin/temp1_input"), std::nullopt);
    EXPECT_EQ(readSmallInteger("/"), std::nullopt); // a directory
}

} // namespace
