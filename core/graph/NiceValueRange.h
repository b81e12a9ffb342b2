#pragma once

// A limit at this magnitude means "no limit".
inline constexpr double kNoValueLimit = 1e300;

struct ValueRange {
    double lowest = 0.0;
    double highest = 0.0;

    bool operator==(const ValueRange&) const = default;
};

// A value-axis range around the data [lowest, highest] that starts on a round grid value and
// spans ten grid steps, for a channel of the given resolution, kept inside the limits.
ValueRange NiceValueRange(double lowest, double highest, double resolution,
                          double upperLimit = kNoValueLimit, double lowerLimit = -kNoValueLimit);
