#include "ui/Dialogs.h"

#include <QMessageBox>

namespace vexlin {
namespace {

class MessageBoxDialogs final : public Dialogs {
public:
    void message(QWidget* parent, const QString& caption, const QString& text, Icon icon) override {
        QMessageBox box(toQt(icon), caption, text, QMessageBox::Ok, parent);
        box.exec();
    }

private:
    static QMessageBox::Icon toQt(Icon icon) {
        switch (icon) {
        case Icon::Information:
            return QMessageBox::Information;
        case Icon::Warning:
            return QMessageBox::Warning;
        case Icon::Critical:
            return QMessageBox::Critical;
        case Icon::None:
            break;
        }
        return QMessageBox::NoIcon;
    }
};

MessageBoxDialogs realDialogs;
Dialogs* current = &realDialogs;

} // namespace

Dialogs& dialogs() {
    return *current;
}

void setDialogs(Dialogs* replacement) {
    current = replacement != nullptr ? replacement : &realDialogs;
}

void RecordingDialogs::message(QWidget*, const QString& caption, const QString& text, Icon icon) {
    shown.push_back({caption, text, icon});
}

} // namespace vexlin
