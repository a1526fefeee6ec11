#include "tests/audio/WaveformBox.h"

#include <QPainter>
#include <QPalette>

namespace vexlin {

void paintWaveform(QPainter& painter, const QRect& box, const QColor& face,
                   std::span<const audio::WavePoint> points, std::vector<QPoint>& scratch) {
    painter.fillRect(box, face);
    scratch.resize(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        scratch[i] = QPoint(box.left() + points[i].x, box.top() + points[i].y);
    }
    painter.setPen(QPen(Qt::black, 1));
    painter.drawPolyline(scratch.data(), static_cast<int>(scratch.size()));
}

WaveformBox::WaveformBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void WaveformBox::drawPoints(std::span<const audio::WavePoint> points) {
    if (canvas_.size() != size()) {
        clearCanvas();
    }
    if (canvas_.isNull()) {
        return;
    }
    QPainter painter(&canvas_);
    paintWaveform(painter, canvas_.rect(), palette().color(QPalette::Button), points, scratch_);
    update();
}

void WaveformBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (canvas_.isNull()) {
        painter.fillRect(rect(), palette().color(QPalette::Button));
        return;
    }
    painter.drawImage(0, 0, canvas_);
}

void WaveformBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    clearCanvas();
}

void WaveformBox::clearCanvas() {
    if (width() <= 0 || height() <= 0) {
        canvas_ = QImage();
        return;
    }
    canvas_ = QImage(size(), QImage::Format_RGB32);
    canvas_.fill(palette().color(QPalette::Button));
}

} // namespace vexlin
