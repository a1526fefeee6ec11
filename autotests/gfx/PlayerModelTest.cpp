#include "gfx/PlayerModel.h"

#include "Md3Builder.h"
#include "gfx/SceneView.h"
#include "platform/DataFiles.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace vexlin::gfx {
namespace {

// --- animation.cfg ---------------------------------------------------------------------------------------

struct ConfigCase {
    std::string name;
    std::string text;
    std::size_t row;
    AnimationRow expected;
};

class AnimationLines : public ::testing::TestWithParam<ConfigCase> {};

TEST_P(AnimationLines, AreReadIntoTheTable) {
    AnimationTable table{};
    ASSERT_FALSE(parseAnimationConfig(GetParam().text, "animation.cfg", table));
    const AnimationRow& got = table[GetParam().row];
    const AnimationRow& want = GetParam().expected;
    EXPECT_EQ(got.firstFrame, want.firstFrame);
    EXPECT_EQ(got.frameCount, want.frameCount);
    EXPECT_EQ(got.loopingFrames, want.loopingFrames);
    EXPECT_EQ(got.framesPerSecond, want.framesPerSecond);
}

INSTANTIATE_TEST_SUITE_P(
    Config, AnimationLines,
    ::testing::Values(
        ConfigCase{"CountDecreasedByOne", "0\t30\t0\t25\t\t// BOTH_DEATH1\n", 0, {0, 29, 0, 25}},
        ConfigCase{"CommentOnlyLineSkipped", "// a comment\n5\t2\t1\t9\t// X\n", 0, {5, 1, 1, 9}},
        ConfigCase{"SexLineSkipped", "sex\tm\t// x\n5\t2\t1\t9\t// X\n", 0, {5, 1, 1, 9}},
        ConfigCase{"HeadOffsetAndFootstepsSkipped",
                   "headoffset\t0\t0\t0\t// x\nfootsteps\tboot\t// y\n5\t2\t1\t9\t// X\n",
                   0,
                   {5, 1, 1, 9}},
        ConfigCase{"DataLineWithoutCommentSkipped", "1\t2\t3\t4\t\n5\t2\t1\t9\t// X\n", 0, {5, 1, 1, 9}},
        ConfigCase{"CommentTooEarlySkipped", "1\t2//\t3\t4\t\n5\t2\t1\t9\t// X\n", 0, {5, 1, 1, 9}},
        ConfigCase{"CommentAtSixthCharacterCounts", "1\t2\t3\t4\t//\n", 0, {1, 1, 3, 4}},
        ConfigCase{"WindowsLineEnds", "\r\n7\t1\t0\t15\t// X\r\n", 0, {7, 0, 0, 15}},
        ConfigCase{"ZeroCountStaysZero", "7\t0\t0\t15\t\t// X\n", 0, {7, 0, 0, 15}},
        ConfigCase{"LeadingBlanksInAField", " 7\t 3\t0\t15\t\t// X\n", 0, {7, 2, 0, 15}},
        // The last frame lands exactly on the top of the 32-bit range: still taken.
        ConfigCase{
            "LastFrameAtTheTopOfTheRange", "2147483646\t2\t0\t15\t\t// X\n", 0, {2147483646, 1, 0, 15}},
        ConfigCase{"FirstFrameAtTheBottomOfTheRange",
                   "-2147483648\t1\t0\t15\t\t// X\n",
                   0,
                   {-2147483648, 0, 0, 15}}),
    [](const auto& info) { return info.param.name; });

std::string rows(int count, int firstOfRow6 = 90, int firstOfRow13 = 153, int firstOfRow14 = 163) {
    std::string text;
    for (int r = 0; r < count; ++r) {
        const int first = r == 6 ? firstOfRow6 : r == 13 ? firstOfRow13 : r == 14 ? firstOfRow14 : r;
        text += std::to_string(first) + "\t10\t10\t" + std::to_string(r + 1) + "\t\t// ROW" +
                std::to_string(r) + "\n";
    }
    return text;
}

TEST(AnimationConfig, LowerBodyRowsLoseTheUpperBodysFrames) {
    AnimationTable table{};
    ASSERT_FALSE(parseAnimationConfig(rows(25), "animation.cfg", table));
    EXPECT_EQ(table[14].firstFrame, 100);
    EXPECT_EQ(table[13].firstFrame, 90);
    EXPECT_EQ(table[24].firstFrame, 24 - 63);
    EXPECT_EQ(table[12].firstFrame, 12); // upper-body rows keep theirs
    EXPECT_EQ(table[6].firstFrame, 90);
}

TEST(AnimationConfig, NoMoreThanTheTableIsStored) {
    AnimationTable table{};
    ASSERT_FALSE(parseAnimationConfig(rows(40), "animation.cfg", table));
    EXPECT_EQ(table[25].framesPerSecond, 26);
}

struct BadConfigCase {
    std::string name;
    std::string text;
    std::string expected;
};

class AnimationErrors : public ::testing::TestWithParam<BadConfigCase> {};

TEST_P(AnimationErrors, NameTheFileAndTheLine) {
    AnimationTable table{};
    const auto error = parseAnimationConfig(GetParam().text, "data/model/sarge/animation.cfg", table);
    ASSERT_TRUE(error);
    EXPECT_NE(error->message.find("data/model/sarge/animation.cfg"), std::string::npos) << error->message;
    EXPECT_NE(error->message.find(GetParam().expected), std::string::npos) << error->message;
}

INSTANTIATE_TEST_SUITE_P(
    Config, AnimationErrors,
    ::testing::Values(BadConfigCase{"LetterInAField", "0\tx0\t0\t25\t// A\n", "\"x0\""},
                      BadConfigCase{"BlanksBetweenFields", "0 30 0 25    // A\n", "строка 1"},
                      BadConfigCase{"FieldMissingItsTab", "\n0\t30\t0\t25 // A\n", "строка 2"},
                      BadConfigCase{"EmptyField", "0\t\t30\t0\t25\t// A\n", "\"\""},
                      BadConfigCase{"TooLargeForInt32", "0\t99999999999\t0\t25\t// A\n", "99999999999"},
                      // The sanitizer build runs these rows: the frame sums are done without overflowing.
                      BadConfigCase{"FirstPlusCountPastTheRange", "5\t2147483647\t3\t1\t//\n",
                                    "анимация 0 требует кадры 5..2147483651"},
                      BadConfigCase{"LowerBodyGapPastTheRange", rows(26, -2147483647 - 1, 2147483647, 163),
                                    "анимация 14 требует кадры -4294967132"}),
    [](const auto& info) { return info.param.name; });

// --- choosing and advancing frames ------------------------------------------------------------------------

TEST(Animation, SelectingRowsSetsTheirParts) {
    Q3Player player;
    for (std::size_t r = 0; r < kAnimationRows; ++r) {
        player.animations[r] = {static_cast<std::int32_t>(10 * r), 4, 0, static_cast<std::int32_t>(r + 1)};
    }
    player.lower.nextFrame = player.upper.nextFrame = 3;
    SelectAnimation(player, 2); // both parts, next frames untouched
    EXPECT_EQ(player.lower.startFrame, 20);
    EXPECT_EQ(player.upper.endFrame, 24);
    EXPECT_EQ(player.upper.framesPerSecond, 3);
    EXPECT_EQ(player.lower.nextFrame, 3);
    EXPECT_EQ(player.lowerAnimation, 2);
    SelectAnimation(player, 11); // upper body only
    EXPECT_EQ(player.upper.startFrame, 110);
    EXPECT_EQ(player.upper.nextFrame, 110);
    EXPECT_EQ(player.lower.startFrame, 20);
    EXPECT_EQ(player.upperAnimation, 11);
    SelectAnimation(player, 14); // lower body only
    EXPECT_EQ(player.lower.startFrame, 140);
    EXPECT_EQ(player.lower.nextFrame, 140);
    EXPECT_EQ(player.lower.framesPerSecond, 15);
    EXPECT_EQ(player.upper.startFrame, 110);
    EXPECT_EQ(player.lowerAnimation, 14);
    SelectAnimation(player, 25); // nothing
    SelectAnimation(player, 0xFFFFFFFFu);
    EXPECT_EQ(player.lowerAnimation, 14);
    EXPECT_EQ(player.lower.startFrame, 140);
}

TEST(Animation, AtRate25AFrameChangesOnlyAfterMoreThanFortyMilliseconds) {
    Md3Model part;
    part.framesPerSecond = 25;
    part.startFrame = 5;
    part.endFrame = 7;
    part.nextFrame = 5;
    AdvanceFrame(part, 0.04f);
    EXPECT_EQ(part.currentFrame, 0);
    EXPECT_FLOAT_EQ(part.interpolation, 0.04f);
    AdvanceFrame(part, 0.0401f);
    EXPECT_EQ(part.currentFrame, 5);
    EXPECT_EQ(part.nextFrame, 6);
    EXPECT_FLOAT_EQ(part.lastTime, 0.0401f);
    AdvanceFrame(part, 0.0601f); // 20 ms later: the interpolation is the elapsed time, unscaled
    EXPECT_EQ(part.currentFrame, 5);
    EXPECT_NEAR(part.interpolation, 0.02f, 1e-6);
    AdvanceFrame(part, 0.09f);
    AdvanceFrame(part, 0.14f);
    EXPECT_EQ(part.currentFrame, 7);
    EXPECT_EQ(part.nextFrame, 5); // wraps back to the start after the end frame
}

TEST(Animation, RateZeroNeverAdvances) {
    Md3Model part;
    part.nextFrame = 3;
    part.endFrame = 9;
    for (float t : {0.5f, 10.0f, 100000.0f}) {
        AdvanceFrame(part, t);
    }
    EXPECT_EQ(part.currentFrame, 0);
    EXPECT_EQ(part.nextFrame, 3);
}

// --- the character from files ---------------------------------------------------------------------------

struct CountingMaker final : TextureMaker {
    std::uint32_t make(const PixelImage&) override { return ++made; }
    std::uint32_t made = 0;
};

struct NullSink {
    int triangles = 0;
    void bindTexture(std::uint32_t) {}
    void begin() { ++triangles; }
    void texCoord(float, float) {}
    void normal(float, float, float) {}
    void vertex(float, float, float) {}
    void end() {}
    void pushMatrix() {}
    void multMatrix(const float*) {}
    void popMatrix() {}
};

DataLocator sourceTree() {
    return [](std::string_view written) {
        return (std::filesystem::path(VEXLIN_SOURCE_DIR) / platform::normaliseDataPath(written)).string();
    };
}

TEST(Character, ShippedModelLoadsWithoutAMessageAndAllItsMeshesTextured) {
    CountingMaker maker;
    LoadContext context{maker, sourceTree(), {}};
    Q3Player player;
    Md3Model weapon;
    const auto error = LoadPlayerModel(player, "data\\model\\sarge\\", "default", context);
    ASSERT_FALSE(error) << error->message;
    const auto weaponError = LoadWeaponModel(weapon, player, context);
    ASSERT_FALSE(weaponError) << weaponError->message;
    for (const auto& message : context.messages) {
        ADD_FAILURE() << message.caption << ": " << message.text;
    }
    for (const Md3Model* part : {&player.lower, &player.upper, &player.head, &weapon}) {
        ASSERT_FALSE(part->meshes.empty()) << part->fileName;
        for (const Md3Mesh& mesh : part->meshes) {
            EXPECT_TRUE(mesh.hasTexture) << part->fileName << " " << FixedCharsToString(mesh.header.name);
        }
    }
    std::vector<std::string> weaponMeshes;
    for (const Md3Mesh& mesh : weapon.meshes) {
        weaponMeshes.push_back(FixedCharsToString(mesh.header.name));
    }
    EXPECT_EQ(weaponMeshes, (std::vector<std::string>{"w_railgun1", "w_railgun2", "w_railgun3", "w_railgun4",
                                                      "w_railgun05"}));
    // Joined at the three tags.
    const auto linked = [](const Md3Model& m, const Md3Model& other) {
        return std::find(m.links.begin(), m.links.end(), &other) != m.links.end();
    };
    EXPECT_TRUE(linked(player.lower, player.upper));
    EXPECT_TRUE(linked(player.upper, player.head));
    EXPECT_TRUE(linked(player.upper, weapon));
    // The rows the test plays move both body parts; the head keeps its frame and rate 0.
    EXPECT_GT(player.lower.framesPerSecond, 0);
    EXPECT_GT(player.upper.framesPerSecond, 0);
    EXPECT_GT(player.lower.endFrame, player.lower.startFrame);
    EXPECT_GT(player.upper.endFrame, player.upper.startFrame);
    EXPECT_EQ(player.head.framesPerSecond, 0);
    EXPECT_EQ(player.animations.size(), 26u);
    EXPECT_GT(player.animations[25].framesPerSecond, 0) << "all 26 rows are in the file";
}

TEST(Character, HeadNeverChangesFrameWhileTheBodyWalks) {
    CountingMaker maker;
    LoadContext context{maker, sourceTree(), {}};
    Q3Player player;
    ASSERT_FALSE(LoadPlayerModel(player, "data\\model\\sarge\\", "default", context));
    std::vector<std::int32_t> lowerFrames;
    NullSink sink;
    for (int step = 1; step <= 300; ++step) {
        AnimateAndRender(player, static_cast<float>(step) * 0.01f, sink);
        EXPECT_EQ(player.head.currentFrame, 0);
        EXPECT_EQ(player.head.nextFrame, 0);
        lowerFrames.push_back(player.lower.currentFrame);
    }
    std::sort(lowerFrames.begin(), lowerFrames.end());
    lowerFrames.erase(std::unique(lowerFrames.begin(), lowerFrames.end()), lowerFrames.end());
    EXPECT_GE(lowerFrames.size(), 10u) << "the legs walk through their frames";
    EXPECT_GT(sink.triangles, 0);
}

class CharacterFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::path(::testing::TempDir()) /
               ("vexlin-character-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(dir_ / "data/model/x");
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    void write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::ofstream(dir_ / "data/model/x" / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    void writeText(const std::string& name, const std::string& text) {
        write(name, std::vector<std::uint8_t>(text.begin(), text.end()));
    }
    DataLocator locator() const {
        return [dir = dir_](std::string_view written) {
            return (dir / platform::normaliseDataPath(written)).string();
        };
    }
    std::filesystem::path dir_;
};

TEST_F(CharacterFiles, AnimationBeyondTheModelsFramesIsRefused) {
    testing::TestModel small;
    small.frames = 4;
    small.surfaces = {{"l_legs"}};
    small.tagNames = {"tag_torso"};
    write("lower.md3", testing::buildMd3(small));
    writeText("animation.cfg", rows(26, 6, 7, 8));
    CountingMaker maker;
    LoadContext context{maker, locator(), {}};
    Q3Player player;
    const auto error = LoadPlayerModel(player, "data\\model\\x\\", "default", context);
    ASSERT_TRUE(error);
    EXPECT_NE(error->message.find("animation.cfg"), std::string::npos) << error->message;
    EXPECT_NE(error->message.find("lower.md3"), std::string::npos) << error->message;
}

TEST_F(CharacterFiles, MissingFilesAreSkippedSilently) {
    CountingMaker maker;
    LoadContext context{maker, locator(), {}};
    Q3Player player;
    Md3Model weapon;
    EXPECT_FALSE(LoadPlayerModel(player, "data\\model\\x\\", "default", context));
    EXPECT_FALSE(LoadWeaponModel(weapon, player, context));
    EXPECT_TRUE(context.messages.empty());
    EXPECT_EQ(maker.made, 0u);
    NullSink sink;
    AnimateAndRender(player, 1.0f, sink);
    EXPECT_EQ(sink.triangles, 0);
}

TEST_F(CharacterFiles, SkinTexturesComeFromTheModelsFolderAndMatchMeshesIgnoringCase) {
    testing::TestModel head;
    head.surfaces = {{"H_Head"}, {"h_visor"}};
    write("head.md3", testing::buildMd3(head));
    writeText("head_default.skin", "h_head,somewhere/else/missing.tga\ntag_head,x/y.tga\n");
    CountingMaker maker;
    LoadContext context{maker, locator(), {}};
    Q3Player player;
    ASSERT_FALSE(LoadPlayerModel(player, "data\\model\\x\\", "default", context));
    ASSERT_EQ(context.messages.size(), 1u);
    EXPECT_EQ(context.messages[0].text, "File not found  - " + (dir_ / "data/model/x/missing.tga").string());
    EXPECT_TRUE(player.head.meshes[0].hasTexture) << "marked even though its picture is missing";
    EXPECT_FALSE(player.head.meshes[1].hasTexture);
}

// A pack made on Windows spells folders and files as its author typed them; the skins and the program name
// them in lower case.
struct SpellingCase {
    std::string name;
    std::function<std::string(std::string)> spell; // how the pack writes a name the program asks for
    std::uint32_t textures;                        // pictures that are then found and made
    std::size_t messages;
};

class PackSpellings : public CharacterFiles, public ::testing::WithParamInterface<SpellingCase> {
protected:
    void writeSpelled(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const auto& spell = GetParam().spell;
        const auto folder = dir_ / "data" / spell("model") / spell("x");
        std::filesystem::create_directories(folder);
        std::ofstream(folder / spell(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    void writeSpelledText(const std::string& name, const std::string& text) {
        writeSpelled(name, std::vector<std::uint8_t>(text.begin(), text.end()));
    }
};

std::string upperCased(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

TEST_P(PackSpellings, AreFoundIgnoringCase) {
    std::filesystem::remove_all(dir_ / "data");
    for (const auto& [part, mesh, tag] :
         {std::tuple{"lower", "l_legs", "tag_torso"}, std::tuple{"upper", "u_torso", "tag_head"},
          std::tuple{"head", "h_head", "tag_none"}}) {
        testing::TestModel model;
        model.surfaces = {{mesh}};
        model.tagNames = {tag};
        writeSpelled(std::string(part) + ".md3", testing::buildMd3(model));
        writeSpelledText(std::string(part) + "_default.skin",
                         std::string(mesh) + ",models/x/" + part + ".tga\r\n");
        // A 1 × 1 uncompressed true-colour picture.
        writeSpelled(std::string(part) + ".tga",
                     {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 9, 8, 7});
    }
    std::string animation;
    for (int r = 0; r < 26; ++r) {
        animation += "0\t1\t0\t10\t\t// row " + std::to_string(r) + "\r\n";
    }
    writeSpelledText("animation.cfg", animation);
    CountingMaker maker;
    LoadContext context{maker, locator(), {}};
    Q3Player player;
    const auto error = LoadPlayerModel(player, "data\\model\\x\\", "default", context);
    ASSERT_FALSE(error) << error->message;
    EXPECT_EQ(maker.made, GetParam().textures);
    EXPECT_EQ(context.messages.size(), GetParam().messages);
    ASSERT_EQ(player.lower.meshes.size(), 1u);
    EXPECT_EQ(player.upper.framesPerSecond, 10) << "the animation table was read";
    EXPECT_NE(player.lower.links[0], nullptr) << "the upper body hangs at the lower body's tag";
}

INSTANTIATE_TEST_SUITE_P(
    Packs, PackSpellings,
    ::testing::Values(SpellingCase{"AsTheProgramWritesThem", [](std::string s) { return s; }, 3, 0},
                      SpellingCase{"UpperCase", upperCased, 3, 0},
                      SpellingCase{"Capitalised",
                                   [](std::string s) {
                                       s[0] =
                                           static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
                                       return s;
                                   },
                                   3, 0},
                      // Case is all that is forgiven: a picture under another name is still missing.
                      SpellingCase{"PicturesUnderOtherNames",
                                   [](std::string s) {
                                       return s.ends_with(".tga")
                                                  ? upperCased(s.substr(0, s.size() - 4)) + "_1.TGA"
                                                  : upperCased(s);
                                   },
                                   0, 3}),
    [](const auto& info) { return info.param.name; });

TEST_F(CharacterFiles, TruncatedModelStopsTheLoadingWithItsName) {
    testing::TestModel upper;
    upper.surfaces = {{"u_torso"}};
    auto bytes = testing::buildMd3(upper);
    bytes.resize(bytes.size() - 4);
    write("upper.md3", bytes);
    CountingMaker maker;
    LoadContext context{maker, locator(), {}};
    Q3Player player;
    const auto error = LoadPlayerModel(player, "data\\model\\x\\", "default", context);
    ASSERT_TRUE(error);
    EXPECT_NE(error->message.find("upper.md3"), std::string::npos) << error->message;
}

// --- the window's plain parts ------------------------------------------------------------------------------

struct DragCase {
    std::string name;
    MouseButton button;
    int dx, dy;
    float xRotation, zRotation, depth;
};

class Drags : public ::testing::TestWithParam<DragCase> {};

TEST_P(Drags, MoveTheScene) {
    SceneView view;
    const DragCase& c = GetParam();
    view.mouseDown(c.button, 100, 100);
    view.mouseMove(100 + c.dx / 2, 100 + c.dy / 2);
    view.mouseMove(100 + c.dx, 100 + c.dy);
    view.mouseUp();
    view.mouseMove(500, 500); // released: no effect
    EXPECT_FLOAT_EQ(view.xRotation, c.xRotation);
    EXPECT_FLOAT_EQ(view.zRotation, c.zRotation);
    EXPECT_FLOAT_EQ(view.depth, c.depth);
}

INSTANTIATE_TEST_SUITE_P(
    Mouse, Drags,
    ::testing::Values(DragCase{"LeftTwentyDown", MouseButton::Left, 0, 20, -80, -85, -110},
                      DragCase{"LeftFortyRight", MouseButton::Left, 40, 0, -90, -65, -110},
                      DragCase{"RightThirtyDown", MouseButton::Right, 50, 30, -90, -85, -120},
                      DragCase{"RightThirtyUp", MouseButton::Right, 0, -30, -90, -85, -100},
                      DragCase{"MiddleDoesNothing", MouseButton::Other, 30, 30, -90, -85, -110}),
    [](const auto& info) { return info.param.name; });

TEST(Counter, CaptionCarriesTheCount) {
    EXPECT_EQ(performanceCaption(57), "Производительность видео карты и процессора [57 FPS]");
}

struct RateCase {
    const char* name;
    std::int64_t frames;
    std::int64_t intervalMs;
    std::int32_t perSecond;
};

class FrameRate : public ::testing::TestWithParam<RateCase> {};

TEST_P(FrameRate, IsTheCountScaledToOneSecond) {
    EXPECT_EQ(framesPerSecond(GetParam().frames, GetParam().intervalMs), GetParam().perSecond);
}

INSTANTIATE_TEST_SUITE_P(
    Counter, FrameRate,
    ::testing::Values(RateCase{"OnTime", 57, 1000, 57}, RateCase{"TimerFiredLate", 600, 1500, 400},
                      RateCase{"TimerFiredEarly", 99, 990, 100}, RateCase{"HalvesRoundAway", 1, 2000, 1},
                      RateCase{"NoIntervalKeepsTheCount", 42, 0, 42}, RateCase{"NothingDrawn", 0, 1000, 0}),
    [](const auto& info) { return info.param.name; });

TEST(Counter, ElapsedTimeIsTheMeanOfTrueAndPrevious) {
    EXPECT_EQ(smoothElapsed(1000, 0), 500u);
    EXPECT_EQ(smoothElapsed(1001, 500), 750u);
    EXPECT_EQ(smoothElapsed(0xFFFFFFF0u, 0xFFFFFFF0u), 0xFFFFFFF0u); // late in a long run it does not wrap
}

} // namespace
} // namespace vexlin::gfx
