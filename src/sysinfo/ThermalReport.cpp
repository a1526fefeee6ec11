#include "sysinfo/ThermalReport.h"

#include <cmath>

namespace vexlin::sysinfo {
namespace {

using results::Fact;
using results::ResultLine;
using results::Verdict;

std::int64_t wholeDegrees(std::int64_t milliCelsius) {
    return std::llround(static_cast<double>(milliCelsius) / 1000.0);
}

// Degrees for the JSON: a tenth is as fine as any of these sensors resolves.
double celsiusValue(std::int64_t milliCelsius) {
    return std::round(static_cast<double>(milliCelsius) / 100.0) / 10.0;
}

std::int64_t wholeMhz(std::int64_t khz) {
    return std::llround(static_cast<double>(khz) / 1000.0);
}

std::string rangeText(std::int64_t low, std::int64_t high, std::string_view unit) {
    if (low == high) {
        return std::to_string(high) + " " + std::string(unit);
    }
    return std::to_string(low) + "–" + std::to_string(high) + " " + std::string(unit);
}

std::string titled(std::string_view what, ThermalRunKind kind) {
    return std::string(what) + " (" + std::string(runTitle(kind)) + ")";
}

std::string key(ThermalRunKind kind, std::string_view what) {
    return std::string(runSlug(kind)) + "." + std::string(what);
}

void addTemperatureFacts(std::vector<Fact>& facts, const TemperatureSummary& entry) {
    if (entry.maxMilliCelsius) {
        facts.push_back({"max_celsius", celsiusValue(*entry.maxMilliCelsius), "°C"});
        facts.push_back({"sensor", entry.sensor, ""});
    }
    if (entry.limitMilliCelsius) {
        facts.push_back({"crit_celsius", celsiusValue(*entry.limitMilliCelsius), "°C"});
        facts.push_back({"limit_source", entry.limitSource, ""});
    }
}

ResultLine verdictLine(const ThermalSummary& summary, ThermalRunKind kind) {
    ResultLine line;
    line.source = std::string(kThermalSource);
    line.key = key(kind, "verdict");
    line.what = titled("Нагрев", kind);
    const JudgedText verdict = runVerdict(summary);
    line.verdict = verdict.text;
    line.judgement = verdict.judgement;
    line.facts.push_back({"sensors_reported", true, ""});
    line.facts.push_back({"readings", static_cast<std::int64_t>(summary.readings), ""});
    if (const auto throttled = summary.throttled()) {
        line.facts.push_back({"throttled", *throttled, ""});
    }
    line.facts.push_back({"throttling_observable", summary.throttled().has_value(), ""});
    if (summary.countersWatched) {
        line.facts.push_back({"throttle_count_rise", summary.throttleCountRise, ""});
    }
    if (summary.throttleTimeRiseMs) {
        line.facts.push_back({"throttle_time_ms", *summary.throttleTimeRiseMs, "ms"});
    }
    if (summary.clockRuleApplies) {
        line.facts.push_back({"slowed_while_hot", summary.slowedWhileHot, ""});
    }
    if (const auto& fall = summary.clockFellWhileHot) {
        line.facts.push_back({"clock_fell_from_mhz", wholeMhz(fall->fromKhz), "MHz"});
        line.facts.push_back({"clock_fell_to_mhz", wholeMhz(fall->toKhz), "MHz"});
        line.facts.push_back({"clock_fell_at_celsius", celsiusValue(fall->milliCelsius), "°C"});
    }
    if (const TemperatureSummary* processor = summary.processor()) {
        if (processor->maxMilliCelsius) {
            line.value = "макс. " + celsiusText(*processor->maxMilliCelsius);
        }
        addTemperatureFacts(line.facts, *processor);
    }
    return line;
}

ResultLine temperatureLine(const TemperatureSummary& entry, ThermalRunKind kind) {
    ResultLine line;
    line.source = std::string(kThermalSource);
    line.key = key(kind, entry.key + "_max");
    line.what = titled(entry.name, kind);
    line.value = "макс. " + celsiusText(*entry.maxMilliCelsius);
    const JudgedText verdict = overheatVerdict(entry.maxMilliCelsius, entry.limitMilliCelsius);
    line.verdict = verdict.text;
    line.judgement = verdict.judgement;
    addTemperatureFacts(line.facts, entry);
    return line;
}

ResultLine clockLine(const ThermalSummary& summary, ThermalRunKind kind) {
    ResultLine line;
    line.source = std::string(kThermalSource);
    line.key = key(kind, "cpu_clock");
    line.what = titled("Частота процессора", kind);
    const std::int64_t low = wholeMhz(*summary.minKhz);
    const std::int64_t high = wholeMhz(*summary.maxKhz);
    line.value = rangeText(low, high, "МГц");
    line.facts.push_back({"min_mhz", low, "MHz"});
    line.facts.push_back({"max_mhz", high, "MHz"});
    if (summary.baseKhz) {
        line.verdict = (summary.slowedWhileHot ? "Ниже базовой " : "Базовая ") + mhzText(*summary.baseKhz);
        line.facts.push_back({"base_mhz", wholeMhz(*summary.baseKhz), "MHz"});
    }
    return line;
}

ResultLine fanLine(const FanSummary& fan, ThermalRunKind kind) {
    ResultLine line;
    line.source = std::string(kThermalSource);
    line.key = key(kind, fan.key);
    line.what = titled(fan.name, kind);
    line.value = rangeText(*fan.minRpm, *fan.maxRpm, "об/мин");
    line.facts.push_back({"fan_rpm", *fan.maxRpm, "rpm"});
    line.facts.push_back({"min_rpm", *fan.minRpm, "rpm"});
    if (const auto& stopped = fan.stoppedWhileHeating) {
        line.verdict = "Вентилятор стоял при нагреве процессора: 0 об/мин, " +
                       std::to_string(wholeDegrees(stopped->fromMilliCelsius)) + " → " +
                       celsiusText(stopped->toMilliCelsius);
        line.judgement = Verdict::Warning;
        line.facts.push_back({"stopped_from_celsius", celsiusValue(stopped->fromMilliCelsius), "°C"});
        line.facts.push_back({"stopped_to_celsius", celsiusValue(stopped->toMilliCelsius), "°C"});
    }
    line.facts.push_back({"stopped_while_heating", fan.stoppedWhileHeating.has_value(), ""});
    return line;
}

} // namespace

std::string_view runSlug(ThermalRunKind kind) {
    return kind == ThermalRunKind::Performance ? "performance" : "clock";
}

std::string_view runTitle(ThermalRunKind kind) {
    return kind == ThermalRunKind::Performance ? "тест производительности" : "тест частоты процессора";
}

std::string celsiusText(std::int64_t milliCelsius) {
    return std::to_string(wholeDegrees(milliCelsius)) + " °C";
}

std::string mhzText(std::int64_t khz) {
    return std::to_string(wholeMhz(khz)) + " МГц";
}

std::string liveLine(const LiveValues& values, bool sensorsReported) {
    if (!sensorsReported) {
        return "Нет данных датчиков";
    }
    std::string line;
    if (values.processorMilliCelsius) {
        line = "Процессор " + celsiusText(*values.processorMilliCelsius);
    }
    std::vector<std::int64_t> fans;
    for (const auto& rpm : values.fanRpm) {
        if (rpm) {
            fans.push_back(*rpm);
        }
    }
    if (fans.empty()) {
        return line;
    }
    std::string speeds;
    for (const std::int64_t rpm : fans) {
        speeds += (speeds.empty() ? "" : ", ") + std::to_string(rpm);
    }
    const bool first = line.empty();
    const std::string_view word = fans.size() == 1 ? (first ? "Вентилятор " : "вентилятор ")
                                                   : (first ? "Вентиляторы " : "вентиляторы ");
    return line + (first ? "" : ", ") + std::string(word) + speeds + " об/мин";
}

JudgedText overheatVerdict(std::optional<std::int64_t> maxMilliCelsius,
                           std::optional<std::int64_t> limitMilliCelsius) {
    if (!maxMilliCelsius) {
        return {"Температура не сообщается", Verdict::None};
    }
    const std::int64_t hottest = wholeDegrees(*maxMilliCelsius);
    const std::string seen = "макс. " + std::to_string(hottest) + " °C";
    if (!limitMilliCelsius) {
        return {"Перегрев: предел не сообщается (" + seen + ")", Verdict::None};
    }
    const std::int64_t limit = wholeDegrees(*limitMilliCelsius);
    const std::string both = " (" + seen + ", предел " + std::to_string(limit) + " °C)";
    if (hottest >= limit) {
        return {"Перегрев: достигнут предел" + both, Verdict::Bad};
    }
    if (hottest >= limit - wholeDegrees(kNearLimitMilliCelsius)) {
        return {"Перегрев: близко к пределу" + both, Verdict::Warning};
    }
    return {"Перегрев: нет" + both, Verdict::Good};
}

JudgedText runVerdict(const ThermalSummary& summary) {
    if (summary.throttledBriefly()) {
        return {"Процессор кратковременно снижал частоту из-за перегрева (" +
                    std::to_string(*summary.throttleTimeRiseMs) + " мс)",
                Verdict::Warning};
    }
    if (summary.throttled().value_or(false)) {
        return {"Процессор снижал частоту из-за перегрева", Verdict::Bad};
    }
    const TemperatureSummary* processor = summary.processor();
    if (processor == nullptr || !processor->maxMilliCelsius) {
        return {"Температура процессора не сообщается", Verdict::None};
    }
    JudgedText heat = overheatVerdict(processor->maxMilliCelsius, processor->limitMilliCelsius);
    if (summary.throttled()) {
        return heat;
    }
    // Neither a counter nor a base clock with a limit: what is left to see is the clock itself.
    const std::string unknown = "снижение частоты из-за нагрева на этом процессоре не определить";
    if (const auto& fall = summary.clockFellWhileHot) {
        return {"Частота падала при нагреве: " + std::to_string(wholeMhz(fall->fromKhz)) + " → " +
                    mhzText(fall->toKhz) + " при " + celsiusText(fall->milliCelsius) + "; " + unknown,
                Verdict::Warning};
    }
    heat.text += "; " + unknown;
    return heat;
}

std::vector<ResultLine> thermalResultLines(const ThermalSummary& summary, ThermalRunKind kind) {
    std::vector<ResultLine> lines;
    if (!summary.sensorsReported) {
        ResultLine line;
        line.source = std::string(kThermalSource);
        line.key = key(kind, "verdict");
        line.what = titled("Датчики", kind);
        line.verdict = "Машина не сообщает показаний датчиков";
        line.facts.push_back({"sensors_reported", false, ""});
        lines.push_back(std::move(line));
        return lines;
    }
    lines.push_back(verdictLine(summary, kind));
    for (const auto& entry : summary.temperatures) {
        if (entry.maxMilliCelsius) {
            lines.push_back(temperatureLine(entry, kind));
        }
    }
    if (summary.minKhz && summary.maxKhz) {
        lines.push_back(clockLine(summary, kind));
    }
    for (const auto& fan : summary.fans) {
        if (fan.minRpm && fan.maxRpm) {
            lines.push_back(fanLine(fan, kind));
        }
    }
    return lines;
}

} // namespace vexlin::sysinfo
