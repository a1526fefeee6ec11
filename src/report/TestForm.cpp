#include "report/TestForm.h"

#include "app/shared/ClockTimerSwitch.h"
#include "app/shared/Globals.h"

#include <QPushButton>

namespace vexlin {

TTestForm::TTestForm(AppServices& services, QWidget* parent) : Form(parent), services_(services) {
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
    // The sequence itself belongs to the full-test work; until it exists the start button stays disabled
    // rather than pretending to run anything.
    Button2->setEnabled(false);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);
}

void TTestForm::FormShow() {
    FullTestStep = 0;
}

void TTestForm::FormClose() {
    FullTestRunning = false;
    Button1->setEnabled(false);
    if (services_.clock != nullptr) {
        resumeClockAfterTest(*services_.clock, FullTestRunning);
    }
}

} // namespace vexlin
