#include "keyboard/HeldKeys.h"

#include <QGuiApplication>
#include <X11/Xlib.h>

namespace vexlin {

std::optional<std::vector<std::uint32_t>> keysHeldNow() {
    std::vector<std::uint32_t> held;
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 != nullptr ? x11->display() : nullptr;
    if (display == nullptr) {
        return std::nullopt;
    }
    char keys[32] = {};
    XQueryKeymap(display, keys);
    for (std::uint32_t code = 0; code < 256; ++code) {
        if ((static_cast<unsigned char>(keys[code / 8]) >> (code % 8)) & 1u) {
            held.push_back(code);
        }
    }
    return held;
}

} // namespace vexlin
