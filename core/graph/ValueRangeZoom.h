#pragma once

#include "core/graph/NiceValueRange.h"

struct NarrowedValueRange {
    ValueRange range;
    bool canZoomInVertically = false;
    bool changed = false;
};

// The value range between two values picked in the plot: it only narrows, in whole
// resolution steps, to no less than five steps where the current range allows.
NarrowedValueRange NarrowValueRange(const ValueRange& current, double resolution, double topValue,
                                    double bottomValue);
