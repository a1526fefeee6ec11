#pragma once

#include "platform/DiskPartitions.h"

#include <filesystem>
#include <functional>

namespace vexlin::platform::linux_impl {

// One mountinfo line, the fields the partition list needs.
struct MountEntry {
    std::string device;     // "major:minor"
    std::string fsRoot;     // the directory of the filesystem that is mounted ("/" unless a bind mount)
    std::string mountPoint; // with the \040-style escapes decoded
    std::string fsType;
    std::string source;
};

// Parses /proc/self/mountinfo text; lines that do not have the expected shape are skipped.
std::vector<MountEntry> parseMountInfo(const std::string& text);

// Mounted filesystems on non-removable block devices, one per device, in mount order, with the mount point
// as the root.  Left out: pseudo and memory filesystems (tmpfs, overlay, proc, ...), loop, RAM and zram
// devices, removable disks (a USB stick), and bind mounts (a device seen only through mounts of one of its
// subdirectories, as inside a container).  Read below a root; sizes come from the given query, which is
// statvfs on the mount point unless a test passes another.
class LinuxDiskPartitions final : public DiskPartitions {
public:
    struct Sizes {
        std::uint64_t totalBytes = 0;
        std::uint64_t freeBytes = 0;
    };
    using SizeQuery = std::function<std::optional<Sizes>(const std::string& mountPoint)>;

    explicit LinuxDiskPartitions(std::filesystem::path root, SizeQuery query = statvfsSizes)
        : root_(std::move(root)), query_(std::move(query)) {}

    std::vector<Partition> fixedPartitions() const override;

    static std::optional<Sizes> statvfsSizes(const std::string& mountPoint);

private:
    std::filesystem::path root_;
    SizeQuery query_;
};

} // namespace vexlin::platform::linux_impl
