#include "tests/keyboard/FormKlava.h"

#include "app/shared/ClockTimerSwitch.h"
#include "app/shared/Globals.h"

namespace vexlin {

TFormKlava::TFormKlava(AppServices& services, QWidget* parent)
    : Form(parent, Qt::Tool), services_(services) {
    setObjectName("FormKlava");
    setOuterSize({627, 510});
}

void TFormKlava::FormClose() {
    if (FullTestRunning) {
        FullTestStep = 16; // the full test goes on with the clock measurement
    } else if (services_.clock != nullptr) {
        resumeClockAfterTest(*services_.clock, FullTestRunning);
    }
}

} // namespace vexlin
