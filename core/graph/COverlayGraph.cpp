#include "core/graph/COverlayGraph.h"

#include "core/common/Rounding.h"
#include "core/common/StringTable.h"
#include "core/common/TimeFormat.h"
#include "core/graph/AxisTextPlacer.h"
#include "core/graph/OverlaySessions.h"
#include "core/session/CRecSession.h"
#include "core/session/ChannelTexts.h"
#include "core/session/ValueScan.h"

#include <algorithm>

namespace {

constexpr int kLegendSwatch = 24;

} // namespace

void COverlayGraph::SetSessions(std::vector<const CRecSession*> sessions) {
    sessions_ = std::move(sessions);
    runs_.clear();
    std::vector<OverlaySeries> series;
    for (std::size_t s = 0; s < sessions_.size(); ++s) {
        const CChanData& chan = sessions_[s]->ChanData();
        if (chan.ChannelCount() == 0)
            continue;
        const CChanRecordList& list = chan.Channel(0);
        for (int r = 0; r < list.RecordCount(); ++r) {
            const CChanRecord& record = list.Record(r);
            const int n =
                static_cast<int>(std::min<std::size_t>(record.Values().size(), INT32_MAX));
            runs_.push_back({static_cast<int>(s), &record});
            series.push_back({chan.FirstValueTime(record), chan.ValuePeriod(), n});
        }
    }
    timeline_ = OverlayTimeline(std::move(series));
    // The first session answers for the window's checks of channel and record.
    SetChannelSource(sessions_.empty() ? nullptr : sessions_.front());
    if (!sessions_.empty())
        SetUnitText(sessions_.front()->DisplayUnits());
    ResetView();
}

ColorRef COverlayGraph::TraceColour(int session) const {
    if (sessions_.empty())
        return 0;
    const int group = sessions_.front()->Entry().ColourGroup;
    return OverlayTraceColour(session, Colours().TraceColourOfGroup(group));
}

void COverlayGraph::Rescale() {
    ValueExtent extent;
    for (int i = 0; i < timeline_.Count(); ++i) {
        const Run& run = runs_[static_cast<std::size_t>(i)];
        const PointRange range = timeline_.Visible(i, ViewStart(), ViewSpan());
        const int count = range.end - range.first;
        if (count > 0)
            extent.Add(run.Values().Scan(range.first, count));
    }
    ScaleValueAxisTo(extent);
}

void COverlayGraph::DrawPass(Canvas& canvas) {
    BeginPass(canvas);
    for (int i = 0; i < timeline_.Count(); ++i) {
        const Run& run = runs_[static_cast<std::size_t>(i)];
        const OverlaySeries& s = timeline_.Series(i);
        GraphTrace trace;
        const ValueView values = run.Values();
        const auto n = static_cast<double>(values.size());
        trace.record = {s.start, values, 0.0, std::max(0.0, n - 1.0) * s.period};
        trace.colour = TraceColour(run.session);
        trace.pointPeriod = s.period;
        // No channel: the cursor reads every session itself, not the first column offered.
        DrawTrace(canvas, trace);
    }
    DrawLegend(canvas);
    if (CursorEnabled())
        DrawCursor(canvas);
}

void COverlayGraph::DrawLegend(Canvas& canvas) {
    const GraphRect& plot = PlotRect();
    const int lh = LineHeight();
    const int cw = CharWidth();
    int width = 0;
    for (int s = 0; s < SessionCount(); ++s)
        width = std::max(width, canvas.MeasureText(OverlayName(SessionAt(s))).width);
    const GraphRect box{plot.left + cw, plot.top + lh / 2,
                        plot.left + 3 * cw + kLegendSwatch + width + 1,
                        plot.top + lh / 2 + SessionCount() * lh + lh / 2};
    if (box.right >= plot.right || box.bottom >= plot.bottom)
        return;
    canvas.FillRect(box, Colours().graphBackground);
    // Lines, not a frame: a frame stands for the start of a drawing pass.
    canvas.SetPen({PenStyleType::Solid, 1, Theme().ink});
    canvas.Line({box.left, box.top}, {box.right, box.top});
    canvas.Line({box.right, box.top}, {box.right, box.bottom});
    canvas.Line({box.right, box.bottom}, {box.left, box.bottom});
    canvas.Line({box.left, box.bottom}, {box.left, box.top});
    for (int s = 0; s < SessionCount(); ++s) {
        const int top = box.top + lh / 4 + s * lh;
        const int x = box.left + cw / 2;
        canvas.SetPen({PenStyleType::Solid, 2, TraceColour(s)});
        canvas.Line({x, top + lh / 2}, {x + kLegendSwatch, top + lh / 2});
        canvas.SetPen({PenStyleType::Solid, 1, Theme().ink});
        canvas.Text({x + kLegendSwatch + cw, top}, OverlayName(SessionAt(s)));
    }
}

void COverlayGraph::DrawCursor(Canvas& canvas) {
    const GraphRect& plot = PlotRect();
    const double pixelsPerSecond = (plot.Width() - 2) / ViewSpan();
    cursorTime_ = ViewStart() + CursorOffset() / pixelsPerSecond;
    const int x = plot.left + 1 + CursorOffset();
    canvas.SetPen({PenStyleType::Solid, 1, Colours().cursor});
    canvas.Line({x, plot.top}, {x, plot.bottom + 2});
    const qint64 at = timeline_.Origin() + SaturatingRound(cursorTime_);
    const QString time = FormatTimeOfDay(at, 0);
    DrawFirstThatFits(canvas, {FormatShortDate(at) + u' ' + time, time}, x, plot.bottom + 2,
                      plot.left, plot.right);
}

QString COverlayGraph::CursorReading(int session) const {
    for (int i = 0; i < timeline_.Count(); ++i) {
        const Run& run = runs_[static_cast<std::size_t>(i)];
        if (run.session != session)
            continue;
        const ValueView values = run.Values();
        // The timeline may predate a recompute that changed the number of values.
        if (const std::optional<int> k = timeline_.IndexAt(i, cursorTime_);
            k && static_cast<std::size_t>(*k) < values.size()) {
            const CRecSession& s = SessionAt(session);
            return ChannelTexts(s.ChanData())
                .ValueText(values[static_cast<std::size_t>(*k)], s.DisplayUnits());
        }
    }
    return ResourceString(TextId::kNoValue);
}

bool COverlayGraph::Draw(Canvas& canvas) {
    const bool printer = canvas.IsPrinter();
    bool drawable = false;
    for (const Run& run : runs_)
        drawable = drawable || run.Values().size() > 1;
    if (!drawable)
        return printer;
    int period = 0;
    double resolution = 0.0;
    for (const CRecSession* s : sessions_) {
        const int p = s->ChanData().ValuePeriodSeconds();
        period = period == 0 ? p : std::min(period, p);
        const double r = s->ChanData().DisplayResolution();
        resolution = resolution == 0.0 ? r : std::min(resolution, r);
    }
    SetTimeFrame(timeline_.Origin(), timeline_.TotalSpan(), period);
    SetResolution(resolution > 0.0 ? resolution : 1.0);
    if (IsDirty() && !printer)
        Rescale();
    DrawPass(canvas);
    if (LayoutChanged())
        DrawPass(canvas);
    ClearDirty();
    return printer;
}
