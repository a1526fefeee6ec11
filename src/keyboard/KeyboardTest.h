#pragma once

#include "keyboard/KeyPlaces.h"
#include "keyboard/KeyTexts.h"
#include "keyboard/PhysicalKeys.h"

#include <string>
#include <string_view>
#include <vector>

namespace vexlin {

// The four key sprites of the keyboard picture.
enum class Sprite { KeyDown, KeyUp, SmallKeyDown, SmallKeyUp };

struct SpriteDraw {
    Sprite sprite = Sprite::KeyDown;
    SpritePlace place;
    friend bool operator==(const SpriteDraw&, const SpriteDraw&) = default;
};

// What the keyboard window shows, without the window: the key log, the last code and the sprites to draw for
// each key or mouse event.
class KeyboardTest {
public:
    // A key went down (auto-repeat included): one more log entry, the code, the lit sprites.
    std::vector<SpriteDraw> keyDown(PhysicalKey key, std::string_view producedText);
    // A key the key table does not know: logged by its name with the code 0; nothing is drawn.
    void unknownKeyDown(std::string_view name);
    // A key came up: the released sprites; the texts stay.
    std::vector<SpriteDraw> keyUp(PhysicalKey key) const;

    std::vector<SpriteDraw> mouseDown(MouseButton button);
    std::vector<SpriteDraw> mouseUp(MouseButton button) const;

    // "Очистить" and every activation: both texts empty.
    void clear();

    const std::string& logText() const { return log_.text(); }
    const std::string& codeText() const { return code_; }

private:
    KeyLog log_;
    std::string code_;
};

} // namespace vexlin
