#pragma once

#include <QApplication>

namespace vexlin {

// The application object.  An exception that a handler lets out ends up here and is shown in a message box,
// as a desktop program's default error display does; the program goes on.
class VexlinApplication : public QApplication {
    Q_OBJECT
public:
    VexlinApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The message of the default error display.
void showUnhandledError(const QString& message);

} // namespace vexlin
