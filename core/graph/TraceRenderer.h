#pragma once

#include "core/graph/Canvas.h"
#include "core/session/ValueView.h"

#include <QtGlobal>
#include <cstdint>

// Where and at what scale a trace is drawn.
struct TraceFrame {
    GraphRect plot;
    int clipTop = 0;
    int clipBottom = 0;
    bool clip = true;
    qint64 sessionStart = 0;
    double viewStart = 0.0;
    double viewSpan = 1.0;
    double pixelsPerSecond = 1.0;
    double lowest = 0.0;
    double pixelsPerUnit = 1.0;
    double labelStep = 0.0; // values are quantised to it; 0 leaves them as they are
};

struct TraceStyle {
    ColorRef colour = 0;
    bool envelope = false;       // minimum and maximum lines beside the value line
    bool dashedOverload = false; // dashed marks above/below the plot for out-of-range runs
};

// One recording run: its values from `startTime` + `offset`, the last one `duration`
// seconds after the first; columns of many values are read through the series' summary.
struct TraceRecord {
    qint64 startTime = 0;
    ValueView values;
    double offset = 0.0;
    double duration = 0.0;
};

// The points that share one pixel column. Minimum and maximum are range markers when the
// column holds one; `last` is the last real value (meaningless when realCount is 0).
struct TraceColumn {
    double x = 0.0;
    int groupSize = 1;
    double pixelsPerPoint = 1.0;
    int realCount = 0;
    double minimum = 0.0;
    double maximum = 0.0;
    double last = 0.0;
    bool isLast = false;
    int64_t first = 0; // index of the column's first value in the record
};

// Offered each column until it answers true (the cursor takes a column).
class TraceColumnProbe {
public:
    virtual bool TakeColumn(const TraceColumn& column) = 0;

protected:
    ~TraceColumnProbe() = default;
};

// Draws one record as polylines with at most one segment per line and pixel column, so the
// drawing calls follow the plot width, not the number of points.
class TraceRenderer {
public:
    TraceRenderer(Canvas& canvas, const TraceFrame& frame, const TraceStyle& style);

    void Draw(const TraceRecord& record, TraceColumnProbe* probe);

private:
    struct OutOfRangeRun {
        bool open = false;
        int start = 0;
    };

    int FirstVisibleIndex(double base, double perPoint, int count) const;
    int ValueY(double v) const;
    void Segment(GraphPoint from, GraphPoint to);
    void Stubs();
    void MoveTo(GraphPoint value, GraphPoint minimum, GraphPoint maximum);
    void TrackRun(OutOfRangeRun& run, bool inRun, bool lastGroup, int x, int y);
    void DashedMark(int fromX, int toX, int y);

    Canvas& canvas_;
    TraceFrame frame_;
    TraceStyle style_;
    GraphPen solid_;
    GraphPen dashed_;
    bool penDown_ = false;
    // The last point of the value, minimum and maximum lines.
    GraphPoint value_;
    GraphPoint minimum_;
    GraphPoint maximum_;
    OutOfRangeRun over_;
    OutOfRangeRun under_;
};
