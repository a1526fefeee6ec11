#include "app/ShellOpen.h"

#include "platform/DataFiles.h"
#include "ui/Dialogs.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace vexlin {

bool openWithDesktop(QWidget* parent, const QString& url, platform::NormalPriorityLane* lane) {
    bool opened = false;
    const QUrl target(url);
    if (lane != nullptr) {
        lane->run([&] { opened = QDesktopServices::openUrl(target); });
    } else {
        opened = QDesktopServices::openUrl(target);
    }
    if (opened) {
        return true;
    }
    dialogs().message(parent, "Vexlin",
                      QString("Не удалось открыть %1: в системе нет программы для этого.").arg(url),
                      Dialogs::Icon::Warning);
    return false;
}

bool openManual(QWidget* parent, platform::NormalPriorityLane* lane) {
    const auto path = QString::fromStdString(platform::dataPath("data/Manual/HELP.html").string());
    if (!QFileInfo(path).isFile()) {
        dialogs().message(parent, "Vexlin", QString("Файл справки не найден: %1").arg(path),
                          Dialogs::Icon::Warning);
        return false;
    }
    return openWithDesktop(parent, QUrl::fromLocalFile(path).toString(), lane);
}

} // namespace vexlin
