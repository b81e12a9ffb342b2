#pragma once

#include "core/common/CalendarDateTime.h"
#include "core/common/StringTable.h"

#include <QString>
#include <QtGlobal>

enum class ZoomToResultType { Accepted, StartOutOfRange, EndOutOfRange };

// The rules of the "Sélectionner les DataPoints à afficher" dialog: a start and an end inside
// the recording, each typed as a date and a time, at least nine sample periods apart and,
// for periods above a second, on the sampling grid.
class ZoomToModel {
public:
    static constexpr int kMinimumPeriods = 9;

    // `period` in whole seconds; below 1 counts as 1. The dialog opens on the whole range.
    ZoomToModel(qint64 rangeStart, qint64 rangeEnd, int period);

    static QString Title() { return ResourceString(TextId::kZoomToTitle); }
    static QString StartGroupText() { return ResourceString(TextId::kStartDateTime); }
    static QString EndGroupText() { return ResourceString(TextId::kEndDateTime); }
    static QString WholeDurationText() { return ResourceString(TextId::kZoomToWholeDuration); }

    int Period() const { return period_; }
    qint64 RangeStart() const { return rangeStart_; }
    qint64 RangeEnd() const { return rangeEnd_; }
    qint64 LatestStart() const;
    qint64 EarliestEnd() const;
    qint64 LatestEnd() const;

    struct PickerRange {
        qint64 first = 0;
        qint64 last = 0;
    };
    // The time pickers' bounds; the date pickers take the days of the same bounds.
    PickerRange StartRange() const { return {rangeStart_, LatestStart()}; }
    PickerRange EndRange() const;

    // The times of day, in seconds from midnight, that a time picker allows on `day` (its
    // date fields) within `range`: the whole day, cut at the range's first moment on its
    // first day and at its last moment on its last day. first > last: no time that day.
    struct TimesOfDay {
        int first = 0;
        int last = 0;
    };
    static TimesOfDay TimesOnDay(const PickerRange& range, const CalendarDateTime& day);

    // The pickers' values; a date part carries the day, a time part the time of day.
    const CalendarDateTime& StartDate() const { return startDate_; }
    const CalendarDateTime& StartTime() const { return startTime_; }
    const CalendarDateTime& EndDate() const { return endDate_; }
    const CalendarDateTime& EndTime() const { return endTime_; }
    void SetStartDate(const CalendarDateTime& date) { startDate_ = date; }
    void SetStartTime(const CalendarDateTime& time) { startTime_ = time; }
    void SetEndDate(const CalendarDateTime& date) { endDate_ = date; }
    void SetEndTime(const CalendarDateTime& time) { endTime_ = time; }
    // Date plus time, or 0 when they make no valid moment.
    qint64 ChosenStart() const;
    qint64 ChosenEnd() const;

    // "Durée totale".
    void ChooseWholeRange();
    // "OK": checks the start, then the end, and puts them on the grid. A start out of range
    // sends both start pickers back to the range start.
    ZoomToResultType Accept();
    // Why Accept refused, with the moments it allows; empty once accepted.
    QString RefusalText(ZoomToResultType result) const;

private:
    void SetStart(qint64 t);
    void SetEnd(qint64 t);
    qint64 Snapped(qint64 t, qint64 initial, qint64 lower, qint64 upper, qint64 bound) const;

    qint64 rangeStart_;
    qint64 rangeEnd_;
    int period_;
    qint64 initialStart_;
    qint64 initialEnd_;
    CalendarDateTime startDate_, startTime_, endDate_, endTime_;
};
