#include "core/graph/GraphCursor.h"

#include "core/common/DurationFormat.h"
#include "core/common/Rounding.h"
#include "core/common/StringTable.h"
#include "core/common/TimeFormat.h"
#include "core/common/ValueMarkers.h"
#include "core/graph/AxisTextPlacer.h"
#include "core/session/CChanData.h"
#include "core/session/ChannelTexts.h"
#include "core/session/ValueScan.h"

#include <algorithm>
#include <cmath>

namespace {

double ColumnTimeOffset(const TraceColumn& column, const CursorFrame& frame) {
    const double offset = (column.x - frame.plot.left - 1) / frame.pixelsPerSecond;
    return offset > 0.0 ? offset : 0.0;
}

CursorReadout ReadoutOf(double v, const CChanData& channel) {
    return {ChannelTexts(channel).ValueText(v, QString()), IsRealValue(v)};
}

} // namespace

QString CursorReadout::WithUnit(const QString& unit) const {
    return valid && !unit.isEmpty() ? text + u' ' + unit : text;
}

void GraphCursor::PlaceAt(int x, const GraphRect& plot) {
    if (x <= plot.left)
        offset_ = 0;
    else if (x < plot.right)
        offset_ = x - 1 - plot.left;
    else
        offset_ = plot.right - 2 - plot.left;
}

void GraphCursor::ResetReadouts() {
    const CursorReadout none{ResourceString(TextId::kNoValue), false};
    valid_ = false;
    minimum_ = maximum_ = value_ = none;
    eventText_.clear();
    label_.clear();
    index_ = -1;
    time_ = {};
}

bool GraphCursor::Holds(const TraceColumn& column, const CursorFrame& frame) const {
    if (column.isLast)
        return true;
    if (frame.printer)
        return timeOffset_ <= ColumnTimeOffset(column, frame);
    const double centre = column.x + column.groupSize * column.pixelsPerPoint * 0.5;
    return frame.plot.left + offset_ + 1 <= centre;
}

void GraphCursor::TakeReadouts(const TraceColumn& column, const CChanData& channel) {
    valid_ = column.realCount > 0;
    if (valid_) {
        minimum_ = ReadoutOf(column.minimum, channel);
        maximum_ = ReadoutOf(column.maximum, channel);
        value_ = ReadoutOf(column.last, channel);
        return;
    }
    const int state = column.maximum == OverRangeValue    ? TextId::kOverRange
                      : column.minimum == UnderRangeValue ? TextId::kUnderRange
                                                          : TextId::kNoValue;
    minimum_ = maximum_ = value_ = CursorReadout{ResourceString(state), false};
}

void GraphCursor::Take(const TraceColumn& column, const CursorFrame& frame,
                       const CChanData& channel, Canvas& canvas) {
    TakeReadouts(column, channel);

    if (!frame.printer)
        timeOffset_ = ColumnTimeOffset(column, frame);
    // The time of the column's first value as the table stamps it, not one read back from
    // the pixel, which for event states would stray from the times the event list gives.
    index_ = column.first;
    time_ = channel.ValueStampOf(*frame.record, column.first);
    const bool twoState = channel.Flags().event;
    if (twoState)
        eventText_ = ChannelTexts(channel).EventLengthAt(time_.seconds, time_.ms);
    const double duration = column.groupSize * frame.pointPeriod;
    const QString span =
        twoState ? FormatSpanWordsMs(duration) : FormatSpanWords(SaturatingRound(duration));
    label_ = FormatShortDate(time_.seconds) + u' ' + FormatTimeOfDay(time_.seconds, time_.ms) +
             QStringLiteral(" (") + span + u')';

    const GraphRect& plot = frame.plot;
    const int x = SaturatingRound(column.x);
    canvas.SetPen({PenStyleType::Solid, 1, frame.colour});
    canvas.Line({x, plot.top}, {x, plot.bottom + 2});
    // Inside the plot, as left of it the lowest value label may share the row; a plot too
    // narrow for the whole label shows the date and time, or the time alone.
    const QString time = FormatTimeOfDay(time_.seconds, time_.ms);
    DrawFirstThatFits(canvas, {label_, FormatShortDate(time_.seconds) + u' ' + time, time}, x,
                      plot.bottom + 2, plot.left, plot.right);
}

bool CursorProbe::TakeColumn(const TraceColumn& column) {
    if (!cursor_.Holds(column, frame_))
        return false;
    cursor_.Take(column, frame_, channel_, canvas_);
    placed_ = true;
    return true;
}
