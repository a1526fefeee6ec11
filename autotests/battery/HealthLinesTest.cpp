#include "battery/HealthLines.h"

#include "battery/BatteryHealthMonitor.h"
#include "battery/HealthFigures.h"

#include <cmath>
#include <gtest/gtest.h>

namespace vexlin::battery {
namespace {

using platform::BatteryFacts;
using results::Verdict;
using Status = BatteryFacts::Status;

BatteryFacts energyPack(std::int64_t design, std::int64_t full) {
    BatteryFacts facts;
    facts.name = "BAT0";
    facts.designFull = design;
    facts.full = full;
    facts.voltageMinDesign = 11100000;
    return facts;
}

BatteryFacts chargePack(std::int64_t design, std::int64_t full, std::optional<std::int64_t> volts) {
    BatteryFacts facts;
    facts.name = "BAT1";
    facts.units = BatteryFacts::Units::Charge;
    facts.designFull = design;
    facts.full = full;
    facts.voltageMinDesign = volts;
    return facts;
}

const results::ResultLine& lineOf(const std::vector<results::ResultLine>& lines, const std::string& key) {
    for (const auto& line : lines) {
        if (line.key == key) {
            return line;
        }
    }
    throw std::runtime_error("no line " + key);
}

const results::FactValue* factOf(const results::ResultLine& line, const std::string& name) {
    for (const auto& fact : line.facts) {
        if (fact.name == name) {
            return &fact.value;
        }
    }
    return nullptr;
}

struct FiguresRow {
    const char* name;
    BatteryFacts facts;
    std::optional<double> designWh;
    std::optional<double> fullWh;
    std::optional<double> wear;
    const char* capacityText;
    const char* wearText;
    Verdict wearJudgement;
};

class HealthFiguresTable : public testing::TestWithParam<FiguresRow> {};

void expectNear(const std::optional<double>& got, const std::optional<double>& want) {
    ASSERT_EQ(got.has_value(), want.has_value());
    if (want) {
        EXPECT_NEAR(*got, *want, 1e-9);
    }
}

TEST_P(HealthFiguresTable, CapacityAndWearAsTheGaugeReportsThem) {
    const auto& row = GetParam();
    const auto figures = healthFigures(row.facts);
    expectNear(figures.designWh, row.designWh);
    expectNear(figures.fullWh, row.fullWh);
    expectNear(figures.wearPercent, row.wear);

    const auto lines = healthLines(row.facts, CapacityEstimate{}, ChargingCheck{}, ",");
    const auto& capacity = lineOf(lines, row.facts.name + ".capacity");
    EXPECT_EQ(capacity.value, row.capacityText);
    const auto& wear = lineOf(lines, row.facts.name + ".wear");
    EXPECT_EQ(wear.verdict, row.wearText);
    EXPECT_EQ(wear.judgement, row.wearJudgement);
    const auto* wearFact = factOf(wear, "wear_percent");
    ASSERT_EQ(wearFact != nullptr, row.wear.has_value());
    if (wearFact) {
        EXPECT_NEAR(std::get<double>(*wearFact), std::round(*row.wear * 10) / 10, 1e-9);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Packs, HealthFiguresTable,
    testing::Values(
        FiguresRow{"worn_energy", energyPack(52000000, 35880000), 52.0, 35.88, 31.0,
                   "заявлена при выпуске 52,0 Втч, полная сейчас 35,9 Втч", "Износ батареи: 31 %",
                   Verdict::Warning},
        // A new pack holds a little more or less than its label: "как новая" within 5 %.
        FiguresRow{"new_above_design", energyPack(45000000, 46200000), 45.0, 46.2, 0.0,
                   "заявлена при выпуске 45,0 Втч, полная сейчас 46,2 Втч",
                   "Износ батареи: 0 % (батарея как новая)", Verdict::Good},
        FiguresRow{"nearly_new", energyPack(50000000, 48000000), 50.0, 48.0, 4.0,
                   "заявлена при выпуске 50,0 Втч, полная сейчас 48,0 Втч",
                   "Износ батареи: 4 % (батарея как новая)", Verdict::Good},
        FiguresRow{"no_longer_new", energyPack(50000000, 47000000), 50.0, 47.0, 6.0,
                   "заявлена при выпуске 50,0 Втч, полная сейчас 47,0 Втч", "Износ батареи: 6 %",
                   Verdict::Good},
        // Far above design is a gauge never calibrated or a pack that is not the labelled one.
        FiguresRow{"far_above_design", energyPack(50000000, 59500000), 50.0, 59.5, 0.0,
                   "заявлена при выпуске 50,0 Втч, полная сейчас 59,5 Втч",
                   "Износ батареи: 0 % (полная ёмкость на 19 % больше заявленной: датчик не откалиброван или "
                   "батарея не родная)",
                   Verdict::Warning},
        FiguresRow{"half_gone", energyPack(24000000, 12000000), 24.0, 12.0, 50.0,
                   "заявлена при выпуске 24,0 Втч, полная сейчас 12,0 Втч", "Износ батареи: 50 %",
                   Verdict::Bad},
        // Judged on the figure shown: 19,9 % reads 20 % and is judged as 20 %.
        FiguresRow{"shown_as_twenty", energyPack(100000000, 80100000), 100.0, 80.1, 19.9,
                   "заявлена при выпуске 100,0 Втч, полная сейчас 80,1 Втч", "Износ батареи: 20 %",
                   Verdict::Warning},
        FiguresRow{"just_below_warning", energyPack(100000000, 80600000), 100.0, 80.6, 19.4,
                   "заявлена при выпуске 100,0 Втч, полная сейчас 80,6 Втч", "Износ батареи: 19 %",
                   Verdict::Good},
        // mAh × design voltage; wear from the charge figures alone
        FiguresRow{"charge_units", chargePack(5200000, 4680000, 11100000), 57.72, 51.948, 10.0,
                   "заявлена при выпуске 5200 мАч (57,7 Втч), полная сейчас 4680 мАч (51,9 Втч), при 11,1 В",
                   "Износ батареи: 10 %", Verdict::Good},
        FiguresRow{"charge_without_voltage", chargePack(5200000, 2600000, std::nullopt), std::nullopt,
                   std::nullopt, 50.0, "заявлена при выпуске 5200 мАч, полная сейчас 2600 мАч",
                   "Износ батареи: 50 %", Verdict::Bad},
        FiguresRow{"design_missing", energyPack(0, 35880000), std::nullopt, 35.88, std::nullopt,
                   "заявленная при выпуске ёмкость не сообщается, полная сейчас 35,9 Втч", "",
                   Verdict::None}),
    [](const testing::TestParamInfo<FiguresRow>& info) { return std::string(info.param.name); });

struct DecimalRow {
    const char* name;
    double value;
    int decimals;
    const char* separator;
    const char* text;
};

class DecimalTextTable : public testing::TestWithParam<DecimalRow> {};

TEST_P(DecimalTextTable, FixedDecimalsWithTheSeparator) {
    const auto& row = GetParam();
    EXPECT_EQ(decimalText(row.value, row.decimals, row.separator), row.text);
}

INSTANTIATE_TEST_SUITE_P(Numbers, DecimalTextTable,
                         testing::Values(DecimalRow{"comma", 38.24, 1, ",", "38,2"},
                                         DecimalRow{"rounds_up", 51.95, 1, ",", "52,0"},
                                         DecimalRow{"point", 38.24, 1, ".", "38.2"},
                                         DecimalRow{"no_decimals", 4680.4, 0, ",", "4680"},
                                         DecimalRow{"no_negative_zero", -0.01, 1, ",", "0,0"},
                                         DecimalRow{"not_a_number", std::nan(""), 1, ",", "?"}),
                         [](const testing::TestParamInfo<DecimalRow>& info) {
                             return std::string(info.param.name);
                         });

TEST(HealthLines, IdentityKeepsWhatIsReportedAndInventsNothing) {
    BatteryFacts facts = energyPack(1, 1);
    facts.manufacturer = "SANYO";
    facts.serial = "1234";
    const auto lines = healthLines(facts, CapacityEstimate{}, ChargingCheck{}, ",");
    const auto& identity = lineOf(lines, "BAT0.identity");
    EXPECT_EQ(identity.what, "Батарея BAT0");
    EXPECT_EQ(identity.value, "SANYO, серийный № 1234");
    EXPECT_NE(factOf(identity, "manufacturer"), nullptr);
    EXPECT_EQ(factOf(identity, "model"), nullptr);
    EXPECT_EQ(factOf(identity, "technology"), nullptr);

    const auto& cycles = lineOf(lines, "BAT0.cycles");
    EXPECT_EQ(cycles.value, "батарея не сообщает");
    EXPECT_EQ(factOf(cycles, "cycle_count"), nullptr);
}

TEST(HealthLines, NoBatteryIsOnePlainLine) {
    const auto line = noBatteryLine();
    EXPECT_EQ(line.source, "battery");
    EXPECT_EQ(line.key, "none");
    EXPECT_EQ(line.value, "Батарея не обнаружена");
    EXPECT_EQ(line.judgement, Verdict::None);
}

// The measured line from a drain whose percent says the pack holds `realWh` while it claims `claimedWh`.
results::ResultLine measuredLine(double realWh, double claimedWh, int seconds) {
    BatteryFacts facts = energyPack(52000000, static_cast<std::int64_t>(claimedWh * 1e6));
    CapacityEstimate estimate;
    double real = realWh * 0.802e6;
    for (int t = 0; t < seconds; ++t) {
        real -= t > 0 ? 10e6 / 3600.0 : 0;
        GaugeReading reading;
        reading.seconds = t;
        reading.discharging = true;
        reading.percent = static_cast<int>(std::floor(real / (realWh * 1e6) * 100));
        reading.remaining = std::round(real / 1e4) * 1e4;
        reading.rate = 10e6;
        estimate.add(reading);
    }
    return lineOf(healthLines(facts, estimate, ChargingCheck{}, ","), "BAT0.sensor_check");
}

struct SensorRow {
    const char* name;
    double realWh;
    double claimedWh;
    int seconds;
    const char* verdict; // nullptr: no verdict yet
    Verdict judgement;
};

class SensorCheckLine : public testing::TestWithParam<SensorRow> {};

// A gauge whose percent follows what the cells hold while its full figure claims something else: the line
// says the sensors disagree, never what the cells hold.
TEST_P(SensorCheckLine, SaysWhetherTheSensorsAgreeAndNeverJudgesTheCells) {
    const auto& row = GetParam();
    const auto line = measuredLine(row.realWh, row.claimedWh, row.seconds);
    EXPECT_EQ(line.judgement, row.judgement);
    if (row.verdict == nullptr) {
        EXPECT_TRUE(line.verdict.empty()) << line.verdict;
        EXPECT_EQ(line.value.rfind("идёт проверка: заряд упал на ", 0), 0u) << line.value;
        return;
    }
    EXPECT_EQ(line.verdict, row.verdict);
    EXPECT_NE(line.value.find("её показывает только разряд от полного заряда до отключения"),
              std::string::npos)
        << line.value;
    EXPECT_EQ(line.value.find("держит"), std::string::npos) << line.value;
}

INSTANTIATE_TEST_SUITE_P(
    Verdicts, SensorCheckLine,
    testing::Values(SensorRow{"too_early", 50.0, 50.0, 600, nullptr, Verdict::None},
                    SensorRow{"agree", 50.0, 50.0, 3000, "Показания датчика согласуются на 16 % разряда",
                              Verdict::Good},
                    SensorRow{"percent_faster_than_the_claim", 31.2, 52.0, 3000,
                              "Датчики батареи расходятся на 40 %", Verdict::Warning},
                    SensorRow{"percent_slower_than_the_claim", 50.0, 35.0, 3000,
                              "Датчики батареи расходятся на 30 %", Verdict::Warning}),
    [](const testing::TestParamInfo<SensorRow>& info) { return std::string(info.param.name); });

struct ChargeRow {
    const char* name;
    std::optional<int> gauge; // the capacity file
    std::optional<std::int64_t> now;
    const char* value;
};

class ChargeLine : public testing::TestWithParam<ChargeRow> {};

// 60 Wh design, 48 Wh full: 40,8 Wh is 85 % of full and 68 % of design.
TEST_P(ChargeLine, ShowsRemainingOverFullAndSaysWhatTheGaugeGave) {
    const auto& row = GetParam();
    BatteryFacts facts = energyPack(60000000, 48000000);
    facts.capacityPercent = row.gauge;
    facts.now = row.now;
    const auto lines = healthLines(facts, CapacityEstimate{}, ChargingCheck{}, ",");
    EXPECT_EQ(lineOf(lines, "BAT0.charge").value, row.value);
}

INSTANTIATE_TEST_SUITE_P(
    Gauges, ChargeLine,
    testing::Values(ChargeRow{"agrees", 85, 40800000, "85 %"},
                    ChargeRow{"rounding_apart", 84, 40800000, "85 %"},
                    ChargeRow{"of_design", 68, 40800000,
                              "85 % по остатку и полной ёмкости; сама батарея сообщает 68 % (это доля "
                              "заявленной ёмкости, а не полной)"},
                    ChargeRow{"otherwise_apart", 75, 40800000,
                              "85 % по остатку и полной ёмкости; сама батарея сообщает 75 %"},
                    ChargeRow{"gauge_only", 62, std::nullopt, "62 %"},
                    ChargeRow{"nothing", std::nullopt, std::nullopt, "заряд не сообщается"}),
    [](const testing::TestParamInfo<ChargeRow>& info) { return std::string(info.param.name); });

TEST(HealthLines, ASlotThatAnswersNothingIsOneLine) {
    BatteryFacts facts;
    facts.name = "BAT1";
    facts.silent = true;
    const auto lines = healthLines(facts, CapacityEstimate{}, ChargingCheck{}, ",");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].key, "BAT1.identity");
    EXPECT_EQ(lines[0].value, "батарея в слоте BAT1 не отвечает");
    EXPECT_EQ(lines[0].judgement, Verdict::Warning);
}

// The monitor writes a line again only when it changed, and the "none" line goes once a battery appears.
TEST(BatteryHealthMonitor, WritesOnlyNewsAndDropsTheNoBatteryLine) {
    results::ResultsStore store;
    BatteryHealthMonitor monitor(store, ",");
    monitor.refresh({}, 0);
    monitor.refresh({}, 1);
    ASSERT_EQ(store.lines().size(), 1u);
    EXPECT_EQ(store.lines()[0].key, "none");
    const auto afterNone = store.revision();
    monitor.refresh({}, 2);
    EXPECT_EQ(store.revision(), afterNone);

    platform::BatterySnapshot snapshot;
    snapshot.batteries.push_back(energyPack(52000000, 35880000));
    snapshot.mainsOnline = false;
    monitor.refresh(snapshot, 3);
    EXPECT_EQ(store.find("battery", "none"), nullptr);
    ASSERT_EQ(store.lines().size(), 7u);
    const auto afterBattery = store.revision();
    monitor.refresh(snapshot, 4);
    EXPECT_EQ(store.revision(), afterBattery);

    // Taken out: what was found stays, no "none" line is added.
    monitor.refresh({}, 5);
    EXPECT_EQ(store.lines().size(), 7u);
    EXPECT_EQ(store.find("battery", "none"), nullptr);
}

// On mains the second pack idles while the first one charges: it waits its turn, it is no fault.
TEST(BatteryHealthMonitor, SecondBatteryWaitsWhileTheFirstCharges) {
    results::ResultsStore store;
    BatteryHealthMonitor monitor(store, ",");
    platform::BatterySnapshot snapshot;
    snapshot.mainsOnline = true;
    snapshot.batteries = {energyPack(1, 1), energyPack(1, 1)};
    snapshot.batteries[0].status = Status::Charging;
    snapshot.batteries[1].name = "BAT1";
    snapshot.batteries[1].status = Status::Discharging;
    for (int t = 0; t < 120; ++t) {
        monitor.refresh(snapshot, t);
    }
    ASSERT_NE(monitor.charging("BAT1"), nullptr);
    EXPECT_EQ(monitor.charging("BAT1")->state(), ChargingCheck::State::Queued);
    EXPECT_EQ(store.find("battery", "BAT1.charging")->judgement, Verdict::None);
    // Once the first is done the second must start like any other.
    snapshot.batteries[0].status = Status::Full;
    for (int t = 120; t < 160; ++t) {
        monitor.refresh(snapshot, t);
    }
    EXPECT_EQ(monitor.charging("BAT1")->state(), ChargingCheck::State::DischargingOnMains);
    EXPECT_EQ(store.find("battery", "BAT1.charging")->verdict, "На сети батарея разряжалась");
}

TEST(BatteryHealthMonitor, ZeroRateWhileDischargingIsNotAReading) {
    BatteryFacts facts = energyPack(1, 1);
    facts.status = Status::Discharging;
    facts.rate = 0;
    EXPECT_FALSE(gaugeReading(facts, 0).rate.has_value());
    facts.status = Status::Full;
    EXPECT_EQ(gaugeReading(facts, 0).rate, 0.0);
}

TEST(BatteryHealthMonitor, PercentComputedFromTheCounterWhenTheGaugeGivesNone) {
    BatteryFacts facts = energyPack(50000000, 50000000);
    facts.now = 40990000;
    EXPECT_TRUE(percentFromCounter(facts));
    EXPECT_EQ(gaugeReading(facts, 0).percent, 82);
    facts.capacityPercent = 83;
    EXPECT_FALSE(percentFromCounter(facts));
    EXPECT_EQ(gaugeReading(facts, 0).percent, 83);
}

} // namespace
} // namespace vexlin::battery
