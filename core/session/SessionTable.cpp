#include "core/session/SessionTable.h"

#include "core/common/StringTable.h"
#include "core/common/TimeFormat.h"
#include "core/session/CRecSession.h"

#include <algorithm>
#include <cmath>

SessionTable::SessionTable(const CRecSession& session)
    : session_(session), event_(session.Flags().event), rowCount_(0) {
    const CChanData& data = session.ChanData();
    if (event_) {
        rowCount_ = static_cast<int>(std::min<std::size_t>(data.Events().size(), INT32_MAX));
        return;
    }
    rowCount_ = data.ValueCount();
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

double SessionTable::ValueAt(int row) const {
    const auto next = std::upper_bound(recordStarts_.begin(), recordStarts_.end(), int64_t{row});
    const auto record = static_cast<int>(next - recordStarts_.begin()) - 1;
    const std::vector<double>& values = session_.ChanData().Channel(0).Record(record).Values();
    return values[static_cast<std::size_t>(row - recordStarts_[static_cast<std::size_t>(record)])];
}

QString SessionTable::Cell(int row, int column) const {
    if (row < 0 || row >= rowCount_ || column < 0 || column >= kColumnCount)
        return QString();
    const CChanData& data = session_.ChanData();
    if (event_)
        return data.EventCellText(row, column);
    if (column == kValueColumn)
        return data.ValueText(ValueAt(row), session_.DisplayUnits());
    const double t = data.ValueTime(row, session_.StartTime());
    const DateAndTimeText when = FormatDateAndTime(static_cast<qint64>(std::floor(t)), 0);
    return column == 0 ? when.date : when.time;
}
