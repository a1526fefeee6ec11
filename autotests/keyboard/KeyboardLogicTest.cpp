#include "keyboard/KeyPlaces.h"
#include "keyboard/KeyTexts.h"
#include "keyboard/KeyboardTest.h"
#include "keyboard/PhysicalKeys.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace vexlin {
namespace {

// --- key places --------------------------------------------------------------------------------------------

struct PlaceRow {
    const char* name;
    int virtualKey;
    bool extended;
    SpriteSize size;
    std::vector<SpritePlace> places;
};

void PrintTo(const PlaceRow& row, std::ostream* out) {
    *out << row.name;
}

class KeyPlacesTest : public testing::TestWithParam<PlaceRow> {};

TEST_P(KeyPlacesTest, SpritesGoWhereTheKeyIs) {
    const auto& row = GetParam();
    const auto placed = keyPlaces(row.virtualKey, row.extended);
    const std::vector<SpritePlace> places(placed.places.begin(), placed.places.end());
    EXPECT_EQ(places, row.places);
    if (!row.places.empty()) {
        EXPECT_EQ(placed.size, row.size);
    }
}

using enum SpriteSize;
INSTANTIATE_TEST_SUITE_P(
    Keys, KeyPlacesTest,
    testing::Values(
        PlaceRow{"Escape", 27, false, Small, {{35, 50}}}, PlaceRow{"F1", 112, false, Small, {{75, 50}}},
        PlaceRow{"F12", 123, false, Small, {{459, 50}}}, PlaceRow{"Insert", 45, true, Small, {{502, 26}}},
        PlaceRow{"PageDown", 34, true, Small, {{565, 50}}}, PlaceRow{"Grave", 192, false, Wide, {{34, 77}}},
        PlaceRow{"Digit0", '0', false, Wide, {{414, 77}}}, PlaceRow{"Digit9", '9', false, Wide, {{376, 77}}},
        PlaceRow{"Backspace", 8, false, Wide, {{528, 77}, {556, 77}}},
        PlaceRow{"Tab", 9, false, Wide, {{37, 114}, {51, 114}}},
        PlaceRow{"Code43", 43, false, Wide, {{37, 115}}}, PlaceRow{"P", 'P', false, Wide, {{433, 114}}},
        PlaceRow{"Backslash", 220, false, Wide, {{546, 114}, {560, 114}}},
        PlaceRow{"CapsLock", 20, false, Wide, {{34, 151}, {62, 151}}},
        PlaceRow{"A", 'A', false, Wide, {{100, 151}}}, PlaceRow{"L", 'L', false, Wide, {{404, 151}}},
        PlaceRow{"Enter", 13, false, Wide, {{517, 151}, {545, 151}, {559, 151}}},
        PlaceRow{"BothShifts",
                 16,
                 false,
                 Wide,
                 {{34, 189}, {62, 189}, {76, 189}, {500, 189}, {528, 189}, {556, 189}}},
        PlaceRow{"M", 'M', false, Wide, {{347, 189}}}, PlaceRow{"Slash", 191, false, Wide, {{459, 189}}},
        PlaceRow{"LeftCtrl", 17, false, Wide, {{80, 227}}},
        PlaceRow{"RightCtrl", 17, true, Wide, {{461, 227}}},
        PlaceRow{"LeftWindows", 91, true, Wide, {{118, 227}}}, PlaceRow{"Menu", 93, true, Wide, {{423, 227}}},
        PlaceRow{"Space",
                 32,
                 false,
                 Wide,
                 {{196, 227}, {224, 227}, {252, 227}, {280, 227}, {308, 227}, {336, 227}, {350, 227}}},
        PlaceRow{"Up", 38, true, Small, {{535, 227}}}, PlaceRow{"Left", 37, true, Small, {{503, 253}}},
        PlaceRow{"Right", 39, true, Small, {{566, 253}}}, PlaceRow{"AltNotDrawn", 18, false, Wide, {}},
        PlaceRow{"RightWindowsNotDrawn", 92, true, Wide, {}},
        PlaceRow{"Keypad5NotDrawn", 101, false, Wide, {}},
        PlaceRow{"KeypadEnterNotDrawn", 13, true, Wide, {}}, PlaceRow{"UnknownCode", 255, false, Wide, {}},
        PlaceRow{"CodeZeroOfUnknownKeys", 0, false, Wide, {}}, PlaceRow{"SleepNotDrawn", 95, false, Wide, {}},
        PlaceRow{"BrowserBackNotDrawn", 166, true, Wide, {}},
        PlaceRow{"BrowserHomeNotDrawn", 172, true, Wide, {}}, PlaceRow{"MuteNotDrawn", 173, true, Wide, {}},
        PlaceRow{"VolumeUpNotDrawn", 175, true, Wide, {}}, PlaceRow{"PlayNotDrawn", 179, true, Wide, {}},
        PlaceRow{"MailNotDrawn", 180, true, Wide, {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct Box {
    int key;
    int left, top, right, bottom; // right and bottom exclusive
};

std::vector<Box> everySpriteBox() {
    std::vector<Box> boxes;
    for (int key : placedVirtualKeys()) {
        for (bool extended : {false, true}) {
            if (extended && key != 17) {
                continue; // only Ctrl has places of its own for the extended flag
            }
            const auto placed = keyPlaces(key, extended);
            const bool small = placed.size == SpriteSize::Small;
            const int w = small ? kSmallSpriteWidth : kWideSpriteWidth;
            const int h = small ? kSmallSpriteHeight : kWideSpriteHeight;
            for (const auto& p : placed.places) {
                boxes.push_back({key * 2 + (extended ? 1 : 0), p.x, p.y, p.x + w, p.y + h});
            }
        }
    }
    return boxes;
}

// Two different keys lighting the same pixels would make a press of one look like the other.
TEST(KeyPlacesTable, NoTwoKeysShareAPixel) {
    const auto boxes = everySpriteBox();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        for (std::size_t j = i + 1; j < boxes.size(); ++j) {
            const Box& a = boxes[i];
            const Box& b = boxes[j];
            if (a.key == b.key) {
                continue;
            }
            const bool tabAndCode43 =
                (a.key / 2 == 9 && b.key / 2 == 43) || (a.key / 2 == 43 && b.key / 2 == 9);
            const bool overlap = a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
            EXPECT_TRUE(!overlap || tabAndCode43)
                << "keys " << a.key / 2 << " and " << b.key / 2 << " overlap at " << a.left << "," << a.top;
        }
    }
}

TEST(MousePlaces, TouchPadButtons) {
    const auto left = mouseButtonPlaces(MouseButton::Left);
    const auto right = mouseButtonPlaces(MouseButton::Right);
    EXPECT_EQ(left.size, SpriteSize::Small);
    EXPECT_EQ(
        std::vector<SpritePlace>(left.places.begin(), left.places.end()),
        (std::vector<SpritePlace>{{210, 265}, {234, 265}, {258, 265}, {217, 391}, {235, 391}, {259, 391}}));
    EXPECT_EQ(
        std::vector<SpritePlace>(right.places.begin(), right.places.end()),
        (std::vector<SpritePlace>{{286, 265}, {310, 265}, {334, 265}, {286, 391}, {310, 391}, {328, 391}}));
    EXPECT_TRUE(mouseButtonPlaces(MouseButton::Other).places.empty());
}

// --- key texts ---------------------------------------------------------------------------------------------

struct TextRow {
    const char* name;
    int virtualKey;
    std::string produced;
    std::string expected;
};

void PrintTo(const TextRow& row, std::ostream* out) {
    *out << row.name;
}

class KeyDisplayTextTest : public testing::TestWithParam<TextRow> {};

TEST_P(KeyDisplayTextTest, NamesOrCharacters) {
    EXPECT_EQ(KeyDisplayText(GetParam().virtualKey, GetParam().produced), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyDisplayTextTest,
    testing::Values(
        TextRow{"LatinLetter", 'A', "a", "a"}, TextRow{"ShiftedLetter", 'A', "A", "A"},
        TextRow{"CyrillicLetter", 'A', "ф", "ф"}, TextRow{"Digit", '1', "1", "1"},
        TextRow{"Punctuation", 192, "`", "`"}, TextRow{"TwoCharacters", 222, "´a", "´a"},
        TextRow{"DeadKey", 222, "", ""}, TextRow{"Ctrl", 17, "", ""},
        TextRow{"CtrlLetterControlCharacter", 'C', "\x03", ""}, TextRow{"Backspace", 8, "\b", "Backspace"},
        TextRow{"Tab", 9, "\t", "Tab"}, TextRow{"Enter", 13, "\r", "Enter"},
        TextRow{"Shift", 16, "", "Shift"}, TextRow{"Alt", 18, "", "Alt"},
        TextRow{"CapsLock", 20, "", "Caps Lock"}, TextRow{"Escape", 27, "\x1b", "Escape"},
        TextRow{"Space", 32, " ", "Space"}, TextRow{"PageUp", 33, "", "Pg Up"},
        TextRow{"PageDown", 34, "", "Pg Dn"}, TextRow{"End", 35, "", "End"}, TextRow{"Home", 36, "", "Home"},
        TextRow{"Left", 37, "", "Left"}, TextRow{"Up", 38, "", "Up"}, TextRow{"Right", 39, "", "Right"},
        TextRow{"Down", 40, "", "Down"}, TextRow{"Insert", 45, "", "Insert"},
        TextRow{"Delete", 46, "\x7f", "Delete"}, TextRow{"F1", 112, "", "F1"}, TextRow{"F10", 121, "", "F10"},
        TextRow{"F12", 123, "", "F12"}, TextRow{"F13HasNoName", 124, "", ""},
        TextRow{"LeftWindows", 91, "", ""}, TextRow{"Sleep", 95, "", "Sleep"},
        TextRow{"BrowserBack", 166, "", "Browser Back"}, TextRow{"BrowserHome", 172, "", "Browser Home"},
        TextRow{"VolumeMute", 173, "", "Volume Mute"}, TextRow{"VolumeDown", 174, "", "Volume Down"},
        TextRow{"VolumeUp", 175, "", "Volume Up"}, TextRow{"NextTrack", 176, "", "Next Track"},
        TextRow{"PreviousTrack", 177, "", "Previous Track"}, TextRow{"StopMedia", 178, "", "Stop Media"},
        TextRow{"PlayPause", 179, "", "Play/Pause"}, TextRow{"Mail", 180, "", "Mail"},
        TextRow{"LaunchMediaSelectUnnamed", 181, "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct UnknownKeyRow {
    const char* name;
    std::string systemName;
    std::uint32_t keycode;
    std::string expected;
};

void PrintTo(const UnknownKeyRow& row, std::ostream* out) {
    *out << row.name;
}

class UnknownKeyTextTest : public testing::TestWithParam<UnknownKeyRow> {};

TEST_P(UnknownKeyTextTest, NameElseKeycode) {
    EXPECT_EQ(unknownKeyText(GetParam().systemName, GetParam().keycode), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Keys, UnknownKeyTextTest,
                         testing::Values(UnknownKeyRow{"SystemName", "Wireless", 246, "Wireless"},
                                         UnknownKeyRow{"NameWithBlanks", " Launch  (0) ", 156, "Launch (0)"},
                                         UnknownKeyRow{"NoNameGivesKeycode", "", 248, "Key 248"},
                                         UnknownKeyRow{"OnlyBlanksGivesKeycode", "  ", 248, "Key 248"},
                                         UnknownKeyRow{"ControlCharacterDropped", "Vol\x01ume", 200,
                                                       "Volume"},
                                         UnknownKeyRow{"RawControlCharacter", "\x01", 200, "Key 200"},
                                         UnknownKeyRow{"NothingAtAll", "", 0, "Key"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct CaptionRow {
    const char* name;
    int type;
    const char* caption;
};

void PrintTo(const CaptionRow& row, std::ostream* out) {
    *out << row.name;
}

class KeyboardTypeCaptionTest : public testing::TestWithParam<CaptionRow> {};

TEST_P(KeyboardTypeCaptionTest, Caption) {
    EXPECT_EQ(keyboardTypeCaption(GetParam().type), GetParam().caption);
}

INSTANTIATE_TEST_SUITE_P(
    Types, KeyboardTypeCaptionTest,
    testing::Values(CaptionRow{"None", 0, "Unrecognized keyboard type"},
                    CaptionRow{"XT", 1, "Тип клавиатуры: IBM PC/XT or compatible (83-key) keyboard"},
                    CaptionRow{"Olivetti", 2, "Тип клавиатуры: Olivetti \"ICO\" (102-key) keyboard"},
                    CaptionRow{"AT", 3, "Тип клавиатуры: IBM PC/AT (84-key) or similar keyboard"},
                    CaptionRow{"Enhanced", 4, "Тип клавиатуры: IBM enhanced or compatible"},
                    CaptionRow{"Nokia1050", 5, "Тип клавиатуры: Nokia 1050 and similar keyboards"},
                    CaptionRow{"Nokia9140", 6, "Тип клавиатуры: Nokia 9140 and similar keyboards"},
                    CaptionRow{"Japanese", 7, "Тип клавиатуры: Japanese keyboard"},
                    CaptionRow{"JustPastTheTable", 8, "Unrecognized keyboard type"},
                    CaptionRow{"Negative", -1, "Unrecognized keyboard type"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KeyLog, NewestFirstEachFollowedByABlank) {
    KeyLog log;
    log.add("a");
    log.add("");
    log.add("Enter");
    EXPECT_EQ(log.text(), "Enter  a ");
    log.clear();
    EXPECT_EQ(log.text(), "");
}

// A held key adds an entry per repeat for as long as it is held; the log keeps its beginning and never cuts a
// two-byte Cyrillic letter in half.
TEST(KeyLog, LongLogKeepsWholeEntries) {
    KeyLog log;
    for (int i = 0; i < 5000; ++i) {
        log.add(i % 2 == 0 ? "Я" : "Space");
    }
    ASSERT_LE(log.text().size(), KeyLog::kMaxBytes);
    EXPECT_GT(log.text().size(), KeyLog::kMaxBytes - 10);
    EXPECT_EQ(log.text().substr(0, 12), "Space Я Spa");
    EXPECT_EQ(log.text().back(), ' ');
    std::string rebuilt;
    std::size_t start = 0;
    while (start < log.text().size()) {
        const auto blank = log.text().find(' ', start);
        const std::string entry = log.text().substr(start, blank - start);
        EXPECT_TRUE(entry == "Я" || entry == "Space") << "entry '" << entry << "'";
        start = blank + 1;
    }
}

// --- physical keys -----------------------------------------------------------------------------------------

struct KeycodeRow {
    const char* name;
    std::uint32_t x11Keycode;
    std::optional<PhysicalKey> expected;
};

void PrintTo(const KeycodeRow& row, std::ostream* out) {
    *out << row.name;
}

class X11KeycodeTest : public testing::TestWithParam<KeycodeRow> {};

TEST_P(X11KeycodeTest, SamePositionWhateverTheLayout) {
    EXPECT_EQ(keyFromX11Keycode(GetParam().x11Keycode), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Keycodes, X11KeycodeTest,
    testing::Values(
        KeycodeRow{"Escape", 9, PhysicalKey{27, false}}, KeycodeRow{"Digit1", 10, PhysicalKey{'1', false}},
        KeycodeRow{"Digit0", 19, PhysicalKey{'0', false}}, KeycodeRow{"Backspace", 22, PhysicalKey{8, false}},
        KeycodeRow{"Q", 24, PhysicalKey{'Q', false}}, KeycodeRow{"BracketRight", 35, PhysicalKey{221, false}},
        KeycodeRow{"Return", 36, PhysicalKey{13, false}}, KeycodeRow{"LeftCtrl", 37, PhysicalKey{17, false}},
        KeycodeRow{"A", 38, PhysicalKey{'A', false}}, KeycodeRow{"Grave", 49, PhysicalKey{192, false}},
        KeycodeRow{"LeftShift", 50, PhysicalKey{16, false}},
        KeycodeRow{"Backslash", 51, PhysicalKey{220, false}}, KeycodeRow{"Z", 52, PhysicalKey{'Z', false}},
        KeycodeRow{"Slash", 61, PhysicalKey{191, false}},
        KeycodeRow{"RightShift", 62, PhysicalKey{16, false}},
        KeycodeRow{"LeftAlt", 64, PhysicalKey{18, false}}, KeycodeRow{"Space", 65, PhysicalKey{32, false}},
        KeycodeRow{"CapsLock", 66, PhysicalKey{20, false}}, KeycodeRow{"F1", 67, PhysicalKey{112, false}},
        KeycodeRow{"F10", 76, PhysicalKey{121, false}}, KeycodeRow{"F11", 95, PhysicalKey{122, false}},
        KeycodeRow{"F12", 96, PhysicalKey{123, false}}, KeycodeRow{"KeypadEnter", 104, PhysicalKey{13, true}},
        KeycodeRow{"RightCtrl", 105, PhysicalKey{17, true}},
        KeycodeRow{"RightAlt", 108, PhysicalKey{18, true}}, KeycodeRow{"Home", 110, PhysicalKey{36, true}},
        KeycodeRow{"Up", 111, PhysicalKey{38, true}}, KeycodeRow{"PageUp", 112, PhysicalKey{33, true}},
        KeycodeRow{"Left", 113, PhysicalKey{37, true}}, KeycodeRow{"Right", 114, PhysicalKey{39, true}},
        KeycodeRow{"End", 115, PhysicalKey{35, true}}, KeycodeRow{"Down", 116, PhysicalKey{40, true}},
        KeycodeRow{"PageDown", 117, PhysicalKey{34, true}}, KeycodeRow{"Insert", 118, PhysicalKey{45, true}},
        KeycodeRow{"Delete", 119, PhysicalKey{46, true}},
        KeycodeRow{"LeftWindows", 133, PhysicalKey{91, true}},
        KeycodeRow{"MenuKey", 135, PhysicalKey{93, true}}, KeycodeRow{"BelowTheOffset", 7, std::nullopt},
        KeycodeRow{"Zero", 0, std::nullopt}, KeycodeRow{"FarOutOfRange", 70000, std::nullopt},
        // The Fn row of laptops: the virtual-key codes of the same keys on Windows.
        KeycodeRow{"Mute", 121, PhysicalKey{173, true}},
        KeycodeRow{"VolumeDown", 122, PhysicalKey{174, true}},
        KeycodeRow{"VolumeUp", 123, PhysicalKey{175, true}},
        KeycodeRow{"NextTrack", 171, PhysicalKey{176, true}},
        KeycodeRow{"PreviousTrack", 173, PhysicalKey{177, true}},
        KeycodeRow{"StopMedia", 174, PhysicalKey{178, true}},
        KeycodeRow{"PlayPause", 172, PhysicalKey{179, true}}, KeycodeRow{"Mail", 163, PhysicalKey{180, true}},
        KeycodeRow{"BrowserBack", 166, PhysicalKey{166, true}},
        KeycodeRow{"BrowserForward", 167, PhysicalKey{167, true}},
        KeycodeRow{"BrowserRefresh", 181, PhysicalKey{168, true}},
        KeycodeRow{"BrowserStop", 136, PhysicalKey{169, true}},
        KeycodeRow{"BrowserSearch", 225, PhysicalKey{170, true}},
        KeycodeRow{"BrowserFavorites", 164, PhysicalKey{171, true}},
        KeycodeRow{"BrowserHome", 180, PhysicalKey{172, true}},
        KeycodeRow{"Sleep", 150, PhysicalKey{95, false}},
        KeycodeRow{"Calculator", 148, PhysicalKey{183, true}},
        KeycodeRow{"Computer", 165, PhysicalKey{182, true}},
        // Keys without a code of their own are not given another key's code.
        KeycodeRow{"WirelessUnknown", 246, std::nullopt}, KeycodeRow{"KeypadEqualUnknown", 125, std::nullopt},
        KeycodeRow{"BrightnessUpUnknown", 233, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

// --- the test as a whole -----------------------------------------------------------------------------------

struct Step {
    enum Kind { Down, Up, MouseDown, MouseUp, Clear, Unknown } kind;
    PhysicalKey key{};
    std::string text{};
    MouseButton button = MouseButton::Left;
};

struct SequenceRow {
    const char* name;
    std::vector<Step> steps;
    std::string log;
    std::string code;
    std::vector<SpriteDraw> lastDraws;
};

void PrintTo(const SequenceRow& row, std::ostream* out) {
    *out << row.name;
}

class KeyboardTestSequence : public testing::TestWithParam<SequenceRow> {};

TEST_P(KeyboardTestSequence, LogCodeAndSprites) {
    KeyboardTest test;
    std::vector<SpriteDraw> last;
    for (const auto& step : GetParam().steps) {
        switch (step.kind) {
        case Step::Down:
            last = test.keyDown(step.key, step.text);
            break;
        case Step::Up:
            last = test.keyUp(step.key);
            break;
        case Step::MouseDown:
            last = test.mouseDown(step.button);
            break;
        case Step::MouseUp:
            last = test.mouseUp(step.button);
            break;
        case Step::Clear:
            test.clear();
            last.clear();
            break;
        case Step::Unknown:
            test.unknownKeyDown(step.text);
            last.clear();
            break;
        }
    }
    EXPECT_EQ(test.logText(), GetParam().log);
    EXPECT_EQ(test.codeText(), GetParam().code);
    EXPECT_EQ(last, GetParam().lastDraws);
}

constexpr PhysicalKey kA{'A', false};
constexpr PhysicalKey kRightCtrl{17, true};
constexpr PhysicalKey kEsc{27, false};

INSTANTIATE_TEST_SUITE_P(
    Sequences, KeyboardTestSequence,
    testing::Values(
        SequenceRow{"PressA", {{Step::Down, kA, "a"}}, "a ", "65", {{Sprite::KeyDown, {100, 151}}}},
        SequenceRow{
            "ReleaseA", {{Step::Down, kA, "a"}, {Step::Up, kA}}, "a ", "65", {{Sprite::KeyUp, {100, 151}}}},
        SequenceRow{"RussianLayout", {{Step::Down, kA, "ф"}}, "ф ", "65", {{Sprite::KeyDown, {100, 151}}}},
        SequenceRow{"AutoRepeat",
                    {{Step::Down, kA, "a"}, {Step::Down, kA, "a"}, {Step::Down, kA, "a"}},
                    "a a a ",
                    "65",
                    {{Sprite::KeyDown, {100, 151}}}},
        SequenceRow{"RightCtrl", {{Step::Down, kRightCtrl, ""}}, " ", "17", {{Sprite::KeyDown, {461, 227}}}},
        SequenceRow{"EscapeSmall",
                    {{Step::Down, kEsc, "\x1b"}, {Step::Up, kEsc}},
                    "Escape ",
                    "27",
                    {{Sprite::SmallKeyUp, {35, 50}}}},
        SequenceRow{"AltLoggedNotDrawn", {{Step::Down, {18, false}, ""}}, "Alt ", "18", {}},
        SequenceRow{"NewestFirst",
                    {{Step::Down, kA, "a"}, {Step::Down, {'B', false}, "b"}},
                    "b a ",
                    "66",
                    {{Sprite::KeyDown, {271, 189}}}},
        SequenceRow{"LeftMouse",
                    {{Step::MouseDown, {}, "", MouseButton::Left}},
                    "LMouse ",
                    " ",
                    {{Sprite::SmallKeyDown, {210, 265}},
                     {Sprite::SmallKeyDown, {234, 265}},
                     {Sprite::SmallKeyDown, {258, 265}},
                     {Sprite::SmallKeyDown, {217, 391}},
                     {Sprite::SmallKeyDown, {235, 391}},
                     {Sprite::SmallKeyDown, {259, 391}}}},
        SequenceRow{"RightMouseUp",
                    {{Step::Down, kA, "a"},
                     {Step::MouseDown, {}, "", MouseButton::Right},
                     {Step::MouseUp, {}, "", MouseButton::Right}},
                    "RMouse a ",
                    " ",
                    {{Sprite::SmallKeyUp, {286, 265}},
                     {Sprite::SmallKeyUp, {310, 265}},
                     {Sprite::SmallKeyUp, {334, 265}},
                     {Sprite::SmallKeyUp, {286, 391}},
                     {Sprite::SmallKeyUp, {310, 391}},
                     {Sprite::SmallKeyUp, {328, 391}}}},
        SequenceRow{"MiddleMouseDoesNothing",
                    {{Step::Down, kA, "a"}, {Step::MouseDown, {}, "", MouseButton::Other}},
                    "a ",
                    "65",
                    {}},
        SequenceRow{"ClearEmptiesBoth", {{Step::Down, kA, "a"}, {Step::Clear}}, "", "", {}},
        SequenceRow{"UnknownKeyLoggedWithCodeZero",
                    {{Step::Down, kA, "a"}, {Step::Unknown, {}, "Wireless"}},
                    "Wireless a ",
                    "0",
                    {}},
        SequenceRow{"KnownKeyAfterUnknownTakesItsCode",
                    {{Step::Unknown, {}, "Key 248"}, {Step::Down, kEsc, "\x1b"}},
                    "Escape Key 248 ",
                    "27",
                    {{Sprite::SmallKeyDown, {35, 50}}}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vexlin
