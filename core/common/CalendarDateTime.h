#pragma once

#include <QString>
#include <QtGlobal>

// Wall-clock fields as the logger and the session file hold them (local time, no zone).
struct CalendarDateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool valid = false;

    static CalendarDateTime FromFields(int year, int month, int day, int hour, int minute,
                                       int second);
    // Breaks a time stamp (seconds since 1970 UTC) down in the local time zone.
    static CalendarDateTime FromLocalTimeStamp(qint64 seconds);
    // The time stamp of these wall-clock fields in the local time zone; 0 when invalid.
    qint64 ToLocalTimeStamp() const;
    // Wall-clock arithmetic (days of 86400 s, no daylight-saving jumps).
    CalendarDateTime AddSeconds(qint64 seconds) const;
    // Seconds from `other` to this, in wall-clock arithmetic.
    qint64 SecondsSince(const CalendarDateTime& other) const;

    bool operator==(const CalendarDateTime&) const = default;
};

// The span of the loggers' clock, 32-bit seconds of wall-clock time from 1970-01-01 00:00:00
// to 2106-02-07 06:28:15: every start a logger gives lies in it.
CalendarDateTime LoggerClockFirst();
CalendarDateTime LoggerClockLast();
// A real date and time within that span.
bool IsOnLoggerClock(const CalendarDateTime& dt);

// "%d/%02d/%02d %02d:%02d:%02d", independent of the locale.
QString FormatDateTimeText(const CalendarDateTime& dt);
CalendarDateTime ParseDateTimeText(const QString& text);
// Date fields from `date`, time fields from `time`; a null/invalid input makes the result invalid.
CalendarDateTime CombineDateAndTime(const CalendarDateTime* date, const CalendarDateTime* time);
