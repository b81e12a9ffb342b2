#pragma once

#include "core/graph/CTrendGraph.h"
#include "gui/graph/GraphFrameWidget.h"

#include <QPoint>
#include <optional>

class CRecSession;
class CVexloDoc;

// The trend graph of a session on screen: the mouse places the cursor, drags a zoom rectangle
// with the zoom tool and the wheel zooms about the pointer.
class CTrendGraphWidget final : public GraphFrameWidget {
    Q_OBJECT
public:
    enum class InteractionType { CursorAndZoom, DisplayOnly };

    explicit CTrendGraphWidget(const CVexloDoc& doc, QWidget* parent = nullptr,
                               InteractionType interaction = InteractionType::CursorAndZoom);

    // Null detaches; the session must stay alive while attached. `view` is the window and
    // cursor to show it with; none shows it whole, as never seen before.
    void SetSession(const CRecSession* session,
                    const std::optional<GraphViewState>& view = std::nullopt);
    CTrendGraph& Graph() { return graph_; }
    const CTrendGraph& Graph() const { return graph_; }
    void SetZoomTool(bool on);
    bool ZoomTool() const { return zoomTool_; }
    // The session's values or the settings changed: rescale and draw again.
    void Redraw();
    // The visible index range of the first record, [first, last); none without data.
    std::optional<std::pair<int, int>> VisibleRange() const;

signals:
    // The view window or the visible range changed.
    void ViewChanged();

protected:
    void Rendered() override;
    void PaintOver(QPainter& painter) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct DrawnView {
        double start = 0.0;
        double span = 0.0;
        double total = 0.0;
        std::optional<std::pair<int, int>> range;
        bool operator==(const DrawnView&) const = default;
    };

    CTrendGraph graph_;
    bool interactive_;
    bool zoomTool_ = false;
    std::optional<QPoint> dragStart_;
    QPoint dragNow_;
    DrawnView drawnView_;
};
