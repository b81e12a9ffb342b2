#include "BenchSessions.h"
#include "core/graph/CTrendGraph.h"
#include "core/session/CRecSession.h"
#include "core/session/SessionFile.h"

#include <benchmark/benchmark.h>

namespace {

// Measures texts like the test canvas and only counts the drawing calls, so the figures
// are the engine's own time.
class NullCanvas final : public Canvas {
public:
    void SetPen(const GraphPen&) override {}
    void Line(GraphPoint, GraphPoint) override { ++calls; }
    void Text(GraphPoint, const QString&) override { ++calls; }
    TextExtent MeasureText(const QString& text) const override {
        return {7 * static_cast<int>(text.size()), 13};
    }
    void FillRect(const GraphRect&, ColorRef) override { ++calls; }
    void FrameRect(const GraphRect&, ColorRef) override { ++calls; }
    bool IsPrinter() const override { return false; }

    long calls = 0;
};

struct BenchGraph {
    // `viewFraction` of the recording in view, around its middle.
    explicit BenchGraph(double viewFraction, int samples = 1000000) {
        (void)ReadSessionImage(session, BenchSessions::Voltage(samples), false);
        graph.SetChannelSource(&session);
        graph.SetEnvelope(true);
        graph.EnableCursor();
        // Grow the outer rectangle until the plot itself is 1600 × 600.
        graph.SetOuterRect({0, 0, 1600, 600});
        graph.Draw(canvas);
        const GraphRect plot = graph.PlotRect();
        graph.SetOuterRect({0, 0, 1600 + 1600 - plot.Width(), 600 + 600 - plot.Height()});
        graph.PlaceCursor(graph.InnerRect().left + 800);
        if (viewFraction < 1.0) {
            const double total = graph.TotalSpan();
            graph.SetViewWindow(static_cast<double>(graph.SessionStart()) +
                                    total * (1.0 - viewFraction) / 2.0,
                                total * viewFraction, 0, 0);
        }
        graph.Draw(canvas);
    }

    CRecSession session;
    CTrendGraph graph;
    NullCanvas canvas;
};

void Redraw(benchmark::State& state, BenchGraph& g, bool rescale) {
    if (g.graph.PlotRect().Width() != 1600 || g.graph.PlotRect().Height() != 600)
        state.SkipWithError("plot is not 1600 x 600");
    for (auto _ : state) {
        if (rescale)
            g.graph.MarkDirty();
        g.graph.Draw(g.canvas);
    }
    benchmark::DoNotOptimize(g.canvas.calls);
    state.counters["points"] = g.graph.VisiblePoints(0, 0).end - g.graph.VisiblePoints(0, 0).first;
}

BenchGraph& WholeRecording() {
    static BenchGraph g(1.0);
    return g;
}

// Ten million points: a redraw must follow the plot's width, not the recording.
BenchGraph& TenMillion() {
    static BenchGraph g(1.0, 10000000);
    return g;
}

BenchGraph& OnePercent() {
    static BenchGraph g(0.01);
    return g;
}

void BM_RedrawWholeRecording(benchmark::State& state) {
    Redraw(state, WholeRecording(), false);
}

void BM_RescaleAndRedrawWholeRecording(benchmark::State& state) {
    Redraw(state, WholeRecording(), true);
}

void BM_RedrawTenMillionPoints(benchmark::State& state) {
    Redraw(state, TenMillion(), false);
}

void BM_RescaleAndRedrawTenMillionPoints(benchmark::State& state) {
    Redraw(state, TenMillion(), true);
}

void BM_RedrawOnePercent(benchmark::State& state) {
    Redraw(state, OnePercent(), false);
}

void BM_RescaleAndRedrawOnePercent(benchmark::State& state) {
    Redraw(state, OnePercent(), true);
}

} // namespace

BENCHMARK(BM_RedrawWholeRecording)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RescaleAndRedrawWholeRecording)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawTenMillionPoints)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RescaleAndRedrawTenMillionPoints)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawOnePercent)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RescaleAndRedrawOnePercent)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
