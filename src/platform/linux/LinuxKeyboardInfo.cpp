#include "platform/linux/LinuxKeyboardInfo.h"

#include "platform/linux/SysfsReader.h"

#include <charconv>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

namespace vexlin::platform::linux_impl {
namespace {

constexpr int kEnhancedKeyboard = 4;
constexpr int kNoKeyboard = 0;
constexpr std::uint64_t kEventKeyBit = 1u << 1; // EV_KEY
constexpr std::uint64_t kEscToS = 0xFFFFFFFEu;  // input codes 1 … 31

// The last (least significant) word of a bitmap line such as "B: KEY=1000000000007 ff9f207ac14057ff".
// Words are as wide as the kernel's long, but bits 0 … 31 are in the last word either way.
bool lastWord(std::string_view bitmap, std::uint64_t& value) {
    while (!bitmap.empty() && (bitmap.back() == ' ' || bitmap.back() == '\r')) {
        bitmap.remove_suffix(1);
    }
    const auto blank = bitmap.rfind(' ');
    const std::string_view word = blank == std::string_view::npos ? bitmap : bitmap.substr(blank + 1);
    if (word.empty() || word.size() > 16) {
        return false;
    }
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value, 16);
    return error == std::errc{} && end == word.data() + word.size();
}

struct Device {
    std::uint64_t events = 0;
    std::uint64_t keys = 0;
    bool isKeyboard() const { return (events & kEventKeyBit) != 0 && (keys & kEscToS) == kEscToS; }
};

} // namespace

bool LinuxKeyboardInfo::listsKeyboard(std::string_view devices) {
    Device device;
    std::size_t start = 0;
    while (start <= devices.size()) {
        auto end = devices.find('\n', start);
        if (end == std::string_view::npos) {
            end = devices.size();
        }
        std::string_view line = devices.substr(start, end - start);
        if (line.starts_with("B: EV=")) {
            if (!lastWord(line.substr(6), device.events)) {
                device.events = 0;
            }
        } else if (line.starts_with("B: KEY=")) {
            if (!lastWord(line.substr(7), device.keys)) {
                device.keys = 0;
            }
        } else if (line.empty() || line == "\r" || line.starts_with("I:")) {
            // A blank line ends a device; "I:" starts the next one even when the blank line is missing.
            if (device.isKeyboard()) {
                return true;
            }
            device = {};
        }
        start = end + 1;
    }
    return device.isKeyboard();
}

int LinuxKeyboardInfo::keyboardType() const {
    std::ifstream in(rootedPath(root_, "/proc/bus/input/devices"));
    if (!in) {
        return kNoKeyboard;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return listsKeyboard(text.str()) ? kEnhancedKeyboard : kNoKeyboard;
}

} // namespace vexlin::platform::linux_impl
