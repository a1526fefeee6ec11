#pragma once

#include <cstddef>
#include <cstdint>

namespace vexlin::audio {

// The capture rate of the microphone test: low enough for a cheap live picture, high enough to show speech.
inline constexpr std::uint32_t kCaptureRate = 22050;

// Buffer-size track bar range; each step adds 500 samples to the smallest buffer of 100.
inline constexpr int kBufferStepMin = 0;
inline constexpr int kBufferStepMax = 10;

// Samples per capture buffer for a track-bar position: 100, 600, ... 5100.  Positions outside the track
// bar's range are clamped, so a stray value can never ask for an empty or huge buffer.
int captureBufferSamples(int trackBarPosition);

// A PCM wave format as the capture device is opened with it.
struct WaveFormat {
    std::uint16_t formatTag = 1; // PCM
    std::uint16_t channels = 1;
    std::uint32_t samplesPerSec = kCaptureRate;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
};

// Mono 22050 Hz PCM, 16-bit signed or 8-bit unsigned.
WaveFormat captureWaveFormat(bool sixteenBit);

// Bytes of one capture buffer of `samples` samples in `format`.
std::size_t captureBufferBytes(int samples, const WaveFormat& format);

// How long a stop may wait for the buffer in flight before it gives up: three buffer durations plus a margin
// for the sound server's scheduling.  A device that delivers nothing never holds the window longer than this.
int stopWaitLimitMs(int samples, std::uint32_t rate = kCaptureRate);

} // namespace vexlin::audio
