#include "sysinfo/InventoryText.h"

#include <gtest/gtest.h>

namespace vexlin::sysinfo {
namespace {

constexpr std::uint64_t kGiB = 1ULL << 30;
constexpr std::uint64_t kBlock = 104'857'600;

// --- operating-system name -----------------------------------------------------------------------------

struct NameRow {
    const char* name;
    std::uint32_t major;
    std::uint32_t minor;
    const char* expected;
};

class WindowsNameTest : public testing::TestWithParam<NameRow> {};

TEST_P(WindowsNameTest, ChoosesTheRowOfTheVersionPair) {
    EXPECT_EQ(windowsName(GetParam().major, GetParam().minor), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Versions, WindowsNameTest,
                         testing::Values(NameRow{"NT351", 3, 51, "Microsoft® Windows NT"},
                                         NameRow{"NT0", 0, 0, "Microsoft® Windows NT"},
                                         NameRow{"W95", 4, 0, "Microsoft® Windows 95"},
                                         NameRow{"W98", 4, 10, "Microsoft® Windows 98"},
                                         NameRow{"Me", 4, 90, "Microsoft® Windows Millenium Edition"},
                                         NameRow{"Unknown4", 4, 1, "Microsoft® Windows"},
                                         NameRow{"W2000", 5, 0, "Microsoft® Windows 2000"},
                                         NameRow{"XP", 5, 1, "Microsoft® Windows XP"},
                                         NameRow{"Server2003", 5, 2, "Microsoft® Windows Server 2003"},
                                         NameRow{"Five3IsVista", 5, 3, "Microsoft® Windows Vista"},
                                         NameRow{"Vista", 6, 0, "Microsoft® Windows Vista"},
                                         NameRow{"Seven", 6, 1, "Microsoft® Windows"},
                                         NameRow{"Ten", 10, 0, "Microsoft® Windows"}),
                         [](const auto& info) { return info.param.name; });

struct LabelRow {
    const char* name;
    platform::OsVersion version;
    const char* expected;
};

class SystemLabelTest : public testing::TestWithParam<LabelRow> {};

TEST_P(SystemLabelTest, JoinsNameAndServicePackWithOneBlank) {
    EXPECT_EQ(systemLabel(GetParam().version), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Labels, SystemLabelTest,
    testing::Values(LabelRow{"XpServicePack",
                             {5, 1, 2600, "Service Pack 2", 0, ""},
                             "Microsoft® Windows XP Service Pack 2"},
                    LabelRow{"EmptyServicePackKeepsBlank", {5, 1, 2600, "", 0, ""}, "Microsoft® Windows XP "},
                    LabelRow{"SevenUnknownPair",
                             {6, 1, 7601, "Service Pack 1", 0, ""},
                             "Microsoft® Windows Service Pack 1"},
                    LabelRow{"SystemNamesItself",
                             {6, 1, 44, "", 0, "Debian GNU/Linux 12 (bookworm)"},
                             "Debian GNU/Linux 12 (bookworm) "}),
    [](const auto& info) { return info.param.name; });

// --- version word --------------------------------------------------------------------------------------

struct WordRow {
    const char* name;
    std::uint32_t packed;
    const char* version;
    const char* dos;
};

class VersionWordTest : public testing::TestWithParam<WordRow> {};

TEST_P(VersionWordTest, SplitsTheHalves) {
    EXPECT_EQ(versionText(GetParam().packed), GetParam().version);
    EXPECT_EQ(dosText(GetParam().packed), GetParam().dos);
}

INSTANTIATE_TEST_SUITE_P(Words, VersionWordTest,
                         testing::Values(WordRow{"WindowsXp", 0x0A280105, "Версия 5.1", "10.40"},
                                         WordRow{"Windows98", 0xC0000A04, "Версия 4.10", "192.0"},
                                         WordRow{"Zero", 0, "Версия 0.0", "0.0"},
                                         WordRow{"Kernel6_18_44", (44u << 16) | (18u << 8) | 6u,
                                                 "Версия 6.18", "0.44"},
                                         WordRow{"AllOnes", 0xFFFFFFFF, "Версия 255.255", "255.255"}),
                         [](const auto& info) { return info.param.name; });

TEST(BuildText, ReadsTheWholeFieldUnsigned) {
    EXPECT_EQ(buildText(2600), "Build:2600");
    EXPECT_EQ(buildText(0xFFFFFFFFu), "Build:4294967295");
}

TEST(Names, FailedQueriesShowEmptyComputerAndUnknownUser) {
    EXPECT_EQ(computerNameText(std::nullopt), "");
    EXPECT_EQ(computerNameText(std::string("laptop")), "laptop");
    EXPECT_EQ(userNameText(std::nullopt), "Unknown");
    EXPECT_EQ(userNameText(std::string("ivan")), "ivan");
}

// --- device lists --------------------------------------------------------------------------------------

struct ListRow {
    const char* name;
    std::vector<std::string> items;
    const char* expected;
};

class BlankJoinedListTest : public testing::TestWithParam<ListRow> {};

TEST_P(BlankJoinedListTest, PrecedesEveryNameWithOneBlank) {
    EXPECT_EQ(serialPortsText(GetParam().items), GetParam().expected);
    EXPECT_EQ(opticalDrivesText(GetParam().items), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, BlankJoinedListTest,
    testing::Values(ListRow{"None", {}, ""}, ListRow{"One", {"COM1"}, " COM1"},
                    ListRow{"ComOneAndThree", {"COM1", "COM3"}, " COM1 COM3"},
                    ListRow{"OpticalDandE", {"D:\\", "E:\\"}, " D:\\ E:\\"},
                    ListRow{"LinuxDevices", {"/dev/ttyS0", "/dev/ttyUSB0"}, " /dev/ttyS0 /dev/ttyUSB0"}),
    [](const auto& info) { return info.param.name; });

TEST(SoundText, AnyOutputDeviceCounts) {
    EXPECT_EQ(soundText(0), "Нет");
    EXPECT_EQ(soundText(-1), "Нет");
    EXPECT_EQ(soundText(1), "Есть");
    EXPECT_EQ(soundText(3), "Есть");
}

TEST(ScreenTexts, DepthMultipliesPlanesAndResolutionHasNoBlanks) {
    EXPECT_EQ(colourDepthText(32, 1), "32 бита");
    EXPECT_EQ(colourDepthText(16, 1), "16 бита");
    EXPECT_EQ(colourDepthText(1, 4), "4 бита");
    EXPECT_EQ(resolutionText(1920, 1080), "1920x1080");
}

// --- memory --------------------------------------------------------------------------------------------

struct MemoryRow {
    const char* name;
    std::uint64_t bytes;
    const char* separator;
    const char* expected;
};

class MemoryTextTest : public testing::TestWithParam<MemoryRow> {};

TEST_P(MemoryTextTest, GroupsWholeKilobytes) {
    EXPECT_EQ(memoryText(GetParam().bytes, GetParam().separator), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Memory, MemoryTextTest,
    testing::Values(MemoryRow{"ZeroPrintsNoDigit", 0, ",", " KB"},
                    MemoryRow{"UnderOneKilobyteIsZero", 1023, ",", " KB"},
                    MemoryRow{"OneKilobyte", 1024, ",", "1 KB"},
                    MemoryRow{"PartialKilobyteTruncated", 2047, ",", "1 KB"},
                    MemoryRow{"ThreeDigitsNoSeparator", 999 * 1024ULL, ",", "999 KB"},
                    MemoryRow{"FourDigits", 1000 * 1024ULL, ",", "1,000 KB"},
                    MemoryRow{"CommaLocale", 1047468 * 1024ULL, ",", "1,047,468 KB"},
                    MemoryRow{"RussianNoBreakSpace", 1047468 * 1024ULL, "\u00A0", "1\u00A0047\u00A0468 KB"},
                    MemoryRow{"SixteenGiBBeyond32Bits", 16 * kGiB, ",", "16,777,216 KB"},
                    MemoryRow{"PointSeparator", 123456789 * 1024ULL, ".", "123.456.789 KB"}),
    [](const auto& info) { return info.param.name; });

// --- partitions ----------------------------------------------------------------------------------------

struct PartitionRow {
    const char* name;
    platform::Partition partition;
    const char* expected;
};

class PartitionLineTest : public testing::TestWithParam<PartitionRow> {};

TEST_P(PartitionLineTest, CountsWholeUnitsAndBlocks) {
    EXPECT_EQ(partitionLine(GetParam().partition), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Partitions, PartitionLineTest,
    testing::Values(
        PartitionRow{
            "DriveC", {"C:\\", 37 * kGiB + 2 * kBlock, 12 * kGiB + 5 * kBlock}, "C:\\ 37,2 Gb Free: 12,5Gb"},
        PartitionRow{"JustBelowNextUnitShowsTen", {"/", 5 * kGiB + kGiB - 1, 0}, "/ 5,10 Gb Free: 0,0Gb"},
        PartitionRow{"TenStartsAtTenBlocks", {"/", 10 * kBlock, 10 * kBlock - 1}, "/ 0,10 Gb Free: 0,9Gb"},
        PartitionRow{"OneByteShortOfBlock", {"/home", kBlock - 1, kBlock}, "/home 0,0 Gb Free: 0,1Gb"},
        PartitionRow{"Empty", {"/boot", 0, 0}, "/boot 0,0 Gb Free: 0,0Gb"},
        PartitionRow{"FourTerabytes",
                     {"/data", 4096 * kGiB, 4095 * kGiB + 9 * kBlock},
                     "/data 4096,0 Gb Free: 4095,9Gb"},
        PartitionRow{"UnknownSize", {"/mnt/nfs", std::nullopt, std::nullopt}, "/mnt/nfs размер неизвестен"}),
    [](const auto& info) { return info.param.name; });

// --- display modes -------------------------------------------------------------------------------------

struct ModeRow {
    const char* name;
    platform::DisplayMode mode;
    const char* expected;
};

class DisplayModeLineTest : public testing::TestWithParam<ModeRow> {};

TEST_P(DisplayModeLineTest, ChoosesThePatternByDepth) {
    EXPECT_EQ(displayModeLine(GetParam().mode), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, DisplayModeLineTest,
    testing::Values(ModeRow{"EightBit", {640, 480, 8}, "640 на 480, 256 цветов"},
                    ModeRow{"FourBit", {800, 600, 4}, "800 на 600, 16 цветов"},
                    ModeRow{"OneBit", {640, 480, 1}, "640 на 480, 2 цветов"},
                    ModeRow{"FifteenBit", {1024, 768, 15}, "1024 на 768, 32768 цветов"},
                    ModeRow{"HighColor", {1024, 768, 16}, "1024 на 768, High Color (16 бит)"},
                    ModeRow{"TrueColor24", {1920, 1080, 24}, "1920 на 1080, True Color (24 бита)"},
                    ModeRow{"TrueColor32", {1920, 1080, 32}, "1920 на 1080, True Color (32 бита)"}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace vexlin::sysinfo
