#pragma once

#include "graph/CTrendGraph.h"
#include "graph/DocGraphSettings.h"

#include <QPoint>
#include <QWidget>

#include <optional>

class CRecSession;
class CVexloDoc;

// The trend graph of a session on screen: the engine draws it, the mouse places the cursor,
// drags a zoom rectangle with the zoom tool and the wheel zooms about the pointer.
class CTrendGraphWidget final : public QWidget {
    Q_OBJECT
public:
    enum class InteractionType { CursorAndZoom, DisplayOnly };

    explicit CTrendGraphWidget(const CVexloDoc& doc, QWidget* parent = nullptr,
                               InteractionType interaction = InteractionType::CursorAndZoom);

    // Null detaches; the session must stay alive while attached.
    void SetSession(const CRecSession* session);
    CTrendGraph& Graph() { return graph_; }
    const CTrendGraph& Graph() const { return graph_; }
    void SetZoomTool(bool on);
    bool ZoomTool() const { return zoomTool_; }
    // The engine's state changed from outside (zoom commands, settings): draw again.
    void Redraw();
    // The visible index range of the first record, [first, last); none without data.
    std::optional<std::pair<int, int>> VisibleRange() const;
    // Moves the cursor by whole pixel columns.
    void MoveCursor(int columns);

signals:
    // The view window moved: the window statistics follow.
    void ViewChanged();
    // A drawing took new cursor read-outs.
    void CursorMoved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    DocGraphSettings settings_;
    CTrendGraph graph_;
    bool interactive_;
    bool zoomTool_ = false;
    std::optional<QPoint> dragStart_;
    QPoint dragNow_;
    std::optional<std::pair<int, int>> drawnRange_;
    QString drawnReadout_;
};
