#include "platform/linux/SysfsReader.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>

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

std::optional<std::int64_t> readSmallInteger(const std::string& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    char buffer[64];
    ssize_t got = 0;
    do {
        got = ::read(fd, buffer, sizeof buffer);
    } while (got < 0 && errno == EINTR);
    ::close(fd);
    if (got <= 0 || got == static_cast<ssize_t>(sizeof buffer)) {
        return std::nullopt;
    }
    const char* first = buffer;
    const char* last = buffer + got;
    while (last > first && (last[-1] == '\n' || last[-1] == '\r' || last[-1] == ' ' || last[-1] == '\t')) {
        --last;
    }
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (first == last || error != std::errc{} || end != last) {
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
