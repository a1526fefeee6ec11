#include "sysinfo/ThermalChoice.h"

#include <gtest/gtest.h>

namespace {

using vexlin::platform::CpuClockSource;
using vexlin::platform::FanSource;
using vexlin::platform::TemperatureOrigin;
using vexlin::platform::TemperatureSource;
using vexlin::platform::ThermalLayout;
using vexlin::platform::ThrottleCounterSource;
using vexlin::platform::TripPoint;
using vexlin::sysinfo::chooseSensors;
using vexlin::sysinfo::SensorGroup;

using Milli = std::optional<std::int64_t>;

TemperatureSource chip(std::string name, std::string device, int index, std::string label, Milli crit = {},
                       Milli max = {}) {
    return {
        TemperatureOrigin::Chip, std::move(name), std::move(device), index, std::move(label), crit, max, {}};
}

TemperatureSource zone(std::string type, std::string device, std::vector<TripPoint> trips) {
    return {TemperatureOrigin::Zone, std::move(type), std::move(device), 0, "", {}, {}, std::move(trips)};
}

// What one chosen entry must be: its key, name, the layout indexes of its sources and its limit.
struct Expected {
    std::string key;
    std::string name;
    std::vector<std::size_t> found; // indexes into the layout handed in
    Milli limit;
    std::string limitFrom = {}; // checked where given
};

struct ChoiceCase {
    const char* name;
    std::vector<TemperatureSource> found;
    std::vector<Expected> expected;
};

class SensorChoice : public testing::TestWithParam<ChoiceCase> {};

TEST_P(SensorChoice, KeepsTheSensorsThatMatterNamedAndLimited) {
    const auto& row = GetParam();
    ThermalLayout layout;
    layout.temperatures = row.found;
    const auto choice = chooseSensors(layout);
    ASSERT_EQ(choice.temperatures.size(), row.expected.size());
    for (std::size_t i = 0; i < row.expected.size(); ++i) {
        const auto& got = choice.temperatures[i];
        const auto& want = row.expected[i];
        SCOPED_TRACE(want.key);
        EXPECT_EQ(got.key, want.key);
        EXPECT_EQ(got.name, want.name);
        EXPECT_EQ(got.limitMilliCelsius, want.limit);
        EXPECT_EQ(got.limitSource.empty(), !want.limit.has_value());
        if (!want.limitFrom.empty()) {
            EXPECT_EQ(got.limitSource, want.limitFrom);
        }
        ASSERT_EQ(got.sources.size(), want.found.size());
        for (std::size_t s = 0; s < want.found.size(); ++s) {
            ASSERT_LT(got.sources[s], choice.watched.temperatures.size());
            EXPECT_EQ(choice.watched.temperatures[got.sources[s]], row.found[want.found[s]]);
        }
    }
    // Only what is shown is read.
    std::size_t sources = 0;
    for (const auto& entry : choice.temperatures) {
        sources += entry.sources.size();
    }
    EXPECT_EQ(choice.watched.temperatures.size(), sources);
}

INSTANTIATE_TEST_SUITE_P(
    Machines, SensorChoice,
    testing::Values(
        ChoiceCase{
            "intel_laptop",
            {chip("acpitz", "hwmon0", 1, "", 128000), chip("nvme", "hwmon1", 1, "Composite", 81850, 78850),
             chip("nvme", "hwmon1", 2, "Sensor 1", {}, 65261850), chip("pch_skylake", "hwmon2", 1, ""),
             chip("thinkpad", "hwmon4", 1, ""), chip("coretemp", "hwmon5", 1, "Package id 0", 100000, 84000),
             chip("coretemp", "hwmon5", 2, "Core 0", 100000, 84000),
             zone("acpitz", "thermal_zone0", {{"critical", 128000}}), zone("iwlwifi_1", "thermal_zone1", {}),
             zone("x86_pkg_temp", "thermal_zone2", {{"passive", 0}})},
            // the processor first, whatever order the chips come in; the critical point, not the high mark
            {{"cpu_package", "Процессор", {5, 6, 9}, 100000, "coretemp temp1_crit"},
             {"drive", "Накопитель", {1}, 81850},
             {"board", "Система (ACPI)", {7}, 128000}}},
        ChoiceCase{"amd_laptop",
                   {chip("amdgpu", "hwmon2", 1, "edge", 100000),
                    chip("amdgpu", "hwmon2", 2, "junction", 110000),
                    chip("amdgpu", "hwmon2", 3, "mem", 100000), chip("k10temp", "hwmon3", 1, "Tctl"),
                    chip("k10temp", "hwmon3", 2, "Tdie"), chip("amdgpu", "hwmon4", 1, "edge"),
                    zone("acpitz", "thermal_zone0", {{"critical", 105000}, {"active", 65000}})},
                   // k10temp tells no limit, and the ACPI zone's shutdown point is not the processor's;
                   // Tdie stands for the processor where Tctl carries an offset
                   {{"cpu_package", "Процессор", {4}, std::nullopt},
                    {"gpu_edge", "Видеокарта (край кристалла)", {0}, 100000},
                    {"gpu_junction", "Видеокарта (горячая точка)", {1}, 110000},
                    {"gpu_mem", "Видеокарта (память)", {2}, 100000},
                    {"gpu2_edge", "Видеокарта 2 (край кристалла)", {5}, std::nullopt},
                    {"board", "Система (ACPI)", {6}, 105000, "acpitz critical trip"}}},
        ChoiceCase{"k10temp_tccd_before_tctl",
                   {chip("k10temp", "hwmon2", 1, "Tctl"), chip("k10temp", "hwmon2", 3, "Tccd1"),
                    chip("k10temp", "hwmon2", 4, "Tccd2")},
                   {{"cpu_package", "Процессор", {1, 2}, std::nullopt}}},
        ChoiceCase{"k10temp_tctl_alone",
                   {chip("k10temp", "hwmon3", 1, "Tctl")},
                   {{"cpu_package", "Процессор", {0}, std::nullopt}}},
        // pre-Zen parts: the driver prints 70 °C as every part's high mark; the HTC limit is the part's own
        ChoiceCase{"k10temp_constant_high_mark",
                   {chip("k10temp", "hwmon1", 1, "", 100000, 70000)},
                   {{"cpu_package", "Процессор", {0}, 100000, "k10temp temp1_crit"}}},
        // thermald writes x86_pkg_temp's trips for its notifications; TjMax stays the limit
        ChoiceCase{"thermald_trips",
                   {chip("coretemp", "hwmon4", 1, "Package id 0", 100000, 100000),
                    zone("x86_pkg_temp", "thermal_zone9", {{"passive", 85000}, {"passive", 90000}})},
                   {{"cpu_package", "Процессор", {0, 1}, 100000, "coretemp temp1_crit"}}},
        ChoiceCase{
            "arm_zones",
            {zone("cpu0-thermal", "thermal_zone0", {{"passive", 90000}, {"critical", 110000}}),
             zone("cpu-big0-thermal", "thermal_zone1", {{"hot", 105000}}),
             zone("cluster0-thermal", "thermal_zone2", {}), zone("cpuss0-thermal", "thermal_zone3", {}),
             zone("cpu0-top-thermal", "thermal_zone4", {}), zone("gpu-top-thermal", "thermal_zone5", {}),
             zone("mem-thermal", "thermal_zone6", {{"critical", 115000}})},
            {{"cpu_package", "Процессор", {0, 1, 2, 3, 4}, 105000, "cpu-big0-thermal hot trip"}}},
        ChoiceCase{"limits_beyond_reason",
                   {chip("coretemp", "hwmon1", 1, "Package id 0", 0, 90000),
                    chip("nvme", "hwmon2", 1, "Composite", 65261850, -273150)},
                   {{"cpu_package", "Процессор", {0}, 90000}, {"drive", "Накопитель", {1}, std::nullopt}}},
        // a passive trip is where the kernel starts slowing the processor, an active one starts a fan
        ChoiceCase{
            "only_critical_trips_limit",
            {zone("TCPU", "thermal_zone4", {{"critical", 105000}, {"passive", 97000}, {"active", 50000}}),
             chip("coretemp", "hwmon3", 2, "Core 0")},
            {{"cpu_package", "Процессор", {0, 1}, 105000, "TCPU critical trip"}}},
        ChoiceCase{"two_drives",
                   {chip("nvme", "hwmon1", 1, "Composite", 84850), chip("drivetemp", "hwmon7", 1, "", 60000),
                    chip("drivetemp", "hwmon7", 2, "")},
                   {{"drive", "Накопитель", {0}, 84850}, {"drive2", "Накопитель 2", {1}, 60000}}},
        ChoiceCase{"dell",
                   {chip("dell_smm", "hwmon3", 1, "CPU"), chip("dell_smm", "hwmon3", 2, "GPU"),
                    chip("dell_smm", "hwmon3", 3, "Ambient"), chip("nouveau", "hwmon4", 1, "", 105000)},
                   {{"cpu_package", "Процессор", {0}, std::nullopt},
                    {"gpu", "Видеокарта", {1}, std::nullopt},
                    {"gpu2", "Видеокарта 2", {3}, 105000}}},
        ChoiceCase{"two_acpi_zones",
                   {zone("acpitz", "thermal_zone0", {{"critical", 98000}}),
                    zone("acpitz", "thermal_zone1", {{"critical", 120000}, {"hot", 110000}}),
                    chip("k10temp", "hwmon2", 1, "Tctl")},
                   {{"cpu_package", "Процессор", {2}, std::nullopt},
                    {"board", "Система (ACPI)", {0}, 98000},
                    {"board2", "Система (ACPI) 2", {1}, 110000}}},
        ChoiceCase{"nothing_that_matters",
                   {chip("iwlwifi_1", "hwmon3", 1, ""), chip("pch_cannonlake", "hwmon2", 1, ""),
                    chip("acpitz", "hwmon0", 1, "", 128000), zone("INT3400 Thermal", "thermal_zone1", {})},
                   {}},
        ChoiceCase{"empty", {}, {}}),
    [](const testing::TestParamInfo<ChoiceCase>& info) { return std::string(info.param.name); });

struct LimitCase {
    const char* name;
    TemperatureSource source;
    std::vector<vexlin::sysinfo::LimitSource> limits;
};

class Limits : public testing::TestWithParam<LimitCase> {};

TEST_P(Limits, TellTheHardwaresOwnFromThresholdsOthersSet) {
    const auto got = vexlin::sysinfo::limitsOf(GetParam().source);
    ASSERT_EQ(got.size(), GetParam().limits.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].milliCelsius, GetParam().limits[i].milliCelsius);
        EXPECT_EQ(got[i].what, GetParam().limits[i].what);
        EXPECT_EQ(got[i].own, GetParam().limits[i].own) << got[i].what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sources, Limits,
    testing::Values(
        LimitCase{"coretemp_tjmax",
                  chip("coretemp", "hwmon5", 1, "Package id 0", 100000, 84000),
                  {{100000, "coretemp temp1_crit", true}, {84000, "coretemp temp1_max", true}}},
        LimitCase{"k10temp_constant_max",
                  chip("k10temp", "hwmon1", 1, "", 100000, 70000),
                  {{100000, "k10temp temp1_crit", true}, {70000, "k10temp temp1_max", false}}},
        LimitCase{"nvme_warning_and_critical",
                  chip("nvme", "hwmon1", 1, "Composite", 84850, 81850),
                  {{84850, "nvme temp1_crit", true}, {81850, "nvme temp1_max", true}}},
        LimitCase{"amdgpu_crit",
                  chip("amdgpu", "hwmon2", 2, "junction", 110000),
                  {{110000, "amdgpu temp2_crit", true}}},
        LimitCase{
            "unknown_chip", chip("it8728", "hwmon3", 1, "", 95000), {{95000, "it8728 temp1_crit", false}}},
        LimitCase{"thermald_written_package_trips",
                  zone("x86_pkg_temp", "thermal_zone9", {{"passive", 85000}, {"passive", 0}}),
                  {{85000, "x86_pkg_temp passive trip", false}}},
        LimitCase{"acpi_zone",
                  zone("acpitz", "thermal_zone0",
                       {{"critical", 105000}, {"hot", 100000}, {"passive", 95000}, {"active", 60000}}),
                  {{105000, "acpitz critical trip", true},
                   {100000, "acpitz hot trip", true},
                   {95000, "acpitz passive trip", false},
                   {60000, "acpitz active trip", false}}},
        LimitCase{"device_tree_zone",
                  zone("cpu-big0-thermal", "thermal_zone3", {{"passive", 85000}, {"critical", 100000}}),
                  {{85000, "cpu-big0-thermal passive trip", false},
                   {100000, "cpu-big0-thermal critical trip", true}}}),
    [](const testing::TestParamInfo<LimitCase>& info) { return std::string(info.param.name); });

struct FanCase {
    const char* name;
    std::vector<FanSource> found;
    std::vector<std::string> names;
};

class FanChoice : public testing::TestWithParam<FanCase> {};

TEST_P(FanChoice, NamesEveryFan) {
    ThermalLayout layout;
    layout.fans = GetParam().found;
    const auto choice = chooseSensors(layout);
    ASSERT_EQ(choice.fans.size(), GetParam().names.size());
    for (std::size_t i = 0; i < choice.fans.size(); ++i) {
        EXPECT_EQ(choice.fans[i].name, GetParam().names[i]);
        EXPECT_EQ(choice.fans[i].key, "fan" + std::to_string(i + 1));
        EXPECT_EQ(choice.watched.fans[choice.fans[i].source], GetParam().found[i]);
    }
    EXPECT_EQ(choice.empty(), GetParam().found.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Fans, FanChoice,
    testing::Values(FanCase{"one", {{"thinkpad", "hwmon4", 1, ""}}, {"Вентилятор"}},
                    FanCase{"two_unlabelled",
                            {{"asus", "hwmon5", 1, ""}, {"asus", "hwmon5", 2, ""}},
                            {"Вентилятор 1", "Вентилятор 2"}},
                    FanCase{"labelled_and_graphics",
                            {{"dell_smm", "hwmon3", 1, "Processor Fan"}, {"amdgpu", "hwmon2", 1, ""}},
                            {"Вентилятор (Processor Fan)", "Вентилятор видеокарты"}},
                    FanCase{"none", {}, {}}),
    [](const testing::TestParamInfo<FanCase>& info) { return std::string(info.param.name); });

TEST(SensorChoice, BaseClockIsTheHighestReported) {
    ThermalLayout layout;
    // Hybrid processors: performance cores with a higher base than the efficient ones.
    layout.clocks = {CpuClockSource{0, 4700000, 2100000}, CpuClockSource{1, 3500000, 1600000},
                     CpuClockSource{2, 3500000, std::nullopt}};
    auto choice = chooseSensors(layout);
    EXPECT_EQ(choice.baseKhz, 2100000);
    EXPECT_FALSE(choice.empty());
    EXPECT_EQ(choice.watched.clocks, layout.clocks);

    layout.clocks = {CpuClockSource{0, 2000000, std::nullopt}, CpuClockSource{1, 2000000, 0}};
    choice = chooseSensors(layout);
    EXPECT_EQ(choice.baseKhz, std::nullopt);
}

struct CounterCase {
    const char* name;
    std::vector<ThrottleCounterSource> found;
    std::vector<std::size_t> kept; // indexes into found
};

class CounterChoice : public testing::TestWithParam<CounterCase> {};

TEST_P(CounterChoice, ReadsEachSharedCounterOnce) {
    ThermalLayout layout;
    layout.throttleCounters = GetParam().found;
    const auto choice = chooseSensors(layout);
    std::vector<ThrottleCounterSource> expected;
    for (const auto i : GetParam().kept) {
        expected.push_back(GetParam().found[i]);
    }
    EXPECT_EQ(choice.watched.throttleCounters, expected);
    // counters alone are something to watch
    EXPECT_EQ(choice.empty(), GetParam().found.empty());
    EXPECT_EQ(choice.processor(), nullptr);
}

const std::string kCore = "core_throttle_count";
const std::string kPackage = "package_throttle_count";

INSTANTIATE_TEST_SUITE_P(
    Counters, CounterChoice,
    testing::Values(
        // two cores with two threads each: cpu0 and cpu2 are the threads of core 0
        CounterCase{"threads_of_a_core",
                    {{0, kCore, 0, 0},
                     {0, kPackage, 0, 0},
                     {1, kCore, 0, 1},
                     {1, kPackage, 0, 1},
                     {2, kCore, 0, 0},
                     {2, kPackage, 0, 0},
                     {3, kCore, 0, 1},
                     {3, kPackage, 0, 1}},
                    {0, 1, 2}},
        CounterCase{"two_packages",
                    {{0, kPackage, 0, 0}, {1, kPackage, 1, 0}, {2, kPackage, 0, 1}, {3, kPackage, 1, 1}},
                    {0, 1}},
        CounterCase{"same_core_number_in_two_packages", {{0, kCore, 0, 0}, {1, kCore, 1, 0}}, {0, 1}},
        CounterCase{"topology_not_told",
                    {{0, kCore, -1, -1}, {0, kPackage, -1, -1}, {1, kCore, -1, -1}, {1, kPackage, -1, -1}},
                    {0, 1, 2, 3}},
        CounterCase{"core_not_told", {{0, kCore, 0, -1}, {1, kCore, 0, -1}, {1, kPackage, 0, -1}}, {0, 1, 2}},
        CounterCase{"none", {}, {}}),
    [](const testing::TestParamInfo<CounterCase>& info) { return std::string(info.param.name); });

} // namespace
