#pragma once

#include "app/shared/AppServices.h"
#include "app/shared/Form.h"

#include <QTimer>

class QPushButton;

namespace vexlin {

// The full test: runs the performance, keyboard, clock and audio tests in turn and writes the report.
class TTestForm : public Form {
    Q_OBJECT
public:
    TTestForm(AppServices& services, QWidget* parent = nullptr);

    void FormShow() override;
    void FormClose() override;

    QPushButton* Button1 = nullptr; // "Генерация отчета"
    QPushButton* Button2 = nullptr; // "Старт тестов(4)"
    QTimer* Timer1 = nullptr;

private:
    AppServices& services_;
};

} // namespace vexlin
