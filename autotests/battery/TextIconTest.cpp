#include "battery/TrayIcon.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QTest>

namespace vexlin {
namespace {

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);

QFont mainWindowFont() {
    QFont font("MS Sans Serif");
    font.setPixelSize(11);
    return font;
}

// Columns that hold at least one red pixel.
QList<int> redColumns(const QImage& image) {
    QList<int> columns;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (image.pixel(x, y) == kRed) {
                columns << x;
                break;
            }
        }
    }
    return columns;
}

} // namespace

class TextIconTest : public QObject {
    Q_OBJECT
private slots:
    void onlyRedAndBlue_data();
    void onlyRedAndBlue();
    void fullBarsAreCutAtBothEdges();
    void trailingBlanksShiftTheMarkLeft();
    void emptyTextIsAllBlue();
    void iconIsTheDrawingDoubled_data();
    void iconIsTheDrawingDoubled();
    void trayEntryKeepsOnePictureAndTip();
};

void TextIconTest::onlyRedAndBlue_data() {
    QTest::addColumn<QString>("text");
    for (const char* text :
         {"||||||||", "||||||| ", "|||||| ", "||||| ", "||||  ", "|||   ", "||   ", "|   ", "!   ", "!!!!"}) {
        QTest::newRow(text) << QString(text);
    }
}

void TextIconTest::onlyRedAndBlue() {
    QFETCH(QString, text);
    const QImage picture = drawTextPicture(text, mainWindowFont());
    QCOMPARE(picture.size(), QSize(16, 16));
    int red = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const QRgb pixel = picture.pixel(x, y);
            QVERIFY2(pixel == kRed || pixel == kBlue,
                     qPrintable(QString("pixel %1,%2 is %3").arg(x).arg(y).arg(pixel, 8, 16, QChar('0'))));
            red += pixel == kRed;
        }
    }
    QVERIFY2(red > 0, "nothing drawn");
}

// Wider than the square, the bars start left of it and end right of it: whatever the font's bar spacing, a
// bar falls within one bar's advance of each edge.
void TextIconTest::fullBarsAreCutAtBothEdges() {
    const QFontMetrics metrics(mainWindowFont());
    QVERIFY(metrics.horizontalAdvance("||||||||") > 16);
    const int bar = metrics.horizontalAdvance("|");
    const QList<int> columns = redColumns(drawTextPicture("||||||||", mainWindowFont()));
    QVERIFY(!columns.isEmpty());
    QVERIFY2(columns.first() < bar, qPrintable(QString("first bar at column %1").arg(columns.first())));
    QVERIFY2(columns.last() > 15 - bar, qPrintable(QString("last bar at column %1").arg(columns.last())));
    // Seven bars would fit if the text were squeezed in instead of cut.
    QVERIFY(columns.size() < 8);
}

void TextIconTest::trailingBlanksShiftTheMarkLeft() {
    const QList<int> columns = redColumns(drawTextPicture("!   ", mainWindowFont()));
    QVERIFY(!columns.isEmpty());
    QVERIFY2(columns.last() < 8, qPrintable(QString("mark reaches column %1").arg(columns.last())));
    // Without the blanks the same mark sits in the middle.
    const QList<int> centred = redColumns(drawTextPicture("!", mainWindowFont()));
    QVERIFY(!centred.isEmpty());
    QVERIFY(centred.first() > columns.first());
}

void TextIconTest::emptyTextIsAllBlue() {
    QVERIFY(redColumns(drawTextPicture("", mainWindowFont())).isEmpty());
}

void TextIconTest::iconIsTheDrawingDoubled_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("full") << "||||||||";
    QTest::newRow("low") << "!   ";
    QTest::newRow("unknown") << "!!!!";
}

// The icon goes through the 4-bit icon image and an icon reader; what comes back must be the drawing.
void TextIconTest::iconIsTheDrawingDoubled() {
    QFETCH(QString, text);
    const QImage drawing = drawTextPicture(text, mainWindowFont());
    const QIcon icon = makeTextIcon(text, mainWindowFont());
    QVERIFY(!icon.isNull());
    const QImage image = icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(image.size(), QSize(32, 32));
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            QCOMPARE(qAlpha(image.pixel(x, y)), 255);
            QCOMPARE(image.pixel(x, y) | 0xFF000000u, drawing.pixel(x / 2, y / 2) | 0xFF000000u);
        }
    }
}

void TextIconTest::trayEntryKeepsOnePictureAndTip() {
    TrayEntry entry;
    entry.modify(makeTextIcon("!!!!", mainWindowFont()), "ignored before add");
    QVERIFY(!entry.added());
    entry.add(makeTextIcon("!!!!", mainWindowFont()), "Vexlin");
    QVERIFY(entry.added());
    QCOMPARE(entry.tip(), "Vexlin");
    const QIcon next = makeTextIcon("||||", mainWindowFont());
    entry.modify(next, "Vexlin (50%)");
    QCOMPARE(entry.tip(), "Vexlin (50%)");
    QCOMPARE(entry.icon().cacheKey(), next.cacheKey());
    entry.modify(next, QString(100, 'x'));
    QCOMPARE(entry.tip().size(), TrayEntry::kMaxTipLength);
    entry.remove();
    QVERIFY(!entry.added());
    QCOMPARE(entry.tip(), QString());
}

} // namespace vexlin

QTEST_MAIN(vexlin::TextIconTest)
#include "TextIconTest.moc"
