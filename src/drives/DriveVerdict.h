#pragma once

#include "drives/DriveRecord.h"
#include "results/ResultsStore.h"

#include <string>
#include <vector>

// What a drive's records mean for a buyer, in words.
namespace vexlin::drives {

// Wear the drive reports from this far is named in the verdict; from kWearWarning it is a warning.
inline constexpr int kWearShown = 10;
inline constexpr int kWearWarning = 80;

struct DriveVerdict {
    results::Verdict judgement = results::Verdict::None;
    std::string words; // "Исправен", "Изношен на 23 %", "Внимание: 12 переназначенных секторов", ...
    std::vector<std::string> why; // every finding, worst first

    bool operator==(const DriveVerdict&) const = default;
};

DriveVerdict judge(const DriveRecord& record);

// "12 переназначенных секторов": the number with the Russian noun form it takes.
std::string countWords(std::int64_t count, const char* one, const char* few, const char* many);

} // namespace vexlin::drives
