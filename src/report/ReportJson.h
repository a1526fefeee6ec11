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

struct ProcessorFacts {
    std::string vendor; // "GenuineIntel"; empty without identification
    std::string brand;  // up to its first NUL
    std::uint32_t family = 0;
    std::uint32_t model = 0;
    std::uint32_t stepping = 0;
    std::uint32_t highestLeaf = 0;
};

struct MachineFacts {
    platform::OsVersion os;
    std::string kernel; // the kernel's release, "6.1.0-28-amd64"
    std::optional<std::string> computerName;
    std::optional<std::string> userName;
    std::string biosDate;
    std::vector<std::string> biosVersions;
    std::uint64_t memoryBytes = 0;
    std::vector<platform::Partition> partitions;
    std::vector<std::string> opticalDrives;
    int soundOutputDevices = 0;
    std::vector<std::string> serialPorts;
    std::vector<std::string> displayAdapters;
    std::vector<platform::DisplayMode> displayModes;
    int screenWidth = 0;
    int screenHeight = 0;
    int screenBitsPerPixel = 0;
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
    std::string createdLocal;   // "2026-12-09T05:55:13+03:00"
    MachineFacts machine;
    TestConditions conditions;
    ReportInputs shown; // the texts and results the document holds
};

std::string reportJson(const ReportRecord& record);

// The BIOS version strings as the system gives them (each ended by a NUL), the empty ones left out.
std::vector<std::string> biosStrings(const std::string& bytes);

// Vendor, brand, family, model and stepping from the identification leaves, as they are read.
ProcessorFacts processorFacts(std::uint32_t highestLeaf, const std::string& vendor, std::uint32_t leaf1Eax,
                              const std::string& brand);

} // namespace vexlin::report
