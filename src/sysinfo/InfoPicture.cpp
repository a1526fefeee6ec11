#include "sysinfo/InfoPicture.h"

#include <QPainter>

namespace vexlin {
namespace {

constexpr int kImageWidth = 600;

QColor faceColour(const QWidget& widget) {
    return widget.palette().color(QPalette::Button);
}

} // namespace

InfoPicture::InfoPicture(QWidget* parent) : QWidget(parent) {
    setObjectName("img_info");
    clear();
}

void InfoPicture::clear() {
    image_ = QImage(kImageWidth, 1 + 24 * kLineStep, QImage::Format_RGB32);
    image_.fill(faceColour(*this));
    cursor_ = 1;
    update();
}

void InfoPicture::ensureHeight(int height) {
    if (height <= image_.height()) {
        return;
    }
    QImage taller(image_.width(), height, QImage::Format_RGB32);
    taller.fill(faceColour(*this));
    QPainter(&taller).drawImage(0, 0, image_);
    image_ = taller;
}

void InfoPicture::writeLine(const QString& label, const QString& value) {
    const QFontMetrics metrics(font());
    ensureHeight(cursor_ + kLineStep + metrics.height());
    QPainter painter(&image_);
    painter.setFont(font());
    const int baseline = cursor_ + metrics.ascent();
    int x = kLeftMargin;
    if (!label.isEmpty()) {
        painter.setPen(QColor(0, 0, 255));
        painter.drawText(x, baseline, label);
        x += metrics.horizontalAdvance(label);
    }
    if (!value.isEmpty()) {
        painter.setPen(Qt::black);
        painter.drawText(x, baseline, value);
    }
    cursor_ += kLineStep;
    update();
}

void InfoPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), faceColour(*this));
    painter.drawImage(0, 0, image_);
}

} // namespace vexlin
