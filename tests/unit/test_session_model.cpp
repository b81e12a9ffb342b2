#include "core/common/Temperature.h"
#include "core/common/ValueMarkers.h"
#include "core/session/CRecSession.h"
#include "core/session/ChannelTexts.h"
#include "core/session/CountCache.h"
#include "core/session/ModelTable.h"
#include "core/session/MovingAverage.h"
#include "core/session/ThermocoupleEmf.h"
#include "support/SessionTestSupport.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

std::vector<int16_t> Counts(std::initializer_list<int> list) {
    return std::vector<int16_t>(list.begin(), list.end());
}

} // namespace

TEST(ModelTable, LookupAndNames) {
    EXPECT_EQ(FindModelEntry(8, 1), 10);
    EXPECT_EQ(ModelTableRow(FindModelEntry(8, 7)).NameText(), u"TC1VB"_qs);
    EXPECT_EQ(FindModelEntry(4, 5), 5) << "no row with that index: the first row of the model";
    EXPECT_EQ(FindModelEntry(42, 0), 0);
    EXPECT_EQ(ModelTableRow(-3).NameText(), u"Undefined"_qs);
    EXPECT_EQ(ModelDisplayName(6, false, false), u"VX31 (Event)"_qs);
    EXPECT_EQ(ModelDisplayName(6, true, true), u"VX31 (Event rising)"_qs);
    EXPECT_EQ(ModelDisplayName(6, true, false), u"VX31 (Event falling)"_qs);
    EXPECT_EQ(ModelDisplayName(9, false, true), u"VX01 (5 Vac)"_qs);
    EXPECT_EQ(ModelDisplayName(-1, false, true), u"VXxx (?)"_qs);

    const KindFlags tc = KindFlags::Of(ChannelKindType::Thermocouple);
    EXPECT_TRUE(tc.thermocouple && tc.analog && tc.temperature && tc.rangeCheck);
    EXPECT_FALSE(tc.linear || tc.rtd);
    const KindFlags pulse = KindFlags::Of(ChannelKindType::Pulse);
    EXPECT_TRUE(pulse.linear && pulse.pulse);
    EXPECT_FALSE(pulse.analog || pulse.rangeCheck);
}

TEST(MovingAverageFilter, TruncatedMeanOfTheWindow) {
    MovingAverage avg(3);
    EXPECT_EQ(avg.Add(3), 3);
    EXPECT_EQ(avg.Add(4), 3);
    EXPECT_EQ(avg.Add(INT32_MIN), 0) << "ignored";
    EXPECT_EQ(avg.Add(-10), -1) << "(3 + 4 - 10) / 3, truncated toward zero";
    EXPECT_EQ(avg.Add(0), -2);
    avg.SetWindow(1);
    EXPECT_EQ(avg.Add(7), 7);
}

// The cold-junction table keys on averaged counts and takes INT_MIN for an empty slot.
TEST(MovingAverageFilter, NeverAveragesToTheSmallestInteger) {
    MovingAverage avg(2);
    EXPECT_EQ(avg.Add(INT32_MIN + 1), INT32_MIN + 1);
    EXPECT_EQ(avg.Add(INT32_MIN + 1), INT32_MIN + 1);
    EXPECT_EQ(avg.Add(INT32_MIN + 2), INT32_MIN + 2) << "-2147483646.5 truncated toward zero";
}

TEST(CountCache, ComputesOncePerCountAndKeepsCountsOfOneSlotApart) {
    CountCache cache;
    int computed = 0;
    const auto value = [&](int count) {
        return cache.Get(count, [&] {
            ++computed;
            return count * 0.5;
        });
    };
    EXPECT_EQ(value(5), 2.5);
    EXPECT_EQ(value(5), 2.5);
    EXPECT_EQ(computed, 1);
    // Counts sharing a slot of the 1024.
    for (const auto& [a, b] : {std::pair{-1, 1023}, std::pair{0, 1024}, std::pair{1, -1023}}) {
        EXPECT_EQ(value(a), a * 0.5);
        EXPECT_EQ(value(b), b * 0.5);
        EXPECT_EQ(value(a), a * 0.5);
    }
    computed = 0;
    cache.Clear();
    EXPECT_EQ(value(5), 2.5);
    EXPECT_EQ(computed, 1) << "computed again after a clear";
}

TEST(SessionModel, FilterDelaysAndAveragesTheFirstValues) {
    SessionImageBuilder b;
    b.Set("FilterSize", "10").Samples(Counts({10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 0}));
    const auto s = ReadImage(b);
    ASSERT_TRUE(s);
    const auto& values = s->ChanData().FirstRecord().Values();
    ASSERT_EQ(values.size(), 3u) << "the first 9 counts produce no values";
    EXPECT_DOUBLE_EQ(values[0], 0.055) << "mean of counts 0..9 = 55, 1 mV per count";
    EXPECT_DOUBLE_EQ(values[1], 0.065);
    EXPECT_DOUBLE_EQ(values[2], 0.063) << "(30 + ... + 110 + 0) / 10";
    EXPECT_EQ(s->StartTime(), s->CorrectedStart().ToLocalTimeStamp() + 9);
    EXPECT_EQ(s->DurationSeconds(), 12);
}

TEST(SessionModel, LinearScalingOfTheCurrentModel) {
    SessionImageBuilder b;
    // 1 count = 0.01 mA; scale 4..20 mA -> 0..100.
    b.Set("Model", "4").Set("VRef", "1").Set("MaxCnt", "100").Set("Ch1Mult", "1");
    b.Set("Ch1LowScale", "00000000").Set("Ch1HighScale", "0000C842").Set("Ch1Units", "%");
    b.Samples(Counts({400, 2000, 300, -2199, -2201, 2200, 2201}));
    const auto s = ReadImage(b);
    ASSERT_TRUE(s);
    const auto& v = s->ChanData().FirstRecord().Values();
    ASSERT_EQ(v.size(), 7u);
    EXPECT_NEAR(v[0], 0.0, 1e-9);
    EXPECT_NEAR(v[1], 100.0, 1e-9);
    EXPECT_NEAR(v[2], -6.25, 1e-9);
    EXPECT_NEAR(v[3], (-21.99 - 4) * 6.25, 1e-9) << "still a value above -22 mA";
    EXPECT_EQ(v[4], UnderRangeValue);
    EXPECT_NEAR(v[5], (22 - 4) * 6.25, 1e-9);
    EXPECT_EQ(v[6], OverRangeValue);
    EXPECT_EQ(s->ChanData().ExtraDecimals(), 1) << "factor 6.25";
    EXPECT_EQ(s->DisplayUnits(), u"%"_qs);
    EXPECT_EQ(ChannelTexts(s->ChanData()).ValueText(v[2], s->DisplayUnits()), u"-6,250 %"_qs);
}

TEST(SessionModel, ValueTextUsesTheStepOfTheRange) {
    SessionImageBuilder b;
    // 50 V range: resolution 0.05 V.
    b.Set("Model", "3").Set("VRef", "1").Set("MaxCnt", "1000").Set("Ch1HighScale", "00004842");
    b.Samples(Counts({1234, -1}));
    const auto s = ReadImage(b);
    ASSERT_TRUE(s);
    const CChanData& d = s->ChanData();
    EXPECT_EQ(ChannelTexts(d).ValueText(d.FirstRecord().Values()[0], s->DisplayUnits()),
              u"1,25 Vdc"_qs);
    EXPECT_EQ(ChannelTexts(d).ValueText(d.FirstRecord().Values()[1], QString()), u"0,00"_qs);
    EXPECT_EQ(ChannelTexts(d).ValueText(NoValue, u"V"_qs), u"- - -"_qs);
    EXPECT_EQ(ChannelTexts(d).ValueText(UnderRangeValue, u"V"_qs), u"Sous la gamme"_qs);
    EXPECT_EQ(ChannelTexts(d).ValueText(OverRangeValue, u"V"_qs), u"Au-dessus de la gamme"_qs);
}

TEST(SessionModel, PulseCountsAreConvertedAtOnce) {
    SessionImageBuilder b;
    b.Set("Model", "5").Set("Ch1LowScale", "00000000").Set("Ch1HighScale", "00000041");
    b.Samples(Counts({0, 3, 5, 8}));
    const auto s = ReadImage(b);
    ASSERT_TRUE(s);
    // Scale 0..8 -> 0..8: factor 1, integers.
    EXPECT_EQ(s->ChanData().FirstRecord().Values().ToVector(), (std::vector<double>{0, 3, 5, 8}));
    const RangeStatisticsTexts t =
        ChannelTexts(s->ChanData()).RangeStatistics(false, 0, 0, QString());
    EXPECT_EQ(t.total, u"16"_qs);
    EXPECT_EQ(t.avg, u"4"_qs);
}

TEST(SessionModel, ThermocoupleTemperatures) {
    // 1 count = 0.01 mV.
    SessionImageBuilder b;
    b.Set("Model", "8").Set("TC_Type", "K").Set("VRef", "1").Set("MaxCnt", "100");
    b.PairSamples({{4128, 0}, {0, 0}, {-600, 0}, {7000, 0}});
    auto s = ReadImage(b);
    ASSERT_TRUE(s);
    auto v = s->ChanData().FirstRecord().Values();
    ASSERT_EQ(v.size(), 4u);
    EXPECT_NEAR(v[0], 1000.0, 0.2) << "type K, 41.28 mV";
    EXPECT_NEAR(v[1], 0.0, 1e-9);
    EXPECT_EQ(v[2], UnderRangeValue);
    EXPECT_EQ(v[3], OverRangeValue);
    EXPECT_EQ(s->StoragePeriodText(), u"2 secondes"_qs);
    EXPECT_EQ(s->DurationSeconds(), 8);

    s = ReadImage(b, Fahrenheit());
    ASSERT_TRUE(s);
    v = s->ChanData().FirstRecord().Values();
    EXPECT_NEAR(v[0], 1832.0, 0.4);
    EXPECT_NEAR(v[1], 32.0, 1e-9);
    EXPECT_EQ(v[2], UnderRangeValue) << "a marker is never converted to Fahrenheit";
    EXPECT_EQ(v[3], OverRangeValue);
    EXPECT_EQ(s->DisplayUnits(), u"°F"_qs);
}

TEST(SessionModel, ColdJunctionCompensation) {
    // ITS-90 tables: type K at 25 °C is 1.000 mV, type J at 25 °C is 1.277 mV; the inverse
    // polynomials are good to about 0.05 °C, i.e. 3 µV.
    EXPECT_NEAR(ThermocoupleCelsiusToMv(1, 25.0), 1.000, 0.003);
    EXPECT_NEAR(ThermocoupleCelsiusToMv(0, 25.0), 1.277, 0.003);
    EXPECT_EQ(ThermocoupleCelsiusToMv(9, 25.0), 0.0);

    // Cold junction: an RTD of nominal 1000 ohm against a 1000 ohm reference; the count c
    // of a full scale 4096 gives R = 1000 c / (4096 - c). c = 2048 gives 1000 ohm, 0 °C.
    SessionImageBuilder b;
    b.Set("Model", "8").Set("TC_Type", "K").Set("EnableCJC", "1");
    b.Set("RTDRef", "1000").Set("RTDNom", "1000").Set("MaxCnt", "4096");
    b.Set("VRef", "1").Set("Ch1Mult", "40.96"); // 0.01 mV per count
    b.PairSamples({{0, 2048}, {1000, 2048}, {0, 2160}, {0, 4096}});
    const auto s = ReadImage(b);
    ASSERT_TRUE(s);
    const auto& r = s->ChanData().FirstRecord();
    ASSERT_EQ(r.Values().size(), 4u);
    EXPECT_NEAR(r.Values()[0], 0.0, 0.02);
    EXPECT_NEAR(r.Values()[1], ThermocoupleMvToCelsius(1, 10.0).celsius, 0.02)
        << "1000 counts of 0.01 mV";
    const double cjcCelsius = RtdResistanceToCelsius(1000, 1000.0 * 2160 / (4096 - 2160));
    EXPECT_NEAR(r.Values()[2], cjcCelsius, 0.05) << "the junction's own temperature";
    EXPECT_NEAR(r.CjcEmf()[2], ThermocoupleCelsiusToMv(1, cjcCelsius), 1e-6);
    EXPECT_EQ(r.Values()[3], NoValue) << "a cold junction reading of full scale is unusable";
}

TEST(SessionModel, RtdTemperatures) {
    SessionImageBuilder b;
    // R = 4750 c / (4096 - c); Pt1000 at 0 °C needs c = 4096 * 1000 / 5750.
    b.Set("Model", "7").Set("MaxCnt", "4096");
    b.Samples(Counts({712, 925, 4095, 10}));
    const auto s = ReadImage(b);
    ASSERT_TRUE(s);
    const auto& v = s->ChanData().FirstRecord().Values();
    const auto expected = [](double c) {
        return RtdResistanceToCelsius(1000, 4750 * c / (4096 - c));
    };
    EXPECT_NEAR(v[0], expected(712), 1e-9);
    EXPECT_NEAR(v[0], -0.1, 0.2);
    EXPECT_NEAR(v[1], 100.1, 0.2) << "about 1385.6 ohm";
    EXPECT_EQ(v[2], OverRangeValue);
    EXPECT_EQ(v[3], UnderRangeValue);
}

TEST(SessionModel, EventsAcrossWordBoundaries) {
    SessionImageBuilder b;
    b.Set("Model", "6").Set("Polarity", "1");
    // 0x8001 between zeros, then a run from the last state of word 3 through word 4, then a
    // run that is still on at the end.
    b.Samples(Counts({0x0000, static_cast<int16_t>(0x8001), 0x0000, 0x0001,
                      static_cast<int16_t>(0xC000), static_cast<int16_t>(0xFFFF)}));
    const auto s = ReadImage(b);
    ASSERT_TRUE(s);
    const CChanData& d = s->ChanData();
    const int64_t t0 = s->CorrectedStart().ToLocalTimeStamp();
    const auto& e = d.Events();
    ASSERT_EQ(e.size(), 4u);
    EXPECT_EQ(e[0].startSeconds, t0 + 1);
    EXPECT_EQ(e[0].startMs, 0);
    EXPECT_EQ(e[0].lengthSeconds, 0);
    EXPECT_EQ(e[0].lengthMs, 63);
    EXPECT_EQ(e[1].startMs, 945);
    EXPECT_EQ(e[1].lengthSeconds, 0);
    EXPECT_EQ(e[1].lengthMs, 55) << "ends at millisecond 0 of the next second";
    EXPECT_EQ(e[2].startSeconds, t0 + 3);
    EXPECT_EQ(e[2].startMs, 945);
    EXPECT_EQ(e[2].lengthSeconds, 0);
    EXPECT_EQ(e[2].lengthMs, 55 + 126);
    EXPECT_EQ(e[3].startSeconds, t0 + 5);
    EXPECT_EQ(e[3].lengthSeconds, 1) << "still on after the last word";
    EXPECT_EQ(e[3].lengthMs, 0);

    EXPECT_EQ(d.ValueCount(), 96);
    EXPECT_EQ(ChannelTexts(d).EventLengthAt(t0 + 1, 30), u"0,063 s"_qs);
    EXPECT_EQ(ChannelTexts(d).EventLengthAt(t0 + 1, 500), u"Off"_qs);
    EXPECT_EQ(ChannelTexts(d).EventCellText(3, 2), u"1,000 s"_qs);
    EXPECT_EQ(ChannelTexts(d).EventCellText(4, 0), QString());
    EXPECT_EQ(ChannelTexts(d).EventWindowTotal(0, 96), u"1,299 s"_qs) << "63 + 55 + 181 + 1000 ms";
    EXPECT_EQ(ChannelTexts(d).EventWindowTotal(0, 16), u"Off"_qs);
    EXPECT_EQ(ChannelTexts(d).EventWindowTotal(16, 32), u"0,118 s"_qs)
        << "word 1 holds 63 ms and 55 ms";
    EXPECT_EQ(ChannelTexts(d).EventWindowTotal(17, 32), u"0,055 s"_qs)
        << "the window starts at 63 ms";
    EXPECT_EQ(s->DurationSeconds(), 6) << "one second per word";

    SessionImageBuilder falling;
    falling.Set("Model", "6").Set("Polarity", "0").Samples(Counts({-1, 0x7FFF, -1}));
    const auto f = ReadImage(falling);
    ASSERT_TRUE(f);
    ASSERT_EQ(f->ChanData().Events().size(), 1u);
    EXPECT_EQ(f->ChanData().Events()[0].lengthMs, 63);
    EXPECT_EQ(f->ModelName(true), u"VX31 (Event falling)"_qs);
    const RangeStatisticsTexts t =
        ChannelTexts(f->ChanData()).RangeStatistics(true, 0, 47, QString());
    EXPECT_EQ(t.max, u"1"_qs) << "polarity off counts the clear states";
    EXPECT_EQ(t.total, u"1"_qs);
}

// The cursor stands on state times: an event's length shows from its first on state through
// its last, and the state just before or after it, off, shows "Off".
TEST(SessionModel, EventLengthUnderTheCursorAtTheEventsEdges) {
    SessionImageBuilder b;
    b.Set("Model", "6").Set("Polarity", "1");
    // States 19..22 inside word 1, all of word 3 (48..63), and 94..97 across words 5 and 6.
    b.Samples(
        Counts({0x0000, 0x1E00, 0x0000, -1, 0x0000, 0x0003, static_cast<int16_t>(0xC000), 0x0000}));
    const auto s = ReadImage(b);
    ASSERT_TRUE(s);
    const CChanData& d = s->ChanData();
    ASSERT_EQ(d.Events().size(), 3u);
    const auto at = [&d](int state) {
        const ValueStamp t = d.ValueStampAt(state);
        return ChannelTexts(d).EventLengthAt(t.seconds, t.ms);
    };
    struct Case {
        int first, last;
        QString length;
    };
    for (const Case& c :
         {Case{19, 22, u"0,252 s"_qs}, Case{48, 63, u"1,000 s"_qs}, Case{94, 97, u"0,244 s"_qs}}) {
        SCOPED_TRACE(c.first);
        EXPECT_EQ(at(c.first - 1), u"Off"_qs);
        EXPECT_EQ(at(c.first), c.length);
        EXPECT_EQ(at(c.last), c.length);
        EXPECT_EQ(at(c.last + 1), u"Off"_qs);
    }
}

TEST(SessionModel, StatisticsWithMarkers) {
    SessionImageBuilder b;
    // 1 count = 1 mV on the 10 V range: 11000 counts is over range.
    b.Set("VRef", "1").Set("MaxCnt", "1000");
    b.Samples(Counts({1000, 3000, 11001, 2000, -11001}));
    const auto s = ReadImage(b);
    ASSERT_TRUE(s);
    const CChanData& d = s->ChanData();
    RangeStatisticsTexts t = ChannelTexts(d).RangeStatistics(true, 0, 3, u"V"_qs);
    EXPECT_EQ(t.max, u"Au-dessus de la gamme"_qs);
    EXPECT_EQ(t.min, u"1,00 V"_qs);
    EXPECT_EQ(t.avg, u"2,00 V"_qs) << "the marker stays out of the average";
    EXPECT_EQ(t.last, u"2,00 V"_qs);
    EXPECT_EQ(t.total, u"6,00 V"_qs);

    t = ChannelTexts(d).RangeStatistics(false, 0, 0, QString());
    EXPECT_EQ(t.min, u"Sous la gamme"_qs);
    EXPECT_EQ(t.last, u"Sous la gamme"_qs);

    t = ChannelTexts(d).RangeStatistics(true, 2, 2, QString());
    EXPECT_EQ(t.min, u"- - -"_qs);
    EXPECT_EQ(t.avg, u"Au-dessus de la gamme"_qs);

    t = ChannelTexts(d).RangeStatistics(true, -5, 99, QString());
    EXPECT_EQ(t.last, u"Sous la gamme"_qs) << "the window is clamped to the record";

    SessionImageBuilder none;
    none.Set("MaxCnt", "0").Samples(Counts({1, 2}));
    const auto n = ReadImage(none);
    ASSERT_TRUE(n);
    t = ChannelTexts(n->ChanData()).RangeStatistics(true, 0, 1, QString());
    for (const QString& text : {t.min, t.max, t.avg, t.total})
        EXPECT_EQ(text, u"- - -"_qs);
}

TEST(SessionModel, UnknownModelHasNoValues) {
    SessionImageBuilder b;
    b.Set("Model", "12").Samples(Counts({1, 2, 3}));
    const auto s = ReadImage(b);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->ChannelName(), u"Undefined"_qs);
    EXPECT_EQ(s->ChanData().ValueCount(), 0);
    EXPECT_EQ(ChannelTexts(s->ChanData()).RangeStatistics(false, 0, 0, QString()).avg, u"- - -"_qs);
    EXPECT_EQ(s->InstrumentName(), u"VXxx (?) 12345"_qs);
}
