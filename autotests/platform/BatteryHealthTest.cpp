#include "platform/linux/LinuxBatteryHealth.h"

#include <gtest/gtest.h>

using vexlin::platform::BatteryFacts;
using vexlin::platform::BatterySnapshot;
using vexlin::platform::linux_impl::LinuxBatteryHealth;

namespace {

using Units = BatteryFacts::Units;
using Status = BatteryFacts::Status;
using std::nullopt;

BatterySnapshot readTree(const std::string& name) {
    return LinuxBatteryHealth(std::string(VEXLIN_FIXTURES) + "/battery/" + name).read();
}

BatteryFacts worn() {
    BatteryFacts f;
    f.name = "BAT0";
    f.manufacturer = "SANYO";
    f.model = "45N1025";
    f.serial = "1234";
    f.technology = "Li-ion";
    f.units = Units::Energy;
    f.designFull = 52000000;
    f.full = 35880000;
    f.now = 30000000;
    f.rate = 9500000;
    f.voltageMinDesign = 11100000;
    f.voltageNow = 11800000;
    f.cycleCount = 412;
    f.capacityPercent = 84;
    f.status = Status::Discharging;
    return f;
}

BatteryFacts chargeOnly() {
    BatteryFacts f;
    f.name = "BAT1";
    f.manufacturer = "LGC";
    f.model = "L16M2PB1";
    f.technology = "Li-poly";
    f.units = Units::Charge;
    f.designFull = 5200000;
    f.full = 4680000;
    f.now = 2340000;
    f.rate = 1200000; // written as -1200000
    f.voltageMinDesign = 11100000;
    f.voltageNow = 11400000;
    f.cycleCount = nullopt; // written as 0
    f.capacityPercent = 50;
    f.status = Status::Charging;
    return f;
}

BatteryFacts newPack() {
    BatteryFacts f;
    f.name = "BAT0";
    f.manufacturer = "Celxpert";
    f.model = "5B10W13975";
    f.serial = "0815";
    f.technology = "Li-ion";
    f.designFull = 45000000;
    f.full = 46200000;
    f.now = 46200000;
    f.rate = 0;
    f.voltageMinDesign = 15400000;
    f.voltageNow = 17300000;
    f.cycleCount = 3;
    f.capacityPercent = 100;
    f.status = Status::Full;
    return f;
}

BatteryFacts pair(int which) {
    BatteryFacts f;
    f.technology = "Li-ion";
    f.voltageMinDesign = 11400000;
    if (which == 0) {
        f.name = "BAT0";
        f.manufacturer = "SMP";
        f.model = "00HW023";
        f.designFull = 23200000;
        f.full = 20000000;
        f.now = 15000000;
        f.rate = 6000000;
        f.cycleCount = 150;
        f.capacityPercent = 75;
        f.status = Status::Discharging;
    } else {
        f.name = "BAT1";
        f.manufacturer = "SONY";
        f.model = "01AV405";
        f.designFull = 24000000;
        f.full = 12000000;
        f.now = 11000000;
        f.rate = 0;
        f.cycleCount = 900;
        f.capacityPercent = 92;
        f.status = Status::Unknown;
    }
    return f;
}

// Every number is garbage, out of range or too large for the record: nothing of it is kept; the
// manufacturer loses its control characters, and its byte that is not UTF-8 becomes U+FFFD.
BatteryFacts garbage() {
    BatteryFacts f;
    f.name = "BAT0";
    f.manufacturer = "ACME\xEF\xBF\xBD Power";
    f.units = Units::Energy;
    return f;
}

// A rate of the most negative 64-bit number has no magnitude: unreadable.
BatteryFacts mostNegativeRate() {
    BatteryFacts f;
    f.name = "BAT0";
    f.full = 50000000;
    f.now = 36000000;
    f.status = Status::Discharging;
    return f;
}

// Thresholds under thinkpad_acpi's own names only: the stop threshold is read from charge_stop_threshold.
BatteryFacts stopThresholdOnly() {
    BatteryFacts f;
    f.name = "BAT0";
    f.manufacturer = "SANYO";
    f.model = "45N1041";
    f.technology = "Li-ion";
    f.designFull = 45280000;
    f.full = 46590000;
    f.now = 23600000;
    f.rate = 5156000;
    f.capacityPercent = 61;
    f.status = Status::Discharging;
    f.chargeEndThreshold = 80;
    return f;
}

struct TreeRow {
    const char* name;
    BatterySnapshot expected;
};

class BatteryHealthTree : public testing::TestWithParam<TreeRow> {};

TEST_P(BatteryHealthTree, ReadsEachBatteryFieldByField) {
    const auto& row = GetParam();
    const BatterySnapshot snapshot = readTree(row.name);
    EXPECT_EQ(snapshot.mainsOnline, row.expected.mainsOnline);
    ASSERT_EQ(snapshot.batteries.size(), row.expected.batteries.size());
    for (std::size_t i = 0; i < snapshot.batteries.size(); ++i) {
        const auto& got = snapshot.batteries[i];
        const auto& want = row.expected.batteries[i];
        SCOPED_TRACE(want.name);
        EXPECT_EQ(got.name, want.name);
        EXPECT_EQ(got.manufacturer, want.manufacturer);
        EXPECT_EQ(got.model, want.model);
        EXPECT_EQ(got.serial, want.serial);
        EXPECT_EQ(got.technology, want.technology);
        EXPECT_EQ(got.units, want.units);
        EXPECT_EQ(got.designFull, want.designFull);
        EXPECT_EQ(got.full, want.full);
        EXPECT_EQ(got.now, want.now);
        EXPECT_EQ(got.rate, want.rate);
        EXPECT_EQ(got.voltageMinDesign, want.voltageMinDesign);
        EXPECT_EQ(got.voltageNow, want.voltageNow);
        EXPECT_EQ(got.cycleCount, want.cycleCount);
        EXPECT_EQ(got.capacityPercent, want.capacityPercent);
        EXPECT_EQ(got.status, want.status);
        EXPECT_EQ(got.chargeEndThreshold, want.chargeEndThreshold);
        EXPECT_EQ(got.chargeBehaviour, want.chargeBehaviour);
        EXPECT_EQ(got.silent, want.silent);
        EXPECT_EQ(got, want); // nothing left out of the comparisons above
    }
}

INSTANTIATE_TEST_SUITE_P(
    Trees, BatteryHealthTree,
    testing::Values(
        // The wireless mouse's battery (scope Device) is not the laptop's.
        TreeRow{"worn", {{worn()}, false}}, TreeRow{"charge", {{chargeOnly()}, true}},
        TreeRow{"new", {{newPack()}, true}}, TreeRow{"two", {{pair(0), pair(1)}, false}},
        TreeRow{"none", {{}, true}},
        // An unreadable "online" says nothing about the mains; the empty bay BAT2 is left out.
        TreeRow{"garbage", {{garbage()}, nullopt}},
        // No mains supply at all: the discharging battery says the machine runs on it.
        TreeRow{"most_negative_rate", {{mostNegativeRate()}, false}},
        TreeRow{"stop_threshold_only", {{stopThresholdOnly()}, false}}),
    [](const testing::TestParamInfo<TreeRow>& info) { return std::string(info.param.name); });

// The same rule as the power status: a machine that runs without a battery runs from the mains.
TEST(BatteryHealth, MissingRootReadsAsNoBatteryOnTheMains) {
    const auto snapshot = LinuxBatteryHealth("/nonexistent/vexlin-root").read();
    EXPECT_TRUE(snapshot.batteries.empty());
    EXPECT_EQ(snapshot.mainsOnline, true);
}

} // namespace
