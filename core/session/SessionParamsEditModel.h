#pragma once

#include "core/common/UserNumber.h"
#include "core/session/SessionParamsValues.h"

#include <QString>
#include <optional>

class CRecSession;

enum class SessionParamsFieldType {
    InstrumentName,
    Location,
    SessionName,
    Header,
    Footer,
    Comments,
    LowScale,
    HighScale,
    Units,
    CorrectedStart, // the start pickers, which hold no text
};

struct FieldProblem {
    SessionParamsFieldType field;
    QString message;
};

// The rules of the session parameters dialog: which controls it shows, their limits and the
// checks made on OK. The dialog binds its widgets to it.
class SessionParamsEditModel {
public:
    static constexpr int kTextLimit = 80;
    static constexpr int kCommentsLimit = 512;
    static constexpr int kUnitsLimit = 4;
    static constexpr int kFilterSizes = 10;
    // J, K, T, N, E, R and S; type B (index 7) has no button.
    static constexpr int kTcButtons = 7;

    explicit SessionParamsEditModel(const CRecSession& session);

    bool ShowsThermocouple() const { return thermocouple_; }
    bool ShowsScales() const { return linear_; }
    bool ShowsPulseNote() const { return pulse_; }
    bool ShowsPolarity() const { return event_; }
    bool ShowsFilter() const { return analog_; }
    const QString& RangeLowText() const { return rangeLow_; }
    const QString& RangeHighText() const { return rangeHigh_; }
    double ScaleMinimum() const { return scaleRange_.lowest; }
    double ScaleMaximum() const { return scaleRange_.highest; }
    static int LimitOf(SessionParamsFieldType field);

    // -1 when the session's type has no button (type B): no radio button is checked.
    int TcButton() const { return values_.tcIndex < kTcButtons ? values_.tcIndex : -1; }
    void SetTcButton(int button);
    int FilterIndex() const { return values_.filterSize - 1; }
    void SetFilterIndex(int index);

    // The texts as the edits show them, scales included.
    QString Text(SessionParamsFieldType field) const;
    void SetText(SessionParamsFieldType field, const QString& text);
    const CalendarDateTime& CorrectedStart() const { return values_.correctedStart; }
    void SetCorrectedStart(const CalendarDateTime& start);
    bool Cjc() const { return values_.cjc; }
    void SetCjc(bool on) { values_.cjc = on; }
    bool RisingEvents() const { return values_.polarity; }
    void SetRisingEvents(bool on) { values_.polarity = on; }

    // The first field refused on OK, with its message; none when everything is acceptable.
    std::optional<FieldProblem> Validate() const;
    // The values to apply; only meaningful once Validate() found nothing.
    SessionParamsValues Result() const;

private:
    std::optional<FieldProblem> CheckScale(SessionParamsFieldType field) const;

    SessionParamsValues values_;
    QString lowScaleText_, highScaleText_;
    bool thermocouple_, linear_, pulse_, event_, analog_;
    QString rangeLow_, rangeHigh_;
    NumberRange scaleRange_;
};
