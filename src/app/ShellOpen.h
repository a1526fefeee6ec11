#pragma once

#include "platform/NormalPriorityLane.h"

#include <QString>

class QWidget;

namespace vexlin {

// Opens a web page or document with the desktop's default handler; tells the user when nothing opened it.
// The handler is started from `lane` when one is given: a program started from the idle user-interface
// thread would run at idle priority itself.
bool openWithDesktop(QWidget* parent, const QString& url, platform::NormalPriorityLane* lane = nullptr);

// The program's manual, data/Manual/HELP.html.
bool openManual(QWidget* parent, platform::NormalPriorityLane* lane = nullptr);

} // namespace vexlin
