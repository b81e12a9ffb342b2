#include "gui/graph/GraphFrameWidget.h"

#include "core/graph/CGraphClass.h"
#include "gui/graph/GraphPalette.h"
#include "gui/graph/QtCanvas.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {

constexpr double kWheelZoomIn = 2.0 / 3.0;

// A graph is a chart whose value is its cursor's read-out, which a plain widget cannot offer.
class GraphAccessible final : public QAccessibleWidget {
public:
    explicit GraphAccessible(GraphFrameWidget* graph)
        : QAccessibleWidget(graph, QAccessible::Chart) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value)
            return static_cast<const GraphFrameWidget*>(widget())->CursorReadout();
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* GraphAccessibleFactory(const QString&, QObject* object) {
    auto* graph = qobject_cast<GraphFrameWidget*>(object);
    return graph ? new GraphAccessible(graph) : nullptr;
}

} // namespace

GraphFrameWidget::GraphFrameWidget(const CVexloDoc& doc, QWidget* parent)
    : QWidget(parent), settings_(doc) {
    [[maybe_unused]] static const bool factoryInstalled = [] {
        QAccessible::installFactory(&GraphAccessibleFactory);
        return true;
    }();
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
    UpdateReadout();
    emit Drawn();
    Rendered();
}

void GraphFrameWidget::UpdateReadout() {
    const QString readout = graph_->CursorReadoutText();
    if (readout == readout_)
        return;
    readout_ = readout;
    QAccessibleValueChangeEvent event(this, readout_);
    QAccessible::updateAccessibility(&event);
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
