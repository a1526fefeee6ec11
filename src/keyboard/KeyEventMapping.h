#pragma once

#include "keyboard/PhysicalKeys.h"

#include <optional>

class QKeyEvent;

namespace vexlin {

// The physical key of a key event: from its native scan code (X11 and Wayland keycodes), which does not
// depend on the active layout; events without one (synthesised ones) fall back to the key they name, read as
// a US layout.  Keys that are neither give nothing.
std::optional<PhysicalKey> physicalKeyOf(const QKeyEvent& event);

// The fallback alone: a Qt key code read as a key of a US layout.
std::optional<PhysicalKey> physicalKeyOfQtKey(int qtKey);

} // namespace vexlin
