#include "core/graph/ClippedSegment.h"

#include <cmath>

namespace {

// Where the segment crosses row y, y lying between the end points' rows.
GraphPoint CrossingAt(GraphPoint a, GraphPoint b, int y) {
    const double t = static_cast<double>(y - a.y) / static_cast<double>(b.y - a.y);
    return {static_cast<int>(std::lround(a.x + t * (b.x - a.x))), y};
}

GraphPoint Inside(GraphPoint p, GraphPoint other, int top, int bottom) {
    if (p.y < top)
        return CrossingAt(p, other, top);
    if (p.y > bottom)
        return CrossingAt(p, other, bottom);
    return p;
}

} // namespace

void DrawClippedSegment(Canvas& canvas, GraphPoint from, GraphPoint to, int top, int bottom) {
    if ((from.y < top && to.y < top) || (from.y > bottom && to.y > bottom))
        return;
    canvas.Line(Inside(from, to, top, bottom), Inside(to, from, top, bottom));
}
