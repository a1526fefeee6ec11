#include "audio/Waveform.h"

#include "audio/CaptureFormat.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vexlin::audio {
namespace {

std::vector<std::uint8_t> pcm16(const std::vector<int>& samples) {
    std::vector<std::uint8_t> bytes;
    for (int s : samples) {
        const auto u = static_cast<std::uint16_t>(static_cast<std::int16_t>(s));
        bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return bytes;
}

std::vector<std::uint8_t> pcm8(const std::vector<int>& samples) {
    std::vector<std::uint8_t> bytes;
    for (int s : samples) {
        bytes.push_back(static_cast<std::uint8_t>(s));
    }
    return bytes;
}

struct PointsRow {
    std::string name;
    bool sixteenBit;
    int width;
    int height;
    std::vector<int> samples;
    std::vector<WavePoint> expected;
};

class WaveformPointsTest : public testing::TestWithParam<PointsRow> {};

TEST_P(WaveformPointsTest, MapsSamplesIntoTheBox) {
    const PointsRow& row = GetParam();
    const auto bytes = row.sixteenBit ? pcm16(row.samples) : pcm8(row.samples);
    std::vector<WavePoint> points(row.samples.size());
    ASSERT_TRUE(waveformPoints(bytes, row.sixteenBit, row.width, row.height, points));
    EXPECT_EQ(points, row.expected);
}

// Expected values worked out by hand: 16-bit y = H/2 - s*H/65536, 8-bit y = H - b*H/256, x = i*W/N with the
// step in single precision; halves go to the even neighbour.
INSTANTIATE_TEST_SUITE_P(
    Rows, WaveformPointsTest,
    testing::Values(
        // 514 / 4 = 128.5: x = 0, 128.5 -> 128, 257, 385.5 -> 386
        PointsRow{"Silence16RunsThroughTheMiddle",
                  true,
                  514,
                  120,
                  {0, 0, 0, 0},
                  {{0, 60}, {128, 60}, {257, 60}, {386, 60}}},
        PointsRow{"Silence8RunsThroughTheMiddle",
                  false,
                  514,
                  120,
                  {128, 128, 128, 128},
                  {{0, 60}, {128, 60}, {257, 60}, {386, 60}}},
        // 60 - 32767 * 120 / 65536 = 0.0018 -> 0; 60 + 60 = 120
        PointsRow{"FullScale16ReachesTheEdges", true, 514, 120, {32767, -32768}, {{0, 0}, {257, 120}}},
        // 120 - 255 * 120 / 256 = 0.47 -> 0; 120 - 0 = 120
        PointsRow{"FullScale8ReachesTheEdges", false, 514, 120, {255, 0}, {{0, 0}, {257, 120}}},
        // H = 1: 0.5 -> 0.  H = 3: 1.5 -> 2.
        PointsRow{"HalfOnEvenSideStays16", true, 2, 1, {0, 0}, {{0, 0}, {1, 0}}},
        PointsRow{"HalfOnOddSideGoesUp16", true, 2, 3, {0, 0}, {{0, 2}, {1, 2}}},
        // H = 6: 3 - 1.5 = 1.5 -> 2; 3 + 1.5 = 4.5 -> 4
        PointsRow{"HalvesBothWays16", true, 2, 6, {16384, -16384}, {{0, 2}, {1, 4}}},
        // H = 2: 2 - 0.5 = 1.5 -> 2; 2 - 1.5 = 0.5 -> 0; 2 - 1 = 1
        PointsRow{"HalvesBothWays8", false, 3, 2, {64, 192, 128}, {{0, 2}, {1, 0}, {2, 1}}},
        // step 0.5: x1 = 0.5 -> 0; step 1.5: x1 = 1.5 -> 2; step 2.5: x1 = 2.5 -> 2
        PointsRow{"HorizontalHalfDown", false, 1, 2, {128, 128}, {{0, 1}, {0, 1}}},
        PointsRow{"HorizontalHalfUp", false, 3, 2, {128, 128}, {{0, 1}, {2, 1}}},
        PointsRow{"HorizontalHalfToEvenTwo", false, 5, 2, {128, 128}, {{0, 1}, {2, 1}}},
        // Little-endian: bytes 0x00 0x80 are -32768, bytes 0xFF 0x7F are 32767.
        PointsRow{"NegativeSamplesGoDown",
                  true,
                  4,
                  100,
                  {-1, 1, -32768, 32767},
                  {{0, 50}, {1, 50}, {2, 100}, {3, 0}}}),
    [](const auto& info) { return info.param.name; });

struct BufferRow {
    std::string name;
    bool sixteenBit;
    int trackBarPosition;
    std::size_t expectedBytes;
    // A point whose x the single-precision step decides: the exact product is a half that the rounded step
    // moves to one side.
    std::size_t probe;
    std::int32_t probeX;
};

class WaveformBufferTest : public testing::TestWithParam<BufferRow> {};

TEST_P(WaveformBufferTest, DrawsEveryPointOfAFullBuffer) {
    const BufferRow& row = GetParam();
    const int samples = captureBufferSamples(row.trackBarPosition);
    const WaveFormat format = captureWaveFormat(row.sixteenBit);
    const std::size_t bytes = captureBufferBytes(samples, format);
    ASSERT_EQ(bytes, row.expectedBytes);

    // The last sample is the loudest negative one, everything else silence.
    std::vector<std::uint8_t> pcm(bytes, silenceByte(row.sixteenBit));
    if (row.sixteenBit) {
        pcm[bytes - 2] = 0x00;
        pcm[bytes - 1] = 0x80;
    } else {
        pcm[bytes - 1] = 0x00;
    }
    std::vector<WavePoint> points(static_cast<std::size_t>(samples), WavePoint{-1, -1});
    ASSERT_TRUE(waveformPoints(pcm, row.sixteenBit, 514, 120, points));

    EXPECT_EQ(points.front(), (WavePoint{0, 60}));
    EXPECT_EQ(points.back().y, 120) << "the last sample must be read";
    EXPECT_EQ(points[points.size() - 2].y, 60);
    EXPECT_EQ(points[row.probe].x, row.probeX);
    for (std::size_t i = 1; i < points.size(); ++i) {
        ASSERT_GE(points[i].x, points[i - 1].x) << "at " << i;
        ASSERT_LE(points[i].x, 514) << "at " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WaveformBufferTest,
    testing::Values(
        // 514 / 100 in single precision is 5.1399998...: 75 * step = 385.49999 -> 385 (exactly 385.5 -> 386)
        BufferRow{"Smallest16", true, 0, 200, 75, 385}, BufferRow{"Smallest8", false, 0, 100, 75, 385},
        // 514 / 5100 in single precision is 0.10078431665...: 1275 * step = 128.50000 + -> 129 (exactly 128.5
        // -> 128)
        BufferRow{"Largest16", true, 10, 10200, 1275, 129},
        BufferRow{"Largest8", false, 10, 5100, 1275, 129}),
    [](const auto& info) { return info.param.name; });

struct RefusalRow {
    std::string name;
    bool sixteenBit;
    std::size_t bytes;
    std::size_t points;
    int width;
    int height;
};

class WaveformRefusalTest : public testing::TestWithParam<RefusalRow> {};

TEST_P(WaveformRefusalTest, LeavesThePointsAlone) {
    const RefusalRow& row = GetParam();
    const std::vector<std::uint8_t> pcm(row.bytes, 0);
    std::vector<WavePoint> points(row.points, WavePoint{7, 7});
    EXPECT_FALSE(waveformPoints(pcm, row.sixteenBit, row.width, row.height, points));
    for (const WavePoint& p : points) {
        EXPECT_EQ(p, (WavePoint{7, 7}));
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, WaveformRefusalTest,
                         testing::Values(RefusalRow{"OneByteShort16", true, 199, 100, 514, 120},
                                         RefusalRow{"OddHalfSample16", true, 9, 5, 514, 120},
                                         RefusalRow{"OneByteShort8", false, 99, 100, 514, 120},
                                         RefusalRow{"EmptyBuffer", false, 0, 1, 514, 120},
                                         RefusalRow{"NoPoints", false, 10, 0, 514, 120},
                                         RefusalRow{"ZeroWidth", false, 10, 10, 0, 120},
                                         RefusalRow{"ZeroHeight", true, 20, 10, 514, 0}),
                         [](const auto& info) { return info.param.name; });

TEST(WaveformPoints, ReadsOnlyThePointCountFromALongerBuffer) {
    // A buffer longer than the points asked for: the extra (loud) sample must not shift anything.
    const auto bytes = pcm8({128, 128, 0});
    std::vector<WavePoint> points(2);
    ASSERT_TRUE(waveformPoints(bytes, false, 4, 8, points));
    EXPECT_EQ(points, (std::vector<WavePoint>{{0, 4}, {2, 4}}));
}

} // namespace
} // namespace vexlin::audio
