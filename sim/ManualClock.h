#pragma once

#include "core/common/Clock.h"

// A clock moved by hand, for tests and scripted runs of the emulated logger.
class ManualClock final : public Clock {
public:
    explicit ManualClock(qint64 wallSeconds = 0, qint64 monotonicMs = 0)
        : wallSeconds_(wallSeconds), monotonicMs_(monotonicMs) {}

    qint64 MonotonicMs() const override { return monotonicMs_; }
    qint64 WallSeconds() const override { return wallSeconds_ + wallCarryMs_ / 1000; }

    void AdvanceMs(qint64 ms) {
        monotonicMs_ += ms;
        wallCarryMs_ += ms;
    }
    void AdvanceSeconds(qint64 s) { AdvanceMs(s * 1000); }

private:
    qint64 wallSeconds_;
    qint64 monotonicMs_;
    qint64 wallCarryMs_ = 0;
};
