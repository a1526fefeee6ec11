#include "battery/BatteryPage.h"

#include "battery/RundownResult.h"
#include "platform/RundownStorage.h"
#include "ui/Dialogs.h"
#include "ui/Globals.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <chrono>
#include <functional>
#include <tuple>

namespace vexlin {
namespace {

constexpr int kStripHeight = 57;
constexpr int kRightPanelWidth = 150;
constexpr double kPercentAxisTop = 101;
// Enough labels to read the time without them running into each other at the page's width.
constexpr int kBottomLabelWidth = 70;
// Until the chart has been laid out once.
constexpr int kDefaultPlotWidth = 600;
// A journal of a day holds about 1 MB; anything far beyond is not one of ours.
constexpr std::size_t kMaxJournalBytes = 64u << 20;
// Journals kept in the folder: a day-long run writes about a megabyte, and what older runs measured is in the
// reports saved at the time.
constexpr std::size_t kKeptJournals = 20;
constexpr const char* kProgramVersion = "0.7.1";

const char* const kRundownExplanation =
    "Разрядный тест измерит, сколько энергии батарея отдаёт на самом деле, от нынешнего заряда до "
    "выключения. Отключите сеть; экран останется включённым. Тест закончится, когда система уснёт или "
    "выключится на низком заряде или когда подключат сеть; каждое измерение сразу записывается на диск, и "
    "результат появится при следующем запуске Vexlin.\n\n"
    "«Как при работе»: экран включён, без дополнительной нагрузки. «Под нагрузкой»: окно теста "
    "производительности рисует без остановки, и тест идёт часы, а не сутки; закройте окно, чтобы снять "
    "нагрузку.";

std::optional<battery::RundownLoad> askRundownLoad(QWidget* parent) {
    QMessageBox box(QMessageBox::Information, "Разрядный тест", QString::fromUtf8(kRundownExplanation),
                    QMessageBox::NoButton, parent);
    auto* work = box.addButton("Как при работе", QMessageBox::AcceptRole);
    auto* load = box.addButton("Под нагрузкой", QMessageBox::AcceptRole);
    box.addButton("Отмена", QMessageBox::RejectRole);
    box.exec();
    if (box.clickedButton() == work) {
        return battery::RundownLoad::Work;
    }
    if (box.clickedButton() == load) {
        return battery::RundownLoad::Load;
    }
    return std::nullopt;
}

QLabel* sunkenText(QWidget* parent, const char* name, int x, int y, int width = 129) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setGeometry(x, y, width, 17);
    return label;
}

// The fields keep their designed 129-pixel width, which cuts the longer texts (all five flag texts run
// together); the tip shows the whole text.
void setFieldText(QLabel* field, const std::string& text) {
    const QString whole = QString::fromStdString(text);
    field->setText(whole);
    field->setToolTip(whole);
}

} // namespace

// Drag-to-zoom as in the chart's own rubber band; the right button goes back to the whole run.  No panning.
class ChargeChartView : public QChartView {
public:
    ChargeChartView(QChart* chart, std::function<void()> onZoomReset)
        : QChartView(chart), onZoomReset_(std::move(onZoomReset)) {
        setRubberBand(QChartView::RectangleRubberBand);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::RightButton) {
            chart()->zoomReset();
            onZoomReset_();
            event->accept();
            return;
        }
        QChartView::mouseReleaseEvent(event);
    }

private:
    std::function<void()> onZoomReset_;
};

namespace {

// The interface is Russian throughout, so its numbers are written as a Russian reader writes them (38,2)
// whatever the system's own locale.
std::string russianDecimalSeparator() {
    return QLocale(QLocale::Russian, QLocale::Russia).decimalPoint().toStdString();
}

double steadySeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

BatteryPage::BatteryPage(AppServices& services, QWidget* parent)
    : QWidget(parent), services_(services), health_(services.results, russianDecimalSeparator()),
      healthClock_(steadySeconds), rundownFolder_(platform::rundownDirectory()),
      bootId_(platform::readBootId()) {
    setObjectName("TabSheet2");
    rundownOptions_.programVersion = kProgramVersion;
    rundownChooser_ = [this] { return askRundownLoad(this); };
    auto* strip = new QWidget;
    strip->setObjectName("TopStrip");
    strip->setFixedHeight(kStripHeight);
    buildTopStrip(strip);
    buildChart();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(strip);
    layout->addWidget(buildRundownRow());
    layout->addWidget(Chart1, 1);
}

BatteryPage::~BatteryPage() = default;

void BatteryPage::buildTopStrip(QWidget* strip) {
    auto* left = new QWidget(strip);
    left->setObjectName("TopStripLeft");
    StaticText7 = sunkenText(left, "StaticText7", 8, 8);
    StaticText8 = sunkenText(left, "StaticText8", 8, 32);
    StaticText9 = sunkenText(left, "StaticText9", 144, 8);
    StaticText10 = sunkenText(left, "StaticText10", 144, 32);
    Label16 = new QLabel("Прогноз времени работы от батареи", left);
    Label16->setObjectName("Label16");
    Label16->move(280, 8);
    Label16->adjustSize();
    StaticText24 = sunkenText(left, "StaticText24", 280, 32);
    Button9 = new QPushButton("Считать", left);
    Button9->setObjectName("Button9");
    Button9->setGeometry(415, 24, 55, 26);

    Panel3 = new QWidget(strip);
    Panel3->setObjectName("Panel3");
    Panel3->setFixedWidth(kRightPanelWidth);
    StaticText26 = sunkenText(Panel3, "StaticText26", 2, (kStripHeight - 17) / 2, 145);

    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(left, 1);
    row->addWidget(Panel3);
}

void BatteryPage::buildChart() {
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setAnimationOptions(QChart::NoAnimation);
    // A flat panel in the page's colour around a white back wall.
    chart->setBackgroundBrush(palette().window());
    chart->setBackgroundRoundness(0);
    chart->setDropShadowEnabled(false);
    chart->setMargins(QMargins(4, 4, 8, 4));
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    chart->setPlotAreaBackgroundBrush(Qt::white);
    chart->setPlotAreaBackgroundVisible(true);

    Series1 = new QLineSeries;
    Series1->setObjectName("Series1");
    Series1->setName("Батарея");
    Series1->setPen(QPen(Qt::red, 1));
    Series1->setPointsVisible(false);
    Series2 = new QLineSeries;
    Series2->setObjectName("Series2");
    Series2->setName("Эталонная батарея");
    Series2->setPen(QPen(Qt::green, 1));
    Series2->setPointsVisible(false);
    chart->addSeries(Series1);
    chart->addSeries(Series2);

    LeftAxis = new QValueAxis;
    LeftAxis->setObjectName("LeftAxis");
    LeftAxis->setRange(0, kPercentAxisTop);
    LeftAxis->setTickType(QValueAxis::TicksDynamic);
    LeftAxis->setTickAnchor(0);
    LeftAxis->setTickInterval(10);
    LeftAxis->setLabelFormat("%.0f");
    LeftAxis->setTitleText("Заряд батареи в %");

    // Labels only where they are placed, each the label of the point at that tick; a handful of them are
    // rebuilt when the range moves, which stays cheap however long the run.
    BottomAxis = new QCategoryAxis;
    BottomAxis->setObjectName("BottomAxis");
    BottomAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    BottomAxis->setRange(0, 1);

    chart->addAxis(LeftAxis, Qt::AlignLeft);
    chart->addAxis(BottomAxis, Qt::AlignBottom);
    for (auto* series : {Series1, Series2}) {
        series->attachAxis(LeftAxis);
        series->attachAxis(BottomAxis);
    }

    Chart1 = new ChargeChartView(chart, [this] {
        fitBottomAxisToPoints();
        redrawSeries();
    });
    Chart1->setObjectName("Chart1");
    Chart1->setRenderHint(QPainter::Antialiasing, false);
    // Zooming moves the axes; draw what the new range shows.
    connect(BottomAxis, &QValueAxis::rangeChanged, this, [this] {
        if (!adjustingAxes_) {
            redrawSeries();
        }
    });
}

void BatteryPage::showTexts(const battery::MonitorTick& tick) {
    setFieldText(StaticText7, tick.runTime);
    setFieldText(StaticText8, tick.charge);
    setFieldText(StaticText9, tick.flags);
    if (tick.powerSource) {
        setFieldText(StaticText10, *tick.powerSource);
    }
    setFieldText(StaticText26, tick.testRunning);
}

void BatteryPage::addChartPoint(const battery::MonitorTick& tick) {
    history_.append({tick.chartX, tick.chartY});
    // Most of the time the page "Система" is in front: keep the point and draw when the chart is seen.
    if (!Chart1->isVisible()) {
        chartStale_ = true;
        return;
    }
    // While the user looks at a zoomed part the axes stay where they are; the new point joins when it is
    // inside the view or when the zoom is undone.
    if (!Chart1->chart()->isZoomed()) {
        fitBottomAxisToPoints();
    }
    redrawSeries();
}

void BatteryPage::fitBottomAxisToPoints() {
    if (history_.empty()) {
        return;
    }
    const double first = history_.front().x;
    // One point alone still needs a range to stand in.
    const double last = std::max<double>(history_.back().x, first + 1);
    adjustingAxes_ = true;
    BottomAxis->setRange(first, last);
    adjustingAxes_ = false;
}

void BatteryPage::redrawSeries() {
    const double xMin = BottomAxis->min();
    const double xMax = BottomAxis->max();
    const qreal plotWidth = Chart1->chart()->plotArea().width();
    const int columns = plotWidth >= 1 ? static_cast<int>(plotWidth) : kDefaultPlotWidth;
    const auto drawn = history_.pointsToDraw(xMin, xMax, columns);
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(drawn.size()));
    for (const auto& point : drawn) {
        points.append({point.x, point.y});
    }
    Series1->replace(points);
    relabelBottomAxis(xMin, xMax);
}

void BatteryPage::relabelBottomAxis(double xMin, double xMax) {
    const qreal plotWidth = Chart1->chart()->plotArea().width();
    const int width = plotWidth >= 1 ? static_cast<int>(plotWidth) : kDefaultPlotWidth;
    auto positions = battery::axisLabelPositions(xMin, xMax, std::max(2, width / kBottomLabelWidth));
    if (positions == labelPositions_) {
        return;
    }
    labelPositions_ = std::move(positions);
    adjustingAxes_ = true;
    for (const QString& label : BottomAxis->categoriesLabels()) {
        BottomAxis->remove(label);
    }
    BottomAxis->setStartValue(xMin);
    for (const auto position : labelPositions_) {
        BottomAxis->append(QString::fromStdString(battery::elapsedText(position)), position);
    }
    BottomAxis->setRange(xMin, xMax);
    adjustingAxes_ = false;
}

void BatteryPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (chartStale_) {
        chartStale_ = false;
        if (!Chart1->chart()->isZoomed()) {
            fitBottomAxisToPoints();
        }
        redrawSeries();
    }
}

void BatteryPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The plot's width decides how many points are drawn and labels placed; it is known after the layout.
    QTimer::singleShot(0, this, [this] {
        labelPositions_.clear();
        redrawSeries();
    });
}

void BatteryPage::Button9Click() {
    analysis_.start();
    showAnalysis();
}

void BatteryPage::Timer3Timer() {
    analysis_.tick(PowerStatus.BatteryLifePercent);
    showAnalysis();
}

void BatteryPage::pollHealth() {
    if (services_.batteryHealth) {
        health_.tick(*services_.batteryHealth, healthClock_());
    }
}

void BatteryPage::showAnalysis() {
    setFieldText(StaticText24, analysis_.text());
    Button9->setEnabled(!analysis_.running());
    if (Timer3 == nullptr) {
        return;
    }
    if (analysis_.running() && !Timer3->isActive()) {
        Timer3->start();
    } else if (!analysis_.running()) {
        Timer3->stop();
    }
}

QWidget* BatteryPage::buildRundownRow() {
    auto* row = new QWidget;
    row->setObjectName("RundownRow");
    RundownButton = new QPushButton("Разрядный тест");
    RundownButton->setObjectName("RundownButton");
    RundownGroup = new QGroupBox("Разрядный тест идёт");
    RundownGroup->setObjectName("RundownGroup");
    RundownGroup->hide();
    auto* grid = new QGridLayout(RundownGroup);
    grid->setContentsMargins(6, 2, 6, 2);
    const auto field = [&](QLabel*& label, const char* name, int r, int c) {
        label = new QLabel;
        label->setObjectName(name);
        grid->addWidget(label, r, c);
    };
    field(RundownElapsed, "RundownElapsed", 0, 0);
    field(RundownDelivered, "RundownDelivered", 0, 1);
    field(RundownPower, "RundownPower", 0, 2);
    field(RundownCharge, "RundownCharge", 1, 0);
    field(RundownForecast, "RundownForecast", 1, 1);
    RundownStop = new QPushButton("Остановить");
    RundownStop->setObjectName("RundownStop");
    grid->addWidget(RundownStop, 1, 2, Qt::AlignRight);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(8, 2, 8, 2);
    layout->addWidget(RundownButton, 0, Qt::AlignTop);
    layout->addWidget(RundownGroup, 1);
    layout->addStretch();
    RundownTimer = new QTimer(this);
    RundownTimer->setObjectName("RundownTimer");
    RundownTimer->setInterval(1000);
    connect(RundownButton, &QPushButton::clicked, this, &BatteryPage::RundownButtonClick);
    connect(RundownStop, &QPushButton::clicked, this, &BatteryPage::RundownStopClick);
    connect(RundownTimer, &QTimer::timeout, this, &BatteryPage::RundownTimerTimer);
    return row;
}

bool BatteryPage::rundownRunning() const {
    return std::any_of(rundowns_.begin(), rundowns_.end(),
                       [](const Rundown& run) { return run.recorder->running(); });
}

void BatteryPage::RundownButtonClick() {
    if (!services_.batteryHealth || !services_.lane || rundownRunning()) {
        return;
    }
    const auto load = rundownChooser_();
    if (!load) {
        return;
    }
    // Every pack that answers is recorded: a machine with two bays runs one down after the other, and the
    // one it drains first is not known beforehand.  Read on the lane, as the recorders read.
    platform::BatterySnapshot snapshot;
    services_.lane->run([&] { snapshot = services_.batteryHealth->read(); });
    auto names = battery::answeringBatteries(snapshot);
    if (names.empty()) {
        names.emplace_back(); // the recorder's own message says why nothing can run
    }
    std::vector<Rundown> started;
    std::string failure;
    for (const auto& name : names) {
        auto options = rundownOptions_;
        options.bootId = bootId_;
        options.battery = name;
        auto recorder = std::make_unique<battery::RundownRecorder>(*services_.lane, *services_.batteryHealth,
                                                                   rundownFolder_, std::move(options));
        if (failure = recorder->start(*load); !failure.empty()) {
            break;
        }
        started.push_back({std::move(recorder), 0, false});
    }
    if (!failure.empty()) {
        for (auto& run : started) {
            run.recorder->stop(battery::JournalEndReason::Stopped);
        }
        dialogs().message(this, "Разрядный тест", QString::fromStdString(failure), Dialogs::Icon::Warning);
        return;
    }
    rundowns_ = std::move(started);
    for (auto& run : rundowns_) {
        run.number = journalNumber(run.recorder->file());
    }
    RundownButton->setEnabled(false);
    RundownGroup->setTitle("Разрядный тест идёт");
    RundownGroup->show();
    RundownStop->setEnabled(true);
    rundownElapsed_.start();
    RundownTimer->start();
    RundownTimerTimer();
    if (*load == battery::RundownLoad::Load) {
        // After the click has been handled: the performance window is modal.
        QTimer::singleShot(0, this, [this] { emit heavyLoadRequested(); });
    }
}

void BatteryPage::RundownStopClick() {
    bool stopped = false;
    for (auto& run : rundowns_) {
        if (run.recorder->running()) {
            run.recorder->stop(battery::JournalEndReason::Stopped);
            stopped = true;
        }
    }
    if (stopped) {
        RundownTimerTimer();
    }
}

int BatteryPage::journalNumber(const std::filesystem::path& file) const {
    const auto journals = platform::rundownJournals(rundownFolder_);
    const auto at = std::find(journals.begin(), journals.end(), file);
    return static_cast<int>(at - journals.begin()) + 1;
}

void BatteryPage::putRundownResult(int number, const battery::Journal& journal, bool live) {
    battery::RundownContext context;
    context.live = live;
    context.bootId = bootId_;
    context.decimalSeparator = russianDecimalSeparator();
    const auto result = battery::rundownResult(journal, context);
    services_.results.put(battery::rundownLine(journal, result, number, context.decimalSeparator));
}

void BatteryPage::RundownTimerTimer() {
    if (rundowns_.empty()) {
        return;
    }
    battery::RundownContext context;
    context.bootId = bootId_;
    context.decimalSeparator = russianDecimalSeparator();
    // The live group follows the pack that delivers now; the others go on being recorded beside it.
    std::optional<battery::RundownLiveTexts> shown;
    std::string shownName;
    std::tuple<bool, bool, double> shownRank{}; // running, discharging, its rate
    std::vector<std::string> live;
    QStringList failures;
    for (auto& run : rundowns_) {
        const bool running = run.recorder->running();
        const auto journal = running ? run.recorder->liveJournal() : run.recorder->journal();
        context.live = running;
        const auto result = battery::rundownResult(journal, context);
        putRundownResult(run.number, journal, running);
        const double rate = journal.readings.empty() || !journal.readings.back().rate
                                ? 0.0
                                : static_cast<double>(*journal.readings.back().rate);
        const bool delivering = !journal.readings.empty() &&
                                journal.readings.back().status == battery::JournalStatus::Discharging;
        const auto rank = std::make_tuple(running, delivering, rate);
        if (!shown || rank > shownRank) {
            const double sinceStart = running ? rundownElapsed_.elapsed() / 1000.0 : 0.0;
            shown = battery::liveTexts(journal, result, sinceStart, context.decimalSeparator);
            shownName = journal.header.battery;
            shownRank = rank;
        }
        if (running) {
            live.push_back(journal.header.battery);
        } else if (!run.finished) {
            run.finished = true;
            markRundownSeen(run.recorder->file());
            if (const auto failure = run.recorder->error(); !failure.empty()) {
                failures.push_back(QString::fromStdString(failure));
            }
        }
    }
    setFieldText(RundownElapsed, shown->elapsed);
    setFieldText(RundownDelivered, shown->delivered);
    setFieldText(RundownPower, shown->power);
    setFieldText(RundownCharge, shown->charge);
    setFieldText(RundownForecast, shown->forecast);
    const bool over = live.empty();
    QString title = over ? "Разрядный тест окончен" : "Разрядный тест идёт";
    if (rundowns_.size() > 1) {
        QStringList names;
        for (const auto& name : live) {
            names.push_back(QString::fromStdString(name));
        }
        title += ": показана " + QString::fromStdString(shownName);
        if (!over) {
            title += ", записываются " + names.join(", ");
        }
    }
    RundownGroup->setTitle(title);
    if (over) {
        RundownTimer->stop();
        RundownButton->setEnabled(true);
        RundownStop->setEnabled(false);
    }
    for (const auto& failure : failures) {
        dialogs().message(this, "Разрядный тест", failure, Dialogs::Icon::Warning);
    }
}

// Beside a journal, a mark that its end has been told: the next start shows its result without a message.
std::filesystem::path BatteryPage::seenMark(const std::filesystem::path& journal) {
    auto mark = journal;
    mark += ".shown";
    return mark;
}

void BatteryPage::markRundownSeen(const std::filesystem::path& journal) {
    platform::AppendOnlyFile mark;
    mark.create(seenMark(journal));
}

void BatteryPage::findRundowns() {
    if (rundownsFound_ || rundownFolder_.empty()) {
        return;
    }
    rundownsFound_ = true;
    // Only at start, before the results are numbered: a run of this session never vanishes under the page.
    platform::pruneRundownJournals(rundownFolder_, kKeptJournals);
    QStringList messages;
    const auto journals = platform::rundownJournals(rundownFolder_);
    for (std::size_t i = 0; i < journals.size(); ++i) {
        const auto& file = journals[i];
        const auto text = platform::readWholeFile(file, kMaxJournalBytes);
        const auto parsed = battery::parseJournal(text.value_or(""));
        if (!parsed.journal) {
            results::ResultLine line;
            line.source = "battery";
            line.key = "rundown." + std::to_string(i + 1);
            line.what = "Разрядный тест";
            line.value = file.filename().string() + ": " +
                         (text ? parsed.error->message : std::string("журнал не читается"));
            services_.results.put(line);
            continue;
        }
        putRundownResult(static_cast<int>(i) + 1, *parsed.journal, false);
        // Said once: a run that ended while Vexlin was not there to see it.
        std::error_code error;
        if (std::filesystem::exists(seenMark(file), error)) {
            continue;
        }
        battery::RundownContext context;
        context.bootId = bootId_;
        context.decimalSeparator = russianDecimalSeparator();
        const auto result = battery::rundownResult(*parsed.journal, context);
        messages.push_back(QString::fromStdString(battery::finishedRunMessage(*parsed.journal, result)));
        markRundownSeen(file);
    }
    // Once the main window is on the screen, not before it.
    if (!messages.isEmpty()) {
        QTimer::singleShot(0, this, [this, messages] {
            for (const auto& message : messages) {
                dialogs().message(this, "Разрядный тест", message, Dialogs::Icon::Information);
            }
        });
    }
}

} // namespace vexlin
