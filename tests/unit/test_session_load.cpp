#include "core/common/ValueMarkers.h"
#include "core/doc/CVexloDoc.h"
#include "core/session/MovingAverage.h"
#include "core/session/SessionFile.h"
#include "core/session/SessionLoadJob.h"
#include "sim/ManualClock.h"
#include "support/FakeDriveBackend.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedUserInterface.h"
#include "support/SessionImageBuilder.h"
#include "support/SessionTestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr int kSamples = 1000000;

QByteArray LongRecording(int samples = kSamples) {
    std::vector<int16_t> counts(static_cast<std::size_t>(samples));
    for (int i = 0; i < samples; ++i)
        counts[static_cast<std::size_t>(i)] = static_cast<int16_t>(i % 2000);
    SessionImageBuilder b;
    b.Set("FilterSize", "4").Samples(counts);
    return b.Build();
}

class SessionLoad : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        path_ = dir_.filePath(u"long.vx"_qs);
        QFile f(path_);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(LongRecording());
    }

    QTemporaryDir dir_;
    QString path_;
};

TEST_F(SessionLoad, TheProgressCoversBuildingTheSessionAndEndsWithIt) {
    QFile file(path_);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray buffer((file.size() + 511) / 512 * 512, '\0');
    CRecSession session(Celsius());
    session.SetPath(path_);
    SessionLoadJob job(file, buffer, file.size(), session, false);

    std::vector<StepProgress> steps;
    do
        steps.push_back(job.Step());
    while (steps.back().state == JobStateType::Running);
    ASSERT_EQ(steps.back().state, JobStateType::Done);
    EXPECT_EQ(steps.back().percent, 100);
    for (std::size_t i = 1; i < steps.size(); ++i)
        EXPECT_GE(steps[i].percent, steps[i - 1].percent) << "step " << i;
    EXPECT_LT(steps[steps.size() - 2].percent, 100) << "the end only once the session is whole";
    // The file is read 64 KiB at a time; building it takes further bounded steps.
    const auto reads =
        static_cast<std::size_t>((file.size() + CLoadFile::kChunkSize - 1) / CLoadFile::kChunkSize);
    const auto blocks = static_cast<std::size_t>(file.size() / 256);
    const std::size_t building = steps.size() - reads;
    EXPECT_GE(building, blocks / SessionImageReader::kBlocksPerStep +
                            kSamples / SessionImageReader::kCountsPerStep);
    EXPECT_LE(steps[reads].percent, 34) << "reading is a third of the bar";

    const auto atOnce = ReadImage(LongRecording());
    ASSERT_TRUE(atOnce);
    EXPECT_EQ(session.ChanData().FirstRecord().Values().ToVector(),
              atOnce->ChanData().FirstRecord().Values().ToVector());
    EXPECT_EQ(session.DurationSeconds(), atOnce->DurationSeconds());
    EXPECT_EQ(session.StartTime(), atOnce->StartTime());
    EXPECT_EQ(session.EndText(), atOnce->EndText());
}

TEST_F(SessionLoad, AnnulerWhileTheSessionIsBuiltOpensNothing) {
    MemorySettingsStore settings;
    FakeDriveBackend drives;
    const ManualClock clock;
    ScriptedUserInterface ui;
    CVexloDoc doc(settings, drives, clock, ui);
    struct : DocObserver {
        int hints = 0;
        void OnDocumentUpdate(UpdateHintType) override { ++hints; }
    } views;
    doc.AddObserver(&views);

    // The whole load, to know where reading ends and building begins.
    ASSERT_TRUE(doc.OpenSessionFile(path_, true));
    const std::vector<int> progress = ui.JobProgress();
    const auto reads =
        static_cast<int>((QFile(path_).size() + CLoadFile::kChunkSize - 1) / CLoadFile::kChunkSize);
    ASSERT_GT(static_cast<int>(progress.size()), reads + 4);
    ASSERT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 100);
    doc.RemoveSession(doc.Sessions().front()->Number());
    views.hints = 0;

    // "Annuler" just after the read, while walking the data, and while converting it.
    const int total = static_cast<int>(progress.size());
    for (const int cancelAt : {reads + 1, reads + 3, total - 2, total - 1}) {
        SCOPED_TRACE(cancelAt);
        ui.Forget();
        ui.CancelJobAfter(cancelAt);
        EXPECT_FALSE(doc.OpenSessionFile(path_, false));
        EXPECT_TRUE(doc.Sessions().empty());
        EXPECT_TRUE(ui.Messages().empty());
        EXPECT_EQ(views.hints, 0);
        EXPECT_TRUE(doc.RecentFiles().isEmpty());
        EXPECT_LT(ui.JobProgress().back(), 100);
    }
}

// A filtered thermocouple load sums each average with its cold junction's EMF, then converts
// the sums together: each value must still be the single conversion of its own sample, across
// a change of polynomial, both ends of the range and a junction of no value, in both units.
TEST(FilteredThermocoupleLoad, GivesEachAverageTheSingleConversion) {
    std::vector<std::pair<int16_t, int16_t>> pairs;
    for (int i = 0; i < 2000; ++i) {
        // Readings sweep from -12 mV to 85 mV, across type K's whole range; the junction opens
        // for a while.
        const auto reading = static_cast<int16_t>(-4000 + 16 * i);
        const bool open = i >= 700 && i < 760;
        pairs.emplace_back(reading, static_cast<int16_t>(open ? 0 : 6150 + i % 7));
    }
    for (const TemperatureUnitSource* units : {Celsius(), Fahrenheit()}) {
        SessionImageBuilder b;
        b.Set("Model", "8").Set("TC_Type", "K").Set("VRef", "100").Set("MaxCnt", "32768");
        b.Set("EnableCJC", "1").Set("FilterSize", "10").PairSamples(pairs);
        const auto s = ReadImage(b, units);
        ASSERT_TRUE(s);
        const CChanData& d = s->ChanData();
        const CChanRecord& r = d.FirstRecord();
        const std::vector<double> values = r.Values().ToVector();
        const std::vector<double> emf = r.CjcEmf();
        ASSERT_EQ(values.size(), pairs.size() - 9);
        ASSERT_EQ(emf.size(), values.size());
        MovingAverage average(10);
        std::size_t markers[3] = {};
        for (std::size_t i = 0; i < pairs.size(); ++i) {
            const int a = average.Add(pairs[i].first);
            if (i < 9)
                continue;
            const double v = values[i - 9];
            EXPECT_EQ(v, d.ConvertValue(a * r.CountScale(), emf[i - 9])) << "sample " << i;
            markers[0] += v == UnderRangeValue;
            markers[1] += v == OverRangeValue;
            markers[2] += v == NoValue;
        }
        EXPECT_GT(markers[0], 0u);
        EXPECT_GT(markers[1], 0u);
        EXPECT_GT(markers[2], 0u) << "the open junction";
    }
}

TEST(SteppedRecompute, ConvertsAsTheWholePassDoes) {
    // A compensated thermocouple through a filter of 10: the filter and the cold junction
    // carry their state from one step to the next.
    SessionImageBuilder b;
    b.Set("Model", "8").Set("TC_Type", "K").Set("VRef", "1.25").Set("MaxCnt", "32768");
    b.Set("EnableCJC", "1").Set("FilterSize", "10");
    std::vector<std::pair<int16_t, int16_t>> pairs;
    for (int i = 0; i < 3000; ++i)
        pairs.emplace_back(static_cast<int16_t>(1000 + (i * 37) % 3000),
                           static_cast<int16_t>(6150 + (i / 50) % 40));
    b.PairSamples(pairs);
    const auto s = ReadImage(b);
    ASSERT_TRUE(s);
    CChanData& d = s->ChanData();
    d.Recompute(true);
    const std::vector<double> whole = d.FirstRecord().Values().ToVector();
    const std::vector<double> emf = d.FirstRecord().CjcEmf();
    ASSERT_EQ(whole.size(), 3000u - 9u);
    ASSERT_TRUE(std::all_of(emf.begin(), emf.end(), [](double e) { return std::isfinite(e); }));
    ASSERT_TRUE(std::none_of(whole.begin(), whole.end(), IsValueMarker))
        << "temperatures, not markers";
    for (const std::size_t step : {std::size_t{1}, std::size_t{7}, std::size_t{2990},
                                   std::size_t{2991}, std::size_t{3000}}) {
        SCOPED_TRACE(step);
        d.BeginRecompute(true);
        EXPECT_EQ(d.CountsToRecompute(), 3000u);
        std::size_t steps = 1;
        std::size_t converted = 0;
        while (!d.RecomputeStep(step)) {
            EXPECT_EQ(d.RecomputedCounts(), converted + step);
            converted = d.RecomputedCounts();
            ++steps;
        }
        EXPECT_EQ(steps, (3000 + step - 1) / step);
        EXPECT_EQ(d.FirstRecord().Values().ToVector(), whole);
        EXPECT_EQ(d.FirstRecord().CjcEmf(), emf);
    }
    // A pulse record is reconverted, not filtered, the same way.
    SessionImageBuilder pulse;
    pulse.Set("Model", "5").Samples({3, 1, 4, 1, 5});
    const auto p = ReadImage(pulse);
    ASSERT_TRUE(p);
    const std::vector<double> pulses = p->ChanData().FirstRecord().Values().ToVector();
    p->ChanData().BeginRecompute(true);
    EXPECT_FALSE(p->ChanData().RecomputeStep(4));
    EXPECT_TRUE(p->ChanData().RecomputeStep(4));
    EXPECT_EQ(p->ChanData().FirstRecord().Values().ToVector(), pulses);
}

} // namespace
