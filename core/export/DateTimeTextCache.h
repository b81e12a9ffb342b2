#pragma once

#include "core/common/TimeFormat.h"

#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <string>

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
    // Local wall-clock seconds minus UTC seconds at the stamp; 0 where the zone gives none.
    qint64 OffsetAt(qint64 seconds);
    // ISO 8601 with the UTC offset, "2024-03-31T03:00:00+02:00"; ".mmm" only when ms != 0.
    std::string IsoAt(qint64 seconds, int milliseconds);

private:
    void EnterHour(qint64 seconds);
    void EnterDay(qint64 seconds, qint64 day);
    void EnterMinute(qint64 seconds, qint64 minute);
    Texts Direct(qint64 seconds);

    // The UTC hour [hourStart_, hourStart_ + 3600) and its local offset, when uniform.
    qint64 hourStart_ = 0;
    bool hourKnown_ = false;
    bool hourUniform_ = false;
    qint64 offset_ = 0;

    qint64 day_ = 0;
    bool dayKnown_ = false;
    bool dayMissing_ = false;
    QString date_;

    qint64 minute_ = 0;
    bool minuteKnown_ = false;
    bool minuteTemplate_ = false;
    QString time_; // the minute's text; its seconds digits are patched in place
    qsizetype secondsAt_ = 0;

    DateAndTimeText direct_;
};
