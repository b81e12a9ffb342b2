#include "export/DateTimeTextCache.h"

#include "common/CalendarDateTime.h"
#include "common/StringTable.h"

#include <optional>

namespace {

constexpr int kMissingText = 612;
constexpr qint64 kSecondsPerHour = 3600;
constexpr qint64 kSecondsPerDay = 86400;
constexpr qint64 kSecondsPerMinute = 60;

qint64 FloorDiv(qint64 value, qint64 divisor) {
    const qint64 quotient = value / divisor;
    return quotient * divisor > value ? quotient - 1 : quotient;
}

// Local wall-clock seconds minus UTC seconds at that stamp.
std::optional<qint64> LocalOffset(qint64 seconds) {
    static const CalendarDateTime kEpoch = CalendarDateTime::FromFields(1970, 1, 1, 0, 0, 0);
    const CalendarDateTime local = CalendarDateTime::FromLocalTimeStamp(seconds);
    if (!local.valid)
        return std::nullopt;
    return local.SecondsSince(kEpoch) - seconds;
}

// Where the texts of seconds 0 and 59 of one minute differ in "00" against "59" only.
std::optional<qsizetype> SecondsDigits(const QString& atZero, const QString& atFiftyNine) {
    if (atZero.size() != atFiftyNine.size())
        return std::nullopt;
    qsizetype first = -1;
    int differing = 0;
    for (qsizetype i = 0; i < atZero.size(); ++i) {
        if (atZero[i] == atFiftyNine[i])
            continue;
        if (first < 0)
            first = i;
        ++differing;
    }
    if (differing != 2 || first + 1 >= atZero.size())
        return std::nullopt;
    const bool digits = atZero[first] == u'0' && atZero[first + 1] == u'0' &&
                        atFiftyNine[first] == u'5' && atFiftyNine[first + 1] == u'9';
    return digits ? std::optional<qsizetype>(first) : std::nullopt;
}

} // namespace

DateTimeTextCache::Texts DateTimeTextCache::At(qint64 seconds) {
    if (!m_hourKnown || seconds < m_hourStart || seconds >= m_hourStart + kSecondsPerHour)
        EnterHour(seconds);
    if (!m_hourUniform)
        return Direct(seconds);
    const qint64 local = seconds + m_offset;
    const qint64 day = FloorDiv(local, kSecondsPerDay);
    if (!m_dayKnown || day != m_day)
        EnterDay(seconds, day);
    if (m_dayMissing)
        return {m_date, m_date};
    const qint64 minute = FloorDiv(local, kSecondsPerMinute);
    if (!m_minuteKnown || minute != m_minute)
        EnterMinute(seconds, minute);
    if (!m_minuteTemplate)
        return Direct(seconds);
    const auto second = static_cast<int>(local - minute * kSecondsPerMinute);
    QChar* const digits = m_time.data() + m_secondsAt;
    digits[0] = QChar(u'0' + second / 10);
    digits[1] = QChar(u'0' + second % 10);
    return {m_date, m_time};
}

void DateTimeTextCache::EnterHour(qint64 seconds) {
    m_hourKnown = true;
    m_hourStart = FloorDiv(seconds, kSecondsPerHour) * kSecondsPerHour;
    // No zone changes its offset twice within an hour, so equal ends mean a uniform hour.
    const std::optional<qint64> start = LocalOffset(m_hourStart);
    const std::optional<qint64> end = LocalOffset(m_hourStart + kSecondsPerHour - 1);
    m_hourUniform = start && end && *start == *end;
    if (!m_hourUniform)
        return;
    if (*start != m_offset)
        m_dayKnown = m_minuteKnown = false;
    m_offset = *start;
}

void DateTimeTextCache::EnterDay(qint64 seconds, qint64 day) {
    m_dayKnown = true;
    m_day = day;
    m_minuteKnown = false;
    m_date = FormatDateAndTime(seconds, 0).date;
    // The year decides, and a local day has one year.
    m_dayMissing = m_date == ResourceString(kMissingText);
}

void DateTimeTextCache::EnterMinute(qint64 seconds, qint64 minute) {
    m_minuteKnown = true;
    m_minute = minute;
    m_minuteTemplate = false;
    const qint64 first = seconds - (seconds + m_offset - minute * kSecondsPerMinute);
    const qint64 last = first + kSecondsPerMinute - 1;
    if (first < m_hourStart || last >= m_hourStart + kSecondsPerHour)
        return;
    QString atZero = FormatDateAndTime(first, 0).time;
    const std::optional<qsizetype> at = SecondsDigits(atZero, FormatDateAndTime(last, 0).time);
    if (!at)
        return;
    m_time = std::move(atZero);
    m_secondsAt = *at;
    m_minuteTemplate = true;
}

DateTimeTextCache::Texts DateTimeTextCache::Direct(qint64 seconds) {
    m_direct = FormatDateAndTime(seconds, 0);
    return {m_direct.date, m_direct.time};
}
