#include "core/common/Clock.h"

#include <QDateTime>
#include <chrono>

qint64 SystemClock::MonotonicMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

qint64 SystemClock::WallSeconds() const {
    return QDateTime::currentSecsSinceEpoch();
}
