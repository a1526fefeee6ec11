#include "platform/linux/LinuxSystemFacts.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace vexlin::platform::linux_impl {
namespace {

using namespace std::string_literals;

const std::filesystem::path kFixtures = VEXLIN_FIXTURES;

TEST(LinuxSystemFacts, LaptopTree) {
    const LinuxSystemFacts facts(kFixtures / "laptop");
    const OsVersion version = facts.osVersion();
    EXPECT_EQ(version.systemName, "Ubuntu 22.04.4 LTS");
    EXPECT_EQ(version.major, 6u);
    EXPECT_EQ(version.minor, 5u);
    EXPECT_EQ(version.build, 0u);
    EXPECT_EQ(version.servicePack, "");
    EXPECT_EQ(facts.computerName(), "thinkpad-x1");
    EXPECT_EQ(facts.biosDate(), "07/21/2022");
    EXPECT_EQ(facts.biosVersionBytes(), "LENOVO\0N2HET70W (1.53 )\0"
                                        "1.53\0"s);
    EXPECT_EQ(facts.totalMemoryBytes(), 16072392ULL * 1024);
    EXPECT_EQ(facts.soundOutputDevices(), 2);
    // ttyS0 and ttyS1 are placeholders without a UART; ttyS4 is a real port; numbers sort as numbers.
    EXPECT_EQ(facts.serialPorts(),
              (std::vector<std::string>{"/dev/ttyS4", "/dev/ttyUSB0", "/dev/ttyACM0", "/dev/ttyACM1"}));
    EXPECT_EQ(facts.opticalDrives(), (std::vector<std::string>{"/dev/sr0"}));
}

TEST(LinuxSystemFacts, MinimalTreeGivesEmptyFactsNotGuesses) {
    const LinuxSystemFacts facts(kFixtures / "minimal");
    const OsVersion version = facts.osVersion();
    EXPECT_EQ(version.systemName, "Alpine Linux"); // from /usr/lib/os-release, NAME only, escaped blank
    EXPECT_EQ(version.major, 5u);
    EXPECT_EQ(version.minor, 10u);
    EXPECT_EQ(version.packedVersion, 0x00000A05u);
    EXPECT_EQ(facts.computerName(), std::nullopt);
    EXPECT_EQ(facts.biosDate(), "");
    EXPECT_EQ(facts.biosVersionBytes(), "");
    EXPECT_EQ(facts.totalMemoryBytes(), 0u);
    EXPECT_EQ(facts.soundOutputDevices(), 0);
    EXPECT_TRUE(facts.serialPorts().empty());
    EXPECT_TRUE(facts.opticalDrives().empty());
}

TEST(LinuxSystemFacts, MissingRootGivesEmptyFacts) {
    const LinuxSystemFacts facts(kFixtures / "no-such-tree");
    EXPECT_EQ(facts.osVersion().systemName, "Linux");
    EXPECT_EQ(facts.osVersion().packedVersion, 0u);
    EXPECT_EQ(facts.totalMemoryBytes(), 0u);
}

TEST(LinuxSystemFacts, UserNameIsTheEffectiveUsersLogin) {
    // Compared with what the id tool reports, an independent reader of the same account.
    std::string expected;
    if (FILE* pipe = popen("id -un", "r")) {
        char buffer[256] = {};
        if (fgets(buffer, sizeof buffer, pipe) != nullptr) {
            expected = buffer;
        }
        pclose(pipe);
    }
    while (!expected.empty() && expected.back() == '\n') {
        expected.pop_back();
    }
    ASSERT_FALSE(expected.empty()) << "id -un gave nothing";
    EXPECT_EQ(LinuxSystemFacts("/").userName(), expected);
}

struct ReleaseRow {
    const char* name;
    const char* release;
    std::uint32_t major, minor, build, packed;
};

class KernelVersionTest : public testing::TestWithParam<ReleaseRow> {};

TEST_P(KernelVersionTest, ReadsTheLeadingNumbers) {
    const auto v = kernelVersion(GetParam().release);
    EXPECT_EQ(v.major, GetParam().major);
    EXPECT_EQ(v.minor, GetParam().minor);
    EXPECT_EQ(v.build, GetParam().build);
    EXPECT_EQ(v.packedVersion, GetParam().packed);
}

INSTANTIATE_TEST_SUITE_P(
    Releases, KernelVersionTest,
    testing::Values(ReleaseRow{"Debian", "6.1.0-18-amd64", 6, 1, 0, 0x00000106},
                    ReleaseRow{"Patch44", "6.18.44-fc-v1374", 6, 18, 44, (44u << 16) | 0x1206},
                    ReleaseRow{"TwoNumbers", "5.10", 5, 10, 0, 0x0A05},
                    ReleaseRow{"PatchAbove255", "4.19.325", 4, 19, 325, (325u << 16) | 0x1304},
                    ReleaseRow{"Empty", "", 0, 0, 0, 0}, ReleaseRow{"Garbage", "abc", 0, 0, 0, 0}),
    [](const auto& info) { return info.param.name; });

struct OsReleaseRow {
    const char* name;
    const char* text;
    const char* expected;
};

class OsReleaseNameTest : public testing::TestWithParam<OsReleaseRow> {};

TEST_P(OsReleaseNameTest, PrefersThePrettyName) {
    EXPECT_EQ(osReleaseName(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, OsReleaseNameTest,
    testing::Values(
        OsReleaseRow{"Quoted", "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n",
                     "Debian GNU/Linux 12 (bookworm)"},
        OsReleaseRow{"SingleQuoted", "PRETTY_NAME='Arch Linux'\n", "Arch Linux"},
        OsReleaseRow{"EscapedQuote", "PRETTY_NAME=\"Say \\\"hi\\\"\"\n", "Say \"hi\""},
        OsReleaseRow{"NameOnly", "NAME=Fedora\n", "Fedora"},
        OsReleaseRow{"EmptyPrettyFallsBack", "PRETTY_NAME=\nNAME=Gentoo\n", "Gentoo"},
        OsReleaseRow{"PrefixIsNotTheKey", "PRETTY_NAMES=x\nNAME=Void\n", "Void"},
        OsReleaseRow{"CrLf", "PRETTY_NAME=\"openSUSE Tumbleweed\"\r\n", "openSUSE Tumbleweed"},
        OsReleaseRow{"Nothing", "", "Linux"}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace vexlin::platform::linux_impl
