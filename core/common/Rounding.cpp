#include "core/common/Rounding.h"

double RoundToStep(int n, double v) {
    if (n <= 0)
        return v;
    const double c = n * v;
    double m = std::floor(std::fabs(c));
    if (std::fabs(c) - m >= 0.5)
        m += 1.0;
    const double r = m / n;
    // m == 0 keeps +0 so that a value rounded to nothing never prints as "-0".
    return c < 0.0 && m != 0.0 ? -r : r;
}
