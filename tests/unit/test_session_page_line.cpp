// What follows a session's start, and the channel line the session page and the CLI share.
#include "core/common/DurationFormat.h"
#include "core/graph/CTrendGraph.h"
#include "core/graph/SessionChannelLine.h"
#include "core/session/ChannelStatistics.h"
#include "core/session/ChannelTexts.h"
#include "core/session/SessionParamsValues.h"
#include "support/RecordingCanvas.h"
#include "support/SessionTestSupport.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<CRecSession> EventSession(const std::vector<int16_t>& words) {
    SessionImageBuilder b;
    b.Set("Model", "6").Set("Polarity", "1").Samples(words);
    return ReadImage(b);
}

void MoveStart(CRecSession& session, qint64 seconds) {
    const SessionParamsValues before = SessionParamsValues::Of(session);
    SessionParamsValues after = before;
    after.correctedStart = after.correctedStart.AddSeconds(seconds);
    ApplySessionParams(session, before, after);
}

struct DrawnGraph {
    explicit DrawnGraph(const CRecSession& session, bool cursor = false) {
        graph.SetChannelSource(&session);
        graph.SetOuterRect({0, 0, 900, 400});
        if (cursor)
            graph.EnableCursor();
        Draw();
    }
    void Draw() {
        RecordingCanvas canvas;
        graph.Draw(canvas);
    }
    CTrendGraph graph;
};

TEST(SessionStart, AMovedStartMovesTheRecordsAndTheirEvents) {
    auto session = EventSession({0x0000, static_cast<int16_t>(0x8001), 0x0000});
    const int64_t recordStart = session->ChanData().FirstRecord().StartTime();
    const int64_t eventStart = session->ChanData().Events().front().startSeconds;
    // A second or an hour, there and back.
    for (const qint64 shift : {qint64{1}, qint64{3600}}) {
        MoveStart(*session, shift);
        EXPECT_EQ(session->ChanData().FirstRecord().StartTime(), recordStart + shift);
        EXPECT_EQ(session->ChanData().Events().front().startSeconds, eventStart + shift);
        EXPECT_EQ(session->StartTime(), recordStart + shift);
        DrawnGraph drawn(*session);
        EXPECT_EQ(drawn.graph.SessionStart(), session->StartTime());
        MoveStart(*session, -shift);
        EXPECT_EQ(session->ChanData().FirstRecord().StartTime(), recordStart);
    }
    // The event at the moved time is found there.
    MoveStart(*session, 60);
    EXPECT_NE(ChannelTexts(session->ChanData()).EventLengthAt(eventStart + 60, 0), u"Off"_qs);
}

TEST(SessionStart, ANewFilterSizeMovesTheStartTimeByItsDelay) {
    SessionImageBuilder b;
    b.Samples(std::vector<int16_t>(50, 100));
    auto session = ReadImage(b);
    const int64_t start = session->StartTime();
    const SessionParamsValues before = SessionParamsValues::Of(*session);
    SessionParamsValues after = before;
    after.filterSize = 10;
    ApplySessionParams(*session, before, after);
    EXPECT_EQ(session->StartTime(), start + 9);
    // The graph starts at the first value, one period after the filter's delay.
    DrawnGraph drawn(*session);
    EXPECT_EQ(drawn.graph.SessionStart(), session->StartTime() + 1);
    EXPECT_EQ(drawn.graph.SessionStart(), session->ChanData().ValueTime(0));
}

TEST(SessionVisibleIndices, EventStatesAreSixteenthsOfASecond) {
    // [2 s, 5 s] of 160 states: the first state at 2 s to the one at 5 s, included.
    EXPECT_EQ(VisiblePointRange(0.0, 0.0625, 160, 2.0, 3.0), (PointRange{32, 81}));
    // One state past a boundary time is out, the one on it in.
    EXPECT_EQ(VisiblePointRange(0.0, 0.0625, 160, 2.0625, 3.0).first, 33);
    EXPECT_EQ(VisiblePointRange(0.0, 0.0625, 160, 2.0, 2.9375).end, 80);
    EXPECT_EQ(VisiblePointRange(0.0, 0.0625, 160, 0.0, 9.9375), (PointRange{0, 160}));
}

TEST(SessionEventWindow, TheWindowsLastStateIsInIt) {
    // One second fully active (16 states), in the middle of three.
    const auto session = EventSession({0x0000, static_cast<int16_t>(0xFFFF), 0x0000});
    const CChanData& data = session->ChanData();
    ASSERT_EQ(data.ValueCount(), 48);
    // The whole record, with or without a window.
    EXPECT_DOUBLE_EQ(RangeStatisticsOf(data, false, 0, 0).eventTotalSeconds, 1.0);
    EXPECT_DOUBLE_EQ(RangeStatisticsOf(data, true, 0, 47).eventTotalSeconds, 1.0);
    // Ending on the event's first state takes that state; one before takes nothing.
    EXPECT_DOUBLE_EQ(RangeStatisticsOf(data, true, 0, 16).eventTotalSeconds, 0.063);
    EXPECT_DOUBLE_EQ(RangeStatisticsOf(data, true, 0, 15).eventTotalSeconds, 0.0);
    // Starting on its last state (945 ms) leaves 55 ms; one later, nothing.
    EXPECT_DOUBLE_EQ(RangeStatisticsOf(data, true, 31, 47).eventTotalSeconds, 0.055);
    EXPECT_DOUBLE_EQ(RangeStatisticsOf(data, true, 32, 47).eventTotalSeconds, 0.0);
}

TEST(SessionChannelLineOf, AWholeEventRecordingInViewTotalsAllItsEvents) {
    std::vector<int16_t> words;
    for (int i = 0; i < 64; ++i)
        words.push_back(static_cast<int16_t>(i % 4 == 1 ? 0xFF00 : i == 63 ? 0x00FF : 0));
    const auto session = EventSession(words);
    double total = 0.0;
    for (const SessionEvent& e : session->ChanData().Events())
        total += e.LengthInSeconds();
    DrawnGraph drawn(*session);
    const SessionChannelLine line = SessionChannelLine::Of(*session, drawn.graph, false);
    EXPECT_EQ(line.TextOf(ChanListHeaderType::WindowEventsLength), FormatSpanWordsMs(total));
    EXPECT_EQ(line.columns.size(), line.texts.size());
}

TEST(SessionChannelLineOf, CursorColumnsAndWindowFollowTheDrawing) {
    SessionImageBuilder b;
    std::vector<int16_t> counts;
    for (int i = 0; i < 2000; ++i)
        counts.push_back(static_cast<int16_t>(i * 3));
    b.Samples(counts);
    const auto session = ReadImage(b);
    const QString units = session->DisplayUnits();

    // Never drawn: no window, so the whole record, and no cursor columns.
    CTrendGraph undrawn;
    undrawn.SetChannelSource(session.get());
    const RangeStatisticsTexts all =
        ChannelTexts(session->ChanData()).RangeStatistics(false, 0, 0, units);
    const SessionChannelLine blank = SessionChannelLine::Of(*session, undrawn, true);
    EXPECT_EQ(blank.TextOf(ChanListHeaderType::WindowMax), all.max);
    EXPECT_TRUE(blank.TextOf(ChanListHeaderType::CursorMin).isEmpty());
    EXPECT_EQ(blank.TextOf(ChanListHeaderType::CursorAvg), u"- - -"_qs);

    DrawnGraph drawn(*session, true);
    // 2000 values on some 850 pixel columns: minimum and maximum differ within a column.
    const SessionChannelLine wide = SessionChannelLine::Of(*session, drawn.graph, true);
    EXPECT_FALSE(wide.TextOf(ChanListHeaderType::CursorMin).isEmpty());
    EXPECT_EQ(wide.TextOf(ChanListHeaderType::CursorAvg), drawn.graph.CursorValueText(units));
    EXPECT_TRUE(SessionChannelLine::Of(*session, drawn.graph, false)
                    .TextOf(ChanListHeaderType::CursorMin)
                    .isEmpty());

    // Values 100 to 199 in view: the window reads them, and one value a column drops the
    // cursor columns.
    drawn.graph.SetViewWindow(static_cast<double>(drawn.graph.SessionStart()) + 100, 99, 0, 0);
    drawn.Draw();
    const PointRange range = drawn.graph.VisiblePoints(0, 0);
    ASSERT_EQ(range, (PointRange{100, 200}));
    const RangeStatisticsTexts window =
        ChannelTexts(session->ChanData()).RangeStatistics(true, 100, 199, units);
    const SessionChannelLine narrow = SessionChannelLine::Of(*session, drawn.graph, true);
    EXPECT_EQ(narrow.TextOf(ChanListHeaderType::WindowMin), window.min);
    EXPECT_EQ(narrow.TextOf(ChanListHeaderType::WindowMax), window.max);
    EXPECT_TRUE(narrow.TextOf(ChanListHeaderType::CursorMin).isEmpty());
}

TEST(SessionChannelLineOf, AGraphThatLastDrewAnotherSessionReadsNoCursor) {
    const auto counts = [](int n) {
        SessionImageBuilder b;
        std::vector<int16_t> v;
        for (int i = 0; i < n; ++i)
            v.push_back(static_cast<int16_t>(100 + i));
        b.Samples(v);
        return ReadImage(b);
    };
    const auto shown = counts(500);
    DrawnGraph drawn(*shown, true);
    const QString units = shown->DisplayUnits();
    ASSERT_TRUE(drawn.graph.CursorValueText(units).endsWith(units)) << "a reading to leave behind";
    // Fewer than two values draw nothing, so the graph keeps the last session's read-outs;
    // two values draw and read their own.
    for (const int n : {0, 1, 2}) {
        const auto next = counts(n);
        drawn.graph.SetChannelSource(next.get());
        drawn.Draw();
        const SessionChannelLine line = SessionChannelLine::Of(*next, drawn.graph, false);
        const QString avg = line.TextOf(ChanListHeaderType::CursorAvg);
        if (n < 2)
            EXPECT_EQ(avg, u"- - -"_qs) << n << " values";
        else
            EXPECT_EQ(avg, drawn.graph.CursorValueText(units));
        drawn.graph.SetChannelSource(shown.get());
        drawn.Draw();
    }
}

} // namespace

TEST(SessionChannelLineSpoken, EachFigureFollowsItsTitleAndEmptyOnesAreLeftOut) {
    SessionImageBuilder b;
    b.Samples(std::vector<int16_t>(2000, 40));
    const auto session = ReadImage(b);
    CTrendGraph undrawn;
    undrawn.SetChannelSource(session.get());
    const SessionChannelLine line = SessionChannelLine::Of(*session, undrawn, true);
    QStringList expected;
    for (std::size_t i = 0; i < line.columns.size(); ++i)
        if (!line.texts[i].isEmpty())
            expected << ChanListHeaderText(line.columns[i].kind) + u" : "_qs + line.texts[i];
    ASSERT_GE(expected.size(), 2) << "figures to join";
    EXPECT_EQ(line.SpokenText(), expected.join(u" ; "_qs));
    // The colour cell and the cursor's minimum have no text, so no title of theirs is said.
    EXPECT_FALSE(line.SpokenText().contains(ChanListHeaderText(ChanListHeaderType::Colour)));
    EXPECT_FALSE(line.SpokenText().contains(ChanListHeaderText(ChanListHeaderType::CursorMin)));
    EXPECT_TRUE(SessionChannelLine{}.SpokenText().isEmpty());
}

TEST(CursorReadout, ValueAndTimeOnceADrawingPlacedTheCursor) {
    SessionImageBuilder b;
    b.Samples(std::vector<int16_t>(300, 40));
    const auto session = ReadImage(b);
    const QString units = session->DisplayUnits();
    CTrendGraph placedNowhere;
    placedNowhere.SetChannelSource(session.get());
    placedNowhere.EnableCursor();
    EXPECT_TRUE(placedNowhere.CursorReadoutText().isEmpty()) << "never drawn";
    EXPECT_TRUE(DrawnGraph(*session, false).graph.CursorReadoutText().isEmpty()) << "no cursor";
    DrawnGraph drawn(*session, true);
    drawn.graph.SetUnitText(units);
    const CTrendGraph& graph = drawn.graph;
    ASSERT_FALSE(graph.CursorLabel().isEmpty());
    EXPECT_EQ(graph.CursorReadoutText(),
              graph.CursorValueText(units) + u" le "_qs + graph.CursorLabel());
}
