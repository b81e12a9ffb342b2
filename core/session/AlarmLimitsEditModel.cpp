#include "core/session/AlarmLimitsEditModel.h"

#include "core/common/StringTable.h"
#include "core/session/CRecSession.h"

namespace {

// An empty or blank text is no limit; anything else must be a number of the range.
Outcome ReadLimit(const QString& text, const QString& label, std::optional<double>& limit) {
    limit.reset();
    if (text.trimmed().isEmpty())
        return Outcome::Success();
    limit = kAlarmLimitRange.Read(text);
    if (!limit)
        return Outcome::Failure(
            OutcomeType::Refused,
            FormatResource(TextId::kAlarmLimitRefused, {label, kAlarmLimitRange.RefusalText()}));
    return Outcome::Success();
}

} // namespace

AlarmLimitsEditModel::AlarmLimitsEditModel(const CRecSession& session)
    : figures_(session.Figures()), unit_(session.DisplayUnits()),
      note_(FormatResource(TextId::kAlarmLimitsNote, {session.SerialNumber()})),
      temperature_(session.Flags().temperature),
      lowText_(SessionFigureTexts::Limit(figures_.limits.low)),
      highText_(SessionFigureTexts::Limit(figures_.limits.high)) {}

QString AlarmLimitsEditModel::Title() {
    return ResourceString(TextId::kAlarmLimitsTitle);
}

QString AlarmLimitsEditModel::LowLabel() {
    return ResourceString(TextId::kAlarmLowLabel);
}

QString AlarmLimitsEditModel::HighLabel() {
    return ResourceString(TextId::kAlarmHighLabel);
}

QString AlarmLimitsEditModel::MktLabel() {
    return ResourceString(TextId::kShowMktOption);
}

Outcome AlarmLimitsEditModel::Apply(const QString& low, const QString& high, bool showMkt) {
    AlarmLimits limits;
    refusedHigh_ = false;
    if (Outcome read = ReadLimit(low, LowLabel(), limits.low); !read)
        return read;
    if (Outcome read = ReadLimit(high, HighLabel(), limits.high); !read) {
        refusedHigh_ = true;
        return read;
    }
    if (limits.low && limits.high && *limits.low > *limits.high)
        return Outcome::Failure(OutcomeType::Refused, ResourceString(TextId::kAlarmLimitsOrder));
    figures_.limits = limits;
    figures_.showMkt = temperature_ && showMkt;
    lowText_ = SessionFigureTexts::Limit(limits.low);
    highText_ = SessionFigureTexts::Limit(limits.high);
    return Outcome::Success();
}
