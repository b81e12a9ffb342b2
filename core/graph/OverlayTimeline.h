#pragma once

#include "core/graph/CTrendGraph.h"

#include <QtGlobal>
#include <optional>
#include <vector>

// One run of values on a recording's own clock.
struct OverlaySeries {
    qint64 start = 0;    // time stamp of value 0
    double period = 1.0; // seconds between two values
    int count = 0;
};

// Runs of several recordings placed on one clock: time 0 is the earliest value 0 of them
// all, so each run keeps its own start and period.
class OverlayTimeline {
public:
    OverlayTimeline() = default;
    explicit OverlayTimeline(std::vector<OverlaySeries> series);

    int Count() const { return static_cast<int>(series_.size()); }
    const OverlaySeries& Series(int i) const { return series_[static_cast<std::size_t>(i)]; }
    qint64 Origin() const { return origin_; }
    // To the latest last value: the union of every run's time range.
    double TotalSpan() const { return total_; }
    // Seconds from the origin to value 0, and to the last value, of run i.
    double FirstOffset(int i) const;
    double LastOffset(int i) const;

    // The values of run i in the view [viewStart, viewStart + viewSpan] (seconds from the
    // origin), as the single-recording graph counts them; empty when the run lies wholly
    // before or after the view.
    PointRange Visible(int i, double viewStart, double viewSpan) const;
    // The value of run i in force `seconds` after the origin: the last one taken at or
    // before that time; none before its first value or after its last.
    std::optional<int> IndexAt(int i, double seconds) const;

private:
    double Period(int i) const;

    std::vector<OverlaySeries> series_;
    qint64 origin_ = 0;
    double total_ = 0.0;
};
