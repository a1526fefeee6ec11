#include "audio/WaveformBox.h"

#include "audio/Polyline.h"

#include <QPainter>
#include <QPalette>

namespace vexlin {

void paintWaveform(QImage& canvas, const QColor& face, std::span<const audio::WavePoint> points) {
    if (canvas.isNull() || canvas.format() != QImage::Format_RGB32) {
        return;
    }
    canvas.fill(face);
    // Straight into the pixels: at 5100 points of loud sound Qt's own line drawing costs several times the
    // whole per-buffer budget of a millisecond.
    const audio::PixelView view{
        {reinterpret_cast<std::uint32_t*>(canvas.bits()), static_cast<std::size_t>(canvas.sizeInBytes()) / 4},
        canvas.width(),
        canvas.height(),
        canvas.bytesPerLine() / 4,
    };
    audio::drawPolyline(view, points, QColor(Qt::black).rgb());
}

WaveformBox::WaveformBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void WaveformBox::drawPoints(std::span<const audio::WavePoint> points) {
    if (canvas_.size() != size()) {
        clearCanvas();
    }
    paintWaveform(canvas_, palette().color(QPalette::Button), points);
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
