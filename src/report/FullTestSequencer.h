#pragma once

#include "results/ResultsStore.h"

#include <string>
#include <string_view>
#include <vector>

// The full test's step machine: the performance, keyboard, clock and audio tests one after another, driven
// by a one-second timer.  Plain C++: the windows it drives are the interfaces below, so a test runs the
// whole sequence with fakes.
namespace vexlin::report {

// The texts of the four announcements and of the end of the test.
inline constexpr std::string_view kPerformanceAnnouncement =
    "Сейчас будет запущен тест проверки производительности";
inline constexpr std::string_view kKeyboardAnnouncement = "Сейчас будет запущен тест проверки клавиатуры";
inline constexpr std::string_view kClockAnnouncement =
    "Сейчас будет запущен тест проверки реальной частоты процессора";
inline constexpr std::string_view kAudioAnnouncement =
    "Сейчас будет запущен тест проверки микрофона и звуковой карты.";
inline constexpr std::string_view kFinishedMessage =
    "Тест завершён. Вы можете сохранить результаты нажав на кнопку: \"Генерация отчета\".";
inline constexpr std::string_view kMessageCaption = "Информация";

// The steps a window's close handler sets while the test runs, and the steps that wait for them.
inline constexpr int kFirstStep = 1;
inline constexpr int kAfterPerformance = 14;
inline constexpr int kWaitingForKeyboard = 15;
inline constexpr int kAfterKeyboard = 16;
inline constexpr int kWaitingForAudio = 27;
inline constexpr int kAfterAudio = 28;
inline constexpr int kFinished = 29;
inline constexpr int kFrameSamples = 11; // steps 2 to 12
inline constexpr int kClockSamples = 8;  // steps 17 to 24

// A message box with the caption "Информация" and one OK button; returns when the user has pressed it.
class Announcer {
public:
    virtual ~Announcer() = default;
    virtual void inform(std::string_view text) = 0;
};

// The performance window, shown without blocking; its counter holds the frames of the last second.
class PerformanceTestWindow {
public:
    virtual ~PerformanceTestWindow() = default;
    virtual void show() = 0;
    virtual void close() = 0;
    // While on, the window draws and counts also when hidden, so the count is live before it is shown.
    virtual void setDrawingWhileHidden(bool on) = 0;
    virtual std::string frameCountText() const = 0;
    // Why the window draws no frames (no OpenGL, no scene), in words; empty when it draws.
    virtual std::string notDrawnReason() const = 0;
};

// The value of a part that could not run, and the name of the fact that carries the reason.
inline constexpr std::string_view kNotRun = "не выполнен";
inline constexpr std::string_view kNotRunReasonFact = "not_run_reason";

// A test window shown modally: returns when the user has closed it, its close handler having set the step.
class ModalTestWindow {
public:
    virtual ~ModalTestWindow() = default;
    virtual void showModal() = 0;
};

// The audio window: recording and playback are started from outside before it is shown.
class AudioTestWindow : public ModalTestWindow {
public:
    virtual void pressCaptureStart() = 0;
    virtual void pressPlaybackStart() = 0;
};

// The main window's clock measurement: its timer, and the plain number it keeps of the last measurement.
class ClockSource {
public:
    virtual ~ClockSource() = default;
    virtual void setMeasuring(bool on) = 0;
    // Empty until a first measurement has been made.
    virtual std::string clockNumberText() const = 0;
};

class ReportButton {
public:
    virtual ~ReportButton() = default;
    virtual void enable() = 0;
};

struct FullTestWindows {
    Announcer& messages;
    PerformanceTestWindow& performance;
    ModalTestWindow& keyboard;
    ClockSource& clock;
    AudioTestWindow& audio;
    ReportButton& report;
};

// The state the sequence shares with the rest of the program; the program's own globals unless a test
// passes others.
struct FullTestState {
    int& step;
    bool& running;
    long double& averageFps;
    long double& averageCpuMhz;

    static FullTestState globals();
};

class FullTestSequencer {
public:
    FullTestSequencer(FullTestWindows windows, FullTestState state, results::ResultsStore& results);

    // The full-test window is shown.
    void show();
    // "Старт тестов(4)": from step 1 again, the averages kept.  Numbers are read and written with the given
    // decimal separator, the one the clock writes its number with.
    void start(std::string decimalSeparator);
    // One tick of the sequencer's timer.  Throws NotANumberError when a counter's text is not a number (an
    // empty one too: a clock that never measures must be seen, not waited for); the step then stays where
    // it was.
    void tick();
    // The full-test window closes: the run stops, and what it switched on is switched off.
    void close();

    int ticks() const { return ticks_; }
    // The values read in this run, in order.
    const std::vector<double>& frameSamples() const { return frameSamples_; }
    const std::vector<double>& clockSamples() const { return clockSamples_; }

private:
    void announcePerformance();
    void sampleFrames();
    void finishPerformance();
    void announceKeyboard();
    void announceClock();
    void sampleClock();
    void finishClock();
    void announceAudio();
    void finish();
    void switchClock(bool on);
    void putResult(std::string_view key, std::string_view what, std::string_view unit, long double average,
                   const std::vector<double>& samples);
    void putNotRun(std::string_view key, std::string_view what, const std::string& reason);

    FullTestWindows windows_;
    FullTestState state_;
    results::ResultsStore& results_;
    std::string decimalSeparator_ = ".";
    int ticks_ = 0;
    bool performanceShown_ = false;
    bool clockSwitchedOn_ = false;
    std::vector<double> frameSamples_;
    std::vector<double> clockSamples_;
    int clockStartTicks_ = 0; // ticks of the clock part that found its field still empty
};

} // namespace vexlin::report
