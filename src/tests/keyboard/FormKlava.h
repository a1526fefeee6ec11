#pragma once

#include "app/shared/AppServices.h"
#include "app/shared/Form.h"

namespace vexlin {

// The keyboard test: a keyboard picture on which every held key lights up.
class TFormKlava : public Form {
    Q_OBJECT
public:
    TFormKlava(AppServices& services, QWidget* parent = nullptr);

    void FormClose() override;

private:
    AppServices& services_;
};

} // namespace vexlin
