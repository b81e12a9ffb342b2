#pragma once

// Converted values are doubles; these three exact values stand for states instead of
// measurements and must never enter arithmetic, scaling or statistics.
inline constexpr double OverRangeValue = 3.4028230607370965e38;
inline constexpr double UnderRangeValue = -3.4028230607370965e38;
inline constexpr double NoValue = 3.4028228579130005e38;

inline constexpr bool IsValueMarker(double v) {
    return v == OverRangeValue || v == UnderRangeValue || v == NoValue;
}
