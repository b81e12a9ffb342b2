#include "core/session/ChannelStatistics.h"

#include "core/common/ValueMarkers.h"
#include "core/session/CChanData.h"

#include <algorithm>
#include <cstdint>

namespace {

// The indices [lo, hi] of `count` values a window [first, last] covers, clamped to the record;
// the whole record without a window. hi < lo when it covers none.
struct WindowBounds {
    int lo;
    int hi;
};
WindowBounds WindowOf(bool useWindow, int first, int last, int count) {
    if (!useWindow)
        return {0, count - 1};
    return {std::max(0, std::min(first, count - 1)),
            last >= 0 && last <= count - 1 ? last : count - 1};
}

// Event states are all values, 1.0 or 0.0: their figures follow from how many are on, which
// whole words count at once, as a state-by-state pass would give them.
RangeStatisticsValues StateStatistics(const CChanData& data, const ValueView& states, int lo,
                                      int hi) {
    RangeStatisticsValues out;
    if (hi < lo)
        return out;
    const int64_t counted = static_cast<int64_t>(hi) - lo + 1;
    const int64_t on = states.OnCount(lo, static_cast<int64_t>(hi) + 1);
    const auto sum = static_cast<double>(on);
    out.min = {ValueStatusType::Valid, on == counted ? 1.0 : 0.0};
    out.max = {ValueStatusType::Valid, on > 0 ? 1.0 : 0.0};
    out.avg = {ValueStatusType::Valid, sum / static_cast<double>(counted)};
    out.total = {ValueStatusType::Valid, sum};
    out.last = {ValueStatusType::Valid, states[static_cast<std::size_t>(hi)]};
    // The window's last state is in it: its time runs to the start of the next one.
    out.eventTotalSeconds = EventWindowTotalSeconds(data, lo, hi + 1);
    return out;
}

} // namespace

std::span<const double> WindowValues(const CChanData& data, bool useWindow, int first, int last) {
    if (!data.HasRecord() || data.Flags().event)
        return {};
    const std::span<const double> values = data.FirstRecord().Samples().AnalogValues();
    const int count = static_cast<int>(std::min<std::size_t>(values.size(), INT32_MAX));
    if (count == 0)
        return {};
    const auto [lo, hi] = WindowOf(useWindow, first, last, count);
    if (hi < lo)
        return {};
    return std::span<const double>(values).subspan(static_cast<std::size_t>(lo),
                                                   static_cast<std::size_t>(hi - lo + 1));
}

RangeStatisticsValues RangeStatisticsOf(const CChanData& data, bool useWindow, int first,
                                        int last) {
    RangeStatisticsValues out;
    if (!data.HasRecord())
        return out;
    const ValueView values = data.FirstRecord().Samples().StateValues(data.Polarity());
    const int count = static_cast<int>(std::min<std::size_t>(values.size(), INT32_MAX));
    if (count == 0)
        return out;
    const auto [lo, hi] = WindowOf(useWindow, first, last, count);
    if (values.IsStates())
        return StateStatistics(data, values, lo, hi);
    ValueStatusType minStatus = ValueStatusType::NoValue;
    ValueStatusType maxStatus = ValueStatusType::NoValue;
    double mn = 0.0, mx = 0.0, sum = 0.0;
    int64_t counted = 0;
    for (int i = lo; i <= hi; ++i) {
        const double v = values[static_cast<std::size_t>(i)];
        if (v == OverRangeValue) {
            maxStatus = ValueStatusType::OverRange;
        } else if (v == UnderRangeValue) {
            minStatus = ValueStatusType::UnderRange;
        } else if (v != NoValue) {
            if (counted++ == 0) {
                mn = mx = sum = v;
            } else {
                mn = std::min(mn, v);
                mx = std::max(mx, v);
                sum += v;
            }
            if (maxStatus != ValueStatusType::OverRange)
                maxStatus = ValueStatusType::Valid;
            if (minStatus != ValueStatusType::UnderRange)
                minStatus = ValueStatusType::Valid;
        }
    }
    out.min = {minStatus, mn};
    out.max = {maxStatus, mx};
    if (counted > 0)
        out.avg = {ValueStatusType::Valid, sum / static_cast<double>(counted)};
    else if (maxStatus == ValueStatusType::OverRange)
        out.avg = {ValueStatusType::OverRange, 0.0};
    else if (minStatus == ValueStatusType::UnderRange)
        out.avg = {ValueStatusType::UnderRange, 0.0};
    out.total = {out.avg.status, sum};
    if (lo <= hi) {
        const double v = values[static_cast<std::size_t>(hi)];
        out.last = {ValueStatusOf(v), v};
    }
    // The window's last state is in it: its time runs to the start of the next one.
    if (data.Flags().event)
        out.eventTotalSeconds = EventWindowTotalSeconds(data, lo, hi + 1);
    return out;
}

double EventWindowTotalSeconds(const CChanData& data, int first, int end) {
    const int count = data.ValueCount();
    if (count == 0 || data.Events().empty() || !data.HasRecord())
        return 0.0;
    const int64_t lo = std::max(0, std::min(first, count - 1));
    const int64_t hi = std::min(end, count);
    const int64_t windowStart = EventStateOffsetMs(lo);
    const int64_t windowEnd = EventStateOffsetMs(hi);
    const int64_t base = data.FirstValueTime(data.FirstRecord());
    int64_t totalMs = 0;
    for (const SessionEvent& e : data.Events()) {
        const int64_t start = (e.startSeconds - base) * 1000 + e.startMs;
        const int64_t end = start + e.lengthSeconds * 1000 + e.lengthMs;
        const int64_t overlap = std::min(end, windowEnd) - std::max(start, windowStart);
        if (overlap > 0)
            totalMs += overlap;
    }
    return static_cast<double>(totalMs) / 1000.0;
}
