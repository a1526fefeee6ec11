#pragma once

#include <cstdint>

namespace vexlin::platform {

// The power status in the shape of the Windows SYSTEM_POWER_STATUS record, so that every text built from it
// reads the same on each back end.
struct PowerStatus {
    static constexpr std::uint8_t kAcOffline = 0;
    static constexpr std::uint8_t kAcOnline = 1;
    static constexpr std::uint8_t kUnknownByte = 255;
    static constexpr std::uint32_t kUnknownSeconds = 0xFFFFFFFFu;

    // Battery flag bits.
    static constexpr std::uint8_t kFlagHigh = 1;     // more than 66 %
    static constexpr std::uint8_t kFlagLow = 2;      // less than 33 %
    static constexpr std::uint8_t kFlagCritical = 4; // less than 5 %
    static constexpr std::uint8_t kFlagCharging = 8;
    static constexpr std::uint8_t kFlagNoBattery = 128;

    std::uint8_t ACLineStatus = kUnknownByte;
    std::uint8_t BatteryFlag = kUnknownByte;
    std::uint8_t BatteryLifePercent = kUnknownByte;
    std::uint8_t Reserved1 = 0;
    std::uint32_t BatteryLifeTime = kUnknownSeconds;
    std::uint32_t BatteryFullLifeTime = kUnknownSeconds;

    friend bool operator==(const PowerStatus&, const PowerStatus&) = default;
};

} // namespace vexlin::platform
