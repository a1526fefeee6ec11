#pragma once

#include <cstdint>
#include <optional>

namespace vexlin {

// A key as the key-place table knows it: the virtual-key code of a US keyboard at that physical position,
// and whether it is the extended twin of a key (right Ctrl, right Alt, keypad Enter).
struct PhysicalKey {
    int virtualKey = 0;
    bool extended = false;
    friend bool operator==(const PhysicalKey&, const PhysicalKey&) = default;
};

// The key at a physical position, from the kernel's input key code (the same on every layout, so a Russian
// layout lights the same key as an English one).  Codes that are not keyboard keys give nothing.
std::optional<PhysicalKey> keyFromInputCode(std::uint32_t inputCode);

// X11 and Wayland number the keys as the kernel's input code plus 8.
std::optional<PhysicalKey> keyFromX11Keycode(std::uint32_t keycode);

} // namespace vexlin
