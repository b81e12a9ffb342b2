#pragma once

#include "core/common/CalendarDateTime.h"

#include <QDate>
#include <QTime>

// Wall-clock fields to and from the toolkit's date and time pickers.
inline QDate PickerDate(const CalendarDateTime& dt) {
    return QDate(dt.year, dt.month, dt.day);
}
inline QTime PickerTime(const CalendarDateTime& dt) {
    return QTime(dt.hour, dt.minute, dt.second);
}

// The day of `date` at midnight.
inline CalendarDateTime CalendarDay(const QDate& date) {
    return CalendarDateTime::FromFields(date.year(), date.month(), date.day(), 0, 0, 0);
}
// The moment of `time` on the day of `date`.
inline CalendarDateTime CalendarMoment(const QDate& date, const QTime& time) {
    return CalendarDateTime::FromFields(date.year(), date.month(), date.day(), time.hour(),
                                        time.minute(), time.second());
}
