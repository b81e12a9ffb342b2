#pragma once

#include "core/common/ValueMarkers.h"

#include <cmath>
#include <limits>

// What a run of values holds: the count, extremes and last of its real values (meaningless
// when `real` is 0) and whether it holds range markers.
struct ValueScan {
    int real = 0;
    double minimum = std::numeric_limits<double>::infinity();
    double maximum = -std::numeric_limits<double>::infinity();
    double last = 0.0;
    bool over = false;
    bool under = false;
};

// The smallest and largest real values of what a graph shows, for its automatic scaling.
struct ValueExtent {
    double lowest = std::numeric_limits<double>::infinity();
    double highest = -std::numeric_limits<double>::infinity();

    bool Empty() const { return lowest > highest; }
    void Add(double v) {
        lowest = v < lowest ? v : lowest;
        highest = v > highest ? v : highest;
    }
    void Add(const ValueScan& s) {
        if (s.real == 0)
            return;
        Add(s.minimum);
        Add(s.maximum);
    }
};

// Every marker has at least this magnitude, so anything smaller is a real value. Values
// that are not finite cannot be placed and count as no value.
inline bool IsRealValue(double v) {
    return std::fabs(v) < NoValue;
}

inline ValueScan ScanValuesOneByOne(const double* v, int n) {
    ValueScan s;
    for (int i = 0; i < n; ++i) {
        const double x = v[i];
        if (x == OverRangeValue) {
            s.over = true;
        } else if (x == UnderRangeValue) {
            s.under = true;
        } else if (x != NoValue && std::isfinite(x)) {
            ++s.real;
            s.minimum = x < s.minimum ? x : s.minimum;
            s.maximum = x > s.maximum ? x : s.maximum;
            s.last = x;
        }
    }
    return s;
}

// The common case, plain values only, in one branch-free pass; the rest one by one.
inline ValueScan ScanValues(const double* v, int n) {
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    bool special = false;
    for (int i = 0; i < n; ++i) {
        const double x = v[i];
        lo = x < lo ? x : lo;
        hi = x > hi ? x : hi;
        special |= !IsRealValue(x);
    }
    if (special || n <= 0)
        return ScanValuesOneByOne(v, n);
    ValueScan s;
    s.real = n;
    s.minimum = lo;
    s.maximum = hi;
    s.last = v[n - 1];
    return s;
}
