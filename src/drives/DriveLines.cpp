#include "drives/DriveLines.h"

#include "drives/DriveVerdict.h"
#include "text/PlainText.h"

namespace vexlin::drives {
namespace {

using results::Fact;
using results::ResultLine;
using results::Verdict;

std::string terabytes(std::uint64_t bytes, std::string_view separator, int decimals) {
    return text::fixedNumberText(static_cast<double>(bytes) / 1e12, decimals, separator) + " ТБ";
}

// Sizes as drive makers label them (decimal units): "512 ГБ", "1,02 ТБ".
std::string capacityText(std::uint64_t bytes, std::string_view separator) {
    if (bytes < 1000000000000ULL) {
        return std::to_string((bytes + 500000000ULL) / 1000000000ULL) + " ГБ";
    }
    return terabytes(bytes, separator, 2);
}

void join(std::string& text, const std::string& part) {
    if (!part.empty()) {
        text += (text.empty() ? "" : ", ") + part;
    }
}

template <typename T>
void fact(ResultLine& line, const char* name, const std::optional<T>& value, const char* unit = "") {
    if (value) {
        line.facts.push_back({name, static_cast<std::int64_t>(*value), unit});
    }
}

ResultLine identityLine(const DriveReport& report, std::string_view separator) {
    const BlockDrive& drive = report.drive;
    const DriveRecord& record = report.reading.record;
    const bool records = report.reading.kind == SmartctlReading::Kind::Records;
    ResultLine line;
    line.source = std::string(kSource);
    line.key = drive.name + ".drive";
    line.what = "Накопитель " + drive.name;
    const std::string model = records && !record.model.empty() ? record.model : drive.model;
    join(line.value, model);
    if (records) {
        join(line.value, interfaceName(record.interface));
    }
    const auto capacity = records && record.capacityBytes ? record.capacityBytes : drive.sizeBytes;
    if (capacity) {
        join(line.value, capacityText(*capacity, separator));
    }
    if (records) {
        join(line.value, record.serial.empty() ? "" : "с/н " + record.serial);
        join(line.value, record.firmware.empty() ? "" : "прошивка " + record.firmware);
    }
    line.facts.push_back({"model", model, ""});
    if (records) {
        line.facts.push_back({"serial", record.serial, ""});
        line.facts.push_back({"firmware", record.firmware, ""});
        line.facts.push_back({"interface", std::string(interfaceName(record.interface)), ""});
    }
    fact(line, "capacity", capacity, "B");
    line.facts.push_back({"external", drive.usb, ""});
    line.facts.push_back({"virtual", drive.isVirtual, ""});
    return line;
}

ResultLine healthLine(const DriveReport& report, const DriveVerdict& verdict, std::string_view separator) {
    const DriveRecord& r = report.reading.record;
    ResultLine line;
    line.source = std::string(kSource);
    line.key = report.drive.name + ".health";
    line.what = "Здоровье " + report.drive.name;
    if (r.powerOnHours) {
        join(line.value, std::to_string(*r.powerOnHours) + " ч работы");
    }
    if (r.powerCycles) {
        join(line.value, countWords(*r.powerCycles, "включение", "включения", "включений"));
    }
    if (r.unsafeShutdowns) {
        join(line.value, countWords(*r.unsafeShutdowns, "аварийное выключение", "аварийных выключения",
                                    "аварийных выключений"));
    }
    if (r.temperature) {
        std::string temperature = std::to_string(*r.temperature) + " °C";
        if (r.warningTemperature || r.criticalTemperature) {
            temperature += " (предел";
            if (r.warningTemperature) {
                temperature += " " + std::to_string(*r.warningTemperature) + " °C";
            }
            if (r.criticalTemperature) {
                temperature += (r.warningTemperature ? ", критический " : " критический ") +
                               std::to_string(*r.criticalTemperature) + " °C";
            }
            temperature += ")";
        }
        join(line.value, temperature);
    }
    if (r.bytesWritten) {
        join(line.value, "записано " + terabytes(*r.bytesWritten, separator, 1));
    }
    if (r.percentageUsed) {
        join(line.value, "использовано ресурса " + std::to_string(*r.percentageUsed) + " %");
    }
    if (r.availableSpare) {
        std::string spare = "запас блоков " + std::to_string(*r.availableSpare) + " %";
        if (r.availableSpareThreshold) {
            spare += " (порог " + std::to_string(*r.availableSpareThreshold) + " %)";
        }
        join(line.value, spare);
    }
    if (r.mediaErrors) {
        join(line.value, "ошибок носителя " + std::to_string(*r.mediaErrors));
    }
    if (r.criticalWarning) {
        join(line.value, "предупреждения " + std::to_string(*r.criticalWarning));
    }
    if (r.assessmentPassed && r.interface != Interface::Nvme) {
        join(line.value, *r.assessmentPassed ? "самооценка: норма" : "самооценка: сбой");
    }
    if (r.reallocatedSectors) {
        join(line.value, "переназначено " + std::to_string(*r.reallocatedSectors));
    }
    if (r.pendingSectors) {
        join(line.value, "нестабильных " + std::to_string(*r.pendingSectors));
    }
    if (r.offlineUncorrectable) {
        join(line.value, "неисправимых " + std::to_string(*r.offlineUncorrectable));
    }
    if (r.crcErrors) {
        join(line.value, "ошибок кабеля (CRC) " + std::to_string(*r.crcErrors));
    }
    if (r.ssdWearPercent) {
        join(line.value, "износ " + std::to_string(*r.ssdWearPercent) + " % (" + r.ssdWearSource + ")");
    }
    for (const auto& why : verdict.why) {
        line.verdict += (line.verdict.empty() ? "" : "; ") + why;
    }
    line.judgement = verdict.judgement;
    fact(line, "power_on_hours", r.powerOnHours, "h");
    fact(line, "power_cycles", r.powerCycles);
    fact(line, "unsafe_shutdowns", r.unsafeShutdowns);
    fact(line, "temperature", r.temperature, "°C");
    fact(line, "warning_temperature", r.warningTemperature, "°C");
    fact(line, "critical_temperature", r.criticalTemperature, "°C");
    if (r.bytesWritten) {
        line.facts.push_back({"data_written", static_cast<double>(*r.bytesWritten) / 1e12, "TB"});
    }
    fact(line, "percentage_used", r.percentageUsed, "%");
    fact(line, "available_spare", r.availableSpare, "%");
    fact(line, "available_spare_threshold", r.availableSpareThreshold, "%");
    fact(line, "media_errors", r.mediaErrors);
    fact(line, "critical_warning", r.criticalWarning);
    if (r.assessmentPassed) {
        line.facts.push_back({"assessment_passed", *r.assessmentPassed, ""});
    }
    fact(line, "reallocated_sectors", r.reallocatedSectors);
    fact(line, "pending_sectors", r.pendingSectors);
    fact(line, "offline_uncorrectable", r.offlineUncorrectable);
    fact(line, "crc_errors", r.crcErrors);
    fact(line, "ssd_wear", r.ssdWearPercent, "%");
    return line;
}

// smartctl 7.3 does not put an NVMe drive's warning and critical temperatures into its JSON; the kernel
// shows them.
void fillTemperatureLimits(const std::filesystem::path& sysfsRoot, DriveReport& report) {
    DriveRecord& record = report.reading.record;
    if (report.reading.kind != SmartctlReading::Kind::Records || record.interface != Interface::Nvme ||
        (record.warningTemperature && record.criticalTemperature)) {
        return;
    }
    const TemperatureLimits limits = nvmeHwmonLimits(sysfsRoot, report.drive.name);
    if (!record.warningTemperature) {
        record.warningTemperature = limits.warning;
    }
    if (!record.criticalTemperature) {
        record.criticalTemperature = limits.critical;
    }
}

} // namespace

const char* interfaceName(Interface interface) {
    switch (interface) {
    case Interface::Nvme:
        return "NVMe";
    case Interface::SataSsd:
        return "SATA SSD";
    case Interface::SataHdd:
        return "SATA HDD";
    case Interface::Unknown:
        break;
    }
    return "";
}

DrivesReading readDrives(const std::filesystem::path& sysfsRoot, const RunSettings& settings) {
    DrivesReading reading;
    for (BlockDrive& drive : listDrives(sysfsRoot)) {
        DriveReport report;
        report.drive = std::move(drive);
        // A USB bridge hides or garbles the drive's records and a hypervisor's disk has none: neither is
        // worth a password.
        if (!report.drive.usb && !report.drive.isVirtual && !settings.privileged &&
            settings.withoutPassword) {
            if (auto record = settings.withoutPassword(report.drive.name)) {
                report.asked = true;
                report.via = "udisks2";
                report.run.kind = RunOutcome::Kind::Output;
                report.reading.kind = SmartctlReading::Kind::Records;
                report.reading.record = std::move(*record);
                fillTemperatureLimits(sysfsRoot, report);
                reading.drives.push_back(std::move(report));
                continue;
            }
        }
        if (!report.drive.usb && !report.drive.isVirtual && !reading.failure) {
            report.asked = true;
            report.run = runSmartctl(report.drive.name, settings);
            switch (report.run.kind) {
            case RunOutcome::Kind::Output:
                report.reading = readSmartctlJson(report.run.output);
                fillTemperatureLimits(sysfsRoot, report);
                break;
            case RunOutcome::Kind::NoSmartctl:
            case RunOutcome::Kind::NoPkexec:
            case RunOutcome::Kind::Refused:
                reading.failure = report.run;
                break;
            case RunOutcome::Kind::TimedOut:
            case RunOutcome::Kind::Failed:
                break;
            }
        }
        reading.drives.push_back(std::move(report));
    }
    return reading;
}

std::vector<ResultLine> driveLines(const DrivesReading& reading, std::string_view separator) {
    std::vector<ResultLine> lines;
    if (reading.failure) {
        ResultLine line;
        line.source = std::string(kSource);
        line.key = "reading";
        line.what = "Накопители";
        line.verdict = reading.failure->message;
        lines.push_back(std::move(line));
    }
    if (reading.drives.empty()) {
        ResultLine line;
        line.source = std::string(kSource);
        line.key = "none";
        line.what = "Накопители";
        line.verdict = "внутренних накопителей не найдено";
        lines.push_back(std::move(line));
    }
    for (const DriveReport& report : reading.drives) {
        ResultLine identity = identityLine(report, separator);
        if (report.drive.usb) {
            identity.verdict = kExternalWords;
            lines.push_back(std::move(identity));
            continue;
        }
        if (report.reading.kind == SmartctlReading::Kind::Records) {
            const DriveVerdict verdict = judge(report.reading.record);
            identity.verdict = verdict.words;
            identity.judgement = verdict.judgement;
            identity.facts.push_back({"verdict", verdict.words, ""});
            identity.facts.push_back({"health_source", report.via, ""});
            lines.push_back(std::move(identity));
            lines.push_back(healthLine(report, verdict, separator));
            continue;
        }
        if (report.drive.isVirtual) {
            identity.verdict = kVirtualWords;
        } else if (!report.asked) {
            identity.verdict = "не прочитан";
        } else if (report.run.kind != RunOutcome::Kind::Output) {
            identity.verdict = report.run.message;
        } else if (report.reading.kind == SmartctlReading::Kind::NoRecords) {
            identity.verdict = "сведений о здоровье нет" +
                               (report.reading.message.empty() ? "" : ": " + report.reading.message);
        } else {
            identity.verdict = "ответ smartctl не прочитан: " + report.reading.message;
        }
        lines.push_back(std::move(identity));
    }
    return lines;
}

} // namespace vexlin::drives
