// Draws the icon of Vexlin: a laptop whose screen shows a check mark.  The same few shapes give the
// scalable SVG and the PNGs at every hicolor size, so the pictures cannot drift apart.
//
//   vexlin-icon DIR           writes DIR/hicolor/scalable/apps/<id>.svg and DIR/hicolor/NxN/apps/<id>.png
//   vexlin-icon --check DIR   draws again and compares with what DIR holds; exit code 1 on a difference
//
// Small sizes get a thicker check mark and whole-pixel edges: at 16 px the picture must still read as a
// laptop with a tick, not as a grey smear.
#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <cmath>
#include <cstdio>

namespace {

const char* const kId = "org.vexlin.Vexlin";
const int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};
constexpr double kGrid = 256.0; // the drawing's own units

const QColor kLid(0x26, 0x32, 0x38);
const QColor kScreen(0xe3, 0xf2, 0xfd);
const QColor kBase(0x90, 0xa4, 0xae);
const QColor kBaseEdge(0x54, 0x6e, 0x7a);
const QColor kTick(0x2e, 0x7d, 0x32);

const QRectF kLidRect(32, 40, 192, 140);
constexpr double kLidRadius = 16;
const QRectF kScreenRect(48, 56, 160, 108);
const QPolygonF kBasePolygon{QPointF(8, 188), QPointF(248, 188), QPointF(232, 220), QPointF(24, 220)};
const QPolygonF kTickLine{QPointF(82, 112), QPointF(114, 142), QPointF(176, 80)};

// The check mark never gets thinner than about two pixels.
double tickWidth(int size) {
    return std::max(24.0, 2.0 * kGrid / size);
}

QString number(double value) {
    return QString::number(value, 'g', 6);
}

QString points(const QPolygonF& polygon) {
    QStringList list;
    for (const QPointF& p : polygon) {
        list << number(p.x()) + "," + number(p.y());
    }
    return list.join(' ');
}

QByteArray svg() {
    QString text;
    text += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    text +=
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n";
    text += "  <title>Vexlin</title>\n";
    text += QString("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" fill=\"%6\"/>\n")
                .arg(number(kLidRect.x()), number(kLidRect.y()), number(kLidRect.width()),
                     number(kLidRect.height()), number(kLidRadius), kLid.name());
    text += QString("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\"/>\n")
                .arg(number(kScreenRect.x()), number(kScreenRect.y()), number(kScreenRect.width()),
                     number(kScreenRect.height()), kScreen.name());
    text += QString("  <polygon points=\"%1\" fill=\"%2\" stroke=\"%3\" stroke-width=\"4\" "
                    "stroke-linejoin=\"round\"/>\n")
                .arg(points(kBasePolygon), kBase.name(), kBaseEdge.name());
    text += QString("  <polyline points=\"%1\" fill=\"none\" stroke=\"%2\" stroke-width=\"%3\" "
                    "stroke-linecap=\"round\" stroke-linejoin=\"round\"/>\n")
                .arg(points(kTickLine), kTick.name(), number(tickWidth(256)));
    text += "</svg>\n";
    return text.toUtf8();
}

// Rectangles land on whole pixels at every size, so small icons keep sharp edges.
QRectF snapped(const QRectF& r, double scale) {
    return QRectF(QPointF(std::round(r.left() * scale), std::round(r.top() * scale)),
                  QPointF(std::round(r.right() * scale), std::round(r.bottom() * scale)));
}

QImage png(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double scale = size / kGrid;

    p.setPen(Qt::NoPen);
    p.setBrush(kLid);
    p.drawRoundedRect(snapped(kLidRect, scale), kLidRadius * scale, kLidRadius * scale);
    p.setBrush(kScreen);
    QRectF screen = snapped(kScreenRect, scale);
    if (size <= 24) {
        screen.adjust(0, 0, 0, 1); // one more row of screen rather than a lid line that reads as noise
    }
    p.drawRect(screen);

    QPolygonF base;
    for (const QPointF& point : kBasePolygon) {
        base << QPointF(std::round(point.x() * scale), std::round(point.y() * scale));
    }
    p.setBrush(kBase);
    p.setPen(QPen(kBaseEdge, std::max(1.0, 4 * scale), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolygon(base);

    QPen tick(kTick, tickWidth(size) * scale, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(tick);
    p.setBrush(Qt::NoBrush);
    QPolygonF line;
    for (const QPointF& point : kTickLine) {
        line << point * scale;
    }
    p.drawPolyline(line);
    p.end();
    return image;
}

QString svgPath(const QString& dir) {
    return dir + "/hicolor/scalable/apps/" + kId + ".svg";
}

QString pngPath(const QString& dir, int size) {
    return dir + QString("/hicolor/%1x%1/apps/").arg(size) + kId + ".png";
}

bool write(const QString& dir) {
    QDir().mkpath(QFileInfo(svgPath(dir)).path());
    QFile file(svgPath(dir));
    if (!file.open(QIODevice::WriteOnly) || file.write(svg()) < 0) {
        std::fprintf(stderr, "vexlin-icon: cannot write %s\n", qPrintable(svgPath(dir)));
        return false;
    }
    for (int size : kSizes) {
        QDir().mkpath(QFileInfo(pngPath(dir, size)).path());
        if (!png(size).save(pngPath(dir, size), "PNG")) {
            std::fprintf(stderr, "vexlin-icon: cannot write %s\n", qPrintable(pngPath(dir, size)));
            return false;
        }
    }
    return true;
}

bool check(const QString& dir) {
    bool same = true;
    QFile file(svgPath(dir));
    if (!file.open(QIODevice::ReadOnly) || file.readAll() != svg()) {
        std::fprintf(stderr, "vexlin-icon: %s is missing or not what the drawing gives\n",
                     qPrintable(svgPath(dir)));
        same = false;
    }
    for (int size : kSizes) {
        QImage stored(pngPath(dir, size));
        if (stored.isNull() || stored.convertToFormat(QImage::Format_ARGB32) != png(size)) {
            std::fprintf(stderr, "vexlin-icon: %s is missing or not what the drawing gives\n",
                         qPrintable(pngPath(dir, size)));
            same = false;
        }
    }
    return same;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == "--check") {
        return check(args[2]) ? 0 : 1;
    }
    if (args.size() == 2 && !args[1].startsWith('-')) {
        return write(args[1]) ? 0 : 1;
    }
    std::fprintf(stderr, "usage: vexlin-icon DIR | vexlin-icon --check DIR\n");
    return 2;
}
