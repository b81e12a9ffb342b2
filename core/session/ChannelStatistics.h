#pragma once

#include "core/session/ValueStatus.h"

#include <span>

class CChanData;

struct RangeStatisticsValues {
    StatValue min, max, avg, last, total;
    double eventTotalSeconds = 0.0; // event channels only
};

// Statistics over a window [first, last] of a channel's first record, clamped to it, or over
// the whole record without a window; event states count as on by the channel's polarity.
RangeStatisticsValues RangeStatisticsOf(const CChanData& data, bool useWindow, int first, int last);
// The analog values such a window covers: none for event records, which have neither alarm
// limits nor a kinetic temperature.
std::span<const double> WindowValues(const CChanData& data, bool useWindow, int first, int last);
// Active time of the events over states [first, end), in seconds from the record start.
double EventWindowTotalSeconds(const CChanData& data, int first, int end);
