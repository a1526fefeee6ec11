#include "battery/ChargingCheck.h"

#include <gtest/gtest.h>
#include <vector>

namespace vexlin::battery {
namespace {

using State = ChargingCheck::State;
using Status = platform::BatteryFacts::Status;
using Behaviour = platform::BatteryFacts::ChargeBehaviour;

// A stretch of readings, one a second, with the counter moving by `slope` units a second.
struct Stretch {
    int seconds;
    bool mains;
    Status status;
    double slope = 0;
    bool counter = true;
    bool otherCharging = false;
    std::optional<int> endThreshold = {};
    Behaviour behaviour = Behaviour::Auto;
    bool conservation = false;
};

struct CheckRow {
    const char* name;
    std::vector<Stretch> stretches;
    State state;
    std::optional<double> secondsToStart;
};

ChargingCheck run(const std::vector<Stretch>& stretches) {
    ChargingCheck check;
    int t = 0;
    double remaining = 30e6;
    for (const auto& stretch : stretches) {
        for (int i = 0; i < stretch.seconds; ++i, ++t) {
            remaining += stretch.slope;
            ChargeReading reading;
            reading.seconds = t;
            reading.mainsOnline = stretch.mains;
            reading.status = stretch.status;
            if (stretch.counter) {
                reading.remaining = remaining;
            }
            reading.percent = static_cast<int>(remaining / 0.5e6);
            reading.otherCharging = stretch.otherCharging;
            reading.endThreshold = stretch.endThreshold;
            reading.behaviour = stretch.behaviour;
            reading.conservation = stretch.conservation;
            check.add(reading);
        }
    }
    return check;
}

class ChargingScenario : public testing::TestWithParam<CheckRow> {};

TEST_P(ChargingScenario, JudgesTheChargerFromTheReadings) {
    const auto& row = GetParam();
    const auto check = run(row.stretches);
    EXPECT_EQ(check.state(), row.state);
    EXPECT_EQ(check.secondsToStart(), row.secondsToStart);
}

constexpr double kDrain = -2800;  // µWh a second at 10 W
constexpr double kCharge = 11000; // at about 40 W
constexpr int kStartLimit = static_cast<int>(ChargingCheck::kStartWithinSeconds);
constexpr int kRiseLimit = static_cast<int>(ChargingCheck::kRiseWithinSeconds);

INSTANTIATE_TEST_SUITE_P(
    Scenarios, ChargingScenario,
    testing::Values(
        CheckRow{"never_plugged", {{600, false, Status::Discharging, kDrain}}, State::NoMains, {}},
        // plugged in at 100 s, the controller switches over 3 s later and the energy rises
        CheckRow{"plugged_mid_run_and_rising",
                 {{100, false, Status::Discharging, kDrain},
                  {3, true, Status::Discharging, kDrain},
                  {60, true, Status::Charging, kCharge}},
                 State::Works,
                 3.0},
        CheckRow{"charging_but_energy_flat",
                 {{100, false, Status::Discharging, kDrain}, {kRiseLimit + 10, true, Status::Charging, 0}},
                 State::NotRising,
                 0.0},
        CheckRow{"flat_until_just_inside_the_limit",
                 {{100, false, Status::Discharging, kDrain},
                  {kRiseLimit - 1, true, Status::Charging, 0},
                  {2, true, Status::Charging, kCharge}},
                 State::Works,
                 0.0},
        CheckRow{"charging_and_falling",
                 {{kRiseLimit + 10, true, Status::Charging, kDrain}},
                 State::NotRising,
                 0.0},
        CheckRow{
            "still_waiting_at_the_limit",
            {{10, false, Status::Discharging, kDrain}, {kStartLimit + 1, true, Status::Discharging, kDrain}},
            State::Waiting,
            {}},
        CheckRow{
            "never_starts",
            {{10, false, Status::Discharging, kDrain}, {kStartLimit + 2, true, Status::Discharging, kDrain}},
            State::DischargingOnMains,
            {}},
        // A charge threshold is not a fault, however long it holds.
        CheckRow{"held_at_threshold", {{3600, true, Status::NotCharging, 0}}, State::Held, {}},
        CheckRow{"already_full", {{600, true, Status::Full, 0}}, State::Full, {}},
        // Pulled before a verdict, plugged again later: the time counts from the second plug.
        CheckRow{"replugged",
                 {{10, true, Status::Discharging, kDrain},
                  {100, false, Status::Discharging, kDrain},
                  {20, true, Status::Discharging, kDrain},
                  {30, true, Status::Charging, kCharge}},
                 State::Works,
                 20.0},
        // No counter: the rise shows in the percent (one point is 0.5 Wh here).
        CheckRow{"percent_only", {{200, true, Status::Charging, kCharge, false}}, State::Works, 0.0},
        CheckRow{"threshold_then_discharging",
                 {{600, true, Status::NotCharging, 0}, {kStartLimit + 2, true, Status::Discharging, kDrain}},
                 State::DischargingOnMains,
                 {}},
        // Two batteries are charged in turn; some firmware says "Unknown" at a threshold.
        CheckRow{"waiting_for_the_other_battery",
                 {{600, true, Status::Discharging, 0, true, true}},
                 State::Queued,
                 {}},
        CheckRow{"its_turn_after_the_other",
                 {{600, true, Status::NotCharging, 0, true, true}, {60, true, Status::Charging, kCharge}},
                 State::Works,
                 600.0},
        CheckRow{"unknown_on_mains_is_not_judged", {{600, true, Status::Unknown, 0}}, State::Silent, {}},
        // Discharging on the mains is what was seen, and later readings judge again.
        CheckRow{
            "weak_adapter_then_charges",
            {{kStartLimit + 10, true, Status::Discharging, kDrain}, {60, true, Status::Charging, kCharge}},
            State::Works,
            static_cast<double>(kStartLimit + 10)},
        CheckRow{"not_rising_then_rising",
                 {{kRiseLimit + 10, true, Status::Charging, 0}, {5, true, Status::Charging, kCharge}},
                 State::Works,
                 0.0},
        CheckRow{
            "discharging_seen_stays_after_unplugging",
            {{kStartLimit + 2, true, Status::Discharging, kDrain}, {100, false, Status::Discharging, kDrain}},
            State::DischargingOnMains,
            {}},
        // At 60 % (the counter starts at 30 Wh, 0.5 Wh a point): above a stop threshold of 50 the firmware
        // lets the pack run down; below one of 80 it should charge.
        CheckRow{"above_the_stop_threshold",
                 {{600, true, Status::Discharging, kDrain / 100, true, false, 50}},
                 State::Held,
                 {}},
        CheckRow{"below_the_stop_threshold",
                 {{600, true, Status::Discharging, kDrain / 100, true, false, 80}},
                 State::DischargingOnMains,
                 {}},
        CheckRow{"force_discharge_asked_for",
                 {{600, true, Status::Discharging, kDrain, true, false, {}, Behaviour::ForceDischarge}},
                 State::Told,
                 {}},
        CheckRow{"inhibit_charge_asked_for",
                 {{600, true, Status::Discharging, 0, true, false, {}, Behaviour::InhibitCharge}},
                 State::Told,
                 {}},
        // A conservation mode holds the charge, saying "Charging" at 0 W on some IdeaPads; below its limit
        // the pack still charges.
        CheckRow{"conservation_mode_holds",
                 {{kRiseLimit + 10, true, Status::Charging, 0, true, false, {}, Behaviour::Auto, true}},
                 State::Conserving,
                 0.0},
        CheckRow{"conservation_mode_discharging_on_mains",
                 {{kStartLimit + 10,
                   true,
                   Status::Discharging,
                   kDrain / 100,
                   true,
                   false,
                   {},
                   Behaviour::Auto,
                   true}},
                 State::Conserving,
                 {}},
        CheckRow{"conservation_mode_below_its_limit",
                 {{60, true, Status::Charging, kCharge, true, false, {}, Behaviour::Auto, true}},
                 State::Works,
                 0.0},
        // A rise of the charge is final.
        CheckRow{"verdict_stays_after_unplugging",
                 {{5, true, Status::Charging, 0},
                  {5, true, Status::Charging, kCharge},
                  {100, false, Status::Discharging, kDrain}},
                 State::Works,
                 0.0}),
    [](const testing::TestParamInfo<CheckRow>& info) { return std::string(info.param.name); });

} // namespace
} // namespace vexlin::battery
