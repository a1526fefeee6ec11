// Builds the performance test's character and weapon: an armoured low-poly figure in three MD3 models
// (lower body, upper body, head) joined at tags, its skins, animation table and textures, and the weapon
// with its five meshes and four JPEG textures.  Everything is computed here, nothing is read, so running it
// again gives the same files:
//
//     cmake -S tools/modelgen -B build-modelgen && cmake --build build-modelgen
//     build-modelgen/vexlin-modelgen data/model
//
// Coordinates: X forward, Y to the figure's left, Z up, in MD3 units (a standing figure is about 56 tall,
// its hips at the lower body's origin).
#include "gfx/LittleEndianWriter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <jpeglib.h>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
float radians(float degrees) {
    return degrees * kPi / 180.0f;
}

// --- small geometry
// ------------------------------------------------------------------------------------------

struct V3 {
    float x = 0, y = 0, z = 0;
};
V3 operator+(V3 a, V3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
V3 operator-(V3 a, V3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
V3 operator*(V3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
V3 cross(V3 a, V3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
V3 normalised(V3 a) {
    const float length = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    return length > 0 ? a * (1.0f / length) : V3{0, 0, 1};
}

// A rigid placement: rotation (columns are the local axes) then translation.
struct Place {
    V3 axis[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    V3 origin;

    V3 rotate(V3 p) const { return axis[0] * p.x + axis[1] * p.y + axis[2] * p.z; }
    V3 apply(V3 p) const { return rotate(p) + origin; }
    Place then(const Place& child) const { // child given in this placement's frame
        Place out;
        for (int i = 0; i < 3; ++i) {
            out.axis[i] = rotate(child.axis[i]);
        }
        out.origin = apply(child.origin);
        return out;
    }
};

Place at(V3 origin) {
    Place p;
    p.origin = origin;
    return p;
}
Place turnY(float degrees, V3 origin = {}) { // positive tips +X down towards -Z
    const float c = std::cos(radians(degrees)), s = std::sin(radians(degrees));
    Place p;
    p.axis[0] = {c, 0, -s};
    p.axis[2] = {s, 0, c};
    p.origin = origin;
    return p;
}
Place turnZ(float degrees, V3 origin = {}) {
    const float c = std::cos(radians(degrees)), s = std::sin(radians(degrees));
    Place p;
    p.axis[0] = {c, s, 0};
    p.axis[1] = {-s, c, 0};
    p.origin = origin;
    return p;
}
Place turnX(float degrees, V3 origin = {}) {
    const float c = std::cos(radians(degrees)), s = std::sin(radians(degrees));
    Place p;
    p.axis[1] = {0, c, s};
    p.axis[2] = {0, -s, c};
    p.origin = origin;
    return p;
}

// --- meshes ------------------------------------------------------------------------------------------------

// One frame's worth of a mesh; every frame of a mesh is built by the same calls, so the topology matches.
struct FrameMesh {
    std::vector<V3> positions;
    std::vector<V3> normals;
    std::vector<std::array<float, 2>> st;
    std::vector<std::array<std::int32_t, 3>> triangles;
};

// Texture atlases are a grid of materials (columns) × four shades (rows, lit to dark); a box face takes the
// shade of the way it faces, since the test draws without lighting.
struct Atlas {
    int columns = 4;
};

void addQuad(FrameMesh& mesh, const Atlas& atlas, int material, int shade, const std::array<V3, 4>& corners) {
    const auto base = static_cast<std::int32_t>(mesh.positions.size());
    const V3 normal = normalised(cross(corners[1] - corners[0], corners[2] - corners[0]));
    const float inset = 0.06f;
    const float u[4] = {inset, 1 - inset, 1 - inset, inset};
    const float v[4] = {1 - inset, 1 - inset, inset, inset};
    for (int i = 0; i < 4; ++i) {
        mesh.positions.push_back(corners[static_cast<std::size_t>(i)]);
        mesh.normals.push_back(normal);
        mesh.st.push_back({(static_cast<float>(material) + u[i]) / static_cast<float>(atlas.columns),
                           (static_cast<float>(shade) + v[i]) / 4.0f});
    }
    mesh.triangles.push_back({base, base + 1, base + 2});
    mesh.triangles.push_back({base, base + 2, base + 3});
}

// A box from lo to hi in the placement's frame; the top face may be narrower (taper < 1) or wider.
void addBox(FrameMesh& mesh, const Atlas& atlas, int material, const Place& place, V3 lo, V3 hi,
            float taper = 1.0f) {
    const V3 centre = (lo + hi) * 0.5f;
    auto corner = [&](int ix, int iy, int iz) {
        V3 p{ix ? hi.x : lo.x, iy ? hi.y : lo.y, iz ? hi.z : lo.z};
        if (iz) {
            p.x = centre.x + (p.x - centre.x) * taper;
            p.y = centre.y + (p.y - centre.y) * taper;
        }
        return place.apply(p);
    };
    // Counter-clockwise seen from outside.
    addQuad(mesh, atlas, material, 1,
            {corner(1, 0, 0), corner(1, 1, 0), corner(1, 1, 1), corner(1, 0, 1)}); // front
    addQuad(mesh, atlas, material, 2,
            {corner(0, 1, 0), corner(0, 0, 0), corner(0, 0, 1), corner(0, 1, 1)}); // back
    addQuad(mesh, atlas, material, 2,
            {corner(1, 1, 0), corner(0, 1, 0), corner(0, 1, 1), corner(1, 1, 1)}); // left
    addQuad(mesh, atlas, material, 2,
            {corner(0, 0, 0), corner(1, 0, 0), corner(1, 0, 1), corner(0, 0, 1)}); // right
    addQuad(mesh, atlas, material, 0,
            {corner(0, 0, 1), corner(1, 0, 1), corner(1, 1, 1), corner(0, 1, 1)}); // top
    addQuad(mesh, atlas, material, 3,
            {corner(0, 1, 0), corner(1, 1, 0), corner(1, 0, 0), corner(0, 0, 0)}); // bottom
}

struct Tag {
    std::string name;
    Place place;
};

struct ModelFrame {
    std::vector<FrameMesh> meshes; // one per surface, same order every frame
    std::vector<Tag> tags;
};

struct Model {
    std::vector<std::string> surfaceNames;
    std::string shaderFolder;
    std::vector<ModelFrame> frames;
};

// --- MD3 writer
// ----------------------------------------------------------------------------------------------

using Bytes = vexlin::gfx::LittleEndianWriter;

std::int16_t fixed(float v) {
    return static_cast<std::int16_t>(std::lround(std::clamp(v * 64.0f, -32768.0f, 32767.0f)));
}

std::array<std::uint8_t, 2> encodeNormal(V3 n) {
    // Latitude and longitude in 255 steps per turn, the way the normal table is indexed.
    const float step = 255.0f / (2 * kPi);
    const float lat = std::acos(std::clamp(n.z, -1.0f, 1.0f));
    float lng = std::atan2(n.y, n.x);
    if (lng < 0) {
        lng += 2 * kPi;
    }
    return {static_cast<std::uint8_t>(std::lround(lat * step) % 255),
            static_cast<std::uint8_t>(std::lround(lng * step) % 255)};
}

Bytes surfaceBytes(const Model& model, std::size_t index) {
    const FrameMesh& first = model.frames.front().meshes[index];
    const auto verts = static_cast<std::int32_t>(first.positions.size());
    const auto tris = static_cast<std::int32_t>(first.triangles.size());
    const auto frames = static_cast<std::int32_t>(model.frames.size());
    const std::int32_t ofsShaders = 108;
    const std::int32_t ofsTriangles = ofsShaders + 68;
    const std::int32_t ofsSt = ofsTriangles + tris * 12;
    const std::int32_t ofsXyz = ofsSt + verts * 8;
    const std::int32_t ofsEnd = ofsXyz + verts * frames * 8;
    Bytes out;
    out.text("IDP3", 4);
    out.text(model.surfaceNames[index], 64);
    out.i32(0);
    for (std::int32_t v : {frames, 1, verts, tris, ofsTriangles, ofsShaders, ofsSt, ofsXyz, ofsEnd}) {
        out.i32(v);
    }
    out.text(model.shaderFolder + model.surfaceNames[index], 64);
    out.i32(0);
    for (const auto& t : first.triangles) {
        for (std::int32_t i : t) {
            out.i32(i);
        }
    }
    for (const auto& st : first.st) {
        out.f32(st[0]);
        out.f32(st[1]);
    }
    for (const ModelFrame& frame : model.frames) {
        const FrameMesh& mesh = frame.meshes[index];
        for (std::size_t v = 0; v < mesh.positions.size(); ++v) {
            out.i16(fixed(mesh.positions[v].x));
            out.i16(fixed(mesh.positions[v].y));
            out.i16(fixed(mesh.positions[v].z));
            const auto n = encodeNormal(mesh.normals[v]);
            out.u8(n[0]);
            out.u8(n[1]);
        }
    }
    return out;
}

Bytes md3Bytes(const Model& model, const std::string& name) {
    const auto frames = static_cast<std::int32_t>(model.frames.size());
    const auto tags = static_cast<std::int32_t>(model.frames.front().tags.size());
    const auto surfaces = static_cast<std::int32_t>(model.surfaceNames.size());
    const std::int32_t ofsFrames = 108;
    const std::int32_t ofsTags = ofsFrames + frames * 56;
    const std::int32_t ofsSurfaces = ofsTags + frames * tags * 112;
    Bytes body;
    for (std::size_t s = 0; s < model.surfaceNames.size(); ++s) {
        body.append(surfaceBytes(model, s));
    }
    Bytes out;
    out.text("IDP3", 4);
    out.i32(15);
    out.text(name, 64);
    out.i32(0);
    for (std::int32_t v : {frames, tags, surfaces, 0, ofsFrames, ofsTags, ofsSurfaces,
                           ofsSurfaces + static_cast<std::int32_t>(body.size())}) {
        out.i32(v);
    }
    for (std::size_t f = 0; f < model.frames.size(); ++f) {
        V3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
        for (const FrameMesh& mesh : model.frames[f].meshes) {
            for (const V3& p : mesh.positions) {
                lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
                hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
            }
        }
        for (float v : {lo.x, lo.y, lo.z, hi.x, hi.y, hi.z, 0.0f, 0.0f, 0.0f}) {
            out.f32(v);
        }
        const V3 extent = hi - lo;
        out.f32(0.5f * std::sqrt(extent.x * extent.x + extent.y * extent.y + extent.z * extent.z));
        out.text("frame" + std::to_string(f), 16);
    }
    for (const ModelFrame& frame : model.frames) {
        for (const Tag& tag : frame.tags) {
            out.text(tag.name, 64);
            out.f32(tag.place.origin.x);
            out.f32(tag.place.origin.y);
            out.f32(tag.place.origin.z);
            for (const V3& axis : tag.place.axis) {
                out.f32(axis.x);
                out.f32(axis.y);
                out.f32(axis.z);
            }
        }
    }
    out.append(body);
    return out;
}

// --- textures ----------------------------------------------------------------------------------------------

struct Rgb {
    float r, g, b;
};

std::uint32_t hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
    std::uint32_t h = x * 374761393u + y * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}
float noise(int x, int y, std::uint32_t seed) {
    return static_cast<float>(hash(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), seed) &
                              0xffff) /
           65535.0f;
}

// A material paints one cell; x and y run over the cell's pixels, size is its side.
using Material = std::function<Rgb(int x, int y, int size)>;

Rgb armour(int x, int y, int size, Rgb base, std::uint32_t seed) {
    const int panel = size / 2;
    const bool seam = x % panel == 0 || y % panel == 0;
    const bool rivet =
        (x % panel == 3 || x % panel == panel - 3) && (y % panel == 3 || y % panel == panel - 3);
    const float grain = 0.9f + 0.2f * noise(x, y, seed);
    float k = seam ? 0.55f : rivet ? 1.45f : grain;
    // A little wear along the upper edges of each plate.
    if (y % panel == 1 && noise(x, y, seed + 7) > 0.4f) {
        k *= 1.25f;
    }
    return {base.r * k, base.g * k, base.b * k};
}
Rgb brushed(int x, int y, Rgb base, std::uint32_t seed) {
    const float k = 0.85f + 0.3f * noise(x / 4, y, seed);
    return {base.r * k, base.g * k, base.b * k};
}
Rgb woven(int x, int y, Rgb base, std::uint32_t seed) {
    const float k = ((x + y) % 4 < 2 ? 0.9f : 1.05f) + 0.15f * noise(x, y, seed);
    return {base.r * k, base.g * k, base.b * k};
}
Rgb hazard(int x, int y, Rgb base) {
    const bool dark = ((x + y) / 4) % 2 == 0;
    return dark ? Rgb{base.r * 0.25f, base.g * 0.25f, base.b * 0.25f} : base;
}
Rgb glowBand(int, int y, int size, Rgb base, Rgb glow) {
    const float d =
        std::abs(static_cast<float>(y) - static_cast<float>(size) / 2.0f) / (static_cast<float>(size) / 2.0f);
    const float k = std::clamp(1.0f - d * 2.5f, 0.0f, 1.0f);
    return {base.r + (glow.r - base.r) * k, base.g + (glow.g - base.g) * k, base.b + (glow.b - base.b) * k};
}

struct Image {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb; // top row first
};

Image paintAtlas(const std::vector<Material>& materials, int cell) {
    Image image;
    image.width = cell * static_cast<int>(materials.size());
    image.height = cell * 4;
    image.rgb.resize(static_cast<std::size_t>(image.width * image.height * 3));
    const float shades[4] = {1.0f, 0.82f, 0.64f, 0.46f};
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const Rgb c = materials[static_cast<std::size_t>(x / cell)](x % cell, y % cell, cell);
            const float k = shades[y / cell];
            const std::size_t at = static_cast<std::size_t>((y * image.width + x) * 3);
            image.rgb[at] = static_cast<std::uint8_t>(std::clamp(c.r * k, 0.0f, 255.0f));
            image.rgb[at + 1] = static_cast<std::uint8_t>(std::clamp(c.g * k, 0.0f, 255.0f));
            image.rgb[at + 2] = static_cast<std::uint8_t>(std::clamp(c.b * k, 0.0f, 255.0f));
        }
    }
    return image;
}

void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.string().c_str());
        std::exit(1);
    }
}

void writeText(const std::filesystem::path& path, const std::string& text) {
    writeFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

// Uncompressed true-colour TGA, bottom row first; 32-bit pictures get an opaque alpha.
void writeTga(const std::filesystem::path& path, const Image& image, int bits) {
    std::vector<std::uint8_t> out(18, 0);
    out[2] = 2;
    out[12] = static_cast<std::uint8_t>(image.width & 0xff);
    out[13] = static_cast<std::uint8_t>(image.width >> 8);
    out[14] = static_cast<std::uint8_t>(image.height & 0xff);
    out[15] = static_cast<std::uint8_t>(image.height >> 8);
    out[16] = static_cast<std::uint8_t>(bits);
    out[17] = bits == 32 ? 8 : 0;
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const std::size_t at = static_cast<std::size_t>((y * image.width + x) * 3);
            out.push_back(image.rgb[at + 2]);
            out.push_back(image.rgb[at + 1]);
            out.push_back(image.rgb[at]);
            if (bits == 32) {
                out.push_back(255);
            }
        }
    }
    writeFile(path, out);
}

void writeJpeg(const std::filesystem::path& path, const Image& image) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(image.width);
    info.image_height = static_cast<JDIMENSION>(image.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 88, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row =
            const_cast<std::uint8_t*>(image.rgb.data()) +
            static_cast<std::size_t>(info.next_scanline) * static_cast<std::size_t>(image.width) * 3;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    writeFile(path, std::vector<std::uint8_t>(buffer, buffer + size));
    jpeg_destroy_compress(&info);
    std::free(buffer);
}

// --- the figure --------------------------------------------------------------------------------------------

// Body atlas columns.
constexpr int kArmour = 0, kMetal = 1, kCloth = 2, kAccent = 3;
// Head atlas columns.
constexpr int kHelmet = 0, kVisor = 1, kSkin = 2, kCrest = 3;

const Atlas kFourColumns{4};
const Atlas kOneColumn{1};

struct LegPose {
    float hip = 0;  // forward swing, degrees
    float knee = 0; // bend, degrees
};

// The lower body for one frame: hips, two legs, the torso tag.
ModelFrame lowerFrame(LegPose left, LegPose right, float bob, float twist) {
    ModelFrame frame;
    frame.meshes.resize(1);
    FrameMesh& legs = frame.meshes[0];
    const Place hips = at({0, 0, bob});
    addBox(legs, kFourColumns, kCloth, hips, {-3.5f, -5.5f, -3.5f}, {3.5f, 5.5f, 1.0f});
    addBox(legs, kFourColumns, kAccent, hips, {-3.8f, -5.8f, 0.5f}, {3.8f, 5.8f, 2.5f}); // belt
    addBox(legs, kFourColumns, kMetal, hips, {3.6f, -1.5f, -1.5f}, {4.6f, 1.5f, 2.2f});  // buckle plate
    for (int side : {1, -1}) {
        const LegPose pose = side > 0 ? left : right;
        const Place hip = hips.then(turnY(-pose.hip, {0, 3.0f * static_cast<float>(side), -2.0f}));
        addBox(legs, kFourColumns, kArmour, hip, {-2.6f, -2.4f, -11.0f}, {2.6f, 2.4f, 0.5f}, 1.12f); // thigh
        const Place knee = hip.then(turnY(pose.knee, {0, 0, -11.0f}));
        addBox(legs, kFourColumns, kMetal, knee, {1.6f, -1.9f, -2.0f}, {3.0f, 1.9f, 2.0f}); // knee pad
        addBox(legs, kFourColumns, kArmour, knee, {-2.2f, -2.1f, -9.5f}, {2.2f, 2.1f, 0.0f}, 1.1f); // shin
        const Place ankle = knee.then(turnY(-pose.knee * 0.6f + pose.hip * 0.3f, {0, 0, -9.5f}));
        addBox(legs, kFourColumns, kMetal, ankle, {-2.6f, -2.5f, -2.5f}, {4.8f, 2.5f, 0.5f}); // boot
    }
    Place torso = hips.then(turnZ(twist, {0, 0, 2.5f}));
    frame.tags.push_back({"tag_torso", torso});
    return frame;
}

struct ArmPose {
    float shoulder = 0; // forward swing
    float spread = 0;   // away from the body
    float elbow = 0;    // forward bend
};

// The upper body for one frame; breath runs from -1 to 1.
ModelFrame upperFrame(float breath) {
    ModelFrame frame;
    frame.meshes.resize(2);
    FrameMesh& torso = frame.meshes[0];
    FrameMesh& arms = frame.meshes[1];
    const float chest = 1.0f + 0.035f * breath;
    const float rise = 0.45f * breath;
    addBox(torso, kFourColumns, kCloth, at({}), {-3.2f, -5.0f, 0.0f}, {3.2f, 5.0f, 6.0f});
    const Place ribs = at({0, 0, rise * 0.5f});
    addBox(torso, kFourColumns, kArmour, ribs, {-4.2f * chest, -7.0f * chest, 5.0f},
           {4.6f * chest, 7.0f * chest, 15.0f}, 1.08f);
    addBox(torso, kFourColumns, kAccent, ribs, {4.4f * chest, -3.5f, 8.0f},
           {5.4f * chest, 3.5f, 13.0f}); // chest plate
    addBox(torso, kFourColumns, kMetal, ribs, {-8.0f, -5.0f, 6.5f}, {-4.0f, 5.0f, 14.5f}, 0.9f); // back pack
    addBox(torso, kFourColumns, kMetal, ribs, {-2.2f, -2.2f, 14.5f}, {2.2f, 2.2f, 16.5f});       // collar
    const ArmPose right{55, -8, 65};
    const ArmPose left{62, -14, 48};
    Place rightHand;
    for (int side : {1, -1}) {
        const float s = static_cast<float>(side);
        const ArmPose pose = side > 0 ? left : right;
        const Place shoulder = ribs.then(at({0, 8.6f * s, 13.5f + rise}));
        addBox(torso, kFourColumns, kArmour, shoulder.then(turnX(-12.0f * s)), {-3.6f, -3.0f, -1.8f},
               {3.6f, 3.0f, 2.4f},
               0.8f); // shoulder pad
        const Place upperArm = shoulder.then(turnX(pose.spread * s)).then(turnY(-pose.shoulder));
        addBox(arms, kFourColumns, kCloth, upperArm, {-1.8f, -1.8f, -8.0f}, {1.8f, 1.8f, 0.0f});
        const Place elbow = upperArm.then(turnY(-pose.elbow, {0, 0, -8.0f}));
        addBox(arms, kFourColumns, kArmour, elbow, {-2.2f, -2.2f, -7.5f}, {2.2f, 2.2f, 0.5f},
               1.1f); // forearm
        const Place hand = elbow.then(at({0, 0, -8.5f}));
        addBox(arms, kFourColumns, kMetal, hand, {-1.5f, -1.5f, -1.5f}, {1.5f, 1.5f, 1.0f});
        if (side < 0) {
            rightHand = hand;
        }
    }
    frame.tags.push_back({"tag_head", at({0, 0, 16.5f + rise})});
    // The weapon is held across the chest, muzzle to the left, so that it reads as a weapon from the
    // front where the test's camera looks from.
    frame.tags.push_back(
        {"tag_weapon", at(rightHand.origin + V3{1.5f, 0, -2.0f}).then(turnZ(42.0f)).then(turnY(-6.0f))});
    return frame;
}

ModelFrame headFrame() {
    ModelFrame frame;
    frame.meshes.resize(1);
    FrameMesh& head = frame.meshes[0];
    addBox(head, kFourColumns, kSkin, at({}), {-1.6f, -1.6f, 0.0f}, {1.6f, 1.6f, 2.6f});           // neck
    addBox(head, kFourColumns, kHelmet, at({}), {-4.2f, -3.9f, 2.0f}, {3.8f, 3.9f, 10.0f}, 0.82f); // helmet
    addBox(head, kFourColumns, kVisor, at({}), {3.3f, -3.2f, 5.2f}, {4.5f, 3.2f, 7.6f});           // visor
    addBox(head, kFourColumns, kSkin, at({}), {1.2f, -2.7f, 2.3f}, {4.0f, 2.7f, 5.3f});            // face
    addBox(head, kFourColumns, kCrest, at({}), {-3.6f, -0.6f, 9.4f}, {2.8f, 0.6f, 11.2f});         // crest
    addBox(head, kFourColumns, kCrest, at({}), {-1.0f, 3.6f, 4.0f}, {1.0f, 4.6f, 7.0f}); // ear guards
    addBox(head, kFourColumns, kCrest, at({}), {-1.0f, -4.6f, 4.0f}, {1.0f, -3.6f, 7.0f});
    return frame;
}

ModelFrame weaponFrame() {
    ModelFrame frame;
    frame.meshes.resize(5);
    const Place grip = at({});
    addBox(frame.meshes[0], kOneColumn, 0, grip, {-6.0f, -1.6f, 0.0f},
           {10.0f, 1.6f, 3.4f}); // w_railgun1: body
    addBox(frame.meshes[1], kOneColumn, 0, grip, {9.0f, -0.6f, 1.1f},
           {27.0f, 0.6f, 2.3f});                          // w_railgun2: core
    for (float x : {12.0f, 15.5f, 19.0f, 22.5f, 26.0f}) { // w_railgun3: coils
        addBox(frame.meshes[2], kOneColumn, 0, grip, {x - 0.7f, -1.5f, 0.2f}, {x + 0.7f, 1.5f, 3.2f});
    }
    addBox(frame.meshes[3], kOneColumn, 0, grip, {-1.2f, -1.1f, -4.5f},
           {1.4f, 1.1f, 0.2f}); // w_railgun4: grip
    addBox(frame.meshes[3], kOneColumn, 0, grip, {-13.0f, -1.2f, -1.5f}, {-5.5f, 1.2f, 2.8f}); // and stock
    addBox(frame.meshes[4], kOneColumn, 0, grip, {0.0f, -0.7f, 3.4f},
           {6.0f, 0.7f, 5.0f}); // w_railgun05: sight
    return frame;
}

// Rows of animation.cfg: name, frames, looping frames, rate.  Upper-body frames are numbered from 0 (both-
// body rows first, then the upper rows); the lower-body rows continue the count after the last upper frame.
struct Animation {
    const char* name;
    int frames;
    int looping;
    int rate;
};
const Animation kAnimations[26] = {
    {"BOTH_DEATH1", 1, 0, 20},   {"BOTH_DEAD1", 1, 0, 20},    {"BOTH_DEATH2", 1, 0, 20},
    {"BOTH_DEAD2", 1, 0, 20},    {"BOTH_DEATH3", 1, 0, 20},   {"BOTH_DEAD3", 1, 0, 20},
    {"TORSO_GESTURE", 1, 0, 15}, {"TORSO_ATTACK", 1, 0, 15},  {"TORSO_ATTACK2", 1, 0, 15},
    {"TORSO_DROP", 1, 0, 15},    {"TORSO_RAISE", 1, 0, 15},   {"TORSO_STAND", 10, 10, 6},
    {"TORSO_STAND2", 1, 0, 15},  {"LEGS_WALKCR", 1, 0, 15},   {"LEGS_WALK", 12, 12, 15},
    {"LEGS_RUN", 1, 0, 15},      {"LEGS_BACK", 1, 0, 15},     {"LEGS_SWIM", 1, 0, 15},
    {"LEGS_JUMP", 1, 0, 15},     {"LEGS_LAND", 1, 0, 15},     {"LEGS_JUMPB", 1, 0, 15},
    {"LEGS_LANDB", 1, 0, 15},    {"LEGS_IDLE", 1, 0, 15},     {"LEGS_IDLECR", 1, 0, 15},
    {"LEGS_TURN", 1, 0, 15},     {"LEGS_BACKWALK", 1, 0, 15},
};
constexpr int kTorsoStand = 11;
constexpr int kLegsWalk = 14;

std::string animationConfig() {
    std::string text = "// animation config file\n// made by tools/modelgen\n\nsex\tm\n\nheadoffset\t0 0 0\n"
                       "footsteps\tboot\n\n";
    int frame = 0;
    for (const Animation& a : kAnimations) {
        text += std::to_string(frame) + "\t" + std::to_string(a.frames) + "\t" + std::to_string(a.looping) +
                "\t" + std::to_string(a.rate) + "\t\t// " + a.name + "\n";
        frame += a.frames;
    }
    return text;
}

Model lowerModel() {
    Model model;
    model.surfaceNames = {"l_legs"};
    model.shaderFolder = "data/model/sarge/";
    const LegPose still{};
    // Both-body rows share the first frames; then the lower rows in order.
    for (int row = 0; row < 26; ++row) {
        if (row >= 6 && row < 13) {
            continue;
        }
        const Animation& a = kAnimations[row];
        for (int f = 0; f < a.frames; ++f) {
            if (row == kLegsWalk) {
                const float phase = 2 * kPi * static_cast<float>(f) / static_cast<float>(a.frames);
                const float swing = 26.0f * std::sin(phase);
                const LegPose left{swing, 8.0f + 38.0f * std::max(0.0f, std::sin(phase + kPi / 2))};
                const LegPose right{-swing, 8.0f + 38.0f * std::max(0.0f, std::sin(phase - kPi / 2))};
                model.frames.push_back(
                    lowerFrame(left, right, -0.7f * std::abs(std::sin(phase)), 5.0f * std::sin(phase)));
            } else {
                model.frames.push_back(lowerFrame(still, still, 0, 0));
            }
        }
    }
    return model;
}

Model upperModel() {
    Model model;
    model.surfaceNames = {"u_torso", "u_arms"};
    model.shaderFolder = "data/model/sarge/";
    for (int row = 0; row < 13; ++row) {
        const Animation& a = kAnimations[row];
        for (int f = 0; f < a.frames; ++f) {
            const float breath =
                row == kTorsoStand ? std::sin(2 * kPi * static_cast<float>(f) / static_cast<float>(a.frames))
                                   : 0.0f;
            model.frames.push_back(upperFrame(breath));
        }
    }
    return model;
}

Model singleFrame(std::vector<std::string> names, std::string folder, ModelFrame frame) {
    Model model;
    model.surfaceNames = std::move(names);
    model.shaderFolder = std::move(folder);
    model.frames.push_back(std::move(frame));
    return model;
}

void writeModel(const std::filesystem::path& path, const Model& model) {
    writeFile(path, md3Bytes(model, path.filename().string()).data());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR   (writes OUTPUT_DIR/sarge and OUTPUT_DIR/railgun)\n",
                     argv[0]);
        return 2;
    }
    const std::filesystem::path root(argv[1]);
    const auto figure = root / "sarge";
    const auto weapon = root / "railgun";
    std::filesystem::create_directories(figure);
    std::filesystem::create_directories(weapon);

    writeModel(figure / "lower.md3", lowerModel());
    writeModel(figure / "upper.md3", upperModel());
    writeModel(figure / "head.md3", singleFrame({"h_head"}, "data/model/sarge/", headFrame()));
    writeText(figure / "animation.cfg", animationConfig());
    writeText(figure / "lower_default.skin", "l_legs,data/model/sarge/lower.tga\ntag_torso,\n");
    writeText(
        figure / "upper_default.skin",
        "u_torso,data/model/sarge/upper.tga\nu_arms,data/model/sarge/upper.tga\ntag_head,\ntag_weapon,\n");
    writeText(figure / "head_default.skin", "h_head,data/model/sarge/head.jpg\n");

    const Rgb olive{96, 110, 62}, gunmetal{92, 96, 104}, khaki{92, 76, 54}, orange{222, 150, 34};
    const int cell = 32;
    const std::vector<Material> body = {
        [=](int x, int y, int size) { return armour(x, y, size, olive, 1); },
        [=](int x, int y, int) { return brushed(x, y, gunmetal, 2); },
        [=](int x, int y, int) { return woven(x, y, khaki, 3); },
        [=](int x, int y, int) { return hazard(x, y, orange); },
    };
    writeTga(figure / "lower.tga", paintAtlas(body, cell), 24);
    writeTga(figure / "upper.tga", paintAtlas(body, cell), 32);
    const std::vector<Material> head = {
        [=](int x, int y, int size) {
            return armour(x, y, size, Rgb{84, 100, 58}, 4);
        },
        [=](int x, int y, int size) {
            return glowBand(x, y, size, Rgb{18, 24, 32}, Rgb{90, 235, 255});
        },
        [=](int x, int y, int) {
            return woven(x, y, Rgb{196, 150, 118}, 5);
        },
        [=](int x, int y, int) {
            return brushed(x, y, Rgb{150, 40, 30}, 6);
        },
    };
    writeJpeg(figure / "head.jpg", paintAtlas(head, cell));

    writeModel(weapon / "railgun.md3",
               singleFrame({"w_railgun1", "w_railgun2", "w_railgun3", "w_railgun4", "w_railgun05"},
                           "data/model/railgun/", weaponFrame()));
    auto one = [](Material m) { return std::vector<Material>{std::move(m)}; };
    writeJpeg(weapon / "railgun1.jpg", paintAtlas(one([](int x, int y, int size) {
                                                      return armour(x, y, size, Rgb{70, 78, 90}, 7);
                                                  }),
                                                  cell));
    writeJpeg(weapon / "railgun2.glow.jpg",
              paintAtlas(one([](int x, int y, int size) {
                             return glowBand(x, y, size, Rgb{20, 90, 30}, Rgb{170, 255, 150});
                         }),
                         cell));
    writeJpeg(weapon / "railgun3.glow.jpg",
              paintAtlas(one([](int x, int, int) {
                             const float ring = 0.6f + 0.4f * std::cos(static_cast<float>(x) * 0.8f);
                             return Rgb{40 * ring, 150 * ring, 255 * ring};
                         }),
                         cell));
    writeJpeg(weapon / "railgun4.jpg", paintAtlas(one([](int x, int y, int) {
                                                      return woven(x, y, Rgb{46, 44, 42}, 8);
                                                  }),
                                                  cell));
    std::printf("wrote %s and %s\n", figure.string().c_str(), weapon.string().c_str());
    return 0;
}
