#pragma once

#include "core/common/ValueMarkers.h"

enum class ValueStatusType { NoValue, Valid, UnderRange, OverRange };

struct StatValue {
    ValueStatusType status = ValueStatusType::NoValue;
    double value = 0.0;
};

// A value's status: a range marker, no value, or a value.
inline ValueStatusType ValueStatusOf(double v) {
    if (v == OverRangeValue)
        return ValueStatusType::OverRange;
    if (v == UnderRangeValue)
        return ValueStatusType::UnderRange;
    if (v == NoValue)
        return ValueStatusType::NoValue;
    return ValueStatusType::Valid;
}
