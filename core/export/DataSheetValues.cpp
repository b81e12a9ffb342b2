#include "core/export/DataSheetValues.h"

#include "core/common/StringTable.h"
#include "core/common/ValueMarkers.h"
#include "core/export/SessionExport.h"
#include "core/session/CRecSession.h"

#include <algorithm>
#include <cstdint>

DataSheetValues::DataSheetValues(const CRecSession& session)
    : session_(session), noValue_(ResourceString(TextId::kNoValue)),
      underRange_(ResourceString(TextId::kUnderRange)),
      overRange_(ResourceString(TextId::kOverRange)) {
    const CChanData& data = session.ChanData();
    if (session.Flags().event || data.ChannelCount() == 0)
        return;
    std::int64_t start = 0;
    for (int i = 0; i < data.Channel(0).RecordCount(); ++i) {
        recordStarts_.push_back(start);
        start += static_cast<std::int64_t>(data.Channel(0).Record(i).Values().size());
    }
    step_ = data.Entry().Step;
    decimals_ = data.DisplayDecimals();
}

int DataSheetValues::RowCount(const CRecSession& session) {
    const CChanData& data = session.ChanData();
    return session.Flags().event
               ? static_cast<int>(std::min<std::size_t>(data.Events().size(), INT32_MAX))
               : data.ValueCount();
}

DataSheetValues::Cell DataSheetValues::At(std::int64_t row) {
    if (recordStarts_.empty())
        return {};
    // Rows come in order: the record holding this one is the current one or a later one.
    while (record_ + 1 < recordStarts_.size() && row >= recordStarts_[record_ + 1])
        ++record_;
    const ValueView values =
        session_.ChanData().Channel(0).Record(static_cast<int>(record_)).Values();
    const auto index = static_cast<std::size_t>(row - recordStarts_[record_]);
    const double v = index < values.size() ? values[index] : NoValue;
    if (v == OverRangeValue)
        return {false, 0.0, overRange_, v};
    if (v == UnderRangeValue)
        return {false, 0.0, underRange_, v};
    if (v == NoValue)
        return {false, 0.0, noValue_, v};
    return {true, RoundToDisplayStep(v, step_, decimals_), {}, v};
}
