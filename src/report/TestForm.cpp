#include "report/TestForm.h"

#include "audio/SoundForm.h"
#include "gfx/PerformanceForm.h"
#include "ui/ClockTimerSwitch.h"
#include "ui/Globals.h"

#include <QLocale>
#include <QPushButton>

namespace vexlin {

TTestForm::TTestForm(AppServices& services, QWidget* parent)
    : Form(parent), services_(services), messages_(this, [this] { restartTimerBeforeModal(); }),
      keyboard_([this] { restartTimerBeforeModal(); }), audio_([this] { restartTimerBeforeModal(); }) {
    setObjectName("TestForm");
    setWindowTitle("Полный тест");
    resize(330, 90);

    Button2 = new QPushButton("Старт тестов(4)", this);
    Button2->setObjectName("Button2");
    Button2->setGeometry(16, 24, 137, 41);
    Button1 = new QPushButton("Генерация отчета", this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(176, 24, 137, 41);
    Button1->setEnabled(false);
    // Nothing to run until the test windows are known.
    Button2->setEnabled(false);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);

    report_.button = Button1;
    sequencer_ = std::make_unique<report::FullTestSequencer>(
        report::FullTestWindows{messages_, performance_, keyboard_, clock_, audio_, report_},
        report::FullTestState::globals(), services_.results);

    connect(Button1, &QPushButton::clicked, this, &TTestForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TTestForm::Button2Click);
    connect(Timer1, &QTimer::timeout, this, &TTestForm::Timer1Timer);
}

void TTestForm::useTestWindows(const TestWindows& windows) {
    performance_.window = windows.performance;
    keyboard_.window = windows.keyboard;
    audio_.window = windows.audio;
    clock_.number = windows.clockNumber;
    clock_.timer = services_.clock;
    reportSources_.systemPage = windows.systemPage;
    reportSources_.captureList = windows.audio != nullptr ? windows.audio->ListBox1 : nullptr;
    reportSources_.glInfo = [performance = windows.performance](report::TestConditions& conditions) {
        if (performance != nullptr) {
            const auto& gl = performance->glStrings();
            conditions.glVendor = gl.vendor;
            conditions.glRenderer = gl.renderer;
            conditions.glVersion = gl.version;
        }
    };
    Button2->setEnabled(windows.performance != nullptr && windows.keyboard != nullptr &&
                        windows.audio != nullptr && windows.clockNumber != nullptr);
}

void TTestForm::FormShow() {
    sequencer_->show();
}

void TTestForm::Button1Click() {
    report::generateReport(services_, reportSources_, this);
}

void TTestForm::Button2Click() {
    // The clock writes its number with the decimal separator of this locale, so it is read back with it.
    sequencer_->start(QLocale().decimalPoint().toStdString());
    Timer1->start();
}

void TTestForm::Timer1Timer() {
    sequencer_->tick();
}

void TTestForm::restartTimerBeforeModal() {
    if (Timer1->isActive()) {
        Timer1->start();
    }
}

void TTestForm::FormClose() {
    // A user who closes the full test expects it to stop, not to go on showing windows behind its back.
    Timer1->stop();
    sequencer_->close();
    Button1->setEnabled(false);
    if (services_.clock != nullptr) {
        resumeClockAfterTest(*services_.clock, FullTestRunning);
    }
}

} // namespace vexlin
