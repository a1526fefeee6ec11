#pragma once

#include <filesystem>

namespace vexlin::platform {

// Data packs made on Windows name their files in whatever case the author typed ("Lower.TGA" for lower.tga).
// When path does not exist as written, each missing part is looked for in its folder ignoring the case of
// ASCII letters, and the path found is returned; when one part has several such names the first in byte
// order is taken.  When nothing matches, path comes back unchanged, so that a message names it as written.
std::filesystem::path resolveCaseInsensitive(const std::filesystem::path& path);

} // namespace vexlin::platform
