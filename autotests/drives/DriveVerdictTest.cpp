#include "drives/DriveVerdict.h"

#include <functional>
#include <gtest/gtest.h>

namespace vexlin::drives {
namespace {

using results::Verdict;

DriveRecord healthyNvme() {
    DriveRecord record;
    record.interface = Interface::Nvme;
    record.assessmentPassed = true;
    record.percentageUsed = 0;
    record.availableSpare = 100;
    record.availableSpareThreshold = 10;
    record.mediaErrors = 0;
    record.criticalWarning = 0;
    record.temperature = 40;
    record.warningTemperature = 70;
    return record;
}

DriveRecord healthyHdd() {
    DriveRecord record;
    record.interface = Interface::SataHdd;
    record.assessmentPassed = true;
    record.reallocatedSectors = 0;
    record.pendingSectors = 0;
    record.offlineUncorrectable = 0;
    record.crcErrors = 0;
    return record;
}

// One rule at a time, on either side of its threshold.
struct RuleRow {
    const char* name;
    std::function<DriveRecord()> record;
    Verdict judgement;
    const char* words;
};

class DriveVerdictRuleTest : public testing::TestWithParam<RuleRow> {};

TEST_P(DriveVerdictRuleTest, JudgesTheRecord) {
    const DriveVerdict verdict = judge(GetParam().record());
    EXPECT_EQ(verdict.judgement, GetParam().judgement);
    EXPECT_EQ(verdict.words, GetParam().words);
}

template <typename Change> std::function<DriveRecord()> nvmeWith(Change change) {
    return [change] {
        DriveRecord record = healthyNvme();
        change(record);
        return record;
    };
}

template <typename Change> std::function<DriveRecord()> hddWith(Change change) {
    return [change] {
        DriveRecord record = healthyHdd();
        change(record);
        return record;
    };
}

INSTANTIATE_TEST_SUITE_P(
    Rules, DriveVerdictRuleTest,
    testing::Values(
        RuleRow{"healthy_nvme", healthyNvme, Verdict::Good, "Исправен"},
        RuleRow{"healthy_hdd", healthyHdd, Verdict::Good, "Исправен"},
        RuleRow{"wear_9_not_named", nvmeWith([](auto& r) { r.percentageUsed = 9; }), Verdict::Good,
                "Исправен"},
        RuleRow{"wear_10_named", nvmeWith([](auto& r) { r.percentageUsed = 10; }), Verdict::Good,
                "Изношен на 10 %"},
        RuleRow{"wear_23", nvmeWith([](auto& r) { r.percentageUsed = 23; }), Verdict::Good,
                "Изношен на 23 %"},
        RuleRow{"wear_79", nvmeWith([](auto& r) { r.percentageUsed = 79; }), Verdict::Good,
                "Изношен на 79 %"},
        RuleRow{"wear_80_warns", nvmeWith([](auto& r) { r.percentageUsed = 80; }), Verdict::Warning,
                "Изношен на 80 %"},
        RuleRow{"wear_beyond_100", nvmeWith([](auto& r) { r.percentageUsed = 130; }), Verdict::Warning,
                "Изношен на 130 %"},
        RuleRow{"sata_ssd_wear_from_statistics", hddWith([](auto& r) {
                    r.interface = Interface::SataSsd;
                    r.ssdWearPercent = 85;
                }),
                Verdict::Warning, "Изношен на 85 %"},
        RuleRow{"spare_above_threshold", nvmeWith([](auto& r) { r.availableSpare = 11; }), Verdict::Good,
                "Исправен"},
        RuleRow{"spare_at_threshold", nvmeWith([](auto& r) { r.availableSpare = 10; }), Verdict::Bad,
                "Неисправен: запасные блоки исчерпаны"},
        RuleRow{"one_media_error", nvmeWith([](auto& r) { r.mediaErrors = 1; }), Verdict::Warning,
                "Внимание: 1 ошибка носителя"},
        RuleRow{"critical_warning_temperature_bit", nvmeWith([](auto& r) { r.criticalWarning = 0x02; }),
                Verdict::Warning, "Внимание: диск сообщает о неполадке"},
        RuleRow{"critical_warning_read_only_bit", nvmeWith([](auto& r) { r.criticalWarning = 0x08; }),
                Verdict::Bad, "Неисправен: диск сам сообщает о сбое"},
        RuleRow{"temperature_at_limit", nvmeWith([](auto& r) { r.temperature = 70; }), Verdict::Good,
                "Исправен"},
        RuleRow{"temperature_above_limit", nvmeWith([](auto& r) { r.temperature = 71; }), Verdict::Warning,
                "Внимание: перегрев"},
        RuleRow{"temperature_without_limit", nvmeWith([](auto& r) {
                    r.temperature = 90;
                    r.warningTemperature.reset();
                }),
                Verdict::Good, "Исправен"},
        RuleRow{"twelve_reallocated", hddWith([](auto& r) { r.reallocatedSectors = 12; }), Verdict::Warning,
                "Внимание: 12 переназначенных секторов"},
        RuleRow{"twenty_one_reallocated", hddWith([](auto& r) { r.reallocatedSectors = 21; }),
                Verdict::Warning, "Внимание: 21 переназначенный сектор"},
        RuleRow{"three_pending", hddWith([](auto& r) { r.pendingSectors = 3; }), Verdict::Warning,
                "Внимание: 3 нестабильных сектора"},
        RuleRow{"eleven_uncorrectable", hddWith([](auto& r) { r.offlineUncorrectable = 11; }),
                Verdict::Warning, "Внимание: 11 неисправимых секторов"},
        RuleRow{"crc_errors_blame_the_cable", hddWith([](auto& r) { r.crcErrors = 1; }), Verdict::Warning,
                "Внимание: неисправен кабель или разъём"},
        RuleRow{"failed_assessment_outweighs_sectors", hddWith([](auto& r) {
                    r.assessmentPassed = false;
                    r.reallocatedSectors = 12;
                }),
                Verdict::Bad, "Неисправен: диск сам сообщает о сбое"},
        RuleRow{"sectors_outweigh_wear", hddWith([](auto& r) {
                    r.interface = Interface::SataSsd;
                    r.ssdWearPercent = 40;
                    r.reallocatedSectors = 2;
                }),
                Verdict::Warning, "Внимание: 2 переназначенных сектора"},
        RuleRow{"nothing_reported", [] { return DriveRecord{}; }, Verdict::None, "сведений о здоровье нет"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DriveVerdictTest, GivesEveryReasonWorstFirst) {
    DriveRecord record = healthyHdd();
    record.crcErrors = 4;
    record.assessmentPassed = false;
    const DriveVerdict verdict = judge(record);
    ASSERT_EQ(verdict.why.size(), 2u);
    EXPECT_EQ(verdict.why[0], "собственная проверка диска (SMART) не пройдена");
    EXPECT_EQ(verdict.why[1], "4 ошибки передачи (CRC): виноват кабель или разъём, а не сам диск");
}

} // namespace
} // namespace vexlin::drives
