#include "core/session/LimitStatistics.h"

#include "core/common/Temperature.h"
#include "core/common/ValueMarkers.h"

#include <cmath>

namespace {

enum class SideType { Inside, Above, Below, Unknown };

SideType SideOf(double v, const AlarmLimits& limits) {
    if (v == NoValue)
        return SideType::Unknown;
    if (limits.high && (v == OverRangeValue || (v != UnderRangeValue && v > *limits.high)))
        return SideType::Above;
    if (limits.low && (v == UnderRangeValue || (v != OverRangeValue && v < *limits.low)))
        return SideType::Below;
    return SideType::Inside;
}

} // namespace

LimitStatistics LimitStatisticsOf(std::span<const double> values, const AlarmLimits& limits,
                                  double periodSeconds) {
    LimitStatistics out;
    if (!limits.Any())
        return out;
    int64_t above = 0;
    int64_t below = 0;
    SideType run = SideType::Inside;
    for (const double v : values) {
        const SideType side = SideOf(v, limits);
        if (side == SideType::Unknown)
            continue;
        if (side == SideType::Above)
            ++above;
        else if (side == SideType::Below)
            ++below;
        if (side != SideType::Inside && side != run)
            ++out.excursions;
        run = side;
    }
    out.timeAboveSeconds = static_cast<double>(above) * periodSeconds;
    out.timeBelowSeconds = static_cast<double>(below) * periodSeconds;
    return out;
}

std::optional<double> MeanKineticTemperature(std::span<const double> values, bool fahrenheit,
                                             double activationKelvin) {
    if (!(activationKelvin > 0.0))
        return std::nullopt;
    // Sum of e^(x - shift) with x = -ΔH/(R·T) and shift the largest x seen so far, so that no
    // term overflows or vanishes whatever the temperatures.
    double shift = 0.0;
    double sum = 0.0;
    int64_t count = 0;
    for (const double v : values) {
        if (IsValueMarker(v))
            continue;
        const double kelvin = DisplayToKelvin(v, fahrenheit);
        if (!(kelvin > 0.0))
            continue;
        const double x = -activationKelvin / kelvin;
        if (count == 0) {
            shift = x;
            sum = 1.0;
        } else if (x > shift) {
            sum = sum * std::exp(shift - x) + 1.0;
            shift = x;
        } else {
            sum += std::exp(x - shift);
        }
        ++count;
    }
    if (count == 0)
        return std::nullopt;
    const double logMean = shift + std::log(sum / static_cast<double>(count));
    return KelvinToDisplay(activationKelvin / -logMean, fahrenheit);
}
