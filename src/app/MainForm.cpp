#include "app/MainForm.h"

#include "app/AboutForm.h"
#include "app/Forms.h"
#include "app/OptionsForm.h"
#include "app/ShellOpen.h"
#include "app/ToolMessage.h"
#include "audio/SoundForm.h"
#include "battery/BatteryPage.h"
#include "battery/MonitorTexts.h"
#include "battery/TrayIcon.h"
#include "gfx/PerformanceForm.h"
#include "keyboard/FormKlava.h"
#include "report/ResultsPage.h"
#include "report/TestForm.h"
#include "screen/MonitorForm.h"
#include "sysinfo/ClockThermalWatch.h"
#include "sysinfo/SystemPage.h"
#include "ui/Dialogs.h"
#include "ui/Globals.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMoveEvent>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace vexlin {
namespace {

constexpr int kButtonX = 8;
constexpr int kButtonWidth = 129;
constexpr int kButtonHeight = 25;
constexpr int kColumnWidth = 145;
constexpr int kBottomPanelHeight = 131;
constexpr QSize kOuterSize{810, 620};
constexpr int kFirstActivationWait = 500; // ms

QTimer* makeTimer(QObject* owner, const char* name, int interval) {
    auto* timer = new QTimer(owner);
    timer->setObjectName(name);
    timer->setInterval(interval);
    return timer;
}

QAction* addItem(QMenu* menu, const char* name, const char* caption) {
    auto* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(name);
    return action;
}

} // namespace

TMainForm::TMainForm(AppServices& services, QWidget* parent) : QMainWindow(parent), services_(services) {
    setObjectName("MainForm");
    setWindowTitle("Vexlin");
    QFont font("MS Sans Serif");
    font.setPixelSize(11);
    setFont(font);

    buildButtonColumn();

    PageControl1 = new QTabWidget;
    PageControl1->setObjectName("PageControl1");
    PageControl1->setTabPosition(QTabWidget::South);
    PageControl1->setMinimumWidth(631);
    TabSheet1 = new SystemPage(services_);
    TabSheet2 = new BatteryPage(services_);
    PageControl1->addTab(TabSheet1, "Система");
    PageControl1->addTab(TabSheet2, "Батарея");
    TabSheet3 = new ResultsPage(services_.results);
    PageControl1->addTab(TabSheet3, "Итоги");

    Splitter1 = new QSplitter(Qt::Horizontal);
    Splitter1->setObjectName("Splitter1");
    Splitter1->setHandleWidth(4);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->addWidget(Panel1->parentWidget());
    Splitter1->addWidget(PageControl1);
    Splitter1->setStretchFactor(1, 1);
    setCentralWidget(Splitter1);

    StatusBar1 = new QStatusBar;
    StatusBar1->setObjectName("StatusBar1");
    setStatusBar(StatusBar1);

    Timer1 = makeTimer(this, "Timer1", 1000);
    Timer2 = makeTimer(this, "Timer2", 50);
    Timer3 = makeTimer(this, "Timer3", 1000);
    TimerWallpaper = makeTimer(this, "TimerWallpaper", 60000);
    connect(Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &TMainForm::Timer2Timer);
    connect(Timer3, &QTimer::timeout, this, &TMainForm::Timer3Timer);
    // The results of the tests come in while the program runs; the page follows once a second.
    connect(Timer1, &QTimer::timeout, TabSheet3, &ResultsPage::refresh);
    TabSheet2->Timer3 = Timer3;
    Timer1->start();
    ClockThermal = new ClockThermalWatch(services_.thermal.get(), services_.results, this);

    buildMenus();

    connect(TabSheet1->Button7, &QPushButton::clicked, this, &TMainForm::Button7Click);
    connect(TabSheet1->Button8, &QPushButton::clicked, this, &TMainForm::Button8Click);
    connect(TabSheet2->Button9, &QPushButton::clicked, TabSheet2, &BatteryPage::Button9Click);
    connect(TabSheet2, &BatteryPage::heavyLoadRequested, this, &TMainForm::Button2Click);

    resize(kOuterSize);
    FormCreate();
}

TMainForm::~TMainForm() {
    if (trayEntry_) {
        trayEntry_->remove();
    }
    TrayIconHandle = QIcon();
}

QPushButton* TMainForm::addTestButton(QWidget* panel, const char* name, const char* caption, int y,
                                      const char* below) {
    auto* button = new QPushButton(QString::fromUtf8(caption), panel);
    button->setObjectName(name);
    button->setGeometry(kButtonX, y, kButtonWidth, kButtonHeight);
    auto* text = new QLabel(QString::fromUtf8(below), panel);
    text->setObjectName(QString("StaticText") + QString(name).mid(QString("Button").size()));
    text->setGeometry(kButtonX, y + kButtonHeight + 6, kButtonWidth, 17);
    return button;
}

void TMainForm::buildButtonColumn() {
    auto* column = new QWidget;
    column->setObjectName("LeftColumn");
    column->setMinimumWidth(kColumnWidth);
    column->setMaximumWidth(kColumnWidth * 2);

    Panel1 = new QWidget(column);
    Panel1->setObjectName("Panel1");
    // The buttons end above y = 310; the rest of the column is free space that gives way to the pages.
    Panel1->setMinimumSize(kColumnWidth, 310);
    Button1 = addTestButton(Panel1, "Button1", "Экран", 8, "Время теста: 1 мин.");
    Button2 = addTestButton(Panel1, "Button2", "Производительность", 72, "Время теста: 3 мин.");
    Button3 = addTestButton(Panel1, "Button3", "Батарея", 136, "Время теста: 100 мин.");
    Button4 = addTestButton(Panel1, "Button4", "Клавиатура", 200, "Время теста: 2 мин.");
    Button5 = addTestButton(Panel1, "Button5", "Аудио тест", 264, "Время теста: 1 мин.");

    Panel2 = new QWidget(column);
    Panel2->setObjectName("Panel2");
    Panel2->setFixedHeight(kBottomPanelHeight);
    Button6 = addTestButton(Panel2, "Button6", "Полный тест", 16, "Время теста: 107 мин.");
    Button6->setFixedSize(kButtonWidth, 89);
    Panel2->findChild<QLabel*>("StaticText6")->move(kButtonX, 16 + 89 + 4);

    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1, 1);
    layout->addWidget(Panel2);

    connect(Button1, &QPushButton::clicked, this, &TMainForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TMainForm::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TMainForm::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TMainForm::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TMainForm::Button5Click);
    connect(Button6, &QPushButton::clicked, this, &TMainForm::Button6Click);
}

void TMainForm::buildMenus() {
    auto* bar = menuBar();
    bar->setObjectName("MainMenu1");

    auto* file = bar->addMenu("&Файл");
    file->setObjectName("MenuFile");
    auto* exit = addItem(file, "MenuExit", "Выход");
    exit->setShortcut(QKeySequence("Ctrl+X"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    auto* tests = bar->addMenu("Тесты");
    tests->setObjectName("MenuTests");
    connect(addItem(tests, "MenuTestScreen", "Экран"), &QAction::triggered, Button1, &QPushButton::click);
    connect(addItem(tests, "MenuTestPerformance", "Производительность"), &QAction::triggered, Button2,
            &QPushButton::click);
    connect(addItem(tests, "MenuTestBattery", "Батарея"), &QAction::triggered, Button3, &QPushButton::click);
    connect(addItem(tests, "MenuTestKeyboard", "Клавиатура"), &QAction::triggered, Button4,
            &QPushButton::click);
    connect(addItem(tests, "MenuTestAudio", "Аудио тест"), &QAction::triggered, Button5, &QPushButton::click);
    tests->addSeparator();
    // A user choosing "Полный тест" from the menu expects the full test, as from its button.
    connect(addItem(tests, "MenuTestFull", "Полный тест"), &QAction::triggered, Button6, &QPushButton::click);

    auto* tools = bar->addMenu("Инструментальные Средства");
    tools->setObjectName("MenuTools");
    struct Tool {
        const char* name;
        const char* caption;
        const char* commandLine;
        bool separatorBefore;
    };
    static const Tool kTools[] = {
        {"MenuToolWatson", "Доктор Ватсон для Windows", "drwtsn32", false},
        {"MenuToolDxDiag", "Средство диагностики DirectX", "dxdiag", false},
        {"MenuToolComponents", "Службы компонентов", "mmc C:\\windows\\system32\\com\\comexp.msc", true},
        {"MenuToolRegistry", "Редактор реестра", "regedit", false},
        {"MenuToolSysEdit", "Редактор файлов настройки", "sysedit", false},
        {"MenuToolMsInfo", "Сведения о системе",
         "C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe", true},
        {"MenuToolControl", "Панель управления", "control", true},
    };
    for (const auto& tool : kTools) {
        if (tool.separatorBefore) {
            tools->addSeparator();
        }
        auto* action = addItem(tools, tool.name, tool.caption);
        connect(action, &QAction::triggered, this,
                [this, tool] { runTool(QString::fromUtf8(tool.caption), tool.commandLine); });
    }

    auto* options = bar->addAction("Опции");
    options->setObjectName("MenuOptions");
    connect(options, &QAction::triggered, this, &TMainForm::OptionsClick);

    auto* help = bar->addMenu("Помощь");
    help->setObjectName("MenuHelp");
    auto* contents = addItem(help, "MenuHelpContents", "VXL Help");
    contents->setShortcut(QKeySequence(Qt::Key_F1));
    contents->setShortcutContext(Qt::ApplicationShortcut);
    connect(contents, &QAction::triggered, this, &TMainForm::HelpClick);
    help->addSeparator();
    connect(addItem(help, "MenuAbout", "О программе..."), &QAction::triggered, this, &TMainForm::AboutClick);
}

void TMainForm::FormCreate() {
    TrayIconHandle = MakeTextIcon("!!!!");
    trayEntry_ = std::make_unique<TrayEntry>();
    trayEntry_->add(TrayIconHandle, "Vexlin");
    FullTestRunning = false;
    TabSheet1->FormCreate();
}

void TMainForm::FormShow() {
    TabSheet1->FormShow();
    TabSheet2->findRundowns();
}

void TMainForm::FormActivate() {
    activatedOnce_ = true;
    TabSheet1->FormActivate();
}

void TMainForm::openModal(QDialog* window) {
    Timer2->stop();
    ClockThermal->setRunning(false);
    if (window != nullptr) {
        window->exec();
    }
}

void TMainForm::Button1Click() {
    openModal(MonitorForm);
}
void TMainForm::Button2Click() {
    openModal(Form1);
}
void TMainForm::Button4Click() {
    openModal(FormKlava);
}
void TMainForm::Button5Click() {
    openModal(SoundForm);
}
void TMainForm::Button6Click() {
    openModal(TestForm);
}

void TMainForm::Button3Click() {
    PageControl1->setCurrentIndex(1);
    if (!Timer1->isActive()) {
        Timer1->start();
    }
}

void TMainForm::Button7Click() {
    runTool("Свойства: Экран", "rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,3");
}

void TMainForm::Button8Click() {
    runTool("Установка и удаление программ", "rundll32.exe shell32.dll,Control_RunDLL appwiz.cpl");
}

void TMainForm::runTool(const QString& title, const char* windowsCommandLine) {
    const auto result = services_.launcher->run(windowsCommandLine);
    if (!result.launched) {
        dialogs().message(this, "Vexlin",
                          QString::fromStdString(missingToolText(title.toStdString(), result.lookedFor)),
                          Dialogs::Icon::Warning);
    }
}

void TMainForm::Timer1Timer() {
    PowerStatus = services_.power->read();
    const battery::MonitorTick tick = battery::monitorTick(PowerStatus, BatteryTicks);
    TabSheet2->showTexts(tick);
    // Assigning the new picture lets go of the one shown until now.
    TrayIconHandle = MakeTextIcon(QString::fromStdString(tick.tray.picture));
    trayEntry_->modify(TrayIconHandle, QString::fromStdString(tick.tray.tip));
    TabSheet2->addChartPoint(tick);
    TabSheet2->pollHealth();
    ++BatteryTicks;
}

QIcon TMainForm::MakeTextIcon(const QString& text) const {
    return makeTextIcon(text, font());
}

void TMainForm::Timer2Timer() {
    TabSheet1->Timer2Timer();
}

void TMainForm::Timer3Timer() {
    TabSheet2->Timer3Timer();
}

void TMainForm::HelpClick() {
    openManual(this, services_.lane.get());
}

void TMainForm::OptionsClick() {
    if (OptionsForm != nullptr) {
        OptionsForm->exec();
    }
}

void TMainForm::AboutClick() {
    if (AboutForm != nullptr) {
        AboutForm->exec();
    }
}

bool TMainForm::measureOptionTicked() const {
    return OptionsForm != nullptr && OptionsForm->measureOptionTicked();
}

void TMainForm::setClockTimerRunning(bool running) {
    if (running) {
        Timer2->start();
    } else {
        Timer2->stop();
    }
    ClockThermal->setRunning(running);
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        settleOuterSize();
        // Without a window manager (or with one that does not focus new windows) the main window is never
        // activated, and the page would stay empty: fill it once anyway.
        QTimer::singleShot(kFirstActivationWait, this, [this] {
            if (!activatedOnce_) {
                FormActivate();
            }
        });
    }
    FormShow();
}

void TMainForm::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    settleOuterSize();
}

// The window manager frames the window some time after it is shown; once the frame is known the window gets
// its designed outer size and is centred on the desktop.
void TMainForm::settleOuterSize() {
    if (outerSizeSettled_ || !isVisible()) {
        return;
    }
    const QSize frame = frameGeometry().size() - geometry().size();
    if (frame.width() <= 0 && frame.height() <= 0) {
        return; // not framed yet (or no window manager): a later move tells
    }
    outerSizeSettled_ = true;
    resize(kOuterSize - frame);
    if (const auto* screen = this->screen()) {
        const QRect desktop = screen->availableGeometry();
        move(desktop.x() + (desktop.width() - kOuterSize.width()) / 2,
             desktop.y() + (desktop.height() - kOuterSize.height()) / 2);
    }
}

void TMainForm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        FormActivate();
    }
}

void TMainForm::paintEvent(QPaintEvent* event) {
    QMainWindow::paintEvent(event);
    // Each repaint postpones the next measurement by a full period.
    if (measureOptionTicked() && Timer2->isActive()) {
        Timer2->stop();
        Timer2->start();
    }
}

void TMainForm::closeEvent(QCloseEvent* event) {
    event->accept();
    // The main window ends the program although the other windows still exist.
    QApplication::quit();
}

} // namespace vexlin
