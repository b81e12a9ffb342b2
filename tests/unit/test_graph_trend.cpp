#include "core/common/StringTable.h"
#include "core/common/ValueMarkers.h"
#include "core/graph/CTrendGraph.h"
#include "core/session/ChannelTexts.h"
#include "support/RecordingCanvas.h"
#include "support/SessionTestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

// The builder's default session: model 2 (10 V, 0.01 V resolution), 1 mV per count, one
// value per second from 2024/03/05 14:07:09.
std::unique_ptr<CRecSession> Voltage(const std::vector<int16_t>& counts,
                                     const char* highScale = "00002041") {
    SessionImageBuilder b;
    b.Set("Ch1HighScale", highScale).Samples(counts);
    return ReadImage(b);
}

std::vector<int16_t> Ramp(int n, int from, int to) {
    std::vector<int16_t> counts(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        counts[static_cast<std::size_t>(i)] =
            static_cast<int16_t>(from + (to - from) * i / (n - 1));
    return counts;
}

std::unique_ptr<CRecSession> Events(int words, bool polarity) {
    SessionImageBuilder b;
    b.Set("Model", "6").Set("Polarity", polarity ? "1" : "0");
    b.Samples(std::vector<int16_t>(static_cast<std::size_t>(words), 0x0F0F));
    return ReadImage(b);
}

class FixedSettings final : public GraphSettingsSource {
public:
    explicit FixedSettings(bool dashed) : dashed_(dashed) {}
    const TraceColours& GraphColours() const override { return colours_; }
    bool DashedOverload() const override { return dashed_; }

private:
    TraceColours colours_;
    bool dashed_;
};

struct Fixture {
    explicit Fixture(std::unique_ptr<CRecSession> s, GraphRect outer = {0, 0, 800, 400})
        : session(std::move(s)) {
        graph.SetChannelSource(session.get());
        graph.SetEnvelope(true);
        graph.SetOuterRect(outer);
    }
    // What the last pass drew; `canvas` keeps every pass.
    const RecordingCanvas& Draw() {
        canvas.Clear();
        graph.Draw(canvas);
        last = canvas.LastPass();
        return last;
    }
    int Passes() const { return canvas.Frames(); }
    std::vector<int> HorizontalGridRows() const {
        std::vector<int> rows;
        for (const auto& l : last.LinesWithStyle(PenStyleType::Dot))
            if (l.IsHorizontal())
                rows.push_back(l.from.y);
        return rows;
    }
    int VerticalGridLines() const {
        const auto dots = last.LinesWithStyle(PenStyleType::Dot);
        return static_cast<int>(
            std::count_if(dots.begin(), dots.end(), [](const auto& l) { return l.IsVertical(); }));
    }

    std::unique_ptr<CRecSession> session;
    CTrendGraph graph;
    RecordingCanvas canvas;
    RecordingCanvas last;
};

} // namespace

TEST(GraphTrend, LayoutScalesAndRedrawsOnceWhenTheLabelsChangeWidth) {
    Fixture f(Voltage(Ramp(3601, 2000, 8000)));
    ASSERT_NE(f.session, nullptr);
    f.Draw();
    EXPECT_EQ(f.graph.CurrentValueRange(), (ValueRange{1.0, 11.0}));
    EXPECT_DOUBLE_EQ(f.graph.ValueResolution(), 0.01);
    EXPECT_TRUE(f.graph.CanZoomInVertically());
    // Seven characters are reserved at first; the labels "1" .. "11" need two.
    EXPECT_EQ(f.Passes(), 2);
    EXPECT_EQ(f.graph.PlotRect(), (GraphRect{2 * 7 + 7 + 4, 6, 797, 368}));
    for (const char* label : {"1", "3", "5", "7", "9", "11"})
        EXPECT_NE(f.last.FindText(QString::fromLatin1(label)), nullptr) << label;
    EXPECT_EQ(f.HorizontalGridRows().size(), 11u) << "ten divisions of one unit";

    f.Draw();
    EXPECT_EQ(f.Passes(), 1);

    // Values ten times larger: "110" is wider, and the plot edge moves in the same drawing.
    auto scaled = Voltage(Ramp(3601, 2000, 8000), "0000C842");
    f.graph.SetChannelSource(scaled.get());
    f.Draw();
    EXPECT_EQ(f.graph.CurrentValueRange(), (ValueRange{10.0, 110.0}));
    EXPECT_EQ(f.Passes(), 2);
    EXPECT_EQ(f.graph.PlotRect().left, 3 * 7 + 7 + 4);
    const auto* top = f.last.FindText(u"110"_qs);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->topLeft.x + 21, f.graph.PlotRect().left - 3) << "right-aligned to the plot";
}

TEST(GraphTrend, UnitTextAndCursorRowShapeThePlot) {
    Fixture f(Voltage(Ramp(100, 2000, 8000)));
    f.graph.SetUnitText(u"Vdc"_qs);
    f.graph.EnableCursor();
    f.Draw();
    EXPECT_EQ(f.graph.PlotRect(), (GraphRect{14 + 7 + 21 + 4, 6, 797, 368 - 13}));
    const auto* unit = f.last.FindText(u"Vdc"_qs);
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->topLeft, (GraphPoint{2, 6 + 349 * 43 / 100}));
}

TEST(GraphTrend, OnlyMarkersInViewScaleAsZero) {
    Fixture f(Voltage(std::vector<int16_t>(50, 12000)));
    f.Draw();
    EXPECT_EQ(f.graph.CurrentValueRange(), (ValueRange{0.0, 0.05}));
    EXPECT_FALSE(f.graph.CanZoomInVertically());
}

TEST(GraphTrend, ValueAxisShowsFewerDivisionsOnAShortPlot) {
    Fixture tall(Voltage(Ramp(3601, 2000, 8000)));
    tall.Draw();
    Fixture shortPlot(Voltage(Ramp(3601, 2000, 8000)), {0, 0, 800, 150});
    shortPlot.Draw();
    EXPECT_EQ(shortPlot.graph.PlotRect().Height(), 112);
    EXPECT_EQ(shortPlot.graph.CurrentValueRange(), (ValueRange{1.0, 11.0}));
    // Five divisions of two units instead of ten of one.
    for (const char* label : {"2", "4", "6", "8", "10"})
        EXPECT_NE(shortPlot.last.FindText(QString::fromLatin1(label)), nullptr) << label;
    EXPECT_EQ(shortPlot.last.FindText(u"3"_qs), nullptr);
    EXPECT_EQ(shortPlot.HorizontalGridRows(), (std::vector<int>{107, 84, 62, 40, 17}));
}

TEST(GraphTrend, TimeAxisTextsAndDivisions) {
    Fixture hour(Voltage(Ramp(3601, 2000, 8000)));
    hour.Draw();
    EXPECT_EQ(hour.graph.TotalSpan(), 3600.0);
    EXPECT_EQ(hour.VerticalGridLines(), 5) << "0, 720, 1440, 2160, 2880 s";
    const RecordingCanvas& c = hour.last;
    ASSERT_NE(c.FindText(u"12 Min/Div"_qs), nullptr);
    const GraphRect plot = hour.graph.PlotRect();
    EXPECT_EQ(c.FindText(u"12 Min/Div"_qs)->topLeft.y, plot.bottom + 3 * 13 / 2);
    // From the first value, taken one period after the start at 14:07:09, to the last.
    ASSERT_NE(c.FindText(u"14:07:10"_qs), nullptr);
    EXPECT_EQ(c.FindText(u"14:07:10"_qs)->topLeft, (GraphPoint{plot.left, plot.bottom + 19}));
    ASSERT_NE(c.FindText(u"15:07:10"_qs), nullptr);
    EXPECT_EQ(c.FindText(u"15:07:10"_qs)->topLeft.x, plot.right - 8 * 7);
    EXPECT_NE(c.FindText(u"05/03/2024"_qs), nullptr);
    EXPECT_TRUE(c.HasTextStartingWith(u"1:00:00"_qs));

    Fixture longer(Voltage(Ramp(3701, 2000, 8000)));
    longer.Draw();
    EXPECT_EQ(longer.VerticalGridLines(), 6) << "3600 s gets a line too";

    // Sixteen states a second: 64 states span 3.9375 s.
    Fixture events(Events(4, true));
    ASSERT_NE(events.session, nullptr);
    events.Draw();
    EXPECT_DOUBLE_EQ(events.graph.TotalSpan(), 3.9375);
    EXPECT_NE(events.last.FindText(u"787 mSec/Div"_qs), nullptr);
    EXPECT_NE(events.last.FindText(u"14:07:12.937"_qs), nullptr);
}

TEST(GraphTrend, TwoStateAxisReadsOffAndOn) {
    Fixture rising(Events(2, true));
    rising.Draw();
    EXPECT_EQ(rising.graph.CurrentValueRange(), (ValueRange{-0.5, 1.5}));
    EXPECT_NE(rising.last.FindText(u"0 Off"_qs), nullptr);
    EXPECT_NE(rising.last.FindText(u"1 On"_qs), nullptr);

    Fixture falling(Events(2, false));
    falling.Draw();
    EXPECT_NE(falling.last.FindText(u"0 On"_qs), nullptr);
    EXPECT_NE(falling.last.FindText(u"1 Off"_qs), nullptr);
}

TEST(GraphTrend, DashedMarksFollowTheSetting) {
    std::vector<int16_t> counts(200, 5000);
    std::fill(counts.begin() + 50, counts.begin() + 80, int16_t{12000});
    std::fill(counts.begin() + 120, counts.begin() + 130, int16_t{-12000});
    Fixture f(Voltage(counts));
    f.Draw();
    const auto defaults = f.last.LinesWithStyle(PenStyleType::Dash);
    ASSERT_EQ(defaults.size(), 2u) << "on unless the settings say otherwise";
    EXPECT_EQ(defaults[0].from.y, f.graph.PlotRect().top - 3);
    EXPECT_EQ(defaults[1].from.y, f.graph.PlotRect().bottom + 3);
    EXPECT_EQ(defaults[0].pen.colour, TraceColours{}.voltage);

    const FixedSettings off(false);
    f.graph.SetSettingsSource(&off);
    f.Draw();
    EXPECT_TRUE(f.last.LinesWithStyle(PenStyleType::Dash).empty());
}

// Rows of the dashed lines in the alarm limits' colour, top first.
std::vector<int> LimitRows(const RecordingCanvas& canvas, ColorRef colour) {
    std::vector<int> rows;
    for (const auto& l : canvas.LinesWithStyle(PenStyleType::Dash))
        if (l.pen.colour == colour && l.IsHorizontal())
            rows.push_back(l.from.y);
    std::sort(rows.begin(), rows.end());
    return rows;
}

TEST(GraphTrend, AlarmLimitsAreDashedLinesAcrossThePlotWhenInRange) {
    Fixture f(Voltage(Ramp(3601, 2000, 8000)));
    f.Draw();
    ASSERT_EQ(f.graph.CurrentValueRange(), (ValueRange{1.0, 11.0}));
    const GraphRect plot = f.graph.PlotRect(); // 362 rows for 10 V
    const ColorRef colour = TraceColours{}.alarmLimits;
    EXPECT_TRUE(LimitRows(f.Draw(), colour).empty()) << "no limits, no lines";

    const auto drawWith = [&](std::optional<double> low, std::optional<double> high) {
        SessionFigures figures;
        figures.limits = {low, high};
        f.session->SetFigures(figures);
        return LimitRows(f.Draw(), colour);
    };
    // With the value range held, as after a vertical zoom.
    f.graph.SetAutomaticScaling(false);
    EXPECT_EQ(drawWith(1.0, 11.0), (std::vector<int>{plot.top, plot.bottom})) << "on the edges";
    EXPECT_EQ(drawWith(0.99, 11.01), std::vector<int>{}) << "one step beyond: not drawn";
    EXPECT_EQ(drawWith(6.0, std::nullopt), std::vector<int>{plot.bottom - 181});
    EXPECT_EQ(drawWith(std::nullopt, 6.0), std::vector<int>{plot.bottom - 181});

    drawWith(6.0, std::nullopt);
    const auto line = std::find_if(f.last.lines.begin(), f.last.lines.end(),
                                   [&](const auto& l) { return l.pen.colour == colour; });
    ASSERT_NE(line, f.last.lines.end());
    EXPECT_EQ(line->from.x, plot.left + 1);
    EXPECT_EQ(line->to.x, plot.right);
    EXPECT_EQ(line->pen.style, PenStyleType::Dash);
    EXPECT_EQ(f.graph.CurrentValueRange(), (ValueRange{1.0, 11.0}));

    // Scaled automatically, the range takes the limits in; those inside change nothing.
    f.graph.SetAutomaticScaling(true);
    drawWith(0.5, 30.0);
    f.graph.ZoomToAll();
    EXPECT_EQ(LimitRows(f.Draw(), colour).size(), 2u);
    EXPECT_LE(f.graph.CurrentValueRange().lowest, 0.5);
    EXPECT_GE(f.graph.CurrentValueRange().highest, 30.0);
    drawWith(2.0, 10.0);
    f.graph.ZoomToAll();
    f.Draw();
    EXPECT_EQ(f.graph.CurrentValueRange(), (ValueRange{1.0, 11.0}));
}

TEST(GraphTrend, CursorReadsTheColumnUnderIt) {
    // Three regions: real values mixed with over-range, over-range only, under-range only.
    std::vector<int16_t> counts(3000);
    for (int i = 0; i < 3000; ++i)
        counts[static_cast<std::size_t>(i)] =
            i < 1000   ? (i % 2 ? 12000 : static_cast<int16_t>(5000 + i % 4))
            : i < 2000 ? 12000
                       : -12000;
    Fixture f(Voltage(counts));
    f.graph.EnableCursor();
    f.Draw();
    const GraphRect plot = f.graph.InnerRect();
    const auto placeAndDraw = [&](double fraction) {
        f.graph.PlaceCursor(plot.left + 1 + static_cast<int>(plot.Width() * fraction));
        f.Draw();
    };

    placeAndDraw(1.0 / 6.0);
    EXPECT_TRUE(f.graph.CursorValid());
    EXPECT_EQ(f.graph.CursorMinimumText(u"V"_qs), u"5,00 V"_qs);
    EXPECT_EQ(f.graph.CursorMaximumText(u"V"_qs), u"Au-dessus de la gamme"_qs);
    EXPECT_TRUE(f.graph.CursorValueText(u"V"_qs).endsWith(u" V"_qs));
    EXPECT_TRUE(f.graph.CursorEventText().isEmpty());

    placeAndDraw(0.5);
    EXPECT_FALSE(f.graph.CursorValid());
    for (const QString& t : {f.graph.CursorMinimumText(u"V"_qs), f.graph.CursorMaximumText(u"V"_qs),
                             f.graph.CursorValueText(u"V"_qs)})
        EXPECT_EQ(t, u"Au-dessus de la gamme"_qs);

    placeAndDraw(5.0 / 6.0);
    EXPECT_EQ(f.graph.CursorValueText(u"V"_qs), u"Sous la gamme"_qs);

    // The line in the cursor colour and its label just below the plot.
    const GraphRect p = f.graph.PlotRect();
    const auto solid = f.last.LinesWithStyle(PenStyleType::Solid);
    const auto line = std::find_if(solid.begin(), solid.end(), [&](const auto& l) {
        return l.pen.colour == TraceColours{}.cursor && l.IsVertical();
    });
    ASSERT_NE(line, solid.end());
    EXPECT_EQ(line->from.y, p.top);
    EXPECT_EQ(line->to.y, p.bottom + 2);
    EXPECT_TRUE(f.graph.CursorLabel().startsWith(u"05/03/2024 14:"_qs))
        << f.graph.CursorLabel().toStdString();
    EXPECT_TRUE(f.graph.CursorLabel().endsWith(u" s)"_qs));
    ASSERT_NE(f.last.FindText(f.graph.CursorLabel()), nullptr);
    EXPECT_EQ(f.last.FindText(f.graph.CursorLabel())->topLeft.y, p.bottom + 2);
}

TEST(GraphTrend, CursorPlacementStaysInThePlot) {
    Fixture f(Voltage(Ramp(100, 2000, 8000)));
    f.graph.EnableCursor();
    f.Draw();
    const GraphRect plot = f.graph.InnerRect();
    f.graph.PlaceCursor(plot.left - 5);
    EXPECT_EQ(f.graph.CursorOffset(), 0);
    f.graph.PlaceCursor(plot.left + 40);
    EXPECT_EQ(f.graph.CursorOffset(), 39);
    f.graph.PlaceCursor(plot.right + 40);
    EXPECT_EQ(f.graph.CursorOffset(), plot.Width() - 2);
}

TEST(GraphTrend, PrintingNeverRescales) {
    Fixture f(Voltage(Ramp(100, 2000, 8000)));
    f.Draw();
    f.graph.SetValueRange({0.0, 20.0});
    f.graph.MarkDirty();
    RecordingCanvas printer(true);
    EXPECT_TRUE(f.graph.Draw(printer));
    EXPECT_EQ(f.graph.CurrentValueRange(), (ValueRange{0.0, 20.0}));
    EXPECT_FALSE(f.graph.Draw(f.canvas));
    EXPECT_EQ(f.graph.CurrentValueRange(), (ValueRange{0.0, 20.0})) << "not right after printing";
    f.graph.MarkDirty();
    f.Draw();
    EXPECT_EQ(f.graph.CurrentValueRange(), (ValueRange{1.0, 11.0}));
}

TEST(GraphTrend, NothingToDrawAndPlotsTooSmall) {
    Fixture single(Voltage({3000}));
    EXPECT_TRUE(single.Draw().rects.empty()) << "one point draws nothing";

    CTrendGraph none;
    RecordingCanvas c;
    EXPECT_FALSE(none.Draw(c));
    EXPECT_TRUE(c.rects.empty());

    Fixture tiny(Voltage(Ramp(100, 2000, 8000)), {0, 0, 60, 40});
    tiny.Draw();
    EXPECT_NE(tiny.last.FindText(u"k"_qs), nullptr);
    EXPECT_TRUE(tiny.last.lines.empty());
}

TEST(GraphTrend, LayoutRectanglesAndDirtyFlag) {
    Fixture f(Voltage(Ramp(100, 2000, 8000)), {100, 50, 900, 450});
    f.Draw();
    EXPECT_FALSE(f.graph.IsDirty());
    f.graph.SetOuterRect({110, 50, 910, 450});
    EXPECT_FALSE(f.graph.IsDirty()) << "moving keeps the size";
    f.graph.SetOuterRect({110, 50, 900, 450});
    EXPECT_TRUE(f.graph.IsDirty());

    EXPECT_FALSE(f.graph.SetDrawAtOrigin(true));
    f.Draw();
    EXPECT_EQ(f.graph.DrawingRect(), (GraphRect{0, 0, 790, 400}));
    EXPECT_EQ(f.graph.PlotRect(), f.graph.InnerRect().Offset(-110, -50));
    EXPECT_EQ(f.graph.ClipRect(), f.graph.PlotRect()) << "clipping follows the moved plot";
    EXPECT_TRUE(f.graph.HitTest({10, 10}));

    RecordingCanvas printer(true);
    f.graph.Draw(printer);
    EXPECT_TRUE(f.graph.IsPrinting());
    f.graph.Layout(&f.canvas, false);
    EXPECT_TRUE(f.graph.IsDirty()) << "back from the printer";
}

TEST(GraphTrend, ViewWindowFromOutside) {
    Fixture f(Voltage(Ramp(3601, 2000, 8000)));
    f.Draw();
    const double start = static_cast<double>(f.graph.SessionStart());
    EXPECT_EQ(start, f.session->ChanData().ValueTime(0)) << "the time of the first value";

    f.graph.SetViewWindow(start + 100.0, 60.0, 1, 0);
    f.graph.SetViewWindow(start + 100.0, 60.0, 0, 3);
    EXPECT_TRUE(f.graph.IsShowingAll()) << "no such channel or record";

    f.graph.SetViewWindow(start + 100.0, 60.0, 0, 0);
    EXPECT_EQ(f.graph.ViewStart(), 100.0);
    EXPECT_EQ(f.graph.ViewSpan(), 60.0);
    EXPECT_FALSE(f.graph.ShowingAllFlag());
    EXPECT_EQ(f.graph.VisiblePoints(0, 0), (PointRange{100, 161}));
    f.Draw();
    EXPECT_EQ(f.graph.ViewStart(), 100.0) << "a drawing keeps the window";
    EXPECT_EQ(f.graph.ZoomHistorySize(), 1);
    EXPECT_EQ(f.graph.VisiblePoints(2, 0), PointRange{});
}

TEST(GraphCursorReadouts, LabelAndReadoutsOfTheTakenColumn) {
    const auto session = Voltage(Ramp(300, 2000, 8000));
    CursorFrame frame{{10, 10, 110, 110}, false, &session->ChanData().FirstRecord(), 1.0, 1.0, 255};
    GraphCursor cursor;
    cursor.Enable();
    EXPECT_EQ(cursor.Index(), -1) << "not placed yet";
    const TraceColumn column{31.0, 5, 0.2, 5, 2.0, 3.0, 2.5, false, 119};
    ASSERT_TRUE(cursor.Holds(column, frame));
    RecordingCanvas canvas;
    cursor.Take(column, frame, session->ChanData(), canvas);
    EXPECT_EQ(cursor.Label(), u"05/03/2024 14:09:09 (5 s)"_qs)
        << "value 119 of a recording started at 14:07:09 is taken 120 s later";
    EXPECT_EQ(cursor.Index(), 119);
    EXPECT_EQ(cursor.Time().seconds, session->ChanData().ValueTime(119));
    EXPECT_EQ(cursor.Minimum().WithUnit(u"V"_qs), u"2,00 V"_qs);
    EXPECT_EQ(cursor.Maximum().text, u"3,00"_qs);
    EXPECT_EQ(cursor.Value().text, u"2,50"_qs);
    EXPECT_EQ(cursor.TimeOffset(), 20.0);
    ASSERT_EQ(canvas.lines.size(), 1u);
    EXPECT_EQ(canvas.lines[0].pen, (GraphPen{PenStyleType::Solid, 1, 255}));
    EXPECT_EQ(canvas.texts[0].topLeft, (GraphPoint{10, 112})) << "kept inside the drawing";

    // A printer places the cursor by the time kept from the screen.
    frame.printer = true;
    EXPECT_FALSE(cursor.Holds({30.0, 5, 0.2, 5, 2.0, 3.0, 2.5, false, 118}, frame));
    EXPECT_TRUE(cursor.Holds({31.0, 5, 0.2, 5, 2.0, 3.0, 2.5, false, 119}, frame));
    EXPECT_TRUE(cursor.Holds({12.0, 5, 0.2, 5, 2.0, 3.0, 2.5, true, 0}, frame))
        << "the last column";
}

TEST(GraphCursorReadouts, TwoStateColumnsGiveTheEventLength) {
    const auto session = Events(4, true);
    // 16 px per second, a column of four states from state 20: bit 4 of the second word.
    const CursorFrame frame{{10, 10, 110, 110}, false, &session->ChanData().FirstRecord(), 16.0,
                            1.0 / 16.0,         255};
    GraphCursor cursor;
    cursor.Enable();
    RecordingCanvas canvas;
    cursor.Take({19.0, 4, 1.0, 4, 0.0, 1.0, 1.0, false, 20}, frame, session->ChanData(), canvas);
    // The state's time is the one the event list gives bit 4, 4 × 63 ms into its second: the
    // label reads what the table's row of the event that starts there reads.
    const CChanData& d = session->ChanData();
    EXPECT_EQ(cursor.Time(), (ValueStamp{session->StartTime() + 1, 252}));
    EXPECT_TRUE(cursor.Label().startsWith(u"05/03/2024 14:07:10.252 ("_qs))
        << cursor.Label().toStdString();
    EXPECT_TRUE(cursor.Label().startsWith(ChannelTexts(d).EventCellText(2, 0) + u' ' +
                                          ChannelTexts(d).EventCellText(2, 1)));
    EXPECT_EQ(cursor.EventText(), ChannelTexts(d).EventCellText(2, 2));

    // The first state of an event reads that event, not the gap before it (state 28 is
    // 756 ms into its second, 750 ms on an even sixteenth).
    cursor.Take({19.0, 1, 1.0, 1, 1.0, 1.0, 1.0, false, 28}, frame, d, canvas);
    EXPECT_EQ(cursor.Time(), (ValueStamp{session->StartTime() + 1, 756}));
    EXPECT_EQ(cursor.EventText(), ChannelTexts(d).EventCellText(3, 2));
    EXPECT_NE(cursor.EventText(), ResourceString(TextId::kOff));
}

// The cursor takes the first column whose centre is not left of it: standing exactly on a
// centre takes that column, a hair right of the centre the next one.
TEST(GraphCursorReadouts, ACursorOnAColumnsCentreTakesThatColumn) {
    const auto session = Voltage(Ramp(300, 2000, 8000));
    CursorFrame frame{{10, 10, 110, 110}, false, &session->ChanData().FirstRecord(), 1.0, 1.0, 255};
    GraphCursor cursor;
    cursor.Enable();
    cursor.SetOffset(20); // at x = 31
    // Columns of four points two pixels wide: column i from x = 20 + 2i + shift, centred a
    // pixel to its right.
    const auto taken = [&](double shift) {
        RecordingCanvas canvas;
        CursorProbe probe(cursor, frame, session->ChanData(), canvas);
        for (int i = 0; i < 40; ++i)
            if (probe.TakeColumn({20.0 + 2 * i + shift, 4, 0.5, 4, 2.0, 3.0, 2.5, false, 4 * i}))
                return i;
        return -1;
    };
    EXPECT_EQ(taken(0.0), 5) << "centred on 31";
    EXPECT_EQ(taken(0.01), 5) << "centred a hair right of the cursor";
    EXPECT_EQ(taken(-0.01), 6) << "centred a hair left of the cursor";
    EXPECT_EQ(cursor.Index(), 24);

    // A printer places it by the time kept from the screen: 19 s, where column 5 starts.
    ASSERT_EQ(taken(0.0), 5);
    frame.printer = true;
    EXPECT_EQ(taken(0.0), 5) << "starting at 19 s";
    EXPECT_EQ(taken(0.01), 5) << "starting a hair after 19 s";
    EXPECT_EQ(taken(-0.01), 6) << "starting a hair before 19 s";
}
