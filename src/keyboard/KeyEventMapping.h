#pragma once

#include "keyboard/PhysicalKeys.h"

#include <optional>
#include <string>

class QKeyEvent;

namespace vexlin {

// The physical key of a key event: from its native scan code (X11 and Wayland keycodes), which does not
// depend on the active layout; events without one (synthesised ones) fall back to the key they name, read as
// a US layout.  A scan code the table does not know gives nothing, never the place of another key that
// happens to type the same character (the keypad's "=" is not the "=" key).
std::optional<PhysicalKey> physicalKeyOf(const QKeyEvent& event);

// The log entry of a key that has no physical key: the windowing system's name for it, else its keycode.
std::string unknownKeyTextOf(const QKeyEvent& event);

// The fallback alone: a Qt key code read as a key of a US layout.
std::optional<PhysicalKey> physicalKeyOfQtKey(int qtKey);

} // namespace vexlin
