#include "core/export/DateTimeTextCache.h"

#include "core/common/CalendarDateTime.h"
#include "core/common/StringTable.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

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
    if (!hourKnown_ || seconds < hourStart_ || seconds >= hourStart_ + kSecondsPerHour)
        EnterHour(seconds);
    if (!hourUniform_)
        return Direct(seconds);
    const qint64 local = seconds + offset_;
    const qint64 day = FloorDiv(local, kSecondsPerDay);
    if (!dayKnown_ || day != day_)
        EnterDay(seconds, day);
    if (dayMissing_)
        return {date_, date_};
    const qint64 minute = FloorDiv(local, kSecondsPerMinute);
    if (!minuteKnown_ || minute != minute_)
        EnterMinute(seconds, minute);
    if (!minuteTemplate_)
        return Direct(seconds);
    const auto second = static_cast<int>(local - minute * kSecondsPerMinute);
    QChar* const digits = time_.data() + secondsAt_;
    digits[0] = QChar(u'0' + second / 10);
    digits[1] = QChar(u'0' + second % 10);
    return {date_, time_};
}

qint64 DateTimeTextCache::OffsetAt(qint64 seconds) {
    if (!hourKnown_ || seconds < hourStart_ || seconds >= hourStart_ + kSecondsPerHour)
        EnterHour(seconds);
    return hourUniform_ ? offset_ : LocalOffset(seconds).value_or(0);
}

std::string DateTimeTextCache::IsoAt(qint64 seconds, int milliseconds) {
    static const CalendarDateTime kEpoch = CalendarDateTime::FromFields(1970, 1, 1, 0, 0, 0);
    const qint64 offset = OffsetAt(seconds);
    const CalendarDateTime local = kEpoch.AddSeconds(seconds + offset);
    const int offsetMinutes = static_cast<int>(std::abs(offset) / 60);
    char buffer[48];
    int n = std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d", local.year,
                          local.month, local.day, local.hour, local.minute, local.second);
    if (milliseconds != 0)
        n += std::snprintf(buffer + n, sizeof buffer - static_cast<std::size_t>(n), ".%03d",
                           milliseconds);
    n += std::snprintf(buffer + n, sizeof buffer - static_cast<std::size_t>(n), "%c%02d:%02d",
                       offset < 0 ? '-' : '+', offsetMinutes / 60, offsetMinutes % 60);
    return std::string(buffer, static_cast<std::size_t>(n));
}

void DateTimeTextCache::EnterHour(qint64 seconds) {
    hourKnown_ = true;
    hourStart_ = FloorDiv(seconds, kSecondsPerHour) * kSecondsPerHour;
    // No zone changes its offset twice within an hour, so equal ends mean a uniform hour.
    const std::optional<qint64> start = LocalOffset(hourStart_);
    const std::optional<qint64> end = LocalOffset(hourStart_ + kSecondsPerHour - 1);
    hourUniform_ = start && end && *start == *end;
    if (!hourUniform_)
        return;
    if (*start != offset_)
        dayKnown_ = minuteKnown_ = false;
    offset_ = *start;
}

void DateTimeTextCache::EnterDay(qint64 seconds, qint64 day) {
    dayKnown_ = true;
    day_ = day;
    minuteKnown_ = false;
    date_ = FormatDateAndTime(seconds, 0).date;
    // The year decides, and a local day has one year.
    dayMissing_ = date_ == ResourceString(TextId::kNoValue);
}

void DateTimeTextCache::EnterMinute(qint64 seconds, qint64 minute) {
    minuteKnown_ = true;
    minute_ = minute;
    minuteTemplate_ = false;
    const qint64 first = seconds - (seconds + offset_ - minute * kSecondsPerMinute);
    const qint64 last = first + kSecondsPerMinute - 1;
    if (first < hourStart_ || last >= hourStart_ + kSecondsPerHour)
        return;
    QString atZero = FormatDateAndTime(first, 0).time;
    const std::optional<qsizetype> at = SecondsDigits(atZero, FormatDateAndTime(last, 0).time);
    if (!at)
        return;
    time_ = std::move(atZero);
    secondsAt_ = *at;
    minuteTemplate_ = true;
}

DateTimeTextCache::Texts DateTimeTextCache::Direct(qint64 seconds) {
    direct_ = FormatDateAndTime(seconds, 0);
    return {direct_.date, direct_.time};
}
