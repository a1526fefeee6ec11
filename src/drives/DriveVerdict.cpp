#include "drives/DriveVerdict.h"

#include <algorithm>
#include <array>

namespace vexlin::drives {
namespace {

using results::Verdict;

constexpr const char* kFailed = "Неисправен: диск сам сообщает о сбое";

struct Finding {
    Verdict level;
    std::string words;
    std::string why;
};

int rank(Verdict verdict) {
    switch (verdict) {
    case Verdict::Bad:
        return 3;
    case Verdict::Warning:
        return 2;
    case Verdict::Good:
        return 1;
    case Verdict::None:
        break;
    }
    return 0;
}

std::string number(std::int64_t value) {
    return std::to_string(value);
}

// NVMe critical-warning bits, as the drive sets them; the two that say the drive can no longer be trusted
// with data count as a failure.
struct WarningBit {
    int mask;
    Verdict level;
    const char* meaning;
};
constexpr std::array kWarningBits = {
    WarningBit{0x01, Verdict::Bad, "запасные блоки ниже порога"},
    WarningBit{0x02, Verdict::Warning, "температура вне допустимых пределов"},
    WarningBit{0x04, Verdict::Warning, "надёжность снижена из-за ошибок носителя"},
    WarningBit{0x08, Verdict::Bad, "носитель переведён в режим только для чтения"},
    WarningBit{0x10, Verdict::Warning, "отказала резервная память"},
    WarningBit{0x20, Verdict::Warning, "отказала постоянная область памяти"},
};

void criticalWarningFindings(int bits, std::vector<Finding>& findings) {
    for (const WarningBit& bit : kWarningBits) {
        if ((bits & bit.mask) == 0) {
            continue;
        }
        findings.push_back({bit.level,
                            bit.level == Verdict::Bad ? kFailed : "Внимание: диск сообщает о неполадке",
                            std::string("диск предупреждает: ") + bit.meaning});
    }
}

std::optional<int> wearOf(const DriveRecord& record) {
    return record.percentageUsed ? record.percentageUsed : record.ssdWearPercent;
}

} // namespace

std::string countWords(std::int64_t count, const char* one, const char* few, const char* many) {
    const std::int64_t tens = count % 100;
    const std::int64_t units = count % 10;
    const char* form = many;
    if (units == 1 && tens != 11) {
        form = one;
    } else if (units >= 2 && units <= 4 && (tens < 12 || tens > 14)) {
        form = few;
    }
    return number(count) + " " + form;
}

DriveVerdict judge(const DriveRecord& r) {
    std::vector<Finding> findings;
    if (r.assessmentPassed == false) {
        findings.push_back({Verdict::Bad, kFailed, "собственная проверка диска (SMART) не пройдена"});
    }
    if (r.availableSpare && r.availableSpareThreshold && *r.availableSpare <= *r.availableSpareThreshold) {
        findings.push_back({Verdict::Bad, "Неисправен: запасные блоки исчерпаны",
                            "запас блоков " + number(*r.availableSpare) + " % при пороге " +
                                number(*r.availableSpareThreshold) + " %"});
    }
    if (r.criticalWarning && *r.criticalWarning != 0) {
        criticalWarningFindings(*r.criticalWarning, findings);
    }
    if (r.mediaErrors && *r.mediaErrors > 0) {
        const auto words =
            countWords(*r.mediaErrors, "ошибка носителя", "ошибки носителя", "ошибок носителя");
        findings.push_back(
            {Verdict::Warning, "Внимание: " + words, words + ": данные в этих местах прочитаны не были"});
    }
    if (r.reallocatedSectors && *r.reallocatedSectors > 0) {
        const auto words = countWords(*r.reallocatedSectors, "переназначенный сектор",
                                      "переназначенных сектора", "переназначенных секторов");
        findings.push_back({Verdict::Warning, "Внимание: " + words,
                            words + ": испорченные места поверхности заменены запасными"});
    }
    if (r.pendingSectors && *r.pendingSectors > 0) {
        const auto words = countWords(*r.pendingSectors, "нестабильный сектор", "нестабильных сектора",
                                      "нестабильных секторов");
        findings.push_back(
            {Verdict::Warning, "Внимание: " + words, words + ": не читаются и ждут переназначения"});
    }
    if (r.offlineUncorrectable && *r.offlineUncorrectable > 0) {
        const auto words = countWords(*r.offlineUncorrectable, "неисправимый сектор", "неисправимых сектора",
                                      "неисправимых секторов");
        findings.push_back({Verdict::Warning, "Внимание: " + words, words + " при самопроверке поверхности"});
    }
    if (r.crcErrors && *r.crcErrors > 0) {
        findings.push_back({Verdict::Warning, "Внимание: неисправен кабель или разъём",
                            countWords(*r.crcErrors, "ошибка", "ошибки", "ошибок") +
                                " передачи (CRC): виноват кабель или разъём, а не сам диск"});
    }
    if (r.temperature && r.warningTemperature && *r.temperature > *r.warningTemperature) {
        findings.push_back({Verdict::Warning, "Внимание: перегрев",
                            "температура " + number(*r.temperature) + " °C выше предела диска " +
                                number(*r.warningTemperature) + " °C"});
    }
    if (const auto wear = wearOf(r)) {
        const std::string words = "Изношен на " + number(*wear) + " %";
        if (*wear >= kWearWarning) {
            findings.push_back({Verdict::Warning, words,
                                "израсходовано " + number(*wear) + " % ресурса записи (от " +
                                    number(kWearWarning) + " % — повод для замены)"});
        } else if (*wear >= kWearShown) {
            findings.push_back(
                {Verdict::Good, words, "израсходовано " + number(*wear) + " % ресурса записи"});
        }
    }

    DriveVerdict verdict;
    if (findings.empty()) {
        if (!r.assessmentPassed) {
            verdict.words = "сведений о здоровье нет";
            verdict.why.push_back("диск не сообщает собственной оценки");
            return verdict;
        }
        verdict.judgement = Verdict::Good;
        verdict.words = "Исправен";
        std::string why = "собственная проверка диска пройдена, ошибок нет";
        if (const auto wear = wearOf(r)) {
            why += ", износ " + number(*wear) + " %";
        }
        verdict.why.push_back(std::move(why));
        return verdict;
    }
    // Worst first; among equals, in the order the checks above run (the most telling first).
    std::stable_sort(findings.begin(), findings.end(),
                     [](const Finding& a, const Finding& b) { return rank(a.level) > rank(b.level); });
    verdict.judgement = findings.front().level;
    verdict.words = findings.front().words;
    for (auto& finding : findings) {
        verdict.why.push_back(std::move(finding.why));
    }
    return verdict;
}

} // namespace vexlin::drives
