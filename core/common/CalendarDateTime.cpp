#include "core/common/CalendarDateTime.h"

#include <QDate>
#include <QDateTime>
#include <QStringView>
#include <QTime>
#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

namespace {

constexpr qint64 kSecondsPerDay = 86400;
constexpr qint64 kUnixEpochJulianDay = 2440588;
// Far beyond any date QDate holds (about 6.8e16 s either way), far from qint64 overflow.
constexpr qint64 kWallSecondsLimit = Q_INT64_C(1000000000000000000);
// What QDateTime can hold in milliseconds, less room for a zone offset.
constexpr qint64 kTimeStampLimit = std::numeric_limits<qint64>::max() / 1000 - 2 * kSecondsPerDay;

bool IsValidTime(int hour, int minute, int second) {
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

// The fields on a clock of uniform 86400-second days, counted from the Julian day origin.
qint64 WallSeconds(const CalendarDateTime& dt) {
    const qint64 day = QDate(dt.year, dt.month, dt.day).toJulianDay();
    return day * kSecondsPerDay + dt.hour * 3600 + dt.minute * 60 + dt.second;
}

CalendarDateTime FromWallSeconds(qint64 seconds) {
    qint64 day = seconds / kSecondsPerDay;
    qint64 rest = seconds % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --day;
    }
    const QDate date = QDate::fromJulianDay(day);
    if (!date.isValid())
        return {};
    const int inDay = static_cast<int>(rest);
    return CalendarDateTime::FromFields(date.year(), date.month(), date.day(), inDay / 3600,
                                        inDay % 3600 / 60, inDay % 60);
}

// A wall-clock time inside a spring-forward gap does not exist; it moves forward by the size of
// the gap, as the C library's mktime does.
qint64 GapTimeStamp(qint64 wallAsUtc) {
    const QDateTime dayBefore =
        QDateTime::fromSecsSinceEpoch(wallAsUtc - kSecondsPerDay, Qt::LocalTime);
    return dayBefore.isValid() ? wallAsUtc - dayBefore.offsetFromUtc() : 0;
}

bool IsCSpace(QChar c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// Reads like the C library's strtol: blanks, an optional sign, leading digits; clamped to int.
int ReadInteger(QStringView token) {
    qsizetype i = 0;
    while (i < token.size() && IsCSpace(token[i]))
        ++i;
    bool negative = false;
    if (i < token.size() && (token[i] == u'+' || token[i] == u'-')) {
        negative = token[i] == u'-';
        ++i;
    }
    constexpr qint64 kCap = qint64(std::numeric_limits<int>::max()) + 1;
    qint64 value = 0;
    for (; i < token.size() && token[i] >= u'0' && token[i] <= u'9'; ++i)
        value = std::min(kCap, value * 10 + (token[i].unicode() - u'0'));
    if (negative)
        return static_cast<int>(-value);
    return static_cast<int>(std::min(value, kCap - 1));
}

bool IsFieldSeparator(QChar c) {
    return c == u'/' || c == u' ' || c == u':';
}

} // namespace

CalendarDateTime CalendarDateTime::FromFields(int year, int month, int day, int hour, int minute,
                                              int second) {
    CalendarDateTime dt;
    dt.year = year;
    dt.month = month;
    dt.day = day;
    dt.hour = hour;
    dt.minute = minute;
    dt.second = second;
    dt.valid = QDate::isValid(year, month, day) && IsValidTime(hour, minute, second);
    return dt;
}

CalendarDateTime CalendarDateTime::FromLocalTimeStamp(qint64 seconds) {
    if (seconds > kTimeStampLimit || seconds < -kTimeStampLimit)
        return {};
    const QDateTime local = QDateTime::fromSecsSinceEpoch(seconds, Qt::LocalTime);
    if (!local.isValid())
        return {};
    const QDate date = local.date();
    const QTime time = local.time();
    return FromFields(date.year(), date.month(), date.day(), time.hour(), time.minute(),
                      time.second());
}

qint64 CalendarDateTime::ToLocalTimeStamp() const {
    if (!valid)
        return 0;
    const QDateTime local(QDate(year, month, day), QTime(hour, minute, second), Qt::LocalTime);
    if (local.isValid())
        return local.toSecsSinceEpoch();
    return GapTimeStamp(WallSeconds(*this) - kUnixEpochJulianDay * kSecondsPerDay);
}

CalendarDateTime CalendarDateTime::AddSeconds(qint64 seconds) const {
    if (!valid || seconds > kWallSecondsLimit || seconds < -kWallSecondsLimit)
        return {};
    return FromWallSeconds(WallSeconds(*this) + seconds);
}

qint64 CalendarDateTime::SecondsSince(const CalendarDateTime& other) const {
    if (!valid || !other.valid)
        return 0;
    return WallSeconds(*this) - WallSeconds(other);
}

CalendarDateTime LoggerClockFirst() {
    return CalendarDateTime::FromFields(1970, 1, 1, 0, 0, 0);
}

CalendarDateTime LoggerClockLast() {
    return LoggerClockFirst().AddSeconds(std::numeric_limits<uint32_t>::max());
}

bool IsOnLoggerClock(const CalendarDateTime& dt) {
    const qint64 seconds = dt.SecondsSince(LoggerClockFirst());
    return dt.valid && seconds >= 0 && seconds <= std::numeric_limits<uint32_t>::max();
}

QString FormatDateTimeText(const CalendarDateTime& dt) {
    return QString::asprintf("%d/%02d/%02d %02d:%02d:%02d", dt.year, dt.month, dt.day, dt.hour,
                             dt.minute, dt.second);
}

CalendarDateTime ParseDateTimeText(const QString& text) {
    std::array<int, 6> fields{};
    std::size_t count = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size() && count < fields.size(); ++i) {
        if (i < text.size() && !IsFieldSeparator(text[i]))
            continue;
        if (i > start)
            fields[count++] = ReadInteger(QStringView(text).sliced(start, i - start));
        start = i + 1;
    }
    return CalendarDateTime::FromFields(fields[0], fields[1], fields[2], fields[3], fields[4],
                                        fields[5]);
}

CalendarDateTime CombineDateAndTime(const CalendarDateTime* date, const CalendarDateTime* time) {
    // A missing half contributes -1 for each of its fields, which no valid date-time has.
    const bool hasDate = date && date->valid;
    const bool hasTime = time && time->valid;
    return CalendarDateTime::FromFields(hasDate ? date->year : -1, hasDate ? date->month : -1,
                                        hasDate ? date->day : -1, hasTime ? time->hour : -1,
                                        hasTime ? time->minute : -1, hasTime ? time->second : -1);
}
