#pragma once

#include "core/graph/Canvas.h"

#include <QString>
#include <vector>

// Draws the texts of an axis so that none overlaps another or leaves its horizontal band: a
// text that would is left out. Boxes that only touch do not overlap.
class AxisTextPlacer {
public:
    AxisTextPlacer(Canvas& canvas, int left, int right)
        : canvas_(canvas), left_(left), right_(right) {}

    // The box `text` takes with its top-left corner at `topLeft`.
    GraphRect BoxAt(GraphPoint topLeft, const QString& text) const;
    // Inside the band and clear of every text drawn so far.
    bool Fits(const GraphRect& box) const;
    // Draws `text` in `box` (from BoxAt) and keeps the box taken.
    void Draw(const GraphRect& box, const QString& text);
    // Draws `text` at `topLeft` when it fits; returns whether it was drawn.
    bool DrawIfFits(GraphPoint topLeft, const QString& text);

private:
    Canvas& canvas_;
    int left_;
    int right_;
    std::vector<GraphRect> taken_;
};

// The left edge of a text `width` wide centred on x, moved inside [left, right] where it fits
// and starting at `left` where it does not.
int CentredWithin(int x, int width, int left, int right);

// Draws the first of `fullestFirst` that fits in [left, right], centred on x as far as the
// band allows; nothing when none fits.
void DrawFirstThatFits(Canvas& canvas, const std::vector<QString>& fullestFirst, int x, int top,
                       int left, int right);
