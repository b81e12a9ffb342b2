#include "core/common/ValueFormat.h"
#include "core/graph/AxisTextPlacer.h"
#include "core/graph/CTrendGraph.h"
#include "core/graph/NiceValueRange.h"
#include "core/graph/TimeAxis.h"
#include "core/graph/ValueAxis.h"
#include "support/RecordingCanvas.h"
#include "support/SessionTestSupport.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace {

constexpr int kLine = RecordingCanvas::kTextHeight;

// The label a line at `v` must carry: its value at the grid's decimals, "0" at zero.
QString TrueLabel(double v, int decimals) {
    return v == 0.0 ? u"0"_qs : FormatFixed(v, decimals);
}

double LabelValue(const QString& label) {
    return QString(label).replace(u',', u'.').toDouble();
}

bool OnWholeMultiple(double v, double step) {
    const double q = v / step;
    return std::fabs(q - std::round(q)) <= 1e-9 * std::max(1.0, std::fabs(q));
}

// Every rule a true axis keeps, whatever the range.
void ExpectTrueGrid(const ValueGrid& grid, double lowest, double highest) {
    ASSERT_GT(grid.step, 0.0);
    ASSERT_FALSE(grid.values.empty());
    const double slack = grid.step * 1e-9;
    EXPECT_LT(grid.values.front() - grid.step, lowest - slack) << "a line missing at the bottom";
    EXPECT_GT(grid.values.back() + grid.step, highest + slack) << "a line missing at the top";
    std::set<QString> labels;
    for (std::size_t i = 0; i < grid.values.size(); ++i) {
        const double v = grid.values[i];
        SCOPED_TRACE(v);
        EXPECT_GE(v, lowest - slack);
        EXPECT_LE(v, highest + slack);
        if (i > 0) {
            EXPECT_GT(v, grid.values[i - 1]);
        }
        EXPECT_TRUE(OnWholeMultiple(v, grid.step));
        const QString label = TrueLabel(v, grid.decimals);
        EXPECT_TRUE(labels.insert(label).second) << "repeated " << label.toStdString();
        // The decimals shown write the value exactly.
        EXPECT_NEAR(LabelValue(label), v, std::fabs(v) * 1e-15 + slack) << label.toStdString();
    }
}

struct AxisCase {
    const char* name;
    double lowest;
    double highest;
    double labelStep;
    double step;
    // Bottom to top; first and last only when there are more; none where only the rules tell.
    std::vector<const char*> labels;
};

std::vector<QString> LabelsOf(const ValueGrid& grid) {
    std::vector<QString> out;
    for (const double v : grid.values)
        out.push_back(TrueLabel(v, grid.decimals));
    return out;
}

void ExpectLabels(const std::vector<QString>& got, const std::vector<const char*>& want) {
    if (want.empty())
        return;
    if (want.size() == 2 && got.size() > 2) {
        EXPECT_EQ(got.front(), QString::fromUtf8(want.front()));
        EXPECT_EQ(got.back(), QString::fromUtf8(want.back()));
        return;
    }
    std::vector<QString> expected;
    for (const char* w : want)
        expected.push_back(QString::fromUtf8(w));
    EXPECT_EQ(got, expected);
}

// What DrawValueAxis left: the rows of the grid lines and the labels centred on them.
struct DrawnAxis {
    std::vector<int> rows;       // bottom to top
    std::vector<QString> labels; // bottom to top
    std::vector<int> labelRows;
    int widest = 0;
};

DrawnAxis DrawAxis(double lowest, double highest, int plotHeight, double labelStep,
                   const QString& unit = QString()) {
    RecordingCanvas canvas;
    ValueAxisLayout axis;
    axis.plot = {60, 10, 460, 10 + plotHeight};
    axis.drawing = {0, 0, 470, plotHeight + 60};
    axis.charWidth = RecordingCanvas::kCharWidth;
    axis.lowest = lowest;
    axis.pixelsPerUnit = plotHeight / (highest - lowest);
    axis.labelStep = labelStep;
    axis.unitText = unit;
    DrawnAxis out;
    out.widest = DrawValueAxis(canvas, axis);
    for (const auto& l : canvas.LinesWithStyle(PenStyleType::Dot))
        out.rows.push_back(l.from.y);
    for (const auto& t : canvas.texts) {
        if (t.text == unit)
            continue;
        out.labels.push_back(t.text);
        out.labelRows.push_back(t.topLeft.y + kLine / 2);
    }
    return out;
}

// The row the trace gives a value, quantised as it quantises it.
int TraceRow(double v, double lowest, double highest, int plotHeight, double labelStep) {
    const double perUnit = plotHeight / (highest - lowest);
    const double q = std::round(v / labelStep) * labelStep;
    return 10 + plotHeight - static_cast<int>((q - lowest) * perUnit + 0.5);
}

GraphRect BoxOf(const RecordingCanvas& canvas, const RecordingCanvas::TextCall& t) {
    const TextExtent e = canvas.MeasureText(t.text);
    return {t.topLeft.x, t.topLeft.y, t.topLeft.x + e.width, t.topLeft.y + e.height};
}

// Pairs of texts whose boxes share a pixel, as "a / b".
std::vector<std::string> Overlaps(const RecordingCanvas& canvas) {
    std::vector<std::string> out;
    const auto& texts = canvas.texts;
    for (std::size_t i = 0; i < texts.size(); ++i)
        for (std::size_t j = i + 1; j < texts.size(); ++j) {
            const GraphRect a = BoxOf(canvas, texts[i]);
            const GraphRect b = BoxOf(canvas, texts[j]);
            if (a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom)
                out.push_back(texts[i].text.toStdString() + " / " + texts[j].text.toStdString());
        }
    return out;
}

} // namespace

// ------------------------------------------------------------------ value axis

TEST(GraphValueAxis, TenDivisionsHalvedWhileADivisionIsShorterThanOneAndAHalfLines) {
    // 13 px lines: a division needs 19 px.
    struct Edge {
        int height;
        int divisions;
    };
    for (const Edge e : {Edge{191, 10},
                         {190, 10},
                         {189, 5},
                         {96, 5},
                         {95, 5},
                         {94, 2},
                         {38, 2},
                         {37, 1},
                         {19, 1},
                         {18, 0},
                         {0, 0}})
        EXPECT_EQ(ValueAxisDivisions(e.height, kLine), e.divisions) << e.height;
    // A larger font needs taller divisions: 26 px lines, 39 px a division.
    EXPECT_EQ(ValueAxisDivisions(390, 26), 10);
    EXPECT_EQ(ValueAxisDivisions(389, 26), 5);
}

TEST(GraphValueAxis, StepsAreOneTwoTwoAndAHalfOrFiveNeverFinerThanTheLabels) {
    EXPECT_DOUBLE_EQ(ValueLineStep(10.0, 10, 0.01), 1.0);
    EXPECT_DOUBLE_EQ(ValueLineStep(10.0, 5, 0.01), 2.0);
    EXPECT_DOUBLE_EQ(ValueLineStep(10.0, 2, 0.01), 5.0);
    EXPECT_DOUBLE_EQ(ValueLineStep(10.0, 1, 0.01), 10.0);
    EXPECT_DOUBLE_EQ(ValueLineStep(10.0, 0, 0.01), 10.0) << "no room: one division at most";
    // Just above a nice step takes the next one; within rounding it keeps it.
    EXPECT_DOUBLE_EQ(ValueLineStep(0.5, 10, 0.01), 0.05);
    EXPECT_DOUBLE_EQ(ValueLineStep(0.5 * (1 + 1e-12), 10, 0.01), 0.05);
    EXPECT_DOUBLE_EQ(ValueLineStep(0.5001, 10, 0.01), 0.1);
    EXPECT_DOUBLE_EQ(ValueLineStep(3.0, 10, 0.001), 0.5);
    // 2.5 × 10^k only where the labels carry its decimals.
    EXPECT_DOUBLE_EQ(ValueLineStep(25.0, 10, 0.1), 2.5);
    EXPECT_DOUBLE_EQ(ValueLineStep(25.0, 10, 1.0), 5.0);
    EXPECT_DOUBLE_EQ(ValueLineStep(2.5, 10, 0.01), 0.25);
    EXPECT_DOUBLE_EQ(ValueLineStep(0.25, 10, 0.01), 0.05);
    // The label step is the finest step.
    EXPECT_DOUBLE_EQ(ValueLineStep(0.1, 10, 0.02), 0.02);
    EXPECT_DOUBLE_EQ(ValueLineStep(2.0, 10, 1.0), 1.0);
    EXPECT_DOUBLE_EQ(ValueLineStep(0.0, 10, 0.01), 0.01) << "flat";
}

TEST(GraphValueAxis, DecimalsWriteEveryMultipleOfTheStep) {
    EXPECT_EQ(ValueLabelDecimals(2.0), 0);
    EXPECT_EQ(ValueLabelDecimals(1e28), 0);
    EXPECT_EQ(ValueLabelDecimals(2.5), 1);
    EXPECT_EQ(ValueLabelDecimals(0.5), 1);
    EXPECT_EQ(ValueLabelDecimals(0.1), 1);
    EXPECT_EQ(ValueLabelDecimals(0.25), 2);
    EXPECT_EQ(ValueLabelDecimals(0.05), 2);
    EXPECT_EQ(ValueLabelDecimals(0.0001), 4);
}

TEST(GraphValueAxis, ATableOfRangesGetsTrueDistinctLabelsOnWholeMultiples) {
    // Ten divisions where not said otherwise.
    const std::vector<AxisCase> cases = {
        // What the session between 1,01 and 1,10 V is scaled to (checked below).
        {"1,01 to 1,10 V", 0.95, 1.45, 0.01, 0.05, {"0,95", "1,45"}},
        // The instrument page's half-unit range.
        {"instrument page", 5.5, 10.5, 0.01, 0.5, {"5,5", "10,5"}},
        {"tiny", 0.0, 0.001, 0.0001, 0.0001, {"0", "0,0010"}},
        {"negative", -25.0, -5.0, 0.01, 2.0, {"-24", "-6"}},
        {"crossing zero",
         -0.35,
         0.15,
         0.01,
         0.05,
         {"-0,35", "-0,30", "-0,25", "-0,20", "-0,15", "-0,10", "-0,05", "0", "0,05", "0,10",
          "0,15"}},
        {"flat at zero", 0.0, 0.0, 0.01, 0.01, {"0"}},
        {"flat at five", 5.0, 5.0, 0.01, 0.01, {"5,00"}},
        {"millions", 1e6, 1.1e6, 0.01, 10000.0, {"1000000", "1100000"}},
        {"near 1e30", 1e30, 1.5e30, 0.01, 5e28, {}},
        {"°F", 64.0, 84.0, 0.1, 2.0, {"64", "84"}},
        {"two states", -0.5, 1.5, 1.0, 1.0, {"0", "1"}},
        {"five resolution steps", 0.0, 0.05, 0.01, 0.01, {"0", "0,05"}},
        {"resolution coarser than a tenth", 0.0, 0.1, 0.02, 0.02, {"0", "0,10"}},
        {"quarter units", 0.0, 2.5, 0.01, 0.25, {"0", "2,50"}},
    };
    for (const AxisCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ValueGrid grid = ChooseValueGrid(c.lowest, c.highest, 10, c.labelStep);
        EXPECT_DOUBLE_EQ(grid.step, c.step);
        ExpectTrueGrid(grid, c.lowest, c.highest);
        ExpectLabels(LabelsOf(grid), c.labels);
    }
    const ValueRange session = NiceValueRange(1.01, 1.10, 0.01);
    EXPECT_NEAR(session.lowest, 0.95, 1e-12);
    EXPECT_NEAR(session.highest, 1.45, 1e-12);
    // An RTD room in °F: whatever range it gets, its axis is true.
    const ValueRange fahrenheit = NiceValueRange(68.4, 71.6, 0.1);
    ExpectTrueGrid(ChooseValueGrid(fahrenheit.lowest, fahrenheit.highest, 10, 0.1),
                   fahrenheit.lowest, fahrenheit.highest);
}

TEST(GraphValueAxis, FewerDivisionsStayOnMultiplesOfTheirOwnStep) {
    const ValueGrid five = ChooseValueGrid(0.95, 1.45, 5, 0.01);
    EXPECT_DOUBLE_EQ(five.step, 0.1);
    ExpectTrueGrid(five, 0.95, 1.45);
    ExpectLabels(LabelsOf(five), {"1,0", "1,1", "1,2", "1,3", "1,4"});

    const ValueGrid two = ChooseValueGrid(5.5, 10.5, 2, 0.01);
    EXPECT_DOUBLE_EQ(two.step, 2.5);
    ExpectLabels(LabelsOf(two), {"7,5", "10,0"});

    const ValueGrid none = ChooseValueGrid(5.5, 10.5, 0, 0.01);
    ExpectLabels(LabelsOf(none), {"10"});
}

TEST(GraphValueAxis, RangesBeyondWhatADoubleCountsDrawNoLines) {
    EXPECT_TRUE(ChooseValueGrid(1.0, 0.0, 10, 0.01).values.empty()) << "reversed";
    EXPECT_TRUE(ChooseValueGrid(0.0, INFINITY, 10, 0.01).values.empty());
    EXPECT_TRUE(ChooseValueGrid(NAN, 1.0, 10, 0.01).values.empty());
    // A step far below the values' precision cannot tell one line from the next.
    EXPECT_TRUE(ChooseValueGrid(1e30, 1e30, 10, 0.01).values.empty());
}

TEST(GraphValueAxis, DrawnLabelsAreTheGridsValuesCentredOnTheirLines) {
    const int h = 362;
    const DrawnAxis drawn = DrawAxis(0.95, 1.45, h, 0.01, u"Vdc"_qs);
    const std::vector<QString> want = LabelsOf(ChooseValueGrid(0.95, 1.45, 10, 0.01));
    ASSERT_EQ(drawn.labels, want);
    ASSERT_EQ(drawn.rows.size(), want.size());
    EXPECT_EQ(drawn.labelRows, drawn.rows);
    EXPECT_EQ(drawn.rows.front(), 10 + h) << "0,95 at the bottom";
    EXPECT_EQ(drawn.rows.back(), 10) << "1,45 at the top";
    EXPECT_EQ(drawn.widest, 4 * RecordingCanvas::kCharWidth);
    // A value exactly on a grid line is drawn on that line.
    for (const double v : {0.95, 1.05, 1.10, 1.45}) {
        const QString label = FormatFixed(v, 2);
        const auto at = std::find(drawn.labels.begin(), drawn.labels.end(), label);
        ASSERT_NE(at, drawn.labels.end()) << label.toStdString();
        EXPECT_EQ(drawn.rows[static_cast<std::size_t>(at - drawn.labels.begin())],
                  TraceRow(v, 0.95, 1.45, h, 0.01))
            << label.toStdString();
    }
}

TEST(GraphValueAxis, ShortPlotsHalveAtTheirExactHeight) {
    // 0 to 10: ten lines of 1 need 190 px, five of 2 below that.
    EXPECT_EQ(DrawAxis(0.0, 10.0, 191, 0.01).labels.size(), 11u);
    EXPECT_EQ(DrawAxis(0.0, 10.0, 190, 0.01).labels.size(), 11u);
    const DrawnAxis below = DrawAxis(0.0, 10.0, 189, 0.01);
    std::vector<QString> evens;
    for (const char* l : {"0", "2", "4", "6", "8", "10"})
        evens.push_back(QString::fromLatin1(l));
    EXPECT_EQ(below.labels, evens);
}

TEST(GraphValueAxis, ALabelThatWouldOverlapTheOneBelowIsLeftOutItsLineKept) {
    // A plot too short for one division: lines at 0 and 10, `h` px apart; labels 13 px high.
    const DrawnAxis touching = DrawAxis(0.0, 10.0, kLine, 0.01);
    EXPECT_EQ(touching.rows.size(), 2u);
    EXPECT_EQ(touching.labels, (std::vector<QString>{u"0"_qs, u"10"_qs}));
    const DrawnAxis crowded = DrawAxis(0.0, 10.0, kLine - 1, 0.01);
    EXPECT_EQ(crowded.rows.size(), 2u);
    EXPECT_EQ(crowded.labels, (std::vector<QString>{u"0"_qs}));
    EXPECT_EQ(crowded.widest, RecordingCanvas::kCharWidth) << "only drawn labels count";
}

// ------------------------------------------------------------------ time axis and cursor

namespace {

// An hour from 2024/03/05 14:07:09 across a plot `width` px wide, on a 13 px line.
RecordingCanvas DrawHour(int width) {
    RecordingCanvas canvas;
    TimeAxisLayout axis;
    axis.plot = {10, 10, 10 + width, 200};
    axis.lineHeight = kLine;
    axis.sessionStart = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)).toSecsSinceEpoch();
    axis.viewSpan = 3600.0;
    axis.pixelsPerSecond = (width - 2) / 3600.0;
    DrawTimeAxis(canvas, axis);
    return canvas;
}

} // namespace

TEST(GraphTimeAxis, EdgesFirstThenCentredTextsWhereTheyFit) {
    // Dates are 70 px, times 56, "12 Min/Div" 70, "1:00:00 (h:min:s)" 119.
    const RecordingCanvas wide = DrawHour(400);
    EXPECT_EQ(wide.texts.size(), 6u);
    EXPECT_TRUE(Overlaps(wide).empty());

    // The division text fits between the two times when 56 + 70 + 56 px: it touches both.
    const RecordingCanvas division = DrawHour(182);
    EXPECT_NE(division.FindText(u"12 Min/Div"_qs), nullptr);
    EXPECT_TRUE(Overlaps(division).empty());
    EXPECT_EQ(DrawHour(181).FindText(u"12 Min/Div"_qs), nullptr);

    // Both edges need 70 + 70 px; one less and the right edge is left out, date and time.
    const RecordingCanvas edges = DrawHour(140);
    EXPECT_NE(edges.FindText(u"15:07:09"_qs), nullptr);
    EXPECT_EQ(edges.texts.size(), 4u) << "both dates and times";
    EXPECT_EQ(edges.FindText(u"12 Min/Div"_qs), nullptr);
    EXPECT_TRUE(Overlaps(edges).empty());
    const RecordingCanvas narrow = DrawHour(139);
    EXPECT_EQ(narrow.texts.size(), 2u);
    EXPECT_NE(narrow.FindText(u"14:07:09"_qs), nullptr);
    EXPECT_EQ(narrow.FindText(u"15:07:09"_qs), nullptr);

    // Narrower than a date: nothing at all rather than texts past the plot.
    EXPECT_EQ(DrawHour(70).texts.size(), 2u);
    EXPECT_TRUE(DrawHour(69).texts.empty());
}

TEST(GraphCursorLabel, CentredOnItsLineButInsideThePlot) {
    // A 100 px label in a plot from 0 to 300.
    EXPECT_EQ(CentredWithin(150, 100, 0, 300), 100);
    EXPECT_EQ(CentredWithin(50, 100, 0, 300), 0) << "exactly fits at the left";
    EXPECT_EQ(CentredWithin(49, 100, 0, 300), 0);
    EXPECT_EQ(CentredWithin(250, 100, 0, 300), 200) << "exactly fits at the right";
    EXPECT_EQ(CentredWithin(251, 100, 0, 300), 200);
    EXPECT_EQ(CentredWithin(150, 300, 0, 300), 0) << "as wide as the plot";
}

TEST(GraphCursorLabel, APlotTooNarrowForTheWholeLabelShowsAShorterOne) {
    // 7 px a character: 70, 49 and 28 px.
    const std::vector<QString> forms = {u"ten chars!"_qs, u"7 chars"_qs, u"four"_qs};
    const auto drawnIn = [&](int right) {
        RecordingCanvas canvas;
        DrawFirstThatFits(canvas, forms, right, 50, 0, right);
        return canvas.texts;
    };
    const auto exact = drawnIn(70);
    ASSERT_EQ(exact.size(), 1u);
    EXPECT_EQ(exact[0].text, forms[0]);
    EXPECT_EQ(exact[0].topLeft, (GraphPoint{0, 50}));
    ASSERT_EQ(drawnIn(69).size(), 1u);
    EXPECT_EQ(drawnIn(69)[0].text, forms[1]);
    EXPECT_EQ(drawnIn(69)[0].topLeft.x, 69 - 49) << "centred on the right edge, moved in";
    EXPECT_EQ(drawnIn(28)[0].text, forms[2]);
    EXPECT_TRUE(drawnIn(27).empty()) << "nothing rather than a cut text";
}

// ------------------------------------------------------------------ the whole graph

namespace {

// Model 2 (10 V, 0.01 V resolution) at 1 mV a count, one value a second.
std::unique_ptr<CRecSession> VoltageRamp(int n, int from, int to) {
    std::vector<int16_t> counts(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        counts[static_cast<std::size_t>(i)] =
            static_cast<int16_t>(from + (to - from) * i / std::max(1, n - 1));
    SessionImageBuilder b;
    b.Set("Ch1HighScale", "00002041").Samples(counts);
    return ReadImage(b);
}

struct Drawn {
    RecordingCanvas last;
    GraphRect plot;
};

Drawn DrawGraph(CTrendGraph& graph, RecordingCanvas& canvas) {
    canvas.Clear();
    graph.Draw(canvas);
    return {canvas.LastPass(), graph.PlotRect()};
}

} // namespace

TEST(GraphTrendAxes, ASessionBetweenOneAndOneTenthVoltsReadsTrue) {
    // Model 2 at 1 mV a count: 1,01 to 1,10 V.
    const auto session = VoltageRamp(91, 1010, 1100);
    ASSERT_NE(session, nullptr);
    CTrendGraph graph;
    graph.SetChannelSource(session.get());
    graph.SetOuterRect({0, 0, 800, 400});
    RecordingCanvas canvas;
    const Drawn d = DrawGraph(graph, canvas);
    EXPECT_NEAR(graph.CurrentValueRange().lowest, 0.95, 1e-12);
    EXPECT_NEAR(graph.CurrentValueRange().highest, 1.45, 1e-12);
    std::vector<QString> labels;
    for (const auto& t : d.last.texts)
        if (t.topLeft.x < d.plot.left && t.topLeft.y < d.plot.bottom)
            labels.push_back(t.text);
    ASSERT_EQ(labels.size(), 11u);
    EXPECT_EQ(labels.front(), u"0,95"_qs);
    EXPECT_EQ(labels.back(), u"1,45"_qs);
    // The trace's last value, 1,10 V, lies on the line labelled so.
    const auto* label = d.last.FindText(u"1,10"_qs);
    ASSERT_NE(label, nullptr);
    const int row = label->topLeft.y + kLine / 2;
    const auto solid = d.last.LinesWithStyle(PenStyleType::Solid);
    const bool onRow = std::any_of(solid.begin(), solid.end(), [&](const auto& l) {
        return l.to.y == row && l.to.x > d.plot.right - 20 && l.to.x < d.plot.right;
    });
    EXPECT_TRUE(onRow);
}

TEST(GraphTrendAxes, NarrowPlotsAndLargeFontsLeaveNoTextOverlapping) {
    const auto session = VoltageRamp(3601, 2000, 8000);
    for (const int width : {240, 320, 480}) {
        for (const int offset : {0, 10000}) {
            SCOPED_TRACE(testing::Message() << width << " px, cursor at " << offset);
            CTrendGraph graph;
            graph.SetChannelSource(session.get());
            graph.SetUnitText(u"Vdc"_qs);
            graph.EnableCursor();
            graph.SetOuterRect({0, 0, width, 300});
            // Twice the usual metrics, as at a 2× display scale.
            RecordingCanvas canvas(false, 14, 26);
            DrawGraph(graph, canvas);
            graph.PlaceCursor(offset);
            const Drawn d = DrawGraph(graph, canvas);
            ASSERT_GT(d.plot.Width(), 1);
            EXPECT_EQ(Overlaps(d.last), std::vector<std::string>{});
            // The cursor's row: its label, whole or shortened, inside the plot.
            const auto cursor =
                std::find_if(d.last.texts.begin(), d.last.texts.end(),
                             [&](const auto& t) { return t.topLeft.y == d.plot.bottom + 2; });
            ASSERT_NE(cursor, d.last.texts.end());
            EXPECT_TRUE(graph.CursorLabel().contains(cursor->text)) << cursor->text.toStdString();
            const GraphRect box = BoxOf(d.last, *cursor);
            EXPECT_GE(box.left, d.plot.left);
            EXPECT_LE(box.right, d.plot.right);
        }
    }
}
