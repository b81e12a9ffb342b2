#pragma once

#include <cstdint>

// When a value was taken: whole seconds since 1970 and the milliseconds past them.
struct ValueStamp {
    int64_t seconds = 0;
    int ms = 0;

    double InSeconds() const { return static_cast<double>(seconds * 1000 + ms) / 1000.0; }
    bool operator==(const ValueStamp&) const = default;
};

// Event states are 63 ms apart within their second, 16 to a word: state `index` comes this many
// milliseconds after state 0.
inline int64_t EventStateOffsetMs(int64_t index) {
    return (index / 16) * 1000 + 63 * (index % 16);
}
