#include "battery/MonitorTexts.h"

#include <gtest/gtest.h>

namespace vexlin::battery {
namespace {

using platform::PowerStatus;

struct RunTimeRow {
    const char* name;
    std::uint32_t seconds;
    const char* text;
};

class RunTimeText : public testing::TestWithParam<RunTimeRow> {};

TEST_P(RunTimeText, ReadsAsHoursAndMinutes) {
    EXPECT_EQ(runTimeText(GetParam().seconds), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Battery, RunTimeText,
    testing::Values(RunTimeRow{"unknown", 0xFFFFFFFFu, "Информация недоступна"},
                    RunTimeRow{"zero", 0, "Время работы: 0:00 мин."},
                    RunTimeRow{"under_a_minute", 59, "Время работы: 0:00 мин."},
                    RunTimeRow{"one_minute", 60, "Время работы: 0:01 мин."},
                    RunTimeRow{"minutes_below_ten_padded", 9 * 60 + 59, "Время работы: 0:09 мин."},
                    RunTimeRow{"last_minute_of_hour", 3599, "Время работы: 0:59 мин."},
                    RunTimeRow{"one_hour", 3600, "Время работы: 1:00 мин."},
                    RunTimeRow{"hours_not_wrapped_at_a_day", 25 * 3600 + 30 * 60, "Время работы: 25:30 мин."},
                    // Above 2^31 seconds the estimate stays positive.
                    RunTimeRow{"top_bit_set", 0x80000000u, "Время работы: 596523:14 мин."},
                    RunTimeRow{"largest_known", 0xFFFFFFFEu, "Время работы: 1193046:28 мин."}),
    [](const auto& info) { return std::string(info.param.name); });

struct ChargeRow {
    const char* name;
    std::uint8_t percent;
    const char* text;
};

class ChargeText : public testing::TestWithParam<ChargeRow> {};

TEST_P(ChargeText, ShowsPercentOrNoBattery) {
    EXPECT_EQ(chargeText(GetParam().percent), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Battery, ChargeText,
                         testing::Values(ChargeRow{"empty", 0, "Осталось 0 %"},
                                         ChargeRow{"nine", 9, "Осталось 9 %"},
                                         ChargeRow{"full", 100, "Осталось 100 %"},
                                         ChargeRow{"just_above_full", 101, "Батарея не обнаружена"},
                                         ChargeRow{"unknown", 255, "Батарея не обнаружена"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct BandRow {
    const char* name;
    std::uint8_t percent;
    const char* picture;
    const char* tip;
};

class TrayBandTable : public testing::TestWithParam<BandRow> {};

TEST_P(TrayBandTable, PictureAndTip) {
    const auto band = trayBand(GetParam().percent);
    EXPECT_EQ(band.picture, GetParam().picture);
    EXPECT_EQ(band.tip, GetParam().tip);
}

INSTANTIATE_TEST_SUITE_P(
    Battery, TrayBandTable,
    testing::Values(
        BandRow{"p0", 0, "!   ", "Vexlin (0%)"}, BandRow{"p8", 8, "!   ", "Vexlin (8%)"},
        BandRow{"p9", 9, "|   ", "Vexlin (9%)"}, BandRow{"p21", 21, "|   ", "Vexlin (21%)"},
        BandRow{"p22", 22, "||   ", "Vexlin (22%)"}, BandRow{"p34", 34, "||   ", "Vexlin (34%)"},
        BandRow{"p35", 35, "|||   ", "Vexlin (35%)"}, BandRow{"p47", 47, "|||   ", "Vexlin (47%)"},
        BandRow{"p48", 48, "||||  ", "Vexlin (48%)"}, BandRow{"p60", 60, "||||  ", "Vexlin (60%)"},
        BandRow{"p61", 61, "||||| ", "Vexlin (61%)"}, BandRow{"p73", 73, "||||| ", "Vexlin (73%)"},
        BandRow{"p74", 74, "|||||| ", "Vexlin (74%)"}, BandRow{"p86", 86, "|||||| ", "Vexlin (86%)"},
        BandRow{"p87", 87, "||||||| ", "Vexlin (87%)"}, BandRow{"p99", 99, "||||||| ", "Vexlin (99%)"},
        BandRow{"p100", 100, "||||||||", "Vexlin (100%)"}, BandRow{"p101", 101, "!!!!", "Vexlin"},
        BandRow{"p255", 255, "!!!!", "Vexlin"}),
    [](const auto& info) { return std::string(info.param.name); });

struct FlagsRow {
    const char* name;
    std::uint8_t flags;
    const char* text;
};

class FlagsText : public testing::TestWithParam<FlagsRow> {};

TEST_P(FlagsText, SpellsEachSetFlagInOrder) {
    EXPECT_EQ(flagsText(GetParam().flags), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Battery, FlagsText,
    testing::Values(
        FlagsRow{"none", 0, ""}, FlagsRow{"high", 1, "Высокий уровень заряда батареи"},
        FlagsRow{"low", 2, "Низкий уровень заряда батареи"},
        FlagsRow{"critical", 4, "Критически низкий уровень заряда батареи"},
        FlagsRow{"charging", 8, "Батарея заряжается"},
        FlagsRow{"high_and_charging", 1 + 8, "Высокий уровень заряда батареиБатарея заряжается"},
        FlagsRow{"low_and_critical", 2 + 4,
                 "Низкий уровень заряда батареиКритически низкий уровень заряда батареи"},
        FlagsRow{"undefined_bits_16_32_64", 16 + 32 + 64, ""},
        FlagsRow{"no_battery", 128, "Батарея не найдена"},
        FlagsRow{"no_battery_with_high", 129, "Высокий уровень заряда батареиБатарея не найдена"},
        FlagsRow{
            "unknown_sets_all_five", 255,
            "Высокий уровень заряда батареиНизкий уровень заряда батареиКритически низкий уровень заряда "
            "батареиБатарея заряжаетсяБатарея не найдена"}),
    [](const auto& info) { return std::string(info.param.name); });

struct SourceRow {
    const char* name;
    std::uint8_t status;
    std::optional<std::string> text;
};

class PowerSourceText : public testing::TestWithParam<SourceRow> {};

TEST_P(PowerSourceText, NamesKnownSourcesOnly) {
    EXPECT_EQ(powerSourceText(GetParam().status), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Battery, PowerSourceText,
                         testing::Values(SourceRow{"battery", 0, "Питание от батареи"},
                                         SourceRow{"mains", 1, "Питание от сети"},
                                         SourceRow{"unknown", 255, "Состояние неизвестно"},
                                         SourceRow{"undefined_2", 2, std::nullopt},
                                         SourceRow{"undefined_254", 254, std::nullopt}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ElapsedRow {
    const char* name;
    std::int32_t ticks;
    const char* text;
};

class ElapsedText : public testing::TestWithParam<ElapsedRow> {};

TEST_P(ElapsedText, ReadsAsHoursMinutesSeconds) {
    EXPECT_EQ(elapsedText(GetParam().ticks), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Battery, ElapsedText,
    testing::Values(ElapsedRow{"start", 0, "0:00:00"}, ElapsedRow{"nine_seconds", 9, "0:00:09"},
                    ElapsedRow{"fifty_nine_seconds", 59, "0:00:59"}, ElapsedRow{"one_minute", 60, "0:01:00"},
                    ElapsedRow{"last_second_of_hour", 3599, "0:59:59"},
                    ElapsedRow{"one_hour", 3600, "1:00:00"}, ElapsedRow{"ticks_3725", 3725, "1:02:05"},
                    ElapsedRow{"a_day_not_wrapped", 86400, "24:00:00"},
                    ElapsedRow{"largest", 2147483647, "596523:14:07"}),
    [](const auto& info) { return std::string(info.param.name); });

struct TickRow {
    const char* name;
    PowerStatus status;
    std::int32_t ticks;
    const char* runTime;
    const char* charge;
    const char* picture;
    const char* tip;
    std::optional<std::string> source;
    const char* testRunning;
};

class MonitorTickTable : public testing::TestWithParam<TickRow> {};

TEST_P(MonitorTickTable, EveryTextOfOneTick) {
    const auto& row = GetParam();
    const MonitorTick tick = monitorTick(row.status, row.ticks);
    EXPECT_EQ(tick.runTime, row.runTime);
    EXPECT_EQ(tick.charge, row.charge);
    EXPECT_EQ(tick.tray.picture, row.picture);
    EXPECT_EQ(tick.tray.tip, row.tip);
    EXPECT_EQ(tick.flags, flagsText(row.status.BatteryFlag));
    EXPECT_EQ(tick.powerSource, row.source);
    EXPECT_EQ(tick.testRunning, row.testRunning);
    EXPECT_EQ(tick.elapsed, std::string(row.testRunning).substr(std::string("Тест идет: ").size()));
    EXPECT_EQ(tick.chartX, row.ticks);
    EXPECT_EQ(tick.chartY, row.status.BatteryLifePercent);
}

PowerStatus status(std::uint8_t ac, std::uint8_t flags, std::uint8_t percent, std::uint32_t seconds) {
    PowerStatus s;
    s.ACLineStatus = ac;
    s.BatteryFlag = flags;
    s.BatteryLifePercent = percent;
    s.BatteryLifeTime = seconds;
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Battery, MonitorTickTable,
    testing::Values(
        TickRow{"mains_run_time_unknown", status(1, 8, 64, 0xFFFFFFFFu), 0, "Информация недоступна",
                "Осталось 64 %", "||||| ", "Vexlin (64%)", "Питание от сети", "Тест идет: 0:00:00"},
        TickRow{"no_battery_machine", status(1, 128, 255, 0xFFFFFFFFu), 3725, "Информация недоступна",
                "Батарея не обнаружена", "!!!!", "Vexlin", "Питание от сети", "Тест идет: 1:02:05"},
        // Unknown flags beside an unknown percent: a battery is there, its charge cannot be read.
        TickRow{"everything_unknown", PowerStatus{}, 61, "Информация недоступна", "Заряд батареи неизвестен",
                "!!!!", "Vexlin", "Состояние неизвестно", "Тест идет: 0:01:01"},
        TickRow{"discharging", status(0, 2, 30, 5400), 7, "Время работы: 1:30 мин.", "Осталось 30 %", "||   ",
                "Vexlin (30%)", "Питание от батареи", "Тест идет: 0:00:07"},
        TickRow{"odd_line_status_keeps_text", status(7, 1, 100, 36000), 1, "Время работы: 10:00 мин.",
                "Осталось 100 %", "||||||||", "Vexlin (100%)", std::nullopt, "Тест идет: 0:00:01"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vexlin::battery
