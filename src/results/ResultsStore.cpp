#include "results/ResultsStore.h"

#include <algorithm>

namespace vexlin::results {

namespace {

auto sameLine(std::string_view source, std::string_view key) {
    return [source, key](const ResultLine& line) { return line.source == source && line.key == key; };
}

} // namespace

void ResultsStore::put(ResultLine line) {
    const auto found = std::find_if(lines_.begin(), lines_.end(), sameLine(line.source, line.key));
    if (found == lines_.end()) {
        lines_.push_back(std::move(line));
    } else if (*found == line) {
        return; // a test that reports the same thing every second does not make the page refill
    } else {
        *found = std::move(line);
    }
    ++revision_;
}

void ResultsStore::clearSource(std::string_view source) {
    const auto removed =
        std::erase_if(lines_, [source](const ResultLine& line) { return line.source == source; });
    if (removed > 0) {
        ++revision_;
    }
}

void ResultsStore::clear() {
    if (!lines_.empty()) {
        lines_.clear();
        ++revision_;
    }
}

std::vector<ResultLine> ResultsStore::linesOf(std::string_view source) const {
    std::vector<ResultLine> found;
    std::copy_if(lines_.begin(), lines_.end(), std::back_inserter(found),
                 [source](const ResultLine& line) { return line.source == source; });
    return found;
}

const ResultLine* ResultsStore::find(std::string_view source, std::string_view key) const {
    const auto found = std::find_if(lines_.begin(), lines_.end(), sameLine(source, key));
    return found == lines_.end() ? nullptr : &*found;
}

std::string_view verdictName(Verdict verdict) {
    switch (verdict) {
    case Verdict::Good:
        return "good";
    case Verdict::Warning:
        return "warning";
    case Verdict::Bad:
        return "bad";
    case Verdict::None:
        break;
    }
    return "none";
}

} // namespace vexlin::results
