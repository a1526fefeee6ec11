#pragma once

#include "keyboard/KeyPlaces.h"
#include "keyboard/PhysicalKeys.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vexlin {

// One key of the keyboard picture as the key count sees it.  The two Shift keys share one code and light
// together, but they are two keys that can fail on their own, so each has its half of the places here.
struct PictureKey {
    std::string name; // as lists of keys name it: "A", "F5", "Left Shift", "Comma"
    PhysicalKey key;
    std::uint32_t x11Keycode; // the keycode of this position on X11 and Wayland
    SpriteSize size = SpriteSize::Wide;
    std::span<const SpritePlace> places;
};

// Every key drawn on the picture that reaches the program (Fn is handled by the keyboard itself and sends
// nothing), lit or not, in reading order (top row first, left to right).
std::span<const PictureKey> pictureKeys();

// The picture key that a key event is for: by its keycode when it has one, else by its key (a synthesised
// event; Shift is then the left one).  Keys the picture does not show give nothing.
std::optional<std::size_t> pictureKeyIndex(PhysicalKey key, std::uint32_t x11Keycode);

} // namespace vexlin
