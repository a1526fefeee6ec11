#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vexlin::audio {

// Decoded sound: interleaved 16-bit stereo frames (left, right) at `rate` samples per second.
struct StereoPcm {
    int rate = 0;
    std::vector<std::int16_t> samples;
    std::size_t frames() const { return samples.size() / 2; }
};

struct DecodeResult {
    StereoPcm pcm;
    std::string error; // empty on success; otherwise a message for the user that names the file
    bool ok() const { return error.empty(); }
};

// The longest music the player takes in (it keeps the whole tune decoded in memory).
inline constexpr int kMaxDecodedSeconds = 15 * 60;

// Decodes a whole MP3 file to 16-bit stereo (mono files are doubled to both channels).  A missing file, a
// file without MPEG audio frames, or one longer than kMaxDecodedSeconds gives an error and no samples.
DecodeResult decodeMp3File(const std::filesystem::path& path);

} // namespace vexlin::audio
