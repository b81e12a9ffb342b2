#pragma once

#include "common/TimeFormat.h"

#include <QString>
#include <QStringView>
#include <QtGlobal>

// The texts FormatDateAndTime gives for whole-second time stamps, made cheap for long runs of
// stamps in order: the zone offset is asked once per hour, the date once per local day and
// the time of day once per minute; within a minute only the two digits of the seconds change.
// A stretch where that does not hold (a zone change inside the hour, a locale whose seconds are
// not two digits) is formatted stamp by stamp.
class DateTimeTextCache {
public:
    struct Texts {
        QStringView date;
        QStringView time;
    };

    // Valid until the next call.
    Texts At(qint64 seconds);

private:
    void EnterHour(qint64 seconds);
    void EnterDay(qint64 seconds, qint64 day);
    void EnterMinute(qint64 seconds, qint64 minute);
    Texts Direct(qint64 seconds);

    // The UTC hour [m_hourStart, m_hourStart + 3600) and its local offset, when uniform.
    qint64 m_hourStart = 0;
    bool m_hourKnown = false;
    bool m_hourUniform = false;
    qint64 m_offset = 0;

    qint64 m_day = 0;
    bool m_dayKnown = false;
    bool m_dayMissing = false;
    QString m_date;

    qint64 m_minute = 0;
    bool m_minuteKnown = false;
    bool m_minuteTemplate = false;
    QString m_time; // the minute's text; its seconds digits are patched in place
    qsizetype m_secondsAt = 0;

    DateAndTimeText m_direct;
};
