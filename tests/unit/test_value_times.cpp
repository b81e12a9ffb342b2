// Value i has one time: the one the table stamps it with is the one the graph places it at
// and the cursor reads.
#include "core/common/CalendarDateTime.h"
#include "core/common/TimeFormat.h"
#include "core/graph/CTrendGraph.h"
#include "core/instrument/InstrumentRecords.h"
#include "core/instrument/LiveChannel.h"
#include "core/session/ModelTable.h"
#include "core/session/SessionTable.h"
#include "support/RecordingCanvas.h"
#include "support/SessionTestSupport.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// The builder's voltage session: one value a second, recorded from 2024/03/05 14:07:09.
std::unique_ptr<CRecSession> Voltage(int n) {
    std::vector<int16_t> counts;
    for (int i = 0; i < n; ++i)
        counts.push_back(static_cast<int16_t>(1000 + 37 * i));
    SessionImageBuilder b;
    return ReadImage(b.Samples(counts));
}

// Words of 16 event states: on from bit 4 to bit 7 and from bit 12 to the word's end.
std::unique_ptr<CRecSession> Events(int words) {
    SessionImageBuilder b;
    b.Set("Model", "6").Set("Polarity", "1");
    return ReadImage(b.Samples(std::vector<int16_t>(static_cast<std::size_t>(words), 0x0F0F)));
}

// A session's page graph, drawn at a given plot width, with its cursor placed by pixel.
struct CursorGraph {
    CursorGraph(const CRecSession& session, int outerWidth) {
        graph.SetChannelSource(&session);
        graph.EnableCursor();
        graph.SetOuterRect({0, 0, outerWidth, 300});
        graph.Draw(canvas);
    }
    // Puts the cursor `offset` pixels right of the plot's left edge and draws again.
    void CursorAt(int offset) {
        graph.PlaceCursor(graph.PlotRect().left + 1 + offset);
        graph.Draw(canvas);
    }
    int PlotWidth() const { return graph.PlotRect().Width(); }

    CTrendGraph graph;
    RecordingCanvas canvas;
};

// "date time (span)": the date and time of the label.
QString LabelTime(const QString& label) {
    return label.section(u" ("_qs, 0, 0);
}

QString RowTime(const SessionTable& table, int row) {
    return table.Cell(row, 0) + u' ' + table.Cell(row, 1);
}

TEST(ValueTimes, TheFirstValueComesOnePeriodAfterTheStartAndEventStatesEvery63Ms) {
    const auto oneSecond = Voltage(3);
    const int64_t start = oneSecond->StartTime();
    EXPECT_EQ(oneSecond->ChanData().ValueTime(0), start + 1.0);
    EXPECT_EQ(oneSecond->ChanData().ValueTime(2), start + 3.0);
    EXPECT_EQ(oneSecond->ChanData().FirstValueTime(oneSecond->ChanData().FirstRecord()), start + 1);

    // A thermocouple logger samples every two seconds.
    SessionImageBuilder tc;
    tc.Set("Model", "8").Set("TC_Type", "K").Set("VRef", "1").Set("MaxCnt", "100");
    const auto twoSeconds = ReadImage(tc.PairSamples({{100, 0}, {101, 0}}));
    ASSERT_NE(twoSeconds, nullptr);
    EXPECT_EQ(twoSeconds->ChanData().ValueTime(0), twoSeconds->StartTime() + 2.0);
    EXPECT_EQ(twoSeconds->ChanData().ValueTime(1), twoSeconds->StartTime() + 4.0);

    // Filtered: value 0 is the average up to count 9, the last of the delay.
    SessionImageBuilder filtered;
    filtered.Set("FilterSize", "10").Samples(std::vector<int16_t>(20, 500));
    const auto average = ReadImage(filtered);
    EXPECT_EQ(average->StartTime(), start + 9);
    EXPECT_EQ(average->ChanData().ValueTime(0), start + 10.0);

    // States 15 and 16 lie either side of a word's end.
    const auto events = Events(2);
    const CChanData& d = events->ChanData();
    const CChanRecord& r = d.FirstRecord();
    EXPECT_EQ(d.ValueStampOf(r, 0), (ValueStamp{start, 0}));
    EXPECT_EQ(d.ValueStampOf(r, 1), (ValueStamp{start, 63}));
    EXPECT_EQ(d.ValueStampOf(r, 15), (ValueStamp{start, 945}));
    EXPECT_EQ(d.ValueStampOf(r, 16), (ValueStamp{start + 1, 0}));
    EXPECT_EQ(d.ValueTime(17), static_cast<double>(start) + 1.063);
    // Where the event list starts its events.
    ASSERT_FALSE(d.Events().empty());
    EXPECT_EQ(d.ValueStampOf(r, 4),
              (ValueStamp{d.Events()[0].startSeconds, d.Events()[0].startMs}));
}

TEST(ValueTimes, TheGraphStartsAtTheFirstValueAndEndsAtTheLast) {
    const auto session = Voltage(3601);
    CursorGraph g(*session, 800);
    EXPECT_EQ(static_cast<double>(g.graph.SessionStart()), session->ChanData().ValueTime(0));
    EXPECT_EQ(g.graph.SessionStart() + g.graph.TotalSpan(), session->ChanData().ValueTime(3600));
    const SessionTable table(*session);
    EXPECT_NE(g.canvas.FindText(table.Cell(0, 1)), nullptr) << "the axis's left end";
    EXPECT_NE(g.canvas.FindText(table.Cell(3600, 1)), nullptr) << "the axis's right end";
}

// Two values fill the plot: value 0 owns the pixels up to and including the centre between
// them, value 1 those from one past it.
TEST(ValueTimes, TheCursorOnEitherValueOfATwoValueSessionReadsItsTableRow) {
    const auto session = Voltage(2);
    const SessionTable table(*session);
    // An even plot width, so that the centre falls on a pixel.
    const int outer = CursorGraph(*session, 800).PlotWidth() % 2 == 0 ? 800 : 801;
    CursorGraph g(*session, outer);
    ASSERT_EQ(g.PlotWidth() % 2, 0);
    const int centre = (g.PlotWidth() - 2) / 2;
    const QString units = session->DisplayUnits();
    for (const auto& [offset, row] :
         {std::pair{0, 0}, std::pair{centre - 1, 0}, std::pair{centre, 0}, std::pair{centre + 1, 1},
          std::pair{g.PlotWidth(), 1}}) {
        SCOPED_TRACE(testing::Message() << "cursor " << offset << " px in, centre " << centre);
        g.CursorAt(offset);
        EXPECT_EQ(g.graph.CursorIndex(), row);
        EXPECT_EQ(LabelTime(g.graph.CursorLabel()), RowTime(table, row));
        EXPECT_EQ(g.graph.CursorValueText(units), table.Cell(row, SessionTable::kValueColumn));
        EXPECT_EQ(g.graph.CursorTime().InSeconds(), session->ChanData().ValueTime(row));
    }
}

TEST(ValueTimes, TheCursorOnTheFirstAMiddleAndTheLastValueReadsItsTableRow) {
    // 61 values a few pixels apart: one value per column.
    const auto session = Voltage(61);
    const SessionTable table(*session);
    CursorGraph g(*session, 800);
    const double perValue = (g.PlotWidth() - 2) / 60.0;
    ASSERT_GT(perValue, 2.0);
    for (const int i : {0, 1, 30, 59, 60}) {
        SCOPED_TRACE(i);
        g.graph.PlaceCursorAtTime(static_cast<double>(i));
        g.graph.Draw(g.canvas);
        EXPECT_EQ(g.graph.CursorIndex(), i);
        EXPECT_EQ(LabelTime(g.graph.CursorLabel()), RowTime(table, i));
        EXPECT_EQ(g.graph.CursorValueText(session->DisplayUnits()),
                  table.Cell(i, SessionTable::kValueColumn));
    }
}

// An event session's table lists events: the cursor on the first state of event j reads its
// row's time and length, also for the first state of all and for the last.
TEST(ValueTimes, TheCursorOnAnEventsFirstStateReadsTheEventsTableRow) {
    const auto session = Events(4);
    const CChanData& d = session->ChanData();
    const SessionTable table(*session);
    ASSERT_TRUE(table.IsEventTable());
    ASSERT_EQ(table.RowCount(), 8) << "two events a word";
    CursorGraph g(*session, 800);
    ASSERT_GT((g.PlotWidth() - 2) / 63.0, 2.0) << "one state per column";
    const CChanRecord& r = d.FirstRecord();
    for (int row = 0; row < table.RowCount(); ++row) {
        SCOPED_TRACE(row);
        // The state the event starts at: its second from the first value, its bit from 63 ms.
        const SessionEvent& e = d.Events()[static_cast<std::size_t>(row)];
        const int state =
            static_cast<int>((e.startSeconds - d.FirstValueTime(r)) * 16 + e.startMs / 63);
        g.graph.PlaceCursorAtTime(state / 16.0);
        g.graph.Draw(g.canvas);
        EXPECT_EQ(g.graph.CursorIndex(), state);
        EXPECT_EQ(LabelTime(g.graph.CursorLabel()), RowTime(table, row));
        EXPECT_EQ(g.graph.CursorEventText(), table.Cell(row, 2));
    }

    // The first state of all (off) and the last (on, in the last event).
    g.CursorAt(0);
    EXPECT_EQ(g.graph.CursorIndex(), 0);
    EXPECT_EQ(LabelTime(g.graph.CursorLabel()), FormatShortDate(session->StartTime()) + u' ' +
                                                    FormatTimeOfDay(session->StartTime(), 0));
    EXPECT_EQ(g.graph.CursorEventText(), u"Off"_qs);
    g.CursorAt(g.PlotWidth());
    EXPECT_EQ(g.graph.CursorIndex(), 63);
    EXPECT_EQ(g.graph.CursorTime(), (ValueStamp{session->StartTime() + 3, 945}));
    EXPECT_EQ(g.graph.CursorEventText(), table.Cell(7, 2));
}

// A channel of two recording runs: the values of the second count from its own start, in the
// table's numbering and on the graph.
TEST(ValueTimes, ASecondRecordCountsFromItsOwnStart) {
    const auto session = Voltage(3);
    CChanData& d = session->ChanData();
    const int64_t start = session->StartTime();
    const int64_t later = start + 100;
    CChanRecord& second = d.AddChannel(d.Row(), later);
    second.AppendSample(1500, 0);
    second.AppendSample(1600, 0);
    d.Recompute(true);
    ASSERT_EQ(d.ValueCount(), 5);
    EXPECT_EQ(d.ValueTime(2), static_cast<double>(start + 3));
    EXPECT_EQ(d.ValueTime(3), static_cast<double>(later + 1));
    EXPECT_EQ(d.ValueStampOf(second, 1), (ValueStamp{later + 2, 0}));
    const SessionTable table(*session);
    EXPECT_EQ(table.Cell(3, 1), FormatTimeOfDay(later + 1, 0));

    CursorGraph g(*session, 800);
    EXPECT_EQ(g.graph.SessionStart(), start + 1);
    EXPECT_EQ(g.graph.TotalSpan(), static_cast<double>(later + 2 - (start + 1)));
    // A window around the second run holds its two values and none of the first's.
    g.graph.SetViewWindow(static_cast<double>(later), 5.0, 0, 1);
    g.graph.Draw(g.canvas);
    EXPECT_EQ(g.graph.VisiblePoints(0, 1), (PointRange{0, 2}));
    EXPECT_GE(g.graph.VisiblePoints(0, 0).first, 3) << "the first run lies before the window";
}

// The live page's reading in hand is value 0: it is placed at the logger's time of it.
TEST(ValueTimes, TheLivePagePlacesEachReadingAtTheLoggersTimeOfIt) {
    for (const int modelCode : {2, 6}) {
        SCOPED_TRACE(modelCode);
        LiveChannel live(*Celsius());
        live.Create();
        InstrumentStatusRecord status;
        const InstrumentConfigRecord config;
        const int row = FindModelEntry(modelCode, 0);
        for (const char* time : {"2024/03/05 14:07:09", "2024/03/05 14:07:10"}) {
            status.time = QString::fromLatin1(time);
            live.ComputeValues(status, config, row);
            live.AddSample(status, config, row, QString());
        }
        const CChanData& d = live.Data()->ChanData();
        const int64_t first = ParseDateTimeText(u"2024/03/05 14:07:09"_qs).ToLocalTimeStamp();
        EXPECT_EQ(d.ValueTime(0), static_cast<double>(first));
        CursorGraph g(*live.Data(), 800);
        EXPECT_EQ(g.graph.SessionStart(), first);
        if (modelCode == 2)
            EXPECT_EQ(d.ValueTime(1), static_cast<double>(first + 1));
        else
            EXPECT_EQ(d.ValueStampAt(16), (ValueStamp{first + 1, 0}));
    }
}

// A logger whose clock was reset records from 1970-01-01 00:00:00: its real times show, also
// across New Year 1980.
TEST(ValueTimes, ALoggerWhoseClockWasResetShowsItsTimesInTheTable) {
    SessionImageBuilder first;
    const auto reset = ReadImage(first.Set("Start", "1970/01/01 00:00:00").Samples({1, 2, 3}));
    ASSERT_TRUE(reset);
    const SessionTable table(*reset);
    EXPECT_EQ(RowTime(table, 0), u"01/01/1970 00:00:01"_qs);
    EXPECT_EQ(RowTime(table, 2), u"01/01/1970 00:00:03"_qs);

    SessionImageBuilder newYear;
    const auto eighties = ReadImage(newYear.Set("Start", "1979/12/31 23:59:58").Samples({1, 2, 3}));
    ASSERT_TRUE(eighties);
    const SessionTable across(*eighties);
    EXPECT_EQ(RowTime(across, 0), u"31/12/1979 23:59:59"_qs);
    EXPECT_EQ(RowTime(across, 1), u"01/01/1980 00:00:00"_qs);
    EXPECT_EQ(RowTime(across, 2), u"01/01/1980 00:00:01"_qs);

    SessionImageBuilder events;
    events.Set("Model", "6").Set("Start", "1970/01/01 00:00:00");
    const auto states = ReadImage(events.Samples({0x0F0F}));
    ASSERT_TRUE(states);
    const SessionTable eventTable(*states);
    EXPECT_EQ(RowTime(eventTable, 0), u"01/01/1970 00:00:00.252"_qs);
}

} // namespace
