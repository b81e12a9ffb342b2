#pragma once

#include "core/doc/DocGraphSettings.h"
#include "core/graph/CTrendGraph.h"

#include <QPixmap>
#include <QPoint>
#include <QWidget>
#include <optional>

class CRecSession;
class CVexloDoc;

// The trend graph of a session on screen: the engine draws it, the mouse places the cursor,
// drags a zoom rectangle with the zoom tool and the wheel zooms about the pointer.
//
// Every change draws at once into the widget's frame, hidden or not, so the cursor
// read-outs and the visible range always describe the state just set; painting only shows
// that frame.
class CTrendGraphWidget final : public QWidget {
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
    // The engine's window or cursor changed from outside: draw again as it stands.
    void Render();
    // The visible index range of the first record, [first, last); none without data.
    std::optional<std::pair<int, int>> VisibleRange() const;
    // Moves the cursor by whole pixel columns.
    void MoveCursor(int columns);

signals:
    // The view window or the visible range changed.
    void ViewChanged();
    // A drawing was made: its read-outs and range are the graph's now.
    void Drawn();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct DrawnView {
        double start = 0.0;
        double span = 0.0;
        double total = 0.0;
        std::optional<std::pair<int, int>> range;
        bool operator==(const DrawnView&) const = default;
    };

    DocGraphSettings settings_;
    CTrendGraph graph_;
    bool interactive_;
    bool zoomTool_ = false;
    std::optional<QPoint> dragStart_;
    QPoint dragNow_;
    QPixmap frame_;
    DrawnView drawnView_;
};
