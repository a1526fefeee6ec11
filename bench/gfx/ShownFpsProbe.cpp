// Probe: the frame rate the performance window publishes, shown on the screen or hidden, on this machine's
// OpenGL.  Run it from the source tree on a display (the test desktop is enough):
//
//   perf_window_fps [shown|hidden] [SECONDS]
//
// Prints every published count and the median.  Hidden, the window draws the way the full test has it draw
// before it appears.
#include "gfx/PerformanceForm.h"
#include "ui/AppServices.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const bool shown = argc < 2 || std::strcmp(argv[1], "hidden") != 0;
    const int seconds = argc >= 3 ? std::max(2, std::atoi(argv[2])) : 8;

    vexlin::AppServices services = vexlin::AppServices::forThisSystem();
    vexlin::TForm1 form(services);
    if (shown) {
        form.show();
    } else {
        form.setDrawingWhileHidden(true);
    }

    // The first two counts include the context's warm-up and the window manager's framing.
    std::vector<int> counts;
    int ticks = 0;
    QObject::connect(form.Timer1, &QTimer::timeout, &app, [&] {
        if (++ticks > 2) {
            counts.push_back(form.Label3->text().toInt());
            std::printf("%d\n", counts.back());
        }
        if (static_cast<int>(counts.size()) >= seconds) {
            QApplication::quit();
        }
    });
    QApplication::exec();
    if (counts.empty()) {
        return 1;
    }
    std::sort(counts.begin(), counts.end());
    std::printf("median %d FPS (%s, %zu counts)\n", counts[counts.size() / 2], shown ? "shown" : "hidden",
                counts.size());
    return 0;
}
