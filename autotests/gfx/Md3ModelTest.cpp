#include "gfx/Md3Model.h"

#include "Md3Builder.h"
#include "gfx/Md3Render.h"

#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace vexlin::gfx {
namespace {

using testing::buildMd3;
using testing::TestModel;
using testing::TestSurface;

// Records the immediate-mode calls the drawing makes.
struct RecordingSink {
    struct Corner {
        float s, t;
        float normal[3];
        float position[3];
    };
    std::vector<std::string> calls;
    std::vector<Corner> corners;
    std::vector<std::uint32_t> bound;
    std::vector<std::vector<float>> matrices;
    float pendingS = 0, pendingT = 0, pendingNormal[3]{};

    void bindTexture(std::uint32_t name) {
        calls.push_back("bind");
        bound.push_back(name);
    }
    void begin() { calls.push_back("begin"); }
    void texCoord(float s, float t) {
        pendingS = s;
        pendingT = t;
    }
    void normal(float x, float y, float z) {
        pendingNormal[0] = x;
        pendingNormal[1] = y;
        pendingNormal[2] = z;
    }
    void vertex(float x, float y, float z) {
        calls.push_back("vertex");
        corners.push_back(
            {pendingS, pendingT, {pendingNormal[0], pendingNormal[1], pendingNormal[2]}, {x, y, z}});
    }
    void end() { calls.push_back("end"); }
    void pushMatrix() { calls.push_back("push"); }
    void multMatrix(const float* m) { matrices.emplace_back(m, m + 16); }
    void popMatrix() { calls.push_back("pop"); }
};

Md3Model read(const std::vector<std::uint8_t>& bytes, std::optional<LoadError>* error = nullptr) {
    Md3Model model;
    auto result = readMd3Bytes(model, "models/test.md3", bytes);
    if (error != nullptr) {
        *error = result;
    } else {
        EXPECT_FALSE(result) << result->message;
    }
    return model;
}

TestModel twoSurfaces() {
    TestModel m;
    m.frames = 3;
    m.tagNames = {"tag_torso", "tag_head"};
    m.surfaces = {{"l_legs", 4, {0, 1, 2, 2, 3, 0}}, {"l_belt", 3, {2, 1, 0}}};
    m.gapBeforeSurfaces = 20;
    return m;
}

TEST(Md3Read, ReadsFramesTagsAndSurfacesAtTheirOffsets) {
    const Md3Model model = read(buildMd3(twoSurfaces()));
    ASSERT_EQ(model.frames.size(), 3u);
    EXPECT_EQ(FixedCharsToString(model.frames[2].name), "frame2");
    EXPECT_FLOAT_EQ(model.frames[1].maxs[0], 4.0f); // f + 3
    EXPECT_FLOAT_EQ(model.frames[1].radius, 11.0f);

    ASSERT_EQ(model.tags.size(), 6u);
    const Md3Tag& tag = model.tags[2 * 2 + 1]; // frame 2, tag 1
    EXPECT_EQ(FixedCharsToString(tag.name), "tag_head");
    EXPECT_FLOAT_EQ(tag.origin[0], 2.0f);
    EXPECT_FLOAT_EQ(tag.origin[1], 1.0f);
    EXPECT_FLOAT_EQ(tag.origin[2], 102.0f);
    EXPECT_FLOAT_EQ(tag.axis[1][1], 2.0f);
    EXPECT_FLOAT_EQ(tag.axis[0][1], 0.0f);
    EXPECT_EQ(model.links.size(), 2u);

    ASSERT_EQ(model.meshes.size(), 2u);
    const Md3Mesh& belt = model.meshes[1];
    EXPECT_EQ(FixedCharsToString(belt.header.name), "l_belt");
    ASSERT_EQ(belt.shaders.size(), 1u);
    EXPECT_EQ(FixedCharsToString(belt.shaders[0].name), "shader_l_belt");
    EXPECT_EQ(belt.shaders[0].index, 7);
    ASSERT_EQ(belt.triangles.size(), 1u);
    EXPECT_EQ(belt.triangles[0].index[0], 2);
    EXPECT_EQ(belt.triangles[0].index[2], 0);
    ASSERT_EQ(belt.texCoords.size(), 3u);
    EXPECT_FLOAT_EQ(belt.texCoords[2].s, 0.5f);
    EXPECT_FLOAT_EQ(belt.texCoords[2].t, 0.25f);
    ASSERT_EQ(belt.vertices.size(), 9u);
    const Md3Vertex& v = belt.vertices[3 * 2 + 1]; // frame 2, vertex 1
    EXPECT_EQ(v.position[0], 129);
    EXPECT_EQ(v.position[1], 2);
    EXPECT_EQ(v.position[2], -1);
    EXPECT_EQ(v.normal[0], 1);
    EXPECT_EQ(v.normal[1], 2);
    EXPECT_EQ(model.meshes[0].triangles.size(), 2u);
    EXPECT_FALSE(model.meshes[0].hasTexture);
}

TEST(Md3Read, TenFramesGiveStartZeroAndEndNine) {
    TestModel m;
    m.frames = 10;
    m.surfaces = {{"a"}};
    const Md3Model model = read(buildMd3(m));
    EXPECT_EQ(model.startFrame, 0);
    EXPECT_EQ(model.endFrame, 9);
    EXPECT_EQ(model.header.numFrames, 9);
    EXPECT_EQ(model.frameTotal(), 10);
    EXPECT_EQ(model.currentFrame, 0);
    EXPECT_EQ(model.nextFrame, 0);
}

struct NotAModelCase {
    std::string name;
    std::string ident;
    std::int32_t version;
};

class Md3NotAModel : public ::testing::TestWithParam<NotAModelCase> {};

TEST_P(Md3NotAModel, LeavesTheModelEmptyWithoutError) {
    TestModel m;
    m.ident = GetParam().ident;
    m.version = GetParam().version;
    m.surfaces = {{"a"}};
    std::optional<LoadError> error;
    const Md3Model model = read(buildMd3(m), &error);
    EXPECT_FALSE(error);
    EXPECT_TRUE(model.meshes.empty());
    EXPECT_TRUE(model.frames.empty());
}

TEST(Md3Read, MagicIsComparedIgnoringCase) {
    TestModel m;
    m.ident = "idp3";
    m.surfaces = {{"a"}};
    EXPECT_EQ(read(buildMd3(m)).meshes.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Files, Md3NotAModel,
                         ::testing::Values(NotAModelCase{"WrongMagic", "IDP2", 15},
                                           NotAModelCase{"WrongVersion", "IDP3", 16}),
                         [](const auto& info) { return info.param.name; });

// A lie told by a file, and the words the refusal must contain besides the file's name.
struct DamagedCase {
    std::string name;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    std::string expected;
};

class Md3Damaged : public ::testing::TestWithParam<DamagedCase> {};

std::size_t firstSurface(const std::vector<std::uint8_t>& bytes) {
    return bytes[testing::kOfsSurfacesField] | (bytes[testing::kOfsSurfacesField + 1] << 8);
}

void patch(std::vector<std::uint8_t>& bytes, std::size_t at, std::int32_t value) {
    testing::Bytes b;
    b.data() = bytes;
    b.patch(at, value);
    bytes = b.data();
}

TEST_P(Md3Damaged, IsRefusedWithAMessageNamingTheFile) {
    auto bytes = buildMd3(twoSurfaces());
    GetParam().damage(bytes);
    Md3Model model;
    model.fileName = "untouched";
    const auto error = readMd3Bytes(model, "models/test.md3", bytes);
    ASSERT_TRUE(error);
    EXPECT_NE(error->message.find("models/test.md3"), std::string::npos) << error->message;
    EXPECT_NE(error->message.find(GetParam().expected), std::string::npos) << error->message;
    EXPECT_EQ(model.fileName, "untouched"); // nothing half-read is left behind
}

INSTANTIATE_TEST_SUITE_P(
    Files, Md3Damaged,
    ::testing::Values(
        DamagedCase{"ShorterThanHeader", [](auto& b) { b.resize(107); }, "заголовка"},
        DamagedCase{"CutInTheFrames", [](auto& b) { b.resize(108 + 56 + 10); }, "кадры"},
        DamagedCase{"CutInTheTags", [](auto& b) { b.resize(108 + 3 * 56 + 112); }, "метки"},
        DamagedCase{"CutInTheLastVertices", [](auto& b) { b.resize(b.size() - 1); },
                    "поверхность 2 \"l_belt\": конец поверхности"},
        DamagedCase{"CutInASurfaceHeader", [](auto& b) { b.resize(firstSurface(b) + 50); },
                    "2 поверхностей по смещению"},
        DamagedCase{"PromisesMoreFrames", [](auto& b) { patch(b, testing::kFramesField, 1000); }, "кадры"},
        DamagedCase{"PromisesHugeTagCount", [](auto& b) { patch(b, testing::kTagsField, 0x7fffffff); },
                    "метки"},
        DamagedCase{"NegativeTagCount", [](auto& b) { patch(b, testing::kTagsField, -1); }, "отрицательное"},
        DamagedCase{"NoFrames", [](auto& b) { patch(b, testing::kFramesField, 0); }, "ни одного кадра"},
        DamagedCase{"PromisesMoreSurfaces", [](auto& b) { patch(b, testing::kSurfacesField, 3); },
                    "поверхность 3"},
        DamagedCase{
            "SurfaceOffsetPastTheEnd",
            [](auto& b) { patch(b, testing::kOfsSurfacesField, static_cast<std::int32_t>(b.size())); },
            "2 поверхностей по смещению"},
        DamagedCase{"SurfacePromisesMoreVertices",
                    [](auto& b) { patch(b, firstSurface(b) + testing::kSurfVertsField, 100000); },
                    "текстурные координаты"},
        DamagedCase{"SurfacePromisesMoreTriangles",
                    [](auto& b) { patch(b, firstSurface(b) + testing::kSurfTrisField, 50000); },
                    "треугольники"},
        DamagedCase{"SurfaceWithFewerFramesThanTheModel",
                    [](auto& b) { patch(b, firstSurface(b) + testing::kSurfFramesField, 2); },
                    "кадров вместо 3"},
        DamagedCase{"TriangleNamesAMissingVertex", [](auto& b) { patch(b, firstSurface(b) + 108 + 4, 4); },
                    "ссылается на вершину 4"},
        DamagedCase{"TriangleNamesANegativeVertex", [](auto& b) { patch(b, firstSurface(b) + 108, -1); },
                    "ссылается на вершину -1"},
        DamagedCase{"SurfaceEndPastTheFile",
                    [](auto& b) { patch(b, firstSurface(b) + testing::kSurfOfsEndField, 1 << 30); },
                    "поверхность 1 \"l_legs\": конец поверхности 1073741824"},
        // An end offset inside the header would have the next surface read from the same bytes: with a
        // surface count that the file's size still allows, the reader must stop at once.
        DamagedCase{"SurfaceEndDoesNotPassItsHeader",
                    [](auto& b) { patch(b, firstSurface(b) + testing::kSurfOfsEndField, 0); },
                    "конец поверхности 0"},
        DamagedCase{"SurfaceEndInsideItsHeader",
                    [](auto& b) { patch(b, firstSurface(b) + testing::kSurfOfsEndField, 107); },
                    "конец поверхности 107"},
        DamagedCase{"SurfaceCountBeyondWhatTheFileHolds",
                    [](auto& b) { patch(b, testing::kSurfacesField, 0x16ffffff); }, "385875967 поверхностей"},
        DamagedCase{
            "SurfaceVerticesPastItsOwnEnd",
            [](auto& b) { patch(b, firstSurface(b) + testing::kSurfOfsEndField, 108 + 24 + 68 + 32); },
            "вершины"},
        DamagedCase{"SecondSurfaceReadsTheFirstOnesTriangles",
                    [](auto& b) {
                        const std::size_t first = firstSurface(b);
                        const std::size_t firstEnd = b[first + testing::kSurfOfsEndField] |
                                                     (b[first + testing::kSurfOfsEndField + 1] << 8);
                        patch(b, first + firstEnd + 88, -static_cast<std::int32_t>(firstEnd) + 108);
                    },
                    "поверхность 2 \"l_belt\": треугольники"}),
    [](const auto& info) { return info.param.name; });

// Whatever a damaged file holds, reading either refuses it or gives a model that draws every one of its
// frames from inside its arrays (the sanitizer build watches the reads).
TEST(Md3Read, RandomlyDamagedFilesAreReadOrRefusedWithinTheirBytes) {
    const auto good = buildMd3(twoSurfaces());
    std::mt19937 random(20261208);
    int refused = 0;
    for (int round = 0; round < 3000; ++round) {
        auto bytes = good;
        const int changes = 1 + static_cast<int>(random() % 4);
        for (int c = 0; c < changes; ++c) {
            const std::size_t at = random() % bytes.size();
            bytes[at] = static_cast<std::uint8_t>(random() % 3 == 0 ? 0xFF : random());
        }
        if (round % 5 == 0) {
            bytes.resize(random() % bytes.size());
        }
        Md3Model model;
        if (readMd3Bytes(model, "fuzz.md3", bytes)) {
            ++refused;
            continue;
        }
        RecordingSink sink;
        for (std::int32_t f = 0; f < model.frameTotal(); ++f) {
            model.currentFrame = f;
            model.nextFrame = model.frameTotal() - 1 - f;
            RenderAttached(model, sink);
        }
    }
    EXPECT_GT(refused, 100);
}

TEST(Md3Read, MissingFileIsNoErrorAndLeavesTheModelEmpty) {
    Md3Model model;
    EXPECT_FALSE(ReadMd3File(model, "/nonexistent/vexlin/lower.md3"));
    EXPECT_TRUE(model.meshes.empty());
}

// Tag names fill their 64-byte field with no zero byte when they are 64 characters long.
struct TagCase {
    std::string name;
    std::string tagInFile;
    std::string asked;
    bool attached;
};

class Md3TagNames : public ::testing::TestWithParam<TagCase> {};

TEST_P(Md3TagNames, AttachOnlyToTheWholeName) {
    TestModel m = twoSurfaces();
    m.tagNames = {"tag_other", GetParam().tagInFile};
    Md3Model model = read(buildMd3(m));
    Md3Model other;
    AttachToTag(model, GetParam().asked, other);
    EXPECT_EQ(model.links[1] == &other, GetParam().attached);
    EXPECT_EQ(model.links[0], nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Names, Md3TagNames,
    ::testing::Values(
        TagCase{"Short", "tag_head", "tag_head", true},
        TagCase{"SixtyThreeCharacters", std::string(63, 'h'), std::string(63, 'h'), true},
        TagCase{"SixtyFourCharacters", std::string(64, 'h'), std::string(64, 'h'), true},
        TagCase{"SixtyFourAskedBySixtyThree", std::string(64, 'h'), std::string(63, 'h'), false},
        TagCase{"SixtyFourAskedBySixtyFive", std::string(64, 'h'), std::string(65, 'h'), false}),
    [](const auto& info) { return info.param.name; });

TEST(Md3Tags, AttachMatchesTagNamesExactly) {
    Md3Model model = read(buildMd3(twoSurfaces()));
    Md3Model other;
    AttachToTag(model, "TAG_HEAD", other);
    AttachToTag(model, "tag_hea", other);
    EXPECT_EQ(model.links[0], nullptr);
    EXPECT_EQ(model.links[1], nullptr);
    AttachToTag(model, "tag_head", other);
    EXPECT_EQ(model.links[1], &other);
    EXPECT_EQ(model.links[0], nullptr);
}

TEST(Md3Names, FixedCharsStopAtZeroOrAtTheFieldWidth) {
    const char full[4] = {'a', 'b', 'c', 'd'};
    const char shorter[8] = {'a', 'b', '\0', 'x'};
    EXPECT_EQ(FixedCharsToString(full), "abcd");
    EXPECT_EQ(FixedCharsToString(shorter), "ab");
}

// --- drawing ---------------------------------------------------------------------------------------------

TEST(Md3Render, WithTZeroDrawsTheCurrentFrameExactly) {
    Md3Model model = read(buildMd3(twoSurfaces()));
    model.currentFrame = 2;
    model.nextFrame = 0;
    model.interpolation = 0;
    RecordingSink sink;
    RenderMeshes(model, sink);
    ASSERT_EQ(sink.corners.size(), 9u);   // 2 + 1 triangles
    const auto& corner = sink.corners[1]; // mesh 0, triangle 0, index 1
    EXPECT_FLOAT_EQ(corner.position[0], testing::vertexX(2, 1) / 64.0f);
    EXPECT_FLOAT_EQ(corner.position[1], testing::vertexY(1) / 64.0f);
    EXPECT_FLOAT_EQ(corner.position[2], testing::vertexZ(1) / 64.0f);
    EXPECT_FLOAT_EQ(corner.s, testing::texS(1));
    EXPECT_FLOAT_EQ(corner.t, 1.0f - testing::texT(1));
}

TEST(Md3Render, InterpolatesPositionAndNormalTowardsTheNextFrame) {
    if (!normalTableBuilt()) {
        BuildNormalTable();
    }
    Md3Model model = read(buildMd3(twoSurfaces()));
    model.currentFrame = 0;
    model.nextFrame = 2;
    model.interpolation = 0.25f;
    RecordingSink sink;
    RenderMeshes(model, sink);
    const auto& corner = sink.corners[2]; // vertex 2
    EXPECT_FLOAT_EQ(corner.position[0], (2 + 0.25f * 128) / 64.0f);
    // Normal bytes are (vertex, frame): entry [2][0] moving a quarter of the way to [2][2].
    const auto& a = normalTable()[2][0];
    const auto& b = normalTable()[2][2];
    EXPECT_NEAR(corner.normal[1], a[1] + 0.25 * (b[1] - a[1]), 1e-6);
}

TEST(Md3Render, WithEqualFramesTDoesNotMatter) {
    Md3Model model = read(buildMd3(twoSurfaces()));
    model.currentFrame = model.nextFrame = 1;
    RecordingSink still, moving;
    model.interpolation = 0;
    RenderMeshes(model, still);
    model.interpolation = 0.9f;
    RenderMeshes(model, moving);
    ASSERT_EQ(still.corners.size(), moving.corners.size());
    for (std::size_t i = 0; i < still.corners.size(); ++i) {
        EXPECT_FLOAT_EQ(still.corners[i].position[0], moving.corners[i].position[0]);
    }
}

TEST(Md3Render, OneBeginEndPerTriangleAndTexturesOnlyForTexturedMeshes) {
    Md3Model model = read(buildMd3(twoSurfaces()));
    model.meshes[1].hasTexture = true;
    model.meshes[1].texture = 42;
    RecordingSink sink;
    RenderMeshes(model, sink);
    const std::vector<std::string> triangle = {"begin", "vertex", "vertex", "vertex", "end"};
    std::vector<std::string> expected;
    expected.insert(expected.end(), triangle.begin(), triangle.end());
    expected.insert(expected.end(), triangle.begin(), triangle.end());
    expected.push_back("bind");
    expected.insert(expected.end(), triangle.begin(), triangle.end());
    EXPECT_EQ(sink.calls, expected);
    EXPECT_EQ(sink.bound, std::vector<std::uint32_t>{42});
}

TEST(Md3Render, FramesOutsideTheSurfaceDrawNothing) {
    Md3Model model = read(buildMd3(twoSurfaces()));
    model.nextFrame = 3;
    RecordingSink sink;
    RenderMeshes(model, sink);
    EXPECT_TRUE(sink.corners.empty());
}

TEST(Md3Render, AttachedModelsAreDrawnInTheCurrentFramesTagMatrix) {
    Md3Model root = read(buildMd3(twoSurfaces()));
    TestModel small;
    small.surfaces = {{"h_head"}};
    Md3Model head = read(buildMd3(small));
    AttachToTag(root, "tag_head", head);
    root.currentFrame = 1;
    root.nextFrame = 2;
    RecordingSink sink;
    RenderAttached(root, sink);
    ASSERT_EQ(sink.matrices.size(), 1u);
    // Tag 1 of frame 1: axes scaled by 2, origin (1, 1, 101); column-major.
    const std::vector<float> expected = {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 1, 1, 101, 1};
    EXPECT_EQ(sink.matrices[0], expected);
    EXPECT_EQ(sink.corners.size(), 9u + 3u);
    EXPECT_EQ(std::count(sink.calls.begin(), sink.calls.end(), "push"), 1);
    EXPECT_EQ(sink.calls.back(), "pop");
}

// --- skins -----------------------------------------------------------------------------------------------

struct SkinCase {
    std::string name;
    std::string text;
    std::vector<std::pair<std::string, std::string>> entries;
};

class SkinLines : public ::testing::TestWithParam<SkinCase> {};

TEST_P(SkinLines, GiveTheseMeshesTheseTextures) {
    std::vector<std::pair<std::string, std::string>> got;
    for (const SkinEntry& e : parseSkin(GetParam().text)) {
        got.emplace_back(e.meshName, e.textureFile);
    }
    EXPECT_EQ(got, GetParam().entries);
}

INSTANTIATE_TEST_SUITE_P(
    Skins, SkinLines,
    ::testing::Values(
        SkinCase{"FoldersAreDropped", "u_torso,models/players/x/upper.tga\n", {{"u_torso", "upper.tga"}}},
        SkinCase{"WindowsLineEnds", "a,x/b.JPG\r\nc,y/z/d.tga\r\n", {{"a", "b.JPG"}, {"c", "d.tga"}}},
        SkinCase{"TagLinesIgnored", "tag_weapon,x/w.tga\n", {}},
        SkinCase{"TagPrefixIsCaseSensitive", "TAG_x,f/w.tga\n", {{"TAG_x", "w.tga"}}},
        SkinCase{"TextureWithoutFolderIgnored", "a,b.tga\n", {}},
        SkinCase{"OtherPictureTypesIgnored", "a,x/b.png\nc,x/d.bmp\n", {}},
        SkinCase{"CommaLastOrNextToLast", "a,\nb,x\n", {}}, SkinCase{"ShortAndEmptyLines", "\n\nx\n", {}},
        SkinCase{"NoCommaIgnored", "abc/def.tga\n", {}},
        SkinCase{"LastLineWithoutNewline", "h_head,m/head.jpg", {{"h_head", "head.jpg"}}},
        SkinCase{"TrailingBlankAfterTheFile", "a,x/b.tga \n", {{"a", "b.tga"}}},
        SkinCase{"CarriageReturnOnTheLastLine", "a,x/b.tga\r", {{"a", "b.tga"}}},
        SkinCase{"BlanksAroundTheMeshName", " u_torso\t, x/upper.tga\r\n", {{"u_torso", "upper.tga"}}},
        SkinCase{"BlankAfterTheLastSlash", "a,x/ b.jpg\r\n", {{"a", "b.jpg"}}},
        SkinCase{"BlanksOnlyAfterTheComma", "a,  \r\n", {}},
        SkinCase{"TagLineWithLeadingBlank", " tag_head,x/h.tga\n", {}}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace vexlin::gfx
