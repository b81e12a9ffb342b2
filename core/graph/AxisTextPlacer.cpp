#include "core/graph/AxisTextPlacer.h"

#include <algorithm>

namespace {

bool Overlap(const GraphRect& a, const GraphRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

} // namespace

GraphRect AxisTextPlacer::BoxAt(GraphPoint topLeft, const QString& text) const {
    const TextExtent size = canvas_.MeasureText(text);
    return {topLeft.x, topLeft.y, topLeft.x + size.width, topLeft.y + size.height};
}

bool AxisTextPlacer::Fits(const GraphRect& box) const {
    if (box.left < left_ || box.right > right_)
        return false;
    return std::none_of(taken_.begin(), taken_.end(),
                        [&](const GraphRect& t) { return Overlap(t, box); });
}

void AxisTextPlacer::Draw(const GraphRect& box, const QString& text) {
    canvas_.Text({box.left, box.top}, text);
    taken_.push_back(box);
}

bool AxisTextPlacer::DrawIfFits(GraphPoint topLeft, const QString& text) {
    if (text.isEmpty())
        return false;
    const GraphRect box = BoxAt(topLeft, text);
    if (!Fits(box))
        return false;
    Draw(box, text);
    return true;
}

int CentredWithin(int x, int width, int left, int right) {
    return std::max(left, std::min(x - width / 2, right - width));
}

void DrawFirstThatFits(Canvas& canvas, const std::vector<QString>& fullestFirst, int x, int top,
                       int left, int right) {
    for (const QString& text : fullestFirst) {
        const int width = canvas.MeasureText(text).width;
        if (width > right - left)
            continue;
        canvas.Text({CentredWithin(x, width, left, right), top}, text);
        return;
    }
}
