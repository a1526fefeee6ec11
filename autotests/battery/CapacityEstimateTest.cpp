#include "battery/CapacityEstimate.h"

#include <cmath>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace vexlin::battery {
namespace {

// A recorded discharge: one line a second of seconds,status,mains,capacity,energy_now,power_now.
std::vector<GaugeReading> replay(const std::string& name) {
    std::ifstream in(std::string(VEXLIN_FIXTURES) + "/discharge/" + name);
    EXPECT_TRUE(in) << name;
    std::vector<GaugeReading> readings;
    std::string line;
    std::getline(in, line); // heading
    while (std::getline(in, line)) {
        std::stringstream fields(line);
        std::string seconds, status, mains, percent, energy, power;
        std::getline(fields, seconds, ',');
        std::getline(fields, status, ',');
        std::getline(fields, mains, ',');
        std::getline(fields, percent, ',');
        std::getline(fields, energy, ',');
        std::getline(fields, power, ',');
        GaugeReading reading;
        reading.seconds = std::stod(seconds);
        reading.discharging = status == "Discharging";
        reading.percent = std::stoi(percent);
        reading.remaining = std::stod(energy);
        reading.rate = std::stod(power);
        readings.push_back(reading);
    }
    return readings;
}

CapacityEstimate fold(const std::vector<GaugeReading>& readings, bool percentFromCounter = false) {
    CapacityEstimate estimate(percentFromCounter);
    for (const auto& reading : readings) {
        estimate.add(reading);
    }
    return estimate;
}

struct ReplayRow {
    const char* name;
    const char* file;
    bool counterUsed; // the counter is compared as a sensor of its own
    bool agree;
    double disagreement; // share of the larger figure, where they disagree
};

class DischargeReplay : public testing::TestWithParam<ReplayRow> {};

// Every recorded pack claims 50 Wh full.
TEST_P(DischargeReplay, ComparesPercentCounterAndDrain) {
    const auto& row = GetParam();
    const auto result = fold(replay(row.file)).result();
    ASSERT_TRUE(result.has_value());
    EXPECT_GE(result->dropPoints, CapacityEstimate::kMinDropPoints);
    EXPECT_EQ(result->counter.has_value(), row.counterUsed);
    ASSERT_TRUE(result->rate.has_value());
    const auto comparison = compareSensors(*result, 50e6);
    ASSERT_TRUE(comparison.has_value());
    EXPECT_TRUE(comparison->compared);
    EXPECT_EQ(comparison->agree, row.agree);
    EXPECT_NEAR(comparison->disagreement, row.disagreement, 0.05);
}

INSTANTIATE_TEST_SUITE_P(
    Replays, DischargeReplay,
    testing::Values(ReplayRow{"steady", "steady.csv", true, true, 0.0},
                    ReplayRow{"coarse_counter", "coarse.csv", true, true, 0.0},
                    // The percent falls as if the pack held 30 Wh while counter and drain say 50: the
                    // sensors disagree, which says nothing of which one is right.
                    ReplayRow{"percent_faster_than_counter", "weak.csv", true, false, 0.4},
                    // The counter jumps up in the middle of the run: only percent and drain are compared.
                    ReplayRow{"rewritten_counter", "rewritten.csv", false, true, 0.0},
                    // A minute on mains in the middle: two stretches, added.
                    ReplayRow{"paused_by_mains", "paused.csv", true, true, 0.0}),
    [](const testing::TestParamInfo<ReplayRow>& info) { return std::string(info.param.name); });

// A synthetic drain: `seconds` readings of a pack whose cells hold `realCapacity` (battery units) drained at
// `rate` units an hour, its percent falling with the real contents; the counter is what `counterOf` makes
// of the real contents and the percent.
struct Drain {
    int seconds = 1200;
    double realCapacity = 50e6;
    double start = 40.1e6; // 80.2 %: the first change comes after 36 s
    double rate = 10e6;
    double rateBias = 0;   // the reported rate's error: 0.03 reads 3 % high
    double claimed = 50e6; // the gauge's full figure
    bool reportPercent = true;
    bool reportRate = true;
    std::function<std::optional<double>(double real, int percent)> counterOf = [](double real, int) {
        return std::optional<double>(std::round(real / 1e4) * 1e4);
    };
    std::function<bool(int t)> discharging = [](int) { return true; };
    std::function<double(int t)> clock = [](int t) { return static_cast<double>(t); };
};

std::vector<GaugeReading> synthetic(const Drain& drain) {
    std::vector<GaugeReading> readings;
    double real = drain.start;
    for (int t = 0; t < drain.seconds; ++t) {
        GaugeReading reading;
        reading.seconds = drain.clock(t);
        reading.discharging = drain.discharging(t);
        if (t > 0 && reading.discharging) {
            real -= drain.rate * (reading.seconds - readings.back().seconds) / 3600.0;
        }
        const int percent = static_cast<int>(std::floor(real / drain.realCapacity * 100.0));
        reading.percent = drain.reportPercent ? std::optional<int>(percent) : std::nullopt;
        reading.remaining = drain.counterOf(real, percent);
        reading.rate =
            drain.reportRate ? std::optional<double>(drain.rate * (1 + drain.rateBias)) : std::nullopt;
        readings.push_back(reading);
    }
    return readings;
}

struct SyntheticRow {
    const char* name;
    Drain drain;
    bool percentFromCounter;
    bool result;               // enough of a drop to compare anything
    bool counterUsed;          // ... with the counter as a sensor of its own
    std::optional<bool> agree; // nothing where no two sensors can be set side by side
    double disagreement = 0;   // where they disagree
};

class SyntheticDrain : public testing::TestWithParam<SyntheticRow> {};

TEST_P(SyntheticDrain, ComparesOnlyWhatCanBeCompared) {
    const auto& row = GetParam();
    const auto result = fold(synthetic(row.drain), row.percentFromCounter).result();
    ASSERT_EQ(result.has_value(), row.result);
    if (!result) {
        return;
    }
    EXPECT_EQ(result->counter.has_value(), row.counterUsed);
    const auto comparison = compareSensors(*result, row.drain.claimed);
    ASSERT_TRUE(comparison.has_value());
    ASSERT_EQ(comparison->compared, row.agree.has_value());
    if (row.agree) {
        EXPECT_EQ(comparison->agree, *row.agree);
        EXPECT_NEAR(comparison->disagreement, row.disagreement, 0.02);
    }
}

Drain withSeconds(int seconds) {
    Drain drain;
    drain.seconds = seconds;
    return drain;
}

Drain chargeUnits() {
    Drain drain; // µAh and µA: 4680 mAh drawn at 1.2 A
    drain.realCapacity = 4680e3;
    drain.start = 3900e3;
    drain.rate = 1200e3;
    drain.claimed = 4680e3;
    drain.counterOf = [](double real, int) { return std::optional<double>(std::round(real / 1e3) * 1e3); };
    return drain;
}

Drain counterFromPercent() {
    Drain drain; // a gauge that makes its counter up from its percent and a 50 Wh claim; the cells hold 30
    drain.realCapacity = 30e6;
    drain.start = 24.1e6;
    drain.counterOf = [](double, int percent) { return std::optional<double>(percent * 0.5e6); };
    return drain;
}

Drain noPercentNoRate() {
    Drain drain;
    drain.reportRate = false;
    return drain;
}

Drain withGapAfter(int second, double gap) {
    Drain drain;
    drain.seconds = 2400;
    drain.clock = [second, gap](int t) { return t < second ? t : t + gap; };
    return drain;
}

Drain rateOff(double bias) {
    Drain drain = withSeconds(1440);
    drain.rateBias = bias;
    return drain;
}

Drain onMainsThroughout() {
    Drain drain;
    drain.discharging = [](int) { return false; };
    return drain;
}

Drain frozenCounter() {
    Drain drain; // the counter never moves and there is no rate: nothing to measure the energy with
    drain.reportRate = false;
    drain.counterOf = [](double, int) { return std::optional<double>(40e6); };
    return drain;
}

INSTANTIATE_TEST_SUITE_P(
    Series, SyntheticDrain,
    testing::Values(
        // 10 W for 1440 s draws 4 Wh, eight points of 50 Wh
        SyntheticRow{"steady_drain", withSeconds(1440), false, true, true, true},
        // four whole points between the first and the last change are not yet enough: 0.5 Wh a point at
        // 10 W takes 180 s, and the first change comes after 36 s
        SyntheticRow{"four_points_are_too_few", withSeconds(36 + 4 * 180 + 60), false, false, false, {}},
        SyntheticRow{"five_points_suffice", withSeconds(36 + 5 * 180 + 60), false, true, true, true},
        SyntheticRow{"charge_units", chargeUnits(), false, true, true, true},
        // Embedded controllers report rates several per cent off: 3 % is no disagreement, 12 % is.
        SyntheticRow{"rate_three_percent_high", rateOff(0.03), false, true, true, true},
        SyntheticRow{"rate_twelve_percent_high", rateOff(0.12), false, true, true, false, 0.107},
        // A counter made up from the percent and a 50 Wh claim agrees with the percent; the drain of cells
        // that hold 30 Wh does not.
        SyntheticRow{"counter_made_up_from_percent", counterFromPercent(), false, true, true, false, 0.4},
        // The percent computed from the counter: the counter says nothing of its own.
        SyntheticRow{"percent_from_counter", withSeconds(1440), true, true, false, true},
        SyntheticRow{"percent_from_counter_without_rate", noPercentNoRate(), true, true, false, {}},
        // A minute without readings (a suspended machine, a blocked window) splits the run in two.
        SyntheticRow{"gap_splits_the_run", withGapAfter(1200, 60), false, true, true, true},
        SyntheticRow{"on_mains_throughout", onMainsThroughout(), false, false, false, {}},
        SyntheticRow{"frozen_counter_without_rate", frozenCounter(), false, true, false, {}}),
    [](const testing::TestParamInfo<SyntheticRow>& info) { return std::string(info.param.name); });

TEST(CapacityEstimate, UncertaintyShrinksAsTheDropGrows) {
    const auto shorter = fold(synthetic(withSeconds(1200))).result();
    const auto longer = fold(synthetic(withSeconds(3600))).result();
    ASSERT_TRUE(shorter && longer);
    ASSERT_TRUE(shorter->counter && longer->counter);
    EXPECT_GT(longer->dropPoints, shorter->dropPoints);
    EXPECT_LT(longer->counter->uncertainty / longer->counter->amount,
              shorter->counter->uncertainty / shorter->counter->amount);
}

// The counter jumps up after the last change of the percent: the measured stretch before it still stands,
// until the next change takes that jump in.
TEST(CapacityEstimate, CounterRewrittenAfterTheLastChangeSpoilsOnlyWhatFollows) {
    auto readings = synthetic(withSeconds(1440));
    GaugeReading rewritten = readings.back();
    rewritten.seconds += 1;
    *rewritten.remaining += 1e6;
    readings.push_back(rewritten);
    const auto before = fold(readings).result();
    ASSERT_TRUE(before.has_value());
    EXPECT_TRUE(before->counter.has_value());

    GaugeReading nextChange = rewritten;
    nextChange.seconds += 1;
    *nextChange.percent -= 1;
    readings.push_back(nextChange);
    const auto after = fold(readings).result();
    ASSERT_TRUE(after.has_value());
    EXPECT_FALSE(after->counter.has_value());
    EXPECT_TRUE(after->rate.has_value());
}

TEST(CapacityEstimate, ProgressCountsWholePointsBetweenChanges) {
    CapacityEstimate estimate;
    EXPECT_FALSE(estimate.sawDischarge());
    const auto readings = synthetic(withSeconds(36 + 2 * 180 + 10));
    for (const auto& reading : readings) {
        estimate.add(reading);
    }
    EXPECT_TRUE(estimate.sawDischarge());
    EXPECT_EQ(estimate.dropPoints(), 2);
}

} // namespace
} // namespace vexlin::battery
