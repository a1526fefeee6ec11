#pragma once

#include "platform/KeyboardInfo.h"

#include <filesystem>
#include <string_view>

namespace vexlin::platform::linux_impl {

// Reads /proc/bus/input/devices below a root.  A device counts as a keyboard when it reports key events and
// has every key from Esc to S (input codes 1 … 31: the digits, the top letter row and the start of the home
// row); power buttons, lid switches, mice and headset buttons have only a few of them.
class LinuxKeyboardInfo final : public KeyboardInfo {
public:
    explicit LinuxKeyboardInfo(std::filesystem::path root) : root_(std::move(root)) {}
    int keyboardType() const override;

    // True when the text of /proc/bus/input/devices lists at least one keyboard.
    static bool listsKeyboard(std::string_view devices);

private:
    std::filesystem::path root_;
};

} // namespace vexlin::platform::linux_impl
