#include "battery/ChargeHistory.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <stdexcept>

namespace vexlin::battery {
namespace {

ChargeHistory historyOf(int count, const std::function<std::uint8_t(int)>& percentAt) {
    ChargeHistory history;
    for (int x = 0; x < count; ++x) {
        history.append({x, percentAt(x)});
    }
    return history;
}

struct DecimationRow {
    const char* name;
    int count;
    std::function<std::uint8_t(int)> percentAt;
    double xMin;
    double xMax;
    int columns;
};

class Decimation : public testing::TestWithParam<DecimationRow> {};

// The line through the drawn points must cover, in every pixel column, exactly the values of all points in
// that column, and start and end where all points do.
TEST_P(Decimation, DrawsTheSameLineAsAllPoints) {
    const auto& row = GetParam();
    const auto history = historyOf(row.count, row.percentAt);
    const auto drawn = history.pointsToDraw(row.xMin, row.xMax, row.columns);

    ASSERT_FALSE(drawn.empty());
    EXPECT_LE(drawn.size(), static_cast<std::size_t>(row.columns) * 4 + 2);
    EXPECT_TRUE(std::is_sorted(drawn.begin(), drawn.end(),
                               [](const DrawnPoint& a, const DrawnPoint& b) { return a.x < b.x; }));
    for (const auto& point : drawn) {
        ASSERT_EQ(point.y, row.percentAt(static_cast<int>(point.x))) << "a drawn point that is not stored";
    }

    const double width = (row.xMax - row.xMin) / row.columns;
    auto columnOf = [&](double x) {
        return std::clamp(static_cast<int>((x - row.xMin) / width), 0, row.columns - 1);
    };
    std::map<int, std::pair<double, double>> all;
    std::map<int, std::pair<double, double>> kept;
    auto widen = [](std::map<int, std::pair<double, double>>& ranges, int column, double y) {
        auto [it, inserted] = ranges.try_emplace(column, y, y);
        it->second.first = std::min(it->second.first, y);
        it->second.second = std::max(it->second.second, y);
    };
    double firstInside = -1;
    double lastInside = -1;
    for (std::size_t i = 0; i < history.size(); ++i) {
        const double x = history.at(i).x;
        if (x >= row.xMin && x <= row.xMax) {
            widen(all, columnOf(x), history.at(i).y);
            firstInside = firstInside < 0 ? x : firstInside;
            lastInside = x;
        }
    }
    for (const auto& point : drawn) {
        if (point.x >= row.xMin && point.x <= row.xMax) {
            widen(kept, columnOf(point.x), point.y);
        }
    }
    EXPECT_EQ(kept, all);
    // The points just outside the view are kept so the line reaches both edges.
    EXPECT_EQ(drawn.front().x, std::max(0.0, firstInside - 1));
    EXPECT_EQ(drawn.back().x, std::min(double(row.count - 1), lastInside + 1));
}

std::uint8_t noise(int x) {
    // Deterministic, irregular values 60..80.
    return static_cast<std::uint8_t>(60 + (x * 7919 + (x / 13) * 31) % 21);
}

INSTANTIATE_TEST_SUITE_P(
    Battery, Decimation,
    testing::Values(DecimationRow{"day_of_steady_discharge", 86400,
                                  [](int x) { return std::uint8_t(100 - x / 900); }, 0, 86399, 600},
                    DecimationRow{"flat_line", 86400, [](int) { return std::uint8_t(255); }, 0, 86399, 600},
                    DecimationRow{"noise", 20000, noise, 0, 19999, 300},
                    DecimationRow{"single_spikes_survive", 50000,
                                  [](int x) { return std::uint8_t(x % 997 == 0 ? 255 : 50); }, 0, 49999, 200},
                    DecimationRow{"zoomed_inside", 86400, noise, 40000.5, 41999.5, 300},
                    DecimationRow{"few_points_kept_as_they_are", 100, noise, 0, 99, 600},
                    DecimationRow{"zoomed_to_a_few_points", 86400, noise, 500, 520, 600},
                    DecimationRow{"one_column", 5000, noise, 0, 4999, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChargeHistory, FewPointsComeBackUnchanged) {
    const auto history = historyOf(10, noise);
    const auto drawn = history.pointsToDraw(0, 9, 600);
    ASSERT_EQ(drawn.size(), 10u);
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(drawn[static_cast<std::size_t>(x)], (DrawnPoint{double(x), double(noise(x))}));
    }
}

TEST(ChargeHistory, EmptyOrInvertedRangeDrawsNothing) {
    EXPECT_TRUE(ChargeHistory().pointsToDraw(0, 10, 100).empty());
    EXPECT_TRUE(historyOf(10, noise).pointsToDraw(5, 4, 100).empty());
}

TEST(ChargeHistory, RangeBetweenTwoPointsKeepsBoth) {
    ChargeHistory history;
    history.append({0, 80});
    history.append({10, 70});
    const auto drawn = history.pointsToDraw(3, 4, 100);
    EXPECT_EQ(drawn, (std::vector<DrawnPoint>{{0, 80}, {10, 70}}));
}

TEST(ChargeHistory, RefusesAPointOutOfOrder) {
    ChargeHistory history;
    history.append({5, 80});
    EXPECT_THROW(history.append({5, 79}), std::invalid_argument);
    EXPECT_THROW(history.append({4, 79}), std::invalid_argument);
    EXPECT_EQ(history.size(), 1u);
}

TEST(ChargeHistory, LabelIsTheElapsedTimeOfThePoint) {
    ChargeHistory history;
    history.append({0, 255});
    history.append({3725, 255});
    EXPECT_EQ(history.label(0), "0:00:00");
    EXPECT_EQ(history.label(1), "1:02:05");
    EXPECT_THROW((void)history.label(2), std::out_of_range);
}

struct LabelRow {
    const char* name;
    double xMin;
    double xMax;
    int maxLabels;
    std::vector<std::int32_t> positions;
};

class AxisLabels : public testing::TestWithParam<LabelRow> {};

TEST_P(AxisLabels, ReadableStepsWithinTheRange) {
    EXPECT_EQ(axisLabelPositions(GetParam().xMin, GetParam().xMax, GetParam().maxLabels),
              GetParam().positions);
}

INSTANTIATE_TEST_SUITE_P(
    Battery, AxisLabels,
    testing::Values(LabelRow{"first_tick", 0, 1, 8, {0, 1}}, LabelRow{"single_value", 7, 7, 8, {7}},
                    LabelRow{"minute", 0, 60, 8, {0, 10, 20, 30, 40, 50, 60}},
                    LabelRow{"hour_and_a_bit", 0, 3725, 8, {0, 600, 1200, 1800, 2400, 3000, 3600}},
                    LabelRow{"zoomed_not_from_a_multiple", 95.5, 130, 8, {100, 105, 110, 115, 120, 125, 130}},
                    LabelRow{
                        "a_day", 0, 86400, 10, {0, 10800, 21600, 32400, 43200, 54000, 64800, 75600, 86400}},
                    LabelRow{"inverted", 10, 5, 8, {}}, LabelRow{"no_room", 0, 100, 0, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AxisLabels, LongRunsStepInWholeDays) {
    const auto positions = axisLabelPositions(0, 30.0 * 86400, 6);
    ASSERT_FALSE(positions.empty());
    EXPECT_LE(positions.size(), 6u);
    const auto step = positions.size() > 1 ? positions[1] - positions[0] : 86400;
    EXPECT_EQ(step % 86400, 0);
}

} // namespace
} // namespace vexlin::battery
