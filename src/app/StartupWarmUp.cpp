#include "app/StartupWarmUp.h"

#include "platform/FontConfiguration.h"

#include <QDBusConnection>
#include <QImageReader>

namespace vexlin {
namespace {

void join(std::thread& thread) {
    if (thread.joinable()) {
        thread.join();
    }
}

} // namespace

StartupWarmUp::StartupWarmUp() : fonts_([] { platform::loadFontConfiguration(); }) {}

StartupWarmUp::~StartupWarmUp() {
    join(fonts_);
    join(toolkit_);
}

void StartupWarmUp::applicationReady() {
    if (toolkit_.joinable()) {
        return;
    }
    toolkit_ = std::thread([] {
        // Connecting makes Qt's bus thread from here; without a session bus this just fails.
        QDBusConnection::sessionBus();
        // The menu bar's extension icon, read as the style reads it: that has every image-format plugin
        // loaded, which the user-interface thread then finds done.
        QImageReader probe(QStringLiteral(":/qt-project.org/styles/commonstyle/images/toolbar-ext-h-16.png"));
        probe.format();
    });
}

void StartupWarmUp::waitForFonts() {
    join(fonts_);
}

} // namespace vexlin
