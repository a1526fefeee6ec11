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
    ResultLine sensors(const CapacityEstimate& estimate) const;
    ResultLine charging(const ChargingCheck& check) const;
    ResultLine charge() const;
    ResultLine silentSlot() const;

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
    // Judged on the figure shown: 19,9 % reads as 20 % and is judged as 20 %.
    const double shown = static_cast<double>(std::llround(*figures_.wearPercent));
    result.value = whole(shown) + " %";
    result.verdict = "Износ батареи: " + result.value;
    result.judgement = shown < kWearWarning ? Verdict::Good
                       : shown < kWearBad   ? Verdict::Warning
                                            : Verdict::Bad;
    const double ratio = figures_.fullToDesign.value_or(0);
    if (ratio > 1.0 + kAsNewTolerance) {
        result.verdict += " (полная ёмкость на " + whole((ratio - 1.0) * 100.0) +
                          " % больше заявленной: датчик не откалиброван или батарея не родная)";
        result.judgement = Verdict::Warning;
    } else if (ratio >= 1.0 - kAsNewTolerance) {
        result.verdict += " (батарея как новая)";
    }
    result.facts.push_back({"wear_percent", tenth(*figures_.wearPercent), "%"});
    result.facts.push_back({"full_to_design_percent", tenth(ratio * 100.0), "%"});
    return result;
}

ResultLine LineMaker::charge() const {
    ResultLine result = line("charge", "Заряд батареи");
    const ShownPercent shown = shownPercent(facts_);
    if (!shown.percent) {
        result.value = "заряд не сообщается";
        return result;
    }
    result.value = std::to_string(*shown.percent) + " %";
    if (shown.gaugePercent) {
        result.value += " по остатку и полной ёмкости; сама батарея сообщает " +
                        std::to_string(*shown.gaugePercent) + " %" +
                        (shown.gaugeOfDesign ? " (это доля заявленной ёмкости, а не полной)" : "");
    }
    result.facts.push_back({"percent", static_cast<std::int64_t>(*shown.percent), "%"});
    result.facts.push_back({"percent_source", std::string(shown.fromCounter ? "counter" : "gauge"), ""});
    if (shown.gaugePercent) {
        result.facts.push_back({"gauge_percent", static_cast<std::int64_t>(*shown.gaugePercent), "%"});
        result.facts.push_back({"gauge_percent_of_design", shown.gaugeOfDesign, ""});
    }
    return result;
}

ResultLine LineMaker::silentSlot() const {
    ResultLine result = line("identity", "Батарея");
    result.value = "батарея в слоте " + facts_.name + " не отвечает";
    result.verdict = "Батарея в слоте " + facts_.name + " не отвечает: все её показания равны 0";
    result.judgement = Verdict::Warning;
    result.facts.push_back({"name", facts_.name, ""});
    result.facts.push_back({"answers", false, ""});
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

namespace {

// A gauge in energy units counts µWh and reports the drain in µW; one in charge units µAh and µA.
const char* sensorName(SensorComparison::Sensor sensor, bool chargeUnits) {
    switch (sensor) {
    case SensorComparison::Sensor::Percent:
        return "заряд в %";
    case SensorComparison::Sensor::Counter:
        return chargeUnits ? "остаток заряда" : "остаток энергии";
    case SensorComparison::Sensor::Rate:
        return chargeUnits ? "ток разряда" : "мощность разряда";
    }
    return "";
}

const char* sensorKey(SensorComparison::Sensor sensor) {
    switch (sensor) {
    case SensorComparison::Sensor::Percent:
        return "percent";
    case SensorComparison::Sensor::Counter:
        return "counter";
    case SensorComparison::Sensor::Rate:
        return "rate";
    }
    return "";
}

// Said wherever the check has run: what it cannot know.
constexpr const char* kCapacityNote = "; настоящую ёмкость этой проверкой не узнать, её показывает только "
                                      "разряд от полного заряда до отключения";

} // namespace

ResultLine LineMaker::sensors(const CapacityEstimate& estimate) const {
    ResultLine result = line("sensor_check", "Показания датчика батареи");
    const std::string target = std::to_string(CapacityEstimate::kMinDropPoints) + " %";
    const auto measured = estimate.result();
    const int drop = std::max(0, estimate.dropPoints());
    result.facts.push_back({"drop_percent", static_cast<std::int64_t>(drop), "%"});
    if (!measured) {
        if (!estimate.sawDischarge()) {
            result.value =
                "ждём разряда: заряд этой батареи должен упасть на " + target + " при работе без сети";
        } else {
            result.value = "идёт проверка: заряд упал на " + std::to_string(drop) + " из " + target;
        }
        return result;
    }
    const auto claimed = facts_.full && *facts_.full > 0 ? std::optional<double>(*facts_.full) : std::nullopt;
    const auto comparison = claimed ? compareSensors(*measured, *claimed) : std::nullopt;
    if (!comparison || !comparison->compared) {
        result.value = "не проверить: батарея не сообщает ни остаток, ни ток разряда, ни полную ёмкость";
        return result;
    }
    const bool inWh = toWh(1.0).has_value();
    const double unitsToShown = inWh ? *toWh(1.0) : 1e-3;
    const std::string unit = inWh ? " Втч" : " мАч";
    const auto number = [&](double value) {
        return (inWh ? decimalText(value * unitsToShown, 2, separator_) : whole(value * unitsToShown)) + unit;
    };
    const bool charge = figures_.chargeUnits;
    std::string figures = "по заряду в % " + number(comparison->byPercent);
    if (comparison->byCounter) {
        figures += std::string(charge ? ", по остатку заряда " : ", по остатку энергии ") +
                   number(*comparison->byCounter);
    }
    if (comparison->byRate) {
        figures += std::string(charge ? ", по току разряда " : ", по мощности разряда ") +
                   number(*comparison->byRate);
    }
    const std::string dropText = std::to_string(comparison->dropPoints) + " % разряда";
    if (comparison->agree) {
        result.value = "показания датчика согласуются на " + dropText + " (израсходовано " + figures + ")" +
                       kCapacityNote;
        result.verdict = "Показания датчика согласуются на " + dropText;
        result.judgement = Verdict::Good;
    } else {
        const std::string share = whole(comparison->disagreement * 100.0) + " %";
        result.value = "датчики батареи расходятся на " + share + " (" +
                       sensorName(comparison->first, charge) + " и " +
                       sensorName(comparison->second, charge) + "; за " + dropText + " израсходовано " +
                       figures + "): это неточность датчиков, а не приговор батарее" + kCapacityNote;
        result.verdict = "Датчики батареи расходятся на " + share;
        result.judgement = Verdict::Warning;
        result.facts.push_back({"disagreement_percent", tenth(comparison->disagreement * 100.0), "%"});
        result.facts.push_back(
            {"disagreeing", std::string(sensorKey(comparison->first)) + "," + sensorKey(comparison->second),
             ""});
    }
    result.facts.push_back({"agree", comparison->agree, ""});
    const char* suffix = inWh ? "_wh" : "_mah";
    const char* factUnit = inWh ? "W·h" : "mA·h";
    const auto fact = [&](const char* name, double value) {
        result.facts.push_back(
            {std::string(name) + suffix, std::round(value * unitsToShown * 1000) / 1000, factUnit});
    };
    fact("drawn_by_percent", comparison->byPercent);
    if (comparison->byCounter) {
        fact("drawn_by_counter", *comparison->byCounter);
    }
    if (comparison->byRate) {
        fact("drawn_by_rate", *comparison->byRate);
    }
    result.facts.push_back({"seconds", std::round(measured->seconds), "s"});
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
        if (check.threshold() && check.percent() && *check.percent() > *check.threshold()) {
            result.value = "заряд " + std::to_string(*check.percent()) + " % выше порога заряда " +
                           std::to_string(*check.threshold()) +
                           " %: на сети батарея расходуется до порога, это не неисправность";
            break;
        }
        result.value =
            "зарядка остановлена" +
            (check.percent() ? " на " + std::to_string(*check.percent()) + " %" : std::string()) +
            ": так работает порог заряда" +
            (check.threshold() ? " (" + std::to_string(*check.threshold()) + " %)" : std::string()) +
            ", это не неисправность";
        break;
    case State::Told:
        stateName = "charge_behaviour";
        result.value = std::string("зарядка отключена настройкой батареи (charge_behaviour: ") +
                       (check.behaviour() == platform::BatteryFacts::ChargeBehaviour::ForceDischarge
                            ? "force-discharge"
                            : "inhibit-charge") +
                       "): разряд от сети задуман, это не неисправность";
        break;
    case State::Conserving:
        stateName = "conservation_mode";
        result.value = "включён режим сбережения батареи (conservation_mode): зарядка ограничена, это не "
                       "неисправность";
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
    case State::DischargingOnMains:
        stateName = "discharging_on_mains";
        result.value = "на сети батарея разряжалась: адаптер слабее нагрузки или зарядка ограничена; "
                       "проверка продолжается, пока программа открыта";
        result.verdict = "На сети батарея разряжалась";
        result.judgement = Verdict::Warning;
        break;
    case State::NotRising:
        stateName = "not_rising";
        result.value =
            "батарея сообщает «заряжается», но за " + rise +
            " её заряд не вырос: адаптер слабее нагрузки или неисправна зарядка; проверка продолжается";
        result.verdict = "Зарядка не идёт: заряд не растёт";
        result.judgement = Verdict::Warning;
        break;
    }
    result.facts.push_back({"state", std::string(stateName), ""});
    if (check.secondsToStart()) {
        result.facts.push_back({"seconds_to_start", std::round(*check.secondsToStart()), "s"});
    }
    if (check.threshold()) {
        result.facts.push_back({"charge_end_threshold", static_cast<std::int64_t>(*check.threshold()), "%"});
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
    if (facts.silent) {
        return {maker.silentSlot()};
    }
    return {maker.identity(), maker.charge(),          maker.capacity(),        maker.wear(),
            maker.cycles(),   maker.sensors(estimate), maker.charging(charging)};
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
