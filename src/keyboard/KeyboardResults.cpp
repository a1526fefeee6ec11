#include "keyboard/KeyboardResults.h"

namespace vexlin {
namespace {

using results::Fact;
using results::ResultLine;
using results::Verdict;

std::string joined(const std::vector<std::string>& names, const char* separator) {
    std::string out;
    for (const auto& name : names) {
        if (!out.empty()) {
            out += separator;
        }
        out += name;
    }
    return out;
}

std::string listOrNone(const std::vector<std::string>& names) {
    return names.empty() ? std::string("нет") : joined(names, ", ");
}

// A list of keys as a line: the names for the user, and for the JSON the names comma-joined (no key is
// named with a comma) and their number.
ResultLine keyList(const char* key, const char* what, const std::vector<std::string>& names, Verdict whenAny,
                   const char* verdictNone, const char* verdictAny) {
    ResultLine line;
    line.source = kKeyboardSource;
    line.key = key;
    line.what = what;
    line.value = listOrNone(names);
    line.judgement = names.empty() ? Verdict::Good : whenAny;
    line.verdict = names.empty() ? verdictNone : verdictAny;
    line.facts = {Fact{"keys", joined(names, ","), ""},
                  Fact{"count", static_cast<std::int64_t>(names.size()), ""}};
    return line;
}

} // namespace

std::string coverageText(const KeyCoverage& coverage) {
    return "Проверено клавиш: " + std::to_string(coverage.pressed()) + " из " +
           std::to_string(coverage.total());
}

std::string faultText(const KeyCoverage& coverage) {
    return "Залипание: " + listOrNone(coverage.stuckKeys()) +
           "; дребезг: " + listOrNone(coverage.chatterKeys());
}

std::vector<ResultLine> keyboardResultLines(const KeyCoverage& coverage) {
    std::vector<ResultLine> lines;

    ResultLine covered;
    covered.source = kKeyboardSource;
    covered.key = "coverage";
    covered.what = "Клавиатура: проверено клавиш";
    covered.value = std::to_string(coverage.pressed()) + " из " + std::to_string(coverage.total());
    const int missing = coverage.total() - coverage.pressed();
    covered.judgement = missing == 0 ? Verdict::Good : Verdict::Warning;
    covered.verdict = missing == 0 ? "Нажаты все клавиши" : "Не нажато клавиш: " + std::to_string(missing);
    covered.facts = {Fact{"pressed", static_cast<std::int64_t>(coverage.pressed()), ""},
                     Fact{"total", static_cast<std::int64_t>(coverage.total()), ""}};
    lines.push_back(std::move(covered));

    lines.push_back(keyList("untested_keys", "Клавиатура: не нажатые клавиши", coverage.untestedKeys(),
                            Verdict::Warning, "Нажаты все клавиши", "Эти клавиши не проверены"));

    auto stuck = keyList("stuck_keys", "Клавиатура: залипшие клавиши", coverage.stuckKeys(), Verdict::Bad,
                         "Залипших клавиш нет", "Клавиша залипает или была зажата");
    stuck.facts.push_back(Fact{"held_limit", static_cast<std::int64_t>(KeyCoverage::kStuckMs), "ms"});
    lines.push_back(std::move(stuck));

    auto chatter = keyList("chatter_keys", "Клавиатура: дребезг контактов", coverage.chatterKeys(),
                           Verdict::Bad, "Дребезга нет", "Клавиша срабатывает дважды за одно нажатие");
    chatter.facts.push_back(Fact{"gap_limit", static_cast<std::int64_t>(KeyCoverage::kChatterMs), "ms"});
    lines.push_back(std::move(chatter));
    return lines;
}

} // namespace vexlin
