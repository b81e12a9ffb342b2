#pragma once

#include <cmath>

// Far enough outside any plot to clip, small enough that pixel arithmetic cannot overflow.
inline constexpr double kPixelLimit = 1 << 28;

// C-style truncation toward zero, for coordinates that may lie far outside the plot.
inline int TruncateToPixel(double x) {
    if (!(x > -kPixelLimit))
        return -static_cast<int>(kPixelLimit);
    if (x > kPixelLimit)
        return static_cast<int>(kPixelLimit);
    return static_cast<int>(x);
}
