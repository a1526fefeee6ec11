#include "Harness.h"
#include "battery/BatteryHealthMonitor.h"
#include "battery/HealthLines.h"
#include "battery/MonitorTexts.h"
#include "platform/linux/LinuxBatteryHealth.h"
#include "platform/linux/LinuxPowerSource.h"
#include "platform/linux/LinuxThermalSensors.h"
#include "results/ResultsStore.h"
#include "sysinfo/ThermalChoice.h"
#include "sysinfo/ThermalMonitor.h"
#include "sysinfo/ThermalReport.h"
#include "sysinfo/ThermalRun.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <set>
#include <system_error>

// A machine's batteries and sensors read over several ticks, as the battery page, its health lines and the
// performance window read them, with what no sanitizer checks checked after every tick: a percent within
// 0..100 or unknown, a wear within 0..100 %, the page's percent of a lone battery the same as its health
// line's, and no number printed as "nan" or "inf".
//
// The input is the machine's /sys and its changes, one tick after another, each ended by kFileMark.  A line
// of a tick is one of
//   sys/<path>\t<value>   the file written with the value and a line end, as the kernel shows it
//   sys/<path>/           a directory (a file that exists but cannot be read, as a driver answering EINVAL)
//   -sys/<path>           the file or directory removed (a battery pulled from its bay)
//   @<seconds>            the steady clock of this tick; otherwise one second after the last
// and each tick ends with one reading of everything.
namespace vexlin::fuzz {
namespace {

namespace fs = std::filesystem;
using namespace platform::linux_impl;

constexpr std::size_t kMaxTicks = 16;
constexpr std::size_t kMaxLines = 4096;
constexpr double kMaxSeconds = 10.0 * 365 * 24 * 3600;

// Only plain paths below sys/: nothing that leaves the scratch root.  A directory's path may end with '/'.
bool safePath(std::string_view path) {
    if (!path.starts_with("sys/") || path.size() > 200) {
        return false;
    }
    if (path.ends_with('/')) {
        path.remove_suffix(1);
    }
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string_view part = path.substr(0, slash);
        if (part.empty() || part == "." || part == ".." || part.find('\0') != std::string_view::npos) {
            return false;
        }
        path.remove_prefix(slash == std::string_view::npos ? path.size() : slash + 1);
        if (slash != std::string_view::npos && path.empty()) {
            return false; // "a//" or a second trailing '/'
        }
    }
    return true;
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

bool namesNonNumber(std::string_view word) {
    const std::string low = lower(word);
    return low.find("nan") != std::string::npos || low.find("inf") != std::string::npos;
}

// Words the machine itself wrote (a maker "Infineon", a sensor label "nand"), which the texts quote as they
// are; a word like them in a text that the machine did not write is a number that went wrong.
class MachineWords {
public:
    void add(std::string_view text) {
        forEachWord(text, [this](std::string_view word) {
            if (namesNonNumber(word)) {
                words_.emplace(word);
            }
        });
    }

    // The first word of `text` that spells a non-number and that the machine did not write.
    std::string stray(std::string_view text) const {
        std::string found;
        forEachWord(text, [&](std::string_view word) {
            if (found.empty() && namesNonNumber(word) && !quoted(word)) {
                found = word;
            }
        });
        return found;
    }

private:
    template <typename F> static void forEachWord(std::string_view text, const F& f) {
        std::size_t at = 0;
        while (at < text.size()) {
            while (at < text.size() && !std::isalpha(static_cast<unsigned char>(text[at]))) {
                ++at;
            }
            std::size_t end = at;
            while (end < text.size() && std::isalpha(static_cast<unsigned char>(text[end]))) {
                ++end;
            }
            if (end > at) {
                f(text.substr(at, end - at));
            }
            at = end;
        }
    }

    bool quoted(std::string_view word) const {
        return std::any_of(words_.begin(), words_.end(),
                           [&](const std::string& w) { return w.find(word) != std::string::npos; });
    }

    std::set<std::string> words_;
};

class Checker {
public:
    explicit Checker(const MachineWords& words) : words_(words) {}

    void text(std::string_view where, std::string_view value) {
        if (const std::string word = words_.stray(value); !word.empty()) {
            fail(std::string(where) + " shows \"" + word + "\": " + std::string(value));
        }
    }

    void percent(std::string_view where, double value) {
        if (!(value >= 0.0 && value <= 100.0)) {
            fail(std::string(where) + " is " + std::to_string(value) + " %");
        }
    }

    void line(const results::ResultLine& line) {
        const std::string where = line.source + "." + line.key;
        text(where + " key", line.key);
        text(where + " what", line.what);
        text(where + " value", line.value);
        text(where + " verdict", line.verdict);
        for (const auto& fact : line.facts) {
            const std::string at = where + " fact " + fact.name;
            text(at, fact.name);
            text(at, fact.unit);
            if (const auto* s = std::get_if<std::string>(&fact.value)) {
                text(at, *s);
            } else if (const auto* d = std::get_if<double>(&fact.value); d && !std::isfinite(*d)) {
                fail(at + " is not finite");
            }
        }
        if (line.source == battery::kHealthSource) {
            batteryLine(where, line);
        }
    }

    // One battery seen by both readers: the page's percent and the health line's, where both come from the
    // same remaining ÷ full, must agree (the page's once wrapped to 0 % beside a full pack).
    void samePercent(const results::ResultsStore& store, const platform::PowerStatus& status) {
        if (status.BatteryLifePercent > 100) {
            return;
        }
        const results::ResultLine* charge = nullptr;
        for (const auto& line : store.lines()) {
            if (line.source == battery::kHealthSource && line.key.ends_with(".charge")) {
                if (charge != nullptr) {
                    return; // two batteries: the page shows them together
                }
                charge = &line;
            }
        }
        const auto fromCounter = [&] {
            for (const auto& fact : charge->facts) {
                if (const auto* s = std::get_if<std::string>(&fact.value);
                    s && fact.name == "percent_source") {
                    return *s == "counter";
                }
            }
            return false;
        };
        if (charge == nullptr || !fromCounter()) {
            return;
        }
        // The readers choose between energy and charge differently where a gauge has both.
        const fs::path dir = scratchRoot() / "sys/class/power_supply" /
                             charge->key.substr(0, charge->key.size() - std::string_view(".charge").size());
        std::error_code ignored;
        const bool energy =
            fs::exists(dir / "energy_now", ignored) || fs::exists(dir / "energy_full", ignored);
        const bool chargeFiles =
            fs::exists(dir / "charge_now", ignored) || fs::exists(dir / "charge_full", ignored);
        const auto health = numberFact(*charge, "percent");
        if (energy == chargeFiles || !health) {
            return;
        }
        if (std::abs(*health - status.BatteryLifePercent) > 1) {
            fail("the page shows " + std::to_string(status.BatteryLifePercent) + " %, the health line " +
                 std::to_string(static_cast<int>(*health)) + " % of the same battery");
        }
    }

    const std::string& violation() const { return violation_; }

private:
    static std::optional<double> numberFact(const results::ResultLine& line, std::string_view name) {
        for (const auto& fact : line.facts) {
            if (fact.name != name) {
                continue;
            }
            if (const auto* d = std::get_if<double>(&fact.value)) {
                return *d;
            }
            if (const auto* i = std::get_if<std::int64_t>(&fact.value)) {
                return static_cast<double>(*i);
            }
        }
        return std::nullopt;
    }

    // The wear as a fact and as the whole percent shown; the charge the health lines show.
    void batteryLine(const std::string& where, const results::ResultLine& line) {
        if (line.key.ends_with(".wear")) {
            if (const auto wear = numberFact(line, "wear_percent")) {
                percent(where + " wear_percent", *wear);
            }
            int shown = 0;
            const auto [end, error] =
                std::from_chars(line.value.data(), line.value.data() + line.value.size(), shown);
            if (error == std::errc() &&
                std::string_view(end, line.value.data() + line.value.size()) == " %") {
                percent(where + " value", shown);
            }
        } else if (line.key.ends_with(".charge")) {
            if (const auto charge = numberFact(line, "percent")) {
                percent(where + " percent", *charge);
            }
        }
    }

    void fail(std::string what) {
        if (violation_.empty()) {
            violation_ = std::move(what);
        }
    }

    const MachineWords& words_;
    std::string violation_;
};

// The files read as texts (names, labels, states, identities), whose words the program may quote.
bool readAsText(std::string_view path) {
    static constexpr std::array<std::string_view, 12> kNames = {
        "name",  "type", "status",     "model_name",     "manufacturer",     "serial_number",
        "scope", "mode", "technology", "scaling_driver", "charge_behaviour", "charge_types"};
    const std::string_view name = path.substr(path.rfind('/') + 1);
    return std::find(kNames.begin(), kNames.end(), name) != kNames.end() || name.ends_with("_label") ||
           name.ends_with("_type");
}

struct Tick {
    std::optional<double> seconds;
};

// Applies one tick's lines below the scratch root; false for an input that is not in the format.
bool apply(std::string_view tick, MachineWords& words, Tick& out) {
    std::size_t lines = 0;
    while (!tick.empty()) {
        const std::size_t newline = tick.find('\n');
        const std::string_view line = tick.substr(0, newline);
        tick.remove_prefix(newline == std::string_view::npos ? tick.size() : newline + 1);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (++lines > kMaxLines) {
            return false;
        }
        std::error_code ignored;
        if (line.front() == '@') {
            double seconds = 0;
            const auto [end, error] = std::from_chars(line.data() + 1, line.data() + line.size(), seconds);
            if (error != std::errc() || end != line.data() + line.size() || !std::isfinite(seconds) ||
                seconds < 0 || seconds > kMaxSeconds) {
                return false;
            }
            out.seconds = seconds;
        } else if (line.front() == '-') {
            if (!safePath(line.substr(1))) {
                return false;
            }
            fs::remove_all(scratchRoot() / line.substr(1), ignored);
        } else if (const std::size_t tab = line.find('\t'); tab != std::string_view::npos) {
            const std::string_view path = line.substr(0, tab);
            if (!safePath(path) || path.ends_with('/')) {
                return false;
            }
            const std::string_view value = line.substr(tab + 1);
            words.add(path);
            if (readAsText(path)) {
                words.add(value);
            }
            writeFile(path, std::string(value) + "\n");
        } else if (line.ends_with('/') && safePath(line)) {
            words.add(line);
            fs::create_directories(scratchRoot() / line, ignored);
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

Outcome runReadings(std::span<const std::uint8_t> input) {
    clearScratch();
    const auto ticks = splitFiles(input, kMaxTicks);
    MachineWords words;
    Checker check(words);

    const LinuxPowerSource power(scratchRoot());
    const LinuxBatteryHealth health(scratchRoot());
    LinuxThermalSensors sensors(scratchRoot());
    results::ResultsStore store;
    battery::BatteryHealthMonitor monitor(store, ",");
    std::optional<sysinfo::ThermalRun> run;

    double seconds = 0;
    std::int32_t count = 0;
    for (const std::string_view text : ticks) {
        if (count > 0 && text.empty()) {
            break; // the ticks the input does not have
        }
        Tick tick;
        if (!apply(text, words, tick)) {
            return {true, 0};
        }
        seconds = std::max(seconds, tick.seconds.value_or(count == 0 ? 0.0 : seconds + 1.0));

        const platform::PowerStatus status = power.read();
        if (status.BatteryLifePercent != platform::PowerStatus::kUnknownByte) {
            check.percent("battery page charge", status.BatteryLifePercent);
        }
        const battery::MonitorTick page = battery::monitorTick(status, count);
        check.text("page run time", page.runTime);
        check.text("page charge", page.charge);
        check.text("tray picture", page.tray.picture);
        check.text("tray tip", page.tray.tip);
        check.text("page flags", page.flags);
        check.text("page source", page.powerSource.value_or(""));
        check.text("page elapsed", page.elapsed);

        monitor.tick(health, seconds);

        if (!run) {
            sysinfo::ThermalChoice choice = sysinfo::chooseSensors(sensors.discover());
            sensors.watch(choice.watched);
            run.emplace(std::move(choice));
        }
        run->add(sensors.read());
        check.text("performance window", sysinfo::liveLine(run->latest(), !run->choice().empty()));
        sysinfo::putRunLines(
            store, sysinfo::ThermalRunKind::Performance,
            sysinfo::thermalResultLines(run->summary(), sysinfo::ThermalRunKind::Performance));

        for (const auto& line : store.lines()) {
            check.line(line);
        }
        check.samePercent(store, status);
        if (!check.violation().empty()) {
            return {false, sizeof status, "tick " + std::to_string(count) + ": " + check.violation()};
        }
        ++count;
    }
    std::uint64_t held = 0;
    for (const auto& line : store.lines()) {
        held += line.key.capacity() + line.what.capacity() + line.value.capacity() + line.verdict.capacity() +
                line.facts.capacity() * sizeof(results::Fact);
    }
    return {false, held, {}};
}

} // namespace vexlin::fuzz
