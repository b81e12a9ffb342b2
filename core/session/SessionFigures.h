#pragma once

#include "core/app/OptionsModel.h"
#include "core/common/UserNumber.h"
#include "core/session/LimitStatistics.h"
#include "core/session/ModelTable.h"

#include <QString>
#include <optional>
#include <span>

class CChanData;
class CRecSession;
class SettingsStore;

// The alarm limits a user may give, in any display unit.
inline constexpr NumberRange kAlarmLimitRange{-1000000.0, 1000000.0};

// What a session's page, report and `vexlo-cli stats` add to the window statistics: the time
// out of the alarm limits and, when asked, the mean kinetic temperature.
struct SessionFigures {
    AlarmLimits limits; // in the session's display unit
    bool showMkt = false;
    double mktActivationKelvin = DocumentOptions{}.mktActivationKelvin;

    // The limits remembered for the session's logger (in its instrument section, so that the
    // next download of that logger gets them) and the program's ΔH/R.
    static SessionFigures Load(const SettingsStore& settings, const CRecSession& session);
    // Limits and their figures mean something only for measured values: not for the states
    // of an event channel, nor for counts of pulses.
    static bool ApplyTo(const KindFlags& flags) { return !flags.event && !flags.pulse; }
    void StoreLimits(SettingsStore& settings, const CRecSession& session) const;

    // The time out of the limits over `values` of the channel's window; none without limits
    // or for a channel they do not apply to.
    std::optional<LimitStatistics> LimitsOver(const CChanData& data,
                                              std::span<const double> values) const;
    // The mean kinetic temperature over them, in the channel's unit; none for a channel that
    // is not a temperature or a window without one.
    std::optional<double> MktOver(const CChanData& data, std::span<const double> values) const;

    bool operator==(const SessionFigures&) const = default;
};

namespace SessionFigureTexts {
// "1 h 2 min 5 s", to the nearest second; "0 s" for none.
QString Duration(double seconds);
// A limit as the limits window shows it: enough decimals to give back any typed limit, no
// trailing zeros; empty for none.
QString Limit(std::optional<double> limit);
// The mean kinetic temperature as the session shows its values; "- - -" for none.
QString Mkt(const CRecSession& session, std::optional<double> mkt);
} // namespace SessionFigureTexts
