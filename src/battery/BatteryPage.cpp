#include "battery/BatteryPage.h"

#include <QPushButton>

namespace vexlin {

BatteryPage::BatteryPage(AppServices& services, QWidget* parent) : QWidget(parent), services_(services) {
    setObjectName("TabSheet2");
    Button9 = new QPushButton("Считать", this);
    Button9->setObjectName("Button9");
    Button9->setGeometry(415, 24, 55, 26);
}

void BatteryPage::Timer1Timer() {}

void BatteryPage::Timer3Timer() {}

void BatteryPage::Button9Click() {}

} // namespace vexlin
