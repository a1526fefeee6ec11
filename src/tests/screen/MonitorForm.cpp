#include "tests/screen/MonitorForm.h"

namespace vexlin {

TMonitorForm::TMonitorForm(AppServices& services, QWidget* parent) : Form(parent), services_(services) {
    setObjectName("MonitorForm");
    setWindowTitle("Test Monitor");
    resize(792, 423);
}

} // namespace vexlin
