#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

// Every result of this run, in the order the tests first reported them.  The page "Итоги", the report's
// last section and the JSON all read this one store, so a result is computed once and shown the same
// everywhere.  Plain values only: texts are UTF-8 and already formatted for the user (Russian, the
// locale's numbers); facts carry the same result as values for the JSON.
namespace vexlin::results {

// Whether the test could judge what it measured, and how it came out.
enum class Verdict { None, Good, Warning, Bad };

// A value as the JSON carries it: a text, a whole number, a real number or a yes/no.
using FactValue = std::variant<std::string, std::int64_t, double, bool>;

struct Fact {
    std::string name; // lower_snake_case, stable across versions: other programs compare these
    FactValue value;
    std::string unit; // "W·h", "MHz", "°C", "dB", ... or empty

    bool operator==(const Fact&) const = default;
};

struct ResultLine {
    std::string source; // the test that wrote it: "full_test", "battery", "audio", "keyboard", "thermal"
    std::string key;    // unique within its source, stable: "average_fps", "BAT0.wear", "left_channel"
    std::string what; // what was measured, as the user reads it: "Тест производительности"
    std::string value;   // the value as the user reads it: "57,50 FPS"; may be empty
    std::string verdict; // the verdict in words, where the test can judge: "Износ батареи: 31 %"
    Verdict judgement = Verdict::None;
    std::vector<Fact> facts;

    bool operator==(const ResultLine&) const = default;
};

class ResultsStore {
public:
    // A line with the same source and key is replaced where it stands; a new one is added at the end.
    void put(ResultLine line);
    // Drops every line of one source, for a test that starts over and reports afresh.
    void clearSource(std::string_view source);
    void clear();

    const std::vector<ResultLine>& lines() const { return lines_; }
    std::vector<ResultLine> linesOf(std::string_view source) const;
    const ResultLine* find(std::string_view source, std::string_view key) const;
    bool empty() const { return lines_.empty(); }

    // Goes up on every change, so a page can tell cheaply whether it must fill itself again.
    std::uint64_t revision() const { return revision_; }

private:
    std::vector<ResultLine> lines_;
    std::uint64_t revision_ = 0;
};

std::string_view verdictName(Verdict verdict); // "none", "good", "warning", "bad": the JSON's words

} // namespace vexlin::results
