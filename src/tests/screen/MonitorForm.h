#pragma once

#include "app/shared/AppServices.h"
#include "app/shared/Form.h"

namespace vexlin {

// The screen test: full-screen colour, pixel-response and text pages.
class TMonitorForm : public Form {
    Q_OBJECT
public:
    TMonitorForm(AppServices& services, QWidget* parent = nullptr);

private:
    AppServices& services_;
};

} // namespace vexlin
