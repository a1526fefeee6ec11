// Behaviour under load with the user-interface thread at idle priority, as at a real start: the windows are
// created after the thread has been lowered, the performance window is shown (it draws flat out) and two busy
// loops keep both cores loaded.  Run on the test desktop (scripts/headless-desktop.sh), by hand:
//
//   priority_probe music   music at the sink: silent runs of 2 ms or more in 5 s, and the longest
//   priority_probe clock   five clock measurements against the kernel's TSC frequency
//   priority_probe launch  the scheduling policy of a program started from the tools menu
//
// Add --no-load to run without the busy loops.  Every mode also lists the policy of each of its threads.
#include "app/Application.h"
#include "app/Forms.h"
#include "app/Startup.h"
#include "audio/SoundForm.h"
#include "gfx/PerformanceForm.h"
#include "sysinfo/ClockMeasurement.h"
#include "ui/AppServices.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>
#include <sched.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <x86intrin.h>

namespace {

// --- the program's own start-up, as runVexlin does it
// -------------------------------------------------------

vexlin::AppServices* services = nullptr;

vexlin::AppServices& probeServices() {
    return *services;
}

void probeStartUp() {
    static vexlin::AppServices started = vexlin::startServices();
    services = &started;
    services->priority->lowerCurrentThreadToIdle();
    vexlin::createWindows(*services);
    vexlin::Form1->show();
}

void probeShutDown() {
    *services = vexlin::AppServices();
}

double probeMeasureClock() {
    return vexlin::sysinfo::measureClockMhz(*services->priority, *services->processor, services->lane.get());
}

std::string policyName(int policy) {
    switch (policy) {
    case SCHED_OTHER:
        return "SCHED_OTHER";
    case SCHED_BATCH:
        return "SCHED_BATCH";
    case SCHED_IDLE:
        return "SCHED_IDLE";
    case SCHED_FIFO:
        return "SCHED_FIFO";
    case SCHED_RR:
        return "SCHED_RR";
    default:
        return "policy " + std::to_string(policy);
    }
}

// Thread name and policy of every thread of this process, from /proc/self/task/*/stat (field 41).
void listThreads() {
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream in(entry.path() / "stat");
        std::string line;
        std::getline(in, line);
        const auto open = line.find('(');
        const auto close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos) {
            continue;
        }
        std::istringstream rest(line.substr(close + 2));
        std::vector<std::string> fields;
        for (std::string field; rest >> field;) {
            fields.push_back(field);
        }
        // Field 3 (state) is the first after the name, so field 41 (policy) is index 38.
        const int policy = fields.size() > 38 ? std::stoi(fields[38]) : -1;
        std::printf("  thread %-8s %-18s %s\n", entry.path().filename().c_str(),
                    line.substr(open + 1, close - open - 1).c_str(), policyName(policy).c_str());
    }
}

// A child forked now, while this thread still runs at normal priority, that waits for release() before it
// does its work: forked later from the idle thread it would run at idle priority itself.
class Held {
public:
    template <typename Work> explicit Held(Work work) {
        int fds[2];
        if (::pipe(fds) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[1]);
            char go = 0;
            if (::read(fds[0], &go, 1) == 1) {
                work();
            }
            ::_exit(0);
        }
        ::close(fds[0]);
        go_ = fds[1];
    }
    void release() {
        const char go = 1;
        [[maybe_unused]] auto written = ::write(go_, &go, 1);
        ::close(go_);
    }
    void wait() { ::waitpid(pid_, nullptr, 0); }
    // Keeps this thread's events running (the music may be fed from here) until the child has ended.
    void waitRunningEvents() {
        while (::waitpid(pid_, nullptr, WNOHANG) == 0) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
    }
    void kill() {
        ::kill(pid_, SIGKILL);
        wait();
    }

private:
    pid_t pid_ = -1;
    int go_ = -1;
};

[[noreturn]] void spin() {
    volatile unsigned long count = 0;
    for (;;) {
        count = count + 1;
    }
}

std::vector<std::unique_ptr<Held>> busy;
std::unique_ptr<Held> recorder;
std::string recordingFile;

void startLoad() {
    for (auto& loop : busy) {
        loop->release();
    }
}

void stopLoad() {
    for (auto& loop : busy) {
        loop->kill();
    }
    busy.clear();
}

void runEventsFor(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

// --- music ------------------------------------------------------------------------------------------------

int probeMusic() {
    vexlin::SoundForm->Button3Click();
    runEventsFor(1000);
    startLoad();
    // The recorder is a process of its own at normal priority, writing to a file, so that this idle thread
    // never holds it up.  Half a second to let the monitor's backlog drain, then 5 s counted.
    runEventsFor(500);
    recorder->release();
    recorder->waitRunningEvents();
    stopLoad();
    vexlin::SoundForm->Button4Click();

    std::ifstream in(recordingFile, std::ios::binary);
    std::vector<char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t skip = 44100 / 2 * 4;
    if (data.size() <= skip) {
        std::puts("nothing recorded");
        return 1;
    }
    const auto* samples = reinterpret_cast<const std::int16_t*>(data.data() + skip);
    const std::size_t frames = (data.size() - skip) / 4;
    const std::size_t minimumRun = 88; // 2 ms at 44.1 kHz
    std::size_t run = 0;
    std::size_t longest = 0;
    int gaps = 0;
    auto endRun = [&] {
        if (run >= minimumRun) {
            ++gaps;
        }
        longest = std::max(longest, run);
        run = 0;
    };
    for (std::size_t i = 0; i < frames; ++i) {
        const bool silent = std::abs(samples[2 * i]) <= 2 && std::abs(samples[2 * i + 1]) <= 2;
        if (silent) {
            ++run;
        } else {
            endRun();
        }
    }
    endRun();
    std::printf("recorded %.2f s at the sink monitor\n", static_cast<double>(frames) / 44100.0);
    std::printf("silent runs >= 2 ms: %d, longest silent run: %.1f ms\n", gaps,
                static_cast<double>(longest) * 1000.0 / 44100.0);
    return 0;
}

// --- clock ------------------------------------------------------------------------------------------------

// The kernel's TSC frequency from its boot messages ("Refined TSC clocksource calibration" when present,
// else "tsc: Detected"), or 0.
double kernelTscMhz() {
    QProcess dmesg;
    dmesg.start("dmesg", {});
    dmesg.waitForFinished(5000);
    const std::string log = dmesg.readAllStandardOutput().toStdString();
    double detected = 0.0;
    double refined = 0.0;
    std::smatch match;
    static const std::regex refinedLine(R"(Refined TSC clocksource calibration: ([0-9.]+) MHz)");
    static const std::regex detectedLine(R"(tsc: Detected ([0-9.]+) MHz)");
    if (std::regex_search(log, match, refinedLine)) {
        refined = std::stod(match[1]);
    }
    if (std::regex_search(log, match, detectedLine)) {
        detected = std::stod(match[1]);
    }
    return refined > 0.0 ? refined : detected;
}

// Counter ticks against CLOCK_MONOTONIC_RAW over three seconds, on a fresh normal-priority thread.
double longTscMhz() {
    double mhz = 0.0;
    std::thread([&] {
        auto now = [] {
            timespec t{};
            clock_gettime(CLOCK_MONOTONIC_RAW, &t);
            return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
        };
        const auto t0 = __rdtsc();
        const double n0 = now();
        std::this_thread::sleep_for(std::chrono::seconds(3));
        const auto t1 = __rdtsc();
        const double n1 = now();
        mhz = static_cast<double>(t1 - t0) / (n1 - n0);
    }).join();
    return mhz;
}

int probeClock(double referenceMhz) {
    std::printf("reference TSC frequency: %.3f MHz\n", referenceMhz);
    startLoad();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    double worst = 0.0;
    for (int i = 0; i < 5; ++i) {
        const double mhz = probeMeasureClock();
        const double error = (mhz - referenceMhz) / referenceMhz * 100.0;
        worst = std::max(worst, std::abs(error));
        std::printf("  measured %.2f MHz  (%+.3f %%)\n", mhz, error);
        QCoreApplication::processEvents();
    }
    stopLoad();
    std::printf("worst deviation: %.3f %%\n", worst);
    return 0;
}

// --- launch -----------------------------------------------------------------------------------------------

int probeLaunch(const std::filesystem::path& toolDir) {
    const auto result = probeServices().launcher->run("regedit");
    if (!result.launched) {
        std::puts("the fake tool was not launched");
        return 1;
    }
    const auto pidFile = toolDir / "pid";
    for (int i = 0; i < 100 && !std::filesystem::exists(pidFile); ++i) {
        runEventsFor(20);
    }
    runEventsFor(100);
    pid_t pid = 0;
    std::ifstream(pidFile) >> pid;
    if (pid <= 0) {
        std::puts("the fake tool left no pid");
        return 1;
    }
    std::printf("launched %s (pid %d): %s\n", result.program.c_str(), static_cast<int>(pid),
                policyName(sched_getscheduler(pid)).c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    const bool load = !(argc > 2 && std::string(argv[2]) == "--no-load");
    if (mode != "music" && mode != "clock" && mode != "launch") {
        std::fprintf(stderr, "usage: %s music|clock|launch [--no-load]\n", argv[0]);
        return 2;
    }

    // A fake "dconf-editor" first on the search path: it writes its pid and lives for a few seconds.
    const auto toolDir =
        std::filesystem::temp_directory_path() / ("vexlin-probe-" + std::to_string(getpid()));
    std::filesystem::create_directories(toolDir);
    {
        std::ofstream(toolDir / "dconf-editor")
            << "#!/bin/sh\necho $$ > '" << (toolDir / "pid").string() << ".tmp' && mv '"
            << (toolDir / "pid").string() << ".tmp' '" << (toolDir / "pid").string() << "'\nsleep 3\n";
        std::filesystem::permissions(toolDir / "dconf-editor", std::filesystem::perms::owner_all);
        const char* path = std::getenv("PATH");
        setenv("PATH", (toolDir.string() + ":" + (path != nullptr ? path : "/usr/bin:/bin")).c_str(), 1);
    }
    const double referenceMhz = mode == "clock" ? [] {
        const double kernel = kernelTscMhz();
        return kernel > 0.0 ? kernel : longTscMhz();
    }()
                                                : 0.0;

    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    // Forked before anything runs at idle priority; the loads start once the program is up (an idle
    // interface thread would take minutes to create its windows on cores already full).
    if (load && mode != "launch") {
        for (int i = 0; i < 2; ++i) {
            busy.push_back(std::make_unique<Held>([] { spin(); }));
        }
    }
    recordingFile = (toolDir / "sink.raw").string();
    recorder = std::make_unique<Held>([] {
        const std::string command = "timeout 5.5 parec -d testsink.monitor --format=s16le --rate=44100 "
                                    "--channels=2 --latency-msec=5 --raw > '" +
                                    recordingFile + "'";
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    });
    vexlin::VexlinApplication app(argc, argv);
    std::printf("%s, %s busy loops\n", mode.c_str(), !busy.empty() ? "two" : "no");

    probeStartUp();
    runEventsFor(1500);

    int status = 0;
    if (mode == "music") {
        status = probeMusic();
    } else if (mode == "clock") {
        status = probeClock(referenceMhz);
    } else {
        status = probeLaunch(toolDir);
    }
    listThreads();
    stopLoad();
    if (mode != "music") {
        recorder->kill();
    }
    vexlin::destroyWindows();
    probeShutDown();
    std::filesystem::remove_all(toolDir);
    return status;
}
