#include "platform/CaseInsensitivePath.h"

#include <optional>
#include <string>
#include <system_error>

namespace vexlin::platform {
namespace {

namespace fs = std::filesystem;

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// The entry of folder whose name equals name ignoring case, the first in byte order when there are several.
std::optional<std::string> entryIgnoringCase(const fs::path& folder, const std::string& name) {
    std::optional<std::string> found;
    std::error_code error;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string entry = it->path().filename().string();
        if (sameIgnoringCase(entry, name) && (!found || entry < *found)) {
            found = entry;
        }
    }
    return found;
}

} // namespace

fs::path resolveCaseInsensitive(const fs::path& path) {
    std::error_code error;
    if (path.empty() || fs::exists(path, error)) {
        return path;
    }
    fs::path resolved = path.root_path();
    for (const fs::path& part : path.relative_path()) {
        const fs::path exact = resolved / part;
        if (part == "." || part == ".." || fs::exists(exact, error)) {
            resolved = exact;
            continue;
        }
        const auto entry = entryIgnoringCase(resolved, part.string());
        if (!entry) {
            return path;
        }
        resolved /= *entry;
    }
    return resolved;
}

} // namespace vexlin::platform
