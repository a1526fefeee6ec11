#pragma once

#include "gfx/Md3Model.h"
#include "gfx/Md3Render.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The test's character: three MD3 models joined at tags (lower body, upper body, head), the weapon in its
// hand, and the animation table that drives the body parts.
//
// animation.cfg: one data line per animation, four decimal integers each ended by a TAB (first frame, frame
// count, looping frames, frames per second) and a trailing "//" comment.  Rows 0-5 animate both body parts,
// 6-12 the upper body, 13-24 the lower body.  The upper body's frames are numbered from 0, the lower body's
// continue after them in the file; the loader takes the gap (row 13's first frame minus row 6's) back out.
namespace vexlin::gfx {

struct AnimationRow {
    std::int32_t firstFrame = 0;
    std::int32_t frameCount = 0; // the last frame is firstFrame + frameCount once read
    std::int32_t loopingFrames = 0;
    std::int32_t framesPerSecond = 0;
};

constexpr std::size_t kAnimationRows = 26;
using AnimationTable = std::array<AnimationRow, kAnimationRows>;

// The rows the test plays: the upper body standing (it breathes) and the lower body walking.
constexpr std::uint32_t kTorsoStandRow = 11;
constexpr std::uint32_t kLegsWalkRow = 14;

struct Q3Player {
    Md3Model lower;
    Md3Model upper;
    Md3Model head;
    AnimationTable animations{};
    std::int32_t lowerAnimation = 0;
    std::int32_t upperAnimation = 0;

    Q3Player() = default;
    // The parts link to one another by address.
    Q3Player(const Q3Player&) = delete;
    Q3Player& operator=(const Q3Player&) = delete;
};

// What loading needs besides the file names: where data files are, how pictures become textures, and where
// the messages of the texture loaders go.
struct LoadContext {
    TextureMaker& maker;
    DataLocator locate;
    std::vector<TextureMessage> messages;
};

// Fills table from the text of an animation file; fileName only names the file in the error.
std::optional<LoadError> parseAnimationConfig(std::string_view text, const std::string& fileName,
                                              AnimationTable& table);
// A missing file leaves the table as it is (all zero in a fresh character: nothing moves).
std::optional<LoadError> ReadAnimationConfig(Q3Player& player, const std::string& fileName);

void SelectAnimation(Q3Player& player, std::uint32_t row);

// Moves the part on by one frame once more than one frame's time has passed since its last change.  The
// interpolation it leaves for the drawing is the time elapsed in seconds, not scaled by the rate.
void AdvanceFrame(Md3Model& part, float time);

// folder as the program writes it, e.g. "data\model\sarge\", skin e.g. "default".
std::optional<LoadError> LoadPlayerModel(Q3Player& player, std::string_view folder, std::string_view skin,
                                         LoadContext& context);

// Reads the weapon, gives its meshes their textures and puts it into the upper body's "tag_weapon".
std::optional<LoadError> LoadWeaponModel(Md3Model& weapon, Q3Player& player, LoadContext& context);
std::optional<LoadError> AssignWeaponTexture(Md3Model& weapon, std::string_view fileName,
                                             std::string_view meshName, LoadContext& context);

template <class Sink> void AnimateAndRender(Q3Player& player, float time, Sink& sink) {
    AdvanceFrame(player.lower, time);
    AdvanceFrame(player.upper, time);
    AdvanceFrame(player.head, time);
    RenderAttached(player.lower, sink);
}

} // namespace vexlin::gfx
