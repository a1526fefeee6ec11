#include "platform/linux/SysfsReader.h"

#include <charconv>
#include <fstream>

namespace vexlin::platform::linux_impl {

std::optional<std::string> readFirstLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in) {
        return std::nullopt;
    }
    // Read up to the limit and no further: a file in the tree that never ends (a device, a pipe) must not
    // keep the reader busy or its memory growing.
    std::string line;
    bool ended = false;
    char c = 0;
    while (line.size() <= kMaxValueLine && in.get(c)) {
        if (c == '\n') {
            ended = true;
            break;
        }
        line += c;
    }
    if (line.size() > kMaxValueLine || (!ended && line.empty())) {
        return std::nullopt;
    }
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
        line.pop_back();
    }
    return line;
}

std::optional<std::int64_t> readInteger(const std::filesystem::path& file) {
    const auto line = readFirstLine(file);
    if (!line || line->empty()) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    const char* first = line->data();
    const char* last = first + line->size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc{} || end != last) {
        return std::nullopt;
    }
    return value;
}

std::filesystem::path rootedPath(const std::filesystem::path& root, std::string_view absolute) {
    while (!absolute.empty() && absolute.front() == '/') {
        absolute.remove_prefix(1);
    }
    return root / std::filesystem::path(absolute);
}

} // namespace vexlin::platform::linux_impl
