#include "sim/EmulatedClock.h"

#include "core/common/CalendarDateTime.h"

#include <algorithm>
#include <cmath>

namespace {

double ValidSpeed(double speed) {
    return std::isfinite(speed) && speed > 0.0 ? speed : 1.0;
}

} // namespace

EmulatedClock::EmulatedClock(const Clock& clock, double speed)
    : clock_(clock), speed_(ValidSpeed(speed)), monotonicOrigin_(clock.MonotonicMs()),
      anchorMonotonic_(monotonicOrigin_) {
    instrumentOffsetMs_ =
        InstrumentSecondsOf(CalendarDateTime::FromLocalTimeStamp(clock.WallSeconds())) * 1000;
}

qint64 EmulatedClock::ScaledSince(qint64 monotonic) const {
    const double scaled = static_cast<double>(monotonic - anchorMonotonic_) * speed_;
    return anchorElapsed_ + static_cast<qint64>(std::floor(scaled));
}

void EmulatedClock::Sample() {
    const qint64 now = clock_.MonotonicMs();
    // Never let time run backwards, whatever the underlying clock does.
    if (!stalled_)
        elapsedMs_ = std::max(elapsedMs_, ScaledSince(now));
    realMs_ = std::max(realMs_, now - monotonicOrigin_);
}

qint64 EmulatedClock::InstrumentSeconds() const {
    const qint64 ms = InstrumentMs();
    return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

void EmulatedClock::SetInstrumentSeconds(qint64 seconds) {
    instrumentOffsetMs_ = seconds * 1000 - elapsedMs_;
}

void EmulatedClock::SetSpeed(double speed) {
    Sample();
    anchorMonotonic_ = clock_.MonotonicMs();
    anchorElapsed_ = elapsedMs_;
    speed_ = ValidSpeed(speed);
}

qint64 InstrumentSecondsOf(const CalendarDateTime& dt) {
    return dt.SecondsSince(CalendarDateTime::FromFields(1970, 1, 1, 0, 0, 0));
}

CalendarDateTime CalendarOfInstrumentSeconds(qint64 seconds) {
    return CalendarDateTime::FromFields(1970, 1, 1, 0, 0, 0).AddSeconds(seconds);
}
