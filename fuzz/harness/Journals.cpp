#include "Harness.h"
#include "battery/RundownJournal.h"
#include "battery/RundownResult.h"

namespace vexlin::fuzz {

// A run-down journal as found on the disk at start: read, then its result worked out both as the next start
// does and as the live view does.
Outcome runRundown(std::span<const std::uint8_t> input) {
    const std::string_view text(reinterpret_cast<const char*>(input.data()), input.size());
    const auto parsed = battery::parseJournal(text);
    if (!parsed.journal) {
        return {true, 0};
    }
    battery::RundownContext context;
    context.bootId = "fuzz";
    const auto result = battery::rundownResult(*parsed.journal, context);
    context.live = true;
    const auto live = battery::rundownResult(*parsed.journal, context);
    const auto line = battery::rundownLine(*parsed.journal, result, 1, ",");
    std::uint64_t held = parsed.journal->readings.capacity() * sizeof(battery::JournalReading);
    held += line.value.size() + line.verdict.size() + live.verdict.size();
    return {false, held};
}

} // namespace vexlin::fuzz
