#include "core/session/SessionParams.h"

#include "core/common/CalendarDateTime.h"
#include "core/common/StringTable.h"
#include "core/common/TimeFormat.h"
#include "core/common/ValueFormat.h"
#include "core/session/CRecSession.h"
#include "core/session/SessionFile.h"

namespace {

class RowList {
public:
    void Header(int id) { Add(id, QString(), true); }
    void Value(int id, const QString& value, uint16_t tag = 0) { Add(id, value, false, tag); }
    void Blank() { rows_.emplace_back(); }
    std::vector<SessionParamsRow> Take() { return std::move(rows_); }

private:
    void Add(int id, const QString& value, bool header, uint16_t tag = 0) {
        SessionParamsRow row;
        row.labelId = id;
        row.label = ResourceString(id);
        row.tag = tag;
        row.value = value;
        row.header = header;
        rows_.push_back(std::move(row));
    }
    std::vector<SessionParamsRow> rows_;
};

QString ScaleText(const QString& rangeText, const QString& modelUnit, float scale,
                  const QString& units) {
    return QStringLiteral("%1 %2 = %3 %4")
        .arg(rangeText, modelUnit, FormatTrimmed(8, static_cast<double>(scale)), units);
}

} // namespace

std::vector<SessionParamsRow> BuildSessionParams(const CRecSession& s) {
    const KindFlags& kind = s.Flags();
    const ModelEntry& entry = s.Entry();
    RowList rows;
    rows.Header(TextId::kRecordingState);
    rows.Value(TextId::kSessionName, s.SessionName());
    rows.Value(TextId::kRecordingStart, LocalDateAndTimeText(s.HeaderValue(HeaderKeyType::Start)),
               kDateRowTag);
    rows.Value(TextId::kRecordingEnd, LocalDateAndTimeText(s.EndText()), kDateRowTag);
    rows.Value(TextId::kRecordingLength, s.DurationText());
    rows.Value(TextId::kStoragePeriod, s.StoragePeriodText());
    rows.Value(TextId::kMode, ResourceString(s.RecordingInProgress() ? TextId::kRecordingRunning
                                                                     : TextId::kRecordingDone));
    rows.Blank();
    rows.Header(TextId::kInstrumentId);
    rows.Value(TextId::kSerialNumber, s.SerialNumber());
    rows.Value(TextId::kModel, s.ModelName(true));
    rows.Value(TextId::kLoggerName, s.InstrumentName());
    rows.Value(TextId::kLocation, s.Location());
    rows.Blank();
    rows.Header(TextId::kChannelConfig);
    rows.Value(TextId::kChannel1, entry.NameText());
    if (kind.linear) {
        rows.Value(TextId::kScaleLow,
                   ScaleText(entry.RangeLow(), entry.UnitText(), s.LowScale(), s.DisplayUnits()));
        rows.Value(TextId::kScaleHigh,
                   ScaleText(entry.RangeHigh(), entry.UnitText(), s.HighScale(), s.DisplayUnits()));
    }
    rows.Value(TextId::kUnits, s.DisplayUnits());
    if (kind.thermocouple) {
        rows.Value(TextId::kTcType, TcIndexToLetter(s.TcIndex()));
        rows.Value(TextId::kCjcOn, ResourceString(s.Cjc() ? TextId::kYes : TextId::kNo));
    }
    if (kind.analog) {
        const int size = s.FilterSize();
        rows.Value(TextId::kFilterSize,
                   QStringLiteral("%1 ").arg(size) +
                       ResourceString(size == 1 ? TextId::kPoint : TextId::kPoints),
                   kFilterRowTag);
    }
    return rows.Take();
}

QString LocalDateAndTimeText(const QString& dateTimeText) {
    const qint64 seconds = ParseDateTimeText(dateTimeText).ToLocalTimeStamp();
    return FormatShortDate(seconds) + u' ' + FormatTimeOfDay(seconds, 0);
}
