#include "core/graph/TimeDivision.h"

#include <cmath>

namespace {

// A unit is `seconds` long, or 1 / `perSecond` s for the sub-second ones, so that a
// division of 800 ms is 800 / 1000 rather than 800 × 0.001.
struct DivisionUnit {
    double seconds;
    double perSecond;
    const char* format;
};

constexpr DivisionUnit kUnits[] = {
    {86400.0, 1.0, "%d Days/Div"}, {3600.0, 1.0, "%d Hours/Div"}, {60.0, 1.0, "%d Min/Div"},
    {1.0, 1.0, "%d Sec/Div"},      {1.0, 1e3, "%d mSec/Div"},     {1.0, 1e6, "%d uSec/Div"},
    {1.0, 1e9, "%d nSec/Div"},
};

} // namespace

TimeDivision ChooseTimeDivision(double span) {
    const double x = span / 5.0;
    for (const DivisionUnit& unit : kUnits) {
        // The hair keeps 0.3 s from counting as 299 ms.
        const double count = std::floor(x / unit.seconds * unit.perSecond * (1.0 + 1e-12));
        if (count >= 1.0 && count <= 2147483647.0)
            return {count * unit.seconds / unit.perSecond,
                    QString::asprintf(unit.format, static_cast<int>(count))};
    }
    return {x, QString()};
}
