#include "core/session/SessionParamsEditModel.h"

#include "core/common/StringTable.h"
#include "core/common/UserNumber.h"
#include "core/common/ValueFormat.h"
#include "core/session/CRecSession.h"
#include "core/session/SessionFile.h"

#include <algorithm>

SessionParamsEditModel::SessionParamsEditModel(const CRecSession& s)
    : values_(SessionParamsValues::Of(s)),
      lowScaleText_(FormatTrimmed(8, static_cast<double>(s.LowScale()))),
      highScaleText_(FormatTrimmed(8, static_cast<double>(s.HighScale()))),
      thermocouple_(s.Flags().thermocouple), linear_(s.Flags().linear),
      pulse_(s.ModelCode() == kPulseModelCode), event_(s.Flags().event), analog_(s.Flags().analog),
      rangeLow_(s.Entry().RangeLow()), rangeHigh_(s.Entry().RangeHigh()),
      scaleRange_(s.ModelCode() == kAcVoltageModelCode ? kNonNegativeScaleRange : kScaleRange) {
    values_.filterSize = std::clamp(values_.filterSize, 1, kFilterSizes);
}

int SessionParamsEditModel::LimitOf(SessionParamsFieldType field) {
    switch (field) {
    case SessionParamsFieldType::Comments:
        return kCommentsLimit;
    case SessionParamsFieldType::Units:
        return kUnitsLimit;
    default:
        return kTextLimit;
    }
}

void SessionParamsEditModel::SetTcButton(int button) {
    if (button >= 0 && button < kTcButtons)
        values_.tcIndex = button;
}

void SessionParamsEditModel::SetFilterIndex(int index) {
    values_.filterSize = std::clamp(index, 0, kFilterSizes - 1) + 1;
}

void SessionParamsEditModel::SetCorrectedStart(const CalendarDateTime& start) {
    values_.correctedStart = start;
    values_.correctedStartMs = 0;
}

QString SessionParamsEditModel::Text(SessionParamsFieldType field) const {
    switch (field) {
    case SessionParamsFieldType::InstrumentName:
        return values_.instrumentName;
    case SessionParamsFieldType::Location:
        return values_.location;
    case SessionParamsFieldType::SessionName:
        return values_.sessionName;
    case SessionParamsFieldType::Header:
        return values_.header;
    case SessionParamsFieldType::Footer:
        return values_.footer;
    case SessionParamsFieldType::Comments:
        return values_.comments;
    case SessionParamsFieldType::LowScale:
        return lowScaleText_;
    case SessionParamsFieldType::HighScale:
        return highScaleText_;
    case SessionParamsFieldType::Units:
        return values_.units;
    case SessionParamsFieldType::CorrectedStart:
        break;
    }
    return QString();
}

void SessionParamsEditModel::SetText(SessionParamsFieldType field, const QString& text) {
    switch (field) {
    case SessionParamsFieldType::InstrumentName:
        values_.instrumentName = text;
        break;
    case SessionParamsFieldType::Location:
        values_.location = text;
        break;
    case SessionParamsFieldType::SessionName:
        values_.sessionName = text;
        break;
    case SessionParamsFieldType::Header:
        values_.header = text;
        break;
    case SessionParamsFieldType::Footer:
        values_.footer = text;
        break;
    case SessionParamsFieldType::Comments:
        values_.comments = text;
        break;
    case SessionParamsFieldType::LowScale:
        lowScaleText_ = text;
        break;
    case SessionParamsFieldType::HighScale:
        highScaleText_ = text;
        break;
    case SessionParamsFieldType::Units:
        values_.units = text;
        break;
    case SessionParamsFieldType::CorrectedStart:
        break;
    }
}

std::optional<FieldProblem> SessionParamsEditModel::CheckScale(SessionParamsFieldType field) const {
    if (scaleRange_.Read(Text(field)))
        return std::nullopt;
    return FieldProblem{field, scaleRange_.RefusalText()};
}

std::optional<FieldProblem> SessionParamsEditModel::Validate() const {
    using F = SessionParamsFieldType;
    for (const F field :
         {F::InstrumentName, F::Location, F::SessionName, F::Header, F::Footer, F::Comments}) {
        const int limit = LimitOf(field);
        if (Text(field).size() > limit)
            return FieldProblem{field,
                                FormatResource(TextId::kTooManyChars, {QString::number(limit)})};
    }
    // A start the file could not be opened with again.
    if (!IsOnLoggerClock(values_.correctedStart))
        return FieldProblem{
            F::CorrectedStart,
            FormatResource(TextId::kDateRange, {FormatDateTimeText(LoggerClockFirst()),
                                                FormatDateTimeText(LoggerClockLast())})};
    if (!linear_)
        return std::nullopt;
    if (auto problem = CheckScale(F::LowScale))
        return problem;
    if (auto problem = CheckScale(F::HighScale))
        return problem;
    if (values_.units.size() > kUnitsLimit)
        return FieldProblem{F::Units,
                            FormatResource(TextId::kTooManyChars, {QString::number(kUnitsLimit)})};
    return std::nullopt;
}

SessionParamsValues SessionParamsEditModel::Result() const {
    SessionParamsValues out = values_;
    if (linear_) {
        // An unchanged edit gives back the stored float, not its 8-decimal text.
        const auto scale = [](const QString& text, const QString& shown, float stored) {
            if (text == shown)
                return stored;
            const std::optional<double> v = ParseUserNumber(text);
            return v ? static_cast<float>(*v) : stored;
        };
        out.lowScale = scale(lowScaleText_, FormatTrimmed(8, static_cast<double>(values_.lowScale)),
                             values_.lowScale);
        out.highScale =
            scale(highScaleText_, FormatTrimmed(8, static_cast<double>(values_.highScale)),
                  values_.highScale);
    }
    return out;
}
