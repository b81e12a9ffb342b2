#pragma once

#include <QString>
#include <QtGlobal>

struct ClockText {
    QString clock;    // "2:03:04"
    QString unitHint; // " (h:m:s)"
    QString Joined() const { return clock + unitHint; }
};

ClockText FormatSecondsClock(quint32 seconds);
ClockText FormatDurationClock(double seconds);
// "1 h 2 min 5 s"; zero gives an empty text.
QString FormatSpanWords(qint64 seconds);
// "1 h 2 min 5,250 s", with the decimal separator of the locale before the milliseconds.
QString FormatSpanWordsMs(double seconds);
