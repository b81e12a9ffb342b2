#include "core/graph/ValueRangeZoom.h"

#include <algorithm>
#include <cmath>

// Steps are rounded without the int clamp, so ranges beyond 2^31 steps keep their place.
NarrowedValueRange NarrowValueRange(const ValueRange& current, double g, double topValue,
                                    double bottomValue) {
    const auto onGrid = [g](double v) { return g > 0.0 ? std::round(v / g) * g : v; };
    double low = std::max(current.lowest, onGrid(bottomValue));
    double high = std::max(low + 5.0 * g, onGrid(topValue));
    if (high > current.highest) {
        high = current.highest;
        low = std::max(current.lowest, std::min(low, current.highest - 5.0 * g));
    }
    NarrowedValueRange out;
    out.range = {low, high};
    out.canZoomInVertically = 5.0 * g < high - low;
    out.changed = !(out.range == current);
    return out;
}
