#include "audio/PcmLoop.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace vexlin::audio {
namespace {

// Frames (1, -1), (2, -2), (3, -3).
PcmLoop threeFrames() {
    return PcmLoop({1, -1, 2, -2, 3, -3});
}

TEST(PcmLoop, WrapsRoundTheEnd) {
    PcmLoop loop = threeFrames();
    std::vector<std::int16_t> out(14);
    EXPECT_EQ(loop.read(out), 7u);
    EXPECT_EQ(out, (std::vector<std::int16_t>{1, -1, 2, -2, 3, -3, 1, -1, 2, -2, 3, -3, 1, -1}));
    EXPECT_EQ(loop.loopsCompleted(), 2u);
    EXPECT_EQ(loop.position(), 1u);
}

TEST(PcmLoop, ContinuesWhereTheLastReadStopped) {
    PcmLoop loop = threeFrames();
    std::vector<std::int16_t> first(4);
    std::vector<std::int16_t> second(4);
    loop.read(first);
    loop.read(second);
    EXPECT_EQ(second, (std::vector<std::int16_t>{3, -3, 1, -1}));
}

TEST(PcmLoop, RewindStartsAgain) {
    PcmLoop loop = threeFrames();
    std::vector<std::int16_t> out(8);
    loop.read(out);
    loop.rewind();
    EXPECT_EQ(loop.position(), 0u);
    EXPECT_EQ(loop.loopsCompleted(), 0u);
    std::vector<std::int16_t> again(2);
    loop.read(again);
    EXPECT_EQ(again, (std::vector<std::int16_t>{1, -1}));
}

TEST(PcmLoop, OddOutputLeavesTheLastSampleAlone) {
    PcmLoop loop = threeFrames();
    std::vector<std::int16_t> out(5, 99);
    EXPECT_EQ(loop.read(out), 2u);
    EXPECT_EQ(out[4], 99);
}

TEST(PcmLoop, EmptyTuneGivesNothing) {
    PcmLoop loop;
    std::vector<std::int16_t> out(4, 99);
    EXPECT_EQ(loop.read(out), 0u);
    EXPECT_EQ(out, (std::vector<std::int16_t>(4, 99)));
    PcmLoop half({5}); // a lone sample is no frame
    EXPECT_EQ(half.frames(), 0u);
    EXPECT_EQ(half.read(out), 0u);
}

struct GainRow {
    std::string name;
    ChannelGains gains;
    std::vector<std::int16_t> in;
    std::vector<std::int16_t> expected;
};

class PcmLoopGainTest : public testing::TestWithParam<GainRow> {};

TEST_P(PcmLoopGainTest, ScalesEachChannelOnItsOwn) {
    const GainRow& row = GetParam();
    PcmLoop loop(row.in);
    loop.setGains(row.gains);
    std::vector<std::int16_t> out(row.in.size());
    loop.read(out);
    EXPECT_EQ(out, row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PcmLoopGainTest,
    testing::Values(GainRow{"FullIsUntouched", {1.0, 1.0}, {32767, -32768, 5, -5}, {32767, -32768, 5, -5}},
                    GainRow{"LeftFullRightQuarter",
                            {1.0, 0.25},
                            {1000, 1000, -32768, -32768},
                            {1000, 250, -32768, -8192}},
                    GainRow{"RightOnly", {0.0, 1.0}, {1234, 1234}, {0, 1234}},
                    // 3 * 0.5 = 1.5 -> 2, 5 * 0.5 = 2.5 -> 2, -3 * 0.5 = -1.5 -> -2
                    GainRow{"HalvesGoToEven", {0.5, 0.5}, {3, 5, -3, 1}, {2, 2, -2, 0}},
                    GainRow{"OutOfRangeGainsAreClamped", {2.0, -1.0}, {30000, 30000}, {30000, 0}},
                    GainRow{"NotANumberSilences",
                            {std::numeric_limits<double>::quiet_NaN(), 1.0},
                            {30000, 30000},
                            {0, 30000}}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace vexlin::audio
