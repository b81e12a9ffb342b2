// An RTD or thermocouple reading over or under its range stays a marker on every way to the
// user, in °C and in °F alike: a marker converted as a temperature would become a huge number.

#include "core/common/StringTable.h"
#include "core/common/ValueMarkers.h"
#include "core/export/CsvExport.h"
#include "core/export/DataSheetValues.h"
#include "core/instrument/InstrumentRecords.h"
#include "core/instrument/LiveChannel.h"
#include "core/session/ChannelStatistics.h"
#include "core/session/ChannelTexts.h"
#include "core/session/LimitStatistics.h"
#include "core/session/ModelTable.h"
#include "core/session/SessionFile.h"
#include "core/session/SessionTable.h"
#include "support/SessionTestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

using namespace Qt::StringLiterals;

struct Kind {
    const char* name;
    bool fahrenheit;
    bool rtd;
    const TemperatureUnitSource* Units() const { return fahrenheit ? Fahrenheit() : Celsius(); }
};

const Kind kKinds[] = {{"RTD in °C", false, true},
                       {"RTD in °F", true, true},
                       {"thermocouple in °C", false, false},
                       {"thermocouple in °F", true, false}};

// Values about 0 °C, over the range, then under it, each `times` times.
std::unique_ptr<CRecSession> Session(const Kind& k, int times = 1) {
    SessionImageBuilder b;
    std::vector<int16_t> counts;
    std::vector<std::pair<int16_t, int16_t>> pairs;
    for (const int16_t rtd : {712, 4095, 10})
        counts.insert(counts.end(), static_cast<std::size_t>(times), rtd);
    // Type K, 0.01 mV per count: 0 mV, 70 mV and -70 mV.
    for (const int16_t mv : {0, 7000, -7000})
        pairs.insert(pairs.end(), static_cast<std::size_t>(times), {mv, 0});
    if (k.rtd) {
        b.Set("Model", "7").Set("MaxCnt", "4096").Set("RTDRef", "4750").Set("RTDNom", "1000");
        b.Samples(counts);
    } else {
        b.Set("Model", "8").Set("TC_Type", "K").Set("VRef", "1").Set("MaxCnt", "100");
        b.PairSamples(pairs);
    }
    return ReadImage(b, k.Units());
}

double ZeroCelsius(const Kind& k) {
    return k.fahrenheit ? 32.0 : 0.0;
}

QString Over() {
    return ResourceString(TextId::kOverRange);
}

QString Under() {
    return ResourceString(TextId::kUnderRange);
}

} // namespace

TEST(RangeMarkers, StayMarkersInTheConvertedValues) {
    for (const Kind& k : kKinds) {
        SCOPED_TRACE(k.name);
        const auto s = Session(k);
        ASSERT_TRUE(s);
        const auto& v = s->ChanData().FirstRecord().Values();
        ASSERT_EQ(v.size(), 3u);
        EXPECT_NEAR(v[0], ZeroCelsius(k), 0.5);
        EXPECT_EQ(v[1], OverRangeValue);
        EXPECT_EQ(v[2], UnderRangeValue);
        const ChannelTexts texts(s->ChanData());
        EXPECT_EQ(texts.ValueText(v[1], s->DisplayUnits()), Over());
        EXPECT_EQ(texts.ValueText(v[2], s->DisplayUnits()), Under());
    }
}

TEST(RangeMarkers, StayMarkersInTheStatistics) {
    for (const Kind& k : kKinds) {
        SCOPED_TRACE(k.name);
        const auto s = Session(k);
        ASSERT_TRUE(s);
        const CChanData& d = s->ChanData();
        const RangeStatisticsValues all = RangeStatisticsOf(d, false, 0, 0);
        EXPECT_EQ(all.max.status, ValueStatusType::OverRange);
        EXPECT_EQ(all.min.status, ValueStatusType::UnderRange);
        EXPECT_EQ(all.avg.status, ValueStatusType::Valid);
        EXPECT_NEAR(all.avg.value, ZeroCelsius(k), 0.5) << "markers are not averaged";
        EXPECT_EQ(all.last.status, ValueStatusType::UnderRange);
        EXPECT_EQ(RangeStatisticsOf(d, true, 1, 1).avg.status, ValueStatusType::OverRange);
        EXPECT_EQ(RangeStatisticsOf(d, true, 2, 2).avg.status, ValueStatusType::UnderRange);
        const RangeStatisticsTexts texts =
            ChannelTexts(d).RangeStatistics(false, 0, 0, s->DisplayUnits());
        EXPECT_EQ(texts.max, Over());
        EXPECT_EQ(texts.min, Under());
        EXPECT_EQ(texts.last, Under());

        // Limits far outside the real values: the markers alone are out of them.
        const std::span<const double> values = WindowValues(d, false, 0, 0);
        const LimitStatistics limits = LimitStatisticsOf(values, {-40.0, 90.0}, 1.0);
        EXPECT_EQ(limits.timeAboveSeconds, 1.0);
        EXPECT_EQ(limits.timeBelowSeconds, 1.0);
        EXPECT_EQ(limits.excursions, 2);
        const std::optional<double> mkt = MeanKineticTemperature(values, k.fahrenheit, 83.14472);
        ASSERT_TRUE(mkt);
        EXPECT_NEAR(*mkt, ZeroCelsius(k), 0.5) << "only the real value counts";
    }
}

TEST(RangeMarkers, StayMarkersInTheTable) {
    for (const Kind& k : kKinds) {
        SCOPED_TRACE(k.name);
        const auto s = Session(k);
        ASSERT_TRUE(s);
        const SessionTable table(*s);
        ASSERT_EQ(table.RowCount(), 3);
        EXPECT_EQ(table.Cell(1, SessionTable::kValueColumn), Over());
        EXPECT_EQ(table.Cell(2, SessionTable::kValueColumn), Under());
        EXPECT_TRUE(table.Cell(0, SessionTable::kValueColumn).endsWith(s->DisplayUnits()))
            << "a measurement";

        // Rows averaging two values leave the markers out, and a row of markers alone reads
        // as the statistics' average would: over the range first.
        const auto pairs = Session(k, 2);
        ASSERT_TRUE(pairs);
        for (const auto& [grouping, texts] :
             {std::pair{TableGrouping{2, 2}, QStringList{QString(), Over(), Under()}},
              std::pair{TableGrouping{2, 1}, QStringList{QString(), QString(), Over(), Under()}}}) {
            const SessionTable grouped(*pairs, grouping);
            ASSERT_EQ(grouped.RowCount(), texts.size());
            for (int row = 0; row < grouped.RowCount(); ++row) {
                const QString cell = grouped.Cell(row, SessionTable::kValueColumn);
                if (texts[row].isEmpty())
                    EXPECT_EQ(cell, table.Cell(0, SessionTable::kValueColumn)) << row;
                else
                    EXPECT_EQ(cell, texts[row]) << row;
            }
        }
    }
}

TEST(RangeMarkers, StayMarkersInTheExports) {
    QTemporaryDir dir;
    for (const Kind& k : kKinds) {
        SCOPED_TRACE(k.name);
        const auto s = Session(k);
        ASSERT_TRUE(s);
        // The workbook's data sheet cells.
        DataSheetValues cells(*s);
        const DataSheetValues::Cell real = cells.At(0);
        EXPECT_TRUE(real.isNumber);
        EXPECT_NEAR(real.number, ZeroCelsius(k), 0.5);
        const DataSheetValues::Cell over = cells.At(1);
        EXPECT_FALSE(over.isNumber);
        EXPECT_EQ(over.text, Over());
        EXPECT_EQ(over.recorded, OverRangeValue);
        const DataSheetValues::Cell under = cells.At(2);
        EXPECT_FALSE(under.isNumber);
        EXPECT_EQ(under.text, Under());
        EXPECT_EQ(under.recorded, UnderRangeValue);

        // The CSV, for people and for machines.
        for (const CsvFormat& format : {CsvFormat{';', ','}, CsvFormat::Iso()}) {
            const QString path = dir.filePath(u"m.csv"_s);
            CsvExportJob job(*s, path, format);
            ASSERT_TRUE(job.Open());
            while (job.Step().state == JobStateType::Running) {
            }
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            const QStringList rows = QString::fromUtf8(f.readAll()).split(u"\r\n"_s);
            ASSERT_GE(rows.size(), 4) << rows.join(u'|').toStdString();
            const QString overText = format.iso ? u",over_range"_s : u';' + Over() + u';';
            const QString underText = format.iso ? u",under_range"_s : u';' + Under() + u';';
            EXPECT_TRUE(rows[2].contains(overText)) << rows[2].toStdString();
            EXPECT_TRUE(rows[3].contains(underText)) << rows[3].toStdString();
        }
    }
}

TEST(RangeMarkers, StayMarkersOnTheLivePage) {
    for (const Kind& k : kKinds) {
        SCOPED_TRACE(k.name);
        LiveChannel live(*k.Units());
        live.Create();
        InstrumentStatusRecord status;
        InstrumentConfigRecord config;
        status.maxCount = k.rtd ? 4096.0 : 100.0;
        status.vRef = 1.0;
        const int row = k.rtd ? FindModelEntry(7, 0) : FindModelEntry(8, TcLetterToIndex(u"K"_s));
        config.tcIndex = k.rtd ? 0 : TcLetterToIndex(u"K"_s);
        const QString units = ResourceString(k.fahrenheit ? TextId::kFahrenheit : TextId::kCelsius);
        int second = 9;
        for (const int count : {k.rtd ? 712 : 0, k.rtd ? 4095 : 7000, k.rtd ? 10 : -7000}) {
            status.time = u"2024/03/05 14:07:%1"_s.arg(second++, 2, 10, QChar(u'0'));
            status.hasRtdCount = k.rtd;
            status.rtdCount = count;
            status.chan1Count = count;
            live.ComputeValues(status, config, row);
            live.AddSample(status, config, row, units);
        }
        const auto& v = live.Data()->ChanData().FirstRecord().Values();
        ASSERT_EQ(v.size(), 3u);
        EXPECT_NEAR(v[0], ZeroCelsius(k), 0.5);
        EXPECT_EQ(v[1], OverRangeValue);
        EXPECT_EQ(v[2], UnderRangeValue);
        live.UpdateStatistics(units);
        EXPECT_EQ(live.Statistics().max, Over());
        EXPECT_EQ(live.Statistics().min, Under());
        EXPECT_EQ(live.Statistics().last, Under());
    }
}
