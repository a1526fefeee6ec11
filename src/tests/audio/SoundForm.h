#pragma once

#include "app/shared/AppServices.h"
#include "app/shared/Form.h"

namespace vexlin {

// The audio test: microphone capture with a live waveform, and music with separate left/right volume.
class TSoundForm : public Form {
    Q_OBJECT
public:
    TSoundForm(AppServices& services, QWidget* parent = nullptr);

    void FormClose() override;

private:
    AppServices& services_;
};

} // namespace vexlin
