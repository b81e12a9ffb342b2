#include "core/common/Temperature.h"

#include "core/common/ValueMarkers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <span>

namespace {

// NIST ITS-90 inverse functions: T[°C] = d0 + d1·E + d2·E² + ..., E in mV, reference junction
// at 0 °C. One array per type and sub-range, lowest power first.
constexpr double kJ0[] = {0.0000000E+00,  1.9528268E+01,  -1.2286185E+00,
                          -1.0752178E+00, -5.9086933E-01, -1.7256713E-01,
                          -2.8131513E-02, -2.3963370E-03, -8.3823321E-05};
constexpr double kJ1[] = {0.000000E+00,  1.978425E+01, -2.001204E-01, 1.036969E-02,
                          -2.549687E-04, 3.585153E-06, -5.344285E-08, 5.099890E-10};
constexpr double kJ2[] = {-3.11358187E+03, 3.00543684E+02,  -9.94773230E+00,
                          1.70276630E-01,  -1.43033468E-03, 4.73886084E-06};
constexpr double kK0[] = {0.0000000E+00,  2.5173462E+01,  -1.1662878E+00,
                          -1.0833638E+00, -8.9773540E-01, -3.7342377E-01,
                          -8.6632643E-02, -1.0450598E-02, -5.1920577E-04};
constexpr double kK1[] = {0.000000E+00,  2.508355E+01, 7.860106E-02,  -2.503131E-01, 8.315270E-02,
                          -1.228034E-02, 9.804036E-04, -4.413030E-05, 1.057734E-06,  -1.052755E-08};
constexpr double kK2[] = {-1.318058E+02, 4.830222E+01, -1.646031E+00, 5.464731E-02,
                          -9.650715E-04, 8.802193E-06, -3.110810E-08};
constexpr double kT0[] = {0.0000000E+00, 2.5949192E+01, -2.1316967E-01, 7.9018692E-01,
                          4.2527777E-01, 1.3304473E-01, 2.0241446E-02,  1.2668171E-03};
constexpr double kT1[] = {0.000000E+00,  2.592800E+01, -7.602961E-01, 4.637791E-02,
                          -2.165394E-03, 6.048144E-05, -7.293422E-07};
constexpr double kN0[] = {0.0000000E+00, 3.8436847E+01, 1.1010485E+00, 5.2229312E+00,
                          7.2060525E+00, 5.8488586E+00, 2.7754916E+00, 7.7075166E-01,
                          1.1582665E-01, 7.3138868E-03};
constexpr double kN1[] = {0.00000E+00,  3.86896E+01,  -1.08267E+00, 4.70205E-02,
                          -2.12169E-06, -1.17272E-04, 5.39280E-06,  -7.98156E-08};
constexpr double kN2[] = {1.972485E+01, 3.300943E+01,  -3.915159E-01,
                          9.855391E-03, -1.274371E-04, 7.767022E-07};
constexpr double kE0[] = {0.0000000E+00,  1.6977288E+01,  -4.3514970E-01,
                          -1.5859697E-01, -9.2502871E-02, -2.6084314E-02,
                          -4.1360199E-03, -3.4034030E-04, -1.1564890E-05};
constexpr double kE1[] = {0.0000000E+00,  1.7057035E+01,  -2.3301759E-01, 6.5435585E-03,
                          -7.3562749E-05, -1.7896001E-06, 8.4036165E-08,  -1.3735879E-09,
                          1.0629823E-11,  -3.2447087E-14};
constexpr double kR0[] = {0.0000000E+00,  1.8891380E+02, -9.3835290E+01, 1.3068619E+02,
                          -2.2703580E+02, 3.5145659E+02, -3.8953900E+02, 2.8239471E+02,
                          -1.2607281E+02, 3.1353611E+01, -3.3187769E+00};
constexpr double kR1[] = {1.334584505E+01,  1.472644573E+02, -1.844024844E+01, 4.031129726E+00,
                          -6.249428360E-01, 6.468412046E-02, -4.458750426E-03, 1.994710149E-04,
                          -5.313401790E-06, 6.481976217E-08};
constexpr double kR2[] = {-8.199599416E+01, 1.553962042E+02,  -8.342197663E+00,
                          4.279433549E-01,  -1.191577910E-02, 1.492290091E-04};
constexpr double kR3[] = {3.406177836E+04, -7.023729171E+03, 5.582903813E+02, -1.952394635E+01,
                          2.560740231E-01};
constexpr double kS0[] = {0.00000000E+00,  1.84949460E+02, -8.00504062E+01, 1.02237430E+02,
                          -1.52248592E+02, 1.88821343E+02, -1.59085941E+02, 8.23027880E+01,
                          -2.34181944E+01, 2.79786260E+00};
constexpr double kS1[] = {1.291507177E+01,  1.466298863E+02, -1.534713402E+01, 3.145945973E+00,
                          -4.163257839E-01, 3.187963771E-02, -1.291637500E-03, 2.183475087E-05,
                          -1.447379511E-07, 8.211272125E-09};
constexpr double kS2[] = {-8.087801117E+01, 1.621573104E+02,  -8.536869453E+00,
                          4.719686976E-01,  -1.441693666E-02, 2.081618890E-04};
constexpr double kS3[] = {5.333875126E+04, -1.235892298E+04, 1.092657613E+03, -4.265693686E+01,
                          6.247205420E-01};
constexpr double kB0[] = {9.8423321E+01,  6.9971500E+02,  -8.4765304E+02,
                          1.0052644E+03,  -8.3345952E+02, 4.5508542E+02,
                          -1.5523037E+02, 2.9886750E+01,  -2.4742860E+00};
constexpr double kB1[] = {2.1315071E+02,  2.8510504E+02,  -5.2742887E+01,
                          9.9160804E+00,  -1.2965303E+00, 1.1195870E-01,
                          -6.0625199E-03, 1.8661696E-04,  -2.4878585E-06};

constexpr double kRest = std::numeric_limits<double>::infinity();

// "JKTNERSB" order.
constexpr CelsiusRange kThermocoupleRanges[] = {
    {-210, 1200}, {-200, 1372}, {-200, 400}, {-200, 1300},
    {-200, 1000}, {0, 1760},    {0, 1760},   {250, 1800},
};

// Every polynomial padded with zero terms to the longest one, highest power first: the
// evaluation has no loop of varying length, and a zero term leaves the sum exactly as it was.
constexpr std::size_t kMaxTerms = 11;
using Polynomial = std::array<double, kMaxTerms>;

template <std::size_t N> constexpr Polynomial HighestFirst(const double (&lowestFirst)[N]) {
    static_assert(N <= kMaxTerms);
    Polynomial p{};
    for (std::size_t i = 0; i < N; ++i)
        p[kMaxTerms - 1 - i] = lowestFirst[i];
    return p;
}

struct SubRange {
    double belowMv; // applies to an EMF below this, the first match wins
    Polynomial polynomial;
};

struct ThermocoupleType {
    double lowestMv;
    double highestMv;
    std::array<SubRange, 4> subRanges;
};

// "JKTNERSB" order. Where the published sub-ranges of R and S overlap, the lower one is used up
// to its own upper limit.
constexpr ThermocoupleType kTypes[] = {
    {-8.095,
     69.553,
     {{{0.0, HighestFirst(kJ0)}, {42.919, HighestFirst(kJ1)}, {kRest, HighestFirst(kJ2)}}}},
    {-5.891,
     54.886,
     {{{0.0, HighestFirst(kK0)}, {20.644, HighestFirst(kK1)}, {kRest, HighestFirst(kK2)}}}},
    {-5.603, 20.872, {{{0.0, HighestFirst(kT0)}, {kRest, HighestFirst(kT1)}}}},
    {-3.99,
     47.513,
     {{{0.0, HighestFirst(kN0)}, {20.613, HighestFirst(kN1)}, {kRest, HighestFirst(kN2)}}}},
    {-8.825, 76.373, {{{0.0, HighestFirst(kE0)}, {kRest, HighestFirst(kE1)}}}},
    {-0.226,
     21.103,
     {{{1.923, HighestFirst(kR0)},
       {13.228, HighestFirst(kR1)},
       {19.739, HighestFirst(kR2)},
       {kRest, HighestFirst(kR3)}}}},
    {-0.235,
     18.693,
     {{{1.874, HighestFirst(kS0)},
       {11.95, HighestFirst(kS1)},
       {17.536, HighestFirst(kS2)},
       {kRest, HighestFirst(kS3)}}}},
    {0.291, 13.82, {{{2.431, HighestFirst(kB0)}, {kRest, HighestFirst(kB1)}}}},
};

inline double Horner(const Polynomial& p, double x) {
    double sum = 0.0;
#pragma GCC unroll 11
    for (const double c : p)
        sum = sum * x + c;
    return sum;
}

// Within the type's range (checked by the caller).
inline const SubRange& SubRangeOf(const ThermocoupleType& type, double emfMv) {
    const SubRange* range = type.subRanges.data();
    while (!(emfMv < range->belowMv))
        ++range;
    return *range;
}

inline double CelsiusInRange(const ThermocoupleType& type, double emfMv) {
    return Horner(SubRangeOf(type, emfMv).polynomial, emfMv);
}

// An EMF's °C, or the marker of its state.
inline double CelsiusOrMarker(const ThermocoupleType& type, double emfMv) {
    if (!std::isfinite(emfMv))
        return NoValue;
    if (emfMv < type.lowestMv)
        return UnderRangeValue;
    if (emfMv > type.highestMv)
        return OverRangeValue;
    return CelsiusInRange(type, emfMv);
}

constexpr std::size_t kBlock = 4;

// Four EMFs that share a sub-range go through one polynomial side by side: four independent
// chains of products keep the processor busy where one would wait on each step.
inline bool ConvertBlock(const ThermocoupleType& type, double* emfMv) {
    const double first = emfMv[0];
    if (!(first >= type.lowestMv && first <= type.highestMv))
        return false;
    const SubRange& range = SubRangeOf(type, first);
    const double low = &range == type.subRanges.data() ? type.lowestMv : (&range)[-1].belowMv;
    for (std::size_t k = 1; k < kBlock; ++k) {
        const double v = emfMv[k];
        if (!(v >= low && v < range.belowMv && v <= type.highestMv))
            return false;
    }
    std::array<double, kBlock> sum{};
#pragma GCC unroll 11
    for (const double c : range.polynomial)
        for (std::size_t k = 0; k < kBlock; ++k)
            sum[k] = sum[k] * emfMv[k] + c;
    std::copy(sum.begin(), sum.end(), emfMv);
    return true;
}

// Callendar-Van Dusen coefficients of IEC 60751.
constexpr double kA = 3.9083e-3;
constexpr double kB = -5.775e-7;
constexpr double kC = -4.183e-12;

double RtdResistance(double nominalOhms, double celsius) {
    const double t = celsius;
    const double poly = 1.0 + kA * t + kB * t * t;
    if (t >= 0.0)
        return nominalOhms * poly;
    return nominalOhms * (poly + kC * (t - 100.0) * t * t * t);
}

} // namespace

TcResult ThermocoupleMvToCelsius(unsigned typeIndex, double emfMv) {
    if (typeIndex >= std::size(kTypes))
        return {0.0, TcStatusType::BadType};
    const ThermocoupleType& type = kTypes[typeIndex];
    // NaN fails both comparisons below; it is no reading, so it counts as under the range.
    if (!(emfMv >= type.lowestMv))
        return {0.0, TcStatusType::BelowRange};
    if (emfMv > type.highestMv)
        return {0.0, TcStatusType::AboveRange};
    return {CelsiusInRange(type, emfMv), TcStatusType::Ok};
}

void ThermocoupleMvToCelsiusInPlace(unsigned typeIndex, std::span<double> emfMv) {
    if (typeIndex >= std::size(kTypes)) {
        std::fill(emfMv.begin(), emfMv.end(), NoValue);
        return;
    }
    const ThermocoupleType& type = kTypes[typeIndex];
    double* v = emfMv.data();
    const std::size_t n = emfMv.size();
    std::size_t i = 0;
    for (; i + kBlock <= n; i += kBlock)
        if (!ConvertBlock(type, v + i))
            for (std::size_t k = i; k < i + kBlock; ++k)
                v[k] = CelsiusOrMarker(type, v[k]);
    for (; i < n; ++i)
        v[i] = CelsiusOrMarker(type, v[i]);
}

CelsiusRange ThermocoupleRangeCelsius(int typeIndex) {
    const bool known =
        typeIndex >= 0 && typeIndex < static_cast<int>(std::size(kThermocoupleRanges));
    return kThermocoupleRanges[known ? typeIndex : 0];
}

double RtdResistanceToCelsius(double nominalOhms, double measuredOhms) {
    if (std::isnan(nominalOhms) || std::isnan(measuredOhms))
        return UnderRangeValue;
    const bool belowZero = measuredOhms < nominalOhms;
    double low = belowZero ? -75.0 : 0.0;
    double high = belowZero ? 0.0 : 555.0;
    double probe = belowZero ? -35.0 : 275.0;
    for (int i = 0; i < 16; ++i) {
        if (RtdResistance(nominalOhms, probe) > measuredOhms)
            high = probe;
        else
            low = probe;
        probe = low + (high - low) * 0.5;
    }
    if (probe < -70.0)
        return UnderRangeValue;
    if (probe > 550.0)
        return OverRangeValue;
    return probe;
}
