#pragma once

#include "core/graph/COverlayGraph.h"
#include "gui/graph/GraphFrameWidget.h"

// The overlay graph on screen: a click places the cursor, the wheel zooms about the pointer,
// the arrow keys move the cursor by a pixel column.
class COverlayGraphWidget final : public GraphFrameWidget {
    Q_OBJECT
public:
    explicit COverlayGraphWidget(const CVexloDoc& doc, QWidget* parent = nullptr);

    COverlayGraph& Graph() { return graph_; }
    const COverlayGraph& Graph() const { return graph_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    COverlayGraph graph_;
};
