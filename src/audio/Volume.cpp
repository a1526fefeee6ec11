#include "audio/Volume.h"

namespace vexlin::audio {

std::uint32_t volumeWord(std::uint16_t left, std::uint16_t right) {
    return static_cast<std::uint32_t>(left) | (static_cast<std::uint32_t>(right) << 16);
}

ChannelGains gainsFromVolumeWord(std::uint32_t word) {
    constexpr double kFull = 65535.0;
    return {static_cast<double>(word & 0xFFFFu) / kFull, static_cast<double>(word >> 16) / kFull};
}

} // namespace vexlin::audio
