#include "platform/linux/LinuxSystemFacts.h"

#include "platform/linux/SysfsReader.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <tuple>
#include <unistd.h>

namespace vexlin::platform::linux_impl {
namespace {

namespace fs = std::filesystem;

std::string readWholeFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return {};
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A shell-style value: 'quoted' as it is; "quoted" or bare with a backslash escaping the next character.
std::string unquote(std::string_view value) {
    if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'') {
        return std::string(value.substr(1, value.size() - 2));
    }
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            ++i;
        }
        out += value[i];
    }
    return out;
}

std::optional<std::string> keyValue(const std::string& text, std::string_view key) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.size() > key.size() && line.compare(0, key.size(), key) == 0 && line[key.size()] == '=') {
            std::string_view value(line);
            value.remove_prefix(key.size() + 1);
            while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r')) {
                value.remove_suffix(1);
            }
            return unquote(value);
        }
    }
    return std::nullopt;
}

std::uint32_t leadingNumber(std::string_view& text) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{}) {
        return 0;
    }
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return value;
}

// "ttyUSB12" with prefix "ttyUSB" gives 12; anything else gives nothing.
std::optional<unsigned> numberAfter(const std::string& name, std::string_view prefix) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) {
        return std::nullopt;
    }
    unsigned value = 0;
    const char* first = name.data() + prefix.size();
    const char* last = name.data() + name.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc{} || end != last) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string> entryNames(const fs::path& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        names.push_back(it->path().filename().string());
    }
    return names;
}

} // namespace

std::string osReleaseName(const std::string& osReleaseText) {
    for (const auto* key : {"PRETTY_NAME", "NAME"}) {
        if (auto value = keyValue(osReleaseText, key); value && !value->empty()) {
            return *value;
        }
    }
    return "Linux";
}

OsVersion kernelVersion(const std::string& release) {
    OsVersion version;
    std::string_view rest(release);
    version.major = leadingNumber(rest);
    if (!rest.empty() && rest.front() == '.') {
        rest.remove_prefix(1);
        version.minor = leadingNumber(rest);
    }
    std::uint32_t patch = 0;
    if (!rest.empty() && rest.front() == '.') {
        rest.remove_prefix(1);
        patch = leadingNumber(rest);
    }
    version.build = patch;
    version.packedVersion = (std::min<std::uint32_t>(patch, 0xFFFF) << 16) |
                            (std::min<std::uint32_t>(version.minor, 0xFF) << 8) |
                            std::min<std::uint32_t>(version.major, 0xFF);
    return version;
}

OsVersion LinuxSystemFacts::osVersion() const {
    OsVersion version =
        kernelVersion(readFirstLine(rootedPath(root_, "/proc/sys/kernel/osrelease")).value_or(""));
    std::string osRelease = readWholeFile(rootedPath(root_, "/etc/os-release"));
    if (osRelease.empty()) {
        osRelease = readWholeFile(rootedPath(root_, "/usr/lib/os-release"));
    }
    version.systemName = osReleaseName(osRelease);
    return version;
}

std::optional<std::string> LinuxSystemFacts::computerName() const {
    auto name = readFirstLine(rootedPath(root_, "/proc/sys/kernel/hostname"));
    if (!name || name->empty()) {
        return std::nullopt;
    }
    return name;
}

std::optional<std::string> LinuxSystemFacts::userName() const {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(4096);
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) {
        return std::nullopt;
    }
    return std::string(found->pw_name);
}

std::string LinuxSystemFacts::biosDate() const {
    return readFirstLine(rootedPath(root_, "/sys/class/dmi/id/bios_date")).value_or("");
}

std::string LinuxSystemFacts::biosVersionBytes() const {
    std::string bytes;
    for (const auto* name : {"bios_vendor", "bios_version", "bios_release"}) {
        const auto value = readFirstLine(rootedPath(root_, "/sys/class/dmi/id") / name);
        if (value && !value->empty()) {
            bytes += *value;
            bytes += '\0';
        }
    }
    return bytes;
}

std::uint64_t LinuxSystemFacts::totalMemoryBytes() const {
    std::ifstream in(rootedPath(root_, "/proc/meminfo"));
    std::string key;
    std::uint64_t kilobytes = 0;
    std::string unit;
    while (in >> key >> kilobytes) {
        std::getline(in, unit);
        if (key == "MemTotal:") {
            return kilobytes * 1024;
        }
    }
    return 0;
}

int LinuxSystemFacts::soundOutputDevices() const {
    // Lines such as "00-00: ALC257 Analog : ALC257 Analog : playback 1 : capture 1".
    std::ifstream in(rootedPath(root_, "/proc/asound/pcm"));
    int count = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (line.find(": playback ") != std::string::npos) {
            ++count;
        }
    }
    return count;
}

std::vector<std::string> LinuxSystemFacts::serialPorts() const {
    const fs::path tty = rootedPath(root_, "/sys/class/tty");
    struct Port {
        int kind;
        unsigned number;
        std::string name;
    };
    std::vector<Port> ports;
    for (const auto& name : entryNames(tty)) {
        if (auto n = numberAfter(name, "ttyS")) {
            // The kernel registers placeholder ttyS entries; only those with a UART have a type other than 0.
            const auto type = readInteger(tty / name / "type");
            if (type && *type != 0) {
                ports.push_back({0, *n, name});
            }
        } else if (auto usb = numberAfter(name, "ttyUSB")) {
            ports.push_back({1, *usb, name});
        } else if (auto acm = numberAfter(name, "ttyACM")) {
            ports.push_back({2, *acm, name});
        }
    }
    std::sort(ports.begin(), ports.end(), [](const Port& a, const Port& b) {
        return std::tie(a.kind, a.number) < std::tie(b.kind, b.number);
    });
    std::vector<std::string> names;
    for (const auto& port : ports) {
        names.push_back("/dev/" + port.name);
    }
    return names;
}

std::vector<std::string> LinuxSystemFacts::opticalDrives() const {
    std::vector<unsigned> numbers;
    for (const auto& name : entryNames(rootedPath(root_, "/sys/block"))) {
        if (auto n = numberAfter(name, "sr")) {
            numbers.push_back(*n);
        }
    }
    std::sort(numbers.begin(), numbers.end());
    std::vector<std::string> roots;
    for (unsigned n : numbers) {
        roots.push_back("/dev/sr" + std::to_string(n));
    }
    return roots;
}

} // namespace vexlin::platform::linux_impl
