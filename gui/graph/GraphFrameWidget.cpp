#include "gui/graph/GraphFrameWidget.h"

#include "core/graph/CGraphClass.h"
#include "gui/graph/GraphPalette.h"
#include "gui/graph/QtCanvas.h"

#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {
constexpr double kWheelZoomIn = 2.0 / 3.0;
} // namespace

GraphFrameWidget::GraphFrameWidget(const CVexloDoc& doc, QWidget* parent)
    : QWidget(parent), settings_(doc) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    settings_.SetTheme(GraphThemeOf(palette()));
}

void GraphFrameWidget::Attach(CGraphClass& graph) {
    graph_ = &graph;
    graph_->SetSettingsSource(&settings_);
}

void GraphFrameWidget::Render() {
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
        graph_->SetOuterRect({0, 0, size.width(), size.height()});
        QtCanvas canvas(painter, false);
        graph_->Draw(canvas);
    }
    update();
    emit Drawn();
    Rendered();
}

void GraphFrameWidget::MoveCursor(int columns) {
    graph_->PlaceCursor(graph_->InnerRect().left + 1 + graph_->CursorOffset() + columns);
    Render();
}

bool GraphFrameWidget::ZoomWithWheel(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    const GraphRect plot = graph_->InnerRect();
    if (notches == 0 || plot.Width() <= 1)
        return false;
    const double x = std::clamp(event->position().x(), double(plot.left), double(plot.right));
    if (notches > 0)
        graph_->ZoomToPixelRange(
            static_cast<int>(std::lround(x - (x - plot.left) * kWheelZoomIn)),
            static_cast<int>(std::lround(x + (plot.right - x) * kWheelZoomIn)));
    else
        graph_->ZoomOut();
    Render();
    return true;
}

void GraphFrameWidget::paintEvent(QPaintEvent*) {
    if (frame_.size() != size() * devicePixelRatioF())
        Render();
    QPainter painter(this);
    painter.drawPixmap(0, 0, frame_);
    PaintOver(painter);
}

void GraphFrameWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Render();
}

void GraphFrameWidget::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The desktop switched between its light and dark colour schemes.
    if (event->type() == QEvent::PaletteChange) {
        settings_.SetTheme(GraphThemeOf(palette()));
        Render();
    }
}
