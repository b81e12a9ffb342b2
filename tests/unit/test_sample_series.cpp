// One record's samples and what is derived from them: event states read from their words, and
// the min/max summary kept true to the values through every change.
#include "core/session/CChanData.h"
#include "core/session/ChannelStatistics.h"
#include "core/session/SampleSeries.h"
#include "core/session/SessionParams.h"
#include "core/session/SessionParamsValues.h"
#include "support/SessionImageBuilder.h"
#include "support/SessionTestSupport.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

SampleSeries EventWords(const std::vector<uint16_t>& words) {
    SampleSeries series(true);
    for (const uint16_t w : words)
        series.AppendCount(static_cast<int16_t>(w));
    return series;
}

void ExpectScan(const ValueScan& got, double minimum, double maximum, double last, int real) {
    EXPECT_EQ(got.real, real);
    if (real == 0)
        return;
    EXPECT_EQ(got.minimum, minimum);
    EXPECT_EQ(got.maximum, maximum);
    EXPECT_EQ(got.last, last);
    EXPECT_FALSE(got.over || got.under);
}

// What a scan of the values one by one gives, the summary's yardstick.
void ExpectSameAsDirect(const ValueView& view, int64_t first, int64_t n) {
    const std::vector<double> all = view.ToVector();
    const int64_t begin = std::max<int64_t>(first, 0);
    const int64_t end = std::min<int64_t>(first + n, static_cast<int64_t>(all.size()));
    const ValueScan want =
        begin < end ? ScanValues(all.data() + begin, static_cast<int>(end - begin)) : ValueScan{};
    const ValueScan got = view.Scan(first, n);
    EXPECT_EQ(got.real, want.real) << first << '+' << n;
    EXPECT_EQ(got.minimum, want.minimum) << first << '+' << n;
    EXPECT_EQ(got.maximum, want.maximum) << first << '+' << n;
    EXPECT_EQ(got.last, want.last) << first << '+' << n;
    EXPECT_EQ(got.over, want.over) << first << '+' << n;
    EXPECT_EQ(got.under, want.under) << first << '+' << n;
}

TEST(EventSeries, NoWordsNoStates) {
    const SampleSeries none = EventWords({});
    EXPECT_TRUE(none.Values().empty());
    EXPECT_TRUE(none.StateValues(false).empty());
    EXPECT_EQ(none.Values().Scan(0, 16).real, 0);
    EXPECT_TRUE(none.AnalogValues().empty());
}

TEST(EventSeries, AWordIsSixteenStatesTheTopBitFirst) {
    const SampleSeries one = EventWords({0x8001});
    const std::vector<double> states = one.Values().ToVector();
    ASSERT_EQ(states.size(), 16u);
    EXPECT_EQ(states.front(), 1.0);
    EXPECT_EQ(states.back(), 1.0);
    for (std::size_t i = 1; i < 15; ++i)
        EXPECT_EQ(states[i], 0.0) << i;
    // With the polarity off a clear bit is an active state.
    const std::vector<double> active = one.StateValues(false).ToVector();
    EXPECT_EQ(active.front(), 0.0);
    EXPECT_EQ(active[1], 1.0);
    EXPECT_EQ(active[14], 1.0);
    EXPECT_EQ(active.back(), 0.0);
    EXPECT_EQ(one.StateValues(true).ToVector(), states);
}

TEST(EventSeries, AllStatesOnOrAllOff) {
    const SampleSeries on = EventWords({0xFFFF});
    const SampleSeries off = EventWords({0x0000});
    ExpectScan(on.Values().Scan(0, 16), 1.0, 1.0, 1.0, 16);
    ExpectScan(off.Values().Scan(0, 16), 0.0, 0.0, 0.0, 16);
    ExpectScan(on.StateValues(false).Scan(0, 16), 0.0, 0.0, 0.0, 16);
    ExpectScan(off.StateValues(false).Scan(0, 16), 1.0, 1.0, 1.0, 16);
}

TEST(EventSeries, TheSecondWordFollowsTheFirst) {
    const SampleSeries two = EventWords({0x0001, 0x8000});
    const ValueView states = two.Values();
    ASSERT_EQ(states.size(), 32u);
    EXPECT_EQ(states[14], 0.0);
    EXPECT_EQ(states[15], 1.0);
    EXPECT_EQ(states[16], 1.0);
    EXPECT_EQ(states[17], 0.0);
    // A window across the two words, and one on each side of the edge.
    ExpectScan(states.Scan(15, 2), 1.0, 1.0, 1.0, 2);
    ExpectScan(states.Scan(14, 4), 0.0, 1.0, 0.0, 4);
    ExpectScan(states.Scan(0, 15), 0.0, 0.0, 0.0, 15);
    ExpectScan(states.Scan(17, 15), 0.0, 0.0, 0.0, 15);
}

TEST(EventSeries, AWindowInsideOneWordReadsOnlyItsStates) {
    // States 7 and 8 on.
    const SampleSeries word = EventWords({0x0180});
    const ValueView states = word.Values();
    ExpectScan(states.Scan(7, 2), 1.0, 1.0, 1.0, 2);
    ExpectScan(states.Scan(6, 1), 0.0, 0.0, 0.0, 1);
    ExpectScan(states.Scan(6, 2), 0.0, 1.0, 1.0, 2);
    ExpectScan(states.Scan(8, 2), 0.0, 1.0, 0.0, 2);
    ExpectScan(states.Scan(9, 7), 0.0, 0.0, 0.0, 7);
    for (int64_t first = 0; first < 16; ++first)
        for (int64_t n = 0; first + n <= 16; ++n)
            ExpectSameAsDirect(states, first, n);
}

TEST(EventSeries, ScansAreCutToTheStates) {
    const SampleSeries words = EventWords({0xFFFF, 0x0001});
    const ValueView states = words.Values();
    ExpectScan(states.Scan(-5, 10), 1.0, 1.0, 1.0, 5);
    ExpectScan(states.Scan(30, 5), 0.0, 1.0, 1.0, 2);
    EXPECT_EQ(states.Scan(32, 1).real, 0);
    EXPECT_EQ(states.Scan(31, 0).real, 0);
    ExpectScan(states.Scan(31, 1), 1.0, 1.0, 1.0, 1);
}

// Whole words are counted four at a time: every window over nine words, both polarities, must
// count what the states one by one say.
TEST(EventSeries, OnCountsAgreeWithTheStatesAtEveryWindow) {
    const SampleSeries words =
        EventWords({0xFFFF, 0x0000, 0x8001, 0x7FFE, 0xA5A5, 0x0180, 0xFFFF, 0x1234, 0x0001});
    for (const bool clearIsOne : {false, true}) {
        const ValueView states = words.StateValues(!clearIsOne);
        const std::vector<double> all = states.ToVector();
        ASSERT_EQ(all.size(), 144u);
        for (int64_t first = -1; first <= 145; ++first) {
            for (int64_t end = first; end <= 146; ++end) {
                int64_t want = 0;
                for (int64_t i = std::max<int64_t>(first, 0); i < std::min<int64_t>(end, 144); ++i)
                    want += all[static_cast<std::size_t>(i)] == 1.0;
                ASSERT_EQ(states.OnCount(first, end), want)
                    << first << " to " << end << (clearIsOne ? ", polarity off" : "");
            }
        }
    }
}

std::vector<double> Wave(std::size_t n, double phase) {
    std::vector<double> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = i % 4099 == 0 ? OverRangeValue : std::sin(static_cast<double>(i) * 1e-4 + phase);
    return v;
}

TEST(AnalogSeries, TheSummaryFollowsAConversionInPlace) {
    SampleSeries series(false);
    constexpr std::size_t n = SampleSeries::kSummarisedFrom + 777;
    for (const double phase : {0.0, 2.0}) {
        const std::vector<double> wave = Wave(n, phase);
        const std::span<double> values = series.BeginConversion(n);
        std::copy(wave.begin(), wave.end(), values.begin());
        // Half converted: read without a summary of the values that were.
        ExpectSameAsDirect(series.Values(), 0, static_cast<int64_t>(n));
        series.EndConversion();
        for (const auto& [first, count] :
             std::vector<std::pair<int64_t, int64_t>>{{0, static_cast<int64_t>(n)},
                                                      {63, 64 * 70},
                                                      {1, static_cast<int64_t>(n) - 2},
                                                      {4096, 8 * 64 * 8}})
            ExpectSameAsDirect(series.Values(), first, count);
    }
}

TEST(AnalogSeries, ValuesAppendedOneByOneAreSummarisedFromTheThresholdOn) {
    SampleSeries series(false);
    const std::vector<double> wave = Wave(SampleSeries::kSummarisedFrom + 200, 1.0);
    for (std::size_t i = 0; i < wave.size(); ++i) {
        series.AppendValue(wave[i]);
        // Just below, at and just above the threshold, and a block edge later.
        const std::size_t count = i + 1;
        if (count + 1 == SampleSeries::kSummarisedFrom || count == SampleSeries::kSummarisedFrom ||
            count == SampleSeries::kSummarisedFrom + 1 ||
            count == SampleSeries::kSummarisedFrom + 64)
            ExpectSameAsDirect(series.Values(), 0, static_cast<int64_t>(count));
    }
    ExpectSameAsDirect(series.Values(), 100, static_cast<int64_t>(wave.size()) - 150);
}

TEST(ValuePyramidExtend, GrowingInPiecesSummarisesAsAtOnce) {
    const std::vector<double> wave = Wave(64 * 8 * 8 * 3 + 5, 0.5);
    const auto total = static_cast<int64_t>(wave.size());
    for (const int64_t piece : {1, 63, 64, 65, 512, 4096}) {
        ValuePyramid grown;
        for (int64_t count = 0; count < total;) {
            count = std::min(total, count + piece);
            grown.Extend(wave.data(), count);
        }
        const ValuePyramid once(wave.data(), total);
        for (const int64_t first : {int64_t{0}, int64_t{63}, int64_t{64}, int64_t{4095}}) {
            const ValueScan a = grown.Scan(wave.data(), first, total - first);
            const ValueScan b = once.Scan(wave.data(), first, total - first);
            EXPECT_EQ(a.minimum, b.minimum) << piece << ' ' << first;
            EXPECT_EQ(a.maximum, b.maximum) << piece << ' ' << first;
            EXPECT_EQ(a.real, b.real) << piece << ' ' << first;
            EXPECT_EQ(a.over, b.over) << piece << ' ' << first;
        }
    }
}

// A session's summary after the changes that convert its values again in place.
class SeriesOfASession : public testing::Test {
protected:
    static std::vector<int16_t> Ramp(int n) {
        std::vector<int16_t> counts(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i)
            counts[static_cast<std::size_t>(i)] = static_cast<int16_t>(500 + (i * 7) % 1900);
        return counts;
    }
    static void ExpectTrueSummary(const CRecSession& s) {
        const ValueView values = s.ChanData().FirstRecord().Values();
        ASSERT_GE(values.size(), SampleSeries::kSummarisedFrom);
        ExpectSameAsDirect(values, 0, static_cast<int64_t>(values.size()));
        ExpectSameAsDirect(values, 1000, 70000 - 3000);
    }
    static constexpr int kSamples = 70000;
};

class SwitchableUnit final : public TemperatureUnitSource {
public:
    bool UseFahrenheit() const override { return fahrenheit; }
    bool fahrenheit = false;
};

TEST_F(SeriesOfASession, ANewTemperatureUnit) {
    SwitchableUnit unit;
    SessionImageBuilder b;
    b.Set("Model", "8").Set("TC_Type", "K").Set("VRef", "1").Set("MaxCnt", "100");
    const auto s = ReadImage(b.Samples(Ramp(kSamples)), &unit);
    ASSERT_TRUE(s);
    const ValueScan celsius = s->ChanData().FirstRecord().Values().Scan(0, kSamples);
    unit.fahrenheit = true;
    s->RecomputeValues();
    ExpectTrueSummary(*s);
    EXPECT_GT(s->ChanData().FirstRecord().Values().Scan(0, kSamples).maximum, celsius.maximum);
}

TEST_F(SeriesOfASession, NewScalesAndANewFilter) {
    SessionImageBuilder b;
    const auto s = ReadImage(b.Samples(Ramp(kSamples)));
    ASSERT_TRUE(s);
    const ValueScan before = s->ChanData().FirstRecord().Values().Scan(0, kSamples);
    SessionParamsValues scaled = SessionParamsValues::Of(*s);
    scaled.highScale *= 10.0f;
    ASSERT_TRUE(ApplySessionParams(*s, SessionParamsValues::Of(*s), scaled).recomputed);
    ExpectTrueSummary(*s);
    EXPECT_GT(s->ChanData().FirstRecord().Values().Scan(0, kSamples).maximum, before.maximum);

    SessionParamsValues filtered = SessionParamsValues::Of(*s);
    filtered.filterSize = 10;
    ASSERT_TRUE(ApplySessionParams(*s, SessionParamsValues::Of(*s), filtered).recomputed);
    EXPECT_EQ(s->ChanData().FirstRecord().Values().size(), std::size_t{kSamples - 9});
    ExpectTrueSummary(*s);
}

} // namespace

namespace {

std::vector<SessionEvent> EventsInSteps(CChanData& chan, std::size_t words) {
    chan.BeginRecompute(false);
    int steps = 0;
    while (!chan.RecomputeStep(words))
        ++steps;
    EXPECT_GE(steps, 0);
    return chan.Events();
}

bool SameEvents(const std::vector<SessionEvent>& a, const std::vector<SessionEvent>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const SessionEvent& x, const SessionEvent& y) {
                          return x.wordIndex == y.wordIndex && x.startSeconds == y.startSeconds &&
                                 x.startMs == y.startMs && x.lengthSeconds == y.lengthSeconds &&
                                 x.lengthMs == y.lengthMs;
                      });
}

// The runs are found a bounded number of words at a time, so that a long load can show its
// progress and be cancelled; the steps change nothing of what is found.
TEST(EventExtraction, InStepsAsAtOnceWhateverTheStep) {
    for (const char* polarity : {"1", "0"}) {
        SessionImageBuilder b;
        // A run across a word edge, words all on and all off, and a run open at the end.
        b.Set("Model", "6").Set("Polarity", polarity);
        b.Samples({0x0001, -1, -1, 0x0000, 0x0F0F, 0x0000, -1, 0x0001});
        const auto s = ReadImage(b);
        ASSERT_TRUE(s);
        CChanData& chan = s->ChanData();
        chan.ExtractEvents();
        const std::vector<SessionEvent> atOnce = chan.Events();
        ASSERT_GE(atOnce.size(), 3u) << polarity;
        for (const std::size_t words :
             {std::size_t{1}, std::size_t{2}, std::size_t{7}, std::size_t{8}, std::size_t{9}})
            EXPECT_TRUE(SameEvents(EventsInSteps(chan, words), atOnce))
                << "polarity " << polarity << ", " << words << " words a step";
    }
}

TEST(EventExtraction, ARunStillOnAtTheEndLastsToTheEndOfTheLastWord) {
    SessionImageBuilder b;
    b.Set("Model", "6").Set("Polarity", "1").Samples({0x0000, 0x0001});
    const auto s = ReadImage(b);
    ASSERT_TRUE(s);
    const std::vector<SessionEvent>& events = s->ChanData().Events();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].wordIndex, 1);
    EXPECT_EQ(events[0].startMs, 15 * 63);
    EXPECT_EQ(events[0].lengthSeconds, 0);
    EXPECT_EQ(events[0].lengthMs, 1000 - 15 * 63);
}

} // namespace

namespace {

// Event statistics come from counts of set bits; they are what a pass over the states gives.
TEST(EventStatistics, AWindowCutInsideWordsCountsItsStatesOnly) {
    for (const char* polarity : {"1", "0"}) {
        SessionImageBuilder b;
        b.Set("Model", "6").Set("Polarity", polarity).Samples({0x0180, -1, 0x0000, 0x7FFE});
        const auto s = ReadImage(b);
        ASSERT_TRUE(s);
        const CChanData& data = s->ChanData();
        const std::vector<double> states =
            data.FirstRecord().Samples().StateValues(data.Polarity()).ToVector();
        ASSERT_EQ(states.size(), 64u);
        for (const auto& [first, last] : std::vector<std::pair<int, int>>{
                 {7, 8}, {6, 6}, {9, 15}, {15, 16}, {0, 63}, {17, 47}, {48, 48}, {63, 63}}) {
            double on = 0.0, lowest = 1.0, highest = 0.0;
            for (int i = first; i <= last; ++i) {
                on += states[static_cast<std::size_t>(i)];
                lowest = std::min(lowest, states[static_cast<std::size_t>(i)]);
                highest = std::max(highest, states[static_cast<std::size_t>(i)]);
            }
            const RangeStatisticsValues got = RangeStatisticsOf(data, true, first, last);
            const std::string where = std::string(polarity) + " [" + std::to_string(first) + ", " +
                                      std::to_string(last) + "]";
            EXPECT_EQ(got.total.value, on) << where;
            EXPECT_EQ(got.avg.value, on / (last - first + 1)) << where;
            EXPECT_EQ(got.min.value, lowest) << where;
            EXPECT_EQ(got.max.value, highest) << where;
            EXPECT_EQ(got.last.value, states[static_cast<std::size_t>(last)]) << where;
            EXPECT_EQ(got.min.status, ValueStatusType::Valid) << where;
        }
    }
}

} // namespace
