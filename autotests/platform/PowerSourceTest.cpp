#include "platform/linux/LinuxPowerSource.h"

#include <gtest/gtest.h>

using vexlin::platform::PowerStatus;
using vexlin::platform::linux_impl::LinuxPowerSource;

namespace {

constexpr std::uint32_t kUnknown = PowerStatus::kUnknownSeconds;

struct PowerCase {
    const char* name; // the fixture tree under fixtures/power
    std::uint8_t ac;
    std::uint8_t flag;
    std::uint8_t percent;
    std::uint32_t seconds;
};

class PowerSourceFixture : public testing::TestWithParam<PowerCase> {};

TEST_P(PowerSourceFixture, FillsTheRecordFieldByField) {
    const auto& row = GetParam();
    const LinuxPowerSource source(std::string(VEXLIN_FIXTURES) + "/power/" + row.name);
    const PowerStatus status = source.read();
    EXPECT_EQ(status.ACLineStatus, row.ac);
    EXPECT_EQ(status.BatteryFlag, row.flag);
    EXPECT_EQ(status.BatteryLifePercent, row.percent);
    EXPECT_EQ(status.BatteryLifeTime, row.seconds);
    EXPECT_EQ(status.BatteryFullLifeTime, kUnknown);
    EXPECT_EQ(status.Reserved1, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Trees, PowerSourceFixture,
    testing::Values(
        // 36 of 50 Wh at 12 W: three hours; the mouse battery at 5 % is not the laptop's.
        PowerCase{"discharging", 0, 1, 72, 10800},
        // charge units; charging gives no run time, low charge plus the charging bit
        PowerCase{"charging", 1, 2 | 8, 20, kUnknown}, PowerCase{"full", 1, 1, 100, kUnknown},
        PowerCase{"desktop", 1, 128, 255, kUnknown}, PowerCase{"empty", 1, 128, 255, kUnknown},
        // 40 of 70 Wh together, drained by 10 W together: four hours
        PowerCase{"two", 0, 0, 57, 14400}, PowerCase{"garbage", 0, 255, 255, kUnknown},
        // below 5 % is also below 33 %; no drain reported, so no run time
        PowerCase{"critical", 0, 2 | 4, 3, kUnknown},
        // energy_full 2 beside a normal charge: clamped before the conversion, not wrapped to 0 %
        PowerCase{"tiny_full", 1, 1, 100, kUnknown},
        // a rate with no magnitude is unreadable: the battery's own estimate is used instead
        PowerCase{"most_negative_rate", 0, 1, 72, 7200}),
    [](const testing::TestParamInfo<PowerCase>& info) { return std::string(info.param.name); });

TEST(PowerSource, MissingRootReadsAsAMachineWithoutBattery) {
    const LinuxPowerSource source("/nonexistent/vexlin-root");
    const PowerStatus status = source.read();
    EXPECT_EQ(status.ACLineStatus, PowerStatus::kAcOnline);
    EXPECT_EQ(status.BatteryFlag, PowerStatus::kFlagNoBattery);
    EXPECT_EQ(status.BatteryLifePercent, 255);
}

} // namespace
