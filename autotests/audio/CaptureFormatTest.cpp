#include "audio/CaptureFormat.h"

#include <gtest/gtest.h>
#include <string>

namespace vexlin::audio {
namespace {

struct BufferSizeRow {
    std::string name;
    int position;
    int samples;
};

class BufferSizeTest : public testing::TestWithParam<BufferSizeRow> {};

TEST_P(BufferSizeTest, FollowsTheTrackBar) {
    EXPECT_EQ(captureBufferSamples(GetParam().position), GetParam().samples);
}

INSTANTIATE_TEST_SUITE_P(Rows, BufferSizeTest,
                         testing::Values(BufferSizeRow{"Smallest", 0, 100}, BufferSizeRow{"OneStep", 1, 600},
                                         BufferSizeRow{"Middle", 5, 2600}, BufferSizeRow{"Largest", 10, 5100},
                                         BufferSizeRow{"BelowRangeClamped", -3, 100},
                                         BufferSizeRow{"AboveRangeClamped", 11, 5100}),
                         [](const auto& info) { return info.param.name; });

struct FormatRow {
    std::string name;
    bool sixteenBit;
    std::uint16_t bits;
    std::uint16_t blockAlign;
    std::uint32_t bytesPerSecond;
};

class CaptureWaveFormatTest : public testing::TestWithParam<FormatRow> {};

TEST_P(CaptureWaveFormatTest, IsMonoPcmAt22050) {
    const FormatRow& row = GetParam();
    const WaveFormat format = captureWaveFormat(row.sixteenBit);
    EXPECT_EQ(format.formatTag, 1);
    EXPECT_EQ(format.channels, 1);
    EXPECT_EQ(format.samplesPerSec, 22050u);
    EXPECT_EQ(format.bitsPerSample, row.bits);
    EXPECT_EQ(format.blockAlign, row.blockAlign);
    EXPECT_EQ(format.avgBytesPerSec, row.bytesPerSecond);
    EXPECT_EQ(captureBufferBytes(5100, format), 5100u * row.blockAlign);
    EXPECT_EQ(captureBufferBytes(0, format), 0u);
    EXPECT_EQ(captureBufferBytes(-5, format), 0u);
}

INSTANTIATE_TEST_SUITE_P(Rows, CaptureWaveFormatTest,
                         testing::Values(FormatRow{"Sixteen", true, 16, 2, 44100},
                                         FormatRow{"Eight", false, 8, 1, 22050}),
                         [](const auto& info) { return info.param.name; });

class StopWaitTest : public testing::TestWithParam<int> {};

// The stop waits long enough for the buffer in flight to arrive, but never more than a few buffer
// durations (plus a small margin for scheduling).
TEST_P(StopWaitTest, IsBoundedByAFewBufferDurations) {
    const int samples = captureBufferSamples(GetParam());
    const double bufferMs = samples * 1000.0 / kCaptureRate;
    const int limit = stopWaitLimitMs(samples);
    EXPECT_GE(limit, bufferMs * 2) << samples;
    EXPECT_LE(limit, bufferMs * 4 + 100) << samples;
}

INSTANTIATE_TEST_SUITE_P(Positions, StopWaitTest, testing::Range(kBufferStepMin, kBufferStepMax + 1),
                         [](const auto& info) { return "Step" + std::to_string(info.param); });

TEST(StopWait, DegenerateInputsStillGiveAShortBound) {
    EXPECT_GT(stopWaitLimitMs(0), 0);
    EXPECT_LE(stopWaitLimitMs(0), 100);
    EXPECT_LE(stopWaitLimitMs(100, 0), 100);
}

} // namespace
} // namespace vexlin::audio
