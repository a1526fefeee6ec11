#include "sysinfo/BiosLines.h"

#include <algorithm>
#include <array>

namespace vexlin::sysinfo {

std::optional<std::vector<std::string>> biosVersionLines(std::string_view value) {
    constexpr std::size_t kBufferSize = 100;
    if (value.size() > kBufferSize) {
        return std::nullopt;
    }
    std::array<unsigned char, kBufferSize> buffer{};
    std::copy(value.begin(), value.end(), buffer.begin());

    std::vector<std::string> lines;
    std::string current;
    for (std::size_t i = 0; i + 1 < kBufferSize; ++i) {
        if (buffer[i] >= 0x20) {
            current += static_cast<char>(buffer[i]);
        } else {
            if (!current.empty()) {
                lines.push_back(current);
            }
            current.clear();
        }
    }
    return lines;
}

} // namespace vexlin::sysinfo
