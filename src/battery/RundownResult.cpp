#include "battery/RundownResult.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace vexlin::battery {
namespace {

using results::Fact;
using results::Verdict;

// Boot time running ahead of the monotonic clock by more than this between two readings is a sleep.
constexpr double kSuspendSeconds = 5;
// A reading is due every 10 s; missing six in a row is a gap that no trapezoid may bridge.
constexpr double kGapSeconds = 60;
// A rate quantum when the rate never changes: the ACPI driver reports whole mW.
constexpr double kDefaultRateStepW = 0.001;
// A gauge that claims this much more than was there is not to be trusted for the run time.
constexpr double kBadOverstatementPercent = 20;

double seconds(std::int64_t ns) {
    return static_cast<double>(ns) / 1e9;
}

std::string decimal(double value, int decimals, std::string_view separator) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string result(text);
    if (result == "-0" || result == "-0.0") {
        result.erase(0, 1);
    }
    const auto point = result.find('.');
    if (point != std::string::npos) {
        result.replace(point, 1, separator);
    }
    return result;
}

// Whole numbers of what a damaged journal can make huge: held to a range no real run leaves.
long long wholeOf(double value) {
    constexpr double kLimit = 1e15;
    if (!(value > -kLimit)) { // NaN as well
        return value > 0 ? static_cast<long long>(kLimit) : -static_cast<long long>(kLimit);
    }
    return std::llround(std::min(value, kLimit));
}

std::string percentText(double value) {
    return std::to_string(wholeOf(value)) + " %";
}

// With charge_behaviour at force-discharge the pack runs down with mains online, and says so.
bool discharging(const JournalReading& reading, const JournalHeader& header) {
    if (header.hold == ChargeHold::ForceDischarge && reading.status == JournalStatus::Discharging) {
        return true;
    }
    return !reading.mainsOnline && reading.status != JournalStatus::Charging &&
           reading.status != JournalStatus::Full && reading.status != JournalStatus::NotCharging;
}

bool onMains(const Journal& journal) {
    return std::any_of(journal.readings.begin(), journal.readings.end(),
                       [](const JournalReading& r) { return r.mainsOnline; });
}

// The readings in watts and watt-hours, whatever the gauge counts in.
class Units {
public:
    explicit Units(const JournalHeader& header) : header_(header) {}

    std::optional<double> power(const JournalReading& reading) const {
        if (!reading.rate) {
            return std::nullopt;
        }
        if (!header_.chargeUnits) {
            return static_cast<double>(*reading.rate) / 1e6;
        }
        // A gauge that counts charge is compared charge for charge: its current at the same design voltage
        // that turns its counter into watt-hours.  The present voltage only stands in where the design one
        // is missing, and then the gauge's own figures cannot be given in watt-hours at all.
        const auto volts = header_.voltageMinDesign ? header_.voltageMinDesign : reading.voltage;
        if (!volts) {
            return std::nullopt;
        }
        return static_cast<double>(*reading.rate) / 1e6 * static_cast<double>(*volts) / 1e6;
    }

    // What the gauge says is there: energy_now, or charge_now at the design minimum voltage.
    std::optional<double> stored(std::optional<std::int64_t> amount) const {
        if (!amount) {
            return std::nullopt;
        }
        if (!header_.chargeUnits) {
            return static_cast<double>(*amount) / 1e6;
        }
        if (!header_.voltageMinDesign) {
            return std::nullopt;
        }
        return static_cast<double>(*amount) / 1e6 * static_cast<double>(*header_.voltageMinDesign) / 1e6;
    }

private:
    const JournalHeader& header_;
};

// Where the discharge that is integrated begins and ends, and why it ends.
struct Stretch {
    std::size_t first = 0;
    std::size_t last = 0; // inclusive
    RundownEnd end = RundownEnd::NotStarted;
    std::optional<int> endingPercent; // where the reading that ended it stood (mains plugged in at 60 %)
};

Stretch findStretch(const Journal& journal, const RundownContext& context) {
    const auto& readings = journal.readings;
    Stretch stretch;
    std::size_t first = 0;
    while (first < readings.size() && !discharging(readings[first], journal.header)) {
        ++first;
    }
    if (first == readings.size()) {
        return stretch;
    }
    stretch.first = first;
    stretch.last = first;
    for (std::size_t i = first + 1; i < readings.size(); ++i) {
        const auto& before = readings[i - 1];
        const auto& after = readings[i];
        const double boot = seconds(after.boottimeNs - before.boottimeNs);
        const bool slept = before.monotonicNs && after.monotonicNs &&
                           boot - seconds(*after.monotonicNs - *before.monotonicNs) > kSuspendSeconds;
        if (slept || boot > kGapSeconds || boot <= 0) {
            const bool bothClocks = before.monotonicNs && after.monotonicNs;
            stretch.end = slept || !bothClocks ? RundownEnd::Suspended : RundownEnd::Gap;
            return stretch;
        }
        if (!discharging(after, journal.header)) {
            stretch.end = RundownEnd::Mains;
            stretch.endingPercent = after.percent;
            return stretch;
        }
        stretch.last = i;
    }
    if (journal.end) {
        switch (journal.end->reason) {
        case JournalEndReason::Stopped:
            stretch.end = RundownEnd::Stopped;
            break;
        case JournalEndReason::Removed:
            stretch.end = RundownEnd::Removed;
            break;
        case JournalEndReason::Closed:
            stretch.end = RundownEnd::Closed;
            break;
        }
    } else if (context.live) {
        stretch.end = RundownEnd::Running;
    } else if (context.bootId && !journal.header.bootId.empty() && *context.bootId == journal.header.bootId) {
        stretch.end = RundownEnd::Interrupted;
    } else {
        stretch.end = RundownEnd::SwitchedOff;
    }
    return stretch;
}

// The smallest step the readings move by: their resolution.
template <typename Value>
std::optional<double> smallestStep(const std::vector<std::optional<Value>>& values) {
    std::optional<double> step;
    for (std::size_t i = 1; i < values.size(); ++i) {
        if (values[i] && values[i - 1]) {
            const double difference =
                std::abs(static_cast<double>(*values[i]) - static_cast<double>(*values[i - 1]));
            if (difference > 1e-12 && (!step || difference < *step)) {
                step = difference;
            }
        }
    }
    return step;
}

std::string endWords(RundownEnd end) {
    switch (end) {
    case RundownEnd::Suspended:
        return "система уснула";
    case RundownEnd::Gap:
        return "перерыв в записи";
    case RundownEnd::Mains:
        return "подключена сеть";
    case RundownEnd::Closed:
        return "Vexlin закрыт";
    case RundownEnd::Stopped:
        return "тест остановлен";
    case RundownEnd::Removed:
        return "батарея отключена";
    case RundownEnd::Interrupted:
        return "Vexlin завершился аварийно";
    case RundownEnd::SwitchedOff:
        return "машина выключилась";
    case RundownEnd::Running:
        return "тест идёт";
    case RundownEnd::NotStarted:
        break;
    }
    return "";
}

std::string_view endName(RundownEnd end) {
    switch (end) {
    case RundownEnd::Running:
        return "running";
    case RundownEnd::SwitchedOff:
        return "switched_off";
    case RundownEnd::Suspended:
        return "suspended";
    case RundownEnd::Gap:
        return "gap";
    case RundownEnd::Mains:
        return "mains";
    case RundownEnd::Closed:
        return "closed";
    case RundownEnd::Stopped:
        return "stopped";
    case RundownEnd::Removed:
        return "removed";
    case RundownEnd::Interrupted:
        return "interrupted";
    case RundownEnd::NotStarted:
        break;
    }
    return "not_started";
}

// A pack that a threshold or a vendor's mode kept below full started the run there: what it delivered is
// the charge above the low level from that point, and a run time from full would be longer.
std::optional<std::string> heldBelowFull(const JournalHeader& header, std::optional<int> startPercent) {
    // The firmware lets the charge drift a few percent under its threshold before it charges again.
    constexpr int kThresholdSlack = 3;
    if (!startPercent) {
        return std::nullopt;
    }
    const std::string start = "тест начат с " + std::to_string(*startPercent) + " %, не с полной батареи";
    if (header.stopThreshold && *startPercent <= *header.stopThreshold + kThresholdSlack) {
        return "зарядку останавливает порог " + std::to_string(*header.stopThreshold) + " %: " + start;
    }
    if (header.hold == ChargeHold::Conservation && *startPercent < 95) {
        return "включён режим сбережения батареи, он держит заряд ниже полного: " + start;
    }
    if (header.hold == ChargeHold::ForceDischarge) {
        return "батарея разряжалась по команде charge_behaviour (force-discharge), сеть при этом подключена";
    }
    return std::nullopt;
}

void judge(RundownResult& result, std::optional<int> endingPercent, std::string_view separator) {
    const auto wh = [&](double value) { return decimal(value, 1, separator) + " Втч"; };
    if (result.end == RundownEnd::Running) {
        return;
    }
    const std::string got = "Батарея отдала " + wh(result.deliveredWh);
    if (!result.complete) {
        std::string verdict = "Разрядный тест не дошёл до конца: " + endWords(result.end);
        if (const auto at = endingPercent ? endingPercent : result.endPercent) {
            verdict += " на " + std::to_string(*at) + " %";
        }
        verdict += ". " + got + " за " + durationText(result.runSeconds);
        if (result.startPercent && result.endPercent) {
            verdict += ", с " + std::to_string(*result.startPercent) + " до " +
                       std::to_string(*result.endPercent) + " %";
        }
        verdict += ": ёмкость не меньше этого, а завышает ли её датчик, покажет только разряд до выключения";
        result.verdict = verdict;
        return;
    }
    if (!result.gaugeStartWh || *result.gaugeStartWh <= 0) {
        result.verdict = got + " за " + durationText(result.runSeconds) +
                         "; датчик не сообщал, сколько в ней было, сравнить не с чем";
        return;
    }
    const double shown = *result.gaugeStartWh;
    // A machine that ends at its own low level keeps what the gauge says is left as its reserve; one that
    // died above it had nothing behind the gauge's figure.
    const bool atLowLevel = result.endPercent && *result.endPercent <= kLowLevelPercent;
    const double reserve = atLowLevel && result.gaugeNowWh ? std::max(0.0, *result.gaugeNowWh) : 0.0;
    const double difference = shown - (result.deliveredWh + reserve);
    std::string verdict = got + " из " + wh(shown) + ", что показывал датчик";
    if (reserve > 0) {
        verdict += ", и " + wh(reserve) + " оставила в запас до выключения";
    }
    const double within = std::max(1.0, std::ceil(result.uncertaintyWh / shown * 100.0));
    if (std::abs(difference) <= result.uncertaintyWh) {
        result.overstatementPercent = 0;
        verdict += ": совпадает с датчиком (в пределах " + std::to_string(wholeOf(within)) + " %)";
        result.judgement = Verdict::Good;
    } else {
        const double percent = difference / shown * 100.0;
        result.overstatementPercent = percent;
        if (percent > 0) {
            verdict += ": датчик завышает ёмкость на " + percentText(percent);
            result.judgement = percent >= kBadOverstatementPercent ? Verdict::Bad : Verdict::Warning;
        } else {
            verdict += ": датчик занижает ёмкость на " + percentText(-percent);
            result.judgement = Verdict::Good;
        }
    }
    result.verdict = verdict;
}

} // namespace

std::string durationText(double secondsTotal) {
    const long long minutes = wholeOf(std::max(0.0, secondsTotal) / 60.0);
    const long long mm = minutes % 60;
    return std::to_string(minutes / 60) + " ч " + (mm < 10 ? "0" : "") + std::to_string(mm) + " мин";
}

RundownResult rundownResult(const Journal& journal, const RundownContext& context) {
    RundownResult result;
    result.tornLine = journal.tornLastLine;
    result.readingsTotal = static_cast<int>(journal.readings.size());
    const Stretch stretch = findStretch(journal, context);
    result.end = stretch.end;
    if (stretch.end == RundownEnd::NotStarted) {
        // Off the mains a pack that never discharged had the other bay's pack do the work.
        result.verdict = std::string("Разрядный тест не начался: батарея не разряжалась") +
                         (onMains(journal) ? " (питание от сети)" : ", машина работала не от неё");
        return result;
    }
    const Units units(journal.header);
    const auto& readings = journal.readings;
    const auto& first = readings[stretch.first];
    const auto& last = readings[stretch.last];
    result.readingsUsed = static_cast<int>(stretch.last - stretch.first + 1);
    result.startPercent = first.percent;
    result.endPercent = last.percent;
    result.runSeconds = seconds(last.boottimeNs - first.boottimeNs);
    result.gaugeStartWh = units.stored(first.now);
    result.gaugeNowWh = units.stored(last.now);

    std::vector<std::optional<double>> powers;
    std::vector<std::optional<double>> counters;
    powers.reserve(result.readingsUsed);
    counters.reserve(result.readingsUsed);
    for (std::size_t i = stretch.first; i <= stretch.last; ++i) {
        powers.push_back(units.power(readings[i]));
        counters.push_back(units.stored(readings[i].now));
    }

    // Trapezoids of the rate; where a reading has no rate, the counter's fall over that step stands in.
    double delivered = 0;
    double sampling = 0;
    double withoutRate = 0;
    for (std::size_t i = 1; i < powers.size(); ++i) {
        const double dt =
            seconds(readings[stretch.first + i].boottimeNs - readings[stretch.first + i - 1].boottimeNs);
        if (powers[i] && powers[i - 1]) {
            delivered += (*powers[i] + *powers[i - 1]) / 2.0 * dt / 3600.0;
            sampling += std::abs(*powers[i] - *powers[i - 1]) * dt / 2.0 / 3600.0;
        } else if (counters[i] && counters[i - 1]) {
            const double fall = *counters[i - 1] - *counters[i];
            delivered += fall;
            withoutRate += dt;
        }
    }
    const double rateStep = smallestStep(powers).value_or(kDefaultRateStepW);
    const double resolution = rateStep / 2.0 * result.runSeconds / 3600.0;
    result.deliveredWh = delivered;
    result.uncertaintyWh = resolution + sampling;
    result.averageW = result.runSeconds > 0 ? delivered / (result.runSeconds / 3600.0) : 0;
    if (withoutRate > 0) {
        result.notes.push_back("датчик не сообщал скорость разряда " + durationText(withoutRate) +
                               ": там взято падение счётчика");
    }

    // The same energy three ways: the rate, the counter's fall, the percent's fall against the gauge's full.
    std::optional<double> counterUncertainty;
    if (result.gaugeStartWh && result.gaugeNowWh) {
        result.counterFallWh = *result.gaugeStartWh - *result.gaugeNowWh;
        counterUncertainty = smallestStep(counters).value_or(0.0);
    }
    const auto fullWh = units.stored(journal.header.full);
    std::optional<double> percentUncertainty;
    if (first.percent && last.percent && fullWh) {
        result.percentFallWh = (*first.percent - *last.percent) * *fullWh / 100.0;
        percentUncertainty = *fullWh / 100.0;
    }
    if (result.counterFallWh && result.runSeconds > 0) {
        const double apart = result.deliveredWh - *result.counterFallWh;
        if (std::abs(apart) > result.uncertaintyWh + *counterUncertainty && *result.counterFallWh > 0) {
            const bool counterAgreesWithPercent =
                result.percentFallWh && std::abs(*result.counterFallWh - *result.percentFallWh) <=
                                            *counterUncertainty + *percentUncertainty;
            const std::string by = percentText(std::abs(apart) / *result.counterFallWh * 100.0);
            if (counterAgreesWithPercent) {
                // The rate alone is off: the verdict must not rest on it beyond what the others allow.
                result.notes.push_back(
                    "скорость разряда расходится со счётчиком датчика и его процентами на " + by);
                result.uncertaintyWh += std::abs(apart);
            } else {
                result.notes.push_back("скорость разряда расходится со счётчиком датчика на " + by);
                result.uncertaintyWh += std::abs(apart);
            }
        }
    }
    if (journal.tornLastLine) {
        result.notes.push_back("последняя запись журнала оборвана и не учтена");
    }
    if (const auto held = heldBelowFull(journal.header, first.percent)) {
        result.notes.push_back(*held);
    }

    result.complete =
        stretch.end == RundownEnd::SwitchedOff ||
        (stretch.end == RundownEnd::Suspended && last.percent && *last.percent <= kLowLevelPercent);
    if (stretch.end == RundownEnd::Running && result.gaugeNowWh && result.averageW > 0) {
        result.forecastSeconds = *result.gaugeNowWh / result.averageW * 3600.0;
    }
    judge(result, stretch.endingPercent, context.decimalSeparator);
    return result;
}

results::ResultLine rundownLine(const Journal& journal, const RundownResult& result, int number,
                                std::string_view separator) {
    results::ResultLine line;
    line.source = "battery";
    line.key = "rundown." + std::to_string(number);
    line.what = "Разрядный тест " + journal.header.battery + (result.complete ? "" : " (неполный)");
    std::string value;
    if (result.startPercent && result.endPercent) {
        value = "с " + std::to_string(*result.startPercent) + " до " + std::to_string(*result.endPercent) +
                " %, ";
    }
    value += durationText(result.runSeconds) + ", " + decimal(result.deliveredWh, 1, separator) + " ± " +
             decimal(result.uncertaintyWh, 1, separator) + " Втч, " +
             std::string(loadName(journal.header.load));
    line.value = value;
    line.verdict = result.verdict;
    for (const auto& note : result.notes) {
        line.verdict += "; " + note;
    }
    line.judgement = result.judgement;
    auto& facts = line.facts;
    facts.push_back({"battery", journal.header.battery, ""});
    facts.push_back({"load", std::string(journal.header.load == RundownLoad::Load ? "load" : "work"), ""});
    facts.push_back({"end", std::string(endName(result.end)), ""});
    facts.push_back({"complete", result.complete, ""});
    if (result.startPercent) {
        facts.push_back({"start_percent", static_cast<std::int64_t>(*result.startPercent), "%"});
    }
    if (result.endPercent) {
        facts.push_back({"end_percent", static_cast<std::int64_t>(*result.endPercent), "%"});
    }
    facts.push_back({"run_seconds", result.runSeconds, "s"});
    facts.push_back({"delivered_wh", result.deliveredWh, "W·h"});
    facts.push_back({"uncertainty_wh", result.uncertaintyWh, "W·h"});
    if (result.gaugeStartWh) {
        facts.push_back({"gauge_start_wh", *result.gaugeStartWh, "W·h"});
    }
    if (result.overstatementPercent) {
        facts.push_back({"gauge_overstatement_percent", *result.overstatementPercent, "%"});
    }
    facts.push_back({"readings", static_cast<std::int64_t>(result.readingsUsed), ""});
    return line;
}

RundownLiveTexts liveTexts(const Journal& journal, const RundownResult& result, double secondsSinceStart,
                           std::string_view separator) {
    RundownLiveTexts texts;
    const double span =
        journal.readings.empty()
            ? 0.0
            : seconds(journal.readings.back().boottimeNs - journal.readings.front().boottimeNs);
    const auto total = wholeOf(std::floor(std::max({0.0, span, secondsSinceStart})));
    const long long minutes = total / 60 % 60;
    const long long secondsPart = total % 60;
    texts.elapsed = "Прошло: " + std::to_string(total / 3600) + ":" + (minutes < 10 ? "0" : "") +
                    std::to_string(minutes) + ":" + (secondsPart < 10 ? "0" : "") +
                    std::to_string(secondsPart);
    if (result.end == RundownEnd::NotStarted) {
        const bool mains = !journal.readings.empty() && journal.readings.back().mainsOnline;
        texts.delivered = mains ? "Отключите сеть: тест ждёт разряда" : "Ждёт: не разряжается";
        return texts;
    }
    texts.delivered = "Отдано: " + decimal(result.deliveredWh, 1, separator) + " Втч";
    texts.power = "Средняя мощность: " + decimal(result.averageW, 1, separator) + " Вт";
    const auto& last = journal.readings.back();
    texts.charge =
        "Заряд сейчас: " + (last.percent ? std::to_string(*last.percent) + " %" : std::string("?"));
    if (const auto now = Units(journal.header).stored(last.now)) {
        texts.charge += " (" + decimal(*now, 1, separator) + " Втч)";
    }
    texts.forecast = result.forecastSeconds ? "До конца: около " + durationText(*result.forecastSeconds)
                                            : std::string("До конца: ещё не известно");
    return texts;
}

std::string finishedRunMessage(const Journal& journal, const RundownResult& result) {
    std::string started;
    if (!journal.readings.empty()) {
        const auto seconds = static_cast<std::time_t>(journal.readings.front().wallMs / 1000);
        std::tm local{};
        ::localtime_r(&seconds, &local);
        char text[64];
        std::strftime(text, sizeof text, ", начатый %d.%m.%Y в %H:%M,", &local);
        started = text;
    }
    std::string message = "Разрядный тест" + started + " закончился";
    message += result.complete ? ". " : " не до конца. ";
    message += result.verdict;
    for (const auto& note : result.notes) {
        message += "; " + note;
    }
    return message + ".";
}

} // namespace vexlin::battery
