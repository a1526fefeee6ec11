#include "app/Application.h"

#include "ui/Dialogs.h"

#include <QFont>
#include <exception>

namespace vexlin {

VexlinApplication::VexlinApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The windows are laid out for MS Sans Serif at 11 pixels.  Liberation Sans has Arial's metrics, which
    // are close to it; the font fontconfig would pick otherwise is wider and cuts captions off.
    QFont::insertSubstitution("MS Sans Serif", "Liberation Sans");
    QFont font("MS Sans Serif");
    font.setPixelSize(11);
    setFont(font);
}

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
