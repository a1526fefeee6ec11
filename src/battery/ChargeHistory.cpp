#include "battery/ChargeHistory.h"

#include "battery/MonitorTexts.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace vexlin::battery {

void ChargeHistory::append(ChargePoint point) {
    if (!points_.empty() && point.x <= points_.back().x) {
        throw std::invalid_argument("chart point at tick " + std::to_string(point.x) + " after tick " +
                                    std::to_string(points_.back().x));
    }
    points_.push_back(point);
}

std::string ChargeHistory::label(std::size_t i) const {
    return elapsedText(points_.at(i).x);
}

std::vector<DrawnPoint> ChargeHistory::pointsToDraw(double xMin, double xMax, int columns) const {
    std::vector<DrawnPoint> drawn;
    if (points_.empty() || !(xMin <= xMax)) {
        return drawn;
    }
    const auto byX = [](const ChargePoint& p, double x) { return p.x < x; };
    auto first = std::lower_bound(points_.begin(), points_.end(), xMin, byX);
    auto last = std::upper_bound(points_.begin(), points_.end(), xMax,
                                 [](double x, const ChargePoint& p) { return x < p.x; });
    // One point beyond each end, so the line leaves the plot instead of stopping short of its edge.
    const bool leading = first != points_.begin();
    const bool trailing = last != points_.end();
    if (leading) {
        --first;
    }
    if (trailing) {
        ++last;
    }
    const auto toDrawn = [](const ChargePoint& p) { return DrawnPoint{double(p.x), double(p.y)}; };
    const auto count = static_cast<std::size_t>(last - first);
    columns = std::max(columns, 1);
    if (count <= static_cast<std::size_t>(columns) * 4) {
        drawn.reserve(count);
        std::transform(first, last, std::back_inserter(drawn), toDrawn);
        return drawn;
    }

    drawn.reserve(static_cast<std::size_t>(columns) * 4 + 2);
    auto inside = first;
    auto insideEnd = last;
    if (leading) {
        drawn.push_back(toDrawn(*inside++));
    }
    if (trailing) {
        --insideEnd;
    }
    const double width = xMax > xMin ? (xMax - xMin) / columns : 1.0;
    auto column = [&](const ChargePoint& p) {
        return std::clamp(static_cast<int>((p.x - xMin) / width), 0, columns - 1);
    };
    while (inside != insideEnd) {
        const int c = column(*inside);
        auto begin = inside;
        auto lowest = inside;
        auto highest = inside;
        auto end = inside;
        for (; end != insideEnd && column(*end) == c; ++end) {
            if (end->y < lowest->y) {
                lowest = end;
            }
            if (end->y > highest->y) {
                highest = end;
            }
        }
        const auto closing = end - 1;
        // The four in their own order, each once.
        decltype(begin) picks[] = {begin, lowest, highest, closing};
        std::sort(std::begin(picks), std::end(picks));
        for (std::size_t i = 0; i < std::size(picks); ++i) {
            if (i == 0 || picks[i] != picks[i - 1]) {
                drawn.push_back(toDrawn(*picks[i]));
            }
        }
        inside = end;
    }
    if (trailing) {
        drawn.push_back(toDrawn(*insideEnd));
    }
    return drawn;
}

std::vector<std::int32_t> axisLabelPositions(double xMin, double xMax, int maxLabels) {
    std::vector<std::int32_t> positions;
    if (!(xMin <= xMax) || maxLabels < 1 || !std::isfinite(xMin) || !std::isfinite(xMax)) {
        return positions;
    }
    static constexpr std::int64_t kSteps[] = {1,   2,   5,    10,   15,   30,    60,    120,   300,
                                              600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400};
    const double span = xMax - xMin;
    std::int64_t step = 0;
    for (const auto candidate : kSteps) {
        if (span / static_cast<double>(candidate) < maxLabels) {
            step = candidate;
            break;
        }
    }
    if (step == 0) {
        const auto days = static_cast<std::int64_t>(std::ceil(span / maxLabels / 86400.0)) + 1;
        step = days * 86400;
    }
    constexpr double kLowest = 0;
    constexpr double kHighest = 2147483647.0;
    const double from =
        std::clamp(std::ceil(std::max(xMin, kLowest) / double(step)) * double(step), kLowest, kHighest);
    const double to = std::min(xMax, kHighest);
    for (double x = from; x <= to; x += double(step)) {
        positions.push_back(static_cast<std::int32_t>(x));
    }
    return positions;
}

} // namespace vexlin::battery
