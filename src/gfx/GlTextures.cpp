#include "gfx/GlTextures.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace vexlin::gfx {

std::uint32_t MakeTexture(std::uint16_t width, std::uint16_t height, unsigned format, const void* pixels) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    // Mipmaps are built, yet the minifying filter stays plain linear: the look the test has always had.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    // The decoders hand over packed rows; with the default alignment of 4 a row of an odd-width RGB picture
    // would be read past its end.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (format == GL_RGBA) {
        gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    } else {
        gluBuild2DMipmaps(GL_TEXTURE_2D, 3, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    return name;
}

std::uint32_t GlTextureMaker::make(const PixelImage& image) {
    const unsigned format = image.format == PixelFormat::Rgba ? GL_RGBA : GL_RGB;
    const std::uint32_t name =
        MakeTexture(static_cast<std::uint16_t>(image.width), static_cast<std::uint16_t>(image.height), format,
                    image.pixels.data());
    names_.push_back(name);
    return name;
}

void GlTextureMaker::deleteAll() {
    if (!names_.empty()) {
        glDeleteTextures(static_cast<GLsizei>(names_.size()), names_.data());
        names_.clear();
    }
}

} // namespace vexlin::gfx
