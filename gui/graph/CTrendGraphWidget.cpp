#include "gui/graph/CTrendGraphWidget.h"

#include "core/session/CRecSession.h"
#include "gui/graph/GraphPalette.h"
#include "gui/graph/QtCanvas.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace {
// One wheel notch forward shows a third less around the pointer; back zooms out.
constexpr double kWheelZoomIn = 2.0 / 3.0;
} // namespace

CTrendGraphWidget::CTrendGraphWidget(const CVexloDoc& doc, QWidget* parent,
                                     InteractionType interaction)
    : QWidget(parent), settings_(doc), interactive_(interaction == InteractionType::CursorAndZoom) {
    setObjectName(QStringLiteral("trendGraph"));
    setFocusPolicy(interactive_ ? Qt::StrongFocus : Qt::NoFocus);
    setMinimumSize(200, 120);
    setAttribute(Qt::WA_OpaquePaintEvent);
    settings_.SetTheme(GraphThemeOf(palette()));
    graph_.SetSettingsSource(&settings_);
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
    graph_.ValuesChanged();
    graph_.MarkDirty();
    Render();
}

void CTrendGraphWidget::Render() {
    const QSize size = this->size().expandedTo(QSize(1, 1));
    const qreal ratio = devicePixelRatioF();
    if (frame_.size() != size * ratio) {
        frame_ = QPixmap(size * ratio);
        frame_.setDevicePixelRatio(ratio);
    }
    frame_.fill(Qt::white);
    {
        QPainter painter(&frame_);
        painter.setFont(font());
        graph_.SetOuterRect({0, 0, size.width(), size.height()});
        QtCanvas canvas(painter, false);
        graph_.Draw(canvas);
    }
    update();
    const DrawnView now{graph_.ViewStart(), graph_.ViewSpan(), graph_.TotalSpan(), VisibleRange()};
    const bool viewChanged = now != drawnView_;
    drawnView_ = now;
    emit Drawn();
    if (viewChanged)
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

void CTrendGraphWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Render();
}

void CTrendGraphWidget::paintEvent(QPaintEvent*) {
    if (frame_.size() != size() * devicePixelRatioF())
        Render();
    QPainter painter(this);
    painter.drawPixmap(0, 0, frame_);
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
    if (!interactive_) {
        event->ignore();
        return;
    }
    const int notches = event->angleDelta().y() / 120;
    const GraphRect plot = graph_.InnerRect();
    if (notches == 0 || plot.Width() <= 1) {
        event->ignore();
        return;
    }
    const double x = std::clamp(event->position().x(), double(plot.left), double(plot.right));
    if (notches > 0) {
        // The time under the pointer stays under it.
        const double left = x - (x - plot.left) * kWheelZoomIn;
        const double right = x + (plot.right - x) * kWheelZoomIn;
        graph_.ZoomToPixelRange(static_cast<int>(std::lround(left)),
                                static_cast<int>(std::lround(right)));
    } else {
        graph_.ZoomOut();
    }
    event->accept();
    Render();
}

void CTrendGraphWidget::MoveCursor(int columns) {
    const GraphRect plot = graph_.InnerRect();
    graph_.PlaceCursor(plot.left + 1 + graph_.CursorOffset() + columns);
    Render();
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

void CTrendGraphWidget::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The desktop switched between its light and dark colour schemes.
    if (event->type() == QEvent::PaletteChange) {
        settings_.SetTheme(GraphThemeOf(palette()));
        Render();
    }
}
