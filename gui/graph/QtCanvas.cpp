#include "gui/graph/QtCanvas.h"

#include <QPainter>

QtCanvas::QtCanvas(QPainter& painter, bool isPrinter)
    : painter_(painter), metrics_(painter.font(), painter.device()), printer_(isPrinter) {
    pen_.setCapStyle(Qt::FlatCap);
    painter_.setRenderHint(QPainter::Antialiasing, false);
}

int QtCanvas::PenScale() const {
    // A printer's pixels are far smaller than a screen's: lines keep a screen's weight.
    return printer_ ? std::max(1, painter_.device()->logicalDpiX() / 96) : 1;
}

QColor QtCanvas::ToQColor(ColorRef colour) {
    return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour));
}

void QtCanvas::SetPen(const GraphPen& pen) {
    switch (pen.style) {
    case PenStyleType::Solid:
        pen_.setStyle(Qt::SolidLine);
        break;
    case PenStyleType::Dash:
        pen_.setStyle(Qt::DashLine);
        break;
    case PenStyleType::Dot:
        pen_.setStyle(Qt::DotLine);
        break;
    }
    pen_.setWidth(std::max(1, pen.width) * PenScale());
    pen_.setColor(ToQColor(pen.colour));
    painter_.setPen(pen_);
}

void QtCanvas::Line(GraphPoint from, GraphPoint to) {
    // A null line draws nothing; otherwise the end pixel is drawn too, which no raster or
    // vector device shows as different, while single points vanish on vector devices.
    if (from != to)
        painter_.drawLine(from.x, from.y, to.x, to.y);
}

void QtCanvas::Text(GraphPoint topLeft, const QString& text) {
    painter_.drawText(QPointF(topLeft.x, topLeft.y + metrics_.ascent()), text);
}

TextExtent QtCanvas::MeasureText(const QString& text) const {
    return {metrics_.horizontalAdvance(text), metrics_.height()};
}

void QtCanvas::FillRect(const GraphRect& rect, ColorRef colour) {
    painter_.fillRect(QRect(rect.left, rect.top, rect.Width(), rect.Height()), ToQColor(colour));
}

void QtCanvas::FrameRect(const GraphRect& rect, ColorRef colour) {
    if (rect.IsEmpty())
        return;
    const QPen saved = painter_.pen();
    painter_.setPen(QPen(ToQColor(colour), printer_ ? PenScale() : 0));
    painter_.setBrush(Qt::NoBrush);
    painter_.drawRect(QRect(rect.left, rect.top, rect.Width() - 1, rect.Height() - 1));
    painter_.setPen(saved);
}

void QtCanvas::SetBold(bool bold) {
    QFont font = painter_.font();
    if (font.bold() == bold)
        return;
    font.setBold(bold);
    painter_.setFont(font);
    metrics_ = QFontMetrics(font, painter_.device());
}
