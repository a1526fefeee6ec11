#include "report/ResultsPage.h"

#include <QHeaderView>
#include <QLabel>
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
    QTest::newRow("as reported") << -1 << QStringList{"Износ батареи", "31 %", "Батарея изношена"};
    // A line reported again keeps its place and shows its new value.
    QTest::newRow("replaced where it stands")
        << 1 << QStringList{"Износ батареи", "35 %", "Батарея сильно изношена"};
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
    QCOMPARE(page.ListView1->topLevelItemCount(), 3);
    QCOMPARE(rowTexts(*page.ListView1, 0), (QStringList{"Тест производительности", "59,97 FPS", ""}));
    QCOMPARE(rowTexts(*page.ListView1, 1), second);
    QCOMPARE(rowTexts(*page.ListView1, 2), (QStringList{"Реальная частота процессора", "1992,19 MHz", ""}));
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
    QCOMPARE(page.ListView1->topLevelItemCount(), 1);
    // The same line again leaves the revision, and the page keeps its items (and so the user's selection).
    page.ListView1->topLevelItem(0)->setData(0, Qt::UserRole, "kept");
    store.put(line("full_test", "average_fps", "Тест производительности", "59,97 FPS"));
    page.refresh();
    QCOMPARE(page.ListView1->topLevelItem(0)->data(0, Qt::UserRole).toString(), QString("kept"));

    store.put(line("full_test", "average_fps", "Тест производительности", "61,00 FPS"));
    QCOMPARE(page.ListView1->topLevelItem(0)->text(1), QString("59,97 FPS")); // not before the refresh
    page.refresh();
    QCOMPARE(page.ListView1->topLevelItem(0)->text(1), QString("61,00 FPS"));
}

void ResultsPageTest::showingThePageRefreshesIt() {
    results::ResultsStore store;
    ResultsPage page(store);
    store.put(line("thermal", "cpu", "Температура процессора", "54 °C", "В норме", results::Verdict::Good));
    QCOMPARE(page.ListView1->topLevelItemCount(), 0);
    page.show();
    QCOMPARE(page.ListView1->topLevelItemCount(), 1);
    QCOMPARE(rowTexts(*page.ListView1, 0), (QStringList{"Температура процессора", "54 °C", "В норме"}));
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
    const QBrush brush = page.ListView1->topLevelItem(0)->foreground(2);
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

} // namespace vexlin

QTEST_MAIN(vexlin::ResultsPageTest)
#include "ResultsPageTest.moc"
