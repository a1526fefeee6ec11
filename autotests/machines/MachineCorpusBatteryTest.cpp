#include "battery/BatteryHealthMonitor.h"
#include "battery/MonitorTexts.h"
#include "platform/linux/LinuxBatteryHealth.h"
#include "platform/linux/LinuxPowerSource.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <unistd.h>

namespace vexlin {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = VEXLIN_MACHINES;

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> parts;
    std::stringstream in(line);
    std::string part;
    while (std::getline(in, part, '\t')) {
        parts.push_back(part);
    }
    if (!line.empty() && line.back() == '\t') {
        parts.emplace_back();
    }
    return parts;
}

// One row of expected-battery.tsv: a line of the page ("page.*") or of the results store, after the last
// reading of the machine.
struct Expected {
    std::string machine;
    std::string key;
    std::string value;
    std::string verdict;
    std::string judgement;
};

void PrintTo(const Expected& row, std::ostream* out) {
    *out << row.machine << ' ' << row.key;
}

std::vector<Expected> expectedRows() {
    std::vector<Expected> rows;
    std::ifstream in(kCorpus / "expected-battery.tsv");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line.front() == '#') {
            continue;
        }
        auto parts = fields(line);
        parts.resize(5);
        rows.push_back({parts[0], parts[1], parts[2], parts[3], parts[4]});
    }
    return rows;
}

struct Shown {
    std::string value;
    std::string verdict;
    std::string judgement;
};

// The machine's tree copied to a scratch place (a series rewrites files), then read tick by tick as the
// main window's monitor tick does: the power status for the page, the battery health into the store.
class MachineRun {
public:
    explicit MachineRun(const std::string& machine) {
        // In memory where there is a tmpfs: ext4 writes back a file truncated and rewritten at its close,
        // which made a 600-reading series take seconds on a busy disk.
        std::error_code error;
        const fs::path base =
            fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
        const fs::path scratch = base / ("vexlin-machine-" + std::to_string(::getpid()) + "-" + machine);
        fs::remove_all(scratch);
        fs::create_directories(scratch);
        fs::copy(kCorpus / machine / "sys", scratch / "sys", fs::copy_options::recursive);
        const platform::linux_impl::LinuxPowerSource power(scratch);
        const platform::linux_impl::LinuxBatteryHealth health(scratch);
        results::ResultsStore store;
        battery::BatteryHealthMonitor monitor(store, ",");
        std::int32_t ticks = 0;
        const auto tick = [&](double seconds) {
            const auto status = power.read();
            page_ = battery::monitorTick(status, ticks++);
            monitor.tick(health, seconds);
        };
        std::ifstream series(kCorpus / machine / "series.tsv");
        if (series) {
            replay(series, scratch / "sys/class/power_supply", tick);
        } else {
            for (int t = 0; t < 3; ++t) {
                tick(t);
            }
        }
        fs::remove_all(scratch);
        lines_["page.run_time"] = {page_.runTime, "", ""};
        lines_["page.charge"] = {page_.charge, "", ""};
        lines_["page.flags"] = {page_.flags, "", ""};
        lines_["page.source"] = {page_.powerSource.value_or(""), "", ""};
        for (const auto& line : store.linesOf("battery")) {
            lines_[line.key] = {line.value, line.verdict, std::string(results::verdictName(line.judgement))};
        }
    }

    const std::map<std::string, Shown>& lines() const { return lines_; }

private:
    // series.tsv: a heading "seconds" and files below sys/class/power_supply, then one row a reading; "-"
    // leaves a file as it was.
    template <typename Tick> void replay(std::istream& in, const fs::path& supplies, const Tick& tick) {
        std::vector<std::string> heading;
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line.front() == '#') {
                continue;
            }
            const auto parts = fields(line);
            if (heading.empty()) {
                heading = parts;
                continue;
            }
            for (std::size_t i = 1; i < parts.size() && i < heading.size(); ++i) {
                if (parts[i] != "-") {
                    std::ofstream(supplies / heading[i]) << parts[i] << '\n';
                }
            }
            tick(std::stod(parts[0]));
        }
    }

    battery::MonitorTick page_;
    std::map<std::string, Shown> lines_;
};

const MachineRun& runOf(const std::string& machine) {
    static std::map<std::string, std::unique_ptr<MachineRun>> runs;
    auto& run = runs[machine];
    if (!run) {
        run = std::make_unique<MachineRun>(machine);
    }
    return *run;
}

std::string rowName(const std::string& machine, const std::string& key) {
    std::string name = machine + "_" + key;
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            c = '_';
        }
    }
    return name;
}

class CorpusLine : public testing::TestWithParam<Expected> {};

TEST_P(CorpusLine, ShowsWhatTheTableSays) {
    const auto& row = GetParam();
    const auto& lines = runOf(row.machine).lines();
    const auto found = lines.find(row.key);
    ASSERT_NE(found, lines.end()) << row.machine << " has no line " << row.key;
    EXPECT_EQ(found->second.value, row.value);
    EXPECT_EQ(found->second.verdict, row.verdict);
    EXPECT_EQ(found->second.judgement, row.judgement);
}

INSTANTIATE_TEST_SUITE_P(Machines, CorpusLine, testing::ValuesIn(expectedRows()),
                         [](const testing::TestParamInfo<Expected>& info) {
                             return rowName(info.param.machine, info.param.key);
                         });

std::vector<std::string> machines() {
    std::set<std::string> names;
    for (const auto& row : expectedRows()) {
        names.insert(row.machine);
    }
    return {names.begin(), names.end()};
}

class CorpusMachine : public testing::TestWithParam<std::string> {};

// Every line the machine gets is in the table, so a line that should not be there (six "не сообщается"
// for a slot that does not answer) fails as surely as a wrong one; and every machine says where it is from.
TEST_P(CorpusMachine, HasNoLineOutsideTheTableAndAReadme) {
    const std::string machine = GetParam();
    std::set<std::string> expected;
    for (const auto& row : expectedRows()) {
        if (row.machine == machine) {
            expected.insert(row.key);
        }
    }
    std::set<std::string> shown;
    // VEXLIN_PRINT_MACHINES=1 prints the machine's lines in the table's form, to review before taking them
    // in.
    const bool print = std::getenv("VEXLIN_PRINT_MACHINES") != nullptr;
    for (const auto& [key, line] : runOf(machine).lines()) {
        shown.insert(key);
        if (print) {
            std::cout << machine << '\t' << key << '\t' << line.value << '\t' << line.verdict << '\t'
                      << line.judgement << '\n';
        }
    }
    EXPECT_EQ(shown, expected);
    EXPECT_TRUE(fs::is_regular_file(kCorpus / machine / "README.md")) << machine;
}

INSTANTIATE_TEST_SUITE_P(Machines, CorpusMachine, testing::ValuesIn(machines()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             return rowName(info.param, "").substr(0, info.param.size());
                         });

} // namespace
} // namespace vexlin
