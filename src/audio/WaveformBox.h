#pragma once

#include "audio/Waveform.h"

#include <QImage>
#include <QWidget>
#include <span>

namespace vexlin {

// Fills `canvas` (Format_RGB32) with `face` and draws one black one-pixel polyline through `points`.
void paintWaveform(QImage& canvas, const QColor& face, std::span<const audio::WavePoint> points);

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
};

} // namespace vexlin
