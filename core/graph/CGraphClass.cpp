#include "core/graph/CGraphClass.h"

#include "core/common/Rounding.h"
#include "core/common/StringTable.h"
#include "core/graph/PixelMath.h"
#include "core/graph/TimeAxis.h"
#include "core/graph/ValueAxis.h"
#include "core/graph/ValueRangeZoom.h"
#include "core/session/CRecSession.h"

#include <algorithm>
#include <cmath>

namespace {

bool IsLimit(double v) {
    return std::fabs(v) < kNoValueLimit;
}

} // namespace

void CGraphClass::SetChannelSource(const CRecSession* session) {
    session_ = session;
    MarkDirty();
}

void CGraphClass::SetUnitText(const QString& unit) {
    if (unit != unitText_)
        MarkDirty();
    unitText_ = unit;
}

void CGraphClass::EnableCursor() {
    cursor_.Enable();
    cursor_.ResetReadouts();
    MarkDirty();
}

void CGraphClass::SetValueAxisMode(ValueAxisModeType mode) {
    axisMode_ = mode;
    leftLabelWidth_ = 0;
    MarkDirty();
}

void CGraphClass::SetValueLimits(double lower, double upper) {
    lowerLimit_ = lower;
    upperLimit_ = upper;
    MarkDirty();
}

TraceColours CGraphClass::Colours() const {
    return ThemedColours(settings_ ? settings_->GraphColours() : TraceColours{}, theme_.dark);
}

void CGraphClass::SetTimeFrame(qint64 sessionStart, double totalSpan, int samplePeriod) {
    sessionStart_ = sessionStart;
    samplePeriod_ = std::max(1, samplePeriod);
    window_.SetTotalSpan(totalSpan);
}

GraphRect CGraphClass::ComputeInnerRect(const GraphRect& outer, const Canvas* canvas) {
    const bool normal = axisMode_ == ValueAxisModeType::Normal;
    const int cw = CharWidth();
    const int lh = LineHeight();
    if (leftLabelWidth_ == 0)
        leftLabelWidth_ = normal ? 7 * cw : cw / 2;
    GraphRect r = outer;
    r.top += lh / 2;
    r.bottom -= 5 * lh / 2 + (cursor_.IsEnabled() ? lh : 0);
    r.right -= cw / 2;
    r.left += leftLabelWidth_ + (normal ? cw : 0);
    r.left += (canvas ? canvas->MeasureText(unitText_).width : 0) + 4;
    return r;
}

// Markers never reach this; a flat or empty range still maps to the plot.
CGraphClass::ValueMapping CGraphClass::Mapping() const {
    double low = range_.lowest;
    double high = range_.highest;
    if (low == 0.0 && high == 0.0) {
        low = -1.0;
        high = 1.0;
    }
    const double perUnit = high == low ? 1.0 : PlotRect().Height() / (high - low);
    return {low, perUnit};
}

void CGraphClass::ScaleValueAxisTo(const ValueExtent& extent) {
    const double lowest =
        extent.Empty() ? 0.0 : std::clamp(extent.lowest, lowerLimit_, upperLimit_);
    const double highest =
        extent.Empty() ? 0.0 : std::clamp(extent.highest, lowerLimit_, upperLimit_);
    range_ = NiceValueRange(lowest, highest, resolution_, upperLimit_, lowerLimit_);
    canZoomInVertically_ = (range_.highest - range_.lowest) / resolution_ > 5.0;
    autoValueRange_ = true;
}

void CGraphClass::BeginPass(Canvas& canvas) {
    Layout(&canvas, true);
    backgroundDrawn_ = false;
    layoutChanged_ = false;
    theme_ = settings_ && !IsPrinting() ? settings_->Theme() : GraphTheme{};
    cursorPlaced_ = false;
    if (cursor_.IsEnabled())
        cursor_.ResetReadouts();
    canvas.FillRect(DrawingRect(), theme_.window);
    // On screen the frame marks the graph's area; on a page it would be a stray line beside
    // the value labels and across the time axis.
    if (!canvas.IsPrinter())
        canvas.FrameRect(DrawingRect(), theme_.ink);
}

void CGraphClass::DrawBackground(Canvas& canvas, const GraphTrace& trace,
                                 const ValueMapping& mapping) {
    const GraphRect& plot = PlotRect();
    canvas.FillRect(DrawingRect(), theme_.window);
    canvas.FillRect(plot, Colours().graphBackground);
    if (axisMode_ != ValueAxisModeType::None) {
        ValueAxisLayout axis;
        axis.plot = plot;
        axis.drawing = DrawingRect();
        axis.charWidth = CharWidth();
        axis.lowest = mapping.lowest;
        axis.pixelsPerUnit = mapping.pixelsPerUnit;
        axis.labelStep = resolution_;
        axis.unitText = unitText_;
        axis.twoState = trace.channel && trace.channel->Flags().event;
        axis.polarity = trace.channel ? trace.channel->Polarity() : true;
        axis.ink = theme_.ink;
        const int widest = DrawValueAxis(canvas, axis);
        if (widest != leftLabelWidth_) {
            leftLabelWidth_ = widest;
            layoutChanged_ = true;
        }
    }
    DrawTimeAxis(canvas, {plot, LineHeight(), cursor_.IsEnabled(), sessionStart_, window_.Start(),
                          window_.Span(), pixelsPerSecond_, theme_.ink});
    canvas.SetPen({PenStyleType::Solid, 1, theme_.ink});
    canvas.Line({plot.left, plot.top}, {plot.right, plot.top});
    canvas.Line({plot.right, plot.top}, {plot.right, plot.bottom});
    canvas.Line({plot.right, plot.bottom}, {plot.left, plot.bottom});
    canvas.Line({plot.left, plot.bottom}, {plot.left, plot.top});
    backgroundDrawn_ = true;
}

void CGraphClass::DrawTrace(Canvas& canvas, const GraphTrace& trace) {
    const GraphRect& plot = PlotRect();
    if (plot.Width() < 1 || plot.Height() < 1) {
        canvas.Text({DrawingRect().left, DrawingRect().top}, ResourceString(TextId::kPlotTooSmall));
        return;
    }
    if (window_.Span() == 0.0 || trace.record.duration == 0.0)
        return;
    pixelsPerSecond_ = (plot.Width() - 2) / window_.Span();
    const ValueMapping mapping = Mapping();
    if (!backgroundDrawn_)
        DrawBackground(canvas, trace, mapping);

    TraceFrame frame;
    frame.plot = plot;
    frame.clipTop = ClipRect().top;
    frame.clipBottom = ClipRect().bottom;
    frame.clip = clip_;
    frame.sessionStart = sessionStart_;
    frame.viewStart = window_.Start();
    frame.viewSpan = window_.Span();
    frame.pixelsPerSecond = pixelsPerSecond_;
    frame.lowest = mapping.lowest;
    frame.pixelsPerUnit = mapping.pixelsPerUnit;
    frame.labelStep = resolution_;
    TraceRenderer renderer(canvas, frame, {trace.colour, envelope_, DashedOverload()});

    if (!cursor_.IsEnabled() || cursorPlaced_ || !trace.channel || !trace.source) {
        renderer.Draw(trace.record, nullptr);
        return;
    }
    const CursorFrame cursorFrame{plot,
                                  canvas.IsPrinter(),
                                  trace.source,
                                  pixelsPerSecond_,
                                  trace.pointPeriod,
                                  Colours().cursor};
    CursorProbe probe(cursor_, cursorFrame, *trace.channel, canvas);
    renderer.Draw(trace.record, &probe);
    cursorPlaced_ = probe.Placed();
}

void CGraphClass::DrawAlarmLimits(Canvas& canvas, const AlarmLimits& limits) {
    if (!backgroundDrawn_ || !limits.Any())
        return;
    const GraphRect& plot = PlotRect();
    const ValueMapping m = Mapping();
    canvas.SetPen({PenStyleType::Dash, 1, Colours().alarmLimits});
    for (const std::optional<double>& limit : {limits.low, limits.high}) {
        if (!limit)
            continue;
        const double height = (*limit - m.lowest) * m.pixelsPerUnit;
        if (height < 0.0 || height > plot.Height())
            continue;
        const int y = plot.bottom - TruncateToPixel(height + 0.5);
        canvas.Line({plot.left + 1, y}, {plot.right, y});
    }
}

std::optional<int> CGraphClass::CursorAnchor() const {
    return cursor_.IsEnabled() ? std::optional<int>(cursor_.Offset()) : std::nullopt;
}

void CGraphClass::ZoomIn() {
    const std::optional<int> offset = window_.ZoomIn(InnerRect().Width(), CursorAnchor());
    if (offset)
        cursor_.SetOffset(*offset);
    MarkDirty();
}

void CGraphClass::ZoomOut() {
    const std::optional<int> offset = window_.ZoomOut(InnerRect().Width(), CursorAnchor());
    if (offset)
        cursor_.SetOffset(*offset);
    MarkDirty();
}

void CGraphClass::ZoomToPixelRange(int x1, int x2) {
    window_.ZoomToPixelRange(x1, x2, InnerRect().left, InnerRect().right);
    MarkDirty();
}

// Rows at or beyond the limit lines (the plot's edges, or a value limit inside the plot)
// stand for the current range's own ends.
double CGraphClass::ValueAtRow(int y) const {
    const GraphRect& plot = InnerRect();
    const ValueMapping m = Mapping();
    const auto rowOf = [&](double v) { return plot.bottom - (v - m.lowest) * m.pixelsPerUnit; };
    const double upperLine =
        IsLimit(upperLimit_) ? std::max<double>(plot.top, rowOf(upperLimit_)) : plot.top;
    const double lowerLine =
        IsLimit(lowerLimit_) ? std::min<double>(plot.bottom, rowOf(lowerLimit_)) : plot.bottom;
    if (y <= upperLine)
        return range_.highest;
    if (y >= lowerLine)
        return range_.lowest;
    return (plot.bottom - y - 0.5) / m.pixelsPerUnit + m.lowest;
}

void CGraphClass::ZoomToRect(const GraphRect& rect) {
    const GraphRect r = rect.Normalized().Intersected(InnerRect());
    if (r.left > r.right || r.top > r.bottom)
        return;
    ZoomToPixelRange(r.left, r.right);
    const NarrowedValueRange narrowed =
        NarrowValueRange(range_, resolution_, ValueAtRow(r.top), ValueAtRow(r.bottom));
    range_ = narrowed.range;
    canZoomInVertically_ = narrowed.canZoomInVertically;
    if (narrowed.changed)
        autoValueRange_ = false;
    ClearDirty();
}

void CGraphClass::ZoomBack() {
    if (!window_.CanZoomBack())
        return;
    window_.ZoomBack();
    MarkDirty();
}

void CGraphClass::ZoomToAll() {
    window_.ZoomToAll();
    autoValueRange_ = true;
    MarkDirty();
}

void CGraphClass::SetViewWindow(double start, double span, int channel, int record) {
    if (!session_ || channel < 0 || channel >= session_->ChanData().ChannelCount())
        return;
    if (record < 0 || record >= session_->ChanData().Channel(channel).RecordCount())
        return;
    if (window_.SetWindow(start - static_cast<double>(sessionStart_), span))
        MarkDirty();
}

GraphViewState CGraphClass::ViewState() const {
    return {window_, range_, autoValueRange_, canZoomInVertically_, cursor_.Offset()};
}

void CGraphClass::RestoreViewState(const GraphViewState& state) {
    window_ = state.window;
    range_ = state.range;
    autoValueRange_ = state.automaticValueRange;
    canZoomInVertically_ = state.canZoomInVertically;
    cursor_.SetOffset(state.cursorOffset);
    // A value range the user narrowed is drawn as it was; any other follows the data.
    if (autoValueRange_)
        MarkDirty();
    else
        ClearDirty();
}

bool CGraphClass::OpenZoomDialog(const std::function<bool(ZoomToModel&)>& runDialog) {
    ZoomToModel model(sessionStart_, sessionStart_ + SaturatingRound(window_.TotalSpan()),
                      samplePeriod_);
    if (!runDialog(model))
        return false;
    const qint64 start = model.ChosenStart();
    const qint64 end = model.ChosenEnd();
    const bool whole = start == model.RangeStart() && end == model.RangeEnd();
    const bool changed = whole ? window_.ShowWhole()
                               : window_.SetWindow(static_cast<double>(start - sessionStart_),
                                                   static_cast<double>(end - start));
    if (changed)
        MarkDirty();
    return true;
}

void CGraphClass::PlaceCursor(int x) {
    cursor_.PlaceAt(x, InnerRect());
}

void CGraphClass::PlaceCursorAtTime(double seconds) {
    const double x = InnerRect().left + 1 + (seconds - window_.Start()) * pixelsPerSecond_;
    PlaceCursor(SaturatingRound(x));
}

QString CGraphClass::CursorReadoutText() const {
    if (!cursor_.IsEnabled() || cursor_.Label().isEmpty())
        return QString();
    return FormatResource(TextId::kCursorReadout,
                          {cursor_.Value().WithUnit(unitText_), cursor_.Label()});
}
