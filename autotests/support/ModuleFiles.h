#pragma once

#include <filesystem>
#include <fstream>

namespace vexlin::testing {

// A module file for a loader's refusal rows.  An absolute path is a module built for the test and is used
// as it is; a relative one names a file in `dir`, written with `content`, or left missing when that is null.
inline std::filesystem::path refusedModuleFile(const std::filesystem::path& dir,
                                               const std::filesystem::path& module, const char* content) {
    if (module.is_absolute()) {
        return module;
    }
    const auto file = dir / module;
    if (content != nullptr) {
        std::ofstream(file) << content;
    }
    return file;
}

} // namespace vexlin::testing
