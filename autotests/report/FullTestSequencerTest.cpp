#include "report/FullTestSequencer.h"

#include "report/NumberText.h"
#include "ui/Globals.h"

#include <cmath>
#include <deque>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace vexlin::report {
namespace {

using ::testing::ElementsAreArray;

// How long the user keeps each message and test window open, in ticks of the sequencer's timer that arrive
// meanwhile.  Zero: closed before the next tick.
struct User {
    int performanceMessage = 0;
    int keyboardMessage = 0;
    int keyboardWindow = 0;
    int clockMessage = 0;
    int audioMessage = 0;
    int audioWindow = 0;
    int finishedMessage = 0;
};

// The program around the sequencer: its state, the windows as fakes that log what they are asked, and the
// timer's ticks that go on while a message or a modal window is open.
class Harness {
public:
    Harness()
        : messages(*this), performance(*this), keyboard(*this), clock(*this), audio(*this), report(*this),
          sequencer(FullTestWindows{messages, performance, keyboard, clock, audio, report},
                    FullTestState{step, running, averageFps, averageCpuMhz}, store) {}

    // A tick of the timer as the event loop delivers it: an error ends the tick and is shown.
    void deliverTick() {
        try {
            sequencer.tick();
        } catch (const std::exception& error) {
            errors.emplace_back(error.what());
        }
    }
    void ticksWhileOpen(int count) {
        for (int i = 0; i < count; ++i) {
            deliverTick();
        }
    }
    // Ticks until the run is over, the step after each one kept.
    std::vector<int> runToTheEnd(int limit = 100) {
        std::vector<int> steps;
        while (step != kFinished && static_cast<int>(steps.size()) < limit) {
            deliverTick();
            steps.push_back(step);
        }
        return steps;
    }
    void log(std::string event) { events.push_back(std::move(event)); }

    struct Messages final : Announcer {
        explicit Messages(Harness& h) : h(h) {}
        void inform(std::string_view text) override {
            h.log("message: " + std::string(text));
            const std::map<std::string_view, int> open = {
                {kPerformanceAnnouncement, h.user.performanceMessage},
                {kKeyboardAnnouncement, h.user.keyboardMessage},
                {kClockAnnouncement, h.user.clockMessage},
                {kAudioAnnouncement, h.user.audioMessage},
                {kFinishedMessage, h.user.finishedMessage}};
            h.ticksWhileOpen(open.at(text));
            h.log("message closed");
        }
        Harness& h;
    };
    struct Performance final : PerformanceTestWindow {
        explicit Performance(Harness& h) : h(h) {}
        void show() override {
            h.log("performance: show");
            shown = true;
        }
        void close() override {
            h.log("performance: close");
            userCloses();
        }
        // The window's own close handler, as when the user closes it.
        void userCloses() {
            if (shown && h.running) {
                h.step = kAfterPerformance;
            }
            shown = false;
        }
        void setDrawingWhileHidden(bool on) override {
            h.log(on ? "drawing while hidden: on" : "drawing while hidden: off");
        }
        std::string frameCountText() const override {
            h.log("frames read");
            return next(h.frameTexts, h.lastFrameText);
        }
        std::string notDrawnReason() const override { return h.notDrawn; }
        Harness& h;
        bool shown = false;
    };
    struct Keyboard final : ModalTestWindow {
        explicit Keyboard(Harness& h) : h(h) {}
        void showModal() override {
            h.log("keyboard: modal");
            h.ticksWhileOpen(h.user.keyboardWindow);
            if (h.running) {
                h.step = kAfterKeyboard;
            }
        }
        Harness& h;
    };
    struct Clock final : ClockSource {
        explicit Clock(Harness& h) : h(h) {}
        void setMeasuring(bool on) override { h.log(on ? "clock: on" : "clock: off"); }
        std::string clockNumberText() const override {
            h.log("clock read");
            return next(h.clockTexts, h.lastClockText);
        }
        Harness& h;
    };
    struct Audio final : AudioTestWindow {
        explicit Audio(Harness& h) : h(h) {}
        void pressCaptureStart() override { h.log("audio: capture start"); }
        void pressPlaybackStart() override { h.log("audio: playback start"); }
        void showModal() override {
            h.log("audio: modal");
            h.ticksWhileOpen(h.user.audioWindow);
            if (h.running) {
                h.step = kAfterAudio;
            }
        }
        Harness& h;
    };
    struct Report final : ReportButton {
        explicit Report(Harness& h) : h(h) {}
        void enable() override { h.log("report: enabled"); }
        Harness& h;
    };

    // The texts the counters show, one per reading; once the list is used up, the steady text.
    static std::string next(std::deque<std::string>& texts, const std::string& steady) {
        if (texts.empty()) {
            return steady;
        }
        std::string text = texts.front();
        texts.pop_front();
        return text;
    }

    int step = 0;
    bool running = false;
    long double averageFps = 0;
    long double averageCpuMhz = 0;
    results::ResultsStore store;
    User user;
    std::deque<std::string> frameTexts;
    std::string lastFrameText = "60";
    std::deque<std::string> clockTexts;
    std::string lastClockText = "2000,00";
    std::string notDrawn; // why the performance window draws nothing; empty: it draws
    std::vector<std::string> events;
    std::vector<std::string> errors;

    Messages messages;
    Performance performance;
    Keyboard keyboard;
    Clock clock;
    Audio audio;
    Report report;
    FullTestSequencer sequencer;
};

// The exponential average written out: each sample weighs half of what the one after it weighs, and the
// value from before the run weighs as much as the first sample.
long double expectedAverage(long double before, const std::vector<double>& samples) {
    const auto n = static_cast<int>(samples.size());
    long double sum = std::ldexp(before, -n);
    for (int i = 0; i < n; ++i) {
        sum += std::ldexp(static_cast<long double>(samples[static_cast<std::size_t>(i)]), -(n - i));
    }
    return sum;
}

std::vector<std::string> repeated(const std::string& event, int times) {
    return std::vector<std::string>(static_cast<std::size_t>(times), event);
}

std::vector<std::string> joined(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

const std::string kShowPerformanceMessage = "message: " + std::string(kPerformanceAnnouncement);
const std::string kShowKeyboardMessage = "message: " + std::string(kKeyboardAnnouncement);
const std::string kShowClockMessage = "message: " + std::string(kClockAnnouncement);
const std::string kShowAudioMessage = "message: " + std::string(kAudioAnnouncement);
const std::string kShowFinishedMessage = "message: " + std::string(kFinishedMessage);

TEST(FullTestSequencer, WholeRunWithEverythingClosedAtOnce) {
    Harness h;
    h.sequencer.show();
    EXPECT_EQ(h.step, 0);
    h.sequencer.start(",");
    EXPECT_EQ(h.step, 1);
    EXPECT_TRUE(h.running);

    // Tick 1 announces, shows and takes the first sample; tick 11 takes the last frame sample and goes on
    // through the keyboard (closed at once) to the first clock sample; tick 18 takes the last clock sample
    // and runs the audio test to the end.
    const std::vector<int> expectedSteps = {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 18, 19, 20, 21, 22, 23, 24, 29};
    EXPECT_THAT(h.runToTheEnd(), ElementsAreArray(expectedSteps));
    EXPECT_EQ(h.sequencer.ticks(), 18);
    EXPECT_TRUE(h.errors.empty());
    EXPECT_TRUE(h.running); // only closing the full-test window ends the run

    const auto expectedEvents = joined({
        {"drawing while hidden: on", kShowPerformanceMessage, "message closed", "performance: show"},
        repeated("frames read", 11),
        {"performance: close", "drawing while hidden: off", kShowKeyboardMessage, "message closed",
         "keyboard: modal", "clock: on", kShowClockMessage, "message closed"},
        repeated("clock read", 8),
        {"clock: off", kShowAudioMessage, "message closed", "audio: capture start", "audio: playback start",
         "audio: modal", "report: enabled", kShowFinishedMessage, "message closed"},
    });
    EXPECT_THAT(h.events, ElementsAreArray(expectedEvents));

    EXPECT_EQ(h.sequencer.frameSamples(), std::vector<double>(11, 60.0));
    EXPECT_EQ(h.sequencer.clockSamples(), std::vector<double>(8, 2000.0));
    // 60 · (1 − 2⁻¹¹) and 2000 · (1 − 2⁻⁸), both exact in binary.
    EXPECT_EQ(h.averageFps, 59.970703125L);
    EXPECT_EQ(h.averageCpuMhz, 1992.1875L);
}

TEST(FullTestSequencer, AveragesWeighEachSampleHalfAndKeepTheEarlierValue) {
    Harness h;
    h.averageFps = 100; // left from a first full test in the same run
    h.averageCpuMhz = 1000;
    h.frameTexts = {"12", "57", "0", "31", "64", "64", "1", "250", "7", "99", "40"};
    h.clockTexts = {"1596,03", "1600,5", "1599,99", "1,5e3", "2400,00", "0,01", "1596,03", "1700"};
    h.sequencer.start(",");
    h.runToTheEnd();

    const std::vector<double> frames = {12, 57, 0, 31, 64, 64, 1, 250, 7, 99, 40};
    const std::vector<double> clocks = {1596.03, 1600.5, 1599.99, 1500, 2400, 0.01, 1596.03, 1700};
    EXPECT_EQ(h.sequencer.frameSamples(), frames);
    EXPECT_EQ(h.sequencer.clockSamples(), clocks);
    EXPECT_EQ(h.averageFps, expectedAverage(100, frames)); // whole numbers: exact
    EXPECT_NEAR(static_cast<double>(h.averageCpuMhz), static_cast<double>(expectedAverage(1000, clocks)),
                1e-9);
}

// How long the user keeps things open changes when the steps pass, never what is measured.
struct PaceRow {
    const char* name;
    User user;
    std::vector<int> steps; // after each tick of the timer itself (not those inside a message or window)
    // What the first announcement saw happen while it was open.
    int framesReadBeforeShown;
    bool performanceShown;
};

void PrintTo(const PaceRow& row, std::ostream* out) {
    *out << row.name;
}

class FullTestPaceTest : public ::testing::TestWithParam<PaceRow> {};

TEST_P(FullTestPaceTest, StepsSamplesAndWaitingStates) {
    const PaceRow& row = GetParam();
    Harness h;
    h.user = row.user;
    h.sequencer.start(",");
    EXPECT_THAT(h.runToTheEnd(), ElementsAreArray(row.steps));
    EXPECT_TRUE(h.errors.empty());

    // The counter is read while the first announcement is open, before the window appears.
    const auto firstMessageClosed = std::find(h.events.begin(), h.events.end(), "message closed");
    EXPECT_EQ(std::count(h.events.begin(), firstMessageClosed, "frames read"), row.framesReadBeforeShown);
    EXPECT_EQ(std::count(h.events.begin(), h.events.end(), "performance: show"),
              row.performanceShown ? 1 : 0);

    // Every test still gives its full count of samples, each window is opened once.
    EXPECT_EQ(h.sequencer.frameSamples().size(), 11u);
    EXPECT_EQ(h.sequencer.clockSamples().size(), 8u);
    EXPECT_EQ(std::count(h.events.begin(), h.events.end(), "keyboard: modal"), 1);
    EXPECT_EQ(std::count(h.events.begin(), h.events.end(), "audio: modal"), 1);
    EXPECT_EQ(h.averageFps, 59.970703125L);
    EXPECT_EQ(h.averageCpuMhz, 1992.1875L);
    EXPECT_EQ(h.step, kFinished);
}

User firstMessageOpen(int ticks) {
    User user;
    user.performanceMessage = ticks;
    return user;
}

User waitingInEveryWindow() {
    User user;
    user.keyboardWindow = 6;
    user.audioWindow = 4;
    user.finishedMessage = 3;
    return user;
}

User slowReader() {
    User user;
    user.keyboardMessage = 2;
    user.clockMessage = 3; // the clock is sampled while its announcement is open
    user.audioMessage = 2;
    return user;
}

INSTANTIATE_TEST_SUITE_P(
    Users, FullTestPaceTest,
    ::testing::Values(
        PaceRow{"everything_closed_at_once",
                User{},
                {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 18, 19, 20, 21, 22, 23, 24, 29},
                0,
                true},
        // Three ticks while the first message is open take samples at steps 2, 3 and 4; the tick that
        // showed it then takes the fourth.
        PaceRow{"first_message_open_three_ticks",
                firstMessageOpen(3),
                {6, 7, 8, 9, 10, 11, 12, 18, 19, 20, 21, 22, 23, 24, 29},
                3,
                true},
        // Open for longer than the samples take: the part is over when OK is pressed, and the window that
        // would only show its last picture is not opened at all.
        PaceRow{"first_message_open_longer_than_the_samples",
                firstMessageOpen(12),
                {20, 21, 22, 23, 24, 29},
                11,
                false},
        // Steps 15, 27 and 29 wait: ticks meanwhile do nothing.
        PaceRow{"waiting_in_every_window",
                waitingInEveryWindow(),
                {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 18, 19, 20, 21, 22, 23, 24, 29},
                0,
                true},
        PaceRow{"slow_reader", slowReader(), {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 21, 22, 23, 24, 29}, 0, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FullTestSequencer, WaitingStatesIgnoreTicksUntilTheWindowCloses) {
    for (const int waiting : {kWaitingForKeyboard, kWaitingForAudio, kFinished}) {
        Harness h;
        h.sequencer.start(",");
        h.step = waiting;
        h.events.clear();
        h.ticksWhileOpen(5);
        EXPECT_EQ(h.step, waiting);
        EXPECT_TRUE(h.events.empty()) << waiting;
    }
}

TEST(FullTestSequencer, SecondStartBeginsAgainAndKeepsTheAverages) {
    Harness h;
    h.frameTexts = {"10", "20", "30", "40", "50"};
    h.sequencer.start(",");
    h.ticksWhileOpen(5);
    ASSERT_EQ(h.step, 7);
    const long double afterFive = h.averageFps;
    EXPECT_EQ(afterFive, expectedAverage(0, {10, 20, 30, 40, 50}));

    h.events.clear();
    h.sequencer.start(",");
    EXPECT_EQ(h.step, 1);
    EXPECT_EQ(h.sequencer.ticks(), 0);
    EXPECT_TRUE(h.sequencer.frameSamples().empty());
    EXPECT_EQ(h.averageFps, afterFive);
    EXPECT_THAT(h.events, ElementsAreArray({"drawing while hidden: on"}));

    h.lastFrameText = "64";
    h.runToTheEnd();
    EXPECT_EQ(h.sequencer.frameSamples(), std::vector<double>(11, 64.0));
    EXPECT_EQ(h.averageFps, expectedAverage(afterFive, std::vector<double>(11, 64.0)));
}

TEST(FullTestSequencer, SecondStartDuringTheClockPartSwitchesTheClockOff) {
    Harness h;
    h.sequencer.start(",");
    while (h.step < 20) {
        h.deliverTick();
    }
    const long double clockBefore = h.averageCpuMhz;
    h.events.clear();
    h.sequencer.start(",");
    EXPECT_THAT(h.events, ElementsAreArray({"clock: off", "drawing while hidden: on"}));
    EXPECT_EQ(h.step, 1);
    EXPECT_EQ(h.averageCpuMhz, clockBefore);
    h.runToTheEnd();
    EXPECT_EQ(std::count(h.events.begin(), h.events.end(), "clock: on"), 1);
    EXPECT_EQ(std::count(h.events.begin(), h.events.end(), "clock: off"), 2);
}

struct BadTextRow {
    const char* name;
    bool clock; // else the frame counter
    std::string separator;
    std::string text;
    std::string message;
};

void PrintTo(const BadTextRow& row, std::ostream* out) {
    *out << row.name;
}

class FullTestBadTextTest : public ::testing::TestWithParam<BadTextRow> {};

TEST_P(FullTestBadTextTest, EndsTheTickAndKeepsTheStep) {
    const BadTextRow& row = GetParam();
    Harness h;
    h.lastClockText = "2000" + row.separator + "00";
    h.sequencer.start(row.separator);
    const int firstStep = row.clock ? 17 : 2;
    while (h.step < firstStep + 2) {
        h.deliverTick();
    }
    const int step = h.step;
    const long double fps = h.averageFps;
    const long double mhz = h.averageCpuMhz;
    const auto samples = h.sequencer.frameSamples().size() + h.sequencer.clockSamples().size();
    (row.clock ? h.clockTexts : h.frameTexts).push_back(row.text);

    EXPECT_THROW(h.sequencer.tick(), NotANumberError);
    EXPECT_EQ(h.step, step);
    EXPECT_EQ(h.averageFps, fps);
    EXPECT_EQ(h.averageCpuMhz, mhz);
    EXPECT_EQ(h.sequencer.frameSamples().size() + h.sequencer.clockSamples().size(), samples);

    (row.clock ? h.clockTexts : h.frameTexts).push_back(row.text);
    h.deliverTick();
    EXPECT_THAT(h.errors, ElementsAreArray({row.message}));
    // The next good text goes on where it stopped.
    h.deliverTick();
    EXPECT_EQ(h.step, step + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FullTestBadTextTest,
    ::testing::Values(BadTextRow{"frames_word", false, ",", "abc",
                                 "'abc' is not a valid floating point value"},
                      BadTextRow{"frames_empty", false, ",", "", "'' is not a valid floating point value"},
                      BadTextRow{"clock_with_point_under_comma_locale", true, ",", "1596.03",
                                 "'1596.03' is not a valid floating point value"},
                      BadTextRow{"clock_with_unit", true, ".", "1596.03 MHz",
                                 "'1596.03 MHz' is not a valid floating point value"},
                      // A clock that had measured and then shows nothing is seen at once.
                      BadTextRow{"clock_empty", true, ",", "", "'' is not a valid floating point value"}),
    [](const auto& info) { return std::string(info.param.name); });

// Until its first measurement the clock's field is empty: a few ticks wait for it, then the empty field is
// shown as the non-number it is, and the part goes on once a number comes.
TEST(FullTestSequencer, ClockNotYetMeasuredIsWaitedForAFewTicksOnly) {
    Harness h;
    h.lastClockText = "";
    h.sequencer.start(",");
    while (h.step < 17) {
        h.deliverTick();
    }
    // The tick that announced the clock part took its first look; four more wait.
    for (int tick = 0; tick < 4; ++tick) {
        h.deliverTick();
    }
    EXPECT_EQ(h.step, 17);
    EXPECT_TRUE(h.errors.empty());
    h.deliverTick();
    EXPECT_THAT(h.errors, ElementsAreArray({"'' is not a valid floating point value"}));
    EXPECT_EQ(h.step, 17);
    h.lastClockText = "2000,00";
    h.deliverTick();
    EXPECT_EQ(h.step, 18);
}

// Where the performance window cannot draw, its counter's zeros are no frame rate: the part did not run.
TEST(FullTestSequencer, PerformanceWithoutAFrameIsNotRun) {
    Harness h;
    h.notDrawn = "OpenGL недоступен";
    h.lastFrameText = "0";
    h.sequencer.start(",");
    h.runToTheEnd();
    const auto* line = h.store.find("full_test", "average_fps");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->value, "не выполнен");
    EXPECT_EQ(line->verdict, "OpenGL недоступен");
    EXPECT_EQ(line->judgement, results::Verdict::None);
    ASSERT_EQ(line->facts.size(), 1u);
    EXPECT_EQ(line->facts[0].name, "not_run_reason");
    EXPECT_EQ(line->facts[0].value, results::FactValue(std::string("OpenGL недоступен")));
    ASSERT_NE(h.store.find("full_test", "average_cpu_mhz"), nullptr); // the rest went on
    EXPECT_EQ(h.sequencer.clockSamples().size(), std::size_t(kClockSamples));
}

TEST(FullTestSequencer, UserClosingThePerformanceWindowEarlyGoesOnWithTheKeyboard) {
    Harness h;
    h.sequencer.start(",");
    h.ticksWhileOpen(4);
    ASSERT_EQ(h.step, 6);
    h.performance.userCloses();
    EXPECT_EQ(h.step, kAfterPerformance);
    h.events.clear();
    h.deliverTick();
    EXPECT_THAT(h.events, ::testing::IsSupersetOf(
                              std::vector<std::string>{"drawing while hidden: off", kShowKeyboardMessage}));
    EXPECT_EQ(h.sequencer.frameSamples().size(), 4u);
    const auto* line = h.store.find("full_test", "average_fps");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->facts.at(1), (results::Fact{"samples", std::int64_t{4}, ""}));
}

struct CloseRow {
    const char* name;
    int closeAtStep;
    std::vector<std::string> events; // what closing the full-test window switches off
};

void PrintTo(const CloseRow& row, std::ostream* out) {
    *out << row.name;
}

class FullTestCloseTest : public ::testing::TestWithParam<CloseRow> {};

TEST_P(FullTestCloseTest, ClosingMidRunStopsTheRun) {
    const CloseRow& row = GetParam();
    Harness h;
    h.sequencer.start(",");
    while (h.step < row.closeAtStep) {
        h.deliverTick();
    }
    ASSERT_EQ(h.step, row.closeAtStep);
    const long double fps = h.averageFps;
    const long double mhz = h.averageCpuMhz;
    h.events.clear();
    h.sequencer.close();
    EXPECT_FALSE(h.running);
    EXPECT_THAT(h.events, ElementsAreArray(row.events));
    EXPECT_EQ(h.step, row.closeAtStep); // the step is left as it was

    // A tick that still arrives changes nothing.
    h.events.clear();
    h.ticksWhileOpen(3);
    EXPECT_TRUE(h.events.empty());
    EXPECT_EQ(h.step, row.closeAtStep);
    EXPECT_EQ(h.averageFps, fps);
    EXPECT_EQ(h.averageCpuMhz, mhz);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FullTestCloseTest,
    ::testing::Values(
        CloseRow{"during_the_frame_samples", 6, {"drawing while hidden: off", "performance: close"}},
        CloseRow{"during_the_clock_samples", 20, {"drawing while hidden: off", "clock: off"}},
        CloseRow{"after_the_end", kFinished, {"drawing while hidden: off"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FullTestSequencer, ResultsAppearWhenEachPartEnds) {
    Harness h;
    h.sequencer.start(",");
    EXPECT_TRUE(h.store.empty());
    while (h.step < 13) {
        h.deliverTick();
        if (h.step < 13) {
            EXPECT_TRUE(h.store.empty()) << h.step;
        }
    }
    ASSERT_EQ(h.step, 18); // the tick of the last frame sample runs on into the clock part
    ASSERT_EQ(h.store.lines().size(), 1u);
    h.runToTheEnd();
    ASSERT_EQ(h.store.lines().size(), 2u);

    const results::ResultLine& fps = h.store.lines()[0];
    EXPECT_EQ(fps.source, "full_test");
    EXPECT_EQ(fps.key, "average_fps");
    EXPECT_EQ(fps.what, "Тест производительности");
    EXPECT_EQ(fps.value, "59,97 FPS");
    EXPECT_EQ(fps.judgement, results::Verdict::None);
    EXPECT_EQ(fps.facts, (std::vector<results::Fact>{{"average_fps", 59.970703125, "FPS"},
                                                     {"samples", std::int64_t{11}, ""},
                                                     {"lowest_sample", 60.0, "FPS"},
                                                     {"highest_sample", 60.0, "FPS"}}));

    const results::ResultLine& cpu = h.store.lines()[1];
    EXPECT_EQ(cpu.key, "average_cpu_mhz");
    EXPECT_EQ(cpu.what, "Реальная частота процессора");
    EXPECT_EQ(cpu.value, "1992,19 MHz");
    EXPECT_EQ(cpu.facts.at(0), (results::Fact{"average_cpu_mhz", 1992.1875, "MHz"}));
}

TEST(FullTestSequencer, ResultValuesFollowTheSeparatorAndSecondRunReplacesTheLines) {
    Harness h;
    h.lastClockText = "2000.00";
    h.sequencer.start(".");
    h.runToTheEnd();
    EXPECT_EQ(h.store.find("full_test", "average_fps")->value, "59.97 FPS");
    EXPECT_EQ(h.store.find("full_test", "average_cpu_mhz")->value, "1992.19 MHz");

    h.frameTexts = {"30", "90"};
    h.lastFrameText = "0";
    h.sequencer.start(".");
    h.runToTheEnd();
    ASSERT_EQ(h.store.lines().size(), 2u);
    const auto& facts = h.store.find("full_test", "average_fps")->facts;
    EXPECT_EQ(facts.at(2), (results::Fact{"lowest_sample", 0.0, "FPS"}));
    EXPECT_EQ(facts.at(3), (results::Fact{"highest_sample", 90.0, "FPS"}));
}

TEST(FullTestSequencer, ProgramStateIsTheGlobals) {
    const FullTestState state = FullTestState::globals();
    state.step = 7;
    state.running = true;
    state.averageFps = 1.5L;
    state.averageCpuMhz = 2.5L;
    EXPECT_EQ(FullTestStep, 7);
    EXPECT_TRUE(FullTestRunning);
    EXPECT_EQ(AverageFps, 1.5L);
    EXPECT_EQ(AverageCpuMhz, 2.5L);
    FullTestStep = 0;
    FullTestRunning = false;
    AverageFps = 0;
    AverageCpuMhz = 0;
}

} // namespace
} // namespace vexlin::report
