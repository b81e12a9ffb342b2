#include "core/graph/CBasicObject.h"

bool CBasicObject::SetDrawAtOrigin(bool on) {
    const bool old = drawAtOrigin_;
    drawAtOrigin_ = on;
    return old;
}

void CBasicObject::SetOuterRect(const GraphRect& rect) {
    if (!rect.SameSize(outer_))
        dirty_ = true;
    outer_ = rect;
}

void CBasicObject::MeasureText(const Canvas& canvas) {
    const TextExtent hg = canvas.MeasureText(QStringLiteral("Hg"));
    lineHeight_ = hg.height;
    charWidth_ = hg.width / 2;
}

GraphRect CBasicObject::ComputeInnerRect(const GraphRect& outer, const Canvas*) {
    return outer;
}

void CBasicObject::Layout(const Canvas* canvas, bool reposition) {
    if (canvas) {
        MeasureText(*canvas);
        if (canvas->IsPrinter() != printing_) {
            printing_ = canvas->IsPrinter();
            dirty_ = true;
        }
    }
    inner_ = ComputeInnerRect(outer_, canvas);
    drawing_ = outer_;
    plot_ = inner_;
    if (drawAtOrigin_ && reposition) {
        const int dx = -drawing_.left;
        const int dy = -drawing_.top;
        drawing_ = drawing_.Offset(dx, dy);
        plot_ = plot_.Offset(dx, dy);
    }
    // The clip follows the plot wherever it was moved, so clipping stays on the plot.
    clip_ = plot_;
}
