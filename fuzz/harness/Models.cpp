#include "Harness.h"
#include "ReadingFakes.h"
#include "gfx/Md3Model.h"
#include "gfx/Md3Render.h"
#include "gfx/PlayerModel.h"
#include "platform/DataFiles.h"

#include <array>

namespace vexlin::fuzz {
namespace {

std::string_view text(std::span<const std::uint8_t> input) {
    return {reinterpret_cast<const char*>(input.data()), input.size()};
}

template <class T> std::uint64_t held(const std::vector<T>& items) {
    return items.capacity() * sizeof(T);
}

std::uint64_t modelBytes(const gfx::Md3Model& model) {
    std::uint64_t bytes = held(model.frames) + held(model.tags) + held(model.meshes) + held(model.links);
    for (const gfx::Md3Mesh& mesh : model.meshes) {
        bytes += held(mesh.shaders) + held(mesh.triangles) + held(mesh.texCoords) + held(mesh.vertices);
    }
    return bytes;
}

// Every frame of the model drawn once, each towards the frame mirrored from the end, as the animation could.
void drawEveryFrame(gfx::Md3Model& model, SummingSink& sink) {
    const std::int32_t total = model.frameTotal();
    for (std::int32_t f = 0; f < total; ++f) {
        model.currentFrame = f;
        model.nextFrame = total - 1 - f;
        model.interpolation = 0.5f;
        gfx::RenderAttached(model, sink);
    }
}

void buildNormals() {
    if (!gfx::normalTableBuilt()) {
        gfx::BuildNormalTable();
    }
}

} // namespace

Outcome runMd3(std::span<const std::uint8_t> input) {
    buildNormals();
    gfx::Md3Model model;
    const auto error = gfx::readMd3Bytes(model, "fuzz.md3", input);
    Outcome outcome{error.has_value(), modelBytes(model)};
    gfx::AttachToTag(model, "tag_torso", model); // a tag drawn in its own place: the depth guard holds
    SummingSink sink;
    drawEveryFrame(model, sink);
    return outcome;
}

// A skin for a model with meshes of the names the shipped skins use; the pictures it names are missing, so
// every load ends in its message.
Outcome runSkin(std::span<const std::uint8_t> input) {
    clearScratch();
    writeFile("model/fuzz.skin", text(input));
    gfx::Md3Model model;
    for (const char* name : {"l_legs", "u_torso", "h_head", "w_railgun1", "tag_torso", ""}) {
        gfx::Md3Mesh mesh;
        std::copy_n(name, std::char_traits<char>::length(name), mesh.header.name);
        model.meshes.push_back(mesh);
    }
    const auto root = scratchRoot().string() + "/";
    const gfx::DataLocator locate = [&](std::string_view written) {
        return root + platform::normaliseDataPath(written);
    };
    ReadingTextureMaker maker;
    std::vector<gfx::TextureMessage> messages;
    const auto error = gfx::ReadSkinFile(model, "model\\", "fuzz.skin", locate, maker, messages);
    std::uint64_t bytes = 0;
    for (const gfx::SkinEntry& entry : gfx::parseSkin(text(input))) {
        bytes += entry.meshName.capacity() + entry.textureFile.capacity();
    }
    return {error.has_value(), bytes};
}

// The table read, every row selected and each part moved on through many frames.
Outcome runAnimation(std::span<const std::uint8_t> input) {
    gfx::Q3Player player;
    const auto error = gfx::parseAnimationConfig(text(input), "animation.cfg", player.animations);
    if (!error) {
        for (std::uint32_t row = 0; row <= gfx::kAnimationRows; ++row) {
            gfx::SelectAnimation(player, row);
            for (int step = 1; step <= 8; ++step) {
                gfx::AdvanceFrame(player.lower, static_cast<float>(step) * 10.0f);
                gfx::AdvanceFrame(player.upper, static_cast<float>(step) * 10.0f);
            }
        }
    }
    return {error.has_value(), 0};
}

// The whole character and its weapon, loaded as the performance window does at start and then drawn.
Outcome runCharacter(std::span<const std::uint8_t> input) {
    static constexpr std::array<const char*, 12> kFiles = {
        "data/model/sarge/lower.md3",          "data/model/sarge/upper.md3",
        "data/model/sarge/head.md3",           "data/model/sarge/lower_default.skin",
        "data/model/sarge/upper_default.skin", "data/model/sarge/head_default.skin",
        "data/model/sarge/animation.cfg",      "data/model/sarge/lower.tga",
        "data/model/sarge/upper.tga",          "data/model/sarge/head.jpg",
        "data/model/railgun/railgun.md3",      "data/model/railgun/railgun1.jpg",
    };
    buildNormals();
    clearScratch();
    const auto files = splitFiles(input, kFiles.size());
    for (std::size_t i = 0; i < kFiles.size(); ++i) {
        if (!files[i].empty()) {
            writeFile(kFiles[i], files[i]);
        }
    }
    const auto root = scratchRoot().string() + "/";
    ReadingTextureMaker maker;
    gfx::LoadContext context{
        maker, [&](std::string_view written) { return root + platform::normaliseDataPath(written); }, {}};
    gfx::Q3Player player;
    gfx::Md3Model weapon;
    auto error = gfx::LoadPlayerModel(player, "data\\model\\sarge\\", "default", context);
    if (!error) {
        error = gfx::LoadWeaponModel(weapon, player, context);
    }
    Outcome outcome{error.has_value(), modelBytes(player.lower) + modelBytes(player.upper) +
                                           modelBytes(player.head) + modelBytes(weapon)};
    if (!error) {
        SummingSink sink;
        for (int step = 1; step <= 16; ++step) {
            gfx::AnimateAndRender(player, static_cast<float>(step) * 0.05f, sink);
        }
    }
    return outcome;
}

} // namespace vexlin::fuzz
