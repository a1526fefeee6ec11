#pragma once

#include <cstdint>

namespace vexlin::audio {

// The output volume as one word: left track-bar position in the low 16 bits, right in the high 16 bits,
// each 0 (silent) ... 65535 (full).
std::uint32_t volumeWord(std::uint16_t left, std::uint16_t right);

// Linear per-channel gains, 0.0 ... 1.0, that the volume word stands for.
struct ChannelGains {
    double left = 1.0;
    double right = 1.0;
};

ChannelGains gainsFromVolumeWord(std::uint32_t word);

} // namespace vexlin::audio
