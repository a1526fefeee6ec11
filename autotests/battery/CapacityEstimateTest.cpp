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

using Source = CapacityEstimate::Source;

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
    double realCapacityWh; // what the cells of the recorded pack really held
    Source source;
    double maxRelativeUncertainty;
};

class DischargeReplay : public testing::TestWithParam<ReplayRow> {};

TEST_P(DischargeReplay, FindsTheRealCapacityWithinItsUncertainty) {
    const auto& row = GetParam();
    const auto estimate = fold(replay(row.file));
    const auto result = estimate.result();
    ASSERT_TRUE(result.has_value());
    const double capacityWh = result->capacity * 1e-6;
    const double uncertaintyWh = result->uncertainty * 1e-6;
    EXPECT_EQ(result->source, row.source);
    EXPECT_GE(result->dropPoints, CapacityEstimate::kMinDropPoints);
    EXPECT_GT(uncertaintyWh, 0.0);
    EXPECT_NEAR(capacityWh, row.realCapacityWh, uncertaintyWh)
        << "± " << uncertaintyWh << " over " << result->dropPoints << " points";
    EXPECT_LT(uncertaintyWh / capacityWh, row.maxRelativeUncertainty);
}

INSTANTIATE_TEST_SUITE_P(
    Replays, DischargeReplay,
    testing::Values(
        // A fine counter (10 mWh) wins over the rate, whose accuracy is 1 %.
        ReplayRow{"steady", "steady.csv", 50.0, Source::Counter, 0.10},
        // 0.5 Wh steps are coarser than integrating the drain.
        ReplayRow{"coarse_counter", "coarse.csv", 50.0, Source::RateIntegral, 0.10},
        // The gauge claims 50 Wh; what its percent does with the energy drawn says 30.
        ReplayRow{"weak_pack", "weak.csv", 30.0, Source::Counter, 0.12},
        // The counter jumps up in the middle of the run: only the drain can be trusted.
        ReplayRow{"rewritten_counter", "rewritten.csv", 50.0, Source::RateIntegral, 0.10},
        // A minute on mains in the middle: two stretches, added.
        ReplayRow{"paused_by_mains", "paused.csv", 50.0, Source::Counter, 0.15}),
    [](const testing::TestParamInfo<ReplayRow>& info) { return std::string(info.param.name); });

// A synthetic drain: `seconds` readings of a pack whose cells hold `realCapacity` (battery units) drained at
// `rate` units an hour, its percent falling with the real contents; the counter is what `counterOf` makes
// of the real contents and the percent.
struct Drain {
    int seconds = 1200;
    double realCapacity = 50e6;
    double start = 40.1e6; // 80.2 %: the first change comes after 36 s
    double rate = 10e6;
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
        reading.rate = drain.reportRate ? std::optional<double>(drain.rate) : std::nullopt;
        readings.push_back(reading);
    }
    return readings;
}

struct SyntheticRow {
    const char* name;
    Drain drain;
    bool percentFromCounter;
    std::optional<double> expectedCapacity; // battery units; nothing where no result may be given
    std::optional<Source> source;
};

class SyntheticDrain : public testing::TestWithParam<SyntheticRow> {};

TEST_P(SyntheticDrain, GivesTheCapacityOnlyWhenItCanJudgeIt) {
    const auto& row = GetParam();
    const auto result = fold(synthetic(row.drain), row.percentFromCounter).result();
    ASSERT_EQ(result.has_value(), row.expectedCapacity.has_value());
    if (result) {
        EXPECT_NEAR(result->capacity, *row.expectedCapacity, result->uncertainty);
        EXPECT_EQ(result->source, *row.source);
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
        SyntheticRow{"steady_drain", withSeconds(1440), false, 50e6, Source::Counter},
        // four whole points between the first and the last change are not yet enough: 0.5 Wh a point at
        // 10 W takes 180 s, and the first change comes after 36 s
        SyntheticRow{"four_points_are_too_few", withSeconds(36 + 4 * 180 + 60), false, std::nullopt, {}},
        SyntheticRow{"five_points_suffice", withSeconds(36 + 5 * 180 + 60), false, 50e6, Source::Counter},
        SyntheticRow{"charge_units", chargeUnits(), false, 4680e3, Source::Counter},
        SyntheticRow{"counter_made_up_from_percent", counterFromPercent(), false, 30e6, Source::RateIntegral},
        // The percent computed from the counter would give the claim back: the drain is used.
        SyntheticRow{"percent_from_counter", withSeconds(1440), true, 50e6, Source::RateIntegral},
        SyntheticRow{"percent_from_counter_without_rate", noPercentNoRate(), true, std::nullopt, {}},
        // A minute without readings (a suspended machine, a blocked window) splits the run in two.
        SyntheticRow{"gap_splits_the_run", withGapAfter(1200, 60), false, 50e6, Source::Counter},
        SyntheticRow{"on_mains_throughout", onMainsThroughout(), false, std::nullopt, {}},
        SyntheticRow{"frozen_counter_without_rate", frozenCounter(), false, std::nullopt, {}}),
    [](const testing::TestParamInfo<SyntheticRow>& info) { return std::string(info.param.name); });

TEST(CapacityEstimate, UncertaintyShrinksAsTheDropGrows) {
    const auto shorter = fold(synthetic(withSeconds(1200))).result();
    const auto longer = fold(synthetic(withSeconds(3600))).result();
    ASSERT_TRUE(shorter && longer);
    EXPECT_GT(longer->dropPoints, shorter->dropPoints);
    EXPECT_LT(longer->uncertainty, shorter->uncertainty);
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
    EXPECT_EQ(before->source, Source::Counter);

    GaugeReading nextChange = rewritten;
    nextChange.seconds += 1;
    *nextChange.percent -= 1;
    readings.push_back(nextChange);
    const auto after = fold(readings).result();
    ASSERT_TRUE(after.has_value());
    EXPECT_EQ(after->source, Source::RateIntegral);
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
