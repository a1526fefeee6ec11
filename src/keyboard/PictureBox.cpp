#include "keyboard/PictureBox.h"

#include <QMouseEvent>
#include <QPainter>

namespace vexlin {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

void PictureBox::setPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void PictureBox::setMarks(std::vector<QPoint> centres) {
    if (centres == marks_) {
        return;
    }
    marks_ = std::move(centres);
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    if (picture_.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
    if (marks_.empty()) {
        return;
    }
    // Faint enough to leave the key's label and its lit or released sprite readable under it.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 140, 0, 150));
    constexpr int kRadius = 3;
    for (const QPoint& centre : marks_) {
        painter.drawEllipse(centre, kRadius, kRadius);
    }
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
