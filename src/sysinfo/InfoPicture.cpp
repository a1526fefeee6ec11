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
    image_ = QImage();
    pending_.clear();
    cursor_ = 1;
    update();
}

const QImage& InfoPicture::image() const {
    drawPending();
    return image_;
}

void InfoPicture::ensureHeight(int height) const {
    if (height <= image_.height()) {
        return;
    }
    QImage taller(image_.width(), height, QImage::Format_RGB32);
    taller.fill(faceColour(*this));
    QPainter(&taller).drawImage(0, 0, image_);
    image_ = taller;
}

void InfoPicture::writeLine(const QString& label, const QString& value) {
    pending_.push_back({cursor_, label, value});
    cursor_ += kLineStep;
    update();
}

void InfoPicture::drawPending() const {
    if (image_.isNull()) {
        image_ = QImage(kImageWidth, 1 + 24 * kLineStep, QImage::Format_RGB32);
        image_.fill(faceColour(*this));
    }
    if (pending_.empty()) {
        return;
    }
    const QFontMetrics metrics(font());
    ensureHeight(pending_.back().top + kLineStep + metrics.height());
    QPainter painter(&image_);
    painter.setFont(font());
    for (const Line& line : pending_) {
        const int baseline = line.top + metrics.ascent();
        int x = kLeftMargin;
        if (!line.label.isEmpty()) {
            painter.setPen(QColor(0, 0, 255));
            painter.drawText(x, baseline, line.label);
            x += metrics.horizontalAdvance(line.label);
        }
        if (!line.value.isEmpty()) {
            painter.setPen(Qt::black);
            painter.drawText(x, baseline, line.value);
        }
    }
    pending_.clear();
}

void InfoPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), faceColour(*this));
    painter.drawImage(0, 0, image());
}

} // namespace vexlin
