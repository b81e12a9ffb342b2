#include "core/graph/NiceValueRange.h"

#include <algorithm>
#include <cmath>

namespace {

double RaisedStep(double step, double magnitude) {
    const double floorStep =
        magnitude > 0.0 ? std::pow(10.0, std::floor(std::log10(magnitude)) - 1.0) : 1e-12;
    return step <= floorStep ? floorStep : step;
}

struct Snapped {
    double bottom;
    double top;
};

Snapped SnapToGrid(double bottom, double top, double grid) {
    return {std::floor(bottom / grid) * grid, std::ceil(top / grid) * grid};
}

} // namespace

ValueRange NiceValueRange(double lowest, double highest, double r, double upper, double lower) {
    if (!(r > 0.0) || !std::isfinite(r))
        r = 1.0;
    double low = std::min(lowest, highest);
    const double high = highest;
    if (high >= 0.0 && high < 5.0 * r && low >= 0.0)
        return {0.0, 5.0 * r};

    const double margin =
        std::max(std::fabs(high + low) / 40.0,
                 std::max({std::fabs(high), std::fabs(low), std::fabs(r)}) / 10000.0);
    double top = high >= 0.0 ? std::ceil((high + margin) / r) * r
                             : std::ceil(std::min(0.0, high + margin) / r) * r;
    if (top > upper) {
        low -= top - upper;
        top = upper;
    }
    double bottom = 0.0;
    const bool bottomAboveLimit = low > upper;
    if (top < lower)
        top = 0.0;
    if (!bottomAboveLimit) {
        if (low < 0.0) {
            bottom = std::floor((low - margin) / r) * r;
        } else {
            bottom = std::floor(std::max(0.0, low - margin) / r) * r;
            if (bottom < 0.0)
                bottom = 0.0;
        }
    }

    const double span = top - bottom;
    r = RaisedStep(r, span);
    r = RaisedStep(r, std::fabs(top) / 10000.0);

    const double n = span / r;
    const int w = n > 200 ? 500 : n > 100 ? 200 : n > 50 ? 100 : n > 20 ? 50 : n > 10 ? 20 : 10;
    double grid = w * r / 10.0;
    Snapped s = SnapToGrid(bottom, top, grid);
    if (s.top - s.bottom < 0.1) {
        const double b = std::floor(s.bottom / 0.01) * 0.01;
        return {b, b + 0.1};
    }
    if ((s.top - s.bottom) / grid > 10.0 && w != 10) {
        grid *= (w == 20 || w == 200) ? 2.5 : 2.0;
        s = SnapToGrid(s.bottom, s.top, grid);
    }
    // Ten steps of the finest grid can fall short of the data's top; it is never cut off.
    return {std::max(s.bottom, lower), std::min(std::max(s.bottom + 10.0 * grid, s.top), upper)};
}
