#pragma once

#include <GL/gl.h>
#include <cstdint>

namespace vexlin::gfx {

// The drawing sink of the running program: every call goes straight to OpenGL's immediate mode.
struct ImmediateGl {
    void bindTexture(std::uint32_t name) { glBindTexture(GL_TEXTURE_2D, name); }
    void begin() { glBegin(GL_TRIANGLES); }
    void texCoord(float s, float t) { glTexCoord2f(s, t); }
    void normal(float x, float y, float z) { glNormal3f(x, y, z); }
    void vertex(float x, float y, float z) { glVertex3f(x, y, z); }
    void end() { glEnd(); }
    void pushMatrix() { glPushMatrix(); }
    void multMatrix(const float* m) { glMultMatrixf(m); }
    void popMatrix() { glPopMatrix(); }
};

} // namespace vexlin::gfx
