#include "platform/linux/LinuxDisplayInfo.h"

extern "C" {
#include <pci/pci.h>
}

#include "platform/linux/SysfsReader.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <fstream>

namespace vexlin::platform::linux_impl {
namespace {

namespace fs = std::filesystem;

// libpci reports a damaged or missing ID list through its warning hook; the name then falls back to numbers.
// Only pci_init sets the hooks, and the names need no access to the bus, so they are set here: a lookup of
// an unknown ID calls the debug hook, which would otherwise be a null pointer.
void quietMessage(char*, ...) {}
// Called only when libpci runs out of memory, and it must not return.
__attribute__((noreturn)) void fatalError(char*, ...) {
    std::abort();
}

std::optional<unsigned> hexNumber(const fs::path& file) {
    const auto line = readFirstLine(file);
    if (!line) {
        return std::nullopt;
    }
    std::string_view text(*line);
    if (text.substr(0, 2) == "0x" || text.substr(0, 2) == "0X") {
        text.remove_prefix(2);
    }
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

// Entries "<prefix><number>" of a directory with nothing after the number, in numeric order.
std::vector<std::pair<unsigned, std::string>> numbered(const fs::path& dir, std::string_view prefix) {
    std::vector<std::pair<unsigned, std::string>> found;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        unsigned number = 0;
        const char* first = name.data() + prefix.size();
        const char* last = name.data() + name.size();
        const auto [stop, error] = std::from_chars(first, last, number);
        if (error == std::errc{} && stop == last) {
            found.emplace_back(number, name);
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::string driverName(const fs::path& device) {
    std::ifstream in(device / "uevent");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("DRIVER=", 0) == 0 && line.size() > 7) {
            return line.substr(7);
        }
    }
    return {};
}

// "1920x1080" (an interlaced mode ends in "i").
std::optional<DisplayMode> parseModeLine(std::string_view line) {
    const auto x = line.find('x');
    if (x == std::string_view::npos) {
        return std::nullopt;
    }
    DisplayMode mode;
    const auto [wEnd, wError] = std::from_chars(line.data(), line.data() + x, mode.width);
    const auto [hEnd, hError] = std::from_chars(line.data() + x + 1, line.data() + line.size(), mode.height);
    if (wError != std::errc{} || hError != std::errc{} || wEnd != line.data() + x || mode.width == 0 ||
        mode.height == 0) {
        return std::nullopt;
    }
    mode.bitsPerPixel = 24;
    return mode;
}

} // namespace

void LinuxDisplayInfo::PciDeleter::operator()(pci_access* access) const {
    pci_cleanup(access);
}

LinuxDisplayInfo::LinuxDisplayInfo(std::filesystem::path root, Options options)
    : root_(std::move(root)), options_(std::move(options)) {}

LinuxDisplayInfo::~LinuxDisplayInfo() = default;

std::string LinuxDisplayInfo::pciName(unsigned vendor, unsigned device) const {
    const auto key = std::make_pair(vendor, device);
    if (auto it = names_.find(key); it != names_.end()) {
        return it->second;
    }
    if (!pci_) {
        pci_.reset(pci_alloc());
        pci_->warning = quietMessage;
        pci_->debug = quietMessage;
        pci_->error = fatalError;
        if (!options_.pciIds.empty()) {
            // libpci copies nothing: the string must live as long as the access, so hand it a copy to free.
            const std::string path = options_.pciIds.string();
            char* copy = static_cast<char*>(std::malloc(path.size() + 1));
            std::copy(path.c_str(), path.c_str() + path.size() + 1, copy);
            pci_set_name_list_path(pci_.get(), copy, 1);
        }
    }
    char buffer[256] = {};
    const char* name = pci_lookup_name(pci_.get(), buffer, sizeof buffer,
                                       PCI_LOOKUP_VENDOR | PCI_LOOKUP_DEVICE | PCI_LOOKUP_NO_HWDB,
                                       static_cast<int>(vendor), static_cast<int>(device));
    std::string text = name != nullptr ? name : "";
    names_.emplace(key, text);
    return text;
}

std::vector<std::string> LinuxDisplayInfo::adapters() const {
    std::vector<std::string> names;
    const fs::path drm = rootedPath(root_, "/sys/class/drm");
    for (const auto& [number, card] : numbered(drm, "card")) {
        const fs::path device = drm / card / "device";
        const auto vendor = hexNumber(device / "vendor");
        const auto id = hexNumber(device / "device");
        if (vendor && id) {
            names.push_back(pciName(*vendor, *id));
        } else {
            const std::string driver = driverName(device);
            names.push_back(driver.empty() ? card : driver);
        }
    }
    if (!names.empty()) {
        return names;
    }
    const fs::path pci = rootedPath(root_, "/sys/bus/pci/devices");
    std::vector<std::string> slots;
    std::error_code ec;
    for (fs::directory_iterator it(pci, ec), end; !ec && it != end; it.increment(ec)) {
        slots.push_back(it->path().filename().string());
    }
    std::sort(slots.begin(), slots.end());
    for (const auto& slot : slots) {
        const auto pciClass = hexNumber(pci / slot / "class");
        const auto vendor = hexNumber(pci / slot / "vendor");
        const auto id = hexNumber(pci / slot / "device");
        if (pciClass && vendor && id && (*pciClass >> 16) == 0x03) {
            names.push_back(pciName(*vendor, *id));
        }
    }
    return names;
}

std::vector<DisplayMode> LinuxDisplayInfo::modes() const {
    if (options_.useXrandr) {
        if (auto modes = xrandrModes()) {
            return *modes;
        }
    }
    return drmModes();
}

std::vector<DisplayMode> LinuxDisplayInfo::drmModes() const {
    const fs::path drm = rootedPath(root_, "/sys/class/drm");
    std::vector<std::string> connectors;
    std::error_code ec;
    for (fs::directory_iterator it(drm, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("card", 0) == 0 && name.find('-') != std::string::npos &&
            readFirstLine(it->path() / "status").value_or("") == "connected") {
            connectors.push_back(name);
        }
    }
    // The built-in panel is the primary display of a laptop.
    const auto builtIn = [](const std::string& name) {
        return name.find("-eDP-") != std::string::npos || name.find("-LVDS-") != std::string::npos ||
               name.find("-DSI-") != std::string::npos;
    };
    std::sort(connectors.begin(), connectors.end(), [&](const std::string& a, const std::string& b) {
        return std::make_pair(!builtIn(a), a) < std::make_pair(!builtIn(b), b);
    });
    std::vector<DisplayMode> modes;
    if (connectors.empty()) {
        return modes;
    }
    std::ifstream in(drm / connectors.front() / "modes");
    std::string line;
    while (std::getline(in, line)) {
        if (const auto mode = parseModeLine(line)) {
            modes.push_back(*mode);
        }
    }
    return modes;
}

} // namespace vexlin::platform::linux_impl
