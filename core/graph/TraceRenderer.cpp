#include "core/graph/TraceRenderer.h"

#include "core/common/Rounding.h"
#include "core/graph/ClippedSegment.h"
#include "core/graph/PixelMath.h"
#include "core/session/ValuePyramid.h"
#include "core/session/ValueScan.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr int kMarkOffset = 3;

} // namespace

TraceRenderer::TraceRenderer(Canvas& canvas, const TraceFrame& frame, const TraceStyle& style)
    : canvas_(canvas), frame_(frame),
      style_(style), solid_{PenStyleType::Solid, 1, style.colour}, dashed_{PenStyleType::Dash, 1,
                                                                           style.colour} {}

int TraceRenderer::FirstVisibleIndex(double base, double perPoint, int count) const {
    const int left = frame_.plot.left;
    const auto visible = [&](int i) { return SaturatingRound(base + i * perPoint) > left; };
    const double guess = std::ceil((left + 0.5 - base) / perPoint);
    int i = guess <= 0.0 ? 0 : guess >= count ? count : static_cast<int>(guess);
    while (i > 0 && visible(i - 1))
        --i;
    while (i < count && !visible(i))
        ++i;
    return i;
}

int TraceRenderer::ValueY(double v) const {
    const double step = frame_.labelStep;
    const double q = step > 0.0 ? std::round(v / step) * step : v;
    return frame_.plot.bottom - TruncateToPixel((q - frame_.lowest) * frame_.pixelsPerUnit + 0.5);
}

void TraceRenderer::Segment(GraphPoint from, GraphPoint to) {
    if (frame_.clip)
        DrawClippedSegment(canvas_, from, to, frame_.clipTop, frame_.clipBottom);
    else
        canvas_.Line(from, to);
}

void TraceRenderer::Stubs() {
    const auto stub = [&](GraphPoint p) { Segment(p, {p.x + 1, p.y}); };
    stub(value_);
    if (style_.envelope) {
        stub(minimum_);
        stub(maximum_);
    }
    penDown_ = false;
}

void TraceRenderer::MoveTo(GraphPoint value, GraphPoint minimum, GraphPoint maximum) {
    if (penDown_) {
        Segment(value_, value);
        if (style_.envelope) {
            Segment(minimum_, minimum);
            Segment(maximum_, maximum);
        }
    }
    value_ = value;
    minimum_ = minimum;
    maximum_ = maximum;
    penDown_ = true;
}

void TraceRenderer::DashedMark(int fromX, int toX, int y) {
    const int end = std::min(toX, frame_.plot.right);
    if (fromX >= end)
        return;
    canvas_.SetPen(dashed_);
    canvas_.Line({fromX, y}, {end, y});
    canvas_.SetPen(solid_);
}

void TraceRenderer::TrackRun(OutOfRangeRun& run, bool inRun, bool lastGroup, int x, int y) {
    if (inRun && !run.open) {
        run.open = true;
        run.start = x + 1;
    }
    if (run.open && (!inRun || lastGroup)) {
        DashedMark(run.start, x + 1, y);
        run.open = false;
    }
}

void TraceRenderer::Draw(const TraceRecord& record, TraceColumnProbe* probe) {
    const int n = static_cast<int>(std::min<std::size_t>(record.values.size(), INT32_MAX));
    if (n <= 0)
        return;
    const GraphRect& plot = frame_.plot;
    const double perPoint = (plot.Width() - 2) * record.duration / frame_.viewSpan /
                            (n < 2 ? 1.0 : static_cast<double>(n - 1));
    if (!(perPoint > 0.0) || !std::isfinite(perPoint))
        return;
    const double base = static_cast<double>(record.startTime - frame_.sessionStart) +
                        record.offset - frame_.viewStart;
    const double x0 = base * frame_.pixelsPerSecond + plot.left + 1;
    const ValueView& values = record.values;

    canvas_.SetPen(solid_);
    penDown_ = false;
    over_ = {};
    under_ = {};

    const int first = FirstVisibleIndex(x0, perPoint, n);
    if (first > 0 && perPoint >= 1.9 && IsRealValue(values[static_cast<std::size_t>(first - 1)])) {
        const GraphPoint entry{plot.left + 1, ValueY(values[static_cast<std::size_t>(first - 1)])};
        MoveTo(entry, entry, entry);
    }

    const double inverse = 1.0 / perPoint;
    const int group = inverse >= 1.0 ? static_cast<int>(std::min<double>(inverse, n)) : 1;
    const bool dashed = style_.dashedOverload;
    int lastX = plot.left;
    bool probing = probe != nullptr;
    for (int64_t i = first; i < n; i += group) {
        const int len = static_cast<int>(std::min<int64_t>(group, n - i));
        const double x = x0 + static_cast<double>(i) * perPoint;
        const int cx = SaturatingRound(x);
        const bool reachesEdge = cx >= plot.right;
        const bool lastGroup = n - i <= group;
        const ValueScan s = values.Scan(i, len);

        if (dashed) {
            TrackRun(over_, s.over, lastGroup || reachesEdge, cx, plot.top - kMarkOffset);
            TrackRun(under_, s.under, lastGroup || reachesEdge, cx, plot.bottom + kMarkOffset);
        }
        if (probing) {
            const TraceColumn column{x,
                                     group,
                                     perPoint,
                                     s.real,
                                     s.under ? UnderRangeValue : s.minimum,
                                     s.over ? OverRangeValue : s.maximum,
                                     s.last,
                                     lastGroup || reachesEdge,
                                     i};
            probing = !probe->TakeColumn(column);
            canvas_.SetPen(solid_);
        }
        lastX = cx;
        if (reachesEdge)
            break;
        if (s.real > 0) {
            const GraphPoint value{cx, ValueY(s.last)};
            const bool spread = style_.envelope && s.real >= 2;
            const GraphPoint low = spread && !s.under ? GraphPoint{cx, ValueY(s.minimum)} : value;
            const GraphPoint high = spread && !s.over ? GraphPoint{cx, ValueY(s.maximum)} : value;
            MoveTo(value, low, high);
        } else if (penDown_) {
            Stubs();
        }
    }
    if (penDown_ && lastX < plot.right)
        Stubs();
}
