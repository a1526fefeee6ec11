#pragma once

#include "platform/PowerStatus.h"

#include <cstdint>
#include <optional>
#include <string>

// The texts of the page "Батарея" and of the tray entry, built from one polled power status.
namespace vexlin::battery {

// "Время работы: H:MM мин.", or "Информация недоступна" when the system cannot tell.
std::string runTimeText(std::uint32_t seconds);

// "Осталось N %", or above 100 "Батарея не обнаружена"; with the battery flags known to be unknown (255)
// there is a battery whose charge cannot be read, and the text says so instead.
std::string chargeText(std::uint8_t percent, std::uint8_t flags = platform::PowerStatus::kFlagNoBattery);

// The tray entry's picture text (bars, or exclamation marks when no charge is known) and its tip.
struct TrayBand {
    std::string picture;
    std::string tip;
};
TrayBand trayBand(std::uint8_t percent);

// The battery flags spelled out one after another, with no separator.
std::string flagsText(std::uint8_t flags);

// The power source; nothing for a line status the system does not define (the old text stays).
std::optional<std::string> powerSourceText(std::uint8_t acLineStatus);

// H:MM:SS since the monitor started; hours are not wrapped at a day.
std::string elapsedText(std::int32_t ticks);

// Everything one monitor tick shows.
struct MonitorTick {
    std::string runTime;                    // StaticText7
    std::string charge;                     // StaticText8
    TrayBand tray;                          // tray picture and tip
    std::string flags;                      // StaticText9
    std::optional<std::string> powerSource; // StaticText10, unchanged when empty
    std::string elapsed;                    // the chart point's label
    std::string testRunning;                // StaticText26
    std::int32_t chartX = 0;                // the tick count
    std::uint8_t chartY = 0;                // the percent byte as polled, 255 included
};
MonitorTick monitorTick(const platform::PowerStatus& status, std::int32_t ticks);

// "H:MM" from a number of seconds, shared by the run time and the forecast.
std::string hoursMinutes(std::uint64_t seconds);

} // namespace vexlin::battery
