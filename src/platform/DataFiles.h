#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vexlin::platform {

// Data paths are written Windows-style in places ("data\model\sarge\"); every back slash becomes a slash.
std::string normaliseDataPath(std::string_view path);

// The first root under which the relative path exists.  When none has it: the path under the first root
// that exists at all (else under the first root), so that a message about the missing file names the place
// where this installation keeps its data.
std::filesystem::path resolveDataPath(std::string_view relative,
                                      const std::vector<std::filesystem::path>& roots);

// What the roots are made from; an empty path is a place that is not known.
struct DataRootPlaces {
    std::filesystem::path executableDirectory;
    std::filesystem::path shareDirectory; // the one compiled in for the configured prefix
    std::filesystem::path currentDirectory;
};

// The directories that hold data/, best first: <prefix>/share/vexlin for an executable in <prefix>/bin
// (an installed tree moved or installed elsewhere), the compiled-in share directory, the current directory
// (a run from the source tree).  No root appears twice.
std::vector<std::filesystem::path> dataRoots(const DataRootPlaces& places);

// dataRoots() for this process.
std::vector<std::filesystem::path> defaultDataRoots();

// resolveDataPath against defaultDataRoots().
std::filesystem::path dataPath(std::string_view relative);

} // namespace vexlin::platform
