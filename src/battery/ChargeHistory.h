#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Every point of the charge chart, kept for the whole run, and the few of them that need drawing.
namespace vexlin::battery {

struct ChargePoint {
    std::int32_t x = 0; // monitor tick
    std::uint8_t y = 0; // percent byte as polled (255 when unknown)
};

struct DrawnPoint {
    double x = 0;
    double y = 0;
    friend bool operator==(const DrawnPoint&, const DrawnPoint&) = default;
};

class ChargeHistory {
public:
    // Points arrive once a tick, so X grows; a point out of order is refused (std::invalid_argument) because
    // the look-ups below rely on the order.
    void append(ChargePoint point);

    std::size_t size() const { return points_.size(); }
    bool empty() const { return points_.empty(); }
    const ChargePoint& at(std::size_t i) const { return points_.at(i); }
    const ChargePoint& front() const { return points_.front(); }
    const ChargePoint& back() const { return points_.back(); }
    // The point's label: the elapsed time H:MM:SS of its tick.
    std::string label(std::size_t i) const;

    // The points that draw the same line as all points between xMin and xMax on a plot `columns` pixels
    // wide: for each pixel column its first, lowest, highest and last point, in order, plus the nearest point
    // outside each end so the line runs on to the edges.  Few points come back unchanged.
    std::vector<DrawnPoint> pointsToDraw(double xMin, double xMax, int columns) const;

private:
    std::vector<ChargePoint> points_;
};

// Where to put at most maxLabels time labels between xMin and xMax: whole multiples of a step a person reads
// easily (1, 2, 5, 10, 15, 30 s, 1, 2, 5, 10, 15, 30 min, 1, 2, 3, 6, 12 h, then whole days).
std::vector<std::int32_t> axisLabelPositions(double xMin, double xMax, int maxLabels);

} // namespace vexlin::battery
