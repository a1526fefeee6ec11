#include "platform/linux/LinuxDiskPartitions.h"

#include <gtest/gtest.h>
#include <map>
#include <tuple>

namespace vexlin::platform::linux_impl {
namespace {

const std::filesystem::path kFixtures = VEXLIN_FIXTURES;

// Sizes by mount point; a mount point not listed fails its query.
LinuxDiskPartitions::SizeQuery sizes(std::map<std::string, LinuxDiskPartitions::Sizes> table) {
    return [table = std::move(table)](
               const std::string& mountPoint) -> std::optional<LinuxDiskPartitions::Sizes> {
        const auto it = table.find(mountPoint);
        if (it == table.end()) {
            return std::nullopt;
        }
        return it->second;
    };
}

std::vector<std::string> roots(const std::vector<Partition>& partitions) {
    std::vector<std::string> names;
    for (const auto& p : partitions) {
        names.push_back(p.root);
    }
    return names;
}

TEST(LinuxDiskPartitions, LaptopListsFixedDisksOnlyInMountOrder) {
    // Left out: proc, sysfs, devtmpfs, tmpfs, overlay and fuse mounts; the loop device of a snap; the USB
    // stick (removable); the DVD; the bind mount of a directory of the root filesystem.
    const LinuxDiskPartitions source(
        kFixtures / "laptop",
        sizes({{"/", {500ULL << 30, 200ULL << 30}}, {"/boot/efi", {512ULL << 20, 480ULL << 20}}}));
    const auto partitions = source.fixedPartitions();
    EXPECT_EQ(roots(partitions), (std::vector<std::string>{"/", "/boot/efi", "/mnt/data disk"}));
    ASSERT_EQ(partitions.size(), 3u);
    EXPECT_EQ(partitions[0].totalBytes, 500ULL << 30);
    EXPECT_EQ(partitions[0].freeBytes, 200ULL << 30);
    // A failed size query leaves the size unknown instead of inventing one.
    EXPECT_EQ(partitions[2].totalBytes, std::nullopt);
    EXPECT_EQ(partitions[2].freeBytes, std::nullopt);
}

TEST(LinuxDiskPartitions, BtrfsSubvolumesMapperDevicesAndContainerBinds) {
    // The btrfs device shows once, at "/" (its subvolume nearest the top); the mapper device is found by
    // its name; /dev/vda is visible only through bind mounts of its directories and files, so it is left out.
    const LinuxDiskPartitions source(kFixtures / "minimal", sizes({}));
    EXPECT_EQ(roots(source.fixedPartitions()), (std::vector<std::string>{"/", "/boot", "/mnt/vault"}));
}

TEST(LinuxDiskPartitions, MissingTreeGivesNoPartitions) {
    EXPECT_TRUE(LinuxDiskPartitions(kFixtures / "no-such-tree", sizes({})).fixedPartitions().empty());
}

TEST(LinuxDiskPartitions, ThisMachinesRootFilesystemHasARealSize) {
    const auto sizes = LinuxDiskPartitions::statvfsSizes("/");
    ASSERT_TRUE(sizes.has_value());
    EXPECT_GT(sizes->totalBytes, 0u);
    EXPECT_LE(sizes->freeBytes, sizes->totalBytes);
    EXPECT_EQ(LinuxDiskPartitions::statvfsSizes("/no/such/mount/point"), std::nullopt);
}

struct MountRow {
    const char* name;
    const char* line;
    std::vector<MountEntry> expected;
};

bool operator==(const MountEntry& a, const MountEntry& b) {
    return std::tie(a.device, a.fsRoot, a.mountPoint, a.fsType, a.source) ==
           std::tie(b.device, b.fsRoot, b.mountPoint, b.fsType, b.source);
}

class MountInfoTest : public testing::TestWithParam<MountRow> {};

TEST_P(MountInfoTest, ParsesTheFieldsAroundTheSeparator) {
    const auto entries = parseMountInfo(GetParam().line);
    ASSERT_EQ(entries.size(), GetParam().expected.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_TRUE(entries[i] == GetParam().expected[i]) << entries[i].mountPoint;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, MountInfoTest,
    testing::Values(MountRow{"NoOptionalFields",
                             "36 35 98:0 /mnt1 /mnt2 rw,noatime - ext3 /dev/root rw\n",
                             {{"98:0", "/mnt1", "/mnt2", "ext3", "/dev/root"}}},
                    MountRow{"SeveralOptionalFields",
                             "36 35 8:1 / /data rw shared:1 master:2 - xfs /dev/sda1 rw\n",
                             {{"8:1", "/", "/data", "xfs", "/dev/sda1"}}},
                    MountRow{"EscapedBlankTabAndBackslash",
                             "1 0 8:1 / /a\\040b\\011c\\134d rw - ext4 /dev/sda1 rw\n",
                             {{"8:1", "/", "/a b\tc\\d", "ext4", "/dev/sda1"}}},
                    MountRow{"NotAnEscape",
                             "1 0 8:1 / /a\\9x rw - ext4 /dev/sda1 rw\n",
                             {{"8:1", "/", "/a\\9x", "ext4", "/dev/sda1"}}},
                    MountRow{"MissingSeparator", "1 0 8:1 / /a rw ext4 /dev/sda1 rw\n", {}},
                    MountRow{"SeparatorTooEarly", "1 0 8:1 / - ext4 /dev/sda1 rw\n", {}},
                    MountRow{"NothingAfterSeparator", "1 0 8:1 / /a rw - ext4\n", {}},
                    MountRow{"EmptyText", "", {}},
                    MountRow{"EscapeAtEnd",
                             "1 0 8:1 / /a\\04 rw - ext4 /dev/sda1 rw",
                             {{"8:1", "/", "/a\\04", "ext4", "/dev/sda1"}}}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace vexlin::platform::linux_impl
