#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace vexlin::platform {

// Data paths are written Windows-style in places ("data\model\sarge\"); every back slash becomes a slash.
std::string normaliseDataPath(std::string_view path);

// The first root under which the relative path exists; when none has it, the path under the first root, so
// that a message about the missing file names where it was expected.
std::filesystem::path resolveDataPath(std::string_view relative,
                                      const std::vector<std::filesystem::path>& roots);

// The current directory, the executable's directory, the installed share directory.
std::vector<std::filesystem::path> defaultDataRoots();

// resolveDataPath against defaultDataRoots().
std::filesystem::path dataPath(std::string_view relative);

} // namespace vexlin::platform
