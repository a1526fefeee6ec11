#include "Harness.h"
#include "audio/Mp3Decoder.h"

namespace vexlin::fuzz {

// Through the file entry the sound test uses.
Outcome runMp3(std::span<const std::uint8_t> input) {
    clearScratch();
    writeFile("music.mp3", std::string_view(reinterpret_cast<const char*>(input.data()), input.size()));
    const audio::DecodeResult result = audio::decodeMp3File(scratchRoot() / "music.mp3");
    return {!result.ok(), result.pcm.samples.capacity() * sizeof(std::int16_t)};
}

} // namespace vexlin::fuzz
