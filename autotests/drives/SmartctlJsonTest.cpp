#include "drives/SmartctlJson.h"

#include "drives/DriveVerdict.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace vexlin::drives {
namespace {

using results::Verdict;
using Kind = SmartctlReading::Kind;

std::string fixture(const std::string& name) {
    std::ifstream in(std::string(VEXLIN_FIXTURES) + "/smartctl/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Each real drive's output, read and judged.
struct FixtureRow {
    const char* name;
    const char* file;
    Interface interface;
    const char* model;
    std::optional<std::int64_t> powerOnHours;
    std::optional<std::uint64_t> capacity;
    Verdict judgement;
    const char* words;
    const char* whyPart; // a part of the first reason
};

class SmartctlFixtureTest : public testing::TestWithParam<FixtureRow> {};

TEST_P(SmartctlFixtureTest, ReadsAndJudgesWhatTheDriveSaid) {
    const FixtureRow& row = GetParam();
    const SmartctlReading reading = readSmartctlJson(fixture(row.file));
    ASSERT_EQ(reading.kind, Kind::Records) << reading.message;
    EXPECT_EQ(reading.record.interface, row.interface);
    EXPECT_EQ(reading.record.model, row.model);
    EXPECT_EQ(reading.record.powerOnHours, row.powerOnHours);
    EXPECT_EQ(reading.record.capacityBytes, row.capacity);
    const DriveVerdict verdict = judge(reading.record);
    EXPECT_EQ(verdict.judgement, row.judgement);
    EXPECT_EQ(verdict.words, row.words);
    ASSERT_FALSE(verdict.why.empty());
    EXPECT_NE(verdict.why.front().find(row.whyPart), std::string::npos) << verdict.why.front();
}

INSTANTIATE_TEST_SUITE_P(
    RealDrives, SmartctlFixtureTest,
    testing::Values(FixtureRow{"healthy_nvme", "nvme-healthy-intel-660p.json", Interface::Nvme,
                               "INTEL SSDPEKNW010T8", 2401, 1024209543168, Verdict::Good, "Исправен",
                               "ошибок нет, износ 0 %"},
                    FixtureRow{"worn_nvme", "nvme-worn-samsung-pm9a1.json", Interface::Nvme,
                               "SAMSUNG MZVL21T0HCLR-00B00", 10423, 1024209543168, Verdict::Good,
                               "Изношен на 16 %", "16 % ресурса записи"},
                    FixtureRow{"nvme_with_media_errors", "nvme-media-errors-samsung-970evo.json",
                               Interface::Nvme, "Samsung SSD 970 EVO 500GB", 12798, 500107862016,
                               Verdict::Warning, "Внимание: 7 ошибок носителя", "7 ошибок носителя"},
                    // Its CRC count is the cable's: the drive itself is sound.
                    FixtureRow{"sata_ssd_bad_cable", "sata-ssd-samsung-840.json", Interface::SataSsd,
                               "Samsung SSD 840 Series", 19497, 500107862016, Verdict::Warning,
                               "Внимание: неисправен кабель или разъём",
                               "108 ошибок передачи (CRC): виноват кабель или разъём"},
                    FixtureRow{"sata_hdd_failing_with_pending_sectors", "sata-hdd-pending-hitachi.json",
                               Interface::SataHdd, "Hitachi HDS721050DLE630", 65592, 500107862016,
                               Verdict::Bad, "Неисправен: диск сам сообщает о сбое", "не пройдена"},
                    FixtureRow{"drive_behind_usb_bridge", "usb-wd-scorpio-jmicron.json", Interface::SataHdd,
                               "WDC WD3200BEVT-60ZCT0", 16402, 320072933376, Verdict::Bad,
                               "Неисправен: диск сам сообщает о сбое", "не пройдена"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SmartctlJsonTest, ReadsEveryCounterTheVerdictsUse) {
    const auto hdd = readSmartctlJson(fixture("sata-hdd-pending-hitachi.json")).record;
    EXPECT_EQ(hdd.reallocatedSectors, 1975);
    EXPECT_EQ(hdd.pendingSectors, 8);
    EXPECT_EQ(hdd.offlineUncorrectable, 0);
    EXPECT_EQ(hdd.crcErrors, 0);
    EXPECT_EQ(hdd.unsafeShutdowns, 6244);
    EXPECT_EQ(hdd.temperature, 25);       // not the packed raw value of attribute 194
    EXPECT_EQ(judge(hdd).why.size(), 3u); // failed assessment, reallocated, pending

    const auto ssd = readSmartctlJson(fixture("sata-ssd-samsung-840.json")).record;
    EXPECT_EQ(ssd.ssdWearPercent, 2); // Wear_Leveling_Count normalised 98
    EXPECT_EQ(ssd.ssdWearSource, "Wear_Leveling_Count");
    EXPECT_EQ(ssd.warningTemperature, 70);
    EXPECT_EQ(ssd.bytesWritten, 10935822505ULL * 512);

    const auto nvme = readSmartctlJson(fixture("nvme-worn-samsung-pm9a1.json")).record;
    EXPECT_EQ(nvme.percentageUsed, 16);
    EXPECT_EQ(nvme.availableSpare, 100);
    EXPECT_EQ(nvme.availableSpareThreshold, 10);
    EXPECT_EQ(nvme.unsafeShutdowns, 1);
    EXPECT_EQ(nvme.powerCycles, 6);
    EXPECT_EQ(nvme.bytesWritten, 113662783ULL * 512000);
}

// Output that is not a drive's records: never a crash, always a reason.
struct OddRow {
    const char* name;
    std::string json;
    Kind kind;
    const char* messagePart;
};

class SmartctlOddOutputTest : public testing::TestWithParam<OddRow> {};

TEST_P(SmartctlOddOutputTest, SaysWhatItGot) {
    const auto reading = readSmartctlJson(GetParam().json);
    EXPECT_EQ(reading.kind, GetParam().kind);
    EXPECT_NE(reading.message.find(GetParam().messagePart), std::string::npos) << reading.message;
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, SmartctlOddOutputTest,
    testing::Values(OddRow{"virtual_disk_smartctl_cannot_open", fixture("virtual-qemu-virtio.json"),
                           Kind::NoRecords, "Unable to detect device type"},
                    OddRow{"empty", "", Kind::Invalid, "не является JSON"},
                    OddRow{"text_error", "smartctl: command not found", Kind::Invalid, "не является JSON"},
                    OddRow{"cut_off_in_the_middle", fixture("nvme-worn-samsung-pm9a1.json").substr(0, 700),
                           Kind::Invalid, "не является JSON"},
                    OddRow{"array", "[1, 0]", Kind::Invalid, "не является JSON"},
                    OddRow{"no_format_version", R"({"device": {"protocol": "NVMe"}})", Kind::Invalid,
                           "json_format_version"},
                    OddRow{"format_version_as_text", R"({"json_format_version": "1.0"})", Kind::Invalid,
                           "json_format_version"},
                    OddRow{"future_format", R"({"json_format_version": [2, 0], "device": {}})", Kind::Invalid,
                           "[2,0]"},
                    OddRow{"wrong_types_everywhere",
                           R"({"json_format_version": [1, 0], "device": {"protocol": "NVMe"}, "model_name": 5,
                   "power_on_time": {"hours": "many"}, "nvme_smart_health_information_log": [1]})",
                           Kind::Records, ""}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vexlin::drives
