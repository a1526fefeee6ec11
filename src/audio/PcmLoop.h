#pragma once

#include "audio/Volume.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vexlin::audio {

// A tune that plays round and round: reads continue from the start when the end is reached, each channel
// scaled by its gain.  Holds interleaved 16-bit stereo frames.
class PcmLoop {
public:
    PcmLoop() = default;
    explicit PcmLoop(std::vector<std::int16_t> interleavedStereo);

    std::size_t frames() const { return samples_.size() / 2; }
    std::size_t position() const { return position_; }
    // Times the end was passed since the last rewind.
    std::size_t loopsCompleted() const { return loops_; }

    void rewind();
    void setGains(ChannelGains gains);
    ChannelGains gains() const { return gains_; }

    // Fills `out` with whole frames (an odd last sample is left alone) and returns the number of frames
    // written: all that fit, or none for an empty tune.
    std::size_t read(std::span<std::int16_t> out);

private:
    std::vector<std::int16_t> samples_;
    std::size_t position_ = 0; // in frames
    std::size_t loops_ = 0;
    ChannelGains gains_;
};

} // namespace vexlin::audio
