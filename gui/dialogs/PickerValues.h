#pragma once

#include "core/common/CalendarDateTime.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

// The pickers write dates and times as the interface's locale does, with the year in full and
// the seconds shown: "dd/MM/yyyy" and "HH:mm:ss" in French, "M/d/yyyy" and "h:mm:ss AP" in
// American English.
inline QString PickerDateFormat() {
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1StringView("yyyy")))
        format.replace(QLatin1StringView("yy"), QLatin1StringView("yyyy"));
    return format;
}
inline QString PickerTimeFormat() {
    QString format = QLocale().timeFormat(QLocale::ShortFormat);
    if (!format.contains(u's'))
        format.replace(QLatin1StringView("mm"), QLatin1StringView("mm:ss"));
    return format;
}

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
