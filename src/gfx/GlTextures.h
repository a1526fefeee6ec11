#pragma once

#include "gfx/LoadResult.h"

#include <cstdint>
#include <vector>

namespace vexlin::gfx {

// Makes a texture of width × height pixels (format GL_RGB or GL_RGBA) with all its mipmaps built and plain
// linear filters; needs a current OpenGL context.
std::uint32_t MakeTexture(std::uint16_t width, std::uint16_t height, unsigned format, const void* pixels);

// The texture maker of the running program: uploads to the current OpenGL context and remembers every name,
// so that the textures can be given back while that context is still current.
class GlTextureMaker final : public TextureMaker {
public:
    std::uint32_t make(const PixelImage& image) override;
    // glDeleteTextures for everything made so far; the context that made them must be current.
    void deleteAll();
    std::size_t madeCount() const { return names_.size(); }

private:
    std::vector<std::uint32_t> names_;
};

} // namespace vexlin::gfx
