#pragma once

#include "platform/SoundService.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vexlin::audio {

// The standard recording formats, as bits of a device's supported-format mask.
enum FormatBit : std::uint32_t {
    k11kMono8 = 0x001,
    k11kStereo8 = 0x002,
    k11kMono16 = 0x004,
    k11kStereo16 = 0x008,
    k22kMono8 = 0x010,
    k22kStereo8 = 0x020,
    k22kMono16 = 0x040,
    k22kStereo16 = 0x080,
    k44kMono8 = 0x100,
    k44kStereo8 = 0x200,
    k44kMono16 = 0x400,
    k44kStereo16 = 0x800,
};

struct FormatText {
    std::uint32_t bit;
    const char* text;
};

// The formats in the order the device list shows them: by rate, then mono before stereo, 8 before 16 bits
// within each channel count.
const std::vector<FormatText>& formatTable();

// The standard formats a device covers: a rate inside its rate range, a channel count inside its channel
// range and a sample format it lists.
std::uint32_t formatMask(const InputDeviceCaps& caps);

// The texts of every format whose bit is wholly in `mask`, in table order.
std::vector<std::string> formatTexts(std::uint32_t mask);

// The device list: each device's description, then the texts of the formats it supports.
std::vector<std::string> deviceListLines(const std::vector<InputDeviceCaps>& devices);

} // namespace vexlin::audio
