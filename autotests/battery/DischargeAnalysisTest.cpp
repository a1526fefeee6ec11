#include "battery/DischargeAnalysis.h"

#include <gtest/gtest.h>
#include <vector>

namespace vexlin::battery {
namespace {

// A run of equal readings: `count` seconds at `percent`.
struct Run {
    std::uint8_t percent;
    int count;
};

DischargeAnalysis analyse(const std::vector<Run>& runs) {
    DischargeAnalysis analysis;
    analysis.start();
    for (const auto& run : runs) {
        for (int i = 0; i < run.count; ++i) {
            analysis.tick(run.percent);
        }
    }
    return analysis;
}

struct ScenarioRow {
    const char* name;
    std::vector<Run> readings;
    bool running;
    int drops;
    std::optional<std::int64_t> forecast;
    const char* text; // nullptr while still counting dots
};

class DischargeScenario : public testing::TestWithParam<ScenarioRow> {};

TEST_P(DischargeScenario, EndsOnlyAfterThreeDrops) {
    const auto& row = GetParam();
    const auto analysis = analyse(row.readings);
    EXPECT_EQ(analysis.running(), row.running);
    EXPECT_EQ(analysis.drops(), row.drops);
    EXPECT_EQ(analysis.forecastSeconds(), row.forecast);
    if (row.text != nullptr) {
        EXPECT_EQ(analysis.text(), row.text);
    } else {
        EXPECT_EQ(analysis.text().rfind("Идёт анализ ", 0), 0u) << analysis.text();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Battery, DischargeScenario,
    testing::Values(
        // 600 / 3 = 200 seconds a percent, times the 77 left.
        ScenarioRow{"three_single_drops_over_600_ticks_from_80",
                    {{80, 199}, {79, 200}, {78, 200}, {77, 1}},
                    false,
                    3,
                    15400,
                    "Осталось: 4:16 мин."},
        // 80 -> 70 is one drop; then 69 and 68: 31 / 12 = 2 seconds a percent, times 68.
        ScenarioRow{"fall_of_ten_in_one_tick_is_one_drop",
                    {{80, 10}, {70, 10}, {69, 10}, {68, 1}},
                    false,
                    3,
                    136,
                    "Осталось: 0:02 мин."},
        ScenarioRow{
            "two_large_falls_are_two_drops", {{80, 5}, {60, 5}, {40, 5}}, true, 2, std::nullopt, nullptr},
        // A reading back up and down again to the same low is no new drop.
        ScenarioRow{"noise_at_the_lowest_is_no_drop",
                    {{80, 10}, {79, 10}, {80, 10}, {79, 10}, {78, 10}, {77, 1}},
                    false,
                    3,
                    1309,
                    "Осталось: 0:21 мин."},
        ScenarioRow{"charging_never_ends",
                    {{50, 10}, {51, 10}, {52, 10}, {60, 2000}, {100, 2000}},
                    true,
                    0,
                    std::nullopt,
                    nullptr},
        ScenarioRow{"mains_at_full_never_ends", {{100, 5000}}, true, 0, std::nullopt, nullptr},
        ScenarioRow{"unknown_percent_never_ends", {{255, 5000}}, true, 0, std::nullopt, nullptr},
        // An unknown charge is no reading: the analysis starts at the first real percent (tick 11), so three
        // drops by tick 311 give 301 / 3 = 100 seconds a percent, times 77.
        ScenarioRow{"battery_appears_after_unknown",
                    {{255, 10}, {80, 100}, {79, 100}, {78, 100}, {77, 1}},
                    false,
                    3,
                    7700,
                    "Осталось: 2:08 мин."},
        ScenarioRow{"unknown_readings_between_drops_are_skipped",
                    {{80, 10}, {255, 10}, {79, 10}, {255, 10}, {78, 10}, {77, 1}},
                    false,
                    3,
                    51 / 3 * 77,
                    "Осталось: 0:21 мин."},
        ScenarioRow{"empty_at_the_end_forecasts_zero",
                    {{3, 1}, {2, 1}, {1, 1}, {0, 1}},
                    false,
                    3,
                    0,
                    "Осталось: 0:00 мин."}),
    [](const auto& info) { return std::string(info.param.name); });

struct DotsRow {
    const char* name;
    int ticks;
    int dots;
};

class ProgressDots : public testing::TestWithParam<DotsRow> {};

TEST_P(ProgressDots, AtMostEighteenThenStartOver) {
    const auto analysis = analyse({{50, GetParam().ticks}});
    EXPECT_EQ(analysis.text(), "Идёт анализ " + std::string(static_cast<std::size_t>(GetParam().dots), '.'));
}

INSTANTIATE_TEST_SUITE_P(
    Battery, ProgressDots,
    testing::Values(DotsRow{"pressed", 0, 0}, DotsRow{"one_tick", 1, 1}, DotsRow{"eighteen_ticks", 18, 18},
                    DotsRow{"nineteenth_resets", 19, 0}, DotsRow{"twentieth_starts_again", 20, 1},
                    DotsRow{"second_round_full", 37, 18}, DotsRow{"second_reset", 38, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DischargeAnalysis, ForecastOnTheNineteenthTickStays) {
    // The third drop falls on the tick that would wipe the dots.
    const auto analysis = analyse({{80, 16}, {79, 1}, {78, 1}, {77, 1}});
    EXPECT_FALSE(analysis.running());
    EXPECT_EQ(analysis.text(), "Осталось: 0:07 мин.");
}

TEST(DischargeAnalysis, PressingAgainStartsOver) {
    auto analysis = analyse({{80, 199}, {79, 200}, {78, 200}, {77, 1}});
    ASSERT_FALSE(analysis.running());
    analysis.tick(10); // the timer is off: a stray reading changes nothing
    EXPECT_EQ(analysis.text(), "Осталось: 4:16 мин.");

    analysis.start();
    EXPECT_TRUE(analysis.running());
    EXPECT_EQ(analysis.text(), "Идёт анализ ");
    EXPECT_EQ(analysis.drops(), 0);
    EXPECT_EQ(analysis.forecastSeconds(), std::nullopt);
    // The new run measures from its own first reading, not from the earlier 80 %.
    for (std::uint8_t p : {77, 77, 76, 75, 74}) {
        analysis.tick(p);
    }
    EXPECT_FALSE(analysis.running());
    EXPECT_EQ(analysis.forecastSeconds(), 5 / 3 * 74);
}

TEST(DischargeAnalysis, IdleBeforeTheButton) {
    DischargeAnalysis analysis;
    analysis.tick(80);
    analysis.tick(10);
    EXPECT_FALSE(analysis.running());
    EXPECT_EQ(analysis.text(), "");
    EXPECT_EQ(analysis.drops(), 0);
}

} // namespace
} // namespace vexlin::battery
