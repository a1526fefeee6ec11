#pragma once

#include <QWidget>

#include "app/shared/AppServices.h"

class QPushButton;
class QTimer;

namespace vexlin {

// The main window's page "Батарея": power-status texts, the charge chart and the run-time forecast.  The main
// window's Timer1 and Timer3 drive it.
class BatteryPage : public QWidget {
    Q_OBJECT
public:
    BatteryPage(AppServices& services, QWidget* parent = nullptr);

    void Timer1Timer(); // one battery-monitor tick
    void Timer3Timer(); // one forecast tick
    void Button9Click();

    QPushButton* Button9 = nullptr; // "Считать"
    QTimer* Timer3 = nullptr;       // the main window's forecast timer, set by the main window

private:
    AppServices& services_;
};

} // namespace vexlin
