#pragma once

#include "core/app/TraceColours.h"
#include "core/graph/GraphGeometry.h"

#include <QString>

enum class PenStyleType { Solid, Dash, Dot };

struct GraphPen {
    PenStyleType style = PenStyleType::Solid;
    int width = 1;
    ColorRef colour = 0;

    bool operator==(const GraphPen&) const = default;
};

struct TextExtent {
    int width = 0;
    int height = 0;
};

// Where the graph engine draws: a screen widget, an off-screen image or a printer page.
// Lines exclude their end point; texts are placed by their top-left corner.
class Canvas {
public:
    virtual ~Canvas() = default;

    virtual void SetPen(const GraphPen& pen) = 0;
    virtual void Line(GraphPoint from, GraphPoint to) = 0;
    virtual void Text(GraphPoint topLeft, const QString& text) = 0;
    virtual TextExtent MeasureText(const QString& text) const = 0;
    virtual void FillRect(const GraphRect& rect, ColorRef colour) = 0;
    virtual void FrameRect(const GraphRect& rect, ColorRef colour) = 0;
    virtual bool IsPrinter() const = 0;
    // Titles and table headers of a print-out; a canvas with one font ignores it.
    virtual void SetBold(bool) {}
};
