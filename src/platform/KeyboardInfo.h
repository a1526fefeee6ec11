#pragma once

namespace vexlin::platform {

class KeyboardInfo {
public:
    virtual ~KeyboardInfo() = default;
    // The keyboard type in the numbering of the Windows keyboard-type query: 4 is an enhanced (101/102-key
    // or compatible) keyboard, 0 means none was found.
    virtual int keyboardType() const = 0;
};

} // namespace vexlin::platform
