#include "battery/HealthLines.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace vexlin::battery {
namespace {

using results::Fact;
using results::ResultLine;
using results::Verdict;

std::string whole(double value) {
    return std::to_string(static_cast<long long>(std::llround(value)));
}

double tenth(double value) {
    return std::round(value * 10.0) / 10.0;
}

class LineMaker {
public:
    LineMaker(const platform::BatteryFacts& facts, std::string_view separator)
        : facts_(facts), figures_(healthFigures(facts)), separator_(separator) {}

    ResultLine identity() const;
    ResultLine capacity() const;
    ResultLine wear() const;
    ResultLine cycles() const;
    ResultLine measured(const CapacityEstimate& estimate) const;
    ResultLine charging(const ChargingCheck& check) const;

private:
    ResultLine line(const char* key, const std::string& what) const {
        ResultLine result;
        result.source = std::string(kHealthSource);
        result.key = facts_.name + "." + key;
        result.what = what + " " + facts_.name;
        return result;
    }
    std::string wh(double value) const { return decimalText(value, 1, separator_) + " Втч"; }
    std::string amount(const std::optional<double>& mah, const std::optional<double>& wattHours) const;
    std::optional<double> toWh(double batteryUnits) const;
    std::optional<double> claimedUnits() const;

    const platform::BatteryFacts& facts_;
    HealthFigures figures_;
    std::string separator_;
};

ResultLine LineMaker::identity() const {
    ResultLine result = line("identity", "Батарея");
    std::string value;
    const auto append = [&](const std::string& part) {
        if (!part.empty()) {
            value += (value.empty() ? "" : ", ") + part;
        }
    };
    append(facts_.manufacturer);
    append(facts_.model);
    if (!facts_.serial.empty()) {
        append("серийный № " + facts_.serial);
    }
    append(facts_.technology);
    result.value = value.empty() ? "изготовитель и модель не сообщаются" : value;
    result.facts.push_back({"name", facts_.name, ""});
    const std::pair<const char*, const std::string*> texts[] = {{"manufacturer", &facts_.manufacturer},
                                                                {"model", &facts_.model},
                                                                {"serial_number", &facts_.serial},
                                                                {"technology", &facts_.technology}};
    for (const auto& [name, text] : texts) {
        if (!text->empty()) {
            result.facts.push_back({name, *text, ""});
        }
    }
    return result;
}

std::string LineMaker::amount(const std::optional<double>& mah,
                              const std::optional<double>& wattHours) const {
    if (!figures_.chargeUnits) {
        return wh(*wattHours);
    }
    std::string text = whole(*mah) + " мАч";
    if (wattHours) {
        text += " (" + wh(*wattHours) + ")";
    }
    return text;
}

ResultLine LineMaker::capacity() const {
    ResultLine result = line("capacity", "Ёмкость батареи");
    const bool hasDesign =
        figures_.chargeUnits ? figures_.designMah.has_value() : figures_.designWh.has_value();
    const bool hasFull = figures_.chargeUnits ? figures_.fullMah.has_value() : figures_.fullWh.has_value();
    std::string value;
    value = hasDesign ? "заявлена при выпуске " + amount(figures_.designMah, figures_.designWh)
                      : "заявленная при выпуске ёмкость не сообщается";
    value += hasFull ? ", полная сейчас " + amount(figures_.fullMah, figures_.fullWh)
                     : ", полная ёмкость сейчас не сообщается";
    if (figures_.chargeUnits && figures_.designVoltage) {
        value += ", при " + decimalText(*figures_.designVoltage, 1, separator_) + " В";
    }
    result.value = value;
    const auto add = [&](const char* name, const std::optional<double>& number, const char* unit) {
        if (number) {
            result.facts.push_back({name, tenth(*number), unit});
        }
    };
    add("design_wh", figures_.designWh, "W·h");
    add("full_wh", figures_.fullWh, "W·h");
    add("design_mah", figures_.designMah, "mA·h");
    add("full_mah", figures_.fullMah, "mA·h");
    if (figures_.designVoltage) {
        result.facts.push_back({"design_voltage_v", std::round(*figures_.designVoltage * 1000) / 1000, "V"});
    }
    result.facts.push_back({"units", std::string(figures_.chargeUnits ? "charge" : "energy"), ""});
    return result;
}

ResultLine LineMaker::wear() const {
    ResultLine result = line("wear", "Износ батареи");
    if (!figures_.wearPercent) {
        result.value = "не определить: батарея не сообщает заявленную и полную ёмкость";
        return result;
    }
    const double wear = *figures_.wearPercent;
    result.value = whole(wear) + " %";
    result.verdict = "Износ батареи: " + result.value;
    if (figures_.fullAboveDesign) {
        result.verdict += " (полная ёмкость не меньше заявленной: батарея как новая)";
    }
    result.judgement = wear < kWearWarning ? Verdict::Good
                       : wear < kWearBad   ? Verdict::Warning
                                           : Verdict::Bad;
    result.facts.push_back({"wear_percent", tenth(wear), "%"});
    return result;
}

ResultLine LineMaker::cycles() const {
    ResultLine result = line("cycles", "Циклы заряда батареи");
    if (!figures_.cycles) {
        result.value = "батарея не сообщает";
        result.facts.push_back({"cycle_count_reported", false, ""});
        return result;
    }
    result.value = std::to_string(*figures_.cycles);
    result.facts.push_back({"cycle_count_reported", true, ""});
    result.facts.push_back({"cycle_count", static_cast<std::int64_t>(*figures_.cycles), ""});
    return result;
}

std::optional<double> LineMaker::toWh(double batteryUnits) const {
    if (!figures_.chargeUnits) {
        return batteryUnits * 1e-6;
    }
    if (!figures_.designVoltage) {
        return std::nullopt;
    }
    return batteryUnits * 1e-6 * *figures_.designVoltage;
}

// What the battery claims a full charge holds now; the label's figure when it does not say.
std::optional<double> LineMaker::claimedUnits() const {
    if (facts_.full && *facts_.full > 0) {
        return static_cast<double>(*facts_.full);
    }
    if (facts_.designFull && *facts_.designFull > 0) {
        return static_cast<double>(*facts_.designFull);
    }
    return std::nullopt;
}

ResultLine LineMaker::measured(const CapacityEstimate& estimate) const {
    ResultLine result = line("measured_capacity", "Ёмкость по измерению");
    const std::string target = std::to_string(CapacityEstimate::kMinDropPoints) + " %";
    const auto measuredResult = estimate.result();
    if (!measuredResult) {
        const int drop = std::max(0, estimate.dropPoints());
        if (!estimate.sawDischarge()) {
            result.value =
                "ждём разряда: заряд этой батареи должен упасть на " + target + " при работе без сети";
        } else if (drop >= CapacityEstimate::kMinDropPoints) {
            result.value = "не измерить: батарея не сообщает ни остаток энергии, ни ток разряда";
        } else {
            result.value = "идёт измерение: заряд упал на " + std::to_string(drop) + " из " + target;
        }
        result.facts.push_back({"drop_percent", static_cast<std::int64_t>(drop), "%"});
        return result;
    }
    const auto& m = *measuredResult;
    const bool inWh = toWh(1.0).has_value();
    const double unitsToShown = inWh ? *toWh(1.0) : 1e-3;
    const double measuredShown = m.capacity * unitsToShown;
    const double uncertaintyShown = m.uncertainty * unitsToShown;
    const std::string unit = inWh ? " Втч" : " мАч";
    const auto number = [&](double value) { return inWh ? decimalText(value, 1, separator_) : whole(value); };
    result.value =
        number(measuredShown) + " ± " + number(uncertaintyShown) + unit + " (по разряду на " +
        std::to_string(m.dropPoints) + " %, " +
        (m.source == CapacityEstimate::Source::Counter ? "по остатку энергии батареи" : "по току разряда") +
        ")";
    const char* suffix = inWh ? "_wh" : "_mah";
    const char* factUnit = inWh ? "W·h" : "mA·h";
    result.facts.push_back({std::string("measured") + suffix, tenth(measuredShown), factUnit});
    result.facts.push_back({std::string("uncertainty") + suffix, tenth(uncertaintyShown), factUnit});
    result.facts.push_back({"drop_percent", static_cast<std::int64_t>(m.dropPoints), "%"});
    result.facts.push_back(
        {"drawn" + std::string(suffix), std::round(m.drawn * unitsToShown * 1000) / 1000, factUnit});
    result.facts.push_back({"seconds", std::round(m.seconds), "s"});
    result.facts.push_back(
        {"method",
         std::string(m.source == CapacityEstimate::Source::Counter ? "energy_counter" : "rate_integral"),
         ""});

    const auto claimed = claimedUnits();
    if (!claimed) {
        result.verdict = "Ёмкость по измерению: " + number(measuredShown) + unit;
        return result;
    }
    const double claimedShown = *claimed * unitsToShown;
    result.facts.push_back({std::string("claimed") + suffix, tenth(claimedShown), factUnit});
    result.verdict = "Ёмкость по измерению: " + number(measuredShown) + unit + " из заявленных " +
                     number(claimedShown) + unit;
    const double difference = m.capacity - *claimed;
    if (std::fabs(difference) <= m.uncertainty) {
        result.verdict += ", совпадает в пределах точности измерения";
        result.judgement = Verdict::Good;
    } else if (difference < 0) {
        result.verdict += ": батарея держит меньше, чем сообщает";
        result.judgement = Verdict::Bad;
    } else {
        result.verdict += ": батарея держит больше, чем сообщает (датчик занижает ёмкость)";
        result.judgement = Verdict::Warning;
    }
    return result;
}

ResultLine LineMaker::charging(const ChargingCheck& check) const {
    using State = ChargingCheck::State;
    ResultLine result = line("charging", "Зарядка батареи");
    const std::string start = whole(ChargingCheck::kStartWithinSeconds) + " с";
    const std::string rise = whole(ChargingCheck::kRiseWithinSeconds / 60) + " мин";
    const char* stateName = "";
    switch (check.state()) {
    case State::NoMains:
        stateName = "no_mains";
        result.value = "сеть не подключалась: подключите сеть, чтобы проверить зарядку";
        break;
    case State::Waiting:
        stateName = "waiting";
        result.value = "сеть подключена, ждём начала зарядки (до " + start + ")";
        break;
    case State::Full:
        stateName = "full";
        result.value = "батарея заряжена полностью, зарядка не нужна";
        break;
    case State::Held:
        stateName = "held";
        result.value = "зарядка остановлена" +
                       (check.percent() ? " на " + std::to_string(*check.percent()) + " %" : std::string()) +
                       ": так работает порог заряда, это не неисправность";
        break;
    case State::Queued:
        stateName = "queued";
        result.value = "ждёт своей очереди: сейчас заряжается другая батарея";
        break;
    case State::Silent:
        stateName = "silent";
        result.value = "батарея не сообщает, заряжается ли она: проверить зарядку нельзя";
        break;
    case State::Charging:
        stateName = "charging";
        result.value = "батарея заряжается, ждём роста заряда (до " + rise + ")";
        break;
    case State::Works:
        stateName = "works";
        result.value = "зарядка началась через " + whole(check.secondsToStart().value_or(0)) +
                       " с после подключения сети, заряд растёт";
        result.verdict = "Зарядка работает";
        result.judgement = Verdict::Good;
        break;
    case State::NotStarting:
        stateName = "not_starting";
        result.value = "сеть подключена, но за " + start + " зарядка не началась";
        result.verdict = "Батарея не заряжается от сети";
        result.judgement = Verdict::Bad;
        break;
    case State::NotRising:
        stateName = "not_rising";
        result.value = "батарея сообщает «заряжается», но за " + rise + " её заряд не вырос";
        result.verdict = "Зарядка не идёт: заряд не растёт";
        result.judgement = Verdict::Bad;
        break;
    }
    result.facts.push_back({"state", std::string(stateName), ""});
    if (check.secondsToStart()) {
        result.facts.push_back({"seconds_to_start", std::round(*check.secondsToStart()), "s"});
    }
    if (check.secondsToRise()) {
        result.facts.push_back({"seconds_to_rise", std::round(*check.secondsToRise()), "s"});
    }
    return result;
}

} // namespace

std::vector<ResultLine> healthLines(const platform::BatteryFacts& facts, const CapacityEstimate& estimate,
                                    const ChargingCheck& charging, std::string_view decimalSeparator) {
    const LineMaker maker(facts, decimalSeparator);
    return {maker.identity(), maker.capacity(),         maker.wear(),
            maker.cycles(),   maker.measured(estimate), maker.charging(charging)};
}

ResultLine noBatteryLine() {
    ResultLine line;
    line.source = std::string(kHealthSource);
    line.key = "none";
    line.what = "Батарея";
    line.value = "Батарея не обнаружена";
    line.facts.push_back({"battery_count", std::int64_t{0}, ""});
    return line;
}

} // namespace vexlin::battery
