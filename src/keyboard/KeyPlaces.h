#pragma once

#include <span>

namespace vexlin {

// Where the sprites of one key go on the keyboard picture, in picture pixels.
struct SpritePlace {
    int x = 0;
    int y = 0;
    friend bool operator==(const SpritePlace&, const SpritePlace&) = default;
};

enum class SpriteSize { Wide, Small };

// Sprite sizes of the pictures in data/: wide keys are lit by several wide sprites side by side, and the
// transparent band at the top of every sprite leaves the key's label visible while it is lit.
inline constexpr int kWideSpriteWidth = 28;
inline constexpr int kWideSpriteHeight = 28;
inline constexpr int kSmallSpriteWidth = 24;
inline constexpr int kSmallSpriteHeight = 18;

struct KeyPlaces {
    SpriteSize size = SpriteSize::Wide;
    std::span<const SpritePlace> places; // empty: the key is not drawn
};

// The places of a virtual-key code.  `extended` tells the right Ctrl from the left one; it is ignored for the
// other keys, except that the keypad's Enter (an extended Enter) has no place of its own.
KeyPlaces keyPlaces(int virtualKey, bool extended);

enum class MouseButton { Left, Right, Other };

// The touch-pad button lit by a click of the mouse button (small sprites); Other gives none.
KeyPlaces mouseButtonPlaces(MouseButton button);

// Every virtual-key code that has places, for checks over the whole table.
std::span<const int> placedVirtualKeys();

// Keys the picture draws but the test does not light (both Alt keys): the place a sprite would take on
// their caps, so that the count can mark them untested like any other key.  `extended` is the right one.
KeyPlaces unlitKeyPlaces(int virtualKey, bool extended);

} // namespace vexlin
