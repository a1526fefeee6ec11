#include "sysinfo/ClockThermalWatch.h"

#include <QTimer>

namespace vexlin {

ClockThermalWatch::ClockThermalWatch(platform::ThermalSensors* sensors, results::ResultsStore& store,
                                     QObject* parent)
    : QObject(parent), monitor_(sensors, store, sysinfo::ThermalRunKind::Clock) {
    setObjectName("ClockThermalWatch");
    TimerThermal = new QTimer(this);
    TimerThermal->setObjectName("TimerThermal");
    TimerThermal->setInterval(1000);
    connect(TimerThermal, &QTimer::timeout, this, [this] { monitor_.sample(); });
}

void ClockThermalWatch::setRunning(bool running) {
    if (running) {
        monitor_.start();
        if (monitor_.running() && !TimerThermal->isActive()) {
            TimerThermal->start();
        }
        return;
    }
    TimerThermal->stop();
    monitor_.finish();
}

} // namespace vexlin
