// Kept apart: Xlib's headers define macros (Status, None, Bool) that clash with ordinary C++ names.
#include "platform/linux/LinuxDisplayInfo.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <memory>

namespace vexlin::platform::linux_impl {
namespace {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
struct ResourcesFree {
    void operator()(XRRScreenResources* resources) const { XRRFreeScreenResources(resources); }
};
struct OutputFree {
    void operator()(XRROutputInfo* info) const { XRRFreeOutputInfo(info); }
};
using OutputPtr = std::unique_ptr<XRROutputInfo, OutputFree>;

OutputPtr primaryOutput(Display* display, Window root, XRRScreenResources* resources) {
    if (const RROutput primary = XRRGetOutputPrimary(display, root); primary != 0) {
        if (OutputPtr info{XRRGetOutputInfo(display, resources, primary)}) {
            return info;
        }
    }
    for (int i = 0; i < resources->noutput; ++i) {
        OutputPtr info{XRRGetOutputInfo(display, resources, resources->outputs[i])};
        if (info && info->connection == RR_Connected) {
            return info;
        }
    }
    return nullptr;
}

} // namespace

std::optional<std::vector<DisplayMode>> xrandrModes() {
    std::unique_ptr<Display, DisplayCloser> display{XOpenDisplay(nullptr)};
    if (!display) {
        return std::nullopt;
    }
    int eventBase = 0;
    int errorBase = 0;
    if (!XRRQueryExtension(display.get(), &eventBase, &errorBase)) {
        return std::nullopt;
    }
    const int screen = DefaultScreen(display.get());
    const Window root = RootWindow(display.get(), screen);
    const auto depth = static_cast<std::uint32_t>(DefaultDepth(display.get(), screen));
    std::unique_ptr<XRRScreenResources, ResourcesFree> resources{XRRGetScreenResources(display.get(), root)};
    if (!resources) {
        return std::nullopt;
    }
    std::vector<DisplayMode> modes;
    const OutputPtr output = primaryOutput(display.get(), root, resources.get());
    if (!output) {
        return modes;
    }
    for (int i = 0; i < output->nmode; ++i) {
        for (int j = 0; j < resources->nmode; ++j) {
            if (resources->modes[j].id == output->modes[i]) {
                modes.push_back({resources->modes[j].width, resources->modes[j].height, depth});
                break;
            }
        }
    }
    return modes;
}

} // namespace vexlin::platform::linux_impl
