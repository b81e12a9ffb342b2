#include "cli/PrintedGraph.h"

#include "core/graph/CGraphClass.h"
#include "gui/graph/PrintDriver.h"
#include "gui/graph/QtCanvas.h"

#include <QImage>
#include <QPainter>
#include <algorithm>

void ScaleAsOnScreen(CGraphClass& graph) {
    // Only the arithmetic matters: the drawing lands on one pixel.
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainter painter(&scratch);
    painter.setFont(PrintDriver::PrintFont());
    const GraphRect printed = graph.OuterRect();
    graph.SetOuterRect({0, 0, 1600, 900});
    QtCanvas canvas(painter, false);
    graph.Draw(canvas);
    graph.SetOuterRect(printed);
}

void SetAskedWindow(CGraphClass& graph, std::optional<double> from, std::optional<double> to) {
    const double first = std::max(0.0, from.value_or(0.0));
    const double last = std::min(graph.TotalSpan(), to.value_or(graph.TotalSpan()));
    graph.SetViewWindow(static_cast<double>(graph.SessionStart()) + first,
                        std::max(0.0, last - first), 0, 0);
}
