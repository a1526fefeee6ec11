#include "platform/DataFiles.h"

#include <algorithm>
#include <system_error>

#if defined(__linux__)
#include <unistd.h>
#endif

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
    return roots.empty() ? rel : roots.front() / rel;
}

std::vector<std::filesystem::path> defaultDataRoots() {
    std::vector<std::filesystem::path> roots;
    std::error_code error;
    const auto current = std::filesystem::current_path(error);
    roots.push_back(error ? std::filesystem::path(".") : current);
    if (auto dir = executableDirectory(); !dir.empty()) {
        roots.push_back(dir);
        // A build directory sits inside the source tree, one or two levels down.
        roots.push_back(dir.parent_path());
    }
#ifdef VEXLIN_SHARE_DIR
    roots.emplace_back(VEXLIN_SHARE_DIR);
#endif
    return roots;
}

std::filesystem::path dataPath(std::string_view relative) {
    return resolveDataPath(relative, defaultDataRoots());
}

} // namespace vexlin::platform
