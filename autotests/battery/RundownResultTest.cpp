#include "battery/RundownResult.h"

#include "battery/RundownJournal.h"
#include "platform/RundownStorage.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace vexlin::battery {
namespace {

// The boot id the recorded journals carry; another one means the machine has been switched off since.
constexpr const char* kRecordedBoot = "4f1c9a52-8e1b-4d4a-9a51-0c3e6a1f2b7d";

std::string journalText(const std::string& file) {
    const auto text = platform::readWholeFile(std::string(VEXLIN_FIXTURES) + "/rundown/" + file, 1 << 24);
    return text.value_or("");
}

Journal loadJournal(const std::string& file) {
    const auto parsed = parseJournal(journalText(file));
    EXPECT_FALSE(parsed.error) << file << ": " << (parsed.error ? parsed.error->message : "");
    return parsed.journal.value_or(Journal{});
}

struct RecordedRun {
    const char* name;
    const char* file;
    RundownEnd end;
    bool complete;
    int startPercent;
    int endPercent;
    double deliveredWh; // what really left the cells, from the generator's fine integration
    std::string verdict;
    std::optional<std::string> note; // a cross-check that must speak up
};

class RecordedRunTest : public testing::TestWithParam<RecordedRun> {};

TEST_P(RecordedRunTest, VerdictFromTheJournalAlone) {
    const auto& row = GetParam();
    const auto journal = loadJournal(row.file);
    RundownContext context;
    context.bootId = "0b6f1e2a-another-boot";
    const auto result = rundownResult(journal, context);
    EXPECT_EQ(result.end, row.end);
    EXPECT_EQ(result.complete, row.complete);
    EXPECT_EQ(result.startPercent, row.startPercent);
    EXPECT_EQ(result.endPercent, row.endPercent);
    // What really left the cells lies within the stated uncertainty of what was measured.
    EXPECT_NEAR(result.deliveredWh, row.deliveredWh, std::max(0.05, result.uncertaintyWh));
    // The uncertainty is stated and honest: not zero, and not so wide that it says nothing.
    EXPECT_GT(result.uncertaintyWh, 0.0);
    EXPECT_LT(result.uncertaintyWh, 0.08 * std::max(result.deliveredWh, 1.0));
    EXPECT_EQ(result.verdict, row.verdict);
    if (row.note) {
        ASSERT_FALSE(result.notes.empty());
        EXPECT_EQ(result.notes.front(), *row.note);
    } else {
        EXPECT_TRUE(result.notes.empty()) << result.notes.front();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Journals, RecordedRunTest,
    testing::Values(
        // Switched off below 5 %: the 2,4 Wh the gauge still showed are the system's reserve.
        RecordedRun{
            "honest", "honest.journal", RundownEnd::SwitchedOff, true, 100, 5, 46.07,
            "Батарея отдала 46,1 Втч из 48,5 Втч, что показывал датчик, и 2,4 Втч оставила в запас до "
            "выключения: совпадает с датчиком (в пределах 1 %)",
            std::nullopt},
        RecordedRun{
            "gauge claims 50 Wh over 30 Wh of cells", "counterfeit.journal", RundownEnd::SwitchedOff, true,
            100, 40, 29.99,
            "Батарея отдала 30,0 Втч из 50,0 Втч, что показывал датчик: датчик завышает ёмкость на 40 %",
            std::nullopt},
        // The rate alone says 5 % more than really left the cells: the stated uncertainty covers the truth,
        // and no verdict against the gauge rests on the rate.
        RecordedRun{
            "rate biased by 5 percent", "biased.journal", RundownEnd::SwitchedOff, true, 100, 5, 46.07,
            "Батарея отдала 48,4 Втч из 48,5 Втч, что показывал датчик, и 2,4 Втч оставила в запас до "
            "выключения: совпадает с датчиком (в пределах 6 %)",
            "скорость разряда расходится со счётчиком датчика и его процентами на 5 %"},
        // Two hours asleep at half charge; the readings after the resume are not integrated.
        RecordedRun{
            "suspend at half charge", "suspend.journal", RundownEnd::Suspended, false, 100, 50, 23.78,
            "Разрядный тест не дошёл до конца: система уснула на 50 %. Батарея отдала 23,8 Втч за 2 ч 23 "
            "мин, с 100 до 50 %: ёмкость не меньше этого, а завышает ли её датчик, покажет только разряд "
            "до выключения",
            std::nullopt},
        // Readings missing with both clocks running: cut there, not bridged by one long trapezoid.
        RecordedRun{
            "gap in the readings", "gap.journal", RundownEnd::Gap, false, 100, 70, 14.09,
            "Разрядный тест не дошёл до конца: перерыв в записи на 70 %. Батарея отдала 14,1 Втч за 1 ч 25 "
            "мин, с 100 до 70 %: ёмкость не меньше этого, а завышает ли её датчик, покажет только разряд "
            "до выключения",
            std::nullopt},
        RecordedRun{
            "mains plugged in at 60 percent", "mains.journal", RundownEnd::Mains, false, 100, 61, 18.90,
            "Разрядный тест не дошёл до конца: подключена сеть на 60 %. Батарея отдала 18,9 Втч за 1 ч 53 "
            "мин, с 100 до 61 %: ёмкость не меньше этого, а завышает ли её датчик, покажет только разряд "
            "до выключения",
            std::nullopt},
        RecordedRun{
            "torn last line", "torn.journal", RundownEnd::SwitchedOff, true, 100, 5, 46.04,
            "Батарея отдала 46,0 Втч из 48,5 Втч, что показывал датчик, и 2,5 Втч оставила в запас до "
            "выключения: совпадает с датчиком (в пределах 1 %)",
            "последняя запись журнала оборвана и не учтена"},
        // Counted in mAh: compared charge for charge at the design voltage.
        RecordedRun{
            "pack counting charge", "charge.journal", RundownEnd::SwitchedOff, true, 100, 5, 46.06,
            "Батарея отдала 46,1 Втч из 48,5 Втч, что показывал датчик, и 2,4 Втч оставила в запас до "
            "выключения: совпадает с датчиком (в пределах 1 %)",
            std::nullopt},
        RecordedRun{
            "format 1 without monotonic clock", "format1.journal", RundownEnd::SwitchedOff, true, 100, 5,
            46.07,
            "Батарея отдала 46,1 Втч из 48,5 Втч, что показывал датчик, и 2,4 Втч оставила в запас до "
            "выключения: совпадает с датчиком (в пределах 1 %)",
            std::nullopt}),
    [](const testing::TestParamInfo<RecordedRun>& info) {
        std::string name = info.param.name;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c))) {
                c = '_';
            }
        }
        return name;
    });

// How the same journal ends depends on what is known about the boot it was written in.
struct EndingCase {
    const char* name;
    bool live;
    std::optional<std::string> bootNow;
    RundownEnd end;
    bool complete;
};

class EndingTest : public testing::TestWithParam<EndingCase> {};

TEST_P(EndingTest, HowTheRunEnded) {
    const auto& row = GetParam();
    const auto journal = loadJournal("honest.journal");
    RundownContext context;
    context.live = row.live;
    context.bootId = row.bootNow;
    const auto result = rundownResult(journal, context);
    EXPECT_EQ(result.end, row.end);
    EXPECT_EQ(result.complete, row.complete);
    if (row.live) {
        // The live view: the gauge's charge now at the average power so far.
        ASSERT_TRUE(result.forecastSeconds);
        EXPECT_NEAR(*result.forecastSeconds, *result.gaugeNowWh / result.averageW * 3600.0, 1.0);
        EXPECT_TRUE(result.verdict.empty());
    } else {
        EXPECT_FALSE(result.verdict.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Boots, EndingTest,
    testing::Values(EndingCase{"another_boot", false, "other", RundownEnd::SwitchedOff, true},
                    EndingCase{"boot_unknown", false, std::nullopt, RundownEnd::SwitchedOff, true},
                    EndingCase{"same_boot_killed", false, kRecordedBoot, RundownEnd::Interrupted, false},
                    EndingCase{"still_recording", true, kRecordedBoot, RundownEnd::Running, false}),
    [](const testing::TestParamInfo<EndingCase>& info) { return info.param.name; });

// The same recorded run as the machine and its charger shaped it: a pack taken out, a start held below full
// by a threshold or a vendor's mode, a pack that charge_behaviour runs down with mains online.
struct VariantCase {
    const char* name;
    std::function<void(Journal&)> shape;
    RundownEnd end;
    bool complete;
    std::string verdictStart;
    std::optional<std::string> note;
};

void keepWhile(Journal& journal, int fromPercent, int toPercent) {
    std::erase_if(journal.readings, [&](const JournalReading& r) {
        return r.percent && (*r.percent > fromPercent || *r.percent < toPercent);
    });
}

class VariantTest : public testing::TestWithParam<VariantCase> {};

TEST_P(VariantTest, WhatTheRunCanSay) {
    const auto& row = GetParam();
    auto journal = loadJournal("honest.journal");
    row.shape(journal);
    // Through the file and back: what the result sees is what the journal keeps.
    std::string text = headerLine(journal.header);
    for (const auto& r : journal.readings) {
        text += readingLine(r);
    }
    if (journal.end) {
        text += endLine(*journal.end);
    }
    const auto parsed = parseJournal(text);
    ASSERT_TRUE(parsed.journal) << parsed.error->message;
    RundownContext context;
    context.bootId = "0b6f1e2a-another-boot";
    const auto result = rundownResult(*parsed.journal, context);
    EXPECT_EQ(result.end, row.end);
    EXPECT_EQ(result.complete, row.complete);
    EXPECT_EQ(result.verdict.substr(0, row.verdictStart.size()), row.verdictStart) << result.verdict;
    if (row.note) {
        ASSERT_EQ(result.notes.size(), 1u);
        EXPECT_EQ(result.notes.front(), *row.note);
    } else {
        EXPECT_TRUE(result.notes.empty()) << result.notes.front();
    }
}

const std::string kFromHonest = "Батарея отдала ";

INSTANTIATE_TEST_SUITE_P(
    Shapes, VariantTest,
    testing::Values(
        VariantCase{"pack_taken_out_at_70",
                    [](Journal& j) {
                        keepWhile(j, 100, 70);
                        const auto& last = j.readings.back();
                        j.end = JournalEnd{JournalEndReason::Removed, last.boottimeNs + 3'000'000'000,
                                           *last.monotonicNs + 3'000'000'000, last.wallMs + 3000};
                    },
                    RundownEnd::Removed, false, "Разрядный тест не дошёл до конца: батарея отключена на 70 %",
                    std::nullopt},
        VariantCase{"held_at_stop_threshold_80",
                    [](Journal& j) {
                        keepWhile(j, 80, 0);
                        j.header.stopThreshold = 80;
                    },
                    RundownEnd::SwitchedOff, true, kFromHonest,
                    "зарядку останавливает порог 80 %: тест начат с 80 %, не с полной батареи"},
        // A threshold set below the charge the run began at held nothing back.
        VariantCase{"threshold_below_the_start", [](Journal& j) { j.header.stopThreshold = 60; },
                    RundownEnd::SwitchedOff, true, kFromHonest, std::nullopt},
        VariantCase{"conservation_mode_at_60",
                    [](Journal& j) {
                        keepWhile(j, 60, 0);
                        j.header.hold = ChargeHold::Conservation;
                    },
                    RundownEnd::SwitchedOff, true, kFromHonest,
                    "включён режим сбережения батареи, он держит заряд ниже полного: тест начат с 60 %, не с "
                    "полной батареи"},
        VariantCase{"force_discharge_with_mains_online",
                    [](Journal& j) {
                        for (auto& r : j.readings) {
                            r.mainsOnline = true;
                        }
                        j.header.hold = ChargeHold::ForceDischarge;
                    },
                    RundownEnd::SwitchedOff, true, kFromHonest,
                    "батарея разряжалась по команде charge_behaviour (force-discharge), сеть при этом "
                    "подключена"},
        VariantCase{"mains_online_without_force_discharge",
                    [](Journal& j) {
                        for (auto& r : j.readings) {
                            r.mainsOnline = true;
                        }
                    },
                    RundownEnd::NotStarted, false,
                    "Разрядный тест не начался: батарея не разряжалась (питание от сети)", std::nullopt},
        // Two bays: the firmware drains the other pack first, and this one waits "Not charging".
        VariantCase{"other_pack_drains_first",
                    [](Journal& j) {
                        for (auto& r : j.readings) {
                            r.status = JournalStatus::NotCharging;
                        }
                    },
                    RundownEnd::NotStarted, false,
                    "Разрядный тест не начался: батарея не разряжалась, машина работала не от неё",
                    std::nullopt}),
    [](const testing::TestParamInfo<VariantCase>& info) { return info.param.name; });

// What the reader makes of damaged, foreign or newer files: a clear refusal, or the torn line left out.
struct DamageCase {
    const char* name;
    std::string text;
    std::optional<std::string> error; // the message; none when the journal is read
    std::size_t readings;
    bool torn;
};

std::string header() {
    JournalHeader h;
    h.programVersion = "0.7.1";
    h.battery = "BAT0";
    h.full = 48500000;
    h.bootId = kRecordedBoot;
    return headerLine(h);
}

std::string reading(std::int64_t second, std::int64_t now) {
    JournalReading r;
    r.boottimeNs = second * 1'000'000'000;
    r.monotonicNs = r.boottimeNs;
    r.wallMs = 1764583200000 + second * 1000;
    r.now = now;
    r.rate = 10000000;
    r.voltage = 12000000;
    r.percent = static_cast<int>(now * 100 / 48500000);
    r.status = JournalStatus::Discharging;
    return readingLine(r);
}

// A line of our own making with the checksum the writer would give it.
std::string sealedLine(std::string body) {
    body += '\t';
    std::uint32_t hash = 2166136261u;
    for (const char c : body) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", hash);
    return body + hex + '\n';
}

std::string flipped(std::string line) {
    line[line.find("Discharging")] = 'd'; // one byte changed, the checksum no longer holds
    return line;
}

class DamageTest : public testing::TestWithParam<DamageCase> {};

TEST_P(DamageTest, ReadOrRefused) {
    const auto& row = GetParam();
    const auto parsed = parseJournal(row.text);
    if (row.error) {
        ASSERT_TRUE(parsed.error);
        EXPECT_EQ(parsed.error->message, *row.error);
        EXPECT_FALSE(parsed.journal);
        return;
    }
    ASSERT_FALSE(parsed.error) << parsed.error->message;
    EXPECT_EQ(parsed.journal->readings.size(), row.readings);
    EXPECT_EQ(parsed.journal->tornLastLine, row.torn);
}

const std::string kTwo = reading(10, 48000000) + reading(20, 47972000);

INSTANTIATE_TEST_SUITE_P(
    Files, DamageTest,
    testing::Values(
        DamageCase{"whole", header() + kTwo, std::nullopt, 2, false},
        DamageCase{"last_line_without_newline", header() + kTwo + reading(30, 47944000).substr(0, 30),
                   std::nullopt, 2, true},
        DamageCase{"last_line_one_byte_wrong", header() + kTwo + flipped(reading(30, 47944000)), std::nullopt,
                   2, true},
        // A file system may leave a block of zeros where the power cut caught the write.
        DamageCase{"zeros_after_the_last_line", header() + kTwo + std::string(512, '\0'), std::nullopt, 2,
                   true},
        DamageCase{"middle_line_damaged", header() + flipped(reading(10, 48000000)) + reading(20, 47972000),
                   "журнал разрядного теста повреждён: строка 2", 0, false},
        DamageCase{
            "newer_format",
            "vexlin-rundown\t4\t0.9.0\tBAT0\t-\t-\t-\tenergy\t-\t-\t-\twork\t-\t-\tauto\t00000000\n" + kTwo,
            "журнал записан более новой версией Vexlin (формат 4), эта версия читает форматы 1–3", 0, false},
        // Format 2 ends its header at the boot id: no threshold, no charge hold.
        DamageCase{"format_2_header",
                   sealedLine("vexlin-rundown\t2\t0.7.1\tBAT0\t-\t-\t-\tenergy\t-\t48500000\t-\twork\t-") +
                       kTwo,
                   std::nullopt, 2, false},
        DamageCase{"unknown_charge_hold",
                   sealedLine(header().substr(0, header().rfind("\tauto\t")) + "\tturbo"),
                   "журнал разрядного теста: заголовок повреждён", 0, false},
        DamageCase{"not_a_journal", "seconds,status,mains,capacity\n",
                   "это не журнал разрядного теста Vexlin", 0, false},
        DamageCase{"empty", "", "журнал разрядного теста пуст", 0, false},
        DamageCase{"header_cut_short", header().substr(0, 40), "журнал разрядного теста: заголовок повреждён",
                   0, false}),
    [](const testing::TestParamInfo<DamageCase>& info) { return info.param.name; });

// What the writer puts down, the reader gets back, identity texts with stray tabs included.
TEST(RundownJournalTest, WrittenLinesReadBackAsWritten) {
    Journal journal;
    journal.header.programVersion = "0.7.1";
    journal.header.battery = "BAT1";
    journal.header.maker = "LGC";
    journal.header.model = "L17L3P51";
    journal.header.serial = "";
    journal.header.chargeUnits = true;
    journal.header.designFull = 4000000;
    journal.header.full = 3800000;
    journal.header.voltageMinDesign = 11250000;
    journal.header.load = RundownLoad::Load;
    journal.header.bootId = kRecordedBoot;
    JournalReading r;
    r.boottimeNs = 5'000'000'000;
    r.monotonicNs = 4'000'000'000;
    r.wallMs = 1764583200000;
    r.now = 3700000;
    r.voltage = 12100000;
    r.status = JournalStatus::NotCharging;
    r.mainsOnline = true;
    journal.readings.push_back(r);
    journal.end = JournalEnd{JournalEndReason::Stopped, 6'000'000'000, 5'000'000'000, 1764583201000};
    const auto parsed =
        parseJournal(headerLine(journal.header) + readingLine(journal.readings[0]) + endLine(*journal.end));
    ASSERT_TRUE(parsed.journal) << parsed.error->message;
    EXPECT_EQ(*parsed.journal, journal);

    auto dirty = journal.header;
    dirty.maker = "Sim\tplo\nTech";
    const auto reread = parseJournal(headerLine(dirty));
    ASSERT_TRUE(reread.journal);
    EXPECT_EQ(reread.journal->header.maker, "Sim plo Tech");
}

// A damaged format 1 file (no checksums) that the fuzzer made: a rate of 5 GW and bytes that are not text in
// the model's name.  It reads, its words stay bounded, and nothing but printable text reaches the report.
TEST(RundownJournalTest, DamagedValuesGiveBoundedWordsAndCleanTexts) {
    // clang-format off
    const std::string text = "vexlin-rundown\t1\t1.7.1\tBAT0\tSMP\t\xcc\xbd\xce\xcf\xa8\xce\xcc\xc6" "30\t1234\tenergy\t50000000\t48500000\t11400000\twork\t4f'c9a52-8e0b-4d4a=9a51-0c3e6a1f2b7d\nr\t3600000000000\t176483200000\t40\t10781000\t12595000\t99\tDischarging\t0\nr\t3660000000000\t1674593260000\t480\t5023100798999\t1594000\t99\tDischarging\t0\n";
    // clang-format on
    const auto parsed = parseJournal(text);
    ASSERT_TRUE(parsed.journal) << parsed.error->message;
    EXPECT_EQ(parsed.journal->header.model, "30");
    const auto result = rundownResult(*parsed.journal, {});
    EXPECT_EQ(result.end, RundownEnd::SwitchedOff);
    EXPECT_FALSE(result.verdict.empty());
    EXPECT_LT(result.verdict.size(), 400u);
}

} // namespace
} // namespace vexlin::battery
