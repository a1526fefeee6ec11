#include "gfx/Md3Model.h"

#include "gfx/ByteReader.h"
#include "gfx/Textures.h"
#include "platform/CaseInsensitivePath.h"
#include "text/PlainText.h"

#include <cmath>
#include <numbers>

namespace vexlin::gfx {
// Skin files written on Windows end their lines with CR LF, and hand-edited ones leave blanks around names.
using text::trimmed;

namespace {

constexpr std::int64_t kHeaderSize = 108;
constexpr std::int64_t kFrameSize = 56;
constexpr std::int64_t kTagSize = 112;
constexpr std::int64_t kSurfaceHeaderSize = 108;
constexpr std::int64_t kShaderSize = 68;
constexpr std::int64_t kTriangleSize = 12;
constexpr std::int64_t kTexCoordSize = 8;
constexpr std::int64_t kVertexSize = 8;

NormalTable& mutableNormals() {
    static NormalTable table{};
    return table;
}

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

class Md3Parser {
public:
    Md3Parser(Md3Model& model, const std::string& fileName, std::span<const std::uint8_t> bytes)
        : model_(model), fileName_(fileName), in_(bytes) {}

    std::optional<LoadError> run() {
        if (!in_.contains(0, kHeaderSize)) {
            return fail("файл короче заголовка (" + std::to_string(in_.size()) + " из 108 байт)");
        }
        Md3Header header;
        readHeader(header);
        std::string ident(header.ident, 4);
        for (char& c : ident) {
            c = upper(c);
        }
        if (ident != "IDP3" || header.version != 15) {
            return std::nullopt; // not a model of ours: stays empty
        }
        if (header.numFrames < 1) {
            return fail("в модели нет ни одного кадра");
        }
        if (header.numTags < 0 || header.numSurfaces < 0) {
            return fail("отрицательное число меток или поверхностей");
        }
        if (!in_.contains(header.ofsFrames, header.numFrames, kFrameSize)) {
            return fail(outside("кадры", header.ofsFrames));
        }
        if (!in_.contains(header.ofsTags, std::int64_t{header.numFrames} * header.numTags, kTagSize)) {
            return fail(outside("метки", header.ofsTags));
        }
        // Each surface takes at least its header's bytes, so the count is held against what is left.
        if (!in_.contains(header.ofsSurfaces, header.numSurfaces, kSurfaceHeaderSize)) {
            return fail(outside(std::to_string(header.numSurfaces) + " поверхностей", header.ofsSurfaces));
        }
        Md3Model fresh;
        fresh.fileName = fileName_;
        fresh.header = header;
        readFrames(fresh, header);
        readTags(fresh, header);
        std::int64_t surfaceStart = header.ofsSurfaces;
        for (std::int32_t s = 0; s < header.numSurfaces; ++s) {
            Md3Mesh mesh;
            if (auto error = readSurface(mesh, surfaceStart, s, header.numFrames)) {
                return error;
            }
            fresh.meshes.push_back(std::move(mesh));
            surfaceStart += fresh.meshes.back().header.ofsEnd;
        }
        fresh.links.assign(static_cast<std::size_t>(header.numTags), nullptr);
        // The header keeps the last frame's index from here on.
        fresh.header.numFrames -= 1;
        fresh.startFrame = 0;
        fresh.endFrame = fresh.header.numFrames;
        model_ = std::move(fresh);
        return std::nullopt;
    }

private:
    LoadError fail(const std::string& what) const {
        return {"Файл модели \"" + fileName_ + "\" повреждён: " + what};
    }
    std::string outside(const std::string& what, std::int64_t offset) const {
        return what + " по смещению " + std::to_string(offset) + " выходят за конец файла или поверхности (" +
               std::to_string(in_.size()) + " байт)";
    }

    void readHeader(Md3Header& h) const {
        in_.chars(0, h.ident, 4);
        h.version = in_.i32(4);
        in_.chars(8, h.name, 64);
        h.flags = in_.i32(72);
        h.numFrames = in_.i32(76);
        h.numTags = in_.i32(80);
        h.numSurfaces = in_.i32(84);
        h.numSkins = in_.i32(88);
        h.ofsFrames = in_.i32(92);
        h.ofsTags = in_.i32(96);
        h.ofsSurfaces = in_.i32(100);
        h.ofsEnd = in_.i32(104);
    }

    void readFloats(std::size_t at, float* out, int count) const {
        for (int i = 0; i < count; ++i) {
            out[i] = in_.f32(at + static_cast<std::size_t>(i) * 4);
        }
    }

    void readFrames(Md3Model& model, const Md3Header& h) const {
        model.frames.resize(static_cast<std::size_t>(h.numFrames));
        for (std::size_t f = 0; f < model.frames.size(); ++f) {
            const std::size_t at = static_cast<std::size_t>(h.ofsFrames) + f * kFrameSize;
            Md3Frame& frame = model.frames[f];
            readFloats(at, frame.mins, 3);
            readFloats(at + 12, frame.maxs, 3);
            readFloats(at + 24, frame.origin, 3);
            frame.radius = in_.f32(at + 36);
            in_.chars(at + 40, frame.name, 16);
        }
    }

    void readTags(Md3Model& model, const Md3Header& h) const {
        model.tags.resize(static_cast<std::size_t>(h.numFrames) * static_cast<std::size_t>(h.numTags));
        for (std::size_t t = 0; t < model.tags.size(); ++t) {
            const std::size_t at = static_cast<std::size_t>(h.ofsTags) + t * kTagSize;
            Md3Tag& tag = model.tags[t];
            in_.chars(at, tag.name, 64);
            readFloats(at + 64, tag.origin, 3);
            readFloats(at + 76, &tag.axis[0][0], 9);
        }
    }

    std::optional<LoadError> readSurface(Md3Mesh& mesh, std::int64_t start, std::int32_t index,
                                         std::int32_t modelFrames) const {
        const std::string which = "поверхность " + std::to_string(index + 1);
        if (!in_.contains(start, kSurfaceHeaderSize)) {
            return fail(outside(which, start));
        }
        Md3SurfaceHeader& h = mesh.header;
        const auto at = static_cast<std::size_t>(start);
        in_.chars(at, h.ident, 4);
        in_.chars(at + 4, h.name, 64);
        h.flags = in_.i32(at + 68);
        h.numFrames = in_.i32(at + 72);
        h.numShaders = in_.i32(at + 76);
        h.numVerts = in_.i32(at + 80);
        h.numTriangles = in_.i32(at + 84);
        h.ofsTriangles = in_.i32(at + 88);
        h.ofsShaders = in_.i32(at + 92);
        h.ofsSt = in_.i32(at + 96);
        h.ofsXyzNormals = in_.i32(at + 100);
        h.ofsEnd = in_.i32(at + 104);
        const std::string name = which + " \"" + FixedCharsToString(h.name) + "\"";
        // The next surface starts at the end offset: one that does not move past the header would have the
        // reader go round the same bytes, and one past the file's end holds nothing.
        if (h.ofsEnd < kSurfaceHeaderSize || !in_.contains(start, h.ofsEnd)) {
            return fail(name + ": конец поверхности " + std::to_string(h.ofsEnd) +
                        " не за её заголовком или за концом файла");
        }
        // Every frame of the model is drawn from every surface, so a surface must have them all.
        if (h.numFrames != modelFrames) {
            return fail(name + ": " + std::to_string(h.numFrames) + " кадров вместо " +
                        std::to_string(modelFrames));
        }
        if (h.numShaders < 0 || h.numVerts < 0 || h.numTriangles < 0) {
            return fail(name + ": отрицательное число элементов");
        }
        // A surface's pieces lie inside its own bytes, so that no two surfaces read the same data and what a
        // model holds stays in proportion to its file.
        const ByteReader own(in_.span(static_cast<std::size_t>(start), static_cast<std::size_t>(h.ofsEnd)));
        if (!own.contains(h.ofsShaders, h.numShaders, kShaderSize)) {
            return fail(outside(name + ": шейдеры", start + h.ofsShaders));
        }
        if (!own.contains(h.ofsTriangles, h.numTriangles, kTriangleSize)) {
            return fail(outside(name + ": треугольники", start + h.ofsTriangles));
        }
        if (!own.contains(h.ofsSt, h.numVerts, kTexCoordSize)) {
            return fail(outside(name + ": текстурные координаты", start + h.ofsSt));
        }
        if (!own.contains(h.ofsXyzNormals, std::int64_t{h.numVerts} * h.numFrames, kVertexSize)) {
            return fail(outside(name + ": вершины", start + h.ofsXyzNormals));
        }
        readShaders(mesh, at + static_cast<std::size_t>(h.ofsShaders));
        if (auto error = readTriangles(mesh, at + static_cast<std::size_t>(h.ofsTriangles), name)) {
            return error;
        }
        mesh.texCoords.resize(static_cast<std::size_t>(h.numVerts));
        for (std::size_t v = 0; v < mesh.texCoords.size(); ++v) {
            const std::size_t p = at + static_cast<std::size_t>(h.ofsSt) + v * kTexCoordSize;
            mesh.texCoords[v] = {in_.f32(p), in_.f32(p + 4)};
        }
        mesh.vertices.resize(static_cast<std::size_t>(h.numVerts) * static_cast<std::size_t>(h.numFrames));
        for (std::size_t v = 0; v < mesh.vertices.size(); ++v) {
            const std::size_t p = at + static_cast<std::size_t>(h.ofsXyzNormals) + v * kVertexSize;
            Md3Vertex& vertex = mesh.vertices[v];
            vertex.position[0] = in_.i16(p);
            vertex.position[1] = in_.i16(p + 2);
            vertex.position[2] = in_.i16(p + 4);
            vertex.normal[0] = in_.u8(p + 6);
            vertex.normal[1] = in_.u8(p + 7);
        }
        return std::nullopt;
    }

    void readShaders(Md3Mesh& mesh, std::size_t at) const {
        mesh.shaders.resize(static_cast<std::size_t>(mesh.header.numShaders));
        for (std::size_t i = 0; i < mesh.shaders.size(); ++i) {
            in_.chars(at + i * kShaderSize, mesh.shaders[i].name, 64);
            mesh.shaders[i].index = in_.i32(at + i * kShaderSize + 64);
        }
    }

    std::optional<LoadError> readTriangles(Md3Mesh& mesh, std::size_t at, const std::string& name) const {
        mesh.triangles.resize(static_cast<std::size_t>(mesh.header.numTriangles));
        for (std::size_t t = 0; t < mesh.triangles.size(); ++t) {
            for (std::size_t k = 0; k < 3; ++k) {
                const std::int32_t index = in_.i32(at + t * kTriangleSize + k * 4);
                if (index < 0 || index >= mesh.header.numVerts) {
                    return fail(name + ": треугольник " + std::to_string(t + 1) + " ссылается на вершину " +
                                std::to_string(index) + " из " + std::to_string(mesh.header.numVerts));
                }
                mesh.triangles[t].index[k] = index;
            }
        }
        return std::nullopt;
    }

    Md3Model& model_;
    const std::string& fileName_;
    ByteReader in_;
};

} // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upper(a[i]) != upper(b[i])) {
            return false;
        }
    }
    return true;
}

std::optional<LoadError> readMd3Bytes(Md3Model& model, const std::string& fileName,
                                      std::span<const std::uint8_t> bytes) {
    return Md3Parser(model, fileName, bytes).run();
}

std::optional<LoadError> ReadMd3File(Md3Model& model, const std::string& fileName) {
    const std::string found = platform::resolveCaseInsensitive(fileName).string();
    const auto bytes = readFileBytes(found);
    if (!bytes) {
        return std::nullopt; // a missing model draws nothing
    }
    return readMd3Bytes(model, found, *bytes);
}

void AttachToTag(Md3Model& model, std::string_view tagName, Md3Model& other) {
    for (std::size_t i = 0; i < model.links.size() && i < model.tags.size(); ++i) {
        if (FixedCharsToString(model.tags[i].name) == tagName) {
            model.links[i] = &other;
            return;
        }
    }
}

std::vector<SkinEntry> parseSkin(std::string_view text) {
    std::vector<SkinEntry> entries;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view line = trimmed(text.substr(begin, end - begin));
        begin = end + 1;
        if (line.size() < 2) {
            continue;
        }
        const std::size_t comma = line.find(',');
        if (comma == std::string_view::npos || comma + 2 >= line.size()) {
            continue; // no texture after the comma
        }
        const std::string_view mesh = trimmed(line.substr(0, comma));
        if (mesh.substr(0, 4) == "tag_") {
            continue;
        }
        const std::size_t slash = line.rfind('/');
        const std::string_view file =
            slash == std::string_view::npos ? std::string_view{} : trimmed(line.substr(slash + 1));
        std::string upperFile(file);
        for (char& c : upperFile) {
            c = upper(c);
        }
        if (upperFile.find(".JPG") == std::string::npos && upperFile.find(".TGA") == std::string::npos) {
            continue;
        }
        entries.push_back({std::string(mesh), std::string(file)});
    }
    return entries;
}

std::optional<LoadError> ReadSkinFile(Md3Model& model, std::string_view folder, std::string_view skinFileName,
                                      const DataLocator& locate, TextureMaker& maker,
                                      std::vector<TextureMessage>& messages) {
    const auto bytes = readFileBytes(
        platform::resolveCaseInsensitive(locate(std::string(folder) + std::string(skinFileName))).string());
    if (!bytes) {
        return std::nullopt;
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    for (const SkinEntry& entry : parseSkin(text)) {
        for (Md3Mesh& mesh : model.meshes) {
            if (!equalsIgnoringCase(FixedCharsToString(mesh.header.name), entry.meshName)) {
                continue;
            }
            const std::string file = locate(std::string(folder) + entry.textureFile);
            if (auto error = LoadTextureFile(file, mesh.texture, maker, messages)) {
                return error;
            }
            mesh.hasTexture = true;
        }
    }
    return std::nullopt;
}

const NormalTable& normalTable() {
    return mutableNormals();
}

bool normalTableBuilt() {
    return mutableNormals()[0][0][2] == 1.0;
}

void BuildNormalTable() {
    NormalTable& table = mutableNormals();
    for (int i = 0; i < 256; ++i) {
        // 255 steps, not 256: the table has always been built this way and the models were made against it.
        const double lat = i * 2.0 * std::numbers::pi / 255.0;
        for (int j = 0; j < 256; ++j) {
            const double lng = j * 2.0 * std::numbers::pi / 255.0;
            table[i][j] = {std::cos(lng) * std::sin(lat), std::sin(lng) * std::sin(lat), std::cos(lat)};
        }
    }
}

} // namespace vexlin::gfx
