#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vexlin::platform {

struct DisplayMode {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t bitsPerPixel = 0;
    bool operator==(const DisplayMode&) const = default;
};

class DisplayInfo {
public:
    virtual ~DisplayInfo() = default;
    // One name per display adapter, in the system's order.
    virtual std::vector<std::string> adapters() const = 0;
    // Every mode the primary display offers, in the system's order; modes differing only in refresh rate
    // appear once per rate.
    virtual std::vector<DisplayMode> modes() const = 0;
};

} // namespace vexlin::platform
