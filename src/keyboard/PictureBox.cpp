#include "keyboard/PictureBox.h"

#include <QMouseEvent>
#include <QPainter>

namespace vexlin {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

void PictureBox::setPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    if (picture_.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    emit mouseDown(event->button());
    event->accept();
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    emit mouseUp(event->button());
    // A click is the left button's, as on any control; the right one may open a menu one day.
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
    event->accept();
}

} // namespace vexlin
