#include "ui/Form.h"

#include <QEvent>
#include <QMoveEvent>
#include <QScopedValueRollback>
#include <QShowEvent>

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
    settleOuterSize();
    FormShow();
}

bool Form::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate) {
        FormActivate();
    }
    return handled;
}

void Form::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    settleOuterSize();
}

void Form::setOuterSize(QSize outer) {
    outerSize_ = outer;
    outerSizeSettled_ = false;
    resize(outer);
    settleOuterSize();
}

// The window manager frames a window some time after it is shown; the first move after that tells the frame.
void Form::settleOuterSize() {
    if (outerSizeSettled_ || !outerSize_.isValid() || !isVisible()) {
        return;
    }
    const QSize frame = frameGeometry().size() - geometry().size();
    if (frame.width() <= 0 && frame.height() <= 0) {
        return;
    }
    outerSizeSettled_ = true;
    const QPoint centre = geometry().center();
    resize(outerSize_ - frame);
    move(centre - QPoint(width() / 2, height() / 2));
}

} // namespace vexlin
