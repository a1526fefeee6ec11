#include "audio/Polyline.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace vexlin::audio {
namespace {

constexpr std::uint32_t kInk = 0xFF000000u;
constexpr std::uint32_t kPaper = 0xFFC0C0C0u;
constexpr int kWidth = 8;
constexpr int kHeight = 6;
constexpr int kStride = 10; // two padding pixels a row that must never be touched

using Pixels = std::vector<std::pair<int, int>>;

struct LineRow {
    std::string name;
    std::vector<WavePoint> points;
    Pixels expected; // (x, y), sorted by y then x
};

Pixels inked(const std::vector<std::uint32_t>& memory) {
    Pixels found;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kStride; ++x) {
            if (memory[static_cast<std::size_t>(y * kStride + x)] == kInk) {
                found.emplace_back(x, y);
            }
        }
    }
    return found;
}

class PolylineTest : public testing::TestWithParam<LineRow> {};

TEST_P(PolylineTest, InksExactlyTheseSquares) {
    std::vector<std::uint32_t> memory(kStride * kHeight, kPaper);
    const PixelView view{memory, kWidth, kHeight, kStride};
    ASSERT_TRUE(drawPolyline(view, GetParam().points, kInk));
    Pixels expected = GetParam().expected;
    std::sort(expected.begin(), expected.end(),
              [](auto a, auto b) { return std::pair(a.second, a.first) < std::pair(b.second, b.first); });
    EXPECT_EQ(inked(memory), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PolylineTest,
    testing::Values(
        LineRow{"HorizontalLeavesOutItsEnd", {{0, 2}, {4, 2}}, {{0, 2}, {1, 2}, {2, 2}, {3, 2}}},
        LineRow{"Vertical", {{1, 0}, {1, 3}}, {{1, 0}, {1, 1}, {1, 2}}},
        LineRow{"Diagonal", {{0, 0}, {3, 3}}, {{0, 0}, {1, 1}, {2, 2}}},
        LineRow{"RightToLeft", {{3, 1}, {0, 1}}, {{3, 1}, {2, 1}, {1, 1}}},
        LineRow{"BottomToTop", {{5, 4}, {5, 1}}, {{5, 4}, {5, 3}, {5, 2}}},
        // y = x / 3: 0, 0.33, 0.67 -> rows 0, 0, 1
        LineRow{"ShallowSlopeFollowsTheNearestRow", {{0, 0}, {3, 1}}, {{0, 0}, {1, 0}, {2, 1}}},
        // x = y / 3 the other way round
        LineRow{"SteepSlopeFollowsTheNearestColumn", {{0, 0}, {1, 3}}, {{0, 0}, {0, 1}, {1, 2}}},
        // The corner belongs to the second segment only; the final point is not drawn.
        LineRow{"JointOnceLastPointNever", {{0, 0}, {2, 0}, {2, 2}}, {{0, 0}, {1, 0}, {2, 0}, {2, 1}}},
        LineRow{"RepeatedPointDrawsNothingExtra", {{1, 1}, {1, 1}, {3, 1}}, {{1, 1}, {2, 1}}},
        LineRow{"ClippedOnTheLeft", {{-2, 1}, {2, 1}}, {{0, 1}, {1, 1}}},
        // A waveform's last points can sit one past the box (x = width, y = height): never in the padding.
        LineRow{"ClippedOnTheRightAndBottom", {{6, 5}, {9, 5}, {9, 7}}, {{6, 5}, {7, 5}}},
        LineRow{"SinglePointDrawsNothing", {{3, 3}}, {}}, LineRow{"NoPoints", {}, {}}),
    [](const auto& info) { return info.param.name; });

struct RefusalRow {
    std::string name;
    std::size_t memoryPixels;
    int width;
    int height;
    std::ptrdiff_t stride;
    std::vector<WavePoint> points;
};

class PolylineRefusalTest : public testing::TestWithParam<RefusalRow> {};

TEST_P(PolylineRefusalTest, DrawsNothing) {
    const RefusalRow& row = GetParam();
    std::vector<std::uint32_t> memory(row.memoryPixels, kPaper);
    EXPECT_FALSE(drawPolyline({memory, row.width, row.height, row.stride}, row.points, kInk));
    EXPECT_TRUE(std::all_of(memory.begin(), memory.end(), [](auto p) { return p == kPaper; }));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PolylineRefusalTest,
    testing::Values(
        // 9 * 5 + 8 = 53 pixels needed for the last row to end.
        RefusalRow{"MemoryOnePixelShort", 52, kWidth, kHeight, 9, {{0, 0}, {7, 5}}},
        RefusalRow{"StrideNarrowerThanARow", 100, kWidth, kHeight, 7, {{0, 0}, {7, 5}}},
        RefusalRow{"EmptyPicture", 100, 0, kHeight, 8, {{0, 0}, {1, 1}}},
        RefusalRow{"PointFarOutside", 100, kWidth, kHeight, kWidth, {{0, 0}, {3, 1000000}}},
        RefusalRow{"PointFarOutsideNegative", 100, kWidth, kHeight, kWidth, {{-17, 0}, {3, 1}}}),
    [](const auto& info) { return info.param.name; });

TEST(Polyline, ExactFitMemoryIsEnough) {
    std::vector<std::uint32_t> memory(9 * 5 + 8, kPaper);
    ASSERT_TRUE(drawPolyline({memory, kWidth, kHeight, 9}, std::vector<WavePoint>{{6, 5}, {8, 5}}, kInk));
    EXPECT_EQ(memory[9 * 5 + 7], kInk);
}

} // namespace
} // namespace vexlin::audio
