#pragma once

#include "gfx/LittleEndianWriter.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// Builds MD3 files for the tests, field by field, with the layout the reader documents.  Surfaces are laid
// out after the tags unless a gap is asked for, so tests can check that offsets are honoured.
namespace vexlin::gfx::testing {

using Bytes = LittleEndianWriter;

struct TestSurface {
    std::string name;
    std::int32_t vertexCount = 3;
    std::vector<std::int32_t> indices = {0, 1, 2};
    std::int32_t frames = -1; // -1: the model's frame count
};

struct TestModel {
    std::int32_t frames = 1;
    std::vector<std::string> tagNames;
    std::vector<TestSurface> surfaces;
    std::size_t gapBeforeSurfaces = 0;
    std::string ident = "IDP3";
    std::int32_t version = 15;
};

// The values the builder writes, so that tests can say what they expect: vertex v of frame f sits at
// (64 f + v, 2 v, -v) in 1/64 units with normal bytes (v, f) and texture coordinates (v / 4, v / 8); tag t of
// frame f has its origin at (f, t, 100 + f) and axes of length t + 1.
inline std::int16_t vertexX(std::int32_t frame, std::int32_t vertex) {
    return static_cast<std::int16_t>(frame * 64 + vertex);
}
inline std::int16_t vertexY(std::int32_t vertex) {
    return static_cast<std::int16_t>(2 * vertex);
}
inline std::int16_t vertexZ(std::int32_t vertex) {
    return static_cast<std::int16_t>(-vertex);
}
inline float texS(std::int32_t vertex) {
    return 0.25f * static_cast<float>(vertex);
}
inline float texT(std::int32_t vertex) {
    return 0.125f * static_cast<float>(vertex);
}

// Offsets of the header fields, for tests that make a file lie.
constexpr std::size_t kFramesField = 76, kTagsField = 80, kSurfacesField = 84, kOfsSurfacesField = 100;
// Offsets inside a surface header.
constexpr std::size_t kSurfFramesField = 72, kSurfVertsField = 80, kSurfTrisField = 84,
                      kSurfOfsEndField = 104;

inline std::vector<std::uint8_t> buildMd3(const TestModel& m) {
    Bytes out;
    const auto tags = static_cast<std::int32_t>(m.tagNames.size());
    const std::int32_t ofsFrames = 108;
    const std::int32_t ofsTags = ofsFrames + m.frames * 56;
    const std::int32_t ofsSurfaces =
        ofsTags + m.frames * tags * 112 + static_cast<std::int32_t>(m.gapBeforeSurfaces);
    out.text(m.ident, 4);
    out.i32(m.version);
    out.text("test", 64);
    out.i32(0);
    for (std::int32_t v : {m.frames, tags, static_cast<std::int32_t>(m.surfaces.size()), 0, ofsFrames,
                           ofsTags, ofsSurfaces, 0}) {
        out.i32(v);
    }
    for (std::int32_t f = 0; f < m.frames; ++f) {
        for (int i = 0; i < 9; ++i) {
            out.f32(static_cast<float>(f + i));
        }
        out.f32(10.0f + static_cast<float>(f));
        out.text("frame" + std::to_string(f), 16);
    }
    for (std::int32_t f = 0; f < m.frames; ++f) {
        for (std::int32_t t = 0; t < tags; ++t) {
            out.text(m.tagNames[static_cast<std::size_t>(t)], 64);
            out.f32(static_cast<float>(f));
            out.f32(static_cast<float>(t));
            out.f32(100.0f + static_cast<float>(f));
            for (int a = 0; a < 3; ++a) {
                for (int b = 0; b < 3; ++b) {
                    out.f32(a == b ? static_cast<float>(t + 1) : 0.0f);
                }
            }
        }
    }
    out.zeros(m.gapBeforeSurfaces);
    for (const TestSurface& s : m.surfaces) {
        const std::int32_t frames = s.frames < 0 ? m.frames : s.frames;
        const auto tris = static_cast<std::int32_t>(s.indices.size() / 3);
        // Shaders after the triangles, to check that the shader offset is followed too.
        const std::int32_t ofsTriangles = 108;
        const std::int32_t ofsShaders = ofsTriangles + tris * 12;
        const std::int32_t ofsSt = ofsShaders + 68;
        const std::int32_t ofsXyz = ofsSt + s.vertexCount * 8;
        const std::int32_t ofsEnd = ofsXyz + s.vertexCount * frames * 8;
        out.text("IDP3", 4);
        out.text(s.name, 64);
        out.i32(0);
        for (std::int32_t v :
             {frames, 1, s.vertexCount, tris, ofsTriangles, ofsShaders, ofsSt, ofsXyz, ofsEnd}) {
            out.i32(v);
        }
        for (std::int32_t i : s.indices) {
            out.i32(i);
        }
        out.text("shader_" + s.name, 64);
        out.i32(7);
        for (std::int32_t v = 0; v < s.vertexCount; ++v) {
            out.f32(texS(v));
            out.f32(texT(v));
        }
        for (std::int32_t f = 0; f < frames; ++f) {
            for (std::int32_t v = 0; v < s.vertexCount; ++v) {
                out.i16(vertexX(f, v));
                out.i16(vertexY(v));
                out.i16(vertexZ(v));
                out.u8(static_cast<std::uint8_t>(v));
                out.u8(static_cast<std::uint8_t>(f));
            }
        }
    }
    return out.data();
}

} // namespace vexlin::gfx::testing
