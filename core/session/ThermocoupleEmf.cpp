#include "core/session/ThermocoupleEmf.h"

#include "core/common/Temperature.h"

#include <cmath>

namespace {
struct EmfInterval {
    double low;
    double high;
};
constexpr EmfInterval kIntervals[] = {
    {-8.095, 69.553}, {-5.891, 76.373}, {-5.603, 20.872}, {-3.99, 47.513},
    {-8.825, 76.373}, {-0.226, 21.103}, {-0.235, 18.693}, {0.291, 13.82},
};
} // namespace

double ThermocoupleCelsiusToMv(int tcIndex, double celsius) {
    if (tcIndex < 0 || tcIndex > 7 || std::isnan(celsius))
        return 0.0;
    double low = kIntervals[tcIndex].low;
    double high = kIntervals[tcIndex].high;
    double mid = 0.0;
    for (int i = 0; i < 1000; ++i) {
        if (std::floor(low * 1e6) == std::floor(high * 1e6))
            break;
        mid = low + (high - low) / 2;
        const TcResult r = ThermocoupleMvToCelsius(static_cast<unsigned>(tcIndex), mid);
        if (r.status == TcStatusType::BadType)
            break;
        if (r.status == TcStatusType::AboveRange || r.celsius > celsius)
            high = mid;
        else
            low = mid;
    }
    return mid;
}
