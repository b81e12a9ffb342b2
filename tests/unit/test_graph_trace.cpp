#include "core/common/ValueMarkers.h"
#include "core/graph/ClippedSegment.h"
#include "core/graph/TraceRenderer.h"
#include "core/session/ValuePyramid.h"
#include "support/RecordingCanvas.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

using Line = RecordingCanvas::LineCall;

// A 100 × 100 plot at (10, 10): one pixel per second and per value unit, so point i of a
// record starting at the view start lies at x = 11 + i and value v at y = 110 − v.
TraceFrame UnitFrame() {
    TraceFrame f;
    f.plot = {10, 10, 110, 110};
    f.clipTop = 10;
    f.clipBottom = 110;
    f.viewSpan = 98.0;
    f.pixelsPerSecond = 1.0;
    f.pixelsPerUnit = 1.0;
    f.labelStep = 1.0;
    return f;
}

TraceRecord RecordOf(const std::vector<double>& values, double secondsApart = 1.0,
                     const ValuePyramid* summary = nullptr) {
    return {0, ValueView::OfValues(values.data(), values.size(), summary), 0.0,
            (static_cast<double>(values.size()) - 1.0) * secondsApart};
}

RecordingCanvas Draw(const std::vector<double>& values, const TraceStyle& style = {},
                     const TraceFrame& frame = UnitFrame(), double secondsApart = 1.0) {
    RecordingCanvas canvas;
    TraceRenderer(canvas, frame, style).Draw(RecordOf(values, secondsApart), nullptr);
    return canvas;
}

bool Same(const Line& l, GraphPoint from, GraphPoint to) {
    return l.from == from && l.to == to;
}

class RecordingProbe final : public TraceColumnProbe {
public:
    explicit RecordingProbe(int takeAt) : takeAt_(takeAt) {}
    bool TakeColumn(const TraceColumn& column) override {
        columns.push_back(column);
        return static_cast<int>(columns.size()) == takeAt_;
    }
    std::vector<TraceColumn> columns;

private:
    int takeAt_;
};

} // namespace

TEST(GraphTrace, ConsecutivePointsAreJoinedAndQuantised) {
    const RecordingCanvas c = Draw({10.0, 20.4, 30.6});
    const auto solid = c.LinesWithStyle(PenStyleType::Solid);
    ASSERT_EQ(solid.size(), 3u);
    EXPECT_TRUE(Same(solid[0], {11, 100}, {12, 90})) << "20.4 is drawn as 20";
    EXPECT_TRUE(Same(solid[1], {12, 90}, {13, 79}));
    EXPECT_TRUE(Same(solid[2], {13, 79}, {14, 79})) << "the line ends in a stub";
}

TEST(GraphTrace, SingleValueBetweenNoValuesIsAStub) {
    const RecordingCanvas c = Draw({NoValue, 5.0, NoValue, NoValue});
    ASSERT_EQ(c.lines.size(), 1u);
    EXPECT_TRUE(Same(c.lines[0], {12, 105}, {13, 105}));
    EXPECT_EQ(c.lines[0].pen.style, PenStyleType::Solid);
}

TEST(GraphTrace, OverRangeRunsAreDashedOnlyWhenAsked) {
    std::vector<double> values(40, 50.0);
    for (int i = 20; i < 30; ++i)
        values[static_cast<std::size_t>(i)] = OverRangeValue;
    values[35] = UnderRangeValue;

    const RecordingCanvas on = Draw(values, {0xFF, false, true});
    const auto dashes = on.LinesWithStyle(PenStyleType::Dash);
    ASSERT_EQ(dashes.size(), 2u);
    EXPECT_TRUE(Same(dashes[0], {32, 7}, {42, 7})) << "3 px above the plot, groups 20..29";
    EXPECT_TRUE(Same(dashes[1], {47, 113}, {48, 113})) << "3 px below the plot";
    EXPECT_EQ(dashes[0].pen.colour, 0xFFu);

    const RecordingCanvas off = Draw(values, {0xFF, false, false});
    EXPECT_TRUE(off.LinesWithStyle(PenStyleType::Dash).empty());
    // Both leave the same gap: no segment crosses the over-range run.
    for (const RecordingCanvas* c : {&on, &off})
        for (const Line& l : c->LinesWithStyle(PenStyleType::Solid))
            EXPECT_FALSE(l.from.x < 31 && l.to.x > 31 + 10) << l.from.x << ".." << l.to.x;
    EXPECT_EQ(on.LinesWithStyle(PenStyleType::Solid).size(),
              off.LinesWithStyle(PenStyleType::Solid).size());
}

TEST(GraphTrace, ARunStillOpenAtTheRightEdgeIsClosedThere) {
    std::vector<double> values(200, OverRangeValue);
    const RecordingCanvas c = Draw(values, {0, false, true});
    const auto dashes = c.LinesWithStyle(PenStyleType::Dash);
    ASSERT_EQ(dashes.size(), 1u);
    EXPECT_TRUE(Same(dashes[0], {12, 7}, {110, 7}));
}

TEST(GraphTrace, ManyPointsAreGroupedPerPixelColumn) {
    std::vector<double> values(1000000);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = 50.0 + static_cast<double>(i % 7) - 3.0;
    TraceFrame frame = UnitFrame();
    frame.viewSpan = 999999.0;
    frame.pixelsPerSecond = 98.0 / frame.viewSpan;

    const RecordingCanvas plain = Draw(values, {}, frame);
    EXPECT_LE(plain.lines.size(), 100u);
    const RecordingCanvas envelope = Draw(values, {0, true, false}, frame);
    EXPECT_LE(envelope.lines.size(), 300u);
    bool low = false;
    bool high = false;
    for (const Line& l : envelope.lines) {
        low |= l.to.y == 110 - 47;
        high |= l.to.y == 110 - 53;
    }
    EXPECT_TRUE(low && high) << "the envelope reaches the columns' extremes";
}

TEST(GraphTrace, PointsLeftOfThePlotAreSkippedAndTheLineEntersFromTheEdge) {
    TraceFrame frame = UnitFrame();
    frame.viewStart = 10.5;
    frame.viewSpan = 49.0; // 2 px per second: point i at x = 2i − 10
    frame.pixelsPerSecond = 2.0;
    std::vector<double> values(60, 40.0);
    values[10] = 60.0; // at x = 10, the plot's edge: the last point skipped
    const RecordingCanvas c = Draw(values, {}, frame);
    ASSERT_FALSE(c.lines.empty());
    EXPECT_TRUE(Same(c.lines[0], {11, 50}, {12, 70}));
    for (const Line& l : c.lines) {
        EXPECT_GT(l.from.x, 10);
        EXPECT_LE(l.to.x, 110);
    }

    // Below 1.9 px per point nothing enters from the edge. Point i at x = i − 1.5.
    frame.pixelsPerSecond = 1.0;
    frame.viewSpan = 98.0;
    frame.viewStart = 12.5;
    values[11] = 60.0;
    const RecordingCanvas dense = Draw(values, {}, frame);
    EXPECT_EQ(dense.lines[0].from.x, 11);
    EXPECT_EQ(dense.lines[0].from.y, 70);
}

TEST(GraphTrace, SegmentsAreClippedToThePlot) {
    const RecordingCanvas c = Draw({50.0, 150.0, 50.0, -60.0, -70.0});
    const auto solid = c.LinesWithStyle(PenStyleType::Solid);
    ASSERT_EQ(solid.size(), 3u) << "the segment wholly below is not drawn";
    EXPECT_TRUE(Same(solid[0], {11, 60}, {12, 10}));
    EXPECT_TRUE(Same(solid[1], {13, 10}, {13, 60}));
    EXPECT_TRUE(Same(solid[2], {13, 60}, {13, 110}));

    TraceFrame unclipped = UnitFrame();
    unclipped.clip = false;
    const RecordingCanvas free = Draw({50.0, 150.0}, {}, unclipped);
    EXPECT_EQ(free.lines[0].to, (GraphPoint{12, -40}));
}

TEST(GraphTrace, ClippedSegmentCutsAtTheRows) {
    RecordingCanvas c;
    DrawClippedSegment(c, {0, 0}, {100, 100}, 20, 60);
    ASSERT_EQ(c.lines.size(), 1u);
    EXPECT_TRUE(Same(c.lines[0], {20, 20}, {60, 60}));
    DrawClippedSegment(c, {0, 5}, {50, 5}, 20, 60);
    DrawClippedSegment(c, {0, 70}, {50, 90}, 20, 60);
    EXPECT_EQ(c.lines.size(), 1u);
    DrawClippedSegment(c, {0, 30}, {9, 40}, 20, 60);
    EXPECT_TRUE(Same(c.lines.back(), {0, 30}, {9, 40}));
}

TEST(GraphTrace, ColumnsAreOfferedUntilTaken) {
    std::vector<double> values(1000, 20.0);
    values[12] = OverRangeValue;
    values[13] = 80.0;
    TraceFrame frame = UnitFrame();
    frame.viewSpan = 999.0;
    frame.pixelsPerSecond = 98.0 / 999.0;
    RecordingProbe probe(2);
    RecordingCanvas canvas;
    TraceRenderer(canvas, frame, {}).Draw(RecordOf(values), &probe);
    ASSERT_EQ(probe.columns.size(), 2u);
    const TraceColumn& second = probe.columns[1];
    EXPECT_EQ(second.groupSize, 10);
    EXPECT_EQ(second.realCount, 9);
    EXPECT_EQ(second.maximum, OverRangeValue);
    EXPECT_EQ(second.minimum, 20.0);
    EXPECT_EQ(second.last, 20.0);
    EXPECT_FALSE(second.isLast);

    RecordingProbe never(0);
    TraceRenderer(canvas, frame, {}).Draw(RecordOf(values), &never);
    EXPECT_TRUE(never.columns.back().isLast);
}

TEST(GraphTrace, ValuesThatAreNotFiniteAreNotDrawn) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const RecordingCanvas c = Draw({nan, 5.0, std::numeric_limits<double>::infinity()});
    ASSERT_EQ(c.lines.size(), 1u);
    EXPECT_TRUE(Same(c.lines[0], {12, 105}, {13, 105}));
}

TEST(GraphTrace, ASummaryDrawsExactlyWhatAScanDraws) {
    // 200,000 points on a 98-pixel plot: some two thousand a column, with markers inside.
    std::vector<double> values(200000);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = i % 9973 == 0   ? OverRangeValue
                    : i % 7919 == 0 ? NoValue
                                    : 50.0 + 40.0 * std::sin(i * 0.0001) + i % 13;
    const ValuePyramid summary(values.data(), static_cast<int64_t>(values.size()));
    const TraceRecord plain = RecordOf(values, 98.0 / 199999.0);
    const TraceRecord summarised = RecordOf(values, 98.0 / 199999.0, &summary);
    const TraceStyle style{0, true, true};
    RecordingCanvas a, b;
    RecordingProbe pa(40), pb(40);
    TraceRenderer(a, UnitFrame(), style).Draw(plain, &pa);
    TraceRenderer(b, UnitFrame(), style).Draw(summarised, &pb);
    ASSERT_EQ(a.lines.size(), b.lines.size());
    for (std::size_t i = 0; i < a.lines.size(); ++i)
        EXPECT_TRUE(Same(b.lines[i], a.lines[i].from, a.lines[i].to)) << "line " << i;
    ASSERT_EQ(pa.columns.size(), pb.columns.size());
    EXPECT_EQ(pb.columns.back().minimum, pa.columns.back().minimum);
    EXPECT_EQ(pb.columns.back().maximum, pa.columns.back().maximum);
    EXPECT_EQ(pb.columns.back().last, pa.columns.back().last);
}
