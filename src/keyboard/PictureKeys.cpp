#include "keyboard/PictureKeys.h"

#include "keyboard/KeyTexts.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace vexlin {
namespace {

constexpr std::uint32_t kX11Offset = 8;
constexpr std::uint32_t kLastInputCode = 255;
constexpr std::uint32_t kRightShiftInputCode = 54;
constexpr int kShift = 16;
constexpr int kCtrl = 17;
constexpr int kEnter = 13;
constexpr int kAlt = 18;

std::string punctuationName(int virtualKey) {
    static constexpr std::pair<int, const char*> kNames[] = {
        {192, "`"},  {189, "-"}, {187, "="}, {219, "["},     {221, "]"},
        {220, "\\"}, {186, ";"}, {222, "'"}, {188, "Comma"}, // lists of keys are joined with commas
        {190, "."},  {191, "/"},
    };
    for (const auto& [key, name] : kNames) {
        if (key == virtualKey) {
            return name;
        }
    }
    return {};
}

std::string nameOf(PhysicalKey key, std::uint32_t inputCode) {
    switch (key.virtualKey) {
    case kShift:
        return inputCode == kRightShiftInputCode ? "Right Shift" : "Left Shift";
    case kCtrl:
        return key.extended ? "Right Ctrl" : "Left Ctrl";
    case kAlt:
        return key.extended ? "Right Alt" : "Left Alt";
    case 91:
        return "Win";
    case 93:
        return "Menu";
    default:
        break;
    }
    if (auto name = KeyDisplayText(key.virtualKey, {}); !name.empty()) {
        return name;
    }
    if ((key.virtualKey >= 'A' && key.virtualKey <= 'Z') ||
        (key.virtualKey >= '0' && key.virtualKey <= '9')) {
        return std::string(1, static_cast<char>(key.virtualKey));
    }
    return punctuationName(key.virtualKey);
}

std::vector<PictureKey> buildPictureKeys() {
    std::vector<PictureKey> keys;
    for (std::uint32_t code = 1; code <= kLastInputCode; ++code) {
        const auto key = keyFromInputCode(code);
        if (!key) {
            continue;
        }
        KeyPlaces placed = keyPlaces(key->virtualKey, key->extended);
        if (placed.places.empty()) {
            placed = unlitKeyPlaces(key->virtualKey, key->extended); // drawn, sent, only not lit
        }
        if (placed.places.empty()) {
            continue;
        }
        std::span<const SpritePlace> places = placed.places;
        if (key->virtualKey == kShift) {
            // The left Shift's sprites come first in the table, the right one's after them.
            const std::size_t half = places.size() / 2;
            places = code == kRightShiftInputCode ? places.subspan(half) : places.first(half);
        }
        keys.push_back({nameOf(*key, code), *key, code + kX11Offset, placed.size, places});
    }
    std::stable_sort(keys.begin(), keys.end(), [](const PictureKey& a, const PictureKey& b) {
        const auto& pa = a.places.front();
        const auto& pb = b.places.front();
        return pa.y != pb.y ? pa.y < pb.y : pa.x < pb.x;
    });
    return keys;
}

const std::vector<PictureKey>& table() {
    static const std::vector<PictureKey> keys = buildPictureKeys();
    return keys;
}

// Picture key by X11 keycode, -1 for none.
const std::array<std::int16_t, 256>& byKeycode() {
    static const auto index = [] {
        std::array<std::int16_t, 256> out{};
        out.fill(-1);
        for (std::size_t i = 0; i < table().size(); ++i) {
            out[table()[i].x11Keycode] = static_cast<std::int16_t>(i);
        }
        return out;
    }();
    return index;
}

} // namespace

std::span<const PictureKey> pictureKeys() {
    return table();
}

std::optional<std::size_t> pictureKeyIndex(PhysicalKey key, std::uint32_t x11Keycode) {
    if (x11Keycode != 0) {
        if (x11Keycode >= byKeycode().size() || byKeycode()[x11Keycode] < 0) {
            return std::nullopt;
        }
        return static_cast<std::size_t>(byKeycode()[x11Keycode]);
    }
    // The extended flag tells the right Ctrl and Alt from the left ones and the keypad's Enter (not drawn)
    // from the main one; the other keys ignore it, as their places do.
    const bool matchExtended = key.virtualKey == kCtrl || key.virtualKey == kAlt || key.virtualKey == kEnter;
    for (std::size_t i = 0; i < table().size(); ++i) {
        const PhysicalKey& k = table()[i].key;
        if (k.virtualKey == key.virtualKey && (!matchExtended || k.extended == key.extended)) {
            return i;
        }
    }
    return std::nullopt;
}

} // namespace vexlin
