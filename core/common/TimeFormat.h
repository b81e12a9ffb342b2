#pragma once

#include <QString>
#include <QtGlobal>

// Locale texts of time stamps (seconds since 1970 UTC), shown in the local time zone with the
// default QLocale.
QString FormatShortDate(qint64 seconds);
// The locale's time of day with seconds; milliseconds > 0 are inserted after the last digit.
QString FormatTimeOfDay(qint64 seconds, int milliseconds);

struct DateAndTimeText {
    QString date;
    QString time;
};
// "- - -" for both before 1970-01-01 00:00:00 local time, where the loggers' clock begins.
DateAndTimeText FormatDateAndTime(qint64 seconds, int milliseconds);
