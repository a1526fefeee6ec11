#pragma once

#include <cstdint>
#include <optional>

// The full capacity that a discharge implies: the energy (or charge) drawn while the gauge's percent falls,
// scaled to 100 points, with the uncertainty that the percent's and the energy's resolution leave.
//
// The measurement runs from one change of the percent to a later one, so the drop between them is a whole
// number of the gauge's own points instead of a reading that may sit anywhere inside a point.  A pause
// (charging, mains, a reading missed for more than kMaxGapSeconds) ends a stretch; the stretches add up.
//
// The energy comes from whichever source resolves it finer: the gauge's remaining-energy counter (its
// smallest step seen, once per stretch), or the drain rate integrated over time (half its smallest step over
// the whole time, but never better than kRateAccuracy of the total, the usual accuracy of a gauge's current
// sense).  Where the two disagree by more than both uncertainties together the counter is bookkeeping rather
// than a measurement (some gauges derive it from their percent) and the drain is used.  The counter is not
// used either when the percent is computed from that same counter, which would only give back the gauge's
// own full capacity.
namespace vexlin::battery {

// One reading a second, in the battery's own units: µWh and µW, or µAh and µA.
struct GaugeReading {
    double seconds = 0;              // a steady clock
    std::optional<int> percent;      // whole points
    std::optional<double> remaining; // the gauge's counter
    std::optional<double> rate;      // magnitude of the drain
    bool discharging = false;
};

class CapacityEstimate {
public:
    // Five points: with half a point of uncertainty in the drop this judges to 10 % at the start, finer as
    // the drop grows, and takes about a quarter of an hour on a typical laptop under light load.
    static constexpr int kMinDropPoints = 5;
    static constexpr double kPercentUncertainty = 0.5; // points, per stretch
    static constexpr double kMaxGapSeconds = 5.0;
    static constexpr double kRateAccuracy = 0.01;

    enum class Source { Counter, RateIntegral };

    struct Result {
        double capacity = 0;    // full capacity implied, battery units
        double uncertainty = 0; // ± in the same units
        double drawn = 0;       // energy or charge drawn over the drop
        int dropPoints = 0;
        double seconds = 0; // time the drop took, stretches added
        Source source = Source::Counter;
    };

    // `percentFromCounter`: the percent was computed from the remaining counter, not read from the gauge.
    explicit CapacityEstimate(bool percentFromCounter = false) : percentFromCounter_(percentFromCounter) {}

    void add(const GaugeReading& reading);

    // Whole points the percent has fallen over the measured stretches so far.
    int dropPoints() const;
    // Once the drop reaches kMinDropPoints and some source can give the energy.
    std::optional<Result> result() const;
    // Something was measured on battery power at all.
    bool sawDischarge() const { return sawDischarge_; }

private:
    struct Edge {
        double seconds = 0;
        int percent = 0;
        std::optional<double> remaining;
        double integral = 0;
        // What held from the first change up to this one: a fault after the last change spoils nothing.
        int readings = 0;
        bool counterOk = true;
        bool integralOk = true;
    };
    struct Totals {
        int drop = 0;
        int stretches = 0;
        int readings = 0;
        double seconds = 0;
        double counterDrawn = 0;
        double integralDrawn = 0;
        bool counterUsable = true;
        bool integralUsable = true;
    };

    void endStretch();
    void noteSteps(const GaugeReading& reading);
    void addStretch(Totals& sum) const;
    Totals totals() const;

    bool percentFromCounter_ = false;
    bool sawDischarge_ = false;

    // The stretch being measured.
    bool inStretch_ = false;
    GaugeReading last_;
    double integral_ = 0;
    bool integralOk_ = true;
    bool counterOk_ = true;
    int readingsSinceFirstEdge_ = 0;
    std::optional<Edge> firstEdge_;
    std::optional<Edge> lastEdge_;

    Totals done_;
    std::optional<double> counterStep_; // smallest change of the counter seen
    std::optional<double> rateStep_;    // smallest change of the rate seen
};

} // namespace vexlin::battery
