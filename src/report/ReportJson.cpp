#include "report/ReportJson.h"

#include "report/Json.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace vexlin::report {

namespace {

Json textOrNull(const std::string& text) {
    return text.empty() ? Json() : Json(text);
}

Json osJson(const MachineFacts& m) {
    return Json(Json::Object{
        {"name", m.os.systemName},
        {"major", m.os.major},
        {"minor", m.os.minor},
        {"build", m.os.build},
        {"kernel", m.kernel},
    });
}

Json partitionsJson(const std::vector<platform::Partition>& partitions) {
    Json::Array array;
    for (const auto& p : partitions) {
        array.emplace_back(Json::Object{
            {"root", p.root},
            {"total_bytes", Json::orNull(p.totalBytes)},
            {"free_bytes", Json::orNull(p.freeBytes)},
        });
    }
    return Json(std::move(array));
}

Json modesJson(const std::vector<platform::DisplayMode>& modes) {
    Json::Array array;
    for (const auto& mode : modes) {
        array.emplace_back(Json::Object{
            {"width", mode.width},
            {"height", mode.height},
            {"bits_per_pixel", mode.bitsPerPixel},
        });
    }
    return Json(std::move(array));
}

Json machineJson(const MachineFacts& m) {
    const auto& cpu = m.processor;
    return Json(Json::Object{
        {"os", osJson(m)},
        {"computer_name", Json::orNull(m.computerName)},
        {"user_name", Json::orNull(m.userName)},
        {"bios",
         Json(Json::Object{{"date", textOrNull(m.biosDate)}, {"versions", Json::strings(m.biosVersions)}})},
        {"memory_bytes", Json::orNull(m.memoryBytes)},
        {"partitions", partitionsJson(m.partitions)},
        {"optical_drives", Json::strings(m.opticalDrives)},
        {"sound_output_devices", Json::orNull(m.soundOutputDevices)},
        {"serial_ports", Json::strings(m.serialPorts)},
        {"display", Json(Json::Object{
                        {"adapters", Json::strings(m.displayAdapters)},
                        {"width", Json::orNull(m.screenWidth)},
                        {"height", Json::orNull(m.screenHeight)},
                        {"bits_per_pixel", Json::orNull(m.screenBitsPerPixel)},
                        {"modes", modesJson(m.displayModes)},
                    })},
        {"processor", Json(Json::Object{
                          {"vendor", textOrNull(cpu.vendor)},
                          {"brand", textOrNull(cpu.brand)},
                          {"family", Json::orNull(cpu.family)},
                          {"model", Json::orNull(cpu.model)},
                          {"stepping", Json::orNull(cpu.stepping)},
                          {"highest_leaf", Json::orNull(cpu.highestLeaf)},
                      })},
    });
}

Json byteOrNull(std::uint8_t value) {
    return value == platform::PowerStatus::kUnknownByte ? Json() : Json(static_cast<int>(value));
}

Json powerJson(const platform::PowerStatus& power) {
    using platform::PowerStatus;
    const bool flagKnown = power.BatteryFlag != PowerStatus::kUnknownByte;
    const bool noBattery = flagKnown && (power.BatteryFlag & PowerStatus::kFlagNoBattery) != 0;
    Json acOnline;
    if (power.ACLineStatus == PowerStatus::kAcOnline || power.ACLineStatus == PowerStatus::kAcOffline) {
        acOnline = Json(power.ACLineStatus == PowerStatus::kAcOnline);
    }
    return Json(Json::Object{
        {"ac_online", acOnline},
        {"battery_present", flagKnown ? Json(!noBattery) : Json()},
        {"battery_percent", noBattery ? Json() : byteOrNull(power.BatteryLifePercent)},
        {"charging",
         flagKnown && !noBattery ? Json((power.BatteryFlag & PowerStatus::kFlagCharging) != 0) : Json()},
        {"seconds_left",
         power.BatteryLifeTime == PowerStatus::kUnknownSeconds ? Json() : Json(power.BatteryLifeTime)},
    });
}

Json conditionsJson(const TestConditions& c) {
    return Json(Json::Object{
        {"power", powerJson(c.power)},
        {"opengl", Json(Json::Object{
                       {"vendor", textOrNull(c.glVendor)},
                       {"renderer", textOrNull(c.glRenderer)},
                       {"version", textOrNull(c.glVersion)},
                   })},
        {"cpufreq", Json(Json::Object{
                        {"governor", Json::orNull(c.cpufreqGovernor)},
                        {"driver", Json::orNull(c.cpufreqDriver)},
                    })},
        {"kernel", c.kernel},
        {"session", c.session},
    });
}

Json factValue(const results::FactValue& value) {
    return std::visit([](const auto& v) { return Json(v); }, value);
}

Json summaryJson(const std::vector<results::ResultLine>& lines) {
    Json::Array array;
    for (const auto& line : lines) {
        Json facts = Json(Json::Object{});
        Json units = Json(Json::Object{});
        for (const auto& fact : line.facts) {
            facts.set(fact.name, factValue(fact.value));
            if (!fact.unit.empty()) {
                units.set(fact.name, fact.unit);
            }
        }
        array.emplace_back(Json::Object{
            {"source", line.source},
            {"key", line.key},
            {"what", line.what},
            {"value", line.value},
            {"verdict", line.verdict},
            {"judgement", std::string(results::verdictName(line.judgement))},
            {"facts", std::move(facts)},
            {"units", std::move(units)},
        });
    }
    return Json(std::move(array));
}

Json labelled(const LabelledText& field) {
    return Json(Json::Object{{"label", field.label}, {"value", field.value}});
}

// The inventory as the page and the document show it, for a reader who wants the same words.
Json shownTextsJson(const ReportInputs& in) {
    return Json(Json::Object{
        {"operating_system", in.osName + " " + in.osVersion + " " + in.osBuild},
        {"dos", labelled(in.dos)},
        {"computer_name", labelled(in.computerName)},
        {"user_name", labelled(in.userName)},
        {"bios_version", labelled(in.biosVersion)},
        {"bios_date", labelled(in.biosDate)},
        {"processor", Json::strings(in.processorLines)},
        {"memory", labelled(in.memory)},
        {"partitions", Json::strings(in.partitions)},
        {"drives", labelled(in.drives)},
        {"sound_card", labelled(in.soundCard)},
        {"serial_ports", labelled(in.serialPorts)},
        {"resolution", labelled(in.resolution)},
        {"colours", labelled(in.colours)},
        {"display_adapters", Json::strings(in.adapters.lines)},
        {"display_modes", Json::strings(in.displayModes.lines)},
    });
}

} // namespace

ProcessorFacts processorFacts(std::uint32_t highestLeaf, const std::string& vendor, std::uint32_t leaf1Eax,
                              const std::string& brand) {
    ProcessorFacts facts;
    facts.highestLeaf = highestLeaf;
    facts.vendor = vendor.substr(0, vendor.find('\0'));
    facts.brand = brand.substr(0, brand.find('\0'));
    if (highestLeaf >= 1) { // without leaf 1 there is no family, model or stepping to tell
        // The extended family and model fields count only where the base fields say so.
        const std::uint32_t baseFamily = (leaf1Eax >> 8) & 0xF;
        const std::uint32_t baseModel = (leaf1Eax >> 4) & 0xF;
        facts.stepping = leaf1Eax & 0xF;
        facts.family = baseFamily == 0xF ? baseFamily + ((leaf1Eax >> 20) & 0xFF) : baseFamily;
        facts.model =
            baseFamily == 0x6 || baseFamily == 0xF ? baseModel + (((leaf1Eax >> 16) & 0xF) << 4) : baseModel;
    }
    return facts;
}

std::vector<std::string> biosStrings(const std::string& bytes) {
    std::vector<std::string> strings;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const auto end = std::min(bytes.find('\0', start), bytes.size());
        if (end > start) {
            strings.push_back(bytes.substr(start, end - start));
        }
        start = end + 1;
    }
    return strings;
}

std::string isoLocalTime(const std::string& dateTime, int offsetFromUtcSeconds) {
    const int minutes = std::abs(offsetFromUtcSeconds) / 60;
    char offset[16];
    std::snprintf(offset, sizeof offset, "%c%02d:%02d", offsetFromUtcSeconds < 0 ? '-' : '+',
                  minutes / 60 % 100, minutes % 60);
    return dateTime + offset;
}

std::string reportJson(const ReportRecord& record) {
    const auto& shown = record.shown;
    const std::string fpsNotRun = notRunReason(shown.results, "average_fps");
    Json root = Json(Json::Object{
        {"format", "vexlin-report"},
        {"format_version", 1},
        {"program", Json(Json::Object{{"name", "Vexlin"}, {"version", record.programVersion}})},
        {"created", record.createdLocal},
        {"machine", machineJson(record.machine)},
        {"conditions", conditionsJson(record.conditions)},
        {"results",
         Json(Json::Object{
             {"average_fps", fpsNotRun.empty() ? Json(static_cast<double>(shown.averageFps)) : Json()},
             {"average_fps_not_run", textOrNull(fpsNotRun)},
             {"average_cpu_mhz", static_cast<double>(shown.averageCpuMhz)},
         })},
        {"capture_capabilities", Json::strings(shown.captureCapabilities)},
        {"summary", summaryJson(shown.results)},
        {"shown_texts", shownTextsJson(shown)},
    });
    return root.text();
}

} // namespace vexlin::report
