#include "gui/graph/COverlayGraphWidget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

COverlayGraphWidget::COverlayGraphWidget(const CVexloDoc& doc, QWidget* parent)
    : GraphFrameWidget(doc, parent) {
    setObjectName(QStringLiteral("overlayGraph"));
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(300, 200);
    Attach(graph_);
    graph_.SetEnvelope(true);
    graph_.EnableCursor();
}

void COverlayGraphWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    graph_.PlaceCursor(event->position().toPoint().x());
    Render();
}

void COverlayGraphWidget::wheelEvent(QWheelEvent* event) {
    if (ZoomWithWheel(event))
        event->accept();
    else
        event->ignore();
}

void COverlayGraphWidget::keyPressEvent(QKeyEvent* event) {
    const int step = event->key() == Qt::Key_Left ? -1 : event->key() == Qt::Key_Right ? 1 : 0;
    if (step == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    MoveCursor(step);
}
