#include "core/common/ValueMarkers.h"
#include "core/session/LimitStatistics.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace {

LimitStatistics Of(const std::vector<double>& v, AlarmLimits limits, double period = 1.0) {
    return LimitStatisticsOf(v, limits, period);
}

} // namespace

TEST(LimitStatistics, APointExactlyOnALimitIsInside) {
    const AlarmLimits limits{2.0, 8.0};
    EXPECT_EQ(Of({8.0, 2.0}, limits), (LimitStatistics{0.0, 0.0, 0}));
    // One step either side of each limit.
    const double up = std::nextafter(8.0, 9.0);
    const double down = std::nextafter(2.0, 1.0);
    EXPECT_EQ(Of({up}, limits), (LimitStatistics{1.0, 0.0, 1}));
    EXPECT_EQ(Of({down}, limits), (LimitStatistics{0.0, 1.0, 1}));
    EXPECT_EQ(Of({std::nextafter(8.0, 0.0), std::nextafter(2.0, 9.0)}, limits),
              (LimitStatistics{}));
}

TEST(LimitStatistics, EachPointStandsForOnePeriod) {
    const AlarmLimits limits{0.0, 10.0};
    EXPECT_EQ(Of({11, 12, 5, -1}, limits, 60.0), (LimitStatistics{120.0, 60.0, 2}));
    EXPECT_EQ(Of({11, 12, 5, -1}, limits, 1.0), (LimitStatistics{2.0, 1.0, 2}));
}

TEST(LimitStatistics, OnlyTheLimitsGivenCount) {
    EXPECT_EQ(Of({-50, 50}, AlarmLimits{std::nullopt, 10.0}), (LimitStatistics{1.0, 0.0, 1}));
    EXPECT_EQ(Of({-50, 50}, AlarmLimits{0.0, std::nullopt}), (LimitStatistics{0.0, 1.0, 1}));
    EXPECT_EQ(Of({-50, 50, OverRangeValue}, AlarmLimits{}), (LimitStatistics{}));
}

TEST(LimitStatistics, ExcursionsAreRunsOnOneSide) {
    const AlarmLimits limits{0.0, 10.0};
    // Above, back inside, above again: two; straight from above to below: one more.
    EXPECT_EQ(Of({11, 11, 5, 11, -1, -2, 5}, limits).excursions, 3);
    EXPECT_EQ(Of({11, 11, 11}, limits).excursions, 1);
    EXPECT_EQ(Of({}, limits), (LimitStatistics{}));
}

TEST(LimitStatistics, GapsAddNoTimeAndDoNotSplitAnExcursion) {
    const AlarmLimits limits{0.0, 10.0};
    EXPECT_EQ(Of({11, NoValue, NoValue, 11}, limits), (LimitStatistics{2.0, 0.0, 1}));
    EXPECT_EQ(Of({11, NoValue, 5, NoValue, 11}, limits), (LimitStatistics{2.0, 0.0, 2}));
    EXPECT_EQ(Of({NoValue, NoValue}, limits), (LimitStatistics{}));
}

TEST(LimitStatistics, RangeMarkersLieBeyondTheirLimit) {
    const AlarmLimits limits{0.0, 10.0};
    EXPECT_EQ(Of({OverRangeValue, UnderRangeValue}, limits), (LimitStatistics{1.0, 1.0, 2}));
    // The over-range marker is never below a low limit, nor the under-range one above.
    EXPECT_EQ(Of({OverRangeValue}, AlarmLimits{0.0, std::nullopt}), (LimitStatistics{}));
    EXPECT_EQ(Of({UnderRangeValue}, AlarmLimits{std::nullopt, 10.0}), (LimitStatistics{}));
}

TEST(LimitStatistics, AWindowEdgeInsideAnExcursionCountsOnlyTheWindow) {
    const AlarmLimits limits{0.0, 10.0};
    const std::vector<double> all{5, 11, 12, 13, 14, 5};
    // The window [2, 4) starts and ends inside the excursion of points 1 to 4.
    const std::span<const double> window(all.data() + 2, 2);
    EXPECT_EQ(LimitStatisticsOf(window, limits, 10.0), (LimitStatistics{20.0, 0.0, 1}));
    EXPECT_EQ(LimitStatisticsOf(all, limits, 10.0), (LimitStatistics{40.0, 0.0, 1}));
}

// The expected figures were computed independently with python3:
//   a = 10000; k = [t + 273.15 for t in ts]
//   a / -math.log(sum(math.exp(-a / x) for x in k) / len(k)) - 273.15
TEST(MeanKineticTemperature, MatchesIndependentFigures) {
    const std::vector<double> constant(10, 25.0);
    EXPECT_NEAR(*MeanKineticTemperature(constant, false, 10000.0), 24.999999999999943, 1e-9);

    std::vector<double> step(5, 20.0);
    step.insert(step.end(), 5, 30.0);
    EXPECT_NEAR(*MeanKineticTemperature(step, false, 10000.0), 26.25988691600344, 1e-9);
    EXPECT_NEAR(*MeanKineticTemperature(step, false, 5000.0), 25.611776009145842, 1e-9);

    std::vector<double> ramp;
    for (int i = 0; i <= 100; ++i)
        ramp.push_back(20.0 + i * 0.1);
    EXPECT_NEAR(*MeanKineticTemperature(ramp, false, 10000.0), 25.444215615817598, 1e-9);

    // The same step in °F: f(mkt([20]*5 + [30]*5)) with f(c) = c * 1.8 + 32.
    std::vector<double> stepF;
    for (const double c : step)
        stepF.push_back(c * 1.8 + 32.0);
    EXPECT_NEAR(*MeanKineticTemperature(stepF, true, 10000.0), 79.2677964488062, 1e-9);

    // mkt([2, 2, 2, 8]), the order of the points playing no part.
    EXPECT_NEAR(*MeanKineticTemperature(std::vector<double>{8, 2, 2, 2}, false, 10000.0),
                3.9591495097652114, 1e-9);
}

TEST(MeanKineticTemperature, LeavesOutWhatHasNoTemperature) {
    const std::vector<double> marked{25.0, NoValue, OverRangeValue, UnderRangeValue, 25.0};
    EXPECT_NEAR(*MeanKineticTemperature(marked, false, 10000.0), 25.0, 1e-9);
    EXPECT_FALSE(MeanKineticTemperature(std::vector<double>{NoValue}, false, 10000.0));
    EXPECT_FALSE(MeanKineticTemperature(std::vector<double>{}, false, 10000.0));
    // At absolute zero, and one step above it.
    EXPECT_FALSE(MeanKineticTemperature(std::vector<double>{-273.15}, false, 10000.0));
    EXPECT_TRUE(
        MeanKineticTemperature(std::vector<double>{std::nextafter(-273.15, 0.0)}, false, 1.0));
    EXPECT_FALSE(MeanKineticTemperature(std::vector<double>{25.0}, false, 0.0));
}

TEST(MeanKineticTemperature, StaysInRangeWhereTheTermsWouldUnderflow) {
    // e^(-1e6 / 100) underflows to 0 in double; the shift keeps the result.
    const std::vector<double> cold{100.0 - 273.15, 100.0 - 273.15};
    const std::optional<double> mkt = MeanKineticTemperature(cold, false, 1e6);
    ASSERT_TRUE(mkt);
    EXPECT_NEAR(*mkt, 100.0 - 273.15, 1e-6);
    EXPECT_TRUE(std::isfinite(*mkt));
}
