#include "battery/RundownJournal.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <utility>

namespace vexlin::battery {
namespace {

constexpr std::string_view kMagic = "vexlin-rundown";
constexpr std::size_t kHeaderFields = 16; // the checksum included
constexpr std::size_t kHeaderFieldsV2 = 14;
constexpr std::size_t kReadingFields = 11;
constexpr std::size_t kEndFields = 6;
constexpr std::size_t kReadingFieldsV1 = 9; // no monotonic clock, no checksum
constexpr std::size_t kMaxFields = 16;
// Clocks in ns reach this after 126 years; beyond it (or below 0) a field is garbage, and keeping clocks
// inside it lets any two be subtracted without overflow.
constexpr std::int64_t kMaxClock = 4'000'000'000'000'000'000;

std::uint32_t fnv1a(std::string_view text) {
    std::uint32_t hash = 2166136261u;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return hash;
}

// Identity texts come from firmware: nothing in them may split a field or a line.
std::string fieldText(std::string_view text) {
    std::string clean(text);
    for (char& c : clean) {
        if (c == '\t' || c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return clean.empty() ? "-" : clean;
}

std::string numberText(const std::optional<std::int64_t>& value) {
    return value ? std::to_string(*value) : "-";
}

std::string sealed(std::string line) {
    line += '\t';
    std::array<char, 9> hex{};
    std::snprintf(hex.data(), hex.size(), "%08x", fnv1a(line));
    line.append(hex.data(), 8);
    line += '\n';
    return line;
}

std::string_view statusWord(JournalStatus status) {
    switch (status) {
    case JournalStatus::Charging:
        return "Charging";
    case JournalStatus::Discharging:
        return "Discharging";
    case JournalStatus::NotCharging:
        return "Not charging";
    case JournalStatus::Full:
        return "Full";
    case JournalStatus::Unknown:
        break;
    }
    return "Unknown";
}

std::optional<JournalStatus> statusOf(std::string_view word) {
    for (const auto status : {JournalStatus::Unknown, JournalStatus::Charging, JournalStatus::Discharging,
                              JournalStatus::NotCharging, JournalStatus::Full}) {
        if (word == statusWord(status)) {
            return status;
        }
    }
    return std::nullopt;
}

// Splits at tabs into at most kMaxFields fields; more than that is garbage.
std::size_t splitFields(std::string_view line, std::array<std::string_view, kMaxFields>& fields) {
    std::size_t count = 0;
    std::size_t start = 0;
    while (true) {
        const auto tab = line.find('\t', start);
        if (count == kMaxFields) {
            return kMaxFields + 1;
        }
        fields[count++] =
            line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start);
        if (tab == std::string_view::npos) {
            return count;
        }
        start = tab + 1;
    }
}

bool checksumHolds(std::string_view line) {
    const auto tab = line.rfind('\t');
    if (tab == std::string_view::npos || line.size() - tab - 1 != 8) {
        return false;
    }
    std::uint32_t stored = 0;
    const auto* first = line.data() + tab + 1;
    const auto [end, error] = std::from_chars(first, first + 8, stored, 16);
    return error == std::errc() && end == first + 8 && stored == fnv1a(line.substr(0, tab + 1));
}

bool readNumber(std::string_view text, std::int64_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool readClock(std::string_view text, std::int64_t& value) {
    return readNumber(text, value) && value >= 0 && value <= kMaxClock;
}

bool readOptional(std::string_view text, std::optional<std::int64_t>& value) {
    if (text == "-") {
        value.reset();
        return true;
    }
    std::int64_t number = 0;
    if (!readNumber(text, number)) {
        return false;
    }
    value = number;
    return true;
}

// The writer keeps only printable ASCII in these (the battery reader gives no other); a damaged file may hold
// anything, and these texts go on into the report and its JSON.
std::string identity(std::string_view field) {
    std::string text;
    if (field == "-") {
        return text;
    }
    for (const char c : field) {
        if (c >= 0x20 && c < 0x7F) {
            text.push_back(c);
        }
    }
    return text;
}

constexpr std::array<std::pair<ChargeHold, std::string_view>, 4> kHoldWords{{
    {ChargeHold::None, "auto"},
    {ChargeHold::ForceDischarge, "force-discharge"},
    {ChargeHold::InhibitCharge, "inhibit-charge"},
    {ChargeHold::Conservation, "conservation"},
}};

std::string_view holdWord(ChargeHold hold) {
    for (const auto& [value, word] : kHoldWords) {
        if (value == hold) {
            return word;
        }
    }
    return "auto";
}

// Format 3's two fields after the boot id.
bool readHold(std::string_view threshold, std::string_view hold, JournalHeader& header) {
    std::optional<std::int64_t> percent;
    if (!readOptional(threshold, percent) || (percent && (*percent < 1 || *percent > 99))) {
        return false;
    }
    if (percent) {
        header.stopThreshold = static_cast<int>(*percent);
    }
    for (const auto& [value, word] : kHoldWords) {
        if (word == hold) {
            header.hold = value;
            return true;
        }
    }
    return false;
}

bool readHeader(const std::array<std::string_view, kMaxFields>& f, std::size_t count, int format,
                JournalHeader& header) {
    if (count != (format >= 3 ? kHeaderFields : kHeaderFieldsV2)) {
        return false;
    }
    if (format >= 3 && !readHold(f[13], f[14], header)) {
        return false;
    }
    header.programVersion = identity(f[2]);
    header.battery = identity(f[3]);
    header.maker = identity(f[4]);
    header.model = identity(f[5]);
    header.serial = identity(f[6]);
    if (f[7] != "energy" && f[7] != "charge") {
        return false;
    }
    header.chargeUnits = f[7] == "charge";
    if (!readOptional(f[8], header.designFull) || !readOptional(f[9], header.full) ||
        !readOptional(f[10], header.voltageMinDesign)) {
        return false;
    }
    if (f[11] != "work" && f[11] != "load") {
        return false;
    }
    header.load = f[11] == "load" ? RundownLoad::Load : RundownLoad::Work;
    header.bootId = identity(f[12]);
    return true;
}

// Format 1's header: the same fields, without the checksum.
bool readHeaderV1(const std::array<std::string_view, kMaxFields>& f, std::size_t count,
                  JournalHeader& header) {
    if (count != kHeaderFieldsV2 - 1) {
        return false;
    }
    std::array<std::string_view, kMaxFields> withChecksum = f;
    withChecksum[kHeaderFieldsV2 - 1] = "";
    return readHeader(withChecksum, kHeaderFieldsV2, 1, header);
}

bool readReading(const std::array<std::string_view, kMaxFields>& f, std::size_t count, int format,
                 JournalReading& reading) {
    std::size_t at = 1;
    if (format == 1) {
        if (count != kReadingFieldsV1) {
            return false;
        }
    } else if (count != kReadingFields) {
        return false;
    }
    if (!readClock(f[at++], reading.boottimeNs)) {
        return false;
    }
    if (format >= 2) {
        std::int64_t monotonic = 0;
        if (!readClock(f[at++], monotonic)) {
            return false;
        }
        reading.monotonicNs = monotonic;
    }
    std::optional<std::int64_t> percent;
    if (!readClock(f[at++], reading.wallMs) || !readOptional(f[at++], reading.now) ||
        !readOptional(f[at++], reading.rate) || !readOptional(f[at++], reading.voltage) ||
        !readOptional(f[at++], percent)) {
        return false;
    }
    if (percent && (*percent < 0 || *percent > 100)) {
        return false;
    }
    if (percent) {
        reading.percent = static_cast<int>(*percent);
    }
    const auto status = statusOf(f[at++]);
    if (!status) {
        return false;
    }
    reading.status = *status;
    const auto mains = f[at++];
    if (mains != "0" && mains != "1") {
        return false;
    }
    reading.mainsOnline = mains == "1";
    return true;
}

bool readEnd(const std::array<std::string_view, kMaxFields>& f, std::size_t count, JournalEnd& end) {
    if (count != kEndFields) {
        return false;
    }
    if (f[1] == "closed") {
        end.reason = JournalEndReason::Closed;
    } else if (f[1] == "stopped") {
        end.reason = JournalEndReason::Stopped;
    } else if (f[1] == "removed") {
        end.reason = JournalEndReason::Removed;
    } else {
        return false;
    }
    return readNumber(f[2], end.boottimeNs) && readNumber(f[3], end.monotonicNs) &&
           readNumber(f[4], end.wallMs);
}

JournalParse refuse(std::string message) {
    return {std::nullopt, JournalError{std::move(message)}};
}

std::string lineName(std::size_t number) {
    return "строка " + std::to_string(number);
}

} // namespace

std::string headerLine(const JournalHeader& header) {
    std::string line(kMagic);
    line += '\t' + std::to_string(kJournalFormat);
    for (const auto& text :
         {header.programVersion, header.battery, header.maker, header.model, header.serial}) {
        line += '\t' + fieldText(text);
    }
    line += header.chargeUnits ? "\tcharge" : "\tenergy";
    line += '\t' + numberText(header.designFull);
    line += '\t' + numberText(header.full);
    line += '\t' + numberText(header.voltageMinDesign);
    line += header.load == RundownLoad::Load ? "\tload" : "\twork";
    line += '\t' + fieldText(header.bootId);
    line += '\t' + numberText(header.stopThreshold ? std::optional<std::int64_t>(*header.stopThreshold)
                                                   : std::nullopt);
    line += '\t' + std::string(holdWord(header.hold));
    return sealed(std::move(line));
}

std::string readingLine(const JournalReading& reading) {
    std::string line = "r\t" + std::to_string(reading.boottimeNs);
    line += '\t' + std::to_string(reading.monotonicNs.value_or(reading.boottimeNs));
    line += '\t' + std::to_string(reading.wallMs);
    line += '\t' + numberText(reading.now);
    line += '\t' + numberText(reading.rate);
    line += '\t' + numberText(reading.voltage);
    line += '\t' + numberText(reading.percent ? std::optional<std::int64_t>(*reading.percent) : std::nullopt);
    line += '\t';
    line += statusWord(reading.status);
    line += reading.mainsOnline ? "\t1" : "\t0";
    return sealed(std::move(line));
}

std::string endLine(const JournalEnd& end) {
    std::string line = end.reason == JournalEndReason::Stopped   ? "end\tstopped"
                       : end.reason == JournalEndReason::Removed ? "end\tremoved"
                                                                 : "end\tclosed";
    line += '\t' + std::to_string(end.boottimeNs);
    line += '\t' + std::to_string(end.monotonicNs);
    line += '\t' + std::to_string(end.wallMs);
    return sealed(std::move(line));
}

JournalParse parseJournal(std::string_view text) {
    Journal journal;
    std::array<std::string_view, kMaxFields> fields;
    std::size_t number = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        ++number;
        const auto newline = text.find('\n', start);
        const bool last = newline == std::string_view::npos || newline + 1 == text.size();
        const bool complete = newline != std::string_view::npos;
        const auto line = text.substr(start, complete ? newline - start : std::string_view::npos);
        start = complete ? newline + 1 : text.size();

        const auto count = splitFields(line, fields);
        if (number == 1) {
            if (count < 2 || fields[0] != kMagic) {
                return refuse("это не журнал разрядного теста Vexlin");
            }
            std::int64_t format = 0;
            if (!readNumber(fields[1], format) || format < 1) {
                return refuse("журнал разрядного теста: непонятная версия формата в заголовке");
            }
            if (format > kJournalFormat) {
                return refuse("журнал записан более новой версией Vexlin (формат " + std::to_string(format) +
                              "), эта версия читает форматы 1–" + std::to_string(kJournalFormat));
            }
            journal.header.format = static_cast<int>(format);
            const bool read = format == 1
                                  ? complete && readHeaderV1(fields, count, journal.header)
                                  : complete && checksumHolds(line) &&
                                        readHeader(fields, count, static_cast<int>(format), journal.header);
            if (!read) {
                return refuse("журнал разрядного теста: заголовок повреждён");
            }
            continue;
        }
        const int format = journal.header.format;
        bool good = complete && count <= kMaxFields && (format == 1 || checksumHolds(line));
        if (good && fields[0] == "r" && !journal.end) {
            JournalReading reading;
            good = readReading(fields, count, format, reading);
            if (good) {
                journal.readings.push_back(reading);
            }
        } else if (good && fields[0] == "end" && !journal.end && format >= 2) {
            JournalEnd end;
            good = readEnd(fields, count, end);
            if (good) {
                journal.end = end;
            }
        } else {
            good = false;
        }
        if (!good) {
            if (last) {
                journal.tornLastLine = true;
                break;
            }
            return refuse("журнал разрядного теста повреждён: " + lineName(number));
        }
    }
    if (number == 0) {
        return refuse("журнал разрядного теста пуст");
    }
    return {std::move(journal), std::nullopt};
}

std::string_view loadName(RundownLoad load) {
    return load == RundownLoad::Load ? "Под нагрузкой" : "Как при работе";
}

} // namespace vexlin::battery
