#pragma once

#include <cstdint>
#include <vector>

namespace vexlin {

// The keycodes of the keys held down at this moment, as the X server knows them; empty where the program
// does not run on X11 (Wayland tells a client nothing of keys pressed before it had the focus).
std::vector<std::uint32_t> keysHeldNow();

} // namespace vexlin
