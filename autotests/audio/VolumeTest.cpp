#include "audio/Volume.h"

#include <gtest/gtest.h>
#include <string>

namespace vexlin::audio {
namespace {

struct VolumeRow {
    std::string name;
    std::uint16_t left;
    std::uint16_t right;
    std::uint32_t word;
    double leftGain;
    double rightGain;
};

class VolumeWordTest : public testing::TestWithParam<VolumeRow> {};

TEST_P(VolumeWordTest, PacksAndSplits) {
    const VolumeRow& row = GetParam();
    const std::uint32_t word = volumeWord(row.left, row.right);
    EXPECT_EQ(word, row.word);
    const ChannelGains gains = gainsFromVolumeWord(word);
    EXPECT_DOUBLE_EQ(gains.left, row.leftGain);
    EXPECT_DOUBLE_EQ(gains.right, row.rightGain);
}

INSTANTIATE_TEST_SUITE_P(Rows, VolumeWordTest,
                         testing::Values(VolumeRow{"BothSilent", 0, 0, 0x00000000u, 0.0, 0.0},
                                         VolumeRow{"LeftOnly", 65535, 0, 0x0000FFFFu, 1.0, 0.0},
                                         VolumeRow{"RightOnly", 0, 65535, 0xFFFF0000u, 0.0, 1.0},
                                         VolumeRow{"BothFull", 65535, 65535, 0xFFFFFFFFu, 1.0, 1.0},
                                         VolumeRow{"LeftFullRightQuarter", 65535, 16384, 0x4000FFFFu, 1.0,
                                                   16384.0 / 65535.0},
                                         VolumeRow{"HalvesDoNotMix", 0x0102, 0x0304, 0x03040102u,
                                                   258.0 / 65535.0, 772.0 / 65535.0}),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace vexlin::audio
