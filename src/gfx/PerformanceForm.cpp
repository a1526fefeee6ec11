#include "gfx/PerformanceForm.h"

#include "app/shared/ClockTimerSwitch.h"
#include "app/shared/Globals.h"

namespace vexlin {

TForm1::TForm1(AppServices& services, QWidget* parent) : Form(parent), services_(services) {
    setObjectName("Form1");
    setWindowTitle("Производительность видео карты и процессора");
    setOuterSize({809, 614});
}

void TForm1::FormClose() {
    if (FullTestRunning) {
        FullTestStep = 14; // the full test goes on with the keyboard
    } else if (services_.clock != nullptr) {
        resumeClockAfterTest(*services_.clock, FullTestRunning);
    }
}

} // namespace vexlin
