#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The journal of one run-down: the battery's readings from full to empty, one line each, so that the run
// survives the machine switching itself off.  Plain text, one record a line, fields separated by tabs:
//
//   line        fields
//   ----------  -------------------------------------------------------------------------------------------
//   header      "vexlin-rundown", format, program version, battery name, maker, model, serial, units
//               ("energy" or "charge"), design full, full, design minimum voltage (µV), load ("work" or
//               "load"), boot id, stop-charge threshold (percent), charge hold ("auto", "force-discharge",
//               "inhibit-charge", "conservation"), checksum
//   reading     "r", CLOCK_BOOTTIME (ns), CLOCK_MONOTONIC (ns), wall clock (ms since 1970), now (µWh or
//               µAh), rate (µW or µA), voltage (µV), percent, status, mains online (0/1), checksum
//   end         "end", reason ("closed", "stopped", "removed"), CLOCK_BOOTTIME (ns), CLOCK_MONOTONIC (ns),
//   wall
//               clock (ms), checksum
//
// A value the battery did not report is "-".  The checksum is FNV-1a (32 bits, 8 hex digits) of the line up
// to and including the tab before it: a line cut short by a power cut, or a block the file system left
// filled with zeros, fails it.  Format 1 had neither the monotonic clock nor checksums; it is still read,
// with suspends seen only as gaps.  Format 2 had no threshold and no charge hold: read as none.
namespace vexlin::battery {

inline constexpr int kJournalFormat = 3;

enum class RundownLoad { Work, Load }; // "Как при работе", "Под нагрузкой"

// What held the charger when the run started: with force-discharge the pack runs down with mains online, and
// a pack held below full by a threshold or a vendor's mode started the run below 100 %.
enum class ChargeHold { None, ForceDischarge, InhibitCharge, Conservation };

struct JournalHeader {
    int format = kJournalFormat;
    std::string programVersion;
    std::string battery; // "BAT0"
    std::string maker;
    std::string model;
    std::string serial;
    bool chargeUnits = false; // µAh and µA rather than µWh and µW
    std::optional<std::int64_t> designFull;
    std::optional<std::int64_t> full;
    std::optional<std::int64_t> voltageMinDesign;
    RundownLoad load = RundownLoad::Work;
    std::string bootId; // the kernel's boot id when the run started: a later boot means the machine went off
    std::optional<int> stopThreshold; // percent where the firmware stops charging, when below 100
    ChargeHold hold = ChargeHold::None;

    bool operator==(const JournalHeader&) const = default;
};

enum class JournalStatus { Unknown, Charging, Discharging, NotCharging, Full };

struct JournalReading {
    std::int64_t boottimeNs = 0;
    std::optional<std::int64_t> monotonicNs; // format 1 has none
    std::int64_t wallMs = 0;
    std::optional<std::int64_t> now;
    std::optional<std::int64_t> rate;
    std::optional<std::int64_t> voltage;
    std::optional<int> percent;
    JournalStatus status = JournalStatus::Unknown;
    bool mainsOnline = false;

    bool operator==(const JournalReading&) const = default;
};

enum class JournalEndReason {
    Closed,
    Stopped,
    Removed, // the pack left its bay (its supply vanished from /sys) while the run went on
};

struct JournalEnd {
    JournalEndReason reason = JournalEndReason::Closed;
    std::int64_t boottimeNs = 0;
    std::int64_t monotonicNs = 0;
    std::int64_t wallMs = 0;

    bool operator==(const JournalEnd&) const = default;
};

struct Journal {
    JournalHeader header;
    std::vector<JournalReading> readings;
    std::optional<JournalEnd> end; // written when Vexlin itself ends the run; none when the machine did
    bool tornLastLine = false;     // the last line was cut short and left out

    bool operator==(const Journal&) const = default;
};

struct JournalError {
    std::string message; // for the user, Russian: names what is wrong and where
};

// Each line ends with '\n'.
std::string headerLine(const JournalHeader& header);
std::string readingLine(const JournalReading& reading);
std::string endLine(const JournalEnd& end);

// Reads a whole journal.  A last line that is cut short (no newline, or a failed checksum) is left out and
// marked; any other damage, a format this version does not know, or a file that is not a journal refuses
// the whole file with a message.
struct JournalParse {
    std::optional<Journal> journal;
    std::optional<JournalError> error;
};
JournalParse parseJournal(std::string_view text);

std::string_view loadName(RundownLoad load); // "Как при работе", "Под нагрузкой"

} // namespace vexlin::battery
