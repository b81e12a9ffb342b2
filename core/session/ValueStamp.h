#pragma once

#include <cstdint>

// When a value was taken: whole seconds since 1970 and the milliseconds past them.
struct ValueStamp {
    int64_t seconds = 0;
    int ms = 0;

    double InSeconds() const { return static_cast<double>(seconds * 1000 + ms) / 1000.0; }
    bool operator==(const ValueStamp&) const = default;
};
