#include "core/common/Temperature.h"
#include "core/common/ValueMarkers.h"
#include "core/session/ThermocoupleEmf.h"

#include <QFile>
#include <QMap>
#include <QString>
#include <QVector>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace {

// The inverse polynomials themselves are within about 0.06 °C of the reference tables.
constexpr double kTableTolerance = 0.06;
constexpr char kLetters[] = "JKTNERSB";

double Celsius(char type, double emfMv) {
    const unsigned index = static_cast<unsigned>(QByteArray(kLetters).indexOf(type));
    const TcResult r = ThermocoupleMvToCelsius(index, emfMv);
    EXPECT_EQ(r.status, TcStatusType::Ok) << type << " " << emfMv;
    return r.celsius;
}

struct CsvRange {
    double minMv = 0;
    double maxMv = 0;
    QVector<double> coefficients;
};

double Horner(const QVector<double>& c, double x) {
    double sum = 0;
    for (qsizetype i = c.size() - 1; i >= 0; --i)
        sum = sum * x + c[i];
    return sum;
}

QMap<QString, CsvRange> ReadCsv(QFile& file) {
    QMap<QString, CsvRange> ranges;
    while (!file.atEnd()) {
        const QList<QByteArray> f = file.readLine().trimmed().split(',');
        if (f.size() != 6 || f[0].startsWith('#') || f[0] == "type")
            continue;
        CsvRange& r = ranges[QString::fromLatin1(f[0] + f[1])];
        r.minMv = f[2].toDouble();
        r.maxMv = f[3].toDouble();
        EXPECT_EQ(f[4].toInt(), r.coefficients.size());
        r.coefficients.append(f[5].toDouble());
    }
    return ranges;
}

} // namespace

TEST(Thermocouple, ReferenceTablePoints) {
    const struct {
        char type;
        double emfMv;
        double celsius;
    } points[] = {{'J', 27.393, 500},  {'K', 41.276, 1000}, {'K', 4.096, 100},
                  {'T', 9.288, 200},   {'N', 2.774, 100},   {'E', 6.319, 100},
                  {'R', 10.506, 1000}, {'S', 9.587, 1000},  {'B', 4.834, 1000}};
    for (const auto& p : points)
        EXPECT_NEAR(Celsius(p.type, p.emfMv), p.celsius, kTableTolerance) << p.type;
}

TEST(Thermocouple, RangeLimitsAndStatus) {
    EXPECT_EQ(ThermocoupleMvToCelsius(1, 54.886).status, TcStatusType::Ok);
    EXPECT_EQ(ThermocoupleMvToCelsius(1, -5.891).status, TcStatusType::Ok);
    const TcResult above = ThermocoupleMvToCelsius(1, 54.8861);
    EXPECT_EQ(above.status, TcStatusType::AboveRange);
    EXPECT_EQ(above.celsius, 0.0);
    EXPECT_EQ(ThermocoupleMvToCelsius(1, -5.8911).status, TcStatusType::BelowRange);
    EXPECT_EQ(ThermocoupleMvToCelsius(7, 0.29).status, TcStatusType::BelowRange);
    EXPECT_EQ(ThermocoupleMvToCelsius(8, 1.0).status, TcStatusType::BadType);
    EXPECT_EQ(ThermocoupleMvToCelsius(0, std::numeric_limits<double>::quiet_NaN()).status,
              TcStatusType::BelowRange);
    EXPECT_EQ(ThermocoupleMvToCelsius(0, std::numeric_limits<double>::infinity()).status,
              TcStatusType::AboveRange);
}

// Catches a mistyped embedded coefficient. The probes lie where only one sub-range applies (R
// and S have overlapping ones).
TEST(Thermocouple, AgreesWithPublishedCoefficients) {
    QFile file(QStringLiteral(VEXLO_REFERENCE_DIR "/its90-inverse.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "the published coefficients belong to the tests";
    const QMap<QString, CsvRange> ranges = ReadCsv(file);
    ASSERT_EQ(ranges.size(), 23);
    for (auto it = ranges.begin(); it != ranges.end(); ++it) {
        const unsigned type =
            static_cast<unsigned>(QByteArray(kLetters).indexOf(it.key()[0].toLatin1()));
        for (double f : {0.3, 0.5, 0.7}) {
            const double emf = it->minMv + f * (it->maxMv - it->minMv);
            const double expected = Horner(it->coefficients, emf);
            EXPECT_NEAR(ThermocoupleMvToCelsius(type, emf).celsius, expected,
                        1e-9 * (1.0 + std::abs(expected)))
                << qPrintable(it.key()) << " at " << emf;
        }
    }
}

TEST(Rtd, BisectionAndMarkers) {
    // Resolution of sixteen halvings: about 0.001 °C below zero, 0.005 °C above.
    EXPECT_NEAR(RtdResistanceToCelsius(1000.0, 1385.055), 100.0, 0.01);
    EXPECT_NEAR(RtdResistanceToCelsius(1000.0, 1000.0), 0.0, 0.01);
    EXPECT_NEAR(RtdResistanceToCelsius(1000.0, 842.71), -40.0, 0.01);
    EXPECT_EQ(RtdResistanceToCelsius(1000.0, 700.0), UnderRangeValue);
    EXPECT_EQ(RtdResistanceToCelsius(1000.0, 3000.0), OverRangeValue);
    EXPECT_EQ(RtdResistanceToCelsius(1000.0, -5.0), UnderRangeValue);
    EXPECT_EQ(RtdResistanceToCelsius(1000.0, std::numeric_limits<double>::infinity()),
              OverRangeValue);
    EXPECT_EQ(RtdResistanceToCelsius(1000.0, std::numeric_limits<double>::quiet_NaN()),
              UnderRangeValue);
}

TEST(ThermocoupleRange, ByTypeIndexWithJForAnyOther) {
    const auto range = [](int i) {
        const CelsiusRange r = ThermocoupleRangeCelsius(i);
        return std::pair{r.low, r.high};
    };
    EXPECT_EQ(range(0), std::pair(-210.0, 1200.0));
    EXPECT_EQ(range(1), std::pair(-200.0, 1372.0));
    EXPECT_EQ(range(2), std::pair(-200.0, 400.0));
    EXPECT_EQ(range(3), std::pair(-200.0, 1300.0));
    EXPECT_EQ(range(4), std::pair(-200.0, 1000.0));
    EXPECT_EQ(range(5), std::pair(0.0, 1760.0));
    EXPECT_EQ(range(6), std::pair(0.0, 1760.0));
    EXPECT_EQ(range(7), std::pair(250.0, 1800.0));
    EXPECT_EQ(range(8), range(0));
    EXPECT_EQ(range(-1), range(0));
}

namespace {

// The single conversion with its status as the marker the many-EMF one gives.
double SingleCelsiusOrMarker(unsigned type, double emfMv) {
    if (!std::isfinite(emfMv))
        return NoValue;
    const TcResult r = ThermocoupleMvToCelsius(type, emfMv);
    switch (r.status) {
    case TcStatusType::Ok:
        return r.celsius;
    case TcStatusType::BelowRange:
        return UnderRangeValue;
    case TcStatusType::AboveRange:
        return OverRangeValue;
    default:
        return NoValue;
    }
}

// Each type's range ends and the EMFs where its polynomial changes, and one step either side.
std::vector<double> EdgeProbes(unsigned type) {
    const std::vector<std::vector<double>> edges = {{-8.095, 0.0, 42.919, 69.553},
                                                    {-5.891, 0.0, 20.644, 54.886},
                                                    {-5.603, 0.0, 20.872},
                                                    {-3.99, 0.0, 20.613, 47.513},
                                                    {-8.825, 0.0, 76.373},
                                                    {-0.226, 1.923, 13.228, 19.739, 21.103},
                                                    {-0.235, 1.874, 11.95, 17.536, 18.693},
                                                    {0.291, 2.431, 13.82}};
    constexpr double kInf = std::numeric_limits<double>::infinity();
    std::vector<double> probes;
    for (const double e : edges[type])
        probes.insert(probes.end(), {std::nextafter(e, -kInf), e, std::nextafter(e, kInf)});
    return probes;
}

} // namespace

// The load converts EMFs four at a time where they share a polynomial: every edge, at every
// place in a block and in the tail, must give exactly what the single conversion gives.
TEST(ThermocoupleInPlace, AgreesBitForBitWithTheSingleConversionAtEveryEdge) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (unsigned type = 0; type < 8; ++type) {
        std::vector<double> probes = EdgeProbes(type);
        probes.insert(probes.end(), {nan, inf, -inf, probes.front(), probes.back()});
        // Runs of one value put each probe beside itself: a whole block in one sub-range.
        for (const double p : EdgeProbes(type))
            probes.insert(probes.end(), 5, p);
        for (std::size_t lead = 0; lead < 4; ++lead) {
            for (std::size_t trim = 0; trim < 4; ++trim) {
                std::vector<double> emf(lead, probes[probes.size() / 2]);
                emf.insert(emf.end(), probes.begin(), probes.end() - trim);
                std::vector<double> converted = emf;
                ThermocoupleMvToCelsiusInPlace(type, converted);
                for (std::size_t i = 0; i < emf.size(); ++i)
                    EXPECT_EQ(converted[i], SingleCelsiusOrMarker(type, emf[i]))
                        << kLetters[type] << " at " << emf[i] << ", lead " << lead;
            }
        }
    }
}

TEST(ThermocoupleInPlace, UnknownTypeAndShortSpans) {
    std::vector<double> emf = {1.0, 2.0, 3.0, 4.0, 5.0};
    ThermocoupleMvToCelsiusInPlace(8, emf);
    EXPECT_EQ(emf, std::vector<double>(5, NoValue));
    ThermocoupleMvToCelsiusInPlace(1, {});
    for (std::size_t n = 1; n <= 5; ++n) {
        std::vector<double> k(n, 4.096);
        ThermocoupleMvToCelsiusInPlace(1, k);
        EXPECT_EQ(k, std::vector<double>(n, ThermocoupleMvToCelsius(1, 4.096).celsius)) << n;
    }
}

// The cold junction goes the other way, °C to mV, by bisection over the inverse functions: at
// the temperature of every edge of the inverse polynomials and 0.01 °C either side it must
// come back to the same temperature, never falling as it rises, and beyond a type's range it
// stays at the range's end.
TEST(ThermocoupleEmf, EveryEdgeBothWays) {
    for (unsigned type = 0; type < 8; ++type) {
        const std::vector<double> probes = EdgeProbes(type);
        const double lowestMv = probes[1];
        const double highestMv = probes[probes.size() - 2];
        const double lowest = ThermocoupleMvToCelsius(type, lowestMv).celsius;
        const double highest = ThermocoupleMvToCelsius(type, highestMv).celsius;
        for (const double edgeMv : probes) {
            const TcResult edge = ThermocoupleMvToCelsius(type, edgeMv);
            if (edge.status != TcStatusType::Ok)
                continue;
            double previousMv = -std::numeric_limits<double>::infinity();
            for (const double step : {-0.01, 0.0, 0.01}) {
                const double celsius = edge.celsius + step;
                const double mv = ThermocoupleCelsiusToMv(static_cast<int>(type), celsius);
                SCOPED_TRACE(testing::Message() << kLetters[type] << " at " << celsius << " °C");
                if (celsius < lowest) {
                    EXPECT_NEAR(mv, lowestMv, 1e-5);
                } else if (celsius > highest) {
                    EXPECT_NEAR(mv, highestMv, 1e-5);
                } else {
                    // The published polynomials meet with a step within their accuracy where
                    // they change (N at 20.613 mV: 0.012 °C, B at 2.431 mV: 0.037 °C); the EMF
                    // stops at the edge across it.
                    EXPECT_NEAR(ThermocoupleMvToCelsius(type, mv).celsius, celsius,
                                kTableTolerance);
                    EXPECT_GE(mv, previousMv) << "rising with the temperature";
                    previousMv = mv;
                }
            }
        }
    }
}
