#pragma once

#include "drives/DriveList.h"
#include "drives/SmartctlJson.h"
#include "drives/SmartctlRunner.h"
#include "results/ResultsStore.h"

#include <filesystem>
#include <string_view>
#include <vector>

// The drives' lines as the page "Итоги", the report and the JSON read them: per drive "<name>.drive"
// (identity and the verdict in words) and "<name>.health" (the readings and why), source "drives".  A run
// that could not read at all gets the one line "reading" saying what to do.
namespace vexlin::drives {

inline constexpr std::string_view kSource = "drives";
inline constexpr const char* kVirtualWords = "виртуальный диск: сведений о здоровье нет";
inline constexpr const char* kExternalWords = "внешний диск (USB): в выводах не участвует";

// One drive of a reading: what the kernel lists, how smartctl went and what its JSON said.
struct DriveReport {
    BlockDrive drive;
    RunOutcome run;               // Kind::Output when smartctl was run and answered
    SmartctlReading reading;      // read from run.output
    bool asked = false;           // smartctl was run for this drive (not for external and virtual ones)
    std::string via = "smartctl"; // where the records came from: "smartctl" or "udisks2"
};

struct DrivesReading {
    std::vector<DriveReport> drives;
    // Set when smartctl could not be run at all (missing program, refused password): the same for every
    // drive.
    std::optional<RunOutcome> failure;
};

// Lists the drives below `sysfsRoot` and runs smartctl for each internal one.  Blocks: a worker's call.
DrivesReading readDrives(const std::filesystem::path& sysfsRoot, const RunSettings& settings);

std::vector<results::ResultLine> driveLines(const DrivesReading& reading, std::string_view decimalSeparator);

const char* interfaceName(Interface interface);

} // namespace vexlin::drives
