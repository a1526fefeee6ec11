#include "battery/TrayIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <stdexcept>

namespace vexlin {
namespace {

const QColor kTextColour(255, 0, 0);
const QColor kBackground(0, 0, 255);

} // namespace

QImage drawTextPicture(const QString& text, const QFont& font) {
    constexpr int kSize = battery::kTextPictureSize;
    QImage picture(kSize, kSize, QImage::Format_RGB32);
    picture.fill(kBackground);
    QFont plain = font;
    plain.setStyleStrategy(QFont::NoAntialias);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(plain);
    painter.setPen(kTextColour);
    const QFontMetrics metrics = painter.fontMetrics();
    // horizontalAdvance counts trailing blanks, which shift "!   " to the left of the centre.
    const int x = (kSize - metrics.horizontalAdvance(text)) / 2;
    const int y = (kSize - metrics.height()) / 2;
    painter.drawText(x, y + metrics.ascent(), text);
    return picture;
}

battery::RgbPicture toRgbPicture(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    battery::RgbPicture picture;
    picture.width = rgb.width();
    picture.height = rgb.height();
    picture.pixels.reserve(static_cast<std::size_t>(rgb.width() * rgb.height()));
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            picture.pixels.push_back({static_cast<std::uint8_t>(qRed(line[x])),
                                      static_cast<std::uint8_t>(qGreen(line[x])),
                                      static_cast<std::uint8_t>(qBlue(line[x]))});
        }
    }
    return picture;
}

QIcon makeTextIcon(const QString& text, const QFont& font) {
    std::vector<std::uint8_t> file;
    try {
        file = battery::trayIconFile(toRgbPicture(drawTextPicture(text, font)));
    } catch (const std::invalid_argument&) {
        return {};
    }
    QImage image;
    if (!image.loadFromData(file.data(), static_cast<int>(file.size()), "ICO")) {
        return {};
    }
    return QIcon(QPixmap::fromImage(image));
}

TrayEntry::~TrayEntry() {
    remove();
}

void TrayEntry::add(const QIcon& icon, const QString& tip) {
    remove();
    icon_ = new QSystemTrayIcon;
    icon_->setObjectName("TrayEntry");
    modify(icon, tip);
    icon_->show();
}

void TrayEntry::modify(const QIcon& icon, const QString& tip) {
    if (icon_ == nullptr) {
        return;
    }
    // setIcon lets go of the picture shown before, so one picture is held at a time.
    icon_->setIcon(icon);
    icon_->setToolTip(tip.left(kMaxTipLength));
}

void TrayEntry::remove() {
    delete icon_;
    icon_ = nullptr;
}

QString TrayEntry::tip() const {
    return icon_ != nullptr ? icon_->toolTip() : QString();
}

QIcon TrayEntry::icon() const {
    return icon_ != nullptr ? icon_->icon() : QIcon();
}

} // namespace vexlin
