#include "app/Application.h"

#include <exception>

#include "app/shared/Dialogs.h"

namespace vexlin {

VexlinApplication::VexlinApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool VexlinApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showUnhandledError(QString::fromUtf8(error.what()));
    } catch (...) {
        showUnhandledError("Неизвестная ошибка");
    }
    return false;
}

void showUnhandledError(const QString& message) {
    dialogs().message(QApplication::activeWindow(), QApplication::applicationName(), message,
                      Dialogs::Icon::Critical);
}

} // namespace vexlin
