#pragma once

#include "core/graph/Canvas.h"

// A drawable rectangle that knows the text metrics of the canvas it was last laid out for.
class CBasicObject {
public:
    virtual ~CBasicObject() = default;

    // Returns the previous setting. When set, layout moves the drawing to (0, 0), for
    // drawing into an off-screen image the size of the object.
    bool SetDrawAtOrigin(bool on);

    // A new size marks the object dirty.
    void SetOuterRect(const GraphRect& rect);
    const GraphRect& OuterRect() const { return outer_; }
    const GraphRect& DrawingRect() const { return drawing_; }
    void SetDrawingRect(const GraphRect& rect) { drawing_ = rect; }
    const GraphRect& InnerRect() const { return inner_; }
    const GraphRect& PlotRect() const { return plot_; }
    const GraphRect& ClipRect() const { return clip_; }

    // Measures the text in the canvas (when given), computes the inner rectangle and the
    // drawing, plot and clip rectangles. Moving between screen and printer marks it dirty.
    void Layout(const Canvas* canvas, bool reposition);
    bool HitTest(GraphPoint p) const { return drawing_.Contains(p); }

    void MarkDirty() { dirty_ = true; }
    bool IsDirty() const { return dirty_; }
    bool IsPrinting() const { return printing_; }
    int CharWidth() const { return charWidth_; }
    int LineHeight() const { return lineHeight_; }

protected:
    // The layout hook: the inner rectangle for this outer one.
    virtual GraphRect ComputeInnerRect(const GraphRect& outer, const Canvas* canvas);
    void ClearDirty() { dirty_ = false; }

private:
    void MeasureText(const Canvas& canvas);

    GraphRect outer_;
    GraphRect drawing_;
    GraphRect inner_;
    GraphRect plot_;
    GraphRect clip_;
    int charWidth_ = 10;
    int lineHeight_ = 10;
    bool dirty_ = true;
    bool drawAtOrigin_ = false;
    bool printing_ = false;
};
