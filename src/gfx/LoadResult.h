#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vexlin::gfx {

// A message box the texture loaders show; loading goes on after it.
struct TextureMessage {
    std::string caption;
    std::string text;
};

// An error that stops the loading of the scene; its message names the file.
struct LoadError {
    std::string message;
};

// Everything a texture loader produces: rows from the bottom of the picture to the top, tightly packed,
// red-green-blue or red-green-blue-alpha.
enum class PixelFormat { Rgb, Rgba };

struct PixelImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    PixelFormat format = PixelFormat::Rgb;
    std::vector<std::uint8_t> pixels;
};

// Turns a decoded picture into a texture name.  The real one uploads to OpenGL; tests and benchmarks count.
class TextureMaker {
public:
    virtual ~TextureMaker() = default;
    virtual std::uint32_t make(const PixelImage& image) = 0;
};

} // namespace vexlin::gfx
