#include "keyboard/KeyCoverage.h"

#include "keyboard/KeyTexts.h"
#include "keyboard/PictureKeys.h"

namespace vexlin {

KeyCoverage::KeyCoverage() : pressed_(pictureKeys().size(), false) {
    static_assert(kSlots > kKeycodeSlots);
}

int KeyCoverage::total() const {
    return static_cast<int>(pictureKeys().size());
}

void KeyCoverage::reset(std::int64_t nowMs) {
    pressed_.assign(pictureKeys().size(), false);
    pressedCount_ = 0;
    stuck_.clear();
    chatter_.clear();
    for (auto& slot : slots_) {
        slot.stuck = false;
        slot.chatter = false;
        slot.everUp = false;
        slot.name.clear();
    }
    startMs_ = nowMs;
}

void KeyCoverage::start(std::span<const std::uint32_t> heldKeycodes, std::int64_t nowMs) {
    reset(nowMs);
    for (auto& slot : slots_) {
        slot.down = false;
        slot.heldAtStart = false;
    }
    for (std::uint32_t keycode : heldKeycodes) {
        if (keycode > 0 && keycode < kKeycodeSlots) {
            Slot& slot = slots_[keycode];
            slot.down = true;
            slot.heldAtStart = true;
            slot.downSinceMs = nowMs;
        }
    }
}

void KeyCoverage::restart(std::int64_t nowMs) {
    reset(nowMs);
    for (auto& slot : slots_) {
        slot.heldAtStart = slot.down;
        if (slot.down) {
            slot.downSinceMs = nowMs;
        }
    }
}

void KeyCoverage::focusLost() {
    for (auto& slot : slots_) {
        slot.down = false;
        slot.heldAtStart = false;
        slot.everUp = false; // no release was seen: the next press is no bounce of one
    }
}

void KeyCoverage::keysReallyHeld(std::span<const std::uint32_t> heldKeycodes) {
    std::array<bool, kKeycodeSlots> held{};
    for (const std::uint32_t keycode : heldKeycodes) {
        if (keycode < kKeycodeSlots) {
            held[keycode] = true;
        }
    }
    for (std::size_t code = 0; code < kKeycodeSlots; ++code) {
        Slot& slot = slots_[code];
        if (slot.down && !held[code]) {
            slot.down = false;
            slot.heldAtStart = false;
            slot.everUp = false;
        }
    }
}

int KeyCoverage::slotOf(const KeyStroke& stroke) const {
    if (stroke.x11Keycode != 0) {
        return stroke.x11Keycode < kKeycodeSlots ? static_cast<int>(stroke.x11Keycode) : -1;
    }
    const auto index = pictureKeyIndex(stroke.key, 0);
    if (!index || kKeycodeSlots + *index >= kSlots) {
        return -1; // a synthesised event for a key the picture does not show: nothing to tell it by
    }
    return static_cast<int>(kKeycodeSlots + *index);
}

int KeyCoverage::pictureIndexOfSlot(std::size_t slot) const {
    if (slot >= kKeycodeSlots) {
        return static_cast<int>(slot - kKeycodeSlots);
    }
    const auto index = pictureKeyIndex({}, static_cast<std::uint32_t>(slot));
    return index ? static_cast<int>(*index) : -1;
}

std::string KeyCoverage::nameOfSlot(std::size_t slot) const {
    if (const int picture = pictureIndexOfSlot(slot); picture >= 0) {
        return pictureKeys()[static_cast<std::size_t>(picture)].name;
    }
    if (!slots_[slot].name.empty()) {
        return slots_[slot].name;
    }
    return unknownKeyText({}, static_cast<std::uint32_t>(slot));
}

bool KeyCoverage::markPressed(const KeyStroke& stroke) {
    const auto index = pictureKeyIndex(stroke.key, stroke.x11Keycode);
    if (!index || pressed_[*index]) {
        return false;
    }
    pressed_[*index] = true;
    ++pressedCount_;
    return true;
}

bool KeyCoverage::flagStuck(std::size_t slot, std::string_view name) {
    Slot& key = slots_[slot];
    if (key.stuck) {
        return false;
    }
    key.stuck = true;
    if (key.name.empty()) {
        key.name = name;
    }
    stuck_.push_back(slot);
    return true;
}

bool KeyCoverage::flagChatter(std::size_t slot, std::string_view name) {
    Slot& key = slots_[slot];
    if (key.chatter) {
        return false;
    }
    key.chatter = true;
    if (key.name.empty()) {
        key.name = name;
    }
    chatter_.push_back(slot);
    return true;
}

bool KeyCoverage::heldTooLong(const Slot& key, std::int64_t nowMs) const {
    if (key.heldAtStart) {
        return nowMs - startMs_ >= kHeldAtStartMs;
    }
    return nowMs - key.downSinceMs >= kStuckMs;
}

bool KeyCoverage::keyDown(std::size_t slot, const KeyStroke& stroke) {
    Slot& key = slots_[slot];
    if (!stroke.name.empty() && !key.stuck && !key.chatter) {
        key.name = stroke.name; // the timer that may find it stuck later has no event to name it by
    }
    if (key.down) {
        // A repeat, or a press whose release never came: the same hold goes on.
        if (heldTooLong(key, stroke.timeMs)) {
            return flagStuck(slot, stroke.name);
        }
        return false;
    }
    key.down = true;
    if (stroke.autoRepeat) {
        key.downSinceMs = stroke.timeMs; // held since before the count; its press was not seen
        return false;
    }
    const std::int64_t gap = stroke.timeMs - key.lastUpMs;
    if (key.everUp && gap == 0) {
        return false; // the release was the auto-repeat's: the hold that began at downSinceMs goes on
    }
    key.downSinceMs = stroke.timeMs;
    if (key.everUp && gap > 0 && gap <= kChatterMs) {
        return flagChatter(slot, stroke.name);
    }
    return false;
}

bool KeyCoverage::keyUp(std::size_t slot, const KeyStroke& stroke) {
    Slot& key = slots_[slot];
    bool changed = false;
    if (key.down && heldTooLong(key, stroke.timeMs)) {
        changed = flagStuck(slot, stroke.name);
    }
    key.down = false;
    key.heldAtStart = false;
    key.everUp = true;
    key.lastUpMs = stroke.timeMs;
    return changed;
}

bool KeyCoverage::key(const KeyStroke& stroke) {
    bool changed = false;
    if (stroke.down) {
        changed = markPressed(stroke);
    }
    const int slot = slotOf(stroke);
    if (slot < 0) {
        return changed;
    }
    if (stroke.down) {
        changed = keyDown(static_cast<std::size_t>(slot), stroke) || changed;
    } else if (!stroke.autoRepeat) {
        changed = keyUp(static_cast<std::size_t>(slot), stroke) || changed;
    }
    return changed;
}

bool KeyCoverage::tick(std::int64_t nowMs) {
    bool changed = false;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        const Slot& key = slots_[i];
        if (!key.down || key.stuck) {
            continue;
        }
        if (heldTooLong(key, nowMs)) {
            changed = flagStuck(i, {}) || changed;
        }
    }
    return changed;
}

std::vector<std::string> KeyCoverage::untestedKeys() const {
    std::vector<std::string> names;
    const auto keys = pictureKeys();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (!pressed_[i]) {
            names.push_back(keys[i].name);
        }
    }
    return names;
}

std::vector<std::string> KeyCoverage::stuckKeys() const {
    std::vector<std::string> names;
    for (std::size_t slot : stuck_) {
        names.push_back(nameOfSlot(slot));
    }
    return names;
}

std::vector<std::string> KeyCoverage::chatterKeys() const {
    std::vector<std::string> names;
    for (std::size_t slot : chatter_) {
        names.push_back(nameOfSlot(slot));
    }
    return names;
}

} // namespace vexlin
