#pragma once

#include <cmath>
#include <cstdint>

// Half away from zero, clamped to the int32 range; used by the graph and the formatting code.
// NaN gives 0 like zero does, so that no caller converts it to int.
inline constexpr int SaturatingRound(double x) {
    if (!(x > 0.0) && !(x < 0.0))
        return 0;
    if (x > 0.0) {
        const double r = x + 0.5;
        return r > 2147483647.0 ? INT32_MAX : static_cast<int>(r);
    }
    const double r = x - 0.5;
    return r < -2147483648.0 ? INT32_MIN : static_cast<int>(r);
}

// Rounds v to a multiple of 1/n, half away from zero; a value that rounds to zero gives +0.
double RoundToStep(int n, double v);
