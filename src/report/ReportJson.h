#pragma once

#include "platform/DiskPartitions.h"
#include "platform/DisplayInfo.h"
#include "platform/PowerStatus.h"
#include "platform/SystemFacts.h"
#include "report/ReportContent.h"

#include <optional>
#include <string>
#include <vector>

// The report's twin for programs: the same run as values, so that people who test many machines can
// compare the files.  Its fields are described in docs/report-json.md.
namespace vexlin::report {

// Nullopt and empty texts are written as null: a value that could not be read, never a guessed 0.
struct ProcessorFacts {
    std::string vendor;                  // "GenuineIntel"; empty without identification
    std::string brand;                   // up to its first NUL; empty without the brand leaves
    std::optional<std::uint32_t> family; // nullopt without the identification leaf 1
    std::optional<std::uint32_t> model;
    std::optional<std::uint32_t> stepping;
    std::optional<std::uint32_t> highestLeaf; // nullopt without a processor to ask
};

struct MachineFacts {
    platform::OsVersion os;
    std::string kernel; // the kernel's release, "6.1.0-28-amd64"
    std::optional<std::string> computerName;
    std::optional<std::string> userName;
    std::string biosDate;
    std::vector<std::string> biosVersions;
    std::optional<std::uint64_t> memoryBytes; // nullopt without the system service
    std::vector<platform::Partition> partitions;
    std::vector<std::string> opticalDrives;
    std::optional<int> soundOutputDevices;
    std::vector<std::string> serialPorts;
    std::vector<std::string> displayAdapters;
    std::vector<platform::DisplayMode> displayModes;
    std::optional<int> screenWidth; // nullopt without a screen
    std::optional<int> screenHeight;
    std::optional<int> screenBitsPerPixel;
    ProcessorFacts processor;
};

// Under what the tests ran: a frame rate on battery or with a power-saving governor is not comparable with
// one on mains.
struct TestConditions {
    platform::PowerStatus power;
    std::string glVendor; // of the performance window's context; empty when it has none
    std::string glRenderer;
    std::string glVersion;
    std::optional<std::string> cpufreqGovernor;
    std::optional<std::string> cpufreqDriver;
    std::string kernel;
    std::string session; // "x11", "wayland" or "unknown"
};

struct ReportRecord {
    std::string programVersion; // "0.7.1"
    std::string createdLocal;   // "2026-12-09T05:55:13+03:00": see isoLocalTime
    MachineFacts machine;
    TestConditions conditions;
    ReportInputs shown; // the texts and results the document holds
};

std::string reportJson(const ReportRecord& record);

// A local date and time with its offset from UTC, ISO 8601: "2026-12-09T05:55:13+03:00" (also "+00:00", never
// "Z", so every file reads the same way).  `dateTime` is "yyyy-MM-ddTHH:mm:ss"; the offset is in seconds.
std::string isoLocalTime(const std::string& dateTime, int offsetFromUtcSeconds);

// The BIOS version strings as the system gives them (each ended by a NUL), the empty ones left out.
std::vector<std::string> biosStrings(const std::string& bytes);

// Vendor, brand, family, model and stepping from the identification leaves, as they are read.
ProcessorFacts processorFacts(std::uint32_t highestLeaf, const std::string& vendor, std::uint32_t leaf1Eax,
                              const std::string& brand);

} // namespace vexlin::report
