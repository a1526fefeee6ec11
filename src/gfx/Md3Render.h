#pragma once

#include "gfx/Md3Model.h"

#include <cstddef>
#include <cstdint>

// Drawing of MD3 models, written against a "sink" with the immediate-mode calls it needs:
//   bindTexture(uint32)  begin()  texCoord(s, t)  normal(x, y, z)  vertex(x, y, z)  end()
//   pushMatrix()  multMatrix(const float[16])  popMatrix()
// ImmediateGl (GlSink.h) forwards them to OpenGL; tests record them, the benchmark only sums them.
namespace vexlin::gfx {

// Draws every mesh between the model's current and next frame, t of the way, one triangle per begin/end.
template <class Sink> void RenderMeshes(const Md3Model& model, Sink& sink) {
    const NormalTable& normals = normalTable();
    const float t = model.interpolation;
    const std::int32_t c = model.currentFrame;
    const std::int32_t n = model.nextFrame;
    for (const Md3Mesh& mesh : model.meshes) {
        if (mesh.hasTexture) {
            sink.bindTexture(mesh.texture);
        }
        const std::int32_t frames = mesh.header.numFrames;
        if (c < 0 || n < 0 || c >= frames || n >= frames) {
            continue; // an animation beyond the surface's frames draws nothing rather than reading past it
        }
        const std::size_t count = static_cast<std::size_t>(mesh.header.numVerts);
        const Md3Vertex* current = mesh.vertices.data() + count * static_cast<std::size_t>(c);
        const Md3Vertex* next = mesh.vertices.data() + count * static_cast<std::size_t>(n);
        for (const Md3Triangle& triangle : mesh.triangles) {
            sink.begin();
            for (const std::int32_t i : triangle.index) {
                const Md3Vertex& a = current[i];
                const Md3Vertex& b = next[i];
                const auto& na = normals[a.normal[0]][a.normal[1]];
                const auto& nb = normals[b.normal[0]][b.normal[1]];
                const Md3TexCoord& st = mesh.texCoords[static_cast<std::size_t>(i)];
                sink.texCoord(st.s, 1.0f - st.t);
                sink.normal(static_cast<float>(na[0] + t * (nb[0] - na[0])),
                            static_cast<float>(na[1] + t * (nb[1] - na[1])),
                            static_cast<float>(na[2] + t * (nb[2] - na[2])));
                const float ax = a.position[0] / 64.0f;
                const float ay = a.position[1] / 64.0f;
                const float az = a.position[2] / 64.0f;
                sink.vertex(ax + t * (b.position[0] / 64.0f - ax), ay + t * (b.position[1] / 64.0f - ay),
                            az + t * (b.position[2] / 64.0f - az));
            }
            sink.end();
        }
    }
}

// The column-major matrix that puts a model into a tag's frame.
inline void tagMatrix(const Md3Tag& tag, float out[16]) {
    for (int column = 0; column < 3; ++column) {
        out[column * 4] = tag.axis[column][0];
        out[column * 4 + 1] = tag.axis[column][1];
        out[column * 4 + 2] = tag.axis[column][2];
        out[column * 4 + 3] = 0.0f;
    }
    out[12] = tag.origin[0];
    out[13] = tag.origin[1];
    out[14] = tag.origin[2];
    out[15] = 1.0f;
}

// Draws the model, then every model linked to its tags in the tag's place for the current frame.
template <class Sink> void RenderAttached(const Md3Model& model, Sink& sink, int depth = 0) {
    // Links are made by the program, not read from files; the depth only guards against a mistaken cycle.
    constexpr int kMaxDepth = 8;
    RenderMeshes(model, sink);
    const std::int32_t tags = model.tagCount();
    if (depth >= kMaxDepth || model.currentFrame < 0 || model.currentFrame >= model.frameTotal()) {
        return;
    }
    for (std::int32_t i = 0; i < tags; ++i) {
        const Md3Model* linked = model.links[static_cast<std::size_t>(i)];
        if (linked == nullptr) {
            continue;
        }
        float matrix[16];
        tagMatrix(model.tags[static_cast<std::size_t>(model.currentFrame * tags + i)], matrix);
        sink.pushMatrix();
        sink.multMatrix(matrix);
        RenderAttached(*linked, sink, depth + 1);
        sink.popMatrix();
    }
}

} // namespace vexlin::gfx
