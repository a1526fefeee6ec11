#include "Fakes.h"
#include "app/AboutForm.h"
#include "app/Application.h"
#include "app/Forms.h"
#include "app/LogoForm.h"
#include "app/MainForm.h"
#include "app/OptionsForm.h"
#include "app/Startup.h"
#include "keyboard/FormKlava.h"
#include "ui/Dialogs.h"
#include "ui/Globals.h"

#include <QAction>
#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>
#include <stdexcept>

using namespace vexlin;
using vexlin::testing::FakeServices;

// Records the URLs the desktop would have opened.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

class ActivationBlocker : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        return event->type() == QEvent::ActivationChange || event->type() == QEvent::WindowActivate;
    }
};

class ShellTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void splashShowsTheCharge_data();
    void splashShowsTheCharge();
    void secondInstanceIsToldAndEnds_data();
    void secondInstanceIsToldAndEnds();

    void mainWindowControls_data();
    void mainWindowControls();
    void mainWindowPagesTimersAndCaptions();
    void menuItemsShortcutsAndSeparators_data();
    void menuItemsShortcutsAndSeparators();
    void testButtonStopsClockTimerBeforeItsWindowOpens_data();
    void testButtonStopsClockTimerBeforeItsWindowOpens();
    void batteryButtonSelectsItsPage();
    void optionsCheckBoxDrivesClockTimerAndSave();
    void closingATestWindowResumesTheClock_data();
    void closingATestWindowResumesTheClock();
    void repaintPostponesTheMeasurement();
    void missingToolIsReportedByName();
    void launchedToolSaysNothing();
    void helpOpensTheManual();
    void aboutWindow();
    void handlerErrorIsShownAndTheProgramGoesOn();
    void mainWindowHasItsOuterSize();
    void pageIsFilledEvenWhenNothingActivatesTheWindow();

private:
    void openAndClose(QDialog* window, QString* seenTitle = nullptr, bool* clockWasRunning = nullptr);

    std::unique_ptr<FakeServices> fakes_;
    std::unique_ptr<ScopedRecordingDialogs> dialogs_;
};

void ShellTest::init() {
    dialogs_ = std::make_unique<ScopedRecordingDialogs>();
    fakes_ = std::make_unique<FakeServices>();
    FullTestRunning = false;
    FullTestStep = 0;
    createWindows(fakes_->services);
}

void ShellTest::cleanup() {
    destroyWindows();
    fakes_.reset();
    dialogs_.reset();
}

void ShellTest::splashShowsTheCharge_data() {
    QTest::addColumn<int>("percent");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("bar");
    QTest::newRow("empty") << 0 << "Батарея заряжена на 0 %" << 0;
    QTest::newRow("half") << 57 << "Батарея заряжена на 57 %" << 57;
    QTest::newRow("full") << 100 << "Батарея заряжена на 100 %" << 100;
    QTest::newRow("101 is not a charge") << 101 << "Батарея не обнаружена" << 0;
    QTest::newRow("unknown") << 255 << "Батарея не обнаружена" << 0;
}

void ShellTest::splashShowsTheCharge() {
    QFETCH(int, percent);
    QFETCH(QString, text);
    QFETCH(int, bar);
    fakes_->power->status.BatteryLifePercent = static_cast<std::uint8_t>(percent);
    TLogoForm splash(*fakes_->power);
    QCOMPARE(splash.Label2->text(), QString("Label2"));
    splash.show();
    QCOMPARE(splash.Label2->text(), text);
    QCOMPARE(splash.ProgressBar1->value(), bar);
    QCOMPARE(splash.ProgressBar1->orientation(), Qt::Vertical);
    QCOMPARE(splash.size(), QSize(358, 153));
    // The battery text is right-aligned against x = 353.
    QCOMPARE(splash.Label2->mapTo(&splash, QPoint(splash.Label2->width(), 0)).x(), 353);
}

class FixedGuard final : public platform::InstanceGuard {
public:
    explicit FixedGuard(State state) : state_(state) {}
    State acquire() override { return state_; }

private:
    State state_;
};

void ShellTest::secondInstanceIsToldAndEnds_data() {
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("refused");
    QTest::newRow("first copy") << int(platform::InstanceGuard::State::Acquired) << false;
    QTest::newRow("second copy") << int(platform::InstanceGuard::State::AlreadyRunning) << true;
    QTest::newRow("no place for the guard") << int(platform::InstanceGuard::State::Unavailable) << false;
}

void ShellTest::secondInstanceIsToldAndEnds() {
    QFETCH(int, state);
    QFETCH(bool, refused);
    FixedGuard guard(static_cast<platform::InstanceGuard::State>(state));
    QCOMPARE(refuseSecondInstance(guard), refused);
    QCOMPARE(dialogs_->shown().size(), refused ? size_t(1) : size_t(0));
    if (refused) {
        QCOMPARE(dialogs_->shown()[0].caption, QString("Vuduredazidazur-Edoduvivodore zirezi"));
        QCOMPARE(
            dialogs_->shown()[0].text,
            QString("Приложение уже запущено (возможно оно свернуто на панели задач): Нажмите кнопку ОК для "
                    "продолжения работы"));
    }
}

void ShellTest::mainWindowControls_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("below");
    QTest::newRow("Button1") << "Button1"
                             << "Экран" << QRect(8, 8, 129, 25) << "Время теста: 1 мин.";
    QTest::newRow("Button2") << "Button2"
                             << "Производительность" << QRect(8, 72, 129, 25) << "Время теста: 3 мин.";
    QTest::newRow("Button3") << "Button3"
                             << "Батарея" << QRect(8, 136, 129, 25) << "Время теста: 100 мин.";
    QTest::newRow("Button4") << "Button4"
                             << "Клавиатура" << QRect(8, 200, 129, 25) << "Время теста: 2 мин.";
    QTest::newRow("Button5") << "Button5"
                             << "Аудио тест" << QRect(8, 264, 129, 25) << "Время теста: 1 мин.";
    QTest::newRow("Button6") << "Button6"
                             << "Полный тест" << QRect(8, 16, 129, 89) << "Время теста: 107 мин.";
}

void ShellTest::mainWindowControls() {
    QFETCH(QString, button);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    QFETCH(QString, below);
    auto* control = MainForm->findChild<QPushButton*>(button);
    QVERIFY(control != nullptr);
    QCOMPARE(control->text(), caption);
    QCOMPARE(control->geometry(), geometry);
    // The text under the button: the label whose top is nearest below the button's bottom.
    QLabel* nearest = nullptr;
    for (auto* label : control->parentWidget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (label->y() >= control->geometry().bottom() && (nearest == nullptr || label->y() < nearest->y())) {
            nearest = label;
        }
    }
    QVERIFY(nearest != nullptr);
    QCOMPARE(nearest->text(), below);
    QVERIFY(nearest->y() - control->geometry().bottom() < 20);
}

void ShellTest::mainWindowPagesTimersAndCaptions() {
    QCOMPARE(MainForm->windowTitle(), QString("Vexlin"));
    QCOMPARE(MainForm->font().pixelSize(), 11);
    QCOMPARE(MainForm->font().family(), QString("MS Sans Serif"));
    auto* pages = MainForm->findChild<QTabWidget*>("PageControl1");
    QVERIFY(pages != nullptr);
    QCOMPARE(pages->tabPosition(), QTabWidget::South);
    QCOMPARE(pages->count(), 3);
    QCOMPARE(pages->tabText(0), QString("Система"));
    QCOMPARE(pages->tabText(1), QString("Батарея"));
    QCOMPARE(pages->tabText(2), QString("Итоги"));
    QCOMPARE(pages->widget(0)->objectName(), QString("TabSheet1"));
    QCOMPARE(pages->widget(1)->objectName(), QString("TabSheet2"));
    QCOMPARE(pages->widget(2)->objectName(), QString("TabSheet3"));
    QCOMPARE(MainForm->findChild<QPushButton*>("Button7")->text(),
             QString("Свойства: Экран ----> Параметры"));
    QCOMPARE(MainForm->findChild<QPushButton*>("Button8")->text(), QString("Установка и удаление программ"));
    QCOMPARE(MainForm->findChild<QPushButton*>("Button9")->text(), QString("Считать"));

    struct TimerRow {
        const char* name;
        int interval;
        bool running;
    };
    for (const auto& row : {TimerRow{"Timer1", 1000, true}, TimerRow{"Timer2", 50, false},
                            TimerRow{"Timer3", 1000, false}, TimerRow{"TimerWallpaper", 60000, false}}) {
        auto* timer = MainForm->findChild<QTimer*>(row.name);
        QVERIFY2(timer != nullptr, row.name);
        QCOMPARE(timer->interval(), row.interval);
        QCOMPARE(timer->isActive(), row.running);
    }

    // Every window exists once, with its caption, the main window being the first.
    QCOMPARE(OptionsForm->windowTitle(), QString("Опции..."));
    QCOMPARE(AboutForm->windowTitle(), QString("О программе..."));
    QCOMPARE(MainForm->findChild<QDialog*>("MonitorForm")->windowTitle(), QString("Test Monitor"));
    QCOMPARE(MainForm->findChild<QDialog*>("SoundForm")->windowTitle(),
             QString("Тест микрофона и звуковой карты"));
    QVERIFY(MainForm->findChild<QDialog*>("Form1")->windowTitle().startsWith(
        "Производительность видео карты и процессора"));
    QCOMPARE(MainForm->findChild<QDialog*>("TestForm")->windowTitle(), QString("Полный тест"));
    QVERIFY(MainForm->findChild<QDialog*>("FormKlava") != nullptr);
}

void ShellTest::menuItemsShortcutsAndSeparators_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<bool>("separatorBefore");
    QTest::newRow("exit") << "MenuExit"
                          << "Выход"
                          << "Ctrl+X" << false;
    QTest::newRow("screen") << "MenuTestScreen"
                            << "Экран"
                            << "" << false;
    QTest::newRow("full") << "MenuTestFull"
                          << "Полный тест"
                          << "" << true;
    QTest::newRow("watson") << "MenuToolWatson"
                            << "Доктор Ватсон для Windows"
                            << "" << false;
    QTest::newRow("dxdiag") << "MenuToolDxDiag"
                            << "Средство диагностики DirectX"
                            << "" << false;
    QTest::newRow("components") << "MenuToolComponents"
                                << "Службы компонентов"
                                << "" << true;
    QTest::newRow("registry") << "MenuToolRegistry"
                              << "Редактор реестра"
                              << "" << false;
    QTest::newRow("sysedit") << "MenuToolSysEdit"
                             << "Редактор файлов настройки"
                             << "" << false;
    QTest::newRow("msinfo") << "MenuToolMsInfo"
                            << "Сведения о системе"
                            << "" << true;
    QTest::newRow("control") << "MenuToolControl"
                             << "Панель управления"
                             << "" << true;
    QTest::newRow("help") << "MenuHelpContents"
                          << "VXL Help"
                          << "F1" << false;
    QTest::newRow("about") << "MenuAbout"
                           << "О программе..."
                           << "" << true;
}

void ShellTest::menuItemsShortcutsAndSeparators() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, shortcut);
    QFETCH(bool, separatorBefore);
    auto* action = MainForm->findChild<QAction*>(name);
    QVERIFY(action != nullptr);
    QCOMPARE(action->text(), text);
    QCOMPARE(action->shortcut().toString(), shortcut);
    QMenu* menu = nullptr;
    for (auto* candidate : MainForm->menuBar()->findChildren<QMenu*>()) {
        if (candidate->actions().contains(action)) {
            menu = candidate;
        }
    }
    QVERIFY(menu != nullptr);
    const auto actions = menu->actions();
    const auto index = actions.indexOf(action);
    QCOMPARE(index > 0 && actions[index - 1]->isSeparator(), separatorBefore);
}

void ShellTest::openAndClose(QDialog* window, QString* seenTitle, bool* clockWasRunning) {
    QTimer::singleShot(50, window, [=] {
        if (seenTitle != nullptr) {
            *seenTitle = window->isVisible() ? window->objectName() : QString("<not visible>");
        }
        if (clockWasRunning != nullptr) {
            *clockWasRunning = MainForm->Timer2->isActive();
        }
        window->close();
    });
}

void ShellTest::testButtonStopsClockTimerBeforeItsWindowOpens_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("window");
    QTest::newRow("screen") << "Button1"
                            << "MonitorForm";
    QTest::newRow("performance") << "Button2"
                                 << "Form1";
    QTest::newRow("keyboard") << "Button4"
                              << "FormKlava";
    QTest::newRow("audio") << "Button5"
                           << "SoundForm";
    QTest::newRow("full test") << "Button6"
                               << "TestForm";
}

void ShellTest::testButtonStopsClockTimerBeforeItsWindowOpens() {
    QFETCH(QString, button);
    QFETCH(QString, window);
    MainForm->Timer2->start();
    auto* dialog = MainForm->findChild<QDialog*>(window);
    QVERIFY(dialog != nullptr);
    QString seen;
    bool clockRunning = true;
    openAndClose(dialog, &seen, &clockRunning);
    MainForm->findChild<QPushButton*>(button)->click();
    QCOMPARE(seen, window);
    QVERIFY(!clockRunning);
    QVERIFY(!dialog->isVisible());
}

void ShellTest::batteryButtonSelectsItsPage() {
    MainForm->Timer1->stop();
    MainForm->Button3->click();
    QCOMPARE(MainForm->PageControl1->currentIndex(), 1);
    QVERIFY(MainForm->Timer1->isActive());
}

void ShellTest::optionsCheckBoxDrivesClockTimerAndSave() {
    QVERIFY(!OptionsForm->Button1->isEnabled());
    QVERIFY(!OptionsForm->CheckBox2->isEnabled());
    QCOMPARE(OptionsForm->CheckBox1->text(), QString("Считать реальную частоту CPU"));
    QCOMPARE(OptionsForm->CheckBox2->text(), QString("Выводить информацию на рабочий стол"));
    QCOMPARE(OptionsForm->Button1->text(), QString("Сохранить"));

    OptionsForm->CheckBox1->click();
    QVERIFY(OptionsForm->CheckBox1->isChecked());
    QVERIFY(MainForm->Timer2->isActive());
    QVERIFY(OptionsForm->Button1->isEnabled());
    OptionsForm->Button1->click();
    QVERIFY(!OptionsForm->Button1->isEnabled());

    OptionsForm->CheckBox1->click();
    QVERIFY(!MainForm->Timer2->isActive());
    QVERIFY(OptionsForm->Button1->isEnabled());
}

void ShellTest::closingATestWindowResumesTheClock_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<bool>("fullTest");
    QTest::addColumn<bool>("clockAfter");
    QTest::addColumn<int>("stepAfter");
    QTest::newRow("keyboard, option ticked") << "FormKlava" << true << false << true << 0;
    QTest::newRow("keyboard, option off") << "FormKlava" << false << false << false << 0;
    QTest::newRow("keyboard, full test") << "FormKlava" << true << true << false << 16;
    QTest::newRow("performance, full test") << "Form1" << true << true << false << 14;
    QTest::newRow("performance, option ticked") << "Form1" << true << false << true << 0;
    QTest::newRow("audio, full test") << "SoundForm" << false << true << false << 28;
    QTest::newRow("audio, option ticked") << "SoundForm" << true << false << true << 0;
}

void ShellTest::closingATestWindowResumesTheClock() {
    QFETCH(QString, window);
    QFETCH(bool, ticked);
    QFETCH(bool, fullTest);
    QFETCH(bool, clockAfter);
    QFETCH(int, stepAfter);
    OptionsForm->CheckBox1->setChecked(ticked);
    FullTestRunning = fullTest;
    auto* dialog = MainForm->findChild<QDialog*>(window);
    openAndClose(dialog);
    MainForm->Timer2->stop();
    dialog->exec();
    QCOMPARE(MainForm->Timer2->isActive(), clockAfter);
    QCOMPARE(FullTestStep, stepAfter);
}

void ShellTest::repaintPostponesTheMeasurement() {
    // A long period keeps the real measurement from running while the test looks at the timer.
    MainForm->Timer2->setInterval(60000);
    MainForm->Timer2->setTimerType(Qt::PreciseTimer); // a coarse timer reports its remaining time rounded
    OptionsForm->CheckBox1->click();
    MainForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(MainForm));
    // Every paint of the showing restarts the timer, and on a loaded machine the last of them comes late:
    // wait until the timer has run a while untouched.
    QTRY_VERIFY_WITH_TIMEOUT(MainForm->Timer2->remainingTime() <= 59800, 10000);
    const int before = MainForm->Timer2->remainingTime();
    MainForm->repaint();
    QVERIFY(MainForm->Timer2->isActive());
    QVERIFY(MainForm->Timer2->remainingTime() > before);

    // Without the option a repaint leaves a running timer alone.
    OptionsForm->CheckBox1->setChecked(false);
    QTest::qWait(300);
    const int untouched = MainForm->Timer2->remainingTime();
    MainForm->repaint();
    QVERIFY(MainForm->Timer2->remainingTime() <= untouched);
    MainForm->Timer2->stop();
    MainForm->Timer2->setInterval(50);
    MainForm->hide();
}

void ShellTest::missingToolIsReportedByName() {
    fakes_->launcher->result.lookedFor = {"dconf-editor", "kconfigeditor"};
    MainForm->findChild<QAction*>("MenuToolRegistry")->trigger();
    QCOMPARE(fakes_->launcher->commandLines, std::vector<std::string>{"regedit"});
    QCOMPARE(dialogs_->shown().size(), size_t(1));
    const auto& text = dialogs_->shown()[0].text;
    QVERIFY2(text.contains("Редактор реестра") && text.contains("dconf-editor, kconfigeditor"),
             qPrintable(text));

    MainForm->findChild<QPushButton*>("Button7")->click();
    QCOMPARE(fakes_->launcher->commandLines.back(),
             std::string("rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,3"));
    MainForm->findChild<QPushButton*>("Button8")->click();
    QCOMPARE(fakes_->launcher->commandLines.back(),
             std::string("rundll32.exe shell32.dll,Control_RunDLL appwiz.cpl"));
    QCOMPARE(dialogs_->shown().size(), size_t(3));
}

void ShellTest::launchedToolSaysNothing() {
    fakes_->launcher->result = {true, "gnome-control-center", {"gnome-control-center"}};
    MainForm->findChild<QAction*>("MenuToolControl")->trigger();
    QCOMPARE(fakes_->launcher->commandLines, std::vector<std::string>{"control"});
    QVERIFY(dialogs_->shown().empty());
}

void ShellTest::helpOpensTheManual() {
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler("file", &recorder, "open");
    MainForm->findChild<QAction*>("MenuHelpContents")->trigger();
    QDesktopServices::unsetUrlHandler("file");
    QCOMPARE(recorder.opened.size(), 1);
    QVERIFY(recorder.opened[0].toLocalFile().endsWith("data/Manual/HELP.html"));
    QVERIFY(QFileInfo(recorder.opened[0].toLocalFile()).isFile());
    QVERIFY(dialogs_->shown().empty());
}

void ShellTest::aboutWindow() {
    QCOMPARE(AboutForm->Label2->text(), QString("Vexlin"));
    QCOMPARE(AboutForm->Label3->text(), QString("v.0.7.1"));
    QCOMPARE(AboutForm->Button1->text(), QString("Ok"));
    QCOMPARE(AboutForm->maximumSize(), QSize(342, 258));
    QCOMPARE(AboutForm->minimumSize(), QSize(332, 212));
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler("https", &recorder, "open");
    for (auto* link : {AboutForm->Label4, AboutForm->Label5}) {
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(link->font().underline());
        QTest::mouseClick(link, Qt::LeftButton);
    }
    QDesktopServices::unsetUrlHandler("https");
    QCOMPARE(recorder.opened.size(), 2);
    QCOMPARE(recorder.opened[0].toString(), AboutForm->Label4->url());

    AboutForm->show();
    QVERIFY(AboutForm->isVisible());
    AboutForm->Button1->click();
    QVERIFY(!AboutForm->isVisible());
}

void ShellTest::handlerErrorIsShownAndTheProgramGoesOn() {
    QTimer failing;
    failing.setSingleShot(true);
    connect(&failing, &QTimer::timeout, [] { throw std::runtime_error("Файл не найден: data/x.bmp"); });
    failing.start(0);
    QTRY_COMPARE(dialogs_->shown().size(), size_t(1));
    QCOMPARE(dialogs_->shown()[0].text, QString("Файл не найден: data/x.bmp"));
    QCOMPARE(dialogs_->shown()[0].icon, Dialogs::Icon::Critical);
}

void ShellTest::mainWindowHasItsOuterSize() {
    MainForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(MainForm));
    QTRY_COMPARE(MainForm->frameGeometry().size(), QSize(810, 620));
    MainForm->hide();
}

void ShellTest::pageIsFilledEvenWhenNothingActivatesTheWindow() {
    auto* version = MainForm->findChild<QLabel*>("StaticText12");
    QVERIFY(version != nullptr);
    QVERIFY(version->text().isEmpty());
    // Swallowing the activation events makes the window behave as under a session without a window manager.
    ActivationBlocker blocker;
    MainForm->installEventFilter(&blocker);
    MainForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(MainForm));
    QTRY_VERIFY_WITH_TIMEOUT(version->text().startsWith("Версия "), 3000);
    MainForm->hide();
}

int main(int argc, char** argv) {
    VexlinApplication app(argc, argv);
    QApplication::setApplicationName("Vexlin");
    ShellTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ShellTest.moc"
