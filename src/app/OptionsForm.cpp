#include "app/OptionsForm.h"

#include "ui/ClockTimerSwitch.h"

#include <QCheckBox>
#include <QPushButton>

namespace vexlin {

TOptionsForm::TOptionsForm(ClockTimerSwitch& clock, QWidget* parent) : Form(parent, Qt::Tool), clock_(clock) {
    setObjectName("OptionsForm");
    setWindowTitle("Опции...");
    setSizeGripEnabled(true);

    CheckBox1 = new QCheckBox("Считать реальную частоту CPU", this);
    CheckBox1->setObjectName("CheckBox1");
    CheckBox1->setGeometry(8, 8, 231, 17);
    CheckBox2 = new QCheckBox("Выводить информацию на рабочий стол", this);
    CheckBox2->setObjectName("CheckBox2");
    CheckBox2->setGeometry(8, 30, 231, 17);
    // The desktop-wallpaper output was never finished; the box shows that it exists but cannot be chosen.
    CheckBox2->setEnabled(false);
    Button1 = new QPushButton("Сохранить", this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(160, 56, 75, 25);
    Button1->setEnabled(false);

    connect(CheckBox1, &QCheckBox::clicked, this, &TOptionsForm::CheckBox1Click);
    connect(Button1, &QPushButton::clicked, this, &TOptionsForm::Button1Click);
    setOuterSize({247, 90});
}

void TOptionsForm::CheckBox1Click() {
    Button1->setEnabled(true);
    clock_.setClockTimerRunning(CheckBox1->isChecked());
}

void TOptionsForm::Button1Click() {
    Button1->setEnabled(false);
}

bool TOptionsForm::measureOptionTicked() const {
    return CheckBox1->isChecked();
}

} // namespace vexlin
