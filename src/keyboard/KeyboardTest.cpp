#include "keyboard/KeyboardTest.h"

namespace vexlin {
namespace {

std::vector<SpriteDraw> draws(const KeyPlaces& key, bool down) {
    const bool small = key.size == SpriteSize::Small;
    const Sprite sprite = down ? (small ? Sprite::SmallKeyDown : Sprite::KeyDown)
                               : (small ? Sprite::SmallKeyUp : Sprite::KeyUp);
    std::vector<SpriteDraw> out;
    out.reserve(key.places.size());
    for (const auto& place : key.places) {
        out.push_back({sprite, place});
    }
    return out;
}

} // namespace

std::vector<SpriteDraw> KeyboardTest::keyDown(PhysicalKey key, std::string_view producedText) {
    log_.add(KeyDisplayText(key.virtualKey, producedText));
    code_ = std::to_string(key.virtualKey);
    return draws(keyPlaces(key.virtualKey, key.extended), true);
}

void KeyboardTest::unknownKeyDown(std::string_view name) {
    log_.add(name);
    code_.assign(1, '0');
}

std::vector<SpriteDraw> KeyboardTest::keyUp(PhysicalKey key) const {
    return draws(keyPlaces(key.virtualKey, key.extended), false);
}

std::vector<SpriteDraw> KeyboardTest::mouseDown(MouseButton button) {
    if (button == MouseButton::Other) {
        return {};
    }
    log_.add(button == MouseButton::Left ? "LMouse" : "RMouse");
    code_.assign(1, ' ');
    return draws(mouseButtonPlaces(button), true);
}

std::vector<SpriteDraw> KeyboardTest::mouseUp(MouseButton button) const {
    return draws(mouseButtonPlaces(button), false);
}

void KeyboardTest::clear() {
    log_.clear();
    code_.clear();
}

} // namespace vexlin
