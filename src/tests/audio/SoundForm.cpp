#include "tests/audio/SoundForm.h"

#include "app/shared/ClockTimerSwitch.h"
#include "app/shared/Globals.h"

namespace vexlin {

TSoundForm::TSoundForm(AppServices& services, QWidget* parent) : Form(parent), services_(services) {
    setObjectName("SoundForm");
    setWindowTitle("Тест микрофона и звуковой карты");
    setOuterSize({696, 487});
}

void TSoundForm::FormClose() {
    if (FullTestRunning) {
        FullTestStep = 28; // the full test finishes
    } else if (services_.clock != nullptr) {
        resumeClockAfterTest(*services_.clock, FullTestRunning);
    }
}

} // namespace vexlin
