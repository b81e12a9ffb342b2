#pragma once

#include "core/graph/Canvas.h"

#include <QtGlobal>

struct TimeAxisLayout {
    GraphRect plot;
    int lineHeight = 10;
    bool cursorRow = false; // a cursor label row sits between the plot and the texts
    qint64 sessionStart = 0;
    double viewStart = 0.0;
    double viewSpan = 0.0;
    double pixelsPerSecond = 1.0;
    ColorRef ink = 0; // grid
};

// Draws the dates and times of both plot edges, the dotted time grid, the division text
// and the view's duration.
void DrawTimeAxis(Canvas& canvas, const TimeAxisLayout& axis);
