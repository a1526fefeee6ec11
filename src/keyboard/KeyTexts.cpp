#include "keyboard/KeyTexts.h"

#include <array>
#include <utility>

namespace vexlin {
namespace {

const char* fixedName(int virtualKey) {
    static constexpr std::pair<int, const char*> kNames[] = {
        {8, "Backspace"}, {9, "Tab"},    {13, "Enter"}, {16, "Shift"}, {18, "Alt"},    {20, "Caps Lock"},
        {27, "Escape"},   {32, "Space"}, {33, "Pg Up"}, {34, "Pg Dn"}, {35, "End"},    {36, "Home"},
        {37, "Left"},     {38, "Up"},    {39, "Right"}, {40, "Down"},  {45, "Insert"}, {46, "Delete"},
    };
    // Keys that type nothing and would otherwise log an empty entry, as Ctrl does.
    static constexpr std::pair<int, const char*> kSilentKeys[] = {
        {95, "Sleep"},
        {166, "Browser Back"},
        {167, "Browser Forward"},
        {168, "Browser Refresh"},
        {169, "Browser Stop"},
        {170, "Browser Search"},
        {171, "Browser Favorites"},
        {172, "Browser Home"},
        {173, "Volume Mute"},
        {174, "Volume Down"},
        {175, "Volume Up"},
        {176, "Next Track"},
        {177, "Previous Track"},
        {178, "Stop Media"},
        {179, "Play/Pause"},
        {180, "Mail"},
        {182, "My Computer"},
        {183, "Calculator"},
    };
    for (const auto& [key, name] : kSilentKeys) {
        if (key == virtualKey) {
            return name;
        }
    }
    for (const auto& [key, name] : kNames) {
        if (key == virtualKey) {
            return name;
        }
    }
    return nullptr;
}

bool isControlCharacter(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

} // namespace

std::string KeyDisplayText(int virtualKey, std::string_view producedText) {
    if (const char* name = fixedName(virtualKey)) {
        return name;
    }
    constexpr int kF1 = 112;
    constexpr int kF12 = 123;
    if (virtualKey >= kF1 && virtualKey <= kF12) {
        std::string name(1, 'F');
        name += std::to_string(virtualKey - kF1 + 1);
        return name;
    }
    std::string text;
    for (char c : producedText) {
        if (!isControlCharacter(static_cast<unsigned char>(c))) {
            text += c;
        }
    }
    return text;
}

std::string unknownKeyText(std::string_view systemName, std::uint32_t keycode) {
    std::string text;
    for (char c : systemName) {
        if (!isControlCharacter(static_cast<unsigned char>(c)) && c != ' ') {
            text += c;
        } else if (c == ' ' && !text.empty() && text.back() != ' ') {
            text += ' ';
        }
    }
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    if (!text.empty()) {
        return text;
    }
    return keycode != 0 ? "Key " + std::to_string(keycode) : std::string("Key");
}

std::string keyboardTypeCaption(int keyboardType) {
    static constexpr std::array<const char*, 7> kTypes{
        "IBM PC/XT or compatible (83-key) keyboard",
        "Olivetti \"ICO\" (102-key) keyboard",
        "IBM PC/AT (84-key) or similar keyboard",
        "IBM enhanced or compatible",
        "Nokia 1050 and similar keyboards",
        "Nokia 9140 and similar keyboards",
        "Japanese keyboard",
    };
    if (keyboardType < 1 || keyboardType > static_cast<int>(kTypes.size())) {
        return "Unrecognized keyboard type";
    }
    return std::string("Тип клавиатуры: ") + kTypes[static_cast<std::size_t>(keyboardType - 1)];
}

void KeyLog::add(std::string_view entry) {
    std::string next;
    next.reserve(entry.size() + 1 + text_.size());
    next.append(entry).append(" ").append(text_);
    if (next.size() > kMaxBytes) {
        // Cut after the last blank that still fits; entries are separated by blanks and a blank is never
        // part of a multi-byte character, so no character is split.
        const auto cut = next.rfind(' ', kMaxBytes - 1);
        next.resize(cut == std::string::npos ? 0 : cut + 1);
    }
    text_ = std::move(next);
}

} // namespace vexlin
