#include "core/graph/CTrendGraph.h"

#include "core/common/Rounding.h"
#include "core/session/CRecSession.h"
#include "core/session/ValueScan.h"

#include <algorithm>
#include <cmath>

namespace {

int ClampedIndex(double i) {
    return i <= 0.0 ? 0 : i >= 2147483647.0 ? 2147483647 : static_cast<int>(i);
}

} // namespace

PointRange VisiblePointRange(double offset, double period, int count, double viewStart,
                             double viewSpan) {
    const double p = period > 0.0 ? period : 1.0;
    const int first = offset >= viewStart ? 0 : ClampedIndex(std::ceil((viewStart - offset) / p));
    // Limited to the record before the check, so that a view past its end never gives an
    // end before the first index.
    const int end = static_cast<int>(std::min<int64_t>(
        int64_t{SaturatingRound((viewStart + viewSpan - offset) / p)} + 1, count));
    if (first >= end)
        return {first, first == 2147483647 ? first : first + 1};
    return {first, end};
}

void CTrendGraph::SetChannelMask(uint32_t mask) {
    if (mask != channelMask_)
        MarkDirty();
    channelMask_ = mask;
}

void CTrendGraph::SetFixedTotalSpan(double seconds) {
    fixedTotalSpan_ = true;
    fixedSpan_ = seconds;
    MarkDirty();
}

void CTrendGraph::ClearFixedTotalSpan() {
    fixedTotalSpan_ = false;
    MarkDirty();
}

int CTrendGraph::LargestPointCount() const {
    const CChanData& chan = Session()->ChanData();
    std::size_t largest = 0;
    for (int c = 0; c < chan.ChannelCount(); ++c) {
        if (!InMask(c))
            continue;
        const CChanRecordList& list = chan.Channel(c);
        for (int r = 0; r < list.RecordCount(); ++r)
            largest = std::max(largest, list.Record(r).Values().size());
    }
    return static_cast<int>(std::min<std::size_t>(largest, 2147483647));
}

// The records' own times decide, so that a live recording, whose session has no start of
// its own, is placed like a loaded one; the time axis starts at the first value.
double CTrendGraph::RecordOffset(const CChanRecord& record, qint64 sessionStart) const {
    return static_cast<double>(Session()->ChanData().FirstValueTime(record) - sessionStart);
}

CTrendGraph::Timeline CTrendGraph::MakeTimeline() const {
    const CRecSession& session = *Session();
    const CChanData& chan = session.ChanData();
    Timeline t;
    t.pointPeriod = chan.ValuePeriod();
    t.samplePeriod = chan.ValuePeriodSeconds();
    t.sessionStart =
        chan.HasRecord() ? chan.FirstValueTime(chan.FirstRecord()) : session.StartTime();
    for (int c = 0; c < chan.ChannelCount(); ++c) {
        if (!InMask(c))
            continue;
        const CChanRecordList& list = chan.Channel(c);
        for (int r = 0; r < list.RecordCount(); ++r) {
            const CChanRecord& record = list.Record(r);
            const auto n = static_cast<double>(record.Values().size());
            const double end =
                RecordOffset(record, t.sessionStart) + std::max(0.0, n - 1.0) * t.pointPeriod;
            t.totalSpan = std::max(t.totalSpan, end);
        }
    }
    if (fixedTotalSpan_)
        t.totalSpan = fixedSpan_;
    return t;
}

PointRange CTrendGraph::VisiblePoints(int channel, int record) const {
    // Without a drawing of this session there is no view to speak of.
    if (!Session() || timelineOf_ != Session() || channel < 0 ||
        channel >= Session()->ChanData().ChannelCount())
        return {};
    const CChanRecordList& list = Session()->ChanData().Channel(channel);
    if (record < 0 || record >= list.RecordCount())
        return {};
    const CChanRecord& r = list.Record(record);
    // Indices of values, so sixteenths of a second for event states.
    return VisiblePointRange(RecordOffset(r, timeline_.sessionStart), timeline_.pointPeriod,
                             static_cast<int>(r.Values().size()), ViewStart(), ViewSpan());
}

void CTrendGraph::Rescale() {
    const CChanData& chan = Session()->ChanData();
    if (chan.Flags().event) {
        SetValueRange({-0.5, 1.5});
    } else if (ValueAxisMode() == ValueAxisModeType::Normal) {
        ValueExtent extent;
        for (int c = 0; c < chan.ChannelCount(); ++c) {
            if (!InMask(c))
                continue;
            const CChanRecordList& list = chan.Channel(c);
            for (int r = 0; r < list.RecordCount(); ++r) {
                const ValueView values = list.Record(r).Values();
                const int n = static_cast<int>(std::min<std::size_t>(values.size(), INT32_MAX));
                const PointRange range = ShowingAllFlag() ? PointRange{0, n} : VisiblePoints(c, r);
                const int first = std::min(range.first, n);
                extent.Add(values.Scan(first, std::min(range.end, n) - first));
            }
        }
        // The alarm limits stay in view, so that the user sees how close the values come.
        const AlarmLimits& limits = Session()->Figures().limits;
        if (!extent.Empty())
            for (const std::optional<double>& limit : {limits.low, limits.high})
                if (limit)
                    extent.Add(*limit);
        ScaleValueAxisTo(extent);
    } else if (ValueAxisMode() == ValueAxisModeType::None) {
        SetValueRange({-1.0, 5.0 * chan.ChannelCount()});
    }
    SetAutomaticValueRange();
}

void CTrendGraph::DrawPass(Canvas& canvas) {
    BeginPass(canvas);
    const CChanData& chan = Session()->ChanData();
    for (int c = 0; c < chan.ChannelCount(); ++c) {
        if (!InMask(c))
            continue;
        const CChanRecordList& list = chan.Channel(c);
        const ColorRef colour = Colours().TraceColourOfGroup(list.Entry().ColourGroup);
        for (int r = 0; r < list.RecordCount(); ++r) {
            const CChanRecord& record = list.Record(r);
            const ValueView values = record.Values();
            const auto n = static_cast<double>(values.size());
            GraphTrace trace;
            trace.record = {chan.FirstValueTime(record), values, 0.0,
                            std::max(0.0, n - 1.0) * timeline_.pointPeriod};
            trace.colour = colour;
            trace.pointPeriod = timeline_.pointPeriod;
            trace.channel = &chan;
            trace.source = &record;
            DrawTrace(canvas, trace);
        }
    }
    DrawAlarmLimits(canvas, Session()->Figures().limits);
}

bool CTrendGraph::Draw(Canvas& canvas) {
    const bool printer = canvas.IsPrinter();
    if (!Session() || Session()->ChanData().ChannelCount() == 0 || LargestPointCount() <= 1) {
        timelineOf_ = nullptr;
        return printer;
    }
    timeline_ = MakeTimeline();
    timelineOf_ = Session();
    SetTimeFrame(timeline_.sessionStart, timeline_.totalSpan, timeline_.samplePeriod);
    SetResolution(Session()->ChanData().DisplayResolution());

    if (autoScaling_ && IsDirty() && !printer && !lastDrawnForPrinter_)
        Rescale();
    DrawPass(canvas);
    if (LayoutChanged())
        DrawPass(canvas);
    ClearDirty();
    lastDrawnForPrinter_ = printer;
    return printer;
}
