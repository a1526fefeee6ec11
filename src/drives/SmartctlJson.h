#pragma once

#include "drives/DriveRecord.h"

#include <string>
#include <string_view>

// The reading of `smartctl --json` output (smartmontools 7.x, json_format_version 1).
namespace vexlin::drives {

struct SmartctlReading {
    enum class Kind {
        Records,   // the drive answered: `record` holds what it said
        NoRecords, // smartctl ran but could not reach the drive's health records (`message` says why)
        Invalid,   // not smartctl's JSON, or a format this program does not know (`message` says what)
    };
    Kind kind = Kind::Invalid;
    DriveRecord record;
    std::string message;
};

// Never throws: bad input gives Kind::Invalid with a message naming what was wrong.
SmartctlReading readSmartctlJson(std::string_view json);

} // namespace vexlin::drives
