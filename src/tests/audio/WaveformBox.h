#pragma once

#include "tests/audio/Waveform.h"

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <span>
#include <vector>

class QPainter;

namespace vexlin {

// Fills `box` with `face` and draws one black one-pixel polyline through `points` (relative to the box).
// `scratch` is reused between calls so a live picture does not allocate per buffer.
void paintWaveform(QPainter& painter, const QRect& box, const QColor& face,
                   std::span<const audio::WavePoint> points, std::vector<QPoint>& scratch);

// The waveform area of the microphone test.  Each drawn buffer replaces the previous picture, which is kept
// so that the window can repaint itself between buffers.
class WaveformBox : public QWidget {
    Q_OBJECT
public:
    explicit WaveformBox(QWidget* parent = nullptr);

    void drawPoints(std::span<const audio::WavePoint> points);
    const QImage& picture() const { return canvas_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void clearCanvas();

    QImage canvas_;
    std::vector<QPoint> scratch_;
};

} // namespace vexlin
