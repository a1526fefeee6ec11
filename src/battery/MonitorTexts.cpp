#include "battery/MonitorTexts.h"

#include <cstdio>

namespace vexlin::battery {
namespace {

std::string twoDigits(std::uint64_t value) {
    char digits[24];
    std::snprintf(digits, sizeof digits, "%02llu", static_cast<unsigned long long>(value));
    return digits;
}

} // namespace

std::string hoursMinutes(std::uint64_t seconds) {
    const std::uint64_t minutes = seconds / 60;
    return std::to_string(minutes / 60) + ":" + twoDigits(minutes % 60);
}

std::string runTimeText(std::uint32_t seconds) {
    if (seconds == platform::PowerStatus::kUnknownSeconds) {
        return "Информация недоступна";
    }
    // Unsigned on purpose: an estimate above 2^31 seconds must not come out as a negative run time.
    return "Время работы: " + hoursMinutes(seconds) + " мин.";
}

std::string chargeText(std::uint8_t percent, std::uint8_t flags) {
    if (percent > 100) {
        return flags == platform::PowerStatus::kUnknownByte ? "Заряд батареи неизвестен"
                                                            : "Батарея не обнаружена";
    }
    return "Осталось " + std::to_string(percent) + " %";
}

TrayBand trayBand(std::uint8_t percent) {
    if (percent > 100) {
        return {"!!!!", "Vexlin"};
    }
    // The bands are upper bounds tested from the top; the lowest bound that still holds wins.  The trailing
    // blanks belong to the pictures: they shift the bars when the text is centred.
    struct Band {
        int atMost;
        const char* picture;
    };
    static constexpr Band kBands[] = {
        {8, "!   "},    {21, "|   "},    {34, "||   "},    {47, "|||   "},    {60, "||||  "},
        {73, "||||| "}, {86, "|||||| "}, {99, "||||||| "}, {100, "||||||||"},
    };
    const char* picture = kBands[std::size(kBands) - 1].picture;
    for (const auto& band : kBands) {
        if (percent <= band.atMost) {
            picture = band.picture;
            break;
        }
    }
    return {picture, "Vexlin (" + std::to_string(percent) + "%)"};
}

std::string flagsText(std::uint8_t flags) {
    using S = platform::PowerStatus;
    std::string text;
    if (flags & S::kFlagHigh) {
        text += "Высокий уровень заряда батареи";
    }
    if (flags & S::kFlagLow) {
        text += "Низкий уровень заряда батареи";
    }
    if (flags & S::kFlagCritical) {
        text += "Критически низкий уровень заряда батареи";
    }
    if (flags & S::kFlagCharging) {
        text += "Батарея заряжается";
    }
    if (flags >= S::kFlagNoBattery) {
        text += "Батарея не найдена";
    }
    return text;
}

std::optional<std::string> powerSourceText(std::uint8_t acLineStatus) {
    switch (acLineStatus) {
    case platform::PowerStatus::kAcOffline:
        return "Питание от батареи";
    case platform::PowerStatus::kAcOnline:
        return "Питание от сети";
    case platform::PowerStatus::kUnknownByte:
        return "Состояние неизвестно";
    default:
        return std::nullopt;
    }
}

std::string elapsedText(std::int32_t ticks) {
    // The counter only grows from zero; a negative value (after 68 years) would print as zero.
    const std::uint64_t t = ticks < 0 ? 0 : static_cast<std::uint64_t>(ticks);
    return std::to_string(t / 3600) + ":" + twoDigits(t / 60 % 60) + ":" + twoDigits(t % 60);
}

MonitorTick monitorTick(const platform::PowerStatus& status, std::int32_t ticks) {
    MonitorTick tick;
    tick.runTime = runTimeText(status.BatteryLifeTime);
    tick.charge = chargeText(status.BatteryLifePercent, status.BatteryFlag);
    tick.tray = trayBand(status.BatteryLifePercent);
    tick.flags = flagsText(status.BatteryFlag);
    tick.powerSource = powerSourceText(status.ACLineStatus);
    tick.elapsed = elapsedText(ticks);
    tick.testRunning = "Тест идет: " + tick.elapsed;
    tick.chartX = ticks;
    tick.chartY = status.BatteryLifePercent;
    return tick;
}

} // namespace vexlin::battery
