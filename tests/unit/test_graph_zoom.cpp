#include "core/graph/CTrendGraph.h"
#include "core/graph/ValueRangeZoom.h"
#include "core/graph/ViewWindow.h"
#include "core/graph/ZoomToModel.h"
#include "support/RecordingCanvas.h"
#include "support/SessionTestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using Window = std::pair<double, double>; // start, span

Window Of(const ViewWindow& w) {
    return {w.Start(), w.Span()};
}

ViewWindow ThousandSeconds() {
    ViewWindow w;
    w.SetTotalSpan(1000.0);
    return w;
}

qint64 At(int hour, int minute, int second) {
    return CalendarDateTime::FromFields(2024, 3, 5, hour, minute, second).ToLocalTimeStamp();
}

CalendarDateTime Fields(int hour, int minute, int second) {
    return CalendarDateTime::FromFields(2024, 3, 5, hour, minute, second);
}

// A one-hour ramp from 2 V to 8 V drawn at 800 × 400: range 1 to 11 V over a plot of
// 362 rows from y = 6, and 772 columns from x = 25.
struct DrawnGraph {
    DrawnGraph() {
        std::vector<int16_t> counts(3601);
        for (int i = 0; i <= 3600; ++i)
            counts[static_cast<std::size_t>(i)] = static_cast<int16_t>(2000 + 6000 * i / 3600);
        SessionImageBuilder b;
        session = ReadImage(b.Samples(counts));
        graph.SetChannelSource(session.get());
        graph.SetOuterRect({0, 0, 800, 400});
        Draw();
    }
    void Draw() {
        RecordingCanvas canvas;
        graph.Draw(canvas);
    }
    std::unique_ptr<CRecSession> session;
    CTrendGraph graph;
};

} // namespace

TEST(GraphZoom, ZoomInHalvesAboutTheCentreOrTheCursor) {
    ViewWindow w = ThousandSeconds();
    EXPECT_TRUE(w.ShowingAllFlag());
    EXPECT_EQ(w.ZoomIn(101, std::nullopt), std::nullopt);
    EXPECT_EQ(Of(w), Window(250.0, 500.0));
    EXPECT_FALSE(w.ShowingAllFlag());

    // The cursor three quarters across (at 625 s) moves to the middle and stays on its time.
    const std::optional<int> cursor = w.ZoomIn(101, 75);
    EXPECT_EQ(Of(w), Window(500.0, 250.0));
    EXPECT_EQ(cursor, 50);
}

TEST(GraphZoom, ZoomInAtTheSmallestSpan) {
    ViewWindow w = ThousandSeconds();
    w.SetWindow(100.0, 5.0);
    EXPECT_TRUE(w.CanZoomIn());
    EXPECT_TRUE(w.SetWindow(100.0, 3.0));
    w.ZoomIn(101, std::nullopt);
    EXPECT_EQ(w.Span(), 1.0) << "1.5 s rounds down";
    EXPECT_FALSE(w.CanZoomIn());
    w.ZoomIn(101, std::nullopt);
    EXPECT_EQ(w.Span(), 1.0);
    EXPECT_LE(w.Start() + w.Span(), 1000.0);
}

TEST(GraphZoom, ZoomOutNearTheEndStaysInTheRecording) {
    ViewWindow w = ThousandSeconds();
    w.SetWindow(900.0, 100.0);
    w.ZoomOut(101, std::nullopt);
    EXPECT_EQ(Of(w), Window(800.0, 200.0));
    w.ZoomOut(101, std::nullopt);
    EXPECT_EQ(Of(w), Window(600.0, 400.0));
    EXPECT_FALSE(w.ShowingAllFlag());
    w.ZoomOut(101, std::nullopt);
    w.ZoomOut(101, std::nullopt);
    EXPECT_EQ(Of(w), Window(0.0, 1000.0));
    EXPECT_TRUE(w.ShowingAllFlag());
}

TEST(GraphZoom, HistoryKeepsTheTenMostRecentWindows) {
    ViewWindow w = ThousandSeconds();
    std::vector<Window> before;
    for (int i = 0; i < 11; ++i) {
        before.push_back(Of(w));
        w.SetWindow(10.0 * i, 50.0 + i);
    }
    EXPECT_EQ(w.HistorySize(), 10);
    for (int i = 10; i >= 1; --i) {
        ASSERT_TRUE(w.CanZoomBack());
        w.ZoomBack();
        EXPECT_EQ(Of(w), before[static_cast<std::size_t>(i)]) << i;
    }
    EXPECT_FALSE(w.CanZoomBack());
    w.ZoomBack();
    EXPECT_EQ(Of(w), before[1]) << "the whole view was the oldest and is gone";
}

TEST(GraphZoom, ZoomBackAndZoomToAll) {
    ViewWindow w = ThousandSeconds();
    w.ZoomIn(101, std::nullopt);
    w.ZoomBack();
    EXPECT_TRUE(w.ShowingAllFlag()) << "back at the whole recording";
    EXPECT_FALSE(w.CanZoomBack());

    w.ZoomToPixelRange(30, 50, 10, 111);
    EXPECT_EQ(Of(w), Window(200.0, 200.0));
    w.ZoomToAll();
    EXPECT_EQ(Of(w), Window(0.0, 1000.0));
    EXPECT_EQ(w.HistorySize(), 2);
    w.ZoomToAll();
    EXPECT_EQ(w.HistorySize(), 2) << "already showing all";
    w.ZoomBack();
    EXPECT_EQ(Of(w), Window(200.0, 200.0));
}

TEST(GraphZoom, AShorterRecordingKeepsTheWindowInside) {
    ViewWindow w = ThousandSeconds();
    w.SetWindow(800.0, 150.0);
    w.SetTotalSpan(900.0);
    EXPECT_EQ(Of(w), Window(750.0, 150.0));
    w.SetTotalSpan(100.0);
    EXPECT_EQ(Of(w), Window(0.0, 100.0));
}

TEST(GraphZoom, ZoomToRectangleNarrowsTheValueRange) {
    DrawnGraph g;
    CTrendGraph& graph = g.graph;
    ASSERT_EQ(graph.InnerRect(), (GraphRect{25, 6, 797, 368}));
    ASSERT_EQ(graph.CurrentValueRange(), (ValueRange{1.0, 11.0}));

    // Dragged from above the plot: the top stays; row 187 reads 5.99 V.
    graph.ZoomToRect({300, 187, 100, -50});
    EXPECT_EQ(graph.ViewStart(), 350.0);
    EXPECT_EQ(graph.ViewSpan(), 934.0);
    EXPECT_EQ(graph.CurrentValueRange().highest, 11.0);
    EXPECT_NEAR(graph.CurrentValueRange().lowest, 5.99, 1e-9);
    EXPECT_FALSE(graph.AutomaticValueRange());
    EXPECT_FALSE(graph.IsDirty());
    g.Draw();
    EXPECT_NEAR(graph.CurrentValueRange().lowest, 5.99, 1e-9) << "the next drawing keeps it";

    graph.ZoomIn();
    g.Draw();
    EXPECT_NE(graph.CurrentValueRange().lowest, 5.99) << "a later zoom rescales from the data";
}

TEST(GraphZoom, ZoomToRectangleKeepsFiveResolutionSteps) {
    DrawnGraph middle;
    middle.graph.ZoomToRect({100, 180, 200, 181});
    EXPECT_NEAR(middle.graph.CurrentValueRange().lowest, 6.15, 1e-9);
    EXPECT_NEAR(middle.graph.CurrentValueRange().highest, 6.20, 1e-9);
    EXPECT_FALSE(middle.graph.CanZoomInVertically());

    // At the top there is no room above: the five steps reach down instead.
    DrawnGraph top;
    top.graph.ZoomToRect({100, 6, 200, 7});
    EXPECT_NEAR(top.graph.CurrentValueRange().lowest, 10.95, 1e-9);
    EXPECT_EQ(top.graph.CurrentValueRange().highest, 11.0);

    DrawnGraph outside;
    outside.graph.ZoomToRect({900, 10, 950, 100});
    EXPECT_EQ(outside.graph.ZoomHistorySize(), 0);
    EXPECT_TRUE(outside.graph.AutomaticValueRange());
}

TEST(GraphZoom, DialogLimitsAndGridSnapping) {
    ZoomToModel m(At(10, 0, 0), At(12, 0, 0), 60);
    EXPECT_EQ(m.LatestStart(), At(11, 51, 0));
    EXPECT_EQ(m.EarliestEnd(), At(10, 9, 0));
    EXPECT_EQ(m.LatestEnd(), At(12, 0, 0));
    EXPECT_EQ(m.EndRange().first, At(10, 9, 0));

    // Later than the initial start: the next minute. Earlier than the initial end: the one before.
    m.SetStartTime(Fields(10, 0, 30));
    m.SetEndTime(Fields(11, 30, 30));
    EXPECT_EQ(m.EndRange().first, At(10, 9, 30));
    EXPECT_EQ(m.Accept(), ZoomToResultType::Accepted);
    EXPECT_EQ(m.ChosenStart(), At(10, 1, 0));
    EXPECT_EQ(m.ChosenEnd(), At(11, 30, 0));
    EXPECT_EQ(m.StartTime().minute, 1) << "the pickers show the result";

    // A latest start off the grid: the next minute would pass it, so one minute less.
    ZoomToModel late(At(10, 0, 0), At(12, 0, 30), 60);
    late.SetStartTime(Fields(11, 51, 10));
    EXPECT_EQ(late.Accept(), ZoomToResultType::Accepted);
    EXPECT_EQ(late.ChosenStart(), At(11, 51, 0));
}

TEST(GraphZoom, DialogRefusesWindowsOutsideTheRecording) {
    ZoomToModel m(At(10, 0, 0), At(12, 0, 0), 60);
    m.SetStartTime(Fields(9, 59, 0));
    EXPECT_EQ(m.Accept(), ZoomToResultType::StartOutOfRange);
    EXPECT_EQ(m.ChosenStart(), At(10, 0, 0)) << "both start pickers back to the range start";

    m.SetStartTime(Fields(11, 0, 0));
    m.SetEndTime(Fields(11, 5, 0));
    EXPECT_EQ(m.Accept(), ZoomToResultType::EndOutOfRange) << "fewer than nine periods";

    CalendarDateTime badDay = Fields(10, 0, 0);
    badDay.day = 0;
    m.SetStartDate(badDay);
    EXPECT_EQ(m.Accept(), ZoomToResultType::StartOutOfRange);

    // One-second sessions are never snapped; a period below one counts as one.
    ZoomToModel seconds(At(10, 0, 0), At(12, 0, 0), 0);
    EXPECT_EQ(seconds.Period(), 1);
    seconds.SetStartTime(Fields(10, 0, 31));
    EXPECT_EQ(seconds.Accept(), ZoomToResultType::Accepted);
    EXPECT_EQ(seconds.ChosenStart(), At(10, 0, 31));
}

TEST(GraphZoom, DialogTimePickersFollowTheirDay) {
    const auto on = [](int day, int h, int m, int s) {
        return CalendarDateTime::FromFields(2024, 3, day, h, m, s);
    };
    const auto stamp = [&on](int day, int h, int m, int s) {
        return on(day, h, m, s).ToLocalTimeStamp();
    };
    const ZoomToModel::PickerRange range{stamp(5, 22, 0, 0), stamp(6, 1, 51, 0)};
    const auto times = [&range](const CalendarDateTime& day) {
        const ZoomToModel::TimesOfDay t = ZoomToModel::TimesOnDay(range, day);
        return std::pair{t.first, t.last};
    };
    EXPECT_EQ(times(on(4, 12, 0, 0)), std::pair(0, 86399)) << "a day before: left whole";
    EXPECT_EQ(times(on(5, 0, 0, 0)), std::pair(22 * 3600, 86399)) << "the first day";
    EXPECT_EQ(times(on(6, 0, 0, 0)), std::pair(0, 3600 + 51 * 60)) << "the last day";
    EXPECT_EQ(times(on(7, 0, 0, 0)), std::pair(0, 86399)) << "a day after: left whole";

    // Ranges ending at midnight, starting at the day's last second, or within one day.
    EXPECT_EQ(
        ZoomToModel::TimesOnDay({stamp(5, 23, 59, 59), stamp(6, 0, 0, 0)}, on(6, 0, 0, 0)).last, 0);
    EXPECT_EQ(
        ZoomToModel::TimesOnDay({stamp(5, 23, 59, 59), stamp(6, 0, 0, 0)}, on(5, 0, 0, 0)).first,
        86399);
    const ZoomToModel::TimesOfDay oneDay =
        ZoomToModel::TimesOnDay({stamp(5, 10, 0, 0), stamp(5, 10, 0, 1)}, on(5, 0, 0, 0));
    EXPECT_EQ(std::pair(oneDay.first, oneDay.last), std::pair(36000, 36001));
}

TEST(GraphZoom, DialogSaysWhyAValueIsRefused) {
    ZoomToModel m(At(10, 0, 0), At(12, 0, 0), 60);
    EXPECT_TRUE(m.RefusalText(ZoomToResultType::Accepted).isEmpty());
    EXPECT_EQ(m.RefusalText(ZoomToResultType::StartOutOfRange),
              u"Le début doit être compris entre le 05/03/2024 10:00:00 et le 05/03/2024 "
              u"11:51:00 ; il revient au début de l’enregistrement."_qs);
    m.SetStartTime(Fields(11, 0, 0));
    m.SetEndTime(Fields(11, 8, 59));
    ASSERT_EQ(m.Accept(), ZoomToResultType::EndOutOfRange) << "one second short of nine periods";
    EXPECT_EQ(m.RefusalText(ZoomToResultType::EndOutOfRange),
              u"La fin doit être comprise entre le 05/03/2024 11:09:00 et le 05/03/2024 "
              u"12:00:00, au moins 9 périodes d’échantillonnage après le début."_qs);
    m.SetEndTime(Fields(11, 9, 0));
    EXPECT_EQ(m.Accept(), ZoomToResultType::Accepted) << "exactly nine periods";
}

TEST(GraphZoom, WholeDurationShowsTheWholeRecording) {
    // A recording that does not start on the minute is still shown whole.
    ZoomToModel m(At(10, 0, 30), At(12, 0, 30), 60);
    m.SetStartTime(Fields(11, 0, 0));
    m.ChooseWholeRange();
    EXPECT_EQ(m.Accept(), ZoomToResultType::Accepted);
    EXPECT_EQ(m.ChosenStart(), m.RangeStart());
    EXPECT_EQ(m.ChosenEnd(), m.RangeEnd());

    DrawnGraph g;
    g.graph.ZoomIn();
    ASSERT_FALSE(g.graph.ShowingAllFlag());
    EXPECT_TRUE(g.graph.OpenZoomDialog([](ZoomToModel& dialog) {
        dialog.ChooseWholeRange();
        return dialog.Accept() == ZoomToResultType::Accepted;
    }));
    EXPECT_TRUE(g.graph.ShowingAllFlag());
    EXPECT_EQ(g.graph.ViewSpan(), 3600.0);
    EXPECT_EQ(g.graph.ZoomHistorySize(), 2);

    const qint64 start = g.graph.SessionStart();
    EXPECT_TRUE(g.graph.OpenZoomDialog([start](ZoomToModel& dialog) {
        EXPECT_EQ(dialog.RangeStart(), start);
        EXPECT_EQ(dialog.RangeEnd(), start + 3600);
        dialog.SetStartTime(CalendarDateTime::FromLocalTimeStamp(start + 100));
        dialog.SetEndTime(CalendarDateTime::FromLocalTimeStamp(start + 400));
        return dialog.Accept() == ZoomToResultType::Accepted;
    }));
    EXPECT_EQ(g.graph.ViewStart(), 100.0);
    EXPECT_EQ(g.graph.ViewSpan(), 300.0);
    EXPECT_FALSE(g.graph.ShowingAllFlag());
    EXPECT_FALSE(g.graph.OpenZoomDialog([](ZoomToModel&) { return false; }));
    EXPECT_EQ(g.graph.ViewStart(), 100.0);
}

TEST(GraphZoom, CursorFollowsZoomInAndOut) {
    DrawnGraph g;
    g.graph.EnableCursor();
    g.Draw();
    const int width = g.graph.InnerRect().Width();
    g.graph.PlaceCursor(g.graph.InnerRect().left + 1 + (width - 1) * 3 / 4);
    g.graph.ZoomIn();
    EXPECT_NEAR(g.graph.CursorOffset(), (width - 1) / 2, 1);
    g.graph.ZoomOut();
    EXPECT_NEAR(g.graph.CursorOffset(), (width - 1) * 3 / 4, 2);
}

// Zooming in is offered while half the span still rounds to two seconds or more.
TEST(GraphZoom, ZoomInIsOfferedDownToAFourSecondSpan) {
    for (const auto& [span, allowed, after] :
         {std::tuple{3.0, false, 1.0}, std::tuple{4.0, true, 2.0}, std::tuple{5.0, true, 2.0}}) {
        ViewWindow w = ThousandSeconds();
        ASSERT_TRUE(w.SetWindow(100.0, span));
        EXPECT_EQ(w.CanZoomIn(), allowed) << span;
        w.ZoomIn(101, std::nullopt);
        EXPECT_EQ(w.Span(), after) << span;
    }

    // The value axis narrows to no fewer than five resolution steps, and can narrow again
    // only while it holds more.
    for (const auto& [top, range, allowed] : {std::tuple{9.0, ValueRange{5.0, 10.0}, false},
                                              std::tuple{10.0, ValueRange{5.0, 10.0}, false},
                                              std::tuple{11.0, ValueRange{5.0, 11.0}, true}}) {
        const NarrowedValueRange n = NarrowValueRange({0.0, 100.0}, 1.0, top, 5.0);
        EXPECT_EQ(n.range, range) << top;
        EXPECT_EQ(n.canZoomInVertically, allowed) << top;
    }
}

// Ten windows are kept: the tenth step back still reaches the whole view, an eleventh zoom
// forgets it.
TEST(GraphZoom, HistoryAtItsCapacityDropsOnlyTheOldest) {
    for (const int zooms :
         {ZoomHistory::kCapacity - 1, ZoomHistory::kCapacity, ZoomHistory::kCapacity + 1}) {
        SCOPED_TRACE(zooms);
        ViewWindow w = ThousandSeconds();
        std::vector<Window> before;
        for (int i = 0; i < zooms; ++i) {
            before.push_back(Of(w));
            w.SetWindow(10.0 * i, 50.0 + i);
        }
        const int kept = std::min(zooms, ZoomHistory::kCapacity);
        EXPECT_EQ(w.HistorySize(), kept);
        for (int i = zooms - 1; i >= zooms - kept; --i) {
            ASSERT_TRUE(w.CanZoomBack());
            w.ZoomBack();
            EXPECT_EQ(Of(w), before[static_cast<std::size_t>(i)]) << i;
        }
        EXPECT_FALSE(w.CanZoomBack());
        EXPECT_EQ(w.IsShowingAll(), zooms <= ZoomHistory::kCapacity);
    }
    EXPECT_EQ(ZoomHistory::kCapacity, 10);
}
