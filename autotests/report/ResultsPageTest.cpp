#include "report/ResultsPage.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QtTest>

namespace vexlin {
namespace {

results::ResultLine line(const char* source, const char* key, const char* what, const char* value,
                         const char* verdict = "", results::Verdict judgement = results::Verdict::None) {
    results::ResultLine result;
    result.source = source;
    result.key = key;
    result.what = what;
    result.value = value;
    result.verdict = verdict;
    result.judgement = judgement;
    return result;
}

QStringList rowTexts(const QTreeWidget& list, int row) {
    const QTreeWidgetItem* item = list.topLevelItem(row);
    return {item->text(0), item->text(1), item->text(2)};
}

} // namespace

class ResultsPageTest : public QObject {
    Q_OBJECT
private slots:
    void emptyStoreSaysSo();
    void linesInTheStoresOrder_data();
    void linesInTheStoresOrder();
    void followsTheStoreOnlyWhenItChanged();
    void showingThePageRefreshesIt();
    void verdictColourBacksUpTheWords_data();
    void verdictColourBacksUpTheWords();
    void noTextIsCut_data();
    void noTextIsCut();
    void copyPutsThePageOnTheClipboard();
};

void ResultsPageTest::emptyStoreSaysSo() {
    results::ResultsStore store;
    ResultsPage page(store);
    QCOMPARE(page.objectName(), QString("TabSheet3"));
    QCOMPARE(page.StaticText1->objectName(), QString("StaticText1"));
    QCOMPARE(page.ListView1->objectName(), QString("ListView1"));
    QCOMPARE(page.ListView1->topLevelItemCount(), 0);
    QVERIFY(!page.StaticText1->isHidden());
    QVERIFY(page.ListView1->isHidden());
    QVERIFY(page.StaticText1->text().startsWith("В этом запуске ещё ничего не измерено."));

    const QTreeWidgetItem* header = page.ListView1->headerItem();
    QCOMPARE(header->text(0), QString("Проверка"));
    QCOMPARE(header->text(1), QString("Значение"));
    QCOMPARE(header->text(2), QString("Вывод"));
}

void ResultsPageTest::linesInTheStoresOrder_data() {
    QTest::addColumn<int>("replaced");
    QTest::addColumn<QStringList>("second");
    QTest::newRow("as reported") << -1 << QStringList{"Износ батареи", "31 %", "⚠ Батарея изношена"};
    // A line reported again keeps its place and shows its new value.
    QTest::newRow("replaced where it stands")
        << 1 << QStringList{"Износ батареи", "35 %", "✗ Батарея сильно изношена"};
}

void ResultsPageTest::linesInTheStoresOrder() {
    QFETCH(int, replaced);
    QFETCH(QStringList, second);
    results::ResultsStore store;
    ResultsPage page(store);
    store.put(line("full_test", "average_fps", "Тест производительности", "59,97 FPS"));
    store.put(
        line("battery", "BAT0.wear", "Износ батареи", "31 %", "Батарея изношена", results::Verdict::Warning));
    store.put(line("full_test", "average_cpu_mhz", "Реальная частота процессора", "1992,19 MHz"));
    if (replaced >= 0) {
        store.put(line("battery", "BAT0.wear", "Износ батареи", "35 %", "Батарея сильно изношена",
                       results::Verdict::Bad));
    }
    page.refresh();
    QVERIFY(page.StaticText1->isHidden());
    QVERIFY(!page.ListView1->isHidden());
    // Grouped by what they test, the battery before the full test whatever the order of reports.
    QCOMPARE(page.ListView1->topLevelItemCount(), 5);
    QCOMPARE(rowTexts(*page.ListView1, 0), (QStringList{"Батарея", "", ""}));
    QVERIFY(ResultsPage::isHeading(*page.ListView1->topLevelItem(0)));
    QCOMPARE(rowTexts(*page.ListView1, 1), second);
    QVERIFY(!ResultsPage::isHeading(*page.ListView1->topLevelItem(1)));
    QCOMPARE(rowTexts(*page.ListView1, 2), (QStringList{"Полный тест", "", ""}));
    QCOMPARE(rowTexts(*page.ListView1, 3), (QStringList{"Тест производительности", "59,97 FPS", ""}));
    QCOMPARE(rowTexts(*page.ListView1, 4), (QStringList{"Реальная частота процессора", "1992,19 MHz", ""}));
    QCOMPARE(page.ListView1->topLevelItem(1)->toolTip(2), second[2]);

    store.clear();
    page.refresh();
    QCOMPARE(page.ListView1->topLevelItemCount(), 0);
    QVERIFY(!page.StaticText1->isHidden());
}

void ResultsPageTest::followsTheStoreOnlyWhenItChanged() {
    results::ResultsStore store;
    store.put(line("full_test", "average_fps", "Тест производительности", "59,97 FPS"));
    ResultsPage page(store);
    QCOMPARE(page.ListView1->topLevelItemCount(), 2);
    // The same line again leaves the revision, and the page keeps its items (and so the user's selection).
    page.ListView1->topLevelItem(1)->setData(0, Qt::UserRole, "kept");
    store.put(line("full_test", "average_fps", "Тест производительности", "59,97 FPS"));
    page.refresh();
    QCOMPARE(page.ListView1->topLevelItem(1)->data(0, Qt::UserRole).toString(), QString("kept"));

    store.put(line("full_test", "average_fps", "Тест производительности", "61,00 FPS"));
    QCOMPARE(page.ListView1->topLevelItem(1)->text(1), QString("59,97 FPS")); // not before the refresh
    page.refresh();
    QCOMPARE(page.ListView1->topLevelItem(1)->text(1), QString("61,00 FPS"));
}

void ResultsPageTest::showingThePageRefreshesIt() {
    results::ResultsStore store;
    ResultsPage page(store);
    store.put(line("thermal", "cpu", "Температура процессора", "54 °C", "В норме", results::Verdict::Good));
    QCOMPARE(page.ListView1->topLevelItemCount(), 0);
    page.show();
    QCOMPARE(page.ListView1->topLevelItemCount(), 2);
    QCOMPARE(rowTexts(*page.ListView1, 1), (QStringList{"Температура процессора", "54 °C", "✓ В норме"}));
}

void ResultsPageTest::verdictColourBacksUpTheWords_data() {
    QTest::addColumn<int>("judgement");
    QTest::addColumn<bool>("coloured");
    QTest::addColumn<int>("dominant"); // 0 red, 1 green, 2 red and green together (orange)
    QTest::newRow("none") << int(results::Verdict::None) << false << -1;
    QTest::newRow("good") << int(results::Verdict::Good) << true << 1;
    QTest::newRow("warning") << int(results::Verdict::Warning) << true << 2;
    QTest::newRow("bad") << int(results::Verdict::Bad) << true << 0;
}

void ResultsPageTest::verdictColourBacksUpTheWords() {
    QFETCH(int, judgement);
    QFETCH(bool, coloured);
    QFETCH(int, dominant);
    results::ResultsStore store;
    store.put(line("audio", "left_channel", "Левый динамик", "-12 dB", "Слышен",
                   static_cast<results::Verdict>(judgement)));
    ResultsPage page(store);
    const QBrush brush = page.ListView1->topLevelItem(1)->foreground(2);
    QCOMPARE(brush.style() != Qt::NoBrush, coloured);
    if (!coloured) {
        return;
    }
    const QColor colour = brush.color();
    QVERIFY(colour.blue() < 64);
    switch (dominant) {
    case 0:
        QVERIFY(colour.red() > 128 && colour.green() < 64);
        break;
    case 1:
        QVERIFY(colour.green() > 96 && colour.red() < 64);
        break;
    default:
        QVERIFY(colour.red() > 128 && colour.green() > 64);
        break;
    }
}

void ResultsPageTest::noTextIsCut_data() {
    QTest::addColumn<int>("width");
    QTest::newRow("narrow window") << 420;
    QTest::newRow("main window") << 640;
    QTest::newRow("wide window") << 1200;
}

// Every cell's text fits its rectangle once wrapped: the explanations that make a verdict understandable
// are the long texts, and a cut one hides exactly them.
void ResultsPageTest::noTextIsCut() {
    QFETCH(int, width);
    results::ResultsStore store;
    store.put(line("battery", "BAT0.capacity", "Ёмкость батареи BAT0",
                   "заявлена при выпуске 23,2 Втч, полная сейчас 19,9 Втч (86 %), 312 циклов заряда",
                   "Износ 14 %: батарея держит меньше, чем новая, но годна для работы",
                   results::Verdict::Warning));
    store.put(line("battery", "BAT0.charging", "Зарядка от сети", "",
                   "сеть не подключалась: подключите сеть, чтобы проверить, заряжается ли батарея"));
    store.put(line("full_test", "average_fps", "Тест производительности", "59,97 FPS"));
    ResultsPage page(store);
    page.resize(width, 480);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QTRY_VERIFY(page.ListView1->columnWidth(0) > 0);
    QTreeWidget& list = *page.ListView1;
    const int margin = list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list) + 1;
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = list.topLevelItem(row);
        const int columns = ResultsPage::isHeading(*item) ? 1 : 3;
        for (int column = 0; column < columns; ++column) {
            const QRect cell = list.visualRect(list.model()->index(row, column));
            const QRect room = cell.adjusted(margin, 0, -margin, 0);
            const QRect needed =
                list.fontMetrics().boundingRect(room, Qt::TextWordWrap | Qt::AlignLeft, item->text(column));
            QVERIFY2(needed.width() <= room.width() && needed.height() <= room.height(),
                     qPrintable(QString("row %1 column %2 needs %3x%4 in %5x%6: %7")
                                    .arg(row)
                                    .arg(column)
                                    .arg(needed.width())
                                    .arg(needed.height())
                                    .arg(room.width())
                                    .arg(room.height())
                                    .arg(item->text(column))));
        }
    }
    // The columns follow the window: nothing hides past a horizontal scroll.
    const int columnsWidth = list.columnWidth(0) + list.columnWidth(1) + list.columnWidth(2);
    QVERIFY2(columnsWidth <= list.viewport()->width(), qPrintable(QString::number(columnsWidth)));
}

void ResultsPageTest::copyPutsThePageOnTheClipboard() {
    results::ResultsStore store;
    ResultsPage page(store);
    QVERIFY(!page.Button21->isEnabled()); // nothing to copy yet
    QCOMPARE(page.Button21->text(), QString("Копировать"));
    QCOMPARE(page.Button20->text(), QString("Сохранить отчёт"));
    QVERIFY(!page.Button20->isEnabled()); // until it knows the windows the report copies from
    store.put(line("audio", "left_channel", "Левый канал", "", "слышен", results::Verdict::Good));
    page.refresh();
    QVERIFY(page.Button21->isEnabled());
    page.Button21->click();
    QCOMPARE(QApplication::clipboard()->text(), QString("Звук\nЛевый канал: ✓ слышен\n"));
}

} // namespace vexlin

QTEST_MAIN(vexlin::ResultsPageTest)
#include "ResultsPageTest.moc"
