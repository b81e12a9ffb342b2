#include "core/session/ChannelTexts.h"

#include "core/common/DurationFormat.h"
#include "core/common/StringTable.h"
#include "core/common/TimeFormat.h"
#include "core/common/ValueFormat.h"
#include "core/session/CChanData.h"
#include "core/session/ChannelStatistics.h"

RangeStatisticsTexts ChannelTexts::RangeStatistics(bool useWindow, int first, int last,
                                                   const QString& units) const {
    const RangeStatisticsValues v = RangeStatisticsOf(data_, useWindow, first, last);
    RangeStatisticsTexts t{ValueText(v.min, units),   ValueText(v.max, units),
                           ValueText(v.avg, units),   ValueText(v.last, units),
                           ValueText(v.total, units), QString()};
    if (data_.Flags().event)
        t.eventTotal = v.eventTotalSeconds == 0.0 ? ResourceString(TextId::kOff)
                                                  : FormatSpanWordsMs(v.eventTotalSeconds);
    return t;
}

QString ChannelTexts::ValueText(StatValue v, const QString& units) const {
    switch (v.status) {
    case ValueStatusType::NoValue:
        return ResourceString(TextId::kNoValue);
    case ValueStatusType::UnderRange:
        return ResourceString(TextId::kUnderRange);
    case ValueStatusType::OverRange:
        return ResourceString(TextId::kOverRange);
    case ValueStatusType::Valid:
        break;
    }
    QString text = FormatMeasurement(data_.DisplayDecimals(), v.value, data_.Entry().Step);
    if (!units.isEmpty()) {
        text += u' ';
        text += units;
    }
    return text;
}

QString ChannelTexts::ValueText(double value, const QString& units) const {
    return ValueText(StatValue{ValueStatusOf(value), value}, units);
}

QString ChannelTexts::EventWindowTotal(int first, int end) const {
    const double total = EventWindowTotalSeconds(data_, first, end);
    return total == 0.0 ? ResourceString(TextId::kOff) : FormatSpanWordsMs(total);
}

QString ChannelTexts::EventLengthAt(int64_t second, int millisecond) const {
    const int64_t t = second * 1000 + millisecond;
    for (const SessionEvent& e : data_.Events()) {
        const int64_t start = e.startSeconds * 1000 + e.startMs;
        if (start > t)
            break;
        // An event ends where its first off state begins.
        if (t < start + e.lengthSeconds * 1000 + e.lengthMs)
            return FormatSpanWordsMs(e.LengthInSeconds());
    }
    return ResourceString(TextId::kOff);
}

QString ChannelTexts::EventCellText(int row, int column) const {
    if (row < 0 || static_cast<std::size_t>(row) >= data_.Events().size())
        return QString();
    const SessionEvent& e = data_.Events()[static_cast<std::size_t>(row)];
    switch (column) {
    case 0:
        return FormatDateAndTime(e.startSeconds, e.startMs).date;
    case 1:
        return FormatDateAndTime(e.startSeconds, e.startMs).time;
    case 2:
        return FormatSpanWordsMs(e.LengthInSeconds());
    default:
        return QString();
    }
}
