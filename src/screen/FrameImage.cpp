#include "screen/FrameImage.h"

#include "screen/ScreenTest.h"

#include <QImage>
#include <QPainter>

namespace vexlin {

void drawPixelResponseFrame(QImage& image, ScreenTest& test) {
    const Rgb rgb = test.background();
    const QColor background(rgb.r, rgb.g, rgb.b);
    QPainter painter(&image);
    painter.fillRect(image.rect(), background);
    for (const auto& box : test.frame(image.height())) {
        painter.fillRect(QRect(box.x, box.y, kBoxWidth, kBoxHeight), Qt::black);
        painter.fillRect(QRect(box.x + 1, box.y + 1, kBoxWidth - 2, kBoxHeight - 2), Qt::white);
        painter.fillRect(QRect(box.x - kTrailWidth, box.y, kTrailWidth, kBoxHeight), background);
    }
}

} // namespace vexlin
