#pragma once

#include "report/FullTestSequencer.h"

#include <functional>

class QLabel;
class QPushButton;
class QWidget;

namespace vexlin {

class ClockTimerSwitch;
class TForm1;
class TFormKlava;
class TSoundForm;

// The real windows as the full test drives them.  `beforeModal` runs before every call that blocks until
// the user closes something: Qt does not deliver the sequencer's timer again while its tick is still
// running, so the tick restarts the timer first and the steps go on meanwhile.
class MessageBoxAnnouncer final : public report::Announcer {
public:
    MessageBoxAnnouncer(QWidget* parent, std::function<void()> beforeModal);
    void inform(std::string_view text) override;

private:
    QWidget* parent_;
    std::function<void()> beforeModal_;
};

class PerformanceWindowLink final : public report::PerformanceTestWindow {
public:
    void show() override;
    void close() override;
    void setDrawingWhileHidden(bool on) override;
    std::string frameCountText() const override;
    std::string notDrawnReason() const override;

    TForm1* window = nullptr;
};

class KeyboardWindowLink final : public report::ModalTestWindow {
public:
    explicit KeyboardWindowLink(std::function<void()> beforeModal);
    void showModal() override;

    TFormKlava* window = nullptr;

private:
    std::function<void()> beforeModal_;
};

class AudioWindowLink final : public report::AudioTestWindow {
public:
    explicit AudioWindowLink(std::function<void()> beforeModal);
    void pressCaptureStart() override;
    void pressPlaybackStart() override;
    void showModal() override;

    TSoundForm* window = nullptr;

private:
    std::function<void()> beforeModal_;
};

class ClockLink final : public report::ClockSource {
public:
    void setMeasuring(bool on) override;
    std::string clockNumberText() const override;

    ClockTimerSwitch* timer = nullptr;
    QLabel* number = nullptr; // the main window's hidden StaticText22
};

class ReportButtonLink final : public report::ReportButton {
public:
    void enable() override;

    QPushButton* button = nullptr;
};

} // namespace vexlin
