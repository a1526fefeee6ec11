#pragma once

#include <QString>

class QWidget;

namespace vexlin {

// Opens a web page or document with the desktop's default handler; tells the user when nothing opened it.
bool openWithDesktop(QWidget* parent, const QString& url);

// The program's manual, data/Manual/HELP.html.
bool openManual(QWidget* parent);

} // namespace vexlin
