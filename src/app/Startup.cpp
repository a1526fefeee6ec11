#include "app/Startup.h"

#include "app/AboutForm.h"
#include "app/Application.h"
#include "app/Forms.h"
#include "app/LogoForm.h"
#include "app/MainForm.h"
#include "app/OptionsForm.h"
#include "app/StartupWarmUp.h"
#include "audio/SoundForm.h"
#include "audio/SoundModule.h"
#include "gfx/PerformanceForm.h"
#include "keyboard/FormKlava.h"
#include "platform/DataFiles.h"
#include "platform/Factory.h"
#include "platform/TerminationRequests.h"
#include "report/ResultsPage.h"
#include "report/TestForm.h"
#include "screen/MonitorForm.h"
#include "sysinfo/SystemPage.h"
#include "ui/Dialogs.h"

#include <QSocketNotifier>
#include <QString>
#include <QtGlobal>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace vexlin {

namespace {

// Qt ends the program with exit(1) from inside whichever event loop runs when the connection to the display
// server breaks.  Its own line is in English and names X11 only; the user of a terminal gets ours beside it.
// Then the program stops at once: the static objects' destructors would run while the sound, lane and
// decoder threads still work, and nothing of ours is left to write (files are written whole or not at all).
std::atomic<bool> displayInUse{false};

void endAfterLostDisplay() {
    if (displayInUse) {
        std::fputs("vexlin: связь с графическим сервером потеряна, программа завершена\n", stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
}

// Qt's Wayland client ends the program with _exit when the compositor goes, past every exit handler; its
// last word is a warning through the message handler, the one moment left to add ours.
QtMessageHandler qtMessages = nullptr;

void watchForLostCompositor(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    qtMessages(type, context, message);
    if (type == QtWarningMsg && message.startsWith(QLatin1String("The Wayland connection"))) {
        endAfterLostDisplay();
    }
}

// Set for the life of the application object; a normal end clears it before the exit handlers run.
class DisplayWatch {
public:
    DisplayWatch() {
        static const bool registered = std::atexit(endAfterLostDisplay) == 0;
        if (qtMessages == nullptr) {
            qtMessages = qInstallMessageHandler(watchForLostCompositor);
        }
        displayInUse = registered;
    }
    ~DisplayWatch() { displayInUse = false; }
    DisplayWatch(const DisplayWatch&) = delete;
    DisplayWatch& operator=(const DisplayWatch&) = delete;
};

} // namespace

bool refuseSecondInstance(platform::InstanceGuard& guard) {
    if (guard.acquire() != platform::InstanceGuard::State::AlreadyRunning) {
        return false;
    }
    // The running copy is neither activated nor signalled.
    dialogs().message(
        nullptr, "Vuduredazidazur-Edoduvivodore zirezi",
        "Приложение уже запущено (возможно оно свернуто на панели задач): Нажмите кнопку ОК для "
        "продолжения работы",
        Dialogs::Icon::None);
    return true;
}

void createWindows(AppServices& services) {
    MainForm = new TMainForm(services);
    services.clock = MainForm;
    OptionsForm = new TOptionsForm(*MainForm, MainForm);
    AboutForm = new TAboutForm(MainForm, services.lane.get());
    FormKlava = new TFormKlava(services, MainForm);
    MonitorForm = new TMonitorForm(services, MainForm);
    SoundForm = new TSoundForm(services, MainForm);
    Form1 = new TForm1(services, MainForm);
    TestForm = new TTestForm(services, MainForm);
    TestForm->useTestWindows(
        {Form1, FormKlava, SoundForm, MainForm->TabSheet1->StaticText22, MainForm->TabSheet1});
    MainForm->TabSheet3->useReport(services, TestForm->reportSources());
}

void destroyWindows() {
    delete MainForm;
    MainForm = nullptr;
    OptionsForm = nullptr;
    AboutForm = nullptr;
    FormKlava = nullptr;
    MonitorForm = nullptr;
    SoundForm = nullptr;
    Form1 = nullptr;
    TestForm = nullptr;
}

AppServices startServices(const std::filesystem::path& sysfsRoot) {
    AppServices services = AppServices::forThisSystem(sysfsRoot);
    // The sound module is loaded while the windows are built, on a thread from the lane: the sound thread
    // and the sound server's client thread it starts run at normal priority.
    services.sound =
        audio::loadSoundServiceAside(*services.lane, platform::modulePath(audio::kSoundModuleFile));
    return services;
}

int runVexlin(int& argc, char** argv, const std::filesystem::path& sysfsRoot) {
    // From here on a request to end waits for the handler that runs: a report being saved is saved whole.
    platform::TerminationRequests termination;
    StartupWarmUp warmUp;
    VexlinApplication app(argc, argv);
    const DisplayWatch displayWatch;
    warmUp.applicationReady();
    // The exit status of a shell's killed program; a request that comes before the message loop runs is
    // kept here, since the loop's start would forget it.
    int endedBy = 0;
    std::unique_ptr<QSocketNotifier> ending;
    if (termination.fd() >= 0) {
        ending = std::make_unique<QSocketNotifier>(termination.fd(), QSocketNotifier::Read);
        QObject::connect(ending.get(), &QSocketNotifier::activated, &app, [&termination, &endedBy] {
            if (const int signal = termination.takeSignal(); signal != 0 && endedBy == 0) {
                endedBy = 128 + signal;
            }
            QApplication::exit(endedBy);
        });
    }
    QApplication::setApplicationName("Vexlin");
    // The Wayland app id: the compositor finds the menu entry, and with it the icon, under this name.
    QGuiApplication::setDesktopFileName("org.vexlin.Vexlin");

    const auto guard = platform::makeInstanceGuard();
    if (refuseSecondInstance(*guard)) {
        return endedBy; // 0 unless a request to end closed the message
    }

    AppServices services = startServices(sysfsRoot);
    {
        warmUp.waitForFonts();
        auto splash = std::make_unique<TLogoForm>(*services.power);
        splash->show();
        splash->repaint();
        QApplication::processEvents();

        services.priority->lowerCurrentThreadToIdle();

        // The splash goes whatever happens here: unique_ptr frees it also when a window throws.
        try {
            createWindows(services);
        } catch (...) {
            destroyWindows();
            throw;
        }
    }

    if (endedBy != 0) {
        destroyWindows();
        return endedBy;
    }
    MainForm->show();
    const int loop = QApplication::exec();
    destroyWindows();
    return endedBy != 0 ? endedBy : loop;
}

} // namespace vexlin
