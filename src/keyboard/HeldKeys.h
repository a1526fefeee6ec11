#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace vexlin {

// The keycodes of the keys held down at this moment, as the X server knows them; nullopt where the program
// does not run on X11 (Wayland tells a client nothing of keys pressed before it had the focus).
std::optional<std::vector<std::uint32_t>> keysHeldNow();

} // namespace vexlin
