#include "report/FullTestSequencer.h"

#include "report/NumberText.h"
#include "text/PlainText.h"
#include "ui/Globals.h"

#include <algorithm>
#include <utility>

namespace vexlin::report {
namespace {

constexpr int kLastFrameSample = 12;
constexpr int kClosePerformance = 13;
constexpr int kFirstClockSample = 17;
constexpr int kLastClockSample = 24;
constexpr int kClockDone = 25;
// The clock's field stays empty until its first measurement; a clock that has measured nothing after this
// many ticks never will, and its empty field is the non-number it is.
constexpr int kClockStartTicks = 5;
constexpr int kAnnounceAudio = 26;

constexpr std::string_view kSource = "full_test";

} // namespace

FullTestState FullTestState::globals() {
    return {FullTestStep, FullTestRunning, AverageFps, AverageCpuMhz};
}

FullTestSequencer::FullTestSequencer(FullTestWindows windows, FullTestState state,
                                     results::ResultsStore& results)
    : windows_(windows), state_(state), results_(results) {}

void FullTestSequencer::show() {
    state_.step = 0;
}

void FullTestSequencer::start(std::string decimalSeparator) {
    ticks_ = 0;
    decimalSeparator_ = std::move(decimalSeparator);
    frameSamples_.clear();
    clockSamples_.clear();
    // A start in the middle of the clock part begins with the performance test, which must not be slowed
    // down by measurements nobody reads.
    switchClock(false);
    state_.step = kFirstStep;
    state_.running = true;
    // The first samples are taken while the announcement is still open, before the window is shown.
    windows_.performance.setDrawingWhileHidden(true);
}

// Each check sees the step as the checks before it left it, so one tick may pass several.  A message or a
// modal window returns only when the user closes it; the ticks that arrive meanwhile run these checks too.
void FullTestSequencer::tick() {
    ++ticks_;
    const auto at = [this](int first, int last) {
        return state_.running && state_.step >= first && state_.step <= last;
    };
    if (at(kFirstStep, kFirstStep)) {
        announcePerformance();
    }
    if (at(kFirstStep + 1, kLastFrameSample)) {
        sampleFrames();
    }
    if (at(kClosePerformance, kClosePerformance)) {
        windows_.performance.close();
        performanceShown_ = false;
        state_.step = kAfterPerformance;
    }
    if (at(kAfterPerformance, kAfterPerformance)) {
        announceKeyboard();
    }
    if (at(kAfterKeyboard, kAfterKeyboard)) {
        announceClock();
    }
    if (at(kFirstClockSample, kLastClockSample)) {
        sampleClock();
    }
    if (at(kClockDone, kClockDone)) {
        finishClock();
    }
    if (at(kAnnounceAudio, kAnnounceAudio)) {
        announceAudio();
    }
    if (at(kAfterAudio, kAfterAudio)) {
        finish();
    }
}

void FullTestSequencer::close() {
    state_.running = false;
    windows_.performance.setDrawingWhileHidden(false);
    if (performanceShown_) {
        performanceShown_ = false;
        windows_.performance.close();
    }
    switchClock(false);
}

void FullTestSequencer::announcePerformance() {
    state_.step = kFirstStep + 1;
    windows_.messages.inform(kPerformanceAnnouncement);
    // A user who leaves the announcement open for longer than the samples take finds the performance part
    // already over when pressing OK; the window would then open after its own test and stay.
    if (state_.running && state_.step <= kClosePerformance) {
        windows_.performance.show();
        performanceShown_ = true;
    }
}

void FullTestSequencer::sampleFrames() {
    const double frames = readNumber(windows_.performance.frameCountText(), decimalSeparator_);
    frameSamples_.push_back(frames);
    state_.averageFps = (frames + state_.averageFps) / 2;
    ++state_.step;
}

// Also reached when the user closed the performance window before its samples were all taken.  A window that
// drew no frame counted none: its zeros are no measurement.
void FullTestSequencer::finishPerformance() {
    const std::string notDrawn = windows_.performance.notDrawnReason();
    windows_.performance.setDrawingWhileHidden(false);
    performanceShown_ = false;
    if (!notDrawn.empty()) {
        putNotRun("average_fps", "Тест производительности", notDrawn);
        return;
    }
    putResult("average_fps", "Тест производительности", "FPS", state_.averageFps, frameSamples_);
}

void FullTestSequencer::announceKeyboard() {
    finishPerformance();
    state_.step = kWaitingForKeyboard;
    windows_.messages.inform(kKeyboardAnnouncement);
    windows_.keyboard.showModal();
}

void FullTestSequencer::announceClock() {
    state_.step = kFirstClockSample;
    clockStartTicks_ = 0;
    switchClock(true);
    windows_.messages.inform(kClockAnnouncement);
}

void FullTestSequencer::sampleClock() {
    const std::string text = windows_.clock.clockNumberText();
    if (text.empty() && clockSamples_.empty() && clockStartTicks_ < kClockStartTicks) {
        ++clockStartTicks_; // no number yet, not a wrong one
        return;
    }
    const double mhz = readNumber(text, decimalSeparator_);
    clockSamples_.push_back(mhz);
    state_.averageCpuMhz = (mhz + state_.averageCpuMhz) / 2;
    ++state_.step;
}

void FullTestSequencer::finishClock() {
    state_.step = kAnnounceAudio;
    switchClock(false);
    putResult("average_cpu_mhz", "Реальная частота процессора", "MHz", state_.averageCpuMhz, clockSamples_);
}

void FullTestSequencer::announceAudio() {
    state_.step = kWaitingForAudio;
    windows_.messages.inform(kAudioAnnouncement);
    windows_.audio.pressCaptureStart();
    windows_.audio.pressPlaybackStart();
    windows_.audio.showModal();
}

void FullTestSequencer::finish() {
    state_.step = kFinished;
    windows_.report.enable();
    windows_.messages.inform(kFinishedMessage);
}

void FullTestSequencer::switchClock(bool on) {
    if (clockSwitchedOn_ == on) {
        return;
    }
    clockSwitchedOn_ = on;
    windows_.clock.setMeasuring(on);
}

// A part that took no sample in this run has nothing new to say: the line, if any, stays as it was.
void FullTestSequencer::putResult(std::string_view key, std::string_view what, std::string_view unit,
                                  long double average, const std::vector<double>& samples) {
    if (samples.empty()) {
        return;
    }
    const auto [lowest, highest] = std::minmax_element(samples.begin(), samples.end());
    const std::string unitText(unit);
    results::ResultLine line;
    line.source = std::string(kSource);
    line.key = std::string(key);
    line.what = std::string(what);
    line.value = text::fixedNumberText(static_cast<double>(average), 2, decimalSeparator_) + " " + unitText;
    line.facts = {
        {std::string(key), static_cast<double>(average), unitText},
        {"samples", static_cast<std::int64_t>(samples.size()), ""},
        {"lowest_sample", *lowest, unitText},
        {"highest_sample", *highest, unitText},
    };
    results_.put(std::move(line));
}

void FullTestSequencer::putNotRun(std::string_view key, std::string_view what, const std::string& reason) {
    results::ResultLine line;
    line.source = std::string(kSource);
    line.key = std::string(key);
    line.what = std::string(what);
    line.value = std::string(kNotRun);
    line.verdict = reason;
    line.judgement = results::Verdict::None;
    line.facts = {{std::string(kNotRunReasonFact), reason, ""}};
    results_.put(std::move(line));
}

} // namespace vexlin::report
