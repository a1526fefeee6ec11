#include "keyboard/KeyCoverage.h"

#include "keyboard/EventClock.h"
#include "keyboard/KeyboardResults.h"
#include "keyboard/PictureKeys.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace vexlin {
namespace {

// X11 keycodes of some keys of the picture.
constexpr std::uint32_t kEsc = 9;
constexpr std::uint32_t kA = 38;
constexpr std::uint32_t kS = 39;
constexpr std::uint32_t kLeftShift = 50;
constexpr std::uint32_t kRightShift = 62;
constexpr std::uint32_t kLeftCtrl = 37;
constexpr std::uint32_t kF5 = 71;
constexpr std::uint32_t kHome = 110;
constexpr std::uint32_t kLeftAlt = 64;
constexpr std::uint32_t kRightAlt = 108;
constexpr std::uint32_t kWireless = 246; // not on the picture, not in the key table

// --- the keys of the picture -------------------------------------------------------------------------------

TEST(PictureKeys, EveryKeyDrawnOnceWithAUniqueName) {
    const auto keys = pictureKeys();
    // 83 keys: the rows of the picture, both Shift, Ctrl and Alt keys; code 43 is no key, Fn sends nothing.
    EXPECT_EQ(keys.size(), 83u);
    std::set<std::string> names;
    std::set<std::uint32_t> keycodes;
    for (const auto& key : keys) {
        EXPECT_FALSE(key.name.empty()) << key.x11Keycode;
        EXPECT_EQ(key.name.find(','), std::string::npos) << key.name; // lists are comma-joined
        EXPECT_FALSE(key.places.empty()) << key.name;
        names.insert(key.name);
        keycodes.insert(key.x11Keycode);
    }
    EXPECT_EQ(names.size(), keys.size());
    EXPECT_EQ(keycodes.size(), keys.size());
}

TEST(PictureKeys, ReadingOrder) {
    const auto keys = pictureKeys();
    for (std::size_t i = 1; i < keys.size(); ++i) {
        const auto& a = keys[i - 1].places.front();
        const auto& b = keys[i].places.front();
        EXPECT_TRUE(a.y < b.y || (a.y == b.y && a.x < b.x)) << keys[i - 1].name << " before " << keys[i].name;
    }
    EXPECT_EQ(keys.front().name, "Insert");
    EXPECT_EQ(keys.back().name, "Right");
}

struct PictureKeyRow {
    const char* name;
    PhysicalKey key;
    std::uint32_t keycode;
    std::string expected; // empty: no key of the picture
    std::vector<SpritePlace> places;
};

void PrintTo(const PictureKeyRow& row, std::ostream* out) {
    *out << row.name;
}

class PictureKeyIndexTest : public testing::TestWithParam<PictureKeyRow> {};

TEST_P(PictureKeyIndexTest, KeyOfAnEvent) {
    const auto& row = GetParam();
    const auto index = pictureKeyIndex(row.key, row.keycode);
    if (row.expected.empty()) {
        EXPECT_FALSE(index.has_value());
        return;
    }
    ASSERT_TRUE(index.has_value());
    const auto& key = pictureKeys()[*index];
    EXPECT_EQ(key.name, row.expected);
    if (!row.places.empty()) {
        EXPECT_EQ(std::vector<SpritePlace>(key.places.begin(), key.places.end()), row.places);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, PictureKeyIndexTest,
    testing::Values(
        PictureKeyRow{"A", {}, kA, "A", {{100, 151}}},
        PictureKeyRow{"Escape", {}, kEsc, "Escape", {{35, 50}}},
        PictureKeyRow{"LeftShiftHalf", {}, kLeftShift, "Left Shift", {{34, 189}, {62, 189}, {76, 189}}},
        PictureKeyRow{"RightShiftHalf", {}, kRightShift, "Right Shift", {{500, 189}, {528, 189}, {556, 189}}},
        PictureKeyRow{"RightCtrl", {}, 105, "Right Ctrl", {{461, 227}}},
        PictureKeyRow{"Comma", {}, 59, "Comma", {{385, 189}}},
        PictureKeyRow{"Grave", {}, 49, "`", {{34, 77}}}, PictureKeyRow{"F12", {}, 96, "F12", {{459, 50}}},
        PictureKeyRow{"LeftWindows", {}, 133, "Win", {}},
        PictureKeyRow{"KeypadEnterIsNotEnter", {}, 104, "", {}},
        PictureKeyRow{"LeftAltDrawnUnlit", {}, kLeftAlt, "Left Alt", {{156, 227}}},
        PictureKeyRow{"RightAltDrawnUnlit", {}, kRightAlt, "Right Alt", {{386, 227}}},
        PictureKeyRow{"SynthesisedAltGrIsTheRightAlt", {18, true}, 0, "Right Alt", {}},
        PictureKeyRow{"VolumeUp", {}, 123, "", {}}, PictureKeyRow{"Wireless", {}, kWireless, "", {}},
        PictureKeyRow{"OutOfRange", {}, 4000, "", {}},
        PictureKeyRow{"SynthesisedRightCtrl", {17, true}, 0, "Right Ctrl", {}},
        PictureKeyRow{"SynthesisedShiftIsTheLeft", {16, false}, 0, "Left Shift", {}},
        PictureKeyRow{"SynthesisedKeypadEnter", {13, true}, 0, "", {}},
        PictureKeyRow{"SynthesisedEnter", {13, false}, 0, "Enter", {}},
        PictureKeyRow{"SynthesisedCode43", {43, false}, 0, "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- the count and the faults, replayed
// ----------------------------------------------------------------------

struct Step {
    // ReallyHeld: the system says the step's key is held now, and no other (none for keycode 0).
    enum Kind { Down, Up, RepeatDown, RepeatUp, Synthesised, Tick, Restart, FocusLost, ReallyHeld } kind;
    std::uint32_t keycode = 0;
    std::int64_t timeMs = 0;
    PhysicalKey key{};
};

Step down(std::uint32_t keycode, std::int64_t t) {
    return {Step::Down, keycode, t};
}
Step up(std::uint32_t keycode, std::int64_t t) {
    return {Step::Up, keycode, t};
}
Step tick(std::int64_t t) {
    return {Step::Tick, 0, t};
}

// A held key as X11 delivers it: the press, then every `period` ms a key-up and key-down with the same time
// stamp (marked as auto-repeat when `marked`), until the release at `until`.
std::vector<Step> hold(std::uint32_t keycode, std::int64_t from, std::int64_t until, bool marked = true,
                       std::int64_t period = 33) {
    std::vector<Step> steps{down(keycode, from)};
    for (std::int64_t t = from + 500; t < until; t += period) {
        steps.push_back({marked ? Step::RepeatUp : Step::Up, keycode, t});
        steps.push_back({marked ? Step::RepeatDown : Step::Down, keycode, t});
    }
    steps.push_back(up(keycode, until));
    return steps;
}

std::vector<Step> pressEveryKey(std::uint32_t except1 = 0, std::uint32_t except2 = 0) {
    std::vector<Step> steps;
    std::int64_t t = 0;
    for (const auto& key : pictureKeys()) {
        if (key.x11Keycode == except1 || key.x11Keycode == except2) {
            continue;
        }
        steps.push_back(down(key.x11Keycode, t += 100));
        steps.push_back(up(key.x11Keycode, t += 80));
    }
    return steps;
}

struct CoverageRow {
    const char* name;
    std::vector<std::uint32_t> heldAtStart;
    std::vector<Step> steps;
    int pressed;
    std::vector<std::string> untested; // checked when pressed is at least total - 5
    std::vector<std::string> stuck;
    std::vector<std::string> chatter;
};

void PrintTo(const CoverageRow& row, std::ostream* out) {
    *out << row.name;
}

class KeyCoverageReplay : public testing::TestWithParam<CoverageRow> {};

TEST_P(KeyCoverageReplay, CountStuckAndChatter) {
    const auto& row = GetParam();
    KeyCoverage coverage;
    coverage.start(row.heldAtStart, 0);
    for (const auto& step : row.steps) {
        KeyStroke stroke;
        stroke.x11Keycode = step.keycode;
        stroke.key = keyFromX11Keycode(step.keycode).value_or(PhysicalKey{});
        stroke.timeMs = step.timeMs;
        stroke.name = step.keycode == kWireless ? "Wireless" : "";
        switch (step.kind) {
        case Step::Down:
        case Step::Up:
            stroke.down = step.kind == Step::Down;
            coverage.key(stroke);
            break;
        case Step::RepeatDown:
        case Step::RepeatUp:
            stroke.down = step.kind == Step::RepeatDown;
            stroke.autoRepeat = true;
            coverage.key(stroke);
            break;
        case Step::Synthesised:
            stroke.key = step.key;
            stroke.x11Keycode = 0;
            coverage.key(stroke);
            break;
        case Step::Tick:
            coverage.tick(step.timeMs);
            break;
        case Step::Restart:
            coverage.restart(step.timeMs);
            break;
        case Step::FocusLost:
            coverage.focusLost();
            break;
        case Step::ReallyHeld: {
            std::vector<std::uint32_t> held;
            if (step.keycode != 0) {
                held.push_back(step.keycode);
            }
            coverage.keysReallyHeld(held);
            break;
        }
        }
    }
    EXPECT_EQ(coverage.total(), 83);
    EXPECT_EQ(coverage.pressed(), row.pressed);
    EXPECT_EQ(static_cast<int>(coverage.untestedKeys().size()), coverage.total() - row.pressed);
    if (row.pressed >= coverage.total() - 5) {
        EXPECT_EQ(coverage.untestedKeys(), row.untested);
    }
    EXPECT_EQ(coverage.stuckKeys(), row.stuck);
    EXPECT_EQ(coverage.chatterKeys(), row.chatter);
}

using Names = std::vector<std::string>;

INSTANTIATE_TEST_SUITE_P(
    Sequences, KeyCoverageReplay,
    testing::Values(
        CoverageRow{"Nothing", {}, {}, 0, {}, {}, {}},
        CoverageRow{"FullCoverage", {}, pressEveryKey(), 83, {}, {}, {}},
        CoverageRow{"EveryKeyButTheAlts",
                    {},
                    pressEveryKey(kLeftAlt, kRightAlt),
                    81,
                    Names{"Left Alt", "Right Alt"},
                    {},
                    {}},
        CoverageRow{"MissingKeysInPictureOrder",
                    {},
                    pressEveryKey(kRightShift, kF5),
                    81,
                    Names{"F5", "Right Shift"},
                    {},
                    {}},
        CoverageRow{"RepeatedPressesCountOnce",
                    {},
                    {down(kA, 0), up(kA, 100), down(kA, 300), up(kA, 400)},
                    1,
                    {},
                    {},
                    {}},
        CoverageRow{"UnknownKeysDoNotCount",
                    {},
                    {down(kWireless, 0), up(kWireless, 90), down(123, 200)},
                    0,
                    {},
                    {},
                    {}},
        CoverageRow{"SynthesisedRightCtrlCounts", {}, {{Step::Synthesised, 0, 0, {17, true}}}, 1, {}, {}, {}},
        // Stuck keys.
        CoverageRow{
            "DownAtStartAndStaysDown", {kLeftShift}, {tick(500), tick(1000)}, 0, {}, Names{"Left Shift"}, {}},
        CoverageRow{"DownAtStartLetGoSoon", {kHome}, {up(kHome, 300), tick(1500)}, 0, {}, {}, {}},
        CoverageRow{"DownAtStartLetGoLate", {kHome}, {up(kHome, 1200)}, 0, {}, Names{"Home"}, {}},
        CoverageRow{"UnknownKeyDownAtStartNamedByKeycode", {200}, {tick(1000)}, 0, {}, Names{"Key 200"}, {}},
        CoverageRow{"HeldTenSecondsWithAutoRepeat", {}, hold(kA, 0, 10500), 1, {}, Names{"A"}, {}},
        CoverageRow{"HeldNineSecondsIsNotStuck", {}, hold(kA, 0, 9000), 1, {}, {}, {}},
        CoverageRow{"UnmarkedAutoRepeatStillOneHold", {}, hold(kA, 0, 10500, false), 1, {}, Names{"A"}, {}},
        CoverageRow{"ModifierHeldWithoutEvents",
                    {},
                    {down(kLeftCtrl, 0), tick(9999), tick(10000)},
                    1,
                    {},
                    Names{"Left Ctrl"},
                    {}},
        // Alt+Tab: the Alt's key-up goes to the window switched to.
        CoverageRow{"AltLetGoInAnotherWindow",
                    {},
                    {down(kLeftAlt, 0), {Step::FocusLost, 0, 150}, tick(10000), tick(20000)},
                    1,
                    {},
                    {},
                    {}},
        // The window manager holds the keyboard during Alt+Tab: no focus change, the Alt's key-up goes to it.
        CoverageRow{"AltLetGoDuringTheWindowManagersGrab",
                    {},
                    {down(kLeftAlt, 0), {Step::ReallyHeld, 0, 300}, tick(10000)},
                    1,
                    {},
                    {},
                    {}},
        CoverageRow{"HeldOnTheSystemTooIsStuck",
                    {},
                    {down(kLeftAlt, 0), {Step::ReallyHeld, kLeftAlt, 300}, tick(10000)},
                    1,
                    {},
                    Names{"Left Alt"},
                    {}},
        CoverageRow{
            "HeldAtStartThenFocusLost", {kHome}, {{Step::FocusLost, 0, 200}, tick(1500)}, 0, {}, {}, {}},
        CoverageRow{"FocusLostIsNoChatterAfter",
                    {},
                    {down(kA, 0), up(kA, 50), {Step::FocusLost, 0, 55}, down(kA, 60), up(kA, 120)},
                    1,
                    {},
                    {},
                    {}},
        CoverageRow{
            "HeldAgainAfterTheFocusCameBack",
            {},
            {down(kA, 0), {Step::FocusLost, 0, 100}, {Step::RepeatDown, kA, 5000}, tick(14999), tick(15000)},
            1,
            {},
            Names{"A"},
            {}},
        // The timer has no event of its own: the key is named as its key-down was.
        CoverageRow{"UnknownKeyFoundByTheTimerNamedAsLogged",
                    {},
                    {down(kWireless, 0), tick(10000)},
                    0,
                    {},
                    Names{"Wireless"},
                    {}},
        CoverageRow{"StuckNamedOnce",
                    {},
                    {down(kLeftCtrl, 0), tick(10000), tick(20000), up(kLeftCtrl, 21000)},
                    1,
                    {},
                    Names{"Left Ctrl"},
                    {}},
        // Chatter.
        CoverageRow{"BounceAfterRelease",
                    {},
                    {down(kA, 0), up(kA, 80), down(kA, 95), up(kA, 150)},
                    1,
                    {},
                    {},
                    Names{"A"}},
        CoverageRow{"BounceAtTheLimit", {}, {down(kA, 0), up(kA, 80), down(kA, 110)}, 1, {}, {}, Names{"A"}},
        CoverageRow{"JustPastTheLimit", {}, {down(kA, 0), up(kA, 80), down(kA, 111)}, 1, {}, {}, {}},
        CoverageRow{"FastDoubleTapIsNoChatter",
                    {},
                    {down(kA, 0), up(kA, 70), down(kA, 140), up(kA, 200)},
                    1,
                    {},
                    {},
                    {}},
        CoverageRow{"AutoRepeatIsNoChatter", {}, hold(kS, 0, 3000), 1, {}, {}, {}},
        CoverageRow{"UnmarkedAutoRepeatIsNoChatter", {}, hold(kS, 0, 3000, false), 1, {}, {}, {}},
        CoverageRow{"TwoKeysInTurnAreNoChatter",
                    {},
                    {down(kA, 0), up(kA, 50), down(kS, 60), up(kS, 100), down(kA, 110)},
                    2,
                    {},
                    {},
                    {}},
        CoverageRow{"ChatterInFoundOrder",
                    {},
                    {down(kS, 0), up(kS, 50), down(kS, 60), down(kA, 100), up(kA, 150), down(kA, 155),
                     up(kS, 200), down(kS, 210)},
                    2,
                    {},
                    {},
                    Names{"S", "A"}},
        CoverageRow{"UnknownKeyChatterByItsName",
                    {},
                    {down(kWireless, 0), up(kWireless, 50), down(kWireless, 60)},
                    0,
                    {},
                    {},
                    Names{"Wireless"}},
        // "Очистить" starts again; a key held through it counts as held at the start.
        CoverageRow{"RestartClearsEverything",
                    {},
                    {down(kA, 0), up(kA, 50), down(kA, 60), up(kA, 100), {Step::Restart, 0, 200}},
                    0,
                    {},
                    {},
                    {}},
        CoverageRow{"KeyHeldThroughRestart",
                    {},
                    {down(kLeftShift, 0), {Step::Restart, 0, 500}, tick(1400), tick(1500)},
                    0,
                    {},
                    Names{"Left Shift"},
                    {}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- the clock ---------------------------------------------------------------------------------------------

struct ClockRow {
    const char* name;
    std::vector<std::pair<std::uint32_t, std::int64_t>> events; // stamp, steady
    std::vector<std::int64_t> times;
    std::int64_t nowSteady;
    std::int64_t now;
};

void PrintTo(const ClockRow& row, std::ostream* out) {
    *out << row.name;
}

class EventClockTest : public testing::TestWithParam<ClockRow> {};

TEST_P(EventClockTest, OneTimeline) {
    EventClock clock;
    std::vector<std::int64_t> times;
    for (const auto& [stamp, steady] : GetParam().events) {
        times.push_back(clock.eventTime(stamp, steady));
    }
    EXPECT_EQ(times, GetParam().times);
    EXPECT_EQ(clock.now(GetParam().nowSteady), GetParam().now);
}

INSTANTIATE_TEST_SUITE_P(
    Clocks, EventClockTest,
    testing::Values(ClockRow{"NothingYet", {}, {}, 5000, 5000},
                    ClockRow{
                        "StampsGiveTheGaps", {{1000, 50000}, {1020, 50900}}, {50000, 50020}, 51000, 50120},
                    ClockRow{"StampWrapsAround", {{0xFFFFFFF0u, 100}, {0x10u, 200}}, {100, 132}, 300, 232},
                    ClockRow{"SlightlyEarlierStamp", {{5000, 100}, {4990, 110}}, {100, 90}, 110, 90},
                    ClockRow{"UnstampedFollowSteady", {{0, 100}, {0, 250}}, {100, 250}, 300, 300}),
    [](const auto& info) { return std::string(info.param.name); });

// --- what goes to the results store ------------------------------------------------------------------------

const results::Fact* factOf(const results::ResultLine& line, const std::string& name) {
    for (const auto& fact : line.facts) {
        if (fact.name == name) {
            return &fact;
        }
    }
    return nullptr;
}

TEST(KeyboardResults, LinesOfAnOpening) {
    KeyCoverage coverage;
    coverage.start(std::vector<std::uint32_t>{kLeftShift}, 0);
    auto replay = [&](const std::vector<Step>& steps) {
        for (const auto& s : steps) {
            KeyStroke stroke{keyFromX11Keycode(s.keycode).value_or(PhysicalKey{}),
                             s.keycode,
                             s.kind == Step::Down,
                             false,
                             s.timeMs,
                             {}};
            coverage.key(stroke);
        }
    };
    replay(pressEveryKey(kF5, kRightShift));
    replay({down(kA, 100000), up(kA, 100050), down(kA, 100060)});
    coverage.tick(100100);

    const auto lines = keyboardResultLines(coverage);
    ASSERT_EQ(lines.size(), 4u);
    for (const auto& line : lines) {
        EXPECT_EQ(line.source, "keyboard");
    }
    EXPECT_EQ(lines[0].key, "coverage");
    EXPECT_EQ(lines[0].value, "81 из 83");
    EXPECT_EQ(lines[0].judgement, results::Verdict::Warning);
    ASSERT_NE(factOf(lines[0], "pressed"), nullptr);
    EXPECT_EQ(factOf(lines[0], "pressed")->value, results::FactValue(std::int64_t{81}));
    EXPECT_EQ(factOf(lines[0], "total")->value, results::FactValue(std::int64_t{83}));

    EXPECT_EQ(lines[1].key, "untested_keys");
    EXPECT_EQ(lines[1].value, "F5, Right Shift");
    EXPECT_EQ(factOf(lines[1], "keys")->value, results::FactValue(std::string("F5,Right Shift")));
    EXPECT_EQ(factOf(lines[1], "count")->value, results::FactValue(std::int64_t{2}));

    // The left Shift was down at the start and never let go (pressEveryKey's press was a press of a key
    // already down).
    EXPECT_EQ(lines[2].key, "stuck_keys");
    EXPECT_EQ(lines[2].value, "Left Shift");
    EXPECT_EQ(lines[2].judgement, results::Verdict::Bad);

    EXPECT_EQ(lines[3].key, "chatter_keys");
    EXPECT_EQ(lines[3].value, "A");
    EXPECT_EQ(factOf(lines[3], "count")->value, results::FactValue(std::int64_t{1}));
    EXPECT_EQ(coverageText(coverage), "Проверено клавиш: 81 из 83");
    EXPECT_EQ(faultText(coverage), "Залипание: Left Shift; дребезг: A");
}

TEST(KeyboardResults, CleanKeyboard) {
    KeyCoverage coverage;
    coverage.start({}, 0);
    for (const auto& key : pictureKeys()) {
        coverage.key({key.key, key.x11Keycode, true, false, 0, {}});
        coverage.key({key.key, key.x11Keycode, false, false, 50, {}});
    }
    const auto lines = keyboardResultLines(coverage);
    EXPECT_EQ(lines[0].value, "83 из 83");
    for (const auto& line : lines) {
        EXPECT_EQ(line.judgement, results::Verdict::Good) << line.key;
    }
    EXPECT_EQ(lines[1].value, "нет");
    EXPECT_EQ(factOf(lines[1], "keys")->value, results::FactValue(std::string()));
    EXPECT_EQ(faultText(coverage), "Залипание: нет; дребезг: нет");
}

} // namespace
} // namespace vexlin
