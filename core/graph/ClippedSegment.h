#pragma once

#include "core/graph/Canvas.h"

// Draws the part of the segment that lies between the rows `top` and `bottom` (inclusive).
void DrawClippedSegment(Canvas& canvas, GraphPoint from, GraphPoint to, int top, int bottom);
