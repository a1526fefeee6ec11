#pragma once

#include "gfx/LoadResult.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

// Stand-ins for OpenGL that touch every byte the real calls would read, so that the address sanitizer sees a
// buffer that is shorter than the picture or the model claims.
namespace vexlin::fuzz {

// gluBuild2DMipmaps with an unpack alignment of 1 reads width × height × components bytes.
class ReadingTextureMaker final : public gfx::TextureMaker {
public:
    std::uint32_t make(const gfx::PixelImage& image) override {
        const std::uint64_t components = image.format == gfx::PixelFormat::Rgba ? 4 : 3;
        const std::uint64_t bytes = std::uint64_t{image.width} * image.height * components;
        // Copied out in chunks: the sanitizer checks each copied range as a whole, far faster than byte by
        // byte, and still stops at the first byte that the buffer does not have.
        static std::uint8_t chunk[65536];
        const std::uint8_t* pixels = image.pixels.data();
        for (std::uint64_t at = 0; at < bytes; at += sizeof chunk) {
            const std::size_t count =
                static_cast<std::size_t>(std::min<std::uint64_t>(sizeof chunk, bytes - at));
            std::memcpy(chunk, pixels + at, count);
            checksum += chunk[0] + chunk[count - 1];
        }
        bytesSeen += image.pixels.capacity();
        return ++made;
    }
    std::uint32_t made = 0;
    std::uint32_t checksum = 0;
    std::uint64_t bytesSeen = 0; // the pixel buffers handed over, as allocated
};

// The immediate-mode calls of the model drawing, folded into one number.
struct SummingSink {
    float sum = 0;
    std::uint64_t calls = 0;
    void bindTexture(std::uint32_t name) { sum += static_cast<float>(name), ++calls; }
    void begin() { ++calls; }
    void texCoord(float s, float t) { sum += s + t; }
    void normal(float x, float y, float z) { sum += x + y + z; }
    void vertex(float x, float y, float z) { sum += x + y + z, ++calls; }
    void end() { ++calls; }
    void pushMatrix() { ++calls; }
    void multMatrix(const float* m) {
        for (int i = 0; i < 16; ++i) {
            sum += m[i];
        }
    }
    void popMatrix() { ++calls; }
};

} // namespace vexlin::fuzz
