#include "audio/CaptureAssembler.h"

#include <algorithm>

namespace vexlin::audio {

CaptureAssembler::CaptureAssembler(std::size_t bufferBytes, std::uint8_t silence)
    : buffer_(std::max<std::size_t>(bufferBytes, 1), silence) {}

std::size_t CaptureAssembler::feed(std::span<const std::uint8_t> bytes, const Deliver& deliver) {
    std::size_t taken = 0;
    while (!finished_ && taken < bytes.size()) {
        const std::size_t run = std::min(bytes.size() - taken, buffer_.size() - fill_);
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(taken), run,
                    buffer_.begin() + static_cast<std::ptrdiff_t>(fill_));
        fill_ += run;
        taken += run;
        if (fill_ == buffer_.size()) {
            fill_ = 0;
            finished_ = stopRequested_;
            deliver(buffer_, finished_);
        }
    }
    return taken;
}

} // namespace vexlin::audio
