#include "FakePrograms.h"
#include "drives/DriveLines.h"
#include "drives/HelperRequest.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace vexlin::drives {
namespace {

namespace fs = std::filesystem;
using results::Verdict;

const fs::path kFixtures = VEXLIN_FIXTURES;

// --- which block devices are drives -----------------------------------------------------------------------

struct ListRow {
    const char* name;
    const char* tree;
    std::vector<BlockDrive> drives;
};

class DriveListTest : public testing::TestWithParam<ListRow> {};

TEST_P(DriveListTest, ListsTheDrivesAndWhatTheyHangOn) {
    EXPECT_EQ(listDrives(kFixtures / GetParam().tree), GetParam().drives);
}

INSTANTIATE_TEST_SUITE_P(
    Trees, DriveListTest,
    testing::Values(
        // Left out: the card reader and the optical drive (removable), loop, zram, device-mapper, RAID.
        ListRow{"laptop",
                "sysfs-laptop",
                {{"nvme0n1", false, false, 2000409264ULL * 512, "SAMSUNG MZVL21T0HCLR-00B00"},
                 {"sda", false, false, 976773168ULL * 512, "Samsung SSD 840"},
                 {"sdb", true, false, 625142448ULL * 512, "WDC WD3200BEVT-6"}}},
        ListRow{"virtual_machine", "sysfs-virtual-machine", {{"vda", false, true, 536870912ULL * 512, ""}}},
        ListRow{"no_sysfs", "no-such-tree", {}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- an NVMe drive's temperature limits from the kernel's hwmon ------------------------------------------

struct LimitsRow {
    const char* name;
    const char* tree;
    const char* drive;
    TemperatureLimits limits;
};

class NvmeHwmonTest : public testing::TestWithParam<LimitsRow> {};

TEST_P(NvmeHwmonTest, ReadsTheLimitsTheDriverShows) {
    EXPECT_EQ(nvmeHwmonLimits(kFixtures / GetParam().tree, GetParam().drive), GetParam().limits);
}

INSTANTIATE_TEST_SUITE_P(
    Trees, NvmeHwmonTest,
    testing::Values(
        // temp1_max 71850 and temp1_crit 84850 millidegrees: 345 K and 358 K, as smartctl would print them.
        LimitsRow{"nvme_controller", "sysfs-laptop", "nvme0n1", {72, 85}},
        LimitsRow{"sata_drive", "sysfs-laptop", "sda", {}},
        LimitsRow{"no_such_controller", "sysfs-laptop", "nvme1n1", {}},
        LimitsRow{"virtual_machine", "sysfs-virtual-machine", "vda", {}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- what the privileged helper lets through ---------------------------------------------------------------

struct RefusalRow {
    const char* name;
    std::string argument;
    const char* refusalPart; // empty: accepted
};

class HelperRequestTest : public testing::TestWithParam<RefusalRow> {};

TEST_P(HelperRequestTest, LetsOnlyABlockDeviceNameThrough) {
    const auto refusal = refuseDeviceName(GetParam().argument, kFixtures / "sysfs-laptop");
    if (*GetParam().refusalPart == '\0') {
        EXPECT_FALSE(refusal) << *refusal;
    } else {
        ASSERT_TRUE(refusal);
        EXPECT_NE(refusal->find(GetParam().refusalPart), std::string::npos) << *refusal;
    }
}

constexpr const char* kOnlyLetters = "только строчные латинские буквы и цифры";

INSTANTIATE_TEST_SUITE_P(
    Arguments, HelperRequestTest,
    testing::Values(RefusalRow{"nvme_drive", "nvme0n1", ""}, RefusalRow{"sata_drive", "sda", ""},
                    RefusalRow{"empty", "", "пустое"}, RefusalRow{"device_path", "/dev/sda", kOnlyLetters},
                    RefusalRow{"relative_path", "../sda", kOnlyLetters},
                    RefusalRow{"parent_directory", "..", kOnlyLetters},
                    RefusalRow{"option", "-a", kOnlyLetters},
                    RefusalRow{"long_option", "--scan", kOnlyLetters},
                    RefusalRow{"dotted", "sda.1", kOnlyLetters}, RefusalRow{"capitals", "SDA", kOnlyLetters},
                    RefusalRow{"shell_metacharacters", "sda;id", kOnlyLetters},
                    RefusalRow{"blank", "sda ", kOnlyLetters},
                    RefusalRow{"embedded_nul", std::string("sda\0x", 5), kOnlyLetters},
                    RefusalRow{"device_mapper", "dm-0", kOnlyLetters},
                    RefusalRow{"not_a_block_device", "nvme9n9", "нет такого блочного устройства"},
                    RefusalRow{"a_file_of_the_tree", "size", "нет такого блочного устройства"},
                    RefusalRow{"too_long", std::string(33, 'a'), "слишком длинное"}),
    [](const auto& info) { return std::string(info.param.name); });

// The whole argument list: a name, or "short-test" and a name; nothing else, in no other order.
struct ArgumentsRow {
    const char* name;
    std::vector<std::string> arguments;
    bool shortTest;
    const char* device;      // empty: refused
    const char* refusalPart; // part of the refusal
};

class HelperArgumentsTest : public testing::TestWithParam<ArgumentsRow> {};

TEST_P(HelperArgumentsTest, AcceptsOnlyTheTwoFixedForms) {
    const ArgumentsRow& row = GetParam();
    const HelperRequest request = readHelperArguments(row.arguments, kFixtures / "sysfs-laptop");
    EXPECT_EQ(request.device, row.device);
    EXPECT_EQ(request.shortTest, row.shortTest);
    EXPECT_NE(request.refusal.find(row.refusalPart), std::string::npos) << request.refusal;
    EXPECT_EQ(request.refusal.empty(), *row.device != '\0');
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, HelperArgumentsTest,
    testing::Values(
        ArgumentsRow{"read", {"nvme0n1"}, false, "nvme0n1", ""},
        ArgumentsRow{"short_test", {"short-test", "sda"}, true, "sda", ""},
        ArgumentsRow{"nothing", {}, false, "", "нужно имя блочного устройства"},
        ArgumentsRow{"short_test_without_name", {"short-test"}, false, "", kOnlyLetters},
        ArgumentsRow{"short_test_of_a_path", {"short-test", "/dev/sda"}, false, "", kOnlyLetters},
        ArgumentsRow{
            "short_test_of_no_drive", {"short-test", "nvme9n9"}, false, "", "нет такого блочного устройства"},
        ArgumentsRow{"long_test", {"long-test", "sda"}, false, "", "только short-test"},
        ArgumentsRow{"smartctl_option", {"-t", "sda"}, false, "", "только short-test"},
        ArgumentsRow{"word_after_the_name", {"sda", "short-test"}, false, "", "только short-test"},
        ArgumentsRow{"capital_word", {"SHORT-TEST", "sda"}, false, "", "только short-test"},
        ArgumentsRow{"word_with_a_blank", {"short-test ", "sda"}, false, "", "только short-test"},
        ArgumentsRow{"three_arguments", {"short-test", "sda", "sda"}, false, "", "нужно имя"}),
    [](const auto& info) { return std::string(info.param.name); });

// The helper program itself refuses before it runs anything: its exit code says so.
struct HelperRunRow {
    const char* name;
    std::vector<std::string> arguments;
};

class HelperProgramTest : public testing::TestWithParam<HelperRunRow> {};

TEST_P(HelperProgramTest, RefusesAndRunsNothing) {
    std::string command = std::string(VEXLIN_SMART_HELPER);
    for (const auto& argument : GetParam().arguments) {
        command += " '" + argument + "'";
    }
    command += " 2>/dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), kHelperRefused);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, HelperProgramTest,
    testing::Values(HelperRunRow{"no_argument", {}}, HelperRunRow{"two_names", {"sda", "sdb"}},
                    HelperRunRow{"empty", {""}}, HelperRunRow{"path", {"/dev/sda"}},
                    HelperRunRow{"option", {"--scan"}}, HelperRunRow{"option_with_name", {"-d", "sat"}},
                    HelperRunRow{"dotted", {"sda.1"}}, HelperRunRow{"not_a_block_device", {"nosuchdisk9"}},
                    // This machine's own disk behind a word other than short-test, or in another order.
                    HelperRunRow{"long_test", {"long-test", "vda"}},
                    HelperRunRow{"smartctl_test_option", {"-t", "short", "vda"}},
                    HelperRunRow{"word_after_the_name", {"vda", "short-test"}},
                    HelperRunRow{"short_test_twice", {"short-test", "short-test", "vda"}},
                    HelperRunRow{"short_test_of_a_path", {"short-test", "/dev/vda"}},
                    HelperRunRow{"short_test_without_name", {"short-test"}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- running smartctl
// ---------------------------------------------------------------------------------------

struct RunRow {
    const char* name;
    bool privileged;
    const char* smartctl; // the fake's body, or null for none
    const char* pkexec;
    RunOutcome::Kind kind;
    const char* messagePart;
    SmartAction action = SmartAction::Read;
};

class SmartctlRunnerTest : public testing::TestWithParam<RunRow> {};

TEST_P(SmartctlRunnerTest, SaysHowItWent) {
    const RunRow& row = GetParam();
    FakePrograms fakes;
    if (row.smartctl != nullptr) {
        fakes.add("smartctl", row.smartctl);
    }
    if (row.pkexec != nullptr) {
        fakes.add("pkexec", row.pkexec);
    }
    RunSettings settings;
    settings.privileged = row.privileged;
    settings.helper = "/usr/lib/vexlin/vexlin-smart-helper";
    settings.timeout = std::chrono::milliseconds(500);
    settings.systemDirectories.clear();
    const RunOutcome outcome = runSmartctl("nvme0n1", settings, row.action);
    EXPECT_EQ(outcome.kind, row.kind) << outcome.message;
    const std::string& said = row.kind == RunOutcome::Kind::Output ? outcome.output : outcome.message;
    EXPECT_NE(said.find(row.messagePart), std::string::npos) << said;
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, SmartctlRunnerTest,
    testing::Values(
        RunRow{"as_root_directly", true, R"(echo "{\"argv\": \"$*\"}"; exit 4)", nullptr,
               RunOutcome::Kind::Output, "--json -x /dev/nvme0n1"},
        RunRow{"through_pkexec_and_the_helper", false, "exit 1", R"(echo "{\"argv\": \"$*\"}")",
               RunOutcome::Kind::Output, "/usr/lib/vexlin/vexlin-smart-helper nvme0n1"},
        RunRow{"no_smartctl", false, nullptr, "exit 0", RunOutcome::Kind::NoSmartctl, "smartmontools"},
        RunRow{"no_pkexec", false, "exit 0", nullptr, RunOutcome::Kind::NoPkexec,
               "apt install pkexec polkitd"},
        RunRow{"password_dialog_dismissed", false, "exit 0", "exit 126", RunOutcome::Kind::Refused,
               "Пароль администратора не принят"},
        RunRow{"password_wrong", false, "exit 0", "exit 127", RunOutcome::Kind::Refused,
               "введите пароль администратора"},
        RunRow{"helper_finds_no_smartctl", false, "exit 0", "exit 69", RunOutcome::Kind::NoSmartctl,
               "smartmontools"},
        RunRow{"short_test_as_root", true, R"(echo "{\"argv\": \"$*\"}")", nullptr, RunOutcome::Kind::Output,
               "--json -t short /dev/nvme0n1", SmartAction::ShortSelfTest},
        RunRow{"short_test_through_the_helper", false, "exit 1", R"(echo "{\"argv\": \"$*\"}")",
               RunOutcome::Kind::Output, "/usr/lib/vexlin/vexlin-smart-helper short-test nvme0n1",
               SmartAction::ShortSelfTest},
        RunRow{"hung_drive", true, "sleep 5", nullptr, RunOutcome::Kind::TimedOut, "не ответил за 1 с"},
        RunRow{"says_nothing", true, "exit 2", nullptr, RunOutcome::Kind::Failed, "кодом 2"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- the results lines -------------------------------------------------------------------------------------

const results::ResultLine* lineOf(const std::vector<results::ResultLine>& lines, const std::string& key) {
    for (const auto& line : lines) {
        if (line.key == key) {
            return &line;
        }
    }
    return nullptr;
}

TEST(DriveLinesTest, ReadsEachInternalDriveAndNamesTheOthers) {
    FakePrograms fakes;
    // smartctl answers for each drive with that drive's public output.
    fakes.add("smartctl", "case \"$3\" in /dev/nvme0n1) f=nvme-worn-samsung-pm9a1.json;; "
                          "/dev/sda) f=sata-ssd-samsung-840.json;; *) exit 2;; esac; cat '" +
                              (kFixtures / "smartctl").string() + "'/$f");
    RunSettings settings;
    settings.privileged = true;
    settings.systemDirectories.clear();
    const DrivesReading reading = readDrives(kFixtures / "sysfs-laptop", settings);
    const auto lines = driveLines(reading, ",");

    const auto* nvme = lineOf(lines, "nvme0n1.drive");
    ASSERT_NE(nvme, nullptr);
    EXPECT_EQ(nvme->value, "SAMSUNG MZVL21T0HCLR-00B00, NVMe, 1,02 ТБ, с/н REDACTED, прошивка REDACTED");
    EXPECT_EQ(nvme->verdict, "Изношен на 16 %");
    EXPECT_EQ(nvme->judgement, Verdict::Good);
    const auto* health = lineOf(lines, "nvme0n1.health");
    ASSERT_NE(health, nullptr);
    EXPECT_EQ(health->value,
              "10423 ч работы, 6 включений, 1 аварийное выключение, 29 °C (предел 72 °C, критический 85 °C), "
              "записано 58,2 ТБ, "
              "использовано ресурса 16 %, запас блоков 100 % (порог 10 %), ошибок носителя 0, "
              "предупреждения 0");
    EXPECT_EQ(health->verdict, "израсходовано 16 % ресурса записи");
    EXPECT_NE(std::find(health->facts.begin(), health->facts.end(),
                        results::Fact{"percentage_used", std::int64_t{16}, "%"}),
              health->facts.end());

    const auto* ssd = lineOf(lines, "sda.health");
    ASSERT_NE(ssd, nullptr);
    EXPECT_NE(ssd->value.find("33 °C (предел 70 °C, критический 70 °C)"), std::string::npos) << ssd->value;
    EXPECT_NE(ssd->value.find("ошибок кабеля (CRC) 108"), std::string::npos) << ssd->value;

    // The USB drive is not read at all: it is named and left out of the verdicts.
    const auto* usb = lineOf(lines, "sdb.drive");
    ASSERT_NE(usb, nullptr);
    EXPECT_EQ(usb->verdict, kExternalWords);
    EXPECT_EQ(usb->judgement, Verdict::None);
    EXPECT_EQ(lineOf(lines, "sdb.health"), nullptr);
    EXPECT_EQ(lines.size(), 5u);
}

TEST(DriveLinesTest, VirtualDiskNeedsNoSmartctl) {
    FakePrograms fakes; // no smartctl, no pkexec
    const DrivesReading reading = readDrives(kFixtures / "sysfs-virtual-machine", RunSettings{});
    const auto lines = driveLines(reading, ",");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].key, "vda.drive");
    EXPECT_EQ(lines[0].verdict, kVirtualWords);
}

TEST(DriveLinesTest, ARefusedPasswordIsOneLineThatSaysWhatToDo) {
    FakePrograms fakes;
    fakes.add("smartctl", "exit 0");
    fakes.add("pkexec", "exit 126");
    RunSettings settings;
    settings.systemDirectories.clear();
    const auto lines = driveLines(readDrives(kFixtures / "sysfs-laptop", settings), ",");
    const auto* failure = lineOf(lines, "reading");
    ASSERT_NE(failure, nullptr);
    EXPECT_NE(failure->verdict.find("Нажмите кнопку ещё раз"), std::string::npos);
    // Asked once, not once per drive.
    EXPECT_EQ(lineOf(lines, "sda.drive")->verdict, "не прочитан");
}

} // namespace
} // namespace vexlin::drives
