#include "core/common/DurationFormat.h"

#include "core/common/Rounding.h"
#include "core/common/StringTable.h"
#include "core/common/ValueFormat.h"

#include <cmath>
#include <limits>

namespace {

struct ClockParts {
    quint32 days;
    quint32 hours;
    quint32 minutes;
    quint32 seconds;
};

ClockParts SplitClock(quint32 s) {
    return {s / 86400, s % 86400 / 3600, s % 3600 / 60, s % 60};
}

QString DaysClock(const ClockParts& p) {
    return QString::asprintf("%u:%02u:%02u:%02u", p.days, p.hours, p.minutes, p.seconds);
}

QString HoursClock(const ClockParts& p) {
    return QString::asprintf("%u:%02u:%02u", p.hours, p.minutes, p.seconds);
}

// Truncation towards zero into the unsigned 32-bit range; negative and NaN give 0.
quint32 WholeSeconds(double t) {
    if (!(t > 0.0))
        return 0;
    constexpr double kMax = std::numeric_limits<quint32>::max();
    return t >= kMax ? std::numeric_limits<quint32>::max() : static_cast<quint32>(t);
}

// Seconds within the minute, three decimals, zero-padded to two digits before the separator.
QString MinuteSeconds(double secondsInMinute) {
    const QString text = FormatFixed(secondsInMinute, 3);
    return text.size() < 6 ? QString(6 - text.size(), u'0') + text : text;
}

ClockText SubSecondClock(double t, double frac) {
    if (frac >= 0.001)
        return {FormatFixed(t * 1000.0, 3), QStringLiteral(" (ms)")};
    if (frac >= 0.000001)
        return {FormatFixed(t * 1000000.0, 3), QStringLiteral(" (us)")};
    if (frac >= 0.000000001)
        return {FormatFixed(t * 1000000000.0, 3), QStringLiteral(" (ns)")};
    return {};
}

void AppendPart(QString& out, qint64 count, const QString& word) {
    if (!out.isEmpty())
        out += u' ';
    out += QString::number(count) + u' ' + word;
}

// The hours and minutes parts shared by both word forms.
QString HoursAndMinutesWords(qint64 s) {
    QString out;
    const qint64 hours = s / 3600;
    if (hours > 0)
        AppendPart(out, hours, ResourceString(TextId::kHourUnit));
    const qint64 minutes = s % 3600 / 60;
    if (minutes > 0)
        AppendPart(out, minutes, ResourceString(TextId::kMinuteUnit));
    return out;
}

} // namespace

ClockText FormatSecondsClock(quint32 seconds) {
    const ClockParts p = SplitClock(seconds);
    if (p.days > 0)
        return {DaysClock(p), ResourceString(TextId::kDaysHint)};
    if (p.hours > 0)
        return {HoursClock(p), ResourceString(TextId::kHoursHint)};
    if (p.minutes > 0)
        return {QString::asprintf("%u:%02u", p.minutes, p.seconds),
                ResourceString(TextId::kMinutesHint)};
    return {QString::number(p.seconds), ResourceString(TextId::kSecondsHint)};
}

ClockText FormatDurationClock(double t) {
    const ClockParts p = SplitClock(WholeSeconds(t));
    const double frac = t - std::floor(t);
    if (p.days >= 1)
        return {DaysClock(p), QStringLiteral(" (d:h:min:s)")};
    if (p.hours >= 1)
        return {HoursClock(p), QStringLiteral(" (h:min:s)")};
    if (p.minutes >= 1) {
        const QString clock =
            frac == 0.0 ? QString::asprintf("%u:%02u", p.minutes, p.seconds)
                        : QString::number(p.minutes) + u':' + MinuteSeconds(t - 60.0 * p.minutes);
        return {clock, QStringLiteral(" (min:s)")};
    }
    if (p.seconds >= 1)
        return {frac == 0.0 ? QString::number(p.seconds) : FormatFixed(t, 3),
                QStringLiteral(" (s)")};
    return SubSecondClock(t, frac);
}

QString FormatSpanWords(qint64 seconds) {
    QString out = HoursAndMinutesWords(seconds);
    const qint64 s = seconds % 60;
    if (s > 0)
        AppendPart(out, s, ResourceString(TextId::kSecondUnit));
    return out;
}

QString FormatSpanWordsMs(double seconds) {
    // C remainder: the milliseconds keep the sign of the rounded total.
    const int ms = SaturatingRound(seconds * 1000.0) % 1000;
    const qint64 s = SaturatingRound(seconds - ms / 1000.0);
    QString out = HoursAndMinutesWords(s);
    if (s % 60 > 0 || ms > 0) {
        if (!out.isEmpty())
            out += u' ';
        out += QString::number(s % 60);
        if (ms >= 0)
            out += LocalDecimalSeparator() + QString::asprintf("%03d", ms);
        out += u' ' + ResourceString(TextId::kSecondUnit);
    }
    return out;
}
