#include "harness/Harness.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace vexlin::fuzz {
namespace {

namespace fs = std::filesystem;

struct KeptInput {
    std::string target;
    fs::path file;
    bool onceFailed; // from fuzz/crashes: it crashed or hung a reader before that reader was mended
    std::string rowName;
};

std::string rowName(const std::string& target, const char* kind, const fs::path& file) {
    std::string name = target + "_" + kind + "_";
    for (const char c : file.filename().string()) {
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name;
}

std::vector<KeptInput> keptInputs() {
    std::vector<KeptInput> inputs;
    for (const Target& target : targets()) {
        const std::string name(target.name);
        for (const auto& [folder, onceFailed] : {std::pair{"corpus", false}, std::pair{"crashes", true}}) {
            std::vector<fs::path> files;
            std::error_code error;
            for (const auto& entry :
                 fs::directory_iterator(fs::path(VEXLIN_FUZZ_DIR) / folder / name, error)) {
                if (entry.is_regular_file()) {
                    files.push_back(entry.path());
                }
            }
            std::sort(files.begin(), files.end());
            for (const auto& file : files) {
                inputs.push_back({name, file, onceFailed, rowName(name, folder, file)});
            }
        }
    }
    return inputs;
}

std::vector<std::uint8_t> bytesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class KeptInputs : public ::testing::TestWithParam<KeptInput> {};

TEST_P(KeptInputs, EndWithinTheReadersBudget) {
    const Target* target = findTarget(GetParam().target);
    ASSERT_NE(target, nullptr);
    const auto bytes = bytesOf(GetParam().file);
    const Outcome outcome = target->run(bytes);
    EXPECT_LE(outcome.bytesHeld, target->budget(bytes.size())) << GetParam().file;
    EXPECT_EQ(outcome.violation, "") << GetParam().file;
    if (GetParam().onceFailed && !target->checksProperties) {
        EXPECT_TRUE(outcome.refused) << GetParam().file << " is read as if it were sound";
    }
}

INSTANTIATE_TEST_SUITE_P(Fuzz, KeptInputs, ::testing::ValuesIn(keptInputs()),
                         [](const auto& info) { return info.param.rowName; });

// Each reader keeps seeds in the tree, so that a target whose corpus went missing is noticed here.
class Targets : public ::testing::TestWithParam<std::string> {};

TEST_P(Targets, HaveSeeds) {
    const auto inputs = keptInputs();
    EXPECT_GT(
        std::count_if(inputs.begin(), inputs.end(),
                      [](const KeptInput& input) { return input.target == GetParam() && !input.onceFailed; }),
        2);
}

std::vector<std::string> targetNames() {
    std::vector<std::string> names;
    for (const Target& target : targets()) {
        names.emplace_back(target.name);
    }
    return names;
}

INSTANTIATE_TEST_SUITE_P(Fuzz, Targets, ::testing::ValuesIn(targetNames()),
                         [](const auto& info) { return info.param; });

// --- the splitting of several files from one input ---------------------------------------------------------

struct SplitCase {
    std::string name;
    std::string input;
    std::size_t count;
    std::vector<std::string> files;
};

class SplitFiles : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitFiles, GiveTheFilesInOrderAndTheRestEmpty) {
    const std::string& input = GetParam().input;
    const auto files =
        splitFiles({reinterpret_cast<const std::uint8_t*>(input.data()), input.size()}, GetParam().count);
    EXPECT_EQ(std::vector<std::string>(files.begin(), files.end()), GetParam().files);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, SplitFiles,
    ::testing::Values(SplitCase{"NoMark", "abc", 3, {"abc", "", ""}},
                      SplitCase{"TwoFiles", "a<|>b", 3, {"a", "b", ""}},
                      SplitCase{"EmptyFirstFile", "<|>b", 2, {"", "b"}},
                      SplitCase{"MarksBeyondTheCountStayInTheLastFile", "a<|>b<|>c", 2, {"a", "b<|>c"}},
                      SplitCase{"HalfAMarkIsContent", "a<|b", 2, {"a<|b", ""}}),
    [](const auto& info) { return info.param.name; });

// --- the format of a machine read tick by tick
// ----------------------------------------------------------------

struct ReadingsCase {
    std::string name;
    std::string input;
    bool refused;
};

class ReadingsInput : public ::testing::TestWithParam<ReadingsCase> {};

// Lines out of the format are refused before anything is read, so that no input writes outside the scratch
// root; a machine that names itself with a word like "Infinity" is quoted, not taken for a broken number.
TEST_P(ReadingsInput, IsRefusedOnlyOutOfTheFormat) {
    const std::string& input = GetParam().input;
    const Outcome outcome = runReadings({reinterpret_cast<const std::uint8_t*>(input.data()), input.size()});
    EXPECT_EQ(outcome.refused, GetParam().refused);
    EXPECT_EQ(outcome.violation, "");
}

const std::string kBattery = "sys/class/power_supply/BAT0/type\tBattery\n"
                             "sys/class/power_supply/BAT0/status\tDischarging\n"
                             "sys/class/power_supply/BAT0/energy_now\t40000000\n"
                             "sys/class/power_supply/BAT0/energy_full\t50000000\n"
                             "sys/class/power_supply/BAT0/energy_full_design\t60000000\n"
                             "sys/class/power_supply/BAT0/power_now\t10000000\n";

INSTANTIATE_TEST_SUITE_P(
    Lines, ReadingsInput,
    ::testing::Values(ReadingsCase{"BatteryOverThreeTicks", kBattery + "<|>@60\n<|>@120\n", false},
                      ReadingsCase{"BatteryPulledAndBack",
                                   kBattery + "<|>-sys/class/power_supply/BAT0\n<|>" + kBattery, false},
                      ReadingsCase{"UnreadableFileAsDirectory",
                                   kBattery + "sys/class/power_supply/BAT0/capacity/\n", false},
                      ReadingsCase{"MakerNamedInfinityNan",
                                   kBattery + "sys/class/power_supply/BAT0/manufacturer\tInfinity Nanotech\n",
                                   false},
                      ReadingsCase{"SensorLabelInf",
                                   "sys/class/hwmon/hwmon0/name\tinf\nsys/class/hwmon/hwmon0/temp1_input\t"
                                   "45000\nsys/class/hwmon/hwmon0/temp1_label\tNaN\n",
                                   false},
                      ReadingsCase{"ClimbsOutOfTheRoot", "sys/../../etc/passwd\tx\n", true},
                      ReadingsCase{"RemovesOutsideSys", "-sys/..\n", true},
                      ReadingsCase{"AbsolutePath", "/sys/class/power_supply/BAT0/type\tBattery\n", true},
                      ReadingsCase{"DoubleSlash", "sys/class//power_supply\tx\n", true},
                      ReadingsCase{"LineWithoutValue", "sys/class/power_supply/BAT0/type\n", true},
                      ReadingsCase{"ClockNotANumber", kBattery + "<|>@nan\n", true},
                      ReadingsCase{"ClockInfinite", kBattery + "<|>@inf\n", true},
                      ReadingsCase{"ClockNegative", kBattery + "<|>@-1\n", true}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace vexlin::fuzz
