#include "gfx/PlayerModel.h"

#include "gfx/Textures.h"
#include "platform/CaseInsensitivePath.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace vexlin::gfx {
namespace {

constexpr std::uint32_t kFirstUpperRow = 6;
constexpr std::uint32_t kFirstLowerRow = 13;
constexpr std::uint32_t kFirstUnusedRow = 25;

bool containsAny(std::string_view line) {
    for (const std::string_view word : {"sex", "headoffset", "footsteps"}) {
        if (line.find(word) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

// A decimal integer as the configuration files write it: leading blanks allowed, an optional sign, digits.
std::optional<std::int32_t> toInt(std::string_view field) {
    while (!field.empty() && field.front() == ' ') {
        field.remove_prefix(1);
    }
    if (!field.empty() && field.front() == '+') {
        field.remove_prefix(1);
    }
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc{} || end != field.data() + field.size() || field.empty()) {
        return std::nullopt;
    }
    return value;
}

bool fitsInt32(std::int64_t value) {
    return value >= std::numeric_limits<std::int32_t>::min() &&
           value <= std::numeric_limits<std::int32_t>::max();
}

// Rows come from parseAnimationConfig, which refuses any whose last frame leaves the 32-bit range.
void playRow(Md3Model& part, const AnimationRow& row) {
    part.framesPerSecond = row.framesPerSecond;
    part.startFrame = row.firstFrame;
    part.endFrame = row.firstFrame + row.frameCount;
}

// A part whose animation names frames its model does not have would be drawn from beyond its vertices.
std::optional<LoadError> checkFrames(const Md3Model& part, const std::string& configName) {
    if (part.meshes.empty() && part.tags.empty()) {
        return std::nullopt; // nothing is drawn from it
    }
    const std::int32_t total = part.frameTotal();
    const std::int32_t lowest = std::min({part.startFrame, part.endFrame, part.currentFrame, part.nextFrame});
    const std::int32_t highest =
        std::max({part.startFrame, part.endFrame, part.currentFrame, part.nextFrame});
    if (lowest < 0 || highest >= total) {
        return LoadError{"Файл анимации \"" + configName + "\" требует кадры " + std::to_string(lowest) +
                         ".." + std::to_string(highest) + ", а в модели \"" + part.fileName + "\" их " +
                         std::to_string(total)};
    }
    return std::nullopt;
}

} // namespace

std::optional<LoadError> parseAnimationConfig(std::string_view text, const std::string& fileName,
                                              AnimationTable& table) {
    // Read into a copy: a file refused half-way leaves the table as it was.
    AnimationTable read = table;
    std::size_t row = 0;
    std::size_t lineNumber = 0;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(begin, end - begin);
        begin = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const std::size_t comment = line.find("//");
        // Data lines carry a trailing comment; one starting in the first five characters marks a comment
        // line.
        if (line.empty() || containsAny(line) || comment == std::string_view::npos || comment < 5) {
            continue;
        }
        if (row >= read.size()) {
            continue; // the table has room for the animations the program knows and no more
        }
        std::int32_t fields[4];
        for (std::int32_t& field : fields) {
            const std::size_t tab = line.find('\t');
            const std::string_view piece = line.substr(0, tab);
            const auto value = tab == std::string_view::npos ? std::nullopt : toInt(piece);
            if (!value) {
                return LoadError{"Файл анимации \"" + fileName + "\", строка " + std::to_string(lineNumber) +
                                 ": \"" + std::string(piece) +
                                 "\" не целое число, оканчивающееся табуляцией"};
            }
            field = *value;
            line.remove_prefix(tab + 1);
        }
        read[row++] = {fields[0], fields[1], fields[2], fields[3]};
    }
    // The frame arithmetic is done in 64 bits and a row whose frames leave the 32-bit range is refused, so
    // that selecting any row later adds nothing that overflows.
    const std::int64_t skip =
        std::int64_t{read[kFirstLowerRow].firstFrame} - std::int64_t{read[kFirstUpperRow].firstFrame};
    for (std::size_t r = 0; r < read.size(); ++r) {
        AnimationRow& entry = read[r];
        const std::int64_t first = r >= kFirstLowerRow ? entry.firstFrame - skip : entry.firstFrame;
        const std::int64_t count = entry.frameCount > 0 ? entry.frameCount - 1 : entry.frameCount;
        if (!fitsInt32(first) || !fitsInt32(first + count)) {
            return LoadError{"Файл анимации \"" + fileName + "\": анимация " + std::to_string(r) +
                             " требует кадры " + std::to_string(first) + ".." +
                             std::to_string(first + count) + ", вне допустимого диапазона"};
        }
        entry.firstFrame = static_cast<std::int32_t>(first);
        entry.frameCount = static_cast<std::int32_t>(count);
    }
    table = read;
    return std::nullopt;
}

std::optional<LoadError> ReadAnimationConfig(Q3Player& player, const std::string& fileName) {
    const std::string found = platform::resolveCaseInsensitive(fileName).string();
    const auto bytes = readFileBytes(found);
    if (!bytes) {
        return std::nullopt;
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    return parseAnimationConfig(text, found, player.animations);
}

void SelectAnimation(Q3Player& player, std::uint32_t row) {
    if (row >= kFirstUnusedRow) {
        return;
    }
    const AnimationRow& animation = player.animations[row];
    if (row < kFirstUpperRow) {
        playRow(player.lower, animation);
        playRow(player.upper, animation);
        player.lowerAnimation = player.upperAnimation = static_cast<std::int32_t>(row);
    } else if (row < kFirstLowerRow) {
        playRow(player.upper, animation);
        player.upper.nextFrame = animation.firstFrame;
        player.upperAnimation = static_cast<std::int32_t>(row);
    } else {
        playRow(player.lower, animation);
        player.lower.nextFrame = animation.firstFrame;
        player.lowerAnimation = static_cast<std::int32_t>(row);
    }
}

void AdvanceFrame(Md3Model& part, float time) {
    part.interpolation = time - part.lastTime;
    const float period = part.framesPerSecond == 0 ? std::numeric_limits<float>::infinity()
                                                   : 1.0f / static_cast<float>(part.framesPerSecond);
    if (period >= part.interpolation) {
        return;
    }
    part.currentFrame = part.nextFrame;
    // Past the end frame means back to the start; asked before adding, so a last frame at the top of the
    // range does not overflow.
    if (part.nextFrame >= part.endFrame) {
        part.nextFrame = part.startFrame;
    } else {
        part.nextFrame += 1;
    }
    part.lastTime = time;
}

std::optional<LoadError> LoadPlayerModel(Q3Player& player, std::string_view folder, std::string_view skin,
                                         LoadContext& context) {
    if (!normalTableBuilt()) {
        BuildNormalTable();
    }
    const std::string base(folder);
    const std::string skinName(skin);
    const std::pair<Md3Model*, const char*> parts[] = {
        {&player.lower, "lower"}, {&player.upper, "upper"}, {&player.head, "head"}};
    for (const auto& [part, name] : parts) {
        if (auto error = ReadMd3File(*part, context.locate(base + name + ".md3"))) {
            return error;
        }
    }
    for (const auto& [part, name] : parts) {
        const std::string skinFile = std::string(name) + "_" + skinName + ".skin";
        if (auto error =
                ReadSkinFile(*part, base, skinFile, context.locate, context.maker, context.messages)) {
            return error;
        }
    }
    const std::string config = context.locate(base + "animation.cfg");
    if (auto error = ReadAnimationConfig(player, config)) {
        return error;
    }
    for (const auto& [part, name] : parts) {
        part->startFrame = 0;
        part->endFrame = 0;
    }
    SelectAnimation(player, kTorsoStandRow);
    SelectAnimation(player, kLegsWalkRow);
    AttachToTag(player.lower, "tag_torso", player.upper);
    AttachToTag(player.upper, "tag_head", player.head);
    for (const auto& [part, name] : parts) {
        if (auto error = checkFrames(*part, config)) {
            return error;
        }
    }
    return std::nullopt;
}

std::optional<LoadError> AssignWeaponTexture(Md3Model& weapon, std::string_view fileName,
                                             std::string_view meshName, LoadContext& context) {
    for (Md3Mesh& mesh : weapon.meshes) {
        if (!equalsIgnoringCase(FixedCharsToString(mesh.header.name), meshName)) {
            continue;
        }
        if (auto error =
                LoadTextureFile(context.locate(fileName), mesh.texture, context.maker, context.messages)) {
            return error;
        }
        mesh.hasTexture = true;
    }
    return std::nullopt;
}

std::optional<LoadError> LoadWeaponModel(Md3Model& weapon, Q3Player& player, LoadContext& context) {
    if (auto error = ReadMd3File(weapon, context.locate("data\\model\\railgun\\railgun.md3"))) {
        return error;
    }
    const std::pair<const char*, const char*> textures[] = {
        {"data\\model\\railgun\\railgun1.jpg", "w_railgun1"},
        {"data\\model\\railgun\\railgun2.glow.jpg", "w_railgun2"},
        {"data\\model\\railgun\\railgun4.jpg", "w_railgun4"},
        {"data\\model\\railgun\\railgun3.glow.jpg", "w_railgun3"},
        {"data\\model\\railgun\\railgun1.jpg", "w_railgun05"},
    };
    for (const auto& [file, mesh] : textures) {
        if (auto error = AssignWeaponTexture(weapon, file, mesh, context)) {
            return error;
        }
    }
    AttachToTag(player.upper, "tag_weapon", weapon);
    return std::nullopt;
}

} // namespace vexlin::gfx
