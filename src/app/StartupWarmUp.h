#pragma once

#include <thread>

namespace vexlin {

// Work that the toolkit would otherwise do on the user-interface thread the first time a window needs it,
// started on threads of its own so that it overlaps the rest of the start: the font configuration (read
// while the application object is made), the session bus (Qt's accessibility bridge connects to it on the
// first label and waits), and the image-format plugins (the menu bar's first icon loads them all).  The
// threads are made before the user-interface thread is lowered, so they and the bus thread they start run
// at normal priority.  Each part is only a head start: the toolkit does whatever is not done yet itself.
class StartupWarmUp {
public:
    // Starts on the font configuration; before the application object.
    StartupWarmUp();
    // Joins every thread still running.
    ~StartupWarmUp();
    StartupWarmUp(const StartupWarmUp&) = delete;
    StartupWarmUp& operator=(const StartupWarmUp&) = delete;

    // Starts on what needs the application object: the session bus and the image-format plugins.
    void applicationReady();
    // Waits for the font configuration; before the first window with text.
    void waitForFonts();

private:
    std::thread fonts_;
    std::thread toolkit_;
};

} // namespace vexlin
