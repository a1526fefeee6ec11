#pragma once

#include <cstdint>
#include <optional>

// What a partial discharge can tell about a battery's gauge: whether its percent, its remaining-energy
// counter and its drain rate agree over the drop.  It cannot tell the real capacity: on ACPI laptops the
// kernel computes the percent from the gauge's own counter and full figure, so a pack that holds 30 Wh while
// claiming 50 Wh drops its percent, counter and drain in perfect agreement.  Only a discharge from full to
// empty measures what the cells hold.
//
// The drop runs from one change of the percent to a later one, so it is a whole number of the gauge's own
// points instead of a reading that may sit anywhere inside a point.  A pause (charging, a reading missed for
// more than kMaxGapSeconds) ends a stretch; the stretches add up.  Each sensor's energy drawn comes with its
// uncertainty: half a point of the percent per stretch, the counter's smallest step seen, and for the
// integrated rate kRateTolerance, since embedded controllers report rates several per cent off.
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
    static constexpr double kRateTolerance = 0.05;

    struct Drawn {
        double amount = 0;      // energy or charge drawn over the drop, battery units
        double uncertainty = 0; // ± in the same units
    };

    struct Result {
        int dropPoints = 0;
        int stretches = 0;
        double seconds = 0;           // time the drop took, stretches added
        std::optional<Drawn> counter; // by the remaining counter, where it is a sensor of its own
        std::optional<Drawn> rate;    // by the drain rate integrated over time
    };

    // `percentFromCounter`: the percent was computed from the remaining counter, not read from the gauge.
    explicit CapacityEstimate(bool percentFromCounter = false) : percentFromCounter_(percentFromCounter) {}

    void add(const GaugeReading& reading);

    // Whole points the percent has fallen over the measured stretches so far.
    int dropPoints() const;
    // Once the drop reaches kMinDropPoints.
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

// How the sensors compare over a drop, given the full capacity the gauge claims (battery units).
struct SensorComparison {
    enum class Sensor { Percent, Counter, Rate };
    int dropPoints = 0;
    double byPercent = 0; // energy or charge drawn as the percent's drop says, battery units
    std::optional<double> byCounter;
    std::optional<double> byRate;
    bool compared = false;          // at least two sensors could be set side by side
    bool agree = true;              // every pair within their uncertainties together
    double disagreement = 0;        // the largest difference beyond them, as a share of the larger figure
    Sensor first = Sensor::Percent; // the pair that differs most
    Sensor second = Sensor::Counter;
};
std::optional<SensorComparison> compareSensors(const CapacityEstimate::Result& result, double claimedFull);

} // namespace vexlin::battery
