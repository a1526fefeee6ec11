#pragma once

#include "battery/RundownJournal.h"
#include "results/ResultsStore.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a run-down measured, computed from its journal alone: the live view, the result found at the next
// start and the tests all go through this one function.
namespace vexlin::battery {

// Why the discharge stopped where it did.
enum class RundownEnd {
    Running,     // the run goes on: the live view
    SwitchedOff, // no reading after the last one and a new boot since: the machine went off by itself
    Suspended,   // the clocks show a sleep (in format 1, which has one clock only, a gap does)
    Gap,         // readings missing with both clocks running: Vexlin stood still, the run is cut there
    Mains,       // mains plugged in, or the battery charging
    Closed,      // Vexlin closed while the run went on
    Stopped,     // the user stopped the test
    Removed,     // the pack was taken out of its bay
    Interrupted, // Vexlin ended without a word in the same boot: killed, or crashed
    NotStarted,  // the battery never discharged
};

// At or below this percent a machine that suspends or switches off does it at its own low level.
inline constexpr int kLowLevelPercent = 10;

struct RundownContext {
    bool live = false;                 // the run is still being recorded
    std::optional<std::string> bootId; // the running kernel's boot id, when known
    std::string decimalSeparator = ",";
};

struct RundownResult {
    RundownEnd end = RundownEnd::NotStarted;
    bool complete = false; // ran to the machine's own end: a verdict on the gauge is possible
    bool tornLine = false; // the journal's last line was cut short and left out
    int readingsUsed = 0;  // readings inside the discharge that was integrated
    int readingsTotal = 0; // every reading of the journal
    std::optional<int> startPercent;
    std::optional<int> endPercent;
    double runSeconds = 0;
    double deliveredWh = 0;   // the battery's own rate integrated by trapezoids
    double uncertaintyWh = 0; // from the rate's resolution and the sampling (and a disagreement, see notes)
    double averageW = 0;
    std::optional<double> gaugeStartWh; // what the gauge said was there at the start
    std::optional<double> gaugeNowWh;   // ... and at the last reading used
    std::optional<double> counterFallWh;
    std::optional<double> percentFallWh;
    std::optional<double> forecastSeconds;      // the live view: the gauge's charge now at the average power
    std::optional<double> overstatementPercent; // > 0 the gauge claims more than was there; < 0 less
    std::string verdict;                        // in words, for the user
    results::Verdict judgement = results::Verdict::None;
    std::vector<std::string> notes; // the cross-checks that did not agree, torn line, ...
};

RundownResult rundownResult(const Journal& journal, const RundownContext& context);

// The run's line for the results store ("battery", "rundown.<number>"): the page "Итоги", the report and the
// JSON show it.
results::ResultLine rundownLine(const Journal& journal, const RundownResult& result, int number,
                                std::string_view separator);

// "2 ч 05 мин"
std::string durationText(double seconds);

// The live view's lines, refreshed once a second while the run goes on.
struct RundownLiveTexts {
    std::string elapsed;   // "Прошло: 1:02:05"
    std::string delivered; // "Отдано: 12,3 Втч"
    std::string power;     // "Средняя мощность: 10,1 Вт"
    std::string charge;    // "Заряд сейчас: 61 % (29,6 Втч)"
    std::string forecast;  // "До конца: около 2 ч 55 мин"
};
// secondsSinceStart: on a steady clock since the run started, so that the time goes on between the journal's
// readings, ten seconds apart; the journal's own span counts where it is longer.
RundownLiveTexts liveTexts(const Journal& journal, const RundownResult& result, double secondsSinceStart,
                           std::string_view separator);

// What the next start says about a run that ended while Vexlin was not looking.
std::string finishedRunMessage(const Journal& journal, const RundownResult& result);

} // namespace vexlin::battery
