#pragma once

#include <cstdint>
#include <optional>
#include <span>

// A session's optional alarm limits, in its display unit.
struct AlarmLimits {
    std::optional<double> low;
    std::optional<double> high;

    bool Any() const { return low.has_value() || high.has_value(); }
    bool operator==(const AlarmLimits&) const = default;
};

// Time out of range over a window of points, each point standing for one sample period.
// A point is above only when strictly above the high limit (below: strictly below the low);
// the over-range marker counts as above and the under-range marker as below. A point without
// a value (a gap) adds no time and neither ends nor starts an excursion. An excursion is a run
// of points on the same side; one already running at the window's first point counts once.
struct LimitStatistics {
    double timeAboveSeconds = 0.0;
    double timeBelowSeconds = 0.0;
    int64_t excursions = 0;

    bool operator==(const LimitStatistics&) const = default;
};

LimitStatistics LimitStatisticsOf(std::span<const double> values, const AlarmLimits& limits,
                                  double periodSeconds);

// Mean kinetic temperature of the valid points, which are in °C or °F; in that unit. Gaps,
// range markers and points at or below absolute zero are left out; none left gives nothing.
std::optional<double> MeanKineticTemperature(std::span<const double> values, bool fahrenheit,
                                             double activationKelvin);
