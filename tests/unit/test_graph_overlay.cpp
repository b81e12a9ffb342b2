#include "core/common/StringTable.h"
#include "core/graph/COverlayGraph.h"
#include "core/graph/GraphTheme.h"
#include "core/graph/OverlaySessions.h"
#include "core/graph/OverlayTimeline.h"
#include "core/session/ChannelTexts.h"
#include "support/RecordingCanvas.h"
#include "support/SessionTestSupport.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

// Model 2 (10 V, 0.01 V resolution) sessions of one value a second.
std::unique_ptr<CRecSession> Voltage(const char* start, int n, int base = 0,
                                     const char* units = "V", const char* name = "") {
    std::vector<int16_t> counts(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        counts[static_cast<std::size_t>(i)] = static_cast<int16_t>(base + 10 * i);
    SessionImageBuilder b;
    b.Set("Start", start).Set("Ch1Units", units);
    b.Samples(counts);
    auto session = ReadImage(b);
    session->SetSessionName(QString::fromUtf8(name));
    return session;
}

// ------------------------------------------------------------------ the common clock

// Run 0 starts at 1000 s, 1 s apart, 101 values (to 1100); run 1 at 1030, 60 s apart, 11
// values (to 1630); run 2 at 5000, 10 s apart, 3 values (to 5020).
OverlayTimeline ThreeRuns() {
    return OverlayTimeline({{1000, 1.0, 101}, {1030, 60.0, 11}, {5000, 10.0, 3}});
}

TEST(OverlayTimeline, PlacesEveryRunFromTheEarliestStartAndSpansTheUnionOfTheirTimes) {
    const OverlayTimeline t = ThreeRuns();
    EXPECT_EQ(t.Origin(), 1000);
    EXPECT_DOUBLE_EQ(t.FirstOffset(0), 0.0);
    EXPECT_DOUBLE_EQ(t.FirstOffset(1), 30.0);
    EXPECT_DOUBLE_EQ(t.LastOffset(1), 630.0);
    EXPECT_DOUBLE_EQ(t.FirstOffset(2), 4000.0);
    // The union, gaps included, ends with the latest last value whatever the order.
    EXPECT_DOUBLE_EQ(t.TotalSpan(), 4020.0);
    const OverlayTimeline reversed({{5000, 10.0, 3}, {1000, 1.0, 101}});
    EXPECT_EQ(reversed.Origin(), 1000);
    EXPECT_DOUBLE_EQ(reversed.TotalSpan(), 4020.0);
    // An empty run neither moves the origin nor stretches the span.
    const OverlayTimeline withEmpty({{10, 1.0, 0}, {1000, 1.0, 101}});
    EXPECT_EQ(withEmpty.Origin(), 1000);
    EXPECT_DOUBLE_EQ(withEmpty.TotalSpan(), 100.0);
}

TEST(OverlayTimeline, ARunWhollyOutsideTheWindowHasNoVisibleValues) {
    const OverlayTimeline t = ThreeRuns();
    // The window 100..3999 s: run 0 ends exactly at its left edge, run 2 starts one second
    // past its right edge.
    EXPECT_EQ(t.Visible(0, 100.0, 3899.0), (PointRange{100, 101}));
    EXPECT_EQ(t.Visible(0, 101.0, 3899.0), (PointRange{}));
    EXPECT_EQ(t.Visible(2, 100.0, 3899.0), (PointRange{}));
    EXPECT_EQ(t.Visible(2, 100.0, 3900.0), (PointRange{0, 1}));
    // Inside, each run counts by its own period: 30..90 s holds run 1's values 0 and 1, the
    // second on the window's right edge; run 0 has values 31 to 91 there.
    EXPECT_EQ(t.Visible(1, 30.0, 60.0), (PointRange{0, 2}));
    EXPECT_EQ(t.Visible(1, 31.0, 60.0), (PointRange{1, 2}));
    EXPECT_EQ(t.Visible(0, 31.0, 60.0), (PointRange{31, 92}));
}

TEST(OverlayTimeline, TheCursorReadsTheValueInForceOfEachRunAtItsTime) {
    const OverlayTimeline t = ThreeRuns();
    // Exactly on run 1's samples, between them, and a second either side of its ends.
    EXPECT_EQ(t.IndexAt(1, 29.0), std::nullopt);
    EXPECT_EQ(t.IndexAt(1, 30.0), 0);
    EXPECT_EQ(t.IndexAt(1, 89.0), 0);
    EXPECT_EQ(t.IndexAt(1, 90.0), 1);
    EXPECT_EQ(t.IndexAt(1, 91.0), 1);
    EXPECT_EQ(t.IndexAt(1, 630.0), 10);
    EXPECT_EQ(t.IndexAt(1, 631.0), std::nullopt);
    // The same time read by the other runs, each on its own period.
    EXPECT_EQ(t.IndexAt(0, 90.0), 90);
    EXPECT_EQ(t.IndexAt(0, 90.5), 90);
    EXPECT_EQ(t.IndexAt(2, 90.0), std::nullopt);
    EXPECT_EQ(t.IndexAt(2, 4015.0), 1);
    // A time a rounding error below a sample is that sample.
    EXPECT_EQ(t.IndexAt(1, 30.0 + 60.0 * 0.1 * 10 - 1e-12), 1);
}

// ------------------------------------------------------------------ which sessions

TEST(OverlaySessions, OnlyTwoOrMoreSessionsOfMeasuredValuesInOneUnitShareAGraph) {
    const auto a = Voltage("2024/03/05 14:00:00", 50, 0, "V", "Four");
    const auto b = Voltage("2024/03/05 14:00:30", 10, 0, "V", "Cuve");
    const auto mv = Voltage("2024/03/05 14:00:00", 50, 0, "mV", "Sonde");
    SessionImageBuilder events;
    events.Set("Model", "6").Samples(std::vector<int16_t>(20, 0x0F0F));
    auto ev = ReadImage(events);
    ev->SetSessionName(QStringLiteral("Porte"));
    SessionImageBuilder empty;
    auto none = ReadImage(empty);
    none->SetSessionName(QStringLiteral("Vide"));

    EXPECT_EQ(OverlayRefusal({a.get(), b.get()}), std::nullopt);
    EXPECT_EQ(OverlayRefusal({a.get()}), ResourceString(TextId::kOverlayTooFew));
    EXPECT_EQ(OverlayRefusal({}), ResourceString(TextId::kOverlayTooFew));
    EXPECT_EQ(OverlayRefusal({a.get(), b.get(), mv.get()}),
              QStringLiteral("La session « Sonde » est en « mV » et non en « V » : seules des "
                             "sessions de même unité se superposent."));
    EXPECT_EQ(OverlayRefusal({a.get(), ev.get()}),
              FormatResource(TextId::kOverlayEventSession, {QStringLiteral("Porte")}));
    EXPECT_EQ(OverlayRefusal({a.get(), none.get()}),
              FormatResource(TextId::kOverlayNoValues, {QStringLiteral("Vide")}));

    // The choice offers only what would be accepted, the reference among them.
    const std::vector<CRecSession*> open{a.get(), mv.get(), ev.get(), b.get(), none.get()};
    EXPECT_EQ(OverlayCandidates(open, *b), (std::vector<const CRecSession*>{a.get(), b.get()}));
    EXPECT_EQ(OverlayCandidates(open, *mv), (std::vector<const CRecSession*>{mv.get()}));
    EXPECT_TRUE(OverlayCandidates(open, *ev).empty());
}

TEST(OverlaySessions, EveryTraceHasAColourOfItsOwnAndTheFirstKeepsTheUsersChoice) {
    const ColorRef red = 255;
    std::vector<ColorRef> seen;
    for (int i = 0; i < 7; ++i) {
        const ColorRef c = OverlayTraceColour(i, red);
        EXPECT_EQ(std::count(seen.begin(), seen.end(), c), 0) << i;
        seen.push_back(c);
    }
    EXPECT_EQ(seen.front(), red);
    // A user colour that is one of the others is not given twice.
    const ColorRef blue = OverlayTraceColour(1, red);
    for (int i = 1; i < 7; ++i)
        EXPECT_NE(OverlayTraceColour(i, blue), blue) << i;
}

// Past the user's colour the palette's seven follow, the user's left out when it is one of
// them; past the palette's end they start again from its first.
TEST(OverlaySessions, ColoursPastTheEndOfThePaletteStartItAgain) {
    const ColorRef red = 255;
    std::vector<ColorRef> traces;
    for (int i = 0; i < 10; ++i)
        traces.push_back(OverlayTraceColour(i, red));
    EXPECT_EQ(traces[1], MakeColorRef(0, 114, 178)) << "the second trace takes the palette's first";
    for (int i = 6; i <= 7; ++i)
        EXPECT_EQ(std::count(traces.begin(), traces.begin() + i, traces[i]), 0)
            << "trace " << i << " of 8 distinct colours";
    EXPECT_EQ(traces[8], traces[1]) << "one past the palette";
    EXPECT_EQ(traces[9], traces[2]);

    // The palette's first as the user's colour: seven distinct colours, then the palette again.
    const ColorRef blue = traces[1];
    std::vector<ColorRef> own;
    for (int i = 0; i < 9; ++i)
        own.push_back(OverlayTraceColour(i, blue));
    for (int i = 5; i <= 6; ++i)
        EXPECT_EQ(std::count(own.begin(), own.begin() + i, own[i]), 0)
            << "trace " << i << " of 7 distinct colours";
    EXPECT_EQ(own[1], traces[2]);
    EXPECT_EQ(own[7], traces[1]) << "one past the palette";
    EXPECT_EQ(own[8], traces[2]);
}

// ------------------------------------------------------------------ the graph

class LightSettings final : public GraphSettingsSource {
public:
    const TraceColours& GraphColours() const override { return colours; }
    bool DashedOverload() const override { return true; }
    GraphTheme Theme() const override { return theme; }
    TraceColours colours;
    GraphTheme theme;
};

// Temperature sessions in °C: an RTD logger samples every second, a thermocouple logger
// every two seconds.
std::unique_ptr<CRecSession> Rtd(const char* start, int n, int base, const char* name) {
    std::vector<int16_t> counts;
    for (int i = 0; i < n; ++i)
        counts.push_back(static_cast<int16_t>(base + i % 100));
    SessionImageBuilder b;
    b.Set("Model", "7").Set("MaxCnt", "4096").Set("RTDRef", "4750").Set("RTDNom", "1000");
    b.Set("Start", start).Samples(counts);
    auto session = ReadImage(b);
    session->SetSessionName(QString::fromUtf8(name));
    return session;
}

std::unique_ptr<CRecSession> Thermocouple(const char* start, int n, int base, const char* name) {
    std::vector<std::pair<int16_t, int16_t>> pairs;
    for (int i = 0; i < n; ++i)
        pairs.emplace_back(static_cast<int16_t>(base + i), 0);
    SessionImageBuilder b;
    b.Set("Model", "8").Set("TC_Type", "K").Set("VRef", "1").Set("MaxCnt", "100");
    b.Set("Start", start).PairSamples(pairs);
    auto session = ReadImage(b);
    session->SetSessionName(QString::fromUtf8(name));
    return session;
}

struct OverlayFixture {
    OverlayFixture() {
        // 14:00:00 every second for 10 minutes; 14:05:00 every 2 s for 2 minutes; 16:00:00
        // every second for a minute, after a gap, and far hotter.
        sessions.push_back(Rtd("2024/03/05 14:00:00", 601, 600, "Chambre"));
        sessions.push_back(Thermocouple("2024/03/05 14:05:00", 61, 100, "Four"));
        sessions.push_back(Rtd("2024/03/05 16:00:00", 61, 900, "Quai"));
        settings.colours.cursor = MakeColorRef(0, 200, 0);
        graph.SetSettingsSource(&settings);
        graph.SetSessions({sessions[0].get(), sessions[1].get(), sessions[2].get()});
        graph.EnableCursor();
        graph.SetOuterRect({0, 0, 1000, 500});
    }
    const RecordingCanvas& Draw() {
        canvas.Clear();
        graph.Draw(canvas);
        last = canvas.LastPass();
        return last;
    }
    // The x of the first trace segment drawn in `colour`.
    int FirstX(ColorRef colour) const {
        int x = 1 << 30;
        for (const auto& l : last.lines)
            if (l.pen.colour == colour && l.pen.style == PenStyleType::Solid && l.pen.width == 1 &&
                !l.IsVertical())
                x = std::min(x, l.from.x);
        return x;
    }
    QString ValueText(int s, int i) const {
        const CRecSession& session = *sessions[static_cast<std::size_t>(s)];
        return ChannelTexts(session.ChanData())
            .ValueText(session.ChanData().Channel(0).Record(0).Values()[i], session.DisplayUnits());
    }

    std::vector<std::unique_ptr<CRecSession>> sessions;
    LightSettings settings;
    COverlayGraph graph;
    RecordingCanvas canvas;
    RecordingCanvas last;
};

TEST(OverlayGraph, DrawsEverySessionAtItsClockTimeInItsOwnColourWithALegend) {
    OverlayFixture f;
    const RecordingCanvas& drawn = f.Draw();
    // 14:00:00 to 16:01:00.
    EXPECT_DOUBLE_EQ(f.graph.TotalSpan(), 7260.0);
    EXPECT_TRUE(f.graph.IsShowingAll());
    const GraphRect plot = f.graph.PlotRect();
    const double pps = (plot.Width() - 2) / 7260.0;
    const auto expectedX = [&](double seconds) {
        return static_cast<int>(std::lround(plot.left + 1 + seconds * pps));
    };
    EXPECT_NEAR(f.FirstX(f.graph.TraceColour(0)), expectedX(0.0), 1);
    EXPECT_NEAR(f.FirstX(f.graph.TraceColour(1)), expectedX(300.0), 1);
    EXPECT_NEAR(f.FirstX(f.graph.TraceColour(2)), expectedX(7200.0), 1);
    // Temperatures are drawn in the "other" colour; the others get colours of their own.
    EXPECT_EQ(f.graph.TraceColour(0), TraceColours{}.other);
    EXPECT_NE(f.graph.TraceColour(1), f.graph.TraceColour(0));
    EXPECT_NE(f.graph.TraceColour(2), f.graph.TraceColour(1));
    EXPECT_NE(f.graph.TraceColour(2), f.graph.TraceColour(0));
    for (const char* name : {"Chambre", "Four", "Quai"})
        EXPECT_NE(drawn.FindText(QString::fromUtf8(name)), nullptr) << name;
}

TEST(OverlayGraph, TheCursorReadsEverySessionAndZoomActsOnAll) {
    OverlayFixture f;
    f.Draw();
    const double allHighest = f.graph.CurrentValueRange().highest;
    // The window 14:05:00 + 10 min: the hot session lies wholly outside it and no longer
    // counts for the value range.
    f.graph.SetViewWindow(static_cast<double>(f.graph.SessionStart()) + 300.0, 600.0, 0, 0);
    f.Draw();
    EXPECT_DOUBLE_EQ(f.graph.ViewStart(), 300.0);
    EXPECT_DOUBLE_EQ(f.graph.ViewSpan(), 600.0);
    EXPECT_LT(f.graph.CurrentValueRange().highest, allHighest);

    f.graph.PlaceCursorAtTime(330.0);
    f.Draw();
    const double t = f.graph.CursorTime();
    EXPECT_NEAR(t, 330.0, 1.0);
    EXPECT_EQ(f.graph.CursorReading(0), f.ValueText(0, static_cast<int>(std::floor(t + 1e-9))));
    EXPECT_EQ(f.graph.CursorReading(1),
              f.ValueText(1, static_cast<int>(std::floor((t - 300.0) / 2.0 + 1e-9))));
    EXPECT_EQ(f.graph.CursorReading(2), ResourceString(TextId::kNoValue));
    // One cursor line, across the plot.
    int cursorLines = 0;
    for (const auto& l : f.last.lines)
        cursorLines += l.IsVertical() && l.pen.colour == f.settings.colours.cursor;
    EXPECT_EQ(cursorLines, 1);

    f.graph.ZoomToAll();
    f.Draw();
    EXPECT_TRUE(f.graph.IsShowingAll());
    EXPECT_DOUBLE_EQ(f.graph.CurrentValueRange().highest, allHighest);
    f.graph.PlaceCursorAtTime(7230.0);
    f.Draw();
    // A pixel column spans seconds here; the reading is the value in force at its time.
    const double late = f.graph.CursorTime();
    EXPECT_NEAR(late, 7230.0, 10.0);
    EXPECT_EQ(f.graph.CursorReading(2),
              f.ValueText(2, static_cast<int>(std::floor(late - 7200.0 + 1e-9))));
    EXPECT_EQ(f.graph.CursorReading(0), ResourceString(TextId::kNoValue));
    EXPECT_EQ(f.graph.CursorReading(1), ResourceString(TextId::kNoValue));
}

// ------------------------------------------------------------------ the dark theme

TEST(GraphTheme, TheLightDefaultsStayAndADarkThemeDarkensOnlyTheColoursLeftAtTheirDefault) {
    const TraceColours light;
    EXPECT_EQ(light.voltage, 0u);
    EXPECT_EQ(light.current, 0u);
    EXPECT_EQ(light.other, 255u);
    EXPECT_EQ(light.graphBackground, 0xFFFFFFu);
    EXPECT_EQ(light.cursor, 255u);
    EXPECT_EQ(ThemedColours(light, false), light);

    const TraceColours dark = ThemedColours(light, true);
    EXPECT_EQ(dark.voltage, DarkDefaultColours::kTrace);
    EXPECT_EQ(dark.current, DarkDefaultColours::kTrace);
    EXPECT_EQ(dark.other, DarkDefaultColours::kRed);
    EXPECT_EQ(dark.graphBackground, DarkDefaultColours::kGraphBackground);
    EXPECT_EQ(dark.cursor, DarkDefaultColours::kRed);
    EXPECT_EQ(dark.alarmLimits, DarkDefaultColours::kAlarmLimits);

    // A colour of the user's own is drawn as chosen, one step from a default included.
    TraceColours mine = light;
    mine.voltage = MakeColorRef(1, 0, 0);
    mine.graphBackground = 0xFFFFFE;
    mine.cursor = MakeColorRef(0, 200, 0);
    mine.alarmLimits = MakeColorRef(230, 120, 1);
    const TraceColours themed = ThemedColours(mine, true);
    EXPECT_EQ(themed.alarmLimits, mine.alarmLimits);
    EXPECT_EQ(themed.voltage, mine.voltage);
    EXPECT_EQ(themed.graphBackground, mine.graphBackground);
    EXPECT_EQ(themed.cursor, mine.cursor);
    EXPECT_EQ(themed.current, DarkDefaultColours::kTrace);
}

TEST(GraphTheme, ATrendGraphFollowsADarkThemeOnScreenAndPrintsLight) {
    auto session = Voltage("2024/03/05 14:00:00", 100);
    LightSettings settings;
    CTrendGraph graph;
    graph.SetSettingsSource(&settings);
    graph.SetChannelSource(session.get());
    graph.SetOuterRect({0, 0, 800, 400});
    const auto filled = [](const RecordingCanvas& c) {
        std::vector<ColorRef> out;
        for (const auto& r : c.rects)
            if (r.filled)
                out.push_back(r.colour);
        return out;
    };
    const auto inked = [](const RecordingCanvas& c, PenStyleType style) {
        std::vector<ColorRef> out;
        for (const auto& l : c.LinesWithStyle(style))
            out.push_back(l.pen.colour);
        return out;
    };

    RecordingCanvas light;
    graph.Draw(light);
    const RecordingCanvas lightPass = light.LastPass();
    // The window around the plot, then the plot.
    EXPECT_EQ(filled(lightPass), (std::vector<ColorRef>{0xFFFFFF, 0xFFFFFF}));
    for (ColorRef c : inked(lightPass, PenStyleType::Dot))
        EXPECT_EQ(c, 0u);

    const GraphTheme dark{true, MakeColorRef(40, 40, 40), MakeColorRef(220, 220, 220)};
    settings.theme = dark;
    RecordingCanvas screen;
    graph.MarkDirty();
    graph.Draw(screen);
    const RecordingCanvas darkPass = screen.LastPass();
    EXPECT_EQ(filled(darkPass),
              (std::vector<ColorRef>{dark.window, DarkDefaultColours::kGraphBackground}));
    for (ColorRef c : inked(darkPass, PenStyleType::Dot))
        EXPECT_EQ(c, dark.ink);
    const std::vector<ColorRef> traces = inked(darkPass, PenStyleType::Solid);
    EXPECT_NE(std::count(traces.begin(), traces.end(), DarkDefaultColours::kTrace), 0);

    // The user's own background stays theirs in the dark.
    settings.colours.graphBackground = MakeColorRef(0, 0, 80);
    RecordingCanvas own;
    graph.Draw(own);
    EXPECT_EQ(filled(own.LastPass()).back(), MakeColorRef(0, 0, 80));

    // A page frames nothing, so its passes are not told apart: every fill is light.
    RecordingCanvas printer(true);
    settings.colours = TraceColours{};
    graph.Draw(printer);
    EXPECT_EQ(printer.Frames(), 0);
    const std::vector<ColorRef> printed = filled(printer);
    EXPECT_FALSE(printed.empty());
    for (ColorRef c : printed)
        EXPECT_EQ(c, 0xFFFFFFu);
}

} // namespace

// Colours follow the order the sessions were chosen in, not the one they were opened in nor
// their times: the first chosen keeps the user's colour, in the traces and in the legend.
TEST(OverlayGraph, ColoursFollowTheOrderTheSessionsWereChosenIn) {
    OverlayFixture f;
    // Opened Chambre, Four, Quai; chosen Quai, Chambre, Four.
    f.graph.SetSessions({f.sessions[2].get(), f.sessions[0].get(), f.sessions[1].get()});
    const RecordingCanvas& drawn = f.Draw();
    EXPECT_EQ(f.graph.TraceColour(0), TraceColours{}.other);
    for (int i = 1; i < 3; ++i)
        EXPECT_EQ(f.graph.TraceColour(i), OverlayTraceColour(i, TraceColours{}.other)) << i;
    const GraphRect plot = f.graph.PlotRect();
    const double pps = (plot.Width() - 2) / 7260.0;
    const auto expectedX = [&](double seconds) {
        return static_cast<int>(std::lround(plot.left + 1 + seconds * pps));
    };
    EXPECT_NEAR(f.FirstX(f.graph.TraceColour(0)), expectedX(7200.0), 1) << "Quai";
    EXPECT_NEAR(f.FirstX(f.graph.TraceColour(1)), expectedX(0.0), 1) << "Chambre";
    EXPECT_NEAR(f.FirstX(f.graph.TraceColour(2)), expectedX(300.0), 1) << "Four";

    // The legend lists them top down in that order, each beside a swatch of its colour.
    std::vector<ColorRef> swatches;
    for (const auto& l : drawn.lines)
        if (l.pen.width == 2 && !l.IsVertical())
            swatches.push_back(l.pen.colour);
    EXPECT_EQ(swatches, (std::vector<ColorRef>{f.graph.TraceColour(0), f.graph.TraceColour(1),
                                               f.graph.TraceColour(2)}));
    std::vector<int> rows;
    for (const char* name : {"Quai", "Chambre", "Four"}) {
        const auto* text = drawn.FindText(QString::fromUtf8(name));
        ASSERT_NE(text, nullptr) << name;
        rows.push_back(text->topLeft.y);
    }
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end()) && rows[0] < rows[2]);
}
