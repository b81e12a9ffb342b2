// The one count -> resistance rule of the resistance bridges (common/Divider), and the three
// places that use it: the RTD conversion and the cold junction of the session model, and the
// monitor's sensor temperature (test_instrument_monitor.cpp).
#include "core/common/Divider.h"
#include "core/common/Temperature.h"
#include "core/common/ValueMarkers.h"
#include "core/session/CRecSession.h"
#include "support/SessionTestSupport.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::vector<int16_t> Counts(std::initializer_list<int> list) {
    return std::vector<int16_t>(list.begin(), list.end());
}

} // namespace

TEST(Divider, ReferenceTimesCountOverWhatIsLeftOfFullScale) {
    EXPECT_DOUBLE_EQ(DividerResistance(4750.0, 712.0, 4096.0), 4750.0 * 712.0 / (4096.0 - 712.0));
    EXPECT_DOUBLE_EQ(DividerResistance(1000.0, 2048.0, 4096.0), 1000.0) << "half scale: R = ref";
    EXPECT_DOUBLE_EQ(DividerResistance(4750.0, 4095.0, 4096.0), 4750.0 * 4095.0);
}

TEST(Divider, FullScaleIsAnOpenSensor) {
    // The resistance grows without bound as the count nears full scale: infinity is its limit,
    // not a division by zero, and a count past full scale stays there instead of turning into
    // a negative resistance.
    EXPECT_EQ(DividerResistance(4750.0, 4096.0, 4096.0), kInfinity);
    EXPECT_EQ(DividerResistance(4750.0, 5000.0, 4096.0), kInfinity);
    EXPECT_EQ(DividerResistance(4750.0, kInfinity, 4096.0), kInfinity);
    EXPECT_EQ(RtdResistanceToCelsius(1000.0, DividerResistance(4750.0, 4096.0, 4096.0)),
              OverRangeValue);
    double previous = 0.0;
    for (int n = 1; n <= 4096; ++n) {
        const double r = DividerResistance(4750.0, n, 4096.0);
        ASSERT_GT(r, previous) << "monotone up to full scale, count " << n;
        previous = r;
    }
}

TEST(Divider, ZeroIsAShortedSensor) {
    EXPECT_EQ(DividerResistance(4750.0, 0.0, 4096.0), 0.0);
    EXPECT_EQ(DividerResistance(4750.0, -3.0, 4096.0), 0.0) << "never a negative resistance";
    EXPECT_EQ(RtdResistanceToCelsius(1000.0, DividerResistance(4750.0, 0.0, 4096.0)),
              UnderRangeValue);
}

TEST(Divider, WithoutAFullScaleNoCountConverts) {
    EXPECT_TRUE(std::isnan(DividerResistance(4750.0, 0.0, 0.0)));
    EXPECT_TRUE(std::isnan(DividerResistance(4750.0, 100.0, 0.0)));
    EXPECT_TRUE(std::isnan(DividerResistance(4750.0, 100.0, -4096.0)));
    EXPECT_TRUE(std::isnan(DividerResistance(4750.0, 100.0, kNaN)));
    EXPECT_TRUE(std::isnan(DividerResistance(4750.0, kNaN, 4096.0)));
    EXPECT_TRUE(std::isnan(DividerResistance(kNaN, 100.0, 4096.0)));
}

TEST(Divider, RtdSessionsFollowTheRule) {
    SessionImageBuilder b;
    b.Set("Model", "7").Set("MaxCnt", "4096").Set("RTDRef", "4750").Set("RTDNom", "1000");
    b.Samples(Counts({712, 4096, 5000, 0, -3}));
    const auto s = ReadImage(b);
    ASSERT_TRUE(s);
    const auto& v = s->ChanData().FirstRecord().Values();
    ASSERT_EQ(v.size(), 5u);
    EXPECT_EQ(v[0], RtdResistanceToCelsius(1000.0, DividerResistance(4750.0, 712.0, 4096.0)));
    EXPECT_EQ(v[1], OverRangeValue) << "full scale";
    EXPECT_EQ(v[2], OverRangeValue) << "past full scale";
    EXPECT_EQ(v[3], UnderRangeValue) << "zero";
    EXPECT_EQ(v[4], UnderRangeValue);

    SessionImageBuilder none;
    none.Set("Model", "7").Set("MaxCnt", "0").Samples(Counts({0, 712}));
    const auto n = ReadImage(none);
    ASSERT_TRUE(n);
    for (const double value : n->ChanData().FirstRecord().Values())
        EXPECT_EQ(value, NoValue) << "no full scale, no value";
}

TEST(Divider, AColdJunctionAtOrPastFullScaleLeavesNoCompensation) {
    SessionImageBuilder b;
    b.Set("Model", "8").Set("TC_Type", "K").Set("EnableCJC", "1");
    b.Set("RTDRef", "1000").Set("RTDNom", "1000").Set("MaxCnt", "4096");
    b.Set("VRef", "1").Set("Ch1Mult", "40.96");
    b.PairSamples({{0, 2048}, {0, 4096}, {0, 5000}, {0, 0}});
    const auto s = ReadImage(b);
    ASSERT_TRUE(s);
    const auto& v = s->ChanData().FirstRecord().Values();
    ASSERT_EQ(v.size(), 4u);
    EXPECT_NEAR(v[0], 0.0, 0.02) << "1000 ohm, 0 °C";
    EXPECT_EQ(v[1], NoValue) << "an open cold-junction sensor";
    EXPECT_EQ(v[2], NoValue);
    EXPECT_EQ(v[3], NoValue) << "a shorted one";
}
