#include "gui/graph/COverlayGraphWidget.h"

#include "gui/graph/GraphPalette.h"
#include "gui/graph/QtCanvas.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {
// As on the session page: a notch forward shows a third less around the pointer.
constexpr double kWheelZoomIn = 2.0 / 3.0;
} // namespace

COverlayGraphWidget::COverlayGraphWidget(const CVexloDoc& doc, QWidget* parent)
    : QWidget(parent), settings_(doc) {
    setObjectName(QStringLiteral("overlayGraph"));
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(300, 200);
    setAttribute(Qt::WA_OpaquePaintEvent);
    settings_.SetTheme(GraphThemeOf(palette()));
    graph_.SetSettingsSource(&settings_);
    graph_.SetEnvelope(true);
    graph_.EnableCursor();
}

void COverlayGraphWidget::Render() {
    const QSize size = this->size().expandedTo(QSize(1, 1));
    const qreal ratio = devicePixelRatioF();
    if (frame_.size() != size * ratio) {
        frame_ = QPixmap(size * ratio);
        frame_.setDevicePixelRatio(ratio);
    }
    frame_.fill(palette().color(QPalette::Window));
    {
        QPainter painter(&frame_);
        painter.setFont(font());
        graph_.SetOuterRect({0, 0, size.width(), size.height()});
        QtCanvas canvas(painter, false);
        graph_.Draw(canvas);
    }
    update();
    emit Drawn();
}

void COverlayGraphWidget::paintEvent(QPaintEvent*) {
    if (frame_.size() != size() * devicePixelRatioF())
        Render();
    QPainter painter(this);
    painter.drawPixmap(0, 0, frame_);
}

void COverlayGraphWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Render();
}

void COverlayGraphWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    graph_.PlaceCursor(event->position().toPoint().x());
    Render();
}

void COverlayGraphWidget::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    const GraphRect plot = graph_.InnerRect();
    if (notches == 0 || plot.Width() <= 1) {
        event->ignore();
        return;
    }
    const double x = std::clamp(event->position().x(), double(plot.left), double(plot.right));
    if (notches > 0)
        graph_.ZoomToPixelRange(static_cast<int>(std::lround(x - (x - plot.left) * kWheelZoomIn)),
                                static_cast<int>(std::lround(x + (plot.right - x) * kWheelZoomIn)));
    else
        graph_.ZoomOut();
    event->accept();
    Render();
}

void COverlayGraphWidget::keyPressEvent(QKeyEvent* event) {
    const int step = event->key() == Qt::Key_Left ? -1 : event->key() == Qt::Key_Right ? 1 : 0;
    if (step == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    graph_.PlaceCursor(graph_.InnerRect().left + 1 + graph_.CursorOffset() + step);
    Render();
}

void COverlayGraphWidget::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        settings_.SetTheme(GraphThemeOf(palette()));
        Render();
    }
}
