#include "gui/graph/CTrendGraphWidget.h"

#include "core/session/CRecSession.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

CTrendGraphWidget::CTrendGraphWidget(const CVexloDoc& doc, QWidget* parent,
                                     InteractionType interaction)
    : GraphFrameWidget(doc, parent), interactive_(interaction == InteractionType::CursorAndZoom) {
    setObjectName(QStringLiteral("trendGraph"));
    setFocusPolicy(interactive_ ? Qt::StrongFocus : Qt::NoFocus);
    setMinimumSize(200, 120);
    Attach(graph_);
    if (interactive_)
        graph_.EnableCursor();
}

void CTrendGraphWidget::SetSession(const CRecSession* session,
                                   const std::optional<GraphViewState>& view) {
    graph_.SetChannelSource(session);
    if (session)
        graph_.SetUnitText(session->DisplayUnits());
    graph_.RestoreViewState(view.value_or(GraphViewState{}));
    // A new session always has its values scaled for it.
    if (graph_.AutomaticValueRange())
        graph_.MarkDirty();
    Render();
}

void CTrendGraphWidget::SetZoomTool(bool on) {
    zoomTool_ = on;
    setCursor(on ? Qt::CrossCursor : Qt::ArrowCursor);
}

void CTrendGraphWidget::Redraw() {
    graph_.MarkDirty();
    Render();
}

void CTrendGraphWidget::Rendered() {
    const DrawnView now{graph_.ViewStart(), graph_.ViewSpan(), graph_.TotalSpan(), VisibleRange()};
    if (now == drawnView_)
        return;
    drawnView_ = now;
    emit ViewChanged();
}

std::optional<std::pair<int, int>> CTrendGraphWidget::VisibleRange() const {
    // Before its first drawing the graph knows no view.
    if (graph_.InnerRect().IsEmpty())
        return std::nullopt;
    const PointRange range = graph_.VisiblePoints(0, 0);
    if (range.end <= range.first)
        return std::nullopt;
    return std::pair{range.first, range.end};
}

void CTrendGraphWidget::PaintOver(QPainter& painter) {
    if (dragStart_) {
        painter.setPen(QPen(Qt::black, 0, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(*dragStart_, dragNow_).normalized());
    }
}

void CTrendGraphWidget::mousePressEvent(QMouseEvent* event) {
    if (!interactive_ || event->button() != Qt::LeftButton)
        return;
    const QPoint p = event->position().toPoint();
    if (zoomTool_ && graph_.PointInPlot({p.x(), p.y()})) {
        dragStart_ = p;
        dragNow_ = p;
        return;
    }
    graph_.PlaceCursor(p.x());
    Render();
}

void CTrendGraphWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!dragStart_)
        return;
    dragNow_ = event->position().toPoint();
    update();
}

void CTrendGraphWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragStart_ || event->button() != Qt::LeftButton)
        return;
    const QRect r = QRect(*dragStart_, event->position().toPoint()).normalized();
    dragStart_.reset();
    // A click without a drag is not a zoom.
    if (r.width() > 2)
        graph_.ZoomToRect({r.left(), r.top(), r.right() + 1, r.bottom() + 1});
    Render();
}

void CTrendGraphWidget::wheelEvent(QWheelEvent* event) {
    if (interactive_ && ZoomWithWheel(event))
        event->accept();
    else
        event->ignore();
}

void CTrendGraphWidget::keyPressEvent(QKeyEvent* event) {
    if (!interactive_) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Left:
        MoveCursor(-1);
        break;
    case Qt::Key_Right:
        MoveCursor(1);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
}
