#pragma once

namespace vexlin::platform {

// Reads the system's font configuration and font caches, which the first text a window lays out would
// otherwise wait for.  Safe on any thread and cheap once done; a machine without them just loads nothing.
void loadFontConfiguration();

} // namespace vexlin::platform
