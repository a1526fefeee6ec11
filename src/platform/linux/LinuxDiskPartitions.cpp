#include "platform/linux/LinuxDiskPartitions.h"

#include "platform/linux/SysfsReader.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/statvfs.h>

namespace vexlin::platform::linux_impl {
namespace {

namespace fs = std::filesystem;

// mountinfo writes blanks, tabs, newlines and backslashes in paths as a backslash and three octal digits.
std::string decodeEscapes(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto octal = [&](std::size_t k) { return text[k] >= '0' && text[k] <= '7'; };
        if (text[i] == '\\' && i + 3 < text.size() && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            out += static_cast<char>(((text[i + 1] - '0') << 6) | ((text[i + 2] - '0') << 3) |
                                     (text[i + 3] - '0'));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        const std::size_t next = line.find(' ', pos);
        const std::size_t end = next == std::string_view::npos ? line.size() : next;
        if (end > pos) {
            fields.push_back(line.substr(pos, end - pos));
        }
        pos = end + 1;
    }
    return fields;
}

// A block device as /sys/block shows it: the disk it belongs to (itself for a whole disk).
struct BlockDevice {
    std::string name;
    std::string disk;
};

class BlockDevices {
public:
    explicit BlockDevices(const fs::path& sysBlock) {
        std::error_code ec;
        for (fs::directory_iterator it(sysBlock, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string disk = it->path().filename().string();
            add(it->path(), disk, disk);
            std::error_code inner;
            for (fs::directory_iterator part(it->path(), inner), stop; !inner && part != stop;
                 part.increment(inner)) {
                const std::string name = part->path().filename().string();
                if (name.size() > disk.size() && name.compare(0, disk.size(), disk) == 0) {
                    add(part->path(), name, disk);
                }
            }
            if (const auto dmName = readFirstLine(it->path() / "dm" / "name")) {
                byMapperName_[*dmName] = {disk, disk};
            }
        }
    }

    const BlockDevice* find(const MountEntry& mount) const {
        if (auto it = byNumber_.find(mount.device); it != byNumber_.end()) {
            return &it->second;
        }
        // Btrfs reports an anonymous device number; its source names the device instead.
        constexpr std::string_view kMapper = "/dev/mapper/";
        constexpr std::string_view kDev = "/dev/";
        if (mount.source.compare(0, kMapper.size(), kMapper) == 0) {
            auto it = byMapperName_.find(mount.source.substr(kMapper.size()));
            return it == byMapperName_.end() ? nullptr : &it->second;
        }
        if (mount.source.compare(0, kDev.size(), kDev) == 0) {
            auto it = byName_.find(mount.source.substr(kDev.size()));
            return it == byName_.end() ? nullptr : &it->second;
        }
        return nullptr;
    }

private:
    void add(const fs::path& dir, const std::string& name, const std::string& disk) {
        const auto number = readFirstLine(dir / "dev");
        if (!number) {
            return;
        }
        byNumber_[*number] = {name, disk};
        byName_[name] = {name, disk};
    }

    std::map<std::string, BlockDevice> byNumber_;
    std::map<std::string, BlockDevice> byName_;
    std::map<std::string, BlockDevice> byMapperName_;
};

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool isFixedDisk(const fs::path& sysBlock, const std::string& disk) {
    if (startsWith(disk, "loop") || startsWith(disk, "ram") || startsWith(disk, "zram")) {
        return false;
    }
    return readInteger(sysBlock / disk / "removable").value_or(0) == 0;
}

} // namespace

std::vector<MountEntry> parseMountInfo(const std::string& text) {
    std::vector<MountEntry> entries;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto fields = splitFields(line);
        // id parent major:minor root mount-point options [optional fields...] - type source super-options
        const auto dash = std::find(fields.begin(), fields.end(), std::string_view("-"));
        if (fields.size() < 6 || dash == fields.end() || dash - fields.begin() < 6 ||
            fields.end() - dash < 3) {
            continue;
        }
        entries.push_back({std::string(fields[2]), decodeEscapes(fields[3]), decodeEscapes(fields[4]),
                           std::string(*(dash + 1)), decodeEscapes(*(dash + 2))});
    }
    return entries;
}

std::vector<Partition> LinuxDiskPartitions::fixedPartitions() const {
    std::ifstream in(rootedPath(root_, "/proc/self/mountinfo"));
    std::ostringstream text;
    text << in.rdbuf();
    const auto mounts = parseMountInfo(text.str());
    const fs::path sysBlock = rootedPath(root_, "/sys/block");
    const BlockDevices devices(sysBlock);

    // Per device: the mount of the filesystem's own root; for btrfs, whose subvolumes all have other roots,
    // the subvolume mounted nearest the top of the tree.
    const auto better = [&](const MountEntry& a, const MountEntry& b) {
        const bool aOwn = a.fsRoot == "/";
        const bool bOwn = b.fsRoot == "/";
        return aOwn != bOwn ? aOwn : a.mountPoint.size() < b.mountPoint.size();
    };
    std::map<std::string, std::size_t> chosen;
    for (std::size_t i = 0; i < mounts.size(); ++i) {
        const auto* device = devices.find(mounts[i]);
        if (device == nullptr || !isFixedDisk(sysBlock, device->disk)) {
            continue;
        }
        auto [it, inserted] = chosen.try_emplace(device->name, i);
        if (!inserted && better(mounts[i], mounts[it->second])) {
            it->second = i;
        }
    }
    std::vector<std::size_t> order;
    for (const auto& [name, index] : chosen) {
        if (mounts[index].fsRoot == "/" || mounts[index].fsType == "btrfs") {
            order.push_back(index);
        }
    }
    std::sort(order.begin(), order.end());

    std::vector<Partition> partitions;
    for (std::size_t index : order) {
        Partition partition{mounts[index].mountPoint, std::nullopt, std::nullopt};
        if (const auto sizes = query_(mounts[index].mountPoint)) {
            partition.totalBytes = sizes->totalBytes;
            partition.freeBytes = sizes->freeBytes;
        }
        partitions.push_back(std::move(partition));
    }
    return partitions;
}

std::optional<LinuxDiskPartitions::Sizes> LinuxDiskPartitions::statvfsSizes(const std::string& mountPoint) {
    struct statvfs info {};
    if (statvfs(mountPoint.c_str(), &info) != 0) {
        return std::nullopt;
    }
    const std::uint64_t unit = info.f_frsize != 0 ? info.f_frsize : info.f_bsize;
    return Sizes{static_cast<std::uint64_t>(info.f_blocks) * unit,
                 static_cast<std::uint64_t>(info.f_bavail) * unit};
}

} // namespace vexlin::platform::linux_impl
