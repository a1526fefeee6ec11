#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace vexlin::audio {

// Cuts the recorded byte stream into buffers of a fixed size and runs the stop handshake: after a stop is
// asked for, the buffer being filled is the last one, and what comes after it is dropped.  So a recording
// always ends on a buffer boundary with its last buffer delivered.
class CaptureAssembler {
public:
    using Deliver = std::function<void(std::span<const std::uint8_t> buffer, bool last)>;

    // A zero size is taken as one byte, so the assembler can never spin on empty buffers.
    CaptureAssembler(std::size_t bufferBytes, std::uint8_t silence);

    // Adds recorded bytes; `deliver` gets each buffer as it completes.  Returns the bytes taken (all of
    // them, unless the last buffer completed in this call).
    std::size_t feed(std::span<const std::uint8_t> bytes, const Deliver& deliver);

    void requestStop() { stopRequested_ = true; }
    bool stopRequested() const { return stopRequested_; }
    // The last buffer has been delivered: the handshake is complete.
    bool finished() const { return finished_; }
    std::size_t bufferBytes() const { return buffer_.size(); }
    // Bytes of the buffer being filled.
    std::size_t filled() const { return fill_; }

private:
    std::vector<std::uint8_t> buffer_;
    std::size_t fill_ = 0;
    bool stopRequested_ = false;
    bool finished_ = false;
};

} // namespace vexlin::audio
