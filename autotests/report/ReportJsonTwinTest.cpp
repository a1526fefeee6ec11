// The JSON twin of a report with every field filled, every kind of value and the texts a system can hand
// over (broken UTF-8, control characters, DEL), against the file the program wrote for the same run before
// its writer moved onto nlohmann-json: the same fields in the same order with the same values.
#include "report/ReportJson.h"

#include <fstream>
#include <gtest/gtest.h>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

namespace vexlin::report {
namespace {

ReportRecord everythingFilled() {
    ReportRecord r;
    r.programVersion = "0.7.1";
    r.createdLocal = isoLocalTime("2026-12-09T05:55:13", 3 * 3600);
    r.machine.os = {6, 1, 28, "", 0x1c000106, "Debian GNU/Linux 12 (bookworm)"};
    r.machine.kernel = "6.1.0-28-amd64";
    r.machine.computerName = std::string("laptop\x7f");
    r.machine.userName = std::string("мастер\xff");
    r.machine.biosDate = "07/15/2024";
    r.machine.biosVersions = {"LENOVO", "N2IET99W (1.77 )", "1.77"};
    r.machine.memoryBytes = std::numeric_limits<std::uint64_t>::max();
    r.machine.partitions = {{"/", 250'000'000'000u, 120'000'000'000u},
                            {"/boot/efi", std::nullopt, std::nullopt}};
    r.machine.opticalDrives = {"/dev/sr0"};
    r.machine.soundOutputDevices = 2;
    r.machine.serialPorts = {};
    r.machine.displayAdapters = {"Intel Corporation TigerLake-LP GT2 [Iris Xe Graphics]"};
    r.machine.displayModes = {{1920, 1080, 32}, {1280, 720, 32}};
    r.machine.screenWidth = 1920;
    r.machine.screenHeight = 1080;
    r.machine.screenBitsPerPixel = 24;
    r.machine.processor = processorFacts(0x1B, "GenuineIntel", 0x000806C1, "11th Gen Intel(R) Core(TM) i7");
    r.conditions.power.ACLineStatus = 1;
    r.conditions.power.BatteryFlag = 9;
    r.conditions.power.BatteryLifePercent = 87;
    r.conditions.glVendor = "Mesa";
    r.conditions.glRenderer = "llvmpipe (LLVM 15.0.6, 256 bits)";
    r.conditions.glVersion = "4.5 (Compatibility Profile) Mesa 22.3.6";
    r.conditions.cpufreqGovernor = "powersave";
    r.conditions.cpufreqDriver = std::nullopt;
    r.conditions.kernel = "6.1.0-28-amd64";
    r.conditions.session = "x11";
    r.shown.osName = "Debian GNU/Linux 12 (bookworm) ";
    r.shown.memory = {"Оперативная память", "16 Гб"};
    r.shown.averageFps = 57.5L;
    r.shown.averageCpuMhz = 2599.996L;
    r.shown.captureCapabilities = {"44.1 kHz, Стерео, 16-бит"};
    results::ResultLine wear{"battery", "BAT0.wear",           "Износ батареи BAT0",
                             "31 %",    "Износ батареи: 31 %", results::Verdict::Warning};
    wear.facts = {{"wear_percent", 31.25, "%"},
                  {"cycles", std::int64_t{312}, ""},
                  {"as_new", false, ""},
                  {"sensor", std::string("tab\tquote\"back\\slash\nline\x01"), ""},
                  {"not_finite", std::numeric_limits<double>::infinity(), ""},
                  {"whole", 2600.0, "MHz"}};
    r.shown.results = {wear, {"audio", "microphone", "Микрофон", "", "сигнал есть", results::Verdict::Good}};
    return r;
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(ReportJsonTwin, SameFieldsInTheSameOrderWithTheSameValuesAsBefore) {
    const std::string written = reportJson(everythingFilled());
    if (std::getenv("VEXLIN_WRITE_TWIN") != nullptr) { // to record the fixture anew, by hand
        std::ofstream(std::string(VEXLIN_FIXTURES) + "/report-twin.json", std::ios::binary) << written;
    }
    const std::string before = fileText(std::string(VEXLIN_FIXTURES) + "/report-twin.json");
    ASSERT_FALSE(before.empty());
    // Ordered objects compare member by member in order; numbers compare by value (2600 and 2600.0 alike).
    const auto now = nlohmann::ordered_json::parse(written);
    const auto then = nlohmann::ordered_json::parse(before);
    EXPECT_EQ(now, then) << written;
    EXPECT_EQ(written.back(), '\n');
}

} // namespace
} // namespace vexlin::report
