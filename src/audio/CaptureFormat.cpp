#include "audio/CaptureFormat.h"

#include <algorithm>

namespace vexlin::audio {

int captureBufferSamples(int trackBarPosition) {
    return std::clamp(trackBarPosition, kBufferStepMin, kBufferStepMax) * 500 + 100;
}

WaveFormat captureWaveFormat(bool sixteenBit) {
    WaveFormat format;
    format.bitsPerSample = sixteenBit ? 16 : 8;
    format.blockAlign = static_cast<std::uint16_t>(format.bitsPerSample / 8 * format.channels);
    format.avgBytesPerSec = format.blockAlign * format.samplesPerSec;
    return format;
}

std::size_t captureBufferBytes(int samples, const WaveFormat& format) {
    return samples > 0 ? static_cast<std::size_t>(samples) * format.blockAlign : 0;
}

int stopWaitLimitMs(int samples, std::uint32_t rate) {
    constexpr int kMarginMs = 60;
    if (samples <= 0 || rate == 0) {
        return kMarginMs;
    }
    const auto bufferMs = (static_cast<std::uint64_t>(samples) * 1000 + rate - 1) / rate;
    return static_cast<int>(3 * bufferMs) + kMarginMs;
}

} // namespace vexlin::audio
