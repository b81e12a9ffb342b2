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
    rows.Header(628);
    rows.Value(902, s.SessionName());
    rows.Value(906, LocalDateAndTimeText(s.HeaderValue(HeaderKeyType::Start)), kDateRowTag);
    rows.Value(907, LocalDateAndTimeText(s.EndText()), kDateRowTag);
    rows.Value(908, s.DurationText());
    rows.Value(905, s.StoragePeriodText());
    rows.Value(909, ResourceString(s.RecordingInProgress() ? 633 : 634));
    rows.Blank();
    rows.Header(941);
    rows.Value(910, s.SerialNumber());
    rows.Value(911, s.ModelName(true));
    rows.Value(901, s.InstrumentName());
    rows.Value(912, s.Location());
    rows.Blank();
    rows.Header(942);
    rows.Value(913, entry.NameText());
    if (kind.linear) {
        rows.Value(1051,
                   ScaleText(entry.RangeLow(), entry.UnitText(), s.LowScale(), s.DisplayUnits()));
        rows.Value(1052,
                   ScaleText(entry.RangeHigh(), entry.UnitText(), s.HighScale(), s.DisplayUnits()));
    }
    rows.Value(914, s.DisplayUnits());
    if (kind.thermocouple) {
        rows.Value(1056, TcIndexToLetter(s.TcIndex()));
        rows.Value(1054, ResourceString(s.Cjc() ? 630 : 631));
    }
    if (kind.analog) {
        const int size = s.FilterSize();
        rows.Value(1055, QStringLiteral("%1 ").arg(size) + ResourceString(size == 1 ? 764 : 765),
                   kFilterRowTag);
    }
    return rows.Take();
}

QString LocalDateAndTimeText(const QString& dateTimeText) {
    const qint64 seconds = ParseDateTimeText(dateTimeText).ToLocalTimeStamp();
    return FormatShortDate(seconds) + u' ' + FormatTimeOfDay(seconds, 0);
}
