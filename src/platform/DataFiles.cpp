#include "platform/DataFiles.h"

#include <algorithm>
#include <system_error>

namespace vexlin::platform {
namespace {

std::filesystem::path executableDirectory() {
#if defined(__linux__)
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        return self.parent_path();
    }
#endif
    return {};
}

// "/usr/bin/" names the same directory as "/usr/bin".
std::filesystem::path withoutTrailingSlash(const std::filesystem::path& dir) {
    auto normal = dir.lexically_normal();
    return normal.has_filename() ? normal : normal.parent_path();
}

void addRoot(std::vector<std::filesystem::path>& roots, const std::filesystem::path& root) {
    const auto normal = withoutTrailingSlash(root);
    if (std::find(roots.begin(), roots.end(), normal) == roots.end()) {
        roots.push_back(normal);
    }
}

} // namespace

std::string normaliseDataPath(std::string_view path) {
    std::string normal(path);
    std::replace(normal.begin(), normal.end(), '\\', '/');
    return normal;
}

std::filesystem::path resolveDataPath(std::string_view relative,
                                      const std::vector<std::filesystem::path>& roots) {
    const std::filesystem::path rel(normaliseDataPath(relative));
    for (const auto& root : roots) {
        std::error_code error;
        const auto candidate = root / rel;
        if (std::filesystem::exists(candidate, error)) {
            return candidate;
        }
    }
    for (const auto& root : roots) {
        std::error_code error;
        if (std::filesystem::is_directory(root, error)) {
            return root / rel;
        }
    }
    return roots.empty() ? rel : roots.front() / rel;
}

std::vector<std::filesystem::path> dataRoots(const DataRootPlaces& places) {
    std::vector<std::filesystem::path> roots;
    // Only an executable in a bin directory belongs to an installed tree; one in a build directory does not.
    const auto exe = withoutTrailingSlash(places.executableDirectory);
    if (exe.filename() == "bin") {
        addRoot(roots, exe.parent_path() / "share" / "vexlin");
    }
    if (!places.shareDirectory.empty()) {
        addRoot(roots, places.shareDirectory);
    }
    addRoot(roots, places.currentDirectory.empty() ? std::filesystem::path(".") : places.currentDirectory);
    return roots;
}

std::vector<std::filesystem::path> defaultDataRoots() {
    DataRootPlaces places;
    places.executableDirectory = executableDirectory();
#ifdef VEXLIN_SHARE_DIR
    places.shareDirectory = VEXLIN_SHARE_DIR;
#endif
    std::error_code error;
    places.currentDirectory = std::filesystem::current_path(error);
    return dataRoots(places);
}

std::filesystem::path dataPath(std::string_view relative) {
    return resolveDataPath(relative, defaultDataRoots());
}

std::vector<std::filesystem::path> moduleDirectories(const std::filesystem::path& executableDirectory,
                                                     const std::filesystem::path& compiledInDirectory) {
    std::vector<std::filesystem::path> directories;
    const auto exe = withoutTrailingSlash(executableDirectory);
    if (!exe.empty()) {
        addRoot(directories, exe);
        if (exe.filename() == "bin") {
            addRoot(directories, exe.parent_path() / "lib" / "vexlin" / "modules");
        }
    }
    if (!compiledInDirectory.empty()) {
        addRoot(directories, compiledInDirectory);
    }
    return directories;
}

std::filesystem::path installedModuleDirectory() {
#ifdef VEXLIN_MODULE_DIR
    const auto exe = withoutTrailingSlash(executableDirectory());
    return exe.filename() == "bin" ? exe.parent_path() / "lib" / "vexlin" / "modules"
                                   : std::filesystem::path(VEXLIN_MODULE_DIR);
#else
    return {};
#endif
}

std::filesystem::path modulePath(std::string_view fileName) {
#ifdef VEXLIN_MODULE_DIR
    const std::filesystem::path compiledIn = VEXLIN_MODULE_DIR;
#else
    const std::filesystem::path compiledIn;
#endif
    for (const auto& directory : moduleDirectories(executableDirectory(), compiledIn)) {
        std::error_code error;
        const auto candidate = directory / fileName;
        if (std::filesystem::is_regular_file(candidate, error)) {
            return candidate;
        }
    }
    return std::filesystem::path(fileName);
}

} // namespace vexlin::platform
