#pragma once

// Converted values are doubles; these three exact values stand for states instead of
// measurements and must never enter arithmetic, scaling or statistics.
inline constexpr double OverRangeValue = 3.4028230607370965e38;
inline constexpr double UnderRangeValue = -3.4028230607370965e38;
inline constexpr double NoValue = 3.4028228579130005e38;

inline constexpr bool IsValueMarker(double v) {
    return v == OverRangeValue || v == UnderRangeValue || v == NoValue;
}

// The fixed word a script reads for a marker, the same in every language; null for a
// measurement.
inline constexpr const char* MarkerKeyword(double v) {
    if (v == OverRangeValue)
        return "over_range";
    if (v == UnderRangeValue)
        return "under_range";
    if (v == NoValue)
        return "no_value";
    return nullptr;
}
