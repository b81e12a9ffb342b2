#pragma once

#include "core/common/Clock.h"

// Time inside the emulated logger. The instrument clock (local wall-clock time counted as if
// it were UTC, in ms) and the recording run at `speed` times real time; erasing and
// programming, being physical, follow the unscaled monotonic time.
class EmulatedClock {
public:
    EmulatedClock(const Clock& clock, double speed);

    // Takes the time of the underlying clock; the readings below refer to that moment.
    void Sample();
    qint64 ElapsedMs() const { return elapsedMs_; }
    qint64 RealMs() const { return realMs_; }
    qint64 InstrumentMs() const { return elapsedMs_ + instrumentOffsetMs_; }
    qint64 InstrumentSeconds() const;
    void SetInstrumentSeconds(qint64 seconds);
    // The same instrument time continues at the new speed.
    void SetSpeed(double speed);
    double Speed() const { return speed_; }
    // From now on the instrument clock and the recording stand still; real time goes on.
    void Stall() { stalled_ = true; }

private:
    qint64 ScaledSince(qint64 monotonic) const;

    const Clock& clock_;
    double speed_;
    qint64 monotonicOrigin_;
    qint64 anchorMonotonic_;
    qint64 anchorElapsed_ = 0;
    qint64 elapsedMs_ = 0;
    qint64 realMs_ = 0;
    qint64 instrumentOffsetMs_ = 0;
    bool stalled_ = false;
};

// Instrument seconds of local wall-clock fields and back (no zone, no daylight shift).
struct CalendarDateTime;
qint64 InstrumentSecondsOf(const CalendarDateTime& dt);
CalendarDateTime CalendarOfInstrumentSeconds(qint64 seconds);
