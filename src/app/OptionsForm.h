#pragma once

#include "ui/Form.h"

class QCheckBox;
class QPushButton;

namespace vexlin {

class ClockTimerSwitch;

// "Опции...": the options last for the current run only; nothing is stored.
class TOptionsForm : public Form {
    Q_OBJECT
public:
    TOptionsForm(ClockTimerSwitch& clock, QWidget* parent = nullptr);

    void CheckBox1Click();
    void Button1Click();
    bool measureOptionTicked() const;

    QCheckBox* CheckBox1 = nullptr; // "Считать реальную частоту CPU"
    QCheckBox* CheckBox2 = nullptr; // "Выводить информацию на рабочий стол"
    QPushButton* Button1 = nullptr; // "Сохранить"

private:
    ClockTimerSwitch& clock_;
};

} // namespace vexlin
