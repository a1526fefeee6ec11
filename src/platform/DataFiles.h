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

// Where the program's modules may be, best first: beside the executable (a build tree), <prefix>/lib/vexlin/modules
// for an executable in <prefix>/bin (an installed tree, wherever it was moved), the compiled-in directory.
// An empty path is a place that is not known; no directory appears twice.
std::vector<std::filesystem::path> moduleDirectories(const std::filesystem::path& executableDirectory,
                                                     const std::filesystem::path& compiledInDirectory);

// The module file of that name for this process: in the first of moduleDirectories() that holds it.  When
// none does, the bare name, for the system's own search: the test programs have the build's module
// directory as their run path.
std::filesystem::path modulePath(std::string_view fileName);

// Where this installation keeps its modules, for a message about a missing one.
std::filesystem::path installedModuleDirectory();

} // namespace vexlin::platform
