#include "audio/PcmLoop.h"

#include <algorithm>
#include <cmath>

namespace vexlin::audio {
namespace {

std::int16_t scaled(std::int16_t sample, double gain) {
    // Gains never exceed 1, so the product stays in range; clamp anyway in case one ever does.
    const double value = std::nearbyint(sample * gain);
    return static_cast<std::int16_t>(std::clamp(value, -32768.0, 32767.0));
}

// Anything outside 0 ... 1, NaN included, is taken as the nearest sensible gain.
double sanitisedGain(double gain) {
    return gain > 0.0 ? std::min(gain, 1.0) : 0.0;
}

} // namespace

PcmLoop::PcmLoop(std::vector<std::int16_t> interleavedStereo) : samples_(std::move(interleavedStereo)) {
    samples_.resize(samples_.size() / 2 * 2);
}

void PcmLoop::rewind() {
    position_ = 0;
    loops_ = 0;
}

void PcmLoop::setGains(ChannelGains gains) {
    gains_.left = sanitisedGain(gains.left);
    gains_.right = sanitisedGain(gains.right);
}

std::size_t PcmLoop::read(std::span<std::int16_t> out) {
    const std::size_t wanted = out.size() / 2;
    if (frames() == 0) {
        return 0;
    }
    const bool unity = gains_.left == 1.0 && gains_.right == 1.0;
    std::size_t written = 0;
    while (written < wanted) {
        const std::size_t run = std::min(wanted - written, frames() - position_);
        const std::int16_t* from = samples_.data() + 2 * position_;
        std::int16_t* to = out.data() + 2 * written;
        if (unity) {
            std::copy(from, from + 2 * run, to);
        } else {
            for (std::size_t i = 0; i < run; ++i) {
                to[2 * i] = scaled(from[2 * i], gains_.left);
                to[2 * i + 1] = scaled(from[2 * i + 1], gains_.right);
            }
        }
        written += run;
        position_ += run;
        if (position_ == frames()) {
            position_ = 0;
            ++loops_;
        }
    }
    return written;
}

} // namespace vexlin::audio
