#include "Harness.h"
#include "ReadingFakes.h"
#include "gfx/Textures.h"

namespace vexlin::fuzz {
namespace {

// Through the file entry the models use, so the file is opened and chosen by its ending as in the program.
Outcome loadAs(std::span<const std::uint8_t> input, const char* name) {
    clearScratch();
    writeFile(name, std::string_view(reinterpret_cast<const char*>(input.data()), input.size()));
    ReadingTextureMaker maker;
    std::vector<gfx::TextureMessage> messages;
    std::uint32_t texture = 0;
    const std::string path = (scratchRoot() / name).string();
    const auto error = gfx::LoadTextureFile(path, texture, maker, messages);
    Outcome outcome;
    outcome.refused = error.has_value() || maker.made == 0;
    outcome.bytesHeld = maker.bytesSeen;
    return outcome;
}

} // namespace

Outcome runBmp(std::span<const std::uint8_t> input) {
    return loadAs(input, "picture.bmp");
}
Outcome runTga(std::span<const std::uint8_t> input) {
    return loadAs(input, "picture.tga");
}
Outcome runJpeg(std::span<const std::uint8_t> input) {
    return loadAs(input, "picture.jpg");
}

} // namespace vexlin::fuzz
