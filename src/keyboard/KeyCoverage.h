#pragma once

#include "keyboard/PhysicalKeys.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vexlin {

// One key event as the key count sees it.
struct KeyStroke {
    PhysicalKey key;              // virtual key 0: a key the key table does not know
    std::uint32_t x11Keycode = 0; // 0 for a synthesised event
    bool down = true;
    bool autoRepeat = false;
    std::int64_t timeMs = 0;
    std::string_view name; // the key's name, for keys the picture does not show
};

// Which keys of the picture have been pressed since the window opened (or "Очистить"), and which keys show
// the faults of a worn keyboard:
// - stuck: down when the count starts and still down kHeldAtStartMs later (a key that was only being let go
//   of is spared), or held for kStuckMs without a key-up, auto-repeat going on or not;
// - chatter: a key-down within kChatterMs after the same key's key-up, which no finger does but a
//   bouncing switch does.  X11 sends a held key's auto-repeat as key-up and key-down with one time stamp;
//   such a pair is a repeat even where the toolkit did not mark it, so the gap must be at least 1 ms.
// Times are milliseconds on one clock, as the events carry them.
class KeyCoverage {
public:
    static constexpr std::int64_t kChatterMs = 30;
    static constexpr std::int64_t kStuckMs = 10000;
    static constexpr std::int64_t kHeldAtStartMs = 1000;

    KeyCoverage();

    // A new count: nothing pressed, no fault; `heldKeycodes` are the keys down at this moment.
    void start(std::span<const std::uint32_t> heldKeycodes, std::int64_t nowMs);
    // "Очистить": a new count, the keys down now being the ones held at its start.
    void restart(std::int64_t nowMs);
    // The window lost the keyboard focus: the key-ups of the keys down now go to another program, so they
    // are no longer known to be held.  A key counts as stuck only for a hold seen while the window had it.
    void focusLost();
    // The keys the system says are held now (X11 keycodes): a key thought down that is not among them was let
    // go where this window did not see it, as while the window manager holds the keyboard for Alt+Tab.
    void keysReallyHeld(std::span<const std::uint32_t> heldKeycodes);

    // True when the count or a fault changed, so that the window shows it afresh.
    bool key(const KeyStroke& stroke);
    // The time-based faults, for keys that stay down without events (held modifiers); true on a change.
    bool tick(std::int64_t nowMs);

    int pressed() const { return pressedCount_; }
    int total() const;
    bool wasPressed(std::size_t pictureIndex) const { return pressed_[pictureIndex]; }

    std::vector<std::string> untestedKeys() const; // in picture order
    std::vector<std::string> stuckKeys() const;    // in the order found
    std::vector<std::string> chatterKeys() const;  // in the order found

private:
    // A key's state, by X11 keycode (1 … 255), then by picture key for synthesised events.
    static constexpr std::size_t kKeycodeSlots = 256;
    static constexpr std::size_t kSlots = kKeycodeSlots + 128;

    struct Slot {
        bool down = false;
        bool heldAtStart = false;
        bool stuck = false;
        bool chatter = false;
        bool everUp = false;
        std::int64_t downSinceMs = 0;
        std::int64_t lastUpMs = 0;
        std::string name; // for keys the picture does not show, from their key-down; kept from a fault on
    };

    int slotOf(const KeyStroke& stroke) const;
    int pictureIndexOfSlot(std::size_t slot) const;
    std::string nameOfSlot(std::size_t slot) const;
    bool markPressed(const KeyStroke& stroke);
    bool flagStuck(std::size_t slot, std::string_view name);
    bool flagChatter(std::size_t slot, std::string_view name);
    bool heldTooLong(const Slot& key, std::int64_t nowMs) const;
    bool keyDown(std::size_t slot, const KeyStroke& stroke);
    bool keyUp(std::size_t slot, const KeyStroke& stroke);
    void reset(std::int64_t nowMs);

    std::array<Slot, kSlots> slots_;
    std::vector<bool> pressed_;
    int pressedCount_ = 0;
    std::vector<std::size_t> stuck_;
    std::vector<std::size_t> chatter_;
    std::int64_t startMs_ = 0;
};

} // namespace vexlin
