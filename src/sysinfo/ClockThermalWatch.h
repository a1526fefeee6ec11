#pragma once

#include "sysinfo/ThermalMonitor.h"

#include <QObject>

class QTimer;

namespace vexlin {

// The sensors watched while the main window's clock measurement runs: a run begins when the measurement is
// switched on and ends when it is switched off, with a reading once a second in between (the measurement's
// own timer ticks every 50 ms and is restarted on every repaint, so it cannot pace the readings).
class ClockThermalWatch : public QObject {
    Q_OBJECT
public:
    ClockThermalWatch(platform::ThermalSensors* sensors, results::ResultsStore& store,
                      QObject* parent = nullptr);

    // Follows the measurement's switch; switching on twice goes on with the same run.
    void setRunning(bool running);
    bool running() const { return monitor_.running(); }

    QTimer* TimerThermal = nullptr;

private:
    sysinfo::ThermalMonitor monitor_;
};

} // namespace vexlin
