#pragma once

#include "gfx/LoadResult.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// MD3 models: reading, skins, tags.  All numbers little-endian, floats 32-bit IEEE.
//
// File header (108 bytes)                      Surface header (108 bytes, offsets from the surface's start)
//   0  char[4] "IDP3"   4 int32 version 15        0  char[4] ident          4  char[64] name
//   8  char[64] name   72 int32 flags             68 int32 flags           72 int32 frame count
//   76 int32 frames    80 int32 tags              76 int32 shader count    80 int32 vertex count
//   84 int32 surfaces  88 int32 skins             84 int32 triangle count  88 int32 triangle offset
//   92 int32 frame offset   96 int32 tag offset   92 int32 shader offset   96 int32 texture-coordinate offset
//   100 int32 surface offset  104 int32 end       100 int32 vertex offset  104 int32 end (next surface)
// Frame 56 bytes: float mins[3], maxs[3], origin[3], radius, char name[16].
// Tag 112 bytes: char name[64], float origin[3], float axis[3][3]; frame-major (frame f's tags together).
// Shader 68 bytes: char name[64], int32 index.   Triangle 12 bytes: int32 index[3].
// Texture coordinate 8 bytes: float s, t.       Vertex 8 bytes: int16 x, y, z (1/64 units), uint8 lat, lng.
// Every count and offset is checked against the file's size before anything is read.
namespace vexlin::gfx {

struct Md3Header {
    char ident[4]{};
    std::int32_t version = 0;
    char name[64]{};
    std::int32_t flags = 0;
    std::int32_t numFrames = 0;
    std::int32_t numTags = 0;
    std::int32_t numSurfaces = 0;
    std::int32_t numSkins = 0;
    std::int32_t ofsFrames = 0;
    std::int32_t ofsTags = 0;
    std::int32_t ofsSurfaces = 0;
    std::int32_t ofsEnd = 0;
};

struct Md3Frame {
    float mins[3]{};
    float maxs[3]{};
    float origin[3]{};
    float radius = 0;
    char name[16]{};
};

struct Md3Tag {
    char name[64]{};
    float origin[3]{};
    float axis[3][3]{};
};

struct Md3SurfaceHeader {
    char ident[4]{};
    char name[64]{};
    std::int32_t flags = 0;
    std::int32_t numFrames = 0;
    std::int32_t numShaders = 0;
    std::int32_t numVerts = 0;
    std::int32_t numTriangles = 0;
    std::int32_t ofsTriangles = 0;
    std::int32_t ofsShaders = 0;
    std::int32_t ofsSt = 0;
    std::int32_t ofsXyzNormals = 0;
    std::int32_t ofsEnd = 0;
};

struct Md3Shader {
    char name[64]{};
    std::int32_t index = 0;
};

struct Md3Triangle {
    std::int32_t index[3]{};
};

struct Md3TexCoord {
    float s = 0;
    float t = 0;
};

struct Md3Vertex {
    std::int16_t position[3]{};
    std::uint8_t normal[2]{};
};

struct Md3Mesh {
    Md3SurfaceHeader header;
    std::vector<Md3Shader> shaders;
    std::vector<Md3Triangle> triangles;
    std::vector<Md3TexCoord> texCoords; // numVerts entries
    std::vector<Md3Vertex> vertices;    // numVerts × numFrames, frame-major
    std::uint32_t texture = 0;
    bool hasTexture = false;
};

// One model with its animation state.  Links point at models attached to this one's tags; they are not owned.
struct Md3Model {
    std::int32_t currentFrame = 0;
    std::int32_t startFrame = 0;
    std::int32_t endFrame = 0;
    std::int32_t nextFrame = 0;
    std::int32_t framesPerSecond = 0;
    float interpolation = 0;
    float lastTime = 0;

    std::string fileName;
    Md3Header header; // numFrames holds the last frame's index once read
    std::vector<Md3Frame> frames;
    std::vector<Md3Tag> tags; // frames.size() × numTags
    std::vector<Md3Mesh> meshes;
    std::vector<Md3Model*> links; // one per tag

    std::int32_t frameTotal() const { return static_cast<std::int32_t>(frames.size()); }
    std::int32_t tagCount() const { return static_cast<std::int32_t>(links.size()); }
};

// The characters of a fixed-width name field up to its first zero byte.
template <std::size_t N> std::string FixedCharsToString(const char (&chars)[N]) {
    std::size_t length = 0;
    while (length < N && chars[length] != '\0') {
        ++length;
    }
    return std::string(chars, length);
}

// Reads a file into a fresh model.  A missing file, or one that is not MD3 version 15, leaves the model empty
// and is no error; a file that promises more than it holds, or whose triangles name vertices it does not
// have, is refused with an error naming it.
std::optional<LoadError> ReadMd3File(Md3Model& model, const std::string& fileName);
std::optional<LoadError> readMd3Bytes(Md3Model& model, const std::string& fileName,
                                      std::span<const std::uint8_t> bytes);

// Links other to the first tag of model named exactly tagName; no such tag, no change.
void AttachToTag(Md3Model& model, std::string_view tagName, Md3Model& other);

// One usable line of a skin file.
struct SkinEntry {
    std::string meshName;
    std::string textureFile; // without its folders
};
std::vector<SkinEntry> parseSkin(std::string_view text);

// Maps a data path as the program writes it ("data\model\sarge\lower.md3") to a file that can be opened.
using DataLocator = std::function<std::string(std::string_view written)>;

// Gives each mesh named in folder + skinFileName (ignoring case) the texture folder + file; the mesh counts
// as textured even when its picture could not be loaded.  A missing skin file changes nothing.
std::optional<LoadError> ReadSkinFile(Md3Model& model, std::string_view folder, std::string_view skinFileName,
                                      const DataLocator& locate, TextureMaker& maker,
                                      std::vector<TextureMessage>& messages);

// The vertex-normal table: entry [latitude byte][longitude byte], shared by every model.
using NormalTable = std::array<std::array<std::array<double, 3>, 256>, 256>;
const NormalTable& normalTable();
void BuildNormalTable();
bool normalTableBuilt();

bool equalsIgnoringCase(std::string_view a, std::string_view b);

} // namespace vexlin::gfx
