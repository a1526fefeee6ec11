#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexlin::platform {

// The operating system's version as the inventory shows it.  On Windows the name is chosen from the version
// numbers; a system that names itself (a Linux distribution) fills systemName instead.
struct OsVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::string servicePack;
    // Low half: major in the low byte, minor in the high byte; high half: the second version figure pair.
    std::uint32_t packedVersion = 0;
    std::string systemName; // empty: name it from major and minor
};

// Facts of the machine that the system page re-reads each time the main window becomes active.
class SystemFacts {
public:
    virtual ~SystemFacts() = default;
    virtual OsVersion osVersion() const = 0;
    virtual std::optional<std::string> computerName() const = 0; // nothing when the query fails
    virtual std::optional<std::string> userName() const = 0;     // nothing when the query fails
    virtual std::string biosDate() const = 0;                    // empty when unknown
    // The BIOS version strings as raw bytes, each string ended by a NUL (the registry's multi-string form).
    virtual std::string biosVersionBytes() const = 0;
    virtual std::uint64_t totalMemoryBytes() const = 0;
    virtual int soundOutputDevices() const = 0;
    virtual std::vector<std::string> serialPorts() const = 0;   // device names, in a stable order
    virtual std::vector<std::string> opticalDrives() const = 0; // roots, in a stable order
};

} // namespace vexlin::platform
