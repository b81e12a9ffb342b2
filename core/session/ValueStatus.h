#pragma once

enum class ValueStatusType { NoValue, Valid, UnderRange, OverRange };

struct StatValue {
    ValueStatusType status = ValueStatusType::NoValue;
    double value = 0.0;
};
