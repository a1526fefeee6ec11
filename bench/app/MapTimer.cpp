// Probe: starts a program and prints the milliseconds from its exec to the mapping of its first top-level
// window with a given title (splash screens aside), as the X server reports it (MapNotify).  Plain Xlib, so
// that the probe itself costs the same for every program it times.
//
//   map_timer [--kill] [--cpu] [--timeout SECONDS] [--verbose] TITLE -- PROGRAM [ARGS...]
//
// With --kill the program gets SIGTERM once the window is mapped and the probe waits for it to end.  With
// --cpu the processor time the program had used by then (all its threads, user and system) follows in
// milliseconds: on a loaded machine it tells the program's own work from the time it waited for a core.  Exit
// code 0 when the window was seen, 1 on timeout, 2 on bad usage.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    bool kill = false;
    bool cpu = false;
    bool verbose = false;
    double timeoutSeconds = 30;
    std::string title;
    std::vector<char*> command;
};

bool parse(int argc, char** argv, Options& options) {
    int i = 1;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--kill") == 0) {
            options.kill = true;
        } else if (std::strcmp(argv[i], "--cpu") == 0) {
            options.cpu = true;
        } else if (std::strcmp(argv[i], "--verbose") == 0) {
            options.verbose = true;
        } else if (std::strcmp(argv[i], "--timeout") == 0 && i + 1 < argc) {
            options.timeoutSeconds = std::atof(argv[++i]);
        } else if (options.title.empty()) {
            options.title = argv[i];
        } else {
            return false;
        }
    }
    for (++i; i < argc; ++i) {
        options.command.push_back(argv[i]);
    }
    options.command.push_back(nullptr);
    return !options.title.empty() && options.command.size() > 1 && options.timeoutSeconds > 0;
}

// The window's title as a window manager shows it: _NET_WM_NAME (UTF-8) when set, else WM_NAME.
std::string titleOf(Display* display, Window window) {
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count, &after,
                           &data) == Success &&
        data != nullptr && format == 8) {
        title.assign(reinterpret_cast<char*>(data), count);
    }
    if (data != nullptr) {
        XFree(data);
    }
    if (title.empty()) {
        char* name = nullptr;
        if (XFetchName(display, window, &name) != 0 && name != nullptr) {
            title = name;
            XFree(name);
        }
    }
    return title;
}

// A splash screen announces a program; it is not the window the program is waiting to show.
bool isSplash(Display* display, Window window) {
    const Atom typeAtom = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
    const Atom splash = XInternAtom(display, "_NET_WM_WINDOW_TYPE_SPLASH", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(display, window, typeAtom, 0, 16, False, XA_ATOM, &type, &format, &count, &after,
                           &data) == Success &&
        data != nullptr && format == 32) {
        const auto* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count; ++i) {
            found = found || atoms[i] == splash;
        }
    }
    if (data != nullptr) {
        XFree(data);
    }
    return found;
}

// Windows may vanish between an event and the look at their properties.
int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

// utime + stime of /proc/PID/stat (fields 14 and 15, after the command name in parentheses), in ms.
double cpuMilliseconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    if (close == std::string::npos) {
        return -1;
    }
    std::istringstream fields(line.substr(close + 2));
    std::string field;
    unsigned long long user = 0, system = 0;
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14) {
            user = std::stoull(field);
        } else if (index == 15) {
            system = std::stoull(field);
        }
    }
    return static_cast<double>(user + system) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(
            stderr,
            "usage: map_timer [--kill] [--cpu] [--timeout S] [--verbose] TITLE -- PROGRAM [ARGS...]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "map_timer: no X display\n");
        return 2;
    }
    XSetErrorHandler(ignoreErrors);
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const auto start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(options.command[0], options.command.data());
        std::perror("map_timer: exec");
        _exit(127);
    }
    if (child < 0) {
        std::perror("map_timer: fork");
        return 2;
    }

    double mappedAfter = -1;
    double cpuUsed = -1;
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    while (mappedAfter < 0 && millisecondsSince(start) < options.timeoutSeconds * 1000) {
        if (XPending(display) == 0) {
            poll(&connection, 1, 50);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == CreateNotify && event.xcreatewindow.parent == root) {
            // A window manager reparents the client before mapping it; its own map is then only seen by
            // listening on the client window itself.
            XSelectInput(display, event.xcreatewindow.window, StructureNotifyMask);
        } else if (event.type == MapNotify) {
            const Window mapped = event.xmap.window;
            const std::string title = titleOf(display, mapped);
            const bool splash = isSplash(display, mapped);
            if (options.verbose) {
                std::fprintf(stderr, "%8.1f ms  mapped 0x%lx '%s'%s\n", millisecondsSince(start), mapped,
                             title.c_str(), splash ? " (splash)" : "");
            }
            if (title == options.title && !splash) {
                mappedAfter = millisecondsSince(start);
                cpuUsed = cpuMilliseconds(child);
            }
        }
    }
    if (mappedAfter >= 0 && options.cpu) {
        std::printf("%.1f %.0f\n", mappedAfter, cpuUsed);
    } else if (mappedAfter >= 0) {
        std::printf("%.1f\n", mappedAfter);
    }
    if (options.kill) {
        kill(child, SIGTERM);
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
    XCloseDisplay(display);
    return mappedAfter >= 0 ? 0 : 1;
}
