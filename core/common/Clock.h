#pragma once

#include <QtGlobal>

// Time as the program sees it; tests and the emulated logger inject their own.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds from an arbitrary origin, never going back.
    virtual qint64 MonotonicMs() const = 0;
    // Seconds since 1970-01-01 00:00:00 UTC.
    virtual qint64 WallSeconds() const = 0;
};

class SystemClock final : public Clock {
public:
    qint64 MonotonicMs() const override;
    qint64 WallSeconds() const override;
};
