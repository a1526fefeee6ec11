#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vexlin::audio {

struct WavePoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const WavePoint&, const WavePoint&) = default;
};

// Turns one capture buffer into the points of its polyline in a box of width x height.  Sample i goes to
// x = round(i * (width / samples)), the step held in single precision; a 16-bit signed sample s to
// y = round(height / 2 - s * height / 65536), an 8-bit unsigned byte b to y = round(height - b * height /
// 256), so silence (0, or byte 128) runs through the middle.  Rounding is to nearest with halves to even.
//
// Reads exactly points.size() samples from `pcm` (little-endian for 16 bits).  Returns false and leaves
// `points` untouched when `pcm` holds fewer bytes than that, or the box is empty.
bool waveformPoints(std::span<const std::uint8_t> pcm, bool sixteenBit, int width, int height,
                    std::span<WavePoint> points);

// The byte a capture buffer is filled with before anything is recorded, so an unfilled buffer draws silence.
inline std::uint8_t silenceByte(bool sixteenBit) {
    return sixteenBit ? 0x00 : 0x80;
}

} // namespace vexlin::audio
