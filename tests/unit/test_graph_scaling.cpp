#include "core/graph/CTrendGraph.h"
#include "core/graph/NiceValueRange.h"
#include "core/graph/TimeDivision.h"

#include <gtest/gtest.h>

TEST(GraphNiceRange, SmallNonNegativeValuesGetFiveResolutionSteps) {
    EXPECT_EQ(NiceValueRange(0.0, 0.04, 0.01), (ValueRange{0.0, 0.05}));
    EXPECT_EQ(NiceValueRange(0.01, 0.03, 0.01), (ValueRange{0.0, 0.05}));
    // Markers only: the scaling folds in nothing and asks for 0 to 0.
    EXPECT_EQ(NiceValueRange(0.0, 0.0, 0.02), (ValueRange{0.0, 0.1}));
    EXPECT_NE(NiceValueRange(-0.01, 0.03, 0.01), (ValueRange{0.0, 0.05})) << "negative data";
}

TEST(GraphNiceRange, TenGridStepsAroundTheData) {
    EXPECT_EQ(NiceValueRange(2.0, 8.0, 0.01), (ValueRange{1.0, 11.0}));
    EXPECT_EQ(NiceValueRange(-3.0, 4.0, 0.01), (ValueRange{-4.0, 6.0}));
    EXPECT_EQ(NiceValueRange(-12.5, -2.5, 0.01), (ValueRange{-14.0, 6.0}));
    EXPECT_EQ(NiceValueRange(3.0, 7.0, 1.0), (ValueRange{2.0, 12.0}));
    // Reversed input is taken as a single value.
    const ValueRange single = NiceValueRange(8.0, 2.0, 0.01);
    EXPECT_LE(single.lowest, 2.0);
    EXPECT_GE(single.highest, 2.0);
}

TEST(GraphNiceRange, NarrowRangesAreATenthWide) {
    const ValueRange r = NiceValueRange(0.5, 0.51, 0.001);
    EXPECT_NEAR(r.lowest, 0.47, 1e-9);
    EXPECT_NEAR(r.highest, 0.57, 1e-9);
}

TEST(GraphNiceRange, LimitsBoundTheRange) {
    const ValueRange capped = NiceValueRange(2.0, 8.0, 0.01, 6.0);
    EXPECT_EQ(capped.highest, 6.0);
    EXPECT_EQ(capped.lowest, -1.0) << "the bottom moves down by what the top lost";
    const ValueRange floored = NiceValueRange(2.0, 8.0, 0.01, kNoValueLimit, 1.5);
    EXPECT_EQ(floored.lowest, 1.5);
}

TEST(GraphNiceRange, TheDataTopIsNeverCutOff) {
    // The margin leaves exactly 100 units at a 10-unit grid: eleven steps, not ten.
    const ValueRange r = NiceValueRange(8.0, 102.0, 1.0);
    EXPECT_EQ(r.lowest, 0.0);
    EXPECT_EQ(r.highest, 110.0);
}

TEST(GraphTimeDivision, WholeUnitsOfAFifthOfTheSpan) {
    const TimeDivision hour = ChooseTimeDivision(3600.0);
    EXPECT_EQ(hour.seconds, 720.0);
    EXPECT_EQ(hour.text, u"12 Min/Div"_qs);
    EXPECT_EQ(ChooseTimeDivision(3700.0).seconds, 720.0);

    const TimeDivision ms = ChooseTimeDivision(4.0);
    EXPECT_DOUBLE_EQ(ms.seconds, 0.8);
    EXPECT_EQ(ms.text, u"800 mSec/Div"_qs);
    EXPECT_EQ(ChooseTimeDivision(1.5).text, u"300 mSec/Div"_qs);

    // 1.5 days per division divides by whole days.
    const TimeDivision days = ChooseTimeDivision(5 * 1.5 * 86400.0);
    EXPECT_EQ(days.seconds, 86400.0);
    EXPECT_EQ(days.text, u"1 Days/Div"_qs);
    EXPECT_EQ(ChooseTimeDivision(5 * 7200.0).text, u"2 Hours/Div"_qs);
    EXPECT_EQ(ChooseTimeDivision(40.0).text, u"8 Sec/Div"_qs);
    EXPECT_EQ(ChooseTimeDivision(5e-5).text, u"10 uSec/Div"_qs);
    EXPECT_EQ(ChooseTimeDivision(5e-8).text, u"10 nSec/Div"_qs);

    const TimeDivision tiny = ChooseTimeDivision(1e-10);
    EXPECT_TRUE(tiny.text.isEmpty());
    EXPECT_DOUBLE_EQ(tiny.seconds, 2e-11);
}

TEST(GraphVisiblePoints, RangeOfARecordInTheView) {
    EXPECT_EQ(VisiblePointRange(0.0, 1.0, 100, 0.0, 99.0), (PointRange{0, 100}));
    EXPECT_EQ(VisiblePointRange(0.0, 1.0, 100, 10.5, 20.0), (PointRange{11, 32}));
    EXPECT_EQ(VisiblePointRange(0.0, 2.0, 100, 10.0, 20.0), (PointRange{5, 16}));
    // A record starting later: all from its first point.
    EXPECT_EQ(VisiblePointRange(50.0, 1.0, 100, 10.0, 20.0).first, 0);
    // A view past the record still gives one index.
    EXPECT_EQ(VisiblePointRange(0.0, 1.0, 10, 100.0, 20.0), (PointRange{100, 101}));
}
