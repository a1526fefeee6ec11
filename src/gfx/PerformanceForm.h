#pragma once

#include "app/shared/AppServices.h"
#include "app/shared/Form.h"

namespace vexlin {

// The graphics performance test: the animated character drawn as fast as the machine allows.
class TForm1 : public Form {
    Q_OBJECT
public:
    TForm1(AppServices& services, QWidget* parent = nullptr);

    void FormClose() override;

private:
    AppServices& services_;
};

} // namespace vexlin
