#include "audio/Mp3Decoder.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace vexlin::audio {
namespace {

double rms(const StereoPcm& pcm, int channel) {
    double sum = 0;
    for (std::size_t i = 0; i < pcm.frames(); ++i) {
        const double v = pcm.samples[2 * i + static_cast<std::size_t>(channel)];
        sum += v * v;
    }
    return pcm.frames() > 0 ? std::sqrt(sum / static_cast<double>(pcm.frames())) : 0.0;
}

struct DecodeRow {
    std::string name;
    std::filesystem::path file;
    int rate;
    double minSeconds;
    double maxSeconds;
};

class Mp3DecodeTest : public testing::TestWithParam<DecodeRow> {};

TEST_P(Mp3DecodeTest, DecodesToStereo) {
    const DecodeRow& row = GetParam();
    const DecodeResult result = decodeMp3File(row.file);
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.pcm.rate, row.rate);
    const double seconds = static_cast<double>(result.pcm.frames()) / result.pcm.rate;
    EXPECT_GE(seconds, row.minSeconds);
    EXPECT_LE(seconds, row.maxSeconds);
    EXPECT_EQ(result.pcm.samples.size() % 2, 0u);
    EXPECT_GT(rms(result.pcm, 0), 100.0);
    EXPECT_GT(rms(result.pcm, 1), 100.0);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Mp3DecodeTest,
    testing::Values(DecodeRow{"TheMusic", std::filesystem::path(VEXLIN_SOURCE_DIR) / "data/FruitCocktail.mp3",
                              44100, 29.5, 30.5},
                    DecodeRow{"MonoTone", std::filesystem::path(VEXLIN_FIXTURES) / "tone-mono-22050.mp3",
                              22050, 0.45, 0.6},
                    // A file cut short mid-frame keeps the whole frames before the cut.
                    DecodeRow{"Truncated", std::filesystem::path(VEXLIN_FIXTURES) / "tone-truncated.mp3",
                              22050, 0.05, 0.45}),
    [](const auto& info) { return info.param.name; });

TEST(Mp3Decode, MonoIsDoubledToBothChannels) {
    const DecodeResult result = decodeMp3File(std::filesystem::path(VEXLIN_FIXTURES) / "tone-mono-22050.mp3");
    ASSERT_TRUE(result.ok()) << result.error;
    for (std::size_t i = 0; i < result.pcm.frames(); ++i) {
        ASSERT_EQ(result.pcm.samples[2 * i], result.pcm.samples[2 * i + 1]) << "frame " << i;
    }
}

// The tune is written to be exactly 30 s long and to wrap round; the encoder's delay and padding must be cut
// off again, or every loop would stumble over 40 ms of silence.
TEST(Mp3Decode, TheMusicComesBackAtItsExactLength) {
    const DecodeResult result =
        decodeMp3File(std::filesystem::path(VEXLIN_SOURCE_DIR) / "data/FruitCocktail.mp3");
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.pcm.frames(), 30u * 44100u);
}

TEST(Mp3Decode, TheMusicHasDifferentInstrumentsLeftAndRight) {
    const DecodeResult result =
        decodeMp3File(std::filesystem::path(VEXLIN_SOURCE_DIR) / "data/FruitCocktail.mp3");
    ASSERT_TRUE(result.ok()) << result.error;
    // Correlation of the two channels: near 1 for the same part on both speakers, near 0 for different ones.
    double lr = 0, ll = 0, rr = 0;
    for (std::size_t i = 0; i < result.pcm.frames(); ++i) {
        const double l = result.pcm.samples[2 * i];
        const double r = result.pcm.samples[2 * i + 1];
        lr += l * r;
        ll += l * l;
        rr += r * r;
    }
    EXPECT_LT(std::abs(lr) / std::sqrt(ll * rr), 0.3);
}

struct FailureRow {
    std::string name;
    std::filesystem::path file;
};

class Mp3DecodeFailureTest : public testing::TestWithParam<FailureRow> {};

TEST_P(Mp3DecodeFailureTest, NamesTheFileAndGivesNoSound) {
    const DecodeResult result = decodeMp3File(GetParam().file);
    EXPECT_FALSE(result.ok());
    EXPECT_NE(result.error.find(GetParam().file.string()), std::string::npos) << result.error;
    EXPECT_TRUE(result.pcm.samples.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Mp3DecodeFailureTest,
    testing::Values(FailureRow{"Missing", std::filesystem::path(VEXLIN_FIXTURES) / "no-such-file.mp3"},
                    FailureRow{"Directory", std::filesystem::path(VEXLIN_FIXTURES)},
                    FailureRow{"Empty", std::filesystem::path(VEXLIN_FIXTURES) / "empty.mp3"},
                    FailureRow{"Text", std::filesystem::path(VEXLIN_FIXTURES) / "not-an-mp3.mp3"}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace vexlin::audio
