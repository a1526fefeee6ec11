#include "audio/InputFormats.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vexlin::audio {
namespace {

const std::vector<std::string> kAllInTableOrder = {
    "11.025 kHz, mono, 8-bit",    "11.025 kHz, mono, 16-bit",  "11.025 kHz, stereo, 8-bit",
    "11.025 kHz, stereo, 16-bit", "22.05 kHz, mono, 8-bit",    "22.05 kHz, mono, 16-bit",
    "22.05 kHz, stereo, 8-bit",   "22.05 kHz, stereo, 16-bit", "44.1 kHz, mono, 8-bit",
    "44.1 kHz, mono, 16-bit",     "44.1 kHz, stereo, 8-bit",   "44.1 kHz, stereo, 16-bit",
};

struct CapsRow {
    std::string name;
    InputDeviceCaps caps;
    std::vector<std::string> expected;
};

class DeviceFormatsTest : public testing::TestWithParam<CapsRow> {};

TEST_P(DeviceFormatsTest, ListsWhatTheDeviceCovers) {
    const CapsRow& row = GetParam();
    EXPECT_EQ(formatTexts(formatMask(row.caps)), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DeviceFormatsTest,
    testing::Values(
        // What PulseAudio reports for a source: every rate, up to eight channels, many sample formats.
        CapsRow{"Wide", {"mic", 1, 384000, 1, 8, true, true}, kAllInTableOrder},
        CapsRow{"NarrowOneFormat", {"mic", 22050, 22050, 1, 1, false, true}, {"22.05 kHz, mono, 16-bit"}},
        CapsRow{"StereoOnly8Bit",
                {"mic", 11025, 22050, 2, 2, true, false},
                {"11.025 kHz, stereo, 8-bit", "22.05 kHz, stereo, 8-bit"}},
        CapsRow{"RateRangeEdgesInclusive",
                {"mic", 11025, 44100, 1, 1, true, false},
                {"11.025 kHz, mono, 8-bit", "22.05 kHz, mono, 8-bit", "44.1 kHz, mono, 8-bit"}},
        CapsRow{"RateRangeJustMissesBothEnds",
                {"mic", 11026, 44099, 1, 2, false, true},
                {"22.05 kHz, mono, 16-bit", "22.05 kHz, stereo, 16-bit"}},
        CapsRow{"OnlyFloatSamples", {"mic", 8000, 48000, 1, 2, false, false}, {}},
        CapsRow{"NoChannels", {"mic", 8000, 48000, 0, 0, true, true}, {}},
        CapsRow{"BackwardsRange", {"mic", 48000, 8000, 1, 2, true, true}, {}}),
    [](const auto& info) { return info.param.name; });

struct MaskRow {
    std::string name;
    std::uint32_t mask;
    std::vector<std::string> expected;
};

class FormatMaskTextsTest : public testing::TestWithParam<MaskRow> {};

TEST_P(FormatMaskTextsTest, GivesTableOrder) {
    EXPECT_EQ(formatTexts(GetParam().mask), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FormatMaskTextsTest,
    testing::Values(MaskRow{"Empty", 0, {}}, MaskRow{"Everything", 0xFFF, kAllInTableOrder},
                    // 16-bit mono (0x004) sorts before 8-bit stereo (0x002) although its bit is higher.
                    MaskRow{"TableOrderNotBitOrder",
                            0x00E,
                            {"11.025 kHz, mono, 16-bit", "11.025 kHz, stereo, 8-bit",
                             "11.025 kHz, stereo, 16-bit"}},
                    MaskRow{"UnknownBitsIgnored", 0xF000 | 0x800, {"44.1 kHz, stereo, 16-bit"}}),
    [](const auto& info) { return info.param.name; });

TEST(DeviceList, NoDevicesGiveNoLines) {
    EXPECT_TRUE(deviceListLines({}).empty());
}

TEST(DeviceList, EachDeviceIsFollowedByItsFormats) {
    const std::vector<InputDeviceCaps> devices = {
        {"Встроенный микрофон", 22050, 44100, 1, 1, false, true},
        {"USB headset", 1, 1, 1, 1, true, true}, // covers no standard rate
        {"Line in", 11025, 11025, 2, 2, true, false},
    };
    const std::vector<std::string> expected = {
        "Встроенный микрофон",
        "22.05 kHz, mono, 16-bit",
        "44.1 kHz, mono, 16-bit",
        "USB headset",
        "Line in",
        "11.025 kHz, stereo, 8-bit",
    };
    EXPECT_EQ(deviceListLines(devices), expected);
}

} // namespace
} // namespace vexlin::audio
