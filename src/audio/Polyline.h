#pragma once

#include "audio/Waveform.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace vexlin::audio {

// A 32-bit pixel picture: `width` x `height` pixels, rows `stride` pixels apart.
struct PixelView {
    std::span<std::uint32_t> pixels;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;
};

// Draws a one-pixel polyline through `points` in `colour`, as a desktop's line drawing does it: each segment
// is an 8-connected line that includes its first pixel and leaves out its last, so a joint is drawn once and
// the final point of the polyline not at all.  Pixels outside the picture are skipped.
//
// Returns false and draws nothing when the picture's memory is smaller than its size says, or a point lies
// further than one picture size outside it (which would only make the line long, not visible).
bool drawPolyline(const PixelView& picture, std::span<const WavePoint> points, std::uint32_t colour);

} // namespace vexlin::audio
