#include "core/session/SessionTable.h"

#include "core/common/StringTable.h"
#include "core/common/TimeFormat.h"
#include "core/common/ValueMarkers.h"
#include "core/session/CRecSession.h"
#include "core/session/ChannelTexts.h"

#include <QDateTime>
#include <algorithm>

bool SessionHasValues(const CRecSession& session) {
    const CChanData& data = session.ChanData();
    return data.ValueCount() > 0 || (data.Flags().event && !data.Events().empty());
}

QString SessionPageTitle(const CRecSession& session) {
    return ResourceString(SessionHasValues(session) ? TextId::kTrend : TextId::kSessionParams);
}

int64_t FirstValueLocalStamp(const CRecSession& session) {
    const int64_t stamp = session.ChanData().ValueStampAt(0).seconds;
    return stamp + QDateTime::fromSecsSinceEpoch(stamp).offsetFromUtc();
}

TableGrouping SessionTableGrouping(const CRecSession& session, int samplesPerRow) {
    if (session.Flags().event || samplesPerRow <= 1)
        return {};
    return MakeTableGrouping(samplesPerRow, session.StoragePeriod(), FirstValueLocalStamp(session));
}

SessionTable::SessionTable(const CRecSession& session, const TableGrouping& grouping)
    : session_(session), event_(session.Flags().event), grouping_(grouping), rowCount_(0) {
    const CChanData& data = session.ChanData();
    if (event_) {
        rowCount_ = static_cast<int>(std::min<std::size_t>(data.Events().size(), INT32_MAX));
        return;
    }
    valueCount_ = data.ValueCount();
    rowCount_ =
        static_cast<int>(std::min<int64_t>(GroupedRowCount(valueCount_, grouping_), INT32_MAX));
    int64_t start = 0;
    for (int i = 0; data.ChannelCount() > 0 && i < data.Channel(0).RecordCount(); ++i) {
        recordStarts_.push_back(start);
        start += static_cast<int64_t>(data.Channel(0).Record(i).Values().size());
    }
}

QString SessionTable::Header(int column) const {
    switch (column) {
    case 0:
        return ResourceString(TextId::kDateTitle);
    case 1:
        return ResourceString(TextId::kTimeTitle);
    case kValueColumn:
        return event_ ? ResourceString(TextId::kDurationTitle) : session_.ChannelName();
    default:
        return QString();
    }
}

double SessionTable::ValueAt(int64_t index) const {
    const auto next = std::upper_bound(recordStarts_.begin(), recordStarts_.end(), index);
    const auto record = static_cast<int>(next - recordStarts_.begin()) - 1;
    const ValueView values = session_.ChanData().Channel(0).Record(record).Values();
    return values[static_cast<std::size_t>(index -
                                           recordStarts_[static_cast<std::size_t>(record)])];
}

double SessionTable::GroupAverage(const TableRowSpan& span) const {
    if (span.first == span.last)
        return ValueAt(span.first);
    const CChanRecordList& channel = session_.ChanData().Channel(0);
    auto record = static_cast<std::size_t>(
        std::upper_bound(recordStarts_.begin(), recordStarts_.end(), span.first) -
        recordStarts_.begin() - 1);
    double sum = 0.0;
    int64_t valid = 0;
    bool over = false;
    bool under = false;
    for (int64_t i = span.first; i <= span.last && record < recordStarts_.size(); ++record) {
        const ValueView values = channel.Record(static_cast<int>(record)).Values();
        const int64_t base = recordStarts_[record];
        const int64_t end =
            std::min<int64_t>(span.last + 1, base + static_cast<int64_t>(values.size()));
        for (; i < end; ++i) {
            const double v = values[static_cast<std::size_t>(i - base)];
            if (!IsValueMarker(v)) {
                sum += v;
                ++valid;
            }
            over = over || v == OverRangeValue;
            under = under || v == UnderRangeValue;
        }
    }
    // A row without a measurement still tells why, as the statistics' average does.
    if (valid > 0)
        return sum / static_cast<double>(valid);
    return over ? OverRangeValue : under ? UnderRangeValue : NoValue;
}

QString SessionTable::Cell(int row, int column) const {
    if (row < 0 || row >= rowCount_ || column < 0 || column >= kColumnCount)
        return QString();
    const CChanData& data = session_.ChanData();
    if (event_)
        return ChannelTexts(data).EventCellText(row, column);
    const TableRowSpan span = MapTableRow(row, grouping_, valueCount_);
    if (column == kValueColumn)
        return ChannelTexts(data).ValueText(GroupAverage(span), session_.DisplayUnits());
    const DateAndTimeText when = FormatDateAndTime(data.ValueStampAt(span.last).seconds, 0);
    return column == 0 ? when.date : when.time;
}
