#pragma once

#include <QString>

struct TimeDivision {
    double seconds = 0.0;
    QString text; // "12 Min/Div"; empty below a nanosecond
};

// About five divisions across a view of `span` seconds, each a whole number of one unit.
TimeDivision ChooseTimeDivision(double span);
