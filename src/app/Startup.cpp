#include "app/Startup.h"

#include "app/AboutForm.h"
#include "app/Application.h"
#include "app/Forms.h"
#include "app/LogoForm.h"
#include "app/MainForm.h"
#include "app/OptionsForm.h"
#include "app/StartupWarmUp.h"
#include "app/shared/Dialogs.h"
#include "audio/SoundForm.h"
#include "audio/SoundModule.h"
#include "gfx/PerformanceForm.h"
#include "keyboard/FormKlava.h"
#include "platform/DataFiles.h"
#include "platform/Factory.h"
#include "report/ResultsPage.h"
#include "report/TestForm.h"
#include "screen/MonitorForm.h"
#include "sysinfo/SystemPage.h"

#include <memory>

namespace vexlin {

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
    StartupWarmUp warmUp;
    VexlinApplication app(argc, argv);
    warmUp.applicationReady();
    QApplication::setApplicationName("Vexlin");
    // The Wayland app id: the compositor finds the menu entry, and with it the icon, under this name.
    QGuiApplication::setDesktopFileName("org.vexlin.Vexlin");

    const auto guard = platform::makeInstanceGuard();
    if (refuseSecondInstance(*guard)) {
        return 0;
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

    MainForm->show();
    const int loop = QApplication::exec();
    destroyWindows();
    return loop == 0 ? 0 : loop;
}

} // namespace vexlin
