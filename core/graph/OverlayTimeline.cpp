#include "core/graph/OverlayTimeline.h"

#include <algorithm>
#include <cmath>

namespace {

// Times are whole seconds plus multiples of a period: a sample that the cursor sits on
// exactly may land a rounding error below it.
constexpr double kSameInstant = 1e-9;

} // namespace

OverlayTimeline::OverlayTimeline(std::vector<OverlaySeries> series) : series_(std::move(series)) {
    bool any = false;
    for (const OverlaySeries& s : series_) {
        if (s.count <= 0)
            continue;
        origin_ = any ? std::min(origin_, s.start) : s.start;
        any = true;
    }
    for (int i = 0; i < Count(); ++i)
        if (Series(i).count > 0)
            total_ = std::max(total_, LastOffset(i));
}

double OverlayTimeline::Period(int i) const {
    const double p = Series(i).period;
    return p > 0.0 ? p : 1.0;
}

double OverlayTimeline::FirstOffset(int i) const {
    return static_cast<double>(Series(i).start - origin_);
}

double OverlayTimeline::LastOffset(int i) const {
    return FirstOffset(i) + std::max(0, Series(i).count - 1) * Period(i);
}

PointRange OverlayTimeline::Visible(int i, double viewStart, double viewSpan) const {
    const int n = Series(i).count;
    if (n <= 0 || FirstOffset(i) > viewStart + viewSpan || LastOffset(i) < viewStart)
        return {};
    const PointRange r = VisiblePointRange(FirstOffset(i), Period(i), n, viewStart, viewSpan);
    return {std::min(r.first, n), std::min(r.end, n)};
}

std::optional<int> OverlayTimeline::IndexAt(int i, double seconds) const {
    const int n = Series(i).count;
    if (n <= 0)
        return std::nullopt;
    const double position = (seconds - FirstOffset(i)) / Period(i);
    if (position < -kSameInstant || position > n - 1 + kSameInstant)
        return std::nullopt;
    return std::clamp(static_cast<int>(std::floor(position + kSameInstant)), 0, n - 1);
}
