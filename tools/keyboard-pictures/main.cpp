// Draws the keyboard test's pictures: a laptop deck with its keyboard, touch pad and touch-pad buttons
// (data/klava.bmp), and the lit and unlit key sprites, wide and small (data/button*.bmp).
//
// Every sprite has a band of the transparent colour at its top; the key labels of the picture sit in that
// band, so a lit key keeps its label.  The picture's keys are stamped with the unlit sprites, so releasing a
// key gives back exactly the picture's key.
#include "keyboard/KeyPlaces.h"

#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <map>
#include <string>

namespace {

using vexlin::kSmallSpriteHeight;
using vexlin::kSmallSpriteWidth;
using vexlin::kWideSpriteHeight;
using vexlin::kWideSpriteWidth;
using vexlin::SpritePlace;
using vexlin::SpriteSize;

constexpr int kPictureWidth = 612;
constexpr int kPictureHeight = 432;
constexpr int kWideBand = 11; // transparent rows at the top of a wide sprite
constexpr int kSmallBand = 8; // and of a small one

const QColor kTransparent(255, 0, 255);
const QColor kBackground(239, 239, 239);
const QColor kDeck(196, 199, 204);
const QColor kDeckEdge(150, 153, 158);
const QColor kPlate(34, 35, 38);
const QColor kKeyFace(52, 54, 58);
const QColor kKeyEdge(96, 99, 105);
const QColor kLabel(236, 236, 236);
const QColor kCyrillic(120, 196, 255);
const QColor kLit(255, 168, 0);
const QColor kLitTop(255, 214, 120);
const QColor kLitBottom(204, 122, 0);
const QColor kPad(176, 179, 184);

QImage sprite(int width, int height, int band, bool lit) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kTransparent);
    QPainter p(&image);
    const QRect face(0, band, width, height - band);
    if (!lit) {
        p.fillRect(face, kKeyFace);
        return image;
    }
    p.fillRect(face, kLit);
    p.fillRect(QRect(0, band, width, 1), kLitTop);
    p.fillRect(QRect(0, height - 1, width, 1), kLitBottom);
    return image;
}

struct Label {
    const char* latin;
    const char* cyrillic;
};

// Labels by virtual-key code: US legends, and the Russian letters that share the key.
const std::map<int, Label>& labels() {
    static const std::map<int, Label> map{
        {27, {"Esc", ""}},      {112, {"F1", ""}},    {113, {"F2", ""}},    {114, {"F3", ""}},
        {115, {"F4", ""}},      {116, {"F5", ""}},    {117, {"F6", ""}},    {118, {"F7", ""}},
        {119, {"F8", ""}},      {120, {"F9", ""}},    {121, {"F10", ""}},   {122, {"F11", ""}},
        {123, {"F12", ""}},     {45, {"Ins", ""}},    {36, {"Home", ""}},   {33, {"PgUp", ""}},
        {46, {"Del", ""}},      {35, {"End", ""}},    {34, {"PgDn", ""}},   {192, {"~`", "Ё"}},
        {'1', {"1 !", ""}},     {'2', {"2 @", ""}},   {'3', {"3 #", ""}},   {'4', {"4 $", ""}},
        {'5', {"5 %", ""}},     {'6', {"6 ^", ""}},   {'7', {"7 &", ""}},   {'8', {"8 *", ""}},
        {'9', {"9 (", ""}},     {'0', {"0 )", ""}},   {189, {"- _", ""}},   {187, {"= +", ""}},
        {8, {"Backspace", ""}}, {9, {"Tab", ""}},     {'Q', {"Q", "Й"}},    {'W', {"W", "Ц"}},
        {'E', {"E", "У"}},      {'R', {"R", "К"}},    {'T', {"T", "Е"}},    {'Y', {"Y", "Н"}},
        {'U', {"U", "Г"}},      {'I', {"I", "Ш"}},    {'O', {"O", "Щ"}},    {'P', {"P", "З"}},
        {219, {"[", "Х"}},      {221, {"]", "Ъ"}},    {220, {"\\ |", ""}},  {20, {"Caps Lock", ""}},
        {'A', {"A", "Ф"}},      {'S', {"S", "Ы"}},    {'D', {"D", "В"}},    {'F', {"F", "А"}},
        {'G', {"G", "П"}},      {'H', {"H", "Р"}},    {'J', {"J", "О"}},    {'K', {"K", "Л"}},
        {'L', {"L", "Д"}},      {186, {";", "Ж"}},    {222, {"'", "Э"}},    {13, {"Enter", ""}},
        {16, {"Shift", ""}},    {'Z', {"Z", "Я"}},    {'X', {"X", "Ч"}},    {'C', {"C", "С"}},
        {'V', {"V", "М"}},      {'B', {"B", "И"}},    {'N', {"N", "Т"}},    {'M', {"M", "Ь"}},
        {188, {",", "Б"}},      {190, {".", "Ю"}},    {191, {"/", "."}},    {17, {"Ctrl", ""}},
        {91, {"Win", ""}},      {93, {"Menu", ""}},   {32, {"", ""}},       {38, {"\u2191", ""}},
        {37, {"\u2190", ""}},   {40, {"\u2193", ""}}, {39, {"\u2192", ""}},
    };
    return map;
}

class Painter {
public:
    explicit Painter(QImage& picture) : p_(&picture) {
        p_.setRenderHint(QPainter::Antialiasing, true);
        p_.setRenderHint(QPainter::TextAntialiasing, true);
    }

    void roundedBox(QRect box, QColor fill, QColor edge, qreal radius) {
        p_.save();
        p_.setPen(QPen(edge, 1));
        p_.setBrush(fill);
        p_.drawRoundedRect(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
        p_.restore();
    }

    // A key cap covering the sprite places, with its label in the top band.
    void key(QRect cap, int band, const Label& label, bool small) {
        roundedBox(cap, kKeyFace, kKeyEdge, 3);
        const QRect bandRect(cap.left() + 2, cap.top() + 1, cap.width() - 4, band);
        p_.save();
        p_.setClipRect(bandRect);
        QFont font("Liberation Sans");
        // Arrows are glyphs, not words: they get the larger size.
        const bool glyph = QString::fromUtf8(label.latin).size() == 1;
        font.setPixelSize(small && !glyph ? 8 : 10);
        font.setBold(!small || glyph);
        p_.setFont(font);
        p_.setPen(kLabel);
        p_.drawText(bandRect, Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8(label.latin));
        if (*label.cyrillic != '\0') {
            p_.setPen(kCyrillic);
            p_.drawText(bandRect, Qt::AlignRight | Qt::AlignVCenter, QString::fromUtf8(label.cyrillic));
        }
        p_.restore();
    }

    void stamp(const QImage& unlit, SpritePlace place) {
        // The transparent colour stays out of the picture: only the sprite's face is copied.
        for (int y = 0; y < unlit.height(); ++y) {
            for (int x = 0; x < unlit.width(); ++x) {
                const QColor c = unlit.pixelColor(x, y);
                if (c != kTransparent) {
                    p_.setPen(c);
                    p_.setRenderHint(QPainter::Antialiasing, false);
                    p_.drawPoint(place.x + x, place.y + y);
                    p_.setRenderHint(QPainter::Antialiasing, true);
                }
            }
        }
    }

    void text(QRect box, const QString& text, int pixelSize, QColor colour, Qt::Alignment align, bool bold) {
        QFont font("Liberation Sans");
        font.setPixelSize(pixelSize);
        font.setBold(bold);
        p_.setFont(font);
        p_.setPen(colour);
        p_.drawText(box, align, text);
    }

    QPainter& raw() { return p_; }

private:
    QPainter p_;
};

QRect capAround(std::span<const SpritePlace> places, SpriteSize size) {
    const bool small = size == SpriteSize::Small;
    const int w = small ? kSmallSpriteWidth : kWideSpriteWidth;
    const int h = small ? kSmallSpriteHeight : kWideSpriteHeight;
    int left = places.front().x;
    int right = places.front().x + w;
    int top = places.front().y;
    for (const auto& place : places) {
        left = std::min(left, place.x);
        right = std::max(right, place.x + w);
        top = std::min(top, place.y);
    }
    // Wide caps show two pixels of edge round the lit face, small ones two at the sides and one above.
    return small ? QRect(QPoint(left - 2, top - 1), QPoint(right + 1, top + h))
                 : QRect(QPoint(left - 2, top - 2), QPoint(right + 1, top + h + 1));
}

// Keys of the deck that the test does not light: the same caps, labels only.
void plainKeys(Painter& p) {
    const struct {
        QRect cap;
        const char* label;
    } keys[] = {
        {QRect(QPoint(32, 225), QPoint(72, 256)), "Fn"},
        {QRect(QPoint(154, 225), QPoint(185, 256)), "Alt"},
        {QRect(QPoint(384, 225), QPoint(415, 256)), "Alt"},
    };
    for (const auto& key : keys) {
        p.key(key.cap, kWideBand, {key.label, ""}, false);
    }
}

void touchPadButtons(Painter& p, const QImage& unlitSmall) {
    // One bar above the pad and one below, each split into the left and the right button.
    const QRect upper(QPoint(209, 264), QPoint(358, 283));
    const QRect lower(QPoint(216, 390), QPoint(353, 409));
    for (const QRect& bar : {upper, lower}) {
        p.roundedBox(bar, kKeyFace, kKeyEdge, 4);
        p.raw().fillRect(QRect(283, bar.top() + 1, 2, bar.height() - 2), kPlate);
    }
    for (auto button : {vexlin::MouseButton::Left, vexlin::MouseButton::Right}) {
        for (const auto& place : vexlin::mouseButtonPlaces(button).places) {
            p.stamp(unlitSmall, place);
        }
    }
}

QImage keyboardPicture(const QImage& unlitWide, const QImage& unlitSmall) {
    QImage picture(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    picture.fill(kBackground);
    Painter p(picture);

    p.roundedBox(QRect(QPoint(6, 4), QPoint(605, 427)), kDeck, kDeckEdge, 14);
    // The keyboard plate, reaching lower at the right where the arrow keys sit.
    QPainterPath plate;
    plate.addRoundedRect(QRectF(QPoint(26, 21), QPoint(598, 262)), 6, 6);
    plate.addRoundedRect(QRectF(QPoint(494, 236), QPoint(598, 277)), 6, 6);
    p.raw().fillPath(plate.simplified(), kPlate);

    // Speaker grille across the top row, left of the navigation keys.
    for (int x = 120; x < 480; x += 6) {
        for (int y = 29; y <= 41; y += 6) {
            p.raw().fillRect(QRect(x, y, 3, 3), QColor(70, 72, 76));
        }
    }

    for (int key : vexlin::placedVirtualKeys()) {
        const auto labelIt = labels().find(key);
        const Label label = labelIt != labels().end() ? labelIt->second : Label{"", ""};
        for (bool extended : {false, true}) {
            if (key != 17 && extended) {
                continue;
            }
            const auto placed = vexlin::keyPlaces(key, extended);
            const bool small = placed.size == SpriteSize::Small;
            if (key == 43) {
                // No key of its own: its place lies on the Tab key, which is stamped there too so that
                // releasing it gives back the picture.
            } else if (key == 16) {
                // Both Shift keys share one code; each gets its own cap.
                p.key(capAround(placed.places.subspan(0, 3), placed.size), kWideBand, label, false);
                p.key(capAround(placed.places.subspan(3), placed.size), kWideBand, label, false);
            } else {
                p.key(capAround(placed.places, placed.size), small ? kSmallBand : kWideBand, label, small);
            }
            for (const auto& place : placed.places) {
                p.stamp(small ? unlitSmall : unlitWide, place);
            }
        }
    }
    plainKeys(p);

    p.roundedBox(QRect(QPoint(209, 288), QPoint(358, 385)), kPad, kDeckEdge, 8);
    touchPadButtons(p, unlitSmall);

    // The close mark over the window's close area.
    p.roundedBox(QRect(QPoint(16, 10), QPoint(94, 27)), QColor(250, 250, 250), kDeckEdge, 4);
    p.text(QRect(QPoint(16, 10), QPoint(94, 27)), QString::fromUtf8("\u2715 Закрыть"), 10, QColor(40, 40, 40),
           Qt::AlignCenter, false);
    p.text(QRect(QPoint(420, 396), QPoint(590, 416)), "Vexlin", 13, QColor(110, 113, 118),
           Qt::AlignRight | Qt::AlignVCenter, true);
    return picture;
}

bool save(const QImage& image, const QDir& dir, const char* name) {
    const QString path = dir.filePath(name);
    // RGB32 is written as an uncompressed 24-bit Windows bitmap.
    if (!image.convertToFormat(QImage::Format_RGB32).save(path, "BMP")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s %dx%d\n", qPrintable(path), image.width(), image.height());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DATA_DIRECTORY\n", argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const QImage wideDown = sprite(kWideSpriteWidth, kWideSpriteHeight, kWideBand, true);
    const QImage wideUp = sprite(kWideSpriteWidth, kWideSpriteHeight, kWideBand, false);
    const QImage smallDown = sprite(kSmallSpriteWidth, kSmallSpriteHeight, kSmallBand, true);
    const QImage smallUp = sprite(kSmallSpriteWidth, kSmallSpriteHeight, kSmallBand, false);
    const bool ok = save(keyboardPicture(wideUp, smallUp), dir, "klava.bmp") &&
                    save(wideDown, dir, "button.bmp") && save(wideUp, dir, "button2.bmp") &&
                    save(smallDown, dir, "button_s.bmp") && save(smallUp, dir, "button2_s.bmp");
    return ok ? 0 : 1;
}
