#include "keyboard/PhysicalKeys.h"

namespace vexlin {
namespace {

struct Code {
    std::uint16_t input;
    std::uint8_t virtualKey;
    bool extended;
};

// Kernel input key codes (the numbering of linux/input-event-codes.h) against virtual-key codes.
constexpr Code kCodes[] = {
    {1, 27, false}, // Esc
    {2, '1', false},  {3, '2', false},  {4, '3', false},  {5, '4', false},  {6, '5', false},
    {7, '6', false},  {8, '7', false},  {9, '8', false},  {10, '9', false}, {11, '0', false},
    {12, 189, false}, // minus
    {13, 187, false}, // equal
    {14, 8, false},   // Backspace
    {15, 9, false},   // Tab
    {16, 'Q', false}, {17, 'W', false}, {18, 'E', false}, {19, 'R', false}, {20, 'T', false},
    {21, 'Y', false}, {22, 'U', false}, {23, 'I', false}, {24, 'O', false}, {25, 'P', false},
    {26, 219, false}, // left brace
    {27, 221, false}, // right brace
    {28, 13, false},  // Enter
    {29, 17, false},  // left Ctrl
    {30, 'A', false}, {31, 'S', false}, {32, 'D', false}, {33, 'F', false}, {34, 'G', false},
    {35, 'H', false}, {36, 'J', false}, {37, 'K', false}, {38, 'L', false}, {39, 186, false}, // semicolon
    {40, 222, false},                                                                         // apostrophe
    {41, 192, false},                                                                         // grave
    {42, 16, false},                                                                          // left Shift
    {43, 220, false},                                                                         // backslash
    {44, 'Z', false}, {45, 'X', false}, {46, 'C', false}, {47, 'V', false}, {48, 'B', false},
    {49, 'N', false}, {50, 'M', false}, {51, 188, false}, // comma
    {52, 190, false},                                     // dot
    {53, 191, false},                                     // slash
    {54, 16, false},                                      // right Shift
    {55, 106, false},                                     // keypad *
    {56, 18, false},                                      // left Alt
    {57, 32, false},                                      // Space
    {58, 20, false},                                      // Caps Lock
    {59, 112, false}, {60, 113, false}, {61, 114, false}, {62, 115, false}, {63, 116, false},
    {64, 117, false}, {65, 118, false}, {66, 119, false}, {67, 120, false}, {68, 121, false}, // F1 … F10
    {69, 144, false},                                                                         // Num Lock
    {70, 145, false},                                                                         // Scroll Lock
    {71, 103, false}, {72, 104, false}, {73, 105, false},                                     // keypad 7 8 9
    {74, 109, false},                                                                         // keypad -
    {75, 100, false}, {76, 101, false}, {77, 102, false},                                     // keypad 4 5 6
    {78, 107, false},                                                                         // keypad +
    {79, 97, false},  {80, 98, false},  {81, 99, false},                                      // keypad 1 2 3
    {82, 96, false},                                                                          // keypad 0
    {83, 110, false},                                                                         // keypad .
    {86, 226, false},                                    // the extra key of ISO keyboards beside left Shift
    {87, 122, false}, {88, 123, false},                  // F11, F12
    {96, 13, true},                                      // keypad Enter
    {97, 17, true},                                      // right Ctrl
    {98, 111, true},                                     // keypad /
    {99, 44, true},                                      // Print Screen
    {100, 18, true},                                     // right Alt
    {102, 36, true},  {103, 38, true},  {104, 33, true}, // Home, Up, Page Up
    {105, 37, true},  {106, 39, true},                   // Left, Right
    {107, 35, true},  {108, 40, true},  {109, 34, true}, // End, Down, Page Down
    {110, 45, true},  {111, 46, true},                   // Insert, Delete
    {119, 19, false},                                    // Pause
    {125, 91, true},                                     // left Windows key
    {126, 92, true},                                     // right Windows key
    {127, 93, true},                                     // menu key
};

// The extra keys of laptops and multimedia keyboards, mostly on the Fn row: the picture has no place for
// them, but they have virtual-key codes of their own and are logged like any key.
constexpr Code kExtraCodes[] = {
    {113, 173, true}, // mute
    {114, 174, true}, // volume down
    {115, 175, true}, // volume up
    {128, 169, true}, // stop (browser)
    {140, 183, true}, // calculator
    {142, 95, false}, // sleep
    {155, 180, true}, // mail
    {156, 171, true}, // bookmarks (browser favourites)
    {157, 182, true}, // computer
    {158, 166, true}, // back (browser)
    {159, 167, true}, // forward (browser)
    {163, 176, true}, // next track
    {164, 179, true}, // play/pause
    {165, 177, true}, // previous track
    {166, 178, true}, // stop (media)
    {172, 172, true}, // home page (browser)
    {173, 168, true}, // refresh (browser)
    {217, 170, true}, // search (browser)
};

constexpr std::uint32_t kX11Offset = 8;

} // namespace

std::optional<PhysicalKey> keyFromInputCode(std::uint32_t inputCode) {
    for (const auto& code : kCodes) {
        if (code.input == inputCode) {
            return PhysicalKey{code.virtualKey, code.extended};
        }
    }
    for (const auto& code : kExtraCodes) {
        if (code.input == inputCode) {
            return PhysicalKey{code.virtualKey, code.extended};
        }
    }
    return std::nullopt;
}

std::optional<PhysicalKey> keyFromX11Keycode(std::uint32_t keycode) {
    if (keycode < kX11Offset) {
        return std::nullopt;
    }
    return keyFromInputCode(keycode - kX11Offset);
}

} // namespace vexlin
