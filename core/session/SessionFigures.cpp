#include "core/session/SessionFigures.h"

#include "core/app/SettingsKeys.h"
#include "core/app/SettingsStore.h"
#include "core/common/DurationFormat.h"
#include "core/common/Rounding.h"
#include "core/common/StringTable.h"
#include "core/common/Temperature.h"
#include "core/common/ValueFormat.h"
#include "core/session/CRecSession.h"
#include "core/session/ChannelTexts.h"
#include "core/session/InstrumentSettings.h"

#include <cmath>

namespace {

// A temperature limit is kept in °C, so that a change of the user's unit keeps its meaning.
std::optional<double> ReadLimit(const SettingsStore& settings, const QString& section,
                                const QString& key, const CRecSession& session) {
    bool ok = false;
    const double v = settings.GetString(section, key, QString()).toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return session.Flags().temperature ? CelsiusToDisplay(v, session.ChanData().Fahrenheit()) : v;
}

void WriteLimit(SettingsStore& settings, const QString& section, const QString& key,
                std::optional<double> v, const CRecSession& session) {
    if (!v) {
        settings.SetString(section, key, QString());
        return;
    }
    double stored = *v;
    if (session.Flags().temperature)
        stored = DisplayToCelsius(*v, session.ChanData().Fahrenheit());
    settings.SetString(section, key, QString::number(stored, 'g', 17));
}

} // namespace

SessionFigures SessionFigures::Load(const SettingsStore& settings, const CRecSession& session) {
    using namespace SettingsKeys;
    SessionFigures f;
    const QString section = InstrumentSettingsSection(session.ModelCode(), session.SerialNumber());
    f.limits.low = ReadLimit(settings, section, AlarmLow(), session);
    f.limits.high = ReadLimit(settings, section, AlarmHigh(), session);
    f.showMkt = settings.GetInt(section, ShowMkt(), 0) != 0;
    f.mktActivationKelvin = DocumentOptions::Load(settings).mktActivationKelvin;
    return f;
}

void SessionFigures::StoreLimits(SettingsStore& settings, const CRecSession& session) const {
    using namespace SettingsKeys;
    const QString section = InstrumentSettingsSection(session.ModelCode(), session.SerialNumber());
    WriteLimit(settings, section, AlarmLow(), limits.low, session);
    WriteLimit(settings, section, AlarmHigh(), limits.high, session);
    settings.SetInt(section, ShowMkt(), showMkt ? 1 : 0);
}

std::optional<LimitStatistics> SessionFigures::LimitsOver(const CChanData& data,
                                                          std::span<const double> values) const {
    if (!limits.Any() || !ApplyTo(data.Flags()))
        return std::nullopt;
    return LimitStatisticsOf(values, limits, data.ValuePeriodSeconds());
}

std::optional<double> SessionFigures::MktOver(const CChanData& data,
                                              std::span<const double> values) const {
    if (!data.Flags().temperature)
        return std::nullopt;
    return MeanKineticTemperature(values, data.Fahrenheit(), mktActivationKelvin);
}

QString SessionFigureTexts::Mkt(const CRecSession& session, std::optional<double> mkt) {
    return mkt ? ChannelTexts(session.ChanData()).ValueText(*mkt, session.DisplayUnits())
               : ResourceString(TextId::kNoValue);
}

QString SessionFigureTexts::Limit(std::optional<double> limit) {
    return limit ? FormatTrimmed(6, *limit) : QString();
}

QString SessionFigureTexts::Duration(double seconds) {
    const QString text = FormatSpanWords(SaturatingRound(seconds));
    return text.isEmpty() ? QStringLiteral("0 s") : text;
}
