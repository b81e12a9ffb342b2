#pragma once

#include "core/common/CalendarDateTime.h"
#include "core/instrument/InstrumentCommands.h"

#include <QString>
#include <QtGlobal>
#include <functional>

class Clock;
class InstrumentPort;

// The computer's clock as local wall-clock fields, the form the logger keeps.
CalendarDateTime ComputerWallClock(const Clock& clock);

// The clock status of the configuration window: unset before 2002, the difference when the
// clocks disagree by more than a second, else empty.
QString ClockStatusText(const CalendarDateTime& instrumentClock,
                        const CalendarDateTime& computerClock);

enum class DateTimeDlgEndType { Cancel, Ok, Synchronise };

// The set-clock window ("Date/heure"): a date and a time, both starting at the computer's time.
class DateTimeDlgModel {
public:
    explicit DateTimeDlgModel(const Clock& clock);

    const CalendarDateTime& Date() const { return date_; }
    const CalendarDateTime& Time() const { return time_; }
    void SetDate(const CalendarDateTime& date) { date_ = date; }
    void SetTime(const CalendarDateTime& time) { time_ = time; }
    // The date of the date picker with the time of the time picker.
    CalendarDateTime Chosen() const;
    // Why OK cannot take the chosen time (outside the logger's clock); empty when it can.
    QString Problem() const;

private:
    CalendarDateTime date_;
    CalendarDateTime time_;
};

struct ClockSetResult {
    bool set = false;
    CalendarDateTime time;
    // When not set although asked: why (a time outside the logger's clock, a failed write).
    QString problem;
};

// `SetInstrumentClock` once the window has closed. A synchronised setting waits, without
// blocking, for the computer clock's next whole second and sends that one; the command then
// goes through the link's queue and the setter finishes once it was written or refused.
class InstrumentClockSetter {
public:
    InstrumentClockSetter(InstrumentPort& port, const Clock& clock) : port_(port), clock_(clock) {}

    // Only the first call counts: one window, one command.
    void Begin(DateTimeDlgEndType end, const CalendarDateTime& chosen);
    // Call every few milliseconds while Pending().
    void Tick();
    bool Pending() const {
        return phase_ == PhaseType::WaitingForSecond || phase_ == PhaseType::Sending;
    }
    bool Finished() const { return phase_ == PhaseType::Finished; }
    const ClockSetResult& Result() const { return result_; }

private:
    enum class PhaseType { NotStarted, WaitingForSecond, Sending, Finished };
    void Send(const CalendarDateTime& time);

    InstrumentPort& port_;
    const Clock& clock_;
    PhaseType phase_ = PhaseType::NotStarted;
    qint64 pressedSecond_ = 0;
    CommandOutcome sent_;
    ClockSetResult result_;
};

// The whole operation: `runDialog` shows the set-clock window bound to the model and tells how
// it closed; a synchronised setting then calls `pause` (a few milliseconds, or an event-loop
// turn) until the next whole second has been sent.
ClockSetResult
SetInstrumentClock(InstrumentPort& port, const Clock& clock,
                   const std::function<DateTimeDlgEndType(DateTimeDlgModel&)>& runDialog,
                   const std::function<void()>& pause);
