#include "core/common/Divider.h"

#include <cmath>
#include <limits>

double DividerResistance(double referenceOhms, double count, double fullScaleCount) {
    if (std::isnan(referenceOhms) || std::isnan(count) || !(fullScaleCount > 0.0))
        return std::numeric_limits<double>::quiet_NaN();
    if (count >= fullScaleCount)
        return std::numeric_limits<double>::infinity();
    if (count <= 0.0)
        return 0.0;
    return referenceOhms * count / (fullScaleCount - count);
}
