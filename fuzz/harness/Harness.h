#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The readers of outside data, each driven from one byte string the way the program meets it.  The same
// entries run under libFuzzer (fuzz/FuzzMain.cpp) and, in every build, over the kept corpora and crash
// inputs (autotests/fuzz).
namespace vexlin::fuzz {

// What one input cost: whether the reader refused it, and how many bytes of what it built it keeps.
struct Outcome {
    bool refused = false;
    std::uint64_t bytesHeld = 0;
    // A property the values read broke (a percent above 100, a "nan" in a text); empty when all held.
    std::string violation = {};
};

struct Target {
    std::string_view name;
    Outcome (*run)(std::span<const std::uint8_t> input);
    // The most a reader may keep for an input of this size: what the file holds, a constant factor of it, or
    // a fixed ceiling where the format lets a few bytes describe a large picture or a long tune.
    std::uint64_t (*budget)(std::size_t inputSize);
    // Reads whatever it is given and checks what the values become: an input kept for breaking a property
    // must now keep them all, rather than be refused.
    bool checksProperties = false;
};

std::span<const Target> targets();
const Target* findTarget(std::string_view name);

// Inputs that stand for several files hold them one after another, each ended by this mark; missing files
// are empty.
inline constexpr std::string_view kFileMark = "<|>";
std::vector<std::string_view> splitFiles(std::span<const std::uint8_t> input, std::size_t count);

// A directory of this process's own under the temporary directory, emptied for each input; removed when the
// process ends.
const std::filesystem::path& scratchRoot();
void clearScratch();
void writeFile(const std::filesystem::path& relative, std::string_view content);

// Per reader (Images.cpp, Models.cpp, Music.cpp, LinuxSources.cpp).
Outcome runBmp(std::span<const std::uint8_t> input);
Outcome runTga(std::span<const std::uint8_t> input);
Outcome runJpeg(std::span<const std::uint8_t> input);
Outcome runMd3(std::span<const std::uint8_t> input);
Outcome runSkin(std::span<const std::uint8_t> input);
Outcome runAnimation(std::span<const std::uint8_t> input);
Outcome runCharacter(std::span<const std::uint8_t> input);
Outcome runMp3(std::span<const std::uint8_t> input);
Outcome runLinuxSources(std::span<const std::uint8_t> input);
Outcome runRundown(std::span<const std::uint8_t> input);  // Journals.cpp
Outcome runReadings(std::span<const std::uint8_t> input); // Readings.cpp

} // namespace vexlin::fuzz
