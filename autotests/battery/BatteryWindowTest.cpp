#include "app/MainForm.h"
#include "battery/BatteryPage.h"
#include "battery/MonitorTexts.h"
#include "battery/TrayIcon.h"
#include "ui/Globals.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <functional>

Q_DECLARE_METATYPE(vexlin::platform::PowerStatus)

namespace vexlin {
namespace {

using Status = platform::PowerStatus;

// A battery whose status is a function of the poll number (1 for the first poll).
class ScriptedPower final : public platform::PowerSource {
public:
    Status read() const override { return script(++polls); }
    std::function<Status(int)> script = [](int) { return Status{}; };
    mutable int polls = 0;
};

Status onBattery(std::uint8_t percent) {
    Status status;
    status.ACLineStatus = Status::kAcOffline;
    status.BatteryFlag = percent < 33 ? Status::kFlagLow : 0;
    status.BatteryLifePercent = percent;
    status.BatteryLifeTime = percent * 180u;
    return status;
}

// 80 % for the first 199 polls, then one percent less every 200 polls.
Status discharging(int poll) {
    return onBattery(static_cast<std::uint8_t>(80 - poll / 200));
}

QString text(QLabel* label) {
    return label->text();
}

} // namespace

class BatteryWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void trayEntryAddedAtCreation();
    void oneTickShowsEveryText_data();
    void oneTickShowsEveryText();
    void undefinedLineStatusKeepsTheSourceText();
    void chartKeepsEveryPointAndLabelsTheBottomAxis();
    void forecastAfterThreeDrops();
    void chargingKeepsTheAnalysisRunning();
    void zoomHoldsWhileTicksArriveUntilReset();
    void pageReadsRightInAScreenshot();
    void trayPictureReleasedWithTheWindow();

private:
    void ticks(int count, bool forecastToo = false);
    void showBatteryPage();
    BatteryPage* page() const { return form_->TabSheet2; }

    AppServices services_;
    ScriptedPower* power_ = nullptr;
    TMainForm* form_ = nullptr;
};

void BatteryWindowTest::init() {
    BatteryTicks = 0;
    PowerStatus = {};
    services_ = AppServices::forThisSystem();
    auto power = std::make_unique<ScriptedPower>();
    power_ = power.get();
    services_.power = std::move(power);
    form_ = new TMainForm(services_);
    // The test ticks by hand.
    form_->Timer1->stop();
}

void BatteryWindowTest::cleanup() {
    delete form_;
    form_ = nullptr;
}

void BatteryWindowTest::ticks(int count, bool forecastToo) {
    for (int i = 0; i < count; ++i) {
        form_->Timer1Timer();
        if (forecastToo) {
            form_->Timer3Timer();
        }
    }
}

void BatteryWindowTest::showBatteryPage() {
    form_->resize(810, 620);
    form_->PageControl1->setCurrentIndex(1);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_));
}

void BatteryWindowTest::trayEntryAddedAtCreation() {
    QVERIFY(form_->trayEntry().added());
    QCOMPARE(form_->trayEntry().tip(), "Vexlin");
    QVERIFY(!TrayIconHandle.isNull());
    QCOMPARE(form_->trayEntry().icon().cacheKey(), TrayIconHandle.cacheKey());
}

void BatteryWindowTest::oneTickShowsEveryText_data() {
    QTest::addColumn<Status>("status");
    QTest::addColumn<QString>("runTime");
    QTest::addColumn<QString>("charge");
    QTest::addColumn<QString>("flags");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("picture");

    Status noBattery; // this machine: mains, no battery
    noBattery.ACLineStatus = 1;
    noBattery.BatteryFlag = 128;
    QTest::newRow("no_battery") << noBattery << "Информация недоступна"
                                << "Батарея не обнаружена"
                                << "Батарея не найдена"
                                << "Питание от сети"
                                << "Vexlin"
                                << "!!!!";
    // Unknown flags beside an unknown percent: a battery whose charge cannot be read.
    QTest::newRow("all_unknown")
        << Status{} << "Информация недоступна"
        << "Заряд батареи неизвестен"
        << "Высокий уровень заряда батареиНизкий уровень заряда батареиКритически низкий "
           "уровень заряда батареиБатарея заряжаетсяБатарея не найдена"
        << "Состояние неизвестно"
        << "Vexlin"
        << "!!!!";
    QTest::newRow("discharging_low") << onBattery(20) << "Время работы: 1:00 мин."
                                     << "Осталось 20 %"
                                     << "Низкий уровень заряда батареи"
                                     << "Питание от батареи"
                                     << "Vexlin (20%)"
                                     << "|   ";
    Status charging = onBattery(90);
    charging.ACLineStatus = 1;
    charging.BatteryFlag = 1 + 8;
    charging.BatteryLifeTime = Status::kUnknownSeconds;
    QTest::newRow("mains_charging") << charging << "Информация недоступна"
                                    << "Осталось 90 %"
                                    << "Высокий уровень заряда батареиБатарея заряжается"
                                    << "Питание от сети"
                                    << "Vexlin (90%)"
                                    << "||||||| ";
}

void BatteryWindowTest::oneTickShowsEveryText() {
    QFETCH(Status, status);
    QFETCH(QString, runTime);
    QFETCH(QString, charge);
    QFETCH(QString, flags);
    QFETCH(QString, source);
    QFETCH(QString, tip);
    QFETCH(QString, picture);
    power_->script = [status](int) { return status; };
    showBatteryPage();
    const qint64 iconBefore = TrayIconHandle.cacheKey();
    form_->Timer1Timer();

    QVERIFY(PowerStatus == status);
    QCOMPARE(text(page()->StaticText7), runTime);
    QCOMPARE(text(page()->StaticText8), charge);
    QCOMPARE(text(page()->StaticText9), flags);
    QCOMPARE(text(page()->StaticText10), source);
    QCOMPARE(text(page()->StaticText26), "Тест идет: 0:00:00");
    QCOMPARE(form_->trayEntry().tip(), tip);
    QVERIFY(!TrayIconHandle.isNull());
    QVERIFY(TrayIconHandle.cacheKey() != iconBefore);
    QCOMPARE(form_->trayEntry().icon().cacheKey(), TrayIconHandle.cacheKey());
    QCOMPARE(TrayIconHandle.pixmap(32, 32).toImage(), form_->MakeTextIcon(picture).pixmap(32, 32).toImage());
    QCOMPARE(BatteryTicks, 1);
    const auto& history = page()->chargeHistory();
    QCOMPARE(history.size(), 1u);
    QCOMPARE(history.at(0).x, 0);
    QCOMPARE(history.at(0).y, status.BatteryLifePercent);
    QCOMPARE(page()->Series1->count(), 1);
    QCOMPARE(page()->Series1->at(0), QPointF(0, status.BatteryLifePercent));
}

void BatteryWindowTest::undefinedLineStatusKeepsTheSourceText() {
    power_->script = [](int poll) {
        Status status = onBattery(50);
        status.ACLineStatus = poll == 1 ? 0 : 7;
        return status;
    };
    ticks(2);
    QCOMPARE(text(page()->StaticText10), "Питание от батареи");
}

void BatteryWindowTest::chartKeepsEveryPointAndLabelsTheBottomAxis() {
    power_->script = discharging;
    // Ticks while the page "Система" is in front; the chart catches up when its page is shown.
    ticks(3726);
    showBatteryPage();
    QCOMPARE(BatteryTicks, 3726);
    QCOMPARE(text(page()->StaticText26), "Тест идет: 1:02:05");
    const auto& history = page()->chargeHistory();
    QCOMPARE(history.size(), 3726u);
    QCOMPARE(QString::fromStdString(history.label(3725)), "1:02:05");
    QCOMPARE(history.back().y, std::uint8_t(80 - 3726 / 200));
    for (std::size_t i = 0; i < history.size(); ++i) {
        QCOMPARE(history.at(i).x, static_cast<std::int32_t>(i));
    }
    // The drawn series may be thinner than the stored one, never fuller, and spans the whole run.
    QVERIFY(page()->Series1->count() > 0);
    QVERIFY(page()->Series1->count() <= 3726);
    QCOMPARE(page()->Series1->at(0).x(), 0.0);
    QCOMPARE(page()->Series1->at(page()->Series1->count() - 1).x(), 3725.0);
    QCOMPARE(page()->BottomAxis->min(), 0.0);
    QCOMPARE(page()->BottomAxis->max(), 3725.0);
    QCOMPARE(page()->LeftAxis->min(), 0.0);
    QCOMPARE(page()->LeftAxis->max(), 101.0);
    QCOMPARE(page()->Series2->count(), 0);

    const QStringList labels = page()->BottomAxis->categoriesLabels();
    QVERIFY2(labels.size() >= 2, qPrintable(labels.join(' ')));
    for (const QString& label : labels) {
        const double at = page()->BottomAxis->endValue(label);
        QVERIFY(at >= 0 && at <= 3725);
        QCOMPARE(label, QString::fromStdString(battery::elapsedText(static_cast<std::int32_t>(at))));
    }
}

void BatteryWindowTest::forecastAfterThreeDrops() {
    power_->script = discharging;
    QTest::mouseClick(page()->Button9, Qt::LeftButton);
    QVERIFY(!page()->Button9->isEnabled());
    QVERIFY(form_->Timer3->isActive());
    QCOMPARE(text(page()->StaticText24), "Идёт анализ ");

    ticks(599, true);
    QVERIFY(form_->Timer3->isActive());
    QVERIFY(text(page()->StaticText24).startsWith("Идёт анализ "));
    ticks(1, true);
    QCOMPARE(text(page()->StaticText24), "Осталось: 4:16 мин.");
    QVERIFY(page()->Button9->isEnabled());
    QVERIFY(!form_->Timer3->isActive());

    // Starting over leaves the chart alone.
    QTest::mouseClick(page()->Button9, Qt::LeftButton);
    QCOMPARE(text(page()->StaticText24), "Идёт анализ ");
    QCOMPARE(page()->chargeHistory().size(), 600u);
    QVERIFY(form_->Timer3->isActive());
}

void BatteryWindowTest::chargingKeepsTheAnalysisRunning() {
    power_->script = [](int poll) {
        Status status = onBattery(static_cast<std::uint8_t>(std::min(100, 40 + poll / 30)));
        status.ACLineStatus = 1;
        status.BatteryFlag = Status::kFlagCharging;
        return status;
    };
    QTest::mouseClick(page()->Button9, Qt::LeftButton);
    ticks(2000, true);
    QVERIFY(form_->Timer3->isActive());
    QVERIFY(!page()->Button9->isEnabled());
    const QString progress = text(page()->StaticText24);
    QVERIFY(QRegularExpression("^Идёт анализ \\.{0,18}$").match(progress).hasMatch());
}

void BatteryWindowTest::zoomHoldsWhileTicksArriveUntilReset() {
    power_->script = discharging;
    showBatteryPage();
    ticks(1000);
    QCoreApplication::processEvents();

    QChart* chart = page()->Chart1->chart();
    const QRectF plot = chart->plotArea();
    chart->zoomIn(QRectF(plot.left(), plot.top(), plot.width() / 4, plot.height()));
    const double zoomedMax = page()->BottomAxis->max();
    QVERIFY(zoomedMax < 400);
    for (int i = 0; i < page()->Series1->count(); ++i) {
        // What is drawn belongs to the zoomed range, give or take the one point beyond each edge.
        QVERIFY(page()->Series1->at(i).x() <= zoomedMax + 1);
    }
    ticks(10);
    QCOMPARE(page()->BottomAxis->max(), zoomedMax);
    QCOMPARE(page()->chargeHistory().size(), 1010u);

    QTest::mouseClick(page()->Chart1->viewport(), Qt::RightButton, {},
                      page()->Chart1->viewport()->rect().center());
    QCOMPARE(page()->BottomAxis->max(), 1009.0);
    QCOMPARE(page()->Series1->at(page()->Series1->count() - 1).x(), 1009.0);
}

void BatteryWindowTest::pageReadsRightInAScreenshot() {
    power_->script = discharging;
    showBatteryPage();
    QTest::mouseClick(page()->Button9, Qt::LeftButton);
    ticks(3600, true);
    QTest::qWait(50);

    const QImage shot = form_->grab().toImage();
    const QString path = QDir(QDir::tempPath()).filePath("vexlin-battery-page.png");
    QVERIFY(shot.save(path));
    qInfo("screenshot: %s", qPrintable(path));

    // The red charge line is on the chart.
    const QImage chart = page()->Chart1->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int red = 0;
    for (int y = 0; y < chart.height(); ++y) {
        for (int x = 0; x < chart.width(); ++x) {
            red += chart.pixel(x, y) == qRgb(255, 0, 0);
        }
    }
    QVERIFY2(red > chart.width() / 2, qPrintable(QString("%1 red pixels").arg(red)));
    QCOMPARE(text(page()->StaticText24), "Осталось: 4:16 мин.");
}

void BatteryWindowTest::trayPictureReleasedWithTheWindow() {
    ticks(1);
    QVERIFY(!TrayIconHandle.isNull());
    delete form_;
    form_ = nullptr;
    QVERIFY(TrayIconHandle.isNull());
}

} // namespace vexlin

QTEST_MAIN(vexlin::BatteryWindowTest)
#include "BatteryWindowTest.moc"
