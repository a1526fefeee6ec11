#include "report/TestWindows.h"

#include "audio/SoundForm.h"
#include "gfx/PerformanceForm.h"
#include "keyboard/FormKlava.h"
#include "ui/ClockTimerSwitch.h"
#include "ui/Dialogs.h"

#include <QLabel>
#include <QPushButton>
#include <utility>

namespace vexlin {

MessageBoxAnnouncer::MessageBoxAnnouncer(QWidget* parent, std::function<void()> beforeModal)
    : parent_(parent), beforeModal_(std::move(beforeModal)) {}

void MessageBoxAnnouncer::inform(std::string_view text) {
    beforeModal_();
    dialogs().message(
        parent_, QString::fromUtf8(report::kMessageCaption.data(), report::kMessageCaption.size()),
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), Dialogs::Icon::None);
}

void PerformanceWindowLink::show() {
    if (window == nullptr) {
        return;
    }
    // Shown while the full-test window is modal, a plain window would take no input and could not be
    // closed early; modal itself, it can, and show() still returns at once.
    window->setWindowModality(Qt::ApplicationModal);
    window->show();
}

void PerformanceWindowLink::close() {
    if (window != nullptr) {
        window->close();
    }
}

void PerformanceWindowLink::setDrawingWhileHidden(bool on) {
    if (window != nullptr) {
        window->setDrawingWhileHidden(on);
    }
}

std::string PerformanceWindowLink::frameCountText() const {
    return window != nullptr ? window->Label3->text().toStdString() : std::string();
}

std::string PerformanceWindowLink::notDrawnReason() const {
    if (window == nullptr) {
        return "нет окна теста производительности";
    }
    if (window->prepare()) {
        return {};
    }
    // The window shows what is missing where the frames would be.
    if (const auto* note = window->findChild<const QLabel*>("OpenGlMissing")) {
        return note->text().toStdString();
    }
    return "сцена теста производительности не загрузилась";
}

KeyboardWindowLink::KeyboardWindowLink(std::function<void()> beforeModal)
    : beforeModal_(std::move(beforeModal)) {}

void KeyboardWindowLink::showModal() {
    if (window != nullptr) {
        beforeModal_();
        window->exec();
    }
}

AudioWindowLink::AudioWindowLink(std::function<void()> beforeModal) : beforeModal_(std::move(beforeModal)) {}

void AudioWindowLink::pressCaptureStart() {
    if (window != nullptr) {
        window->Button1->click();
    }
}

void AudioWindowLink::pressPlaybackStart() {
    if (window != nullptr) {
        window->Button3->click();
    }
}

void AudioWindowLink::showModal() {
    if (window != nullptr) {
        beforeModal_();
        window->exec();
    }
}

void ClockLink::setMeasuring(bool on) {
    if (timer != nullptr) {
        timer->setClockTimerRunning(on);
    }
}

std::string ClockLink::clockNumberText() const {
    return number != nullptr ? number->text().toStdString() : std::string();
}

void ReportButtonLink::enable() {
    if (button != nullptr) {
        button->setEnabled(true);
    }
}

} // namespace vexlin
