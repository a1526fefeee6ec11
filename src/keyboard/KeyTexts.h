#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vexlin {

// The log entry of a key: the fixed name of a named key (Backspace, Tab, Enter, Shift, Alt, Caps Lock,
// Escape, Space, the navigation keys, F1 … F12), else the characters the active layout produced for it
// (UTF-8).  Control characters are left out, so Ctrl and Ctrl combinations log an empty entry.
std::string KeyDisplayText(int virtualKey, std::string_view producedText);

// The log entry of a key the key table does not know (it gets the code 0): the name the windowing system
// gives it, else its keycode, so that no key-down goes unlogged.
std::string unknownKeyText(std::string_view systemName, std::uint32_t keycode);

// The window caption for the platform's keyboard type.
std::string keyboardTypeCaption(int keyboardType);

// The key log, newest entry first, each followed by one blank.  Only its beginning fits the window, so a key
// held for a long time does not grow it without end: entries past the limit are dropped whole.
class KeyLog {
public:
    static constexpr std::size_t kMaxBytes = 4096;

    void add(std::string_view entry);
    void clear() { text_.clear(); }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

} // namespace vexlin
