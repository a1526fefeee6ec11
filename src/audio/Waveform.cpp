#include "audio/Waveform.h"

#include <cmath>

namespace vexlin::audio {
namespace {

// std::nearbyint rounds in the current rounding mode, which the program never changes from
// round-to-nearest-even.
std::int32_t roundHalfEven(double value) {
    return static_cast<std::int32_t>(std::nearbyint(value));
}

} // namespace

bool waveformPoints(std::span<const std::uint8_t> pcm, bool sixteenBit, int width, int height,
                    std::span<WavePoint> points) {
    const std::size_t count = points.size();
    const std::size_t bytesPerSample = sixteenBit ? 2 : 1;
    if (count == 0 || width <= 0 || height <= 0 || pcm.size() / bytesPerSample < count) {
        return false;
    }
    // The step is held as a single; i * step is then computed exactly (24 significant bits of the step times
    // fewer than 29 of i fit in a double), so only the step itself is rounded before the final rounding.
    const float step = static_cast<float>(width) / static_cast<float>(count);
    const double h = height;
    if (sixteenBit) {
        const double scale = h / 65536.0;
        const double middle = h / 2.0;
        for (std::size_t i = 0; i < count; ++i) {
            const auto sample =
                static_cast<std::int16_t>(static_cast<std::uint16_t>(pcm[2 * i] | (pcm[2 * i + 1] << 8)));
            points[i] = {roundHalfEven(static_cast<double>(i) * step),
                         roundHalfEven(middle - sample * scale)};
        }
    } else {
        const double scale = h / 256.0;
        for (std::size_t i = 0; i < count; ++i) {
            points[i] = {roundHalfEven(static_cast<double>(i) * step), roundHalfEven(h - pcm[i] * scale)};
        }
    }
    return true;
}

} // namespace vexlin::audio
