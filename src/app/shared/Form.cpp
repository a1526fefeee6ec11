#include "app/shared/Form.h"

#include <QEvent>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QTimer>

namespace vexlin {

Form::Form(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags) {}

void Form::done(int result) {
    // done() may be re-entered from a close handler that closes the window itself.
    if (closing_) {
        QDialog::done(result);
        return;
    }
    QScopedValueRollback guard(closing_, true);
    FormClose();
    QDialog::done(result);
}

void Form::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    if (outerSize_.isValid()) {
        QTimer::singleShot(0, this, [this] { setOuterSize(outerSize_); });
    }
    FormShow();
}

bool Form::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate) {
        FormActivate();
    }
    return handled;
}

void Form::setOuterSize(QSize outer) {
    outerSize_ = outer;
    const QSize frame = frameGeometry().size() - geometry().size();
    resize(outer - frame);
}

} // namespace vexlin
