#pragma once

#include "core/graph/Canvas.h"

#include <QFontMetrics>
#include <QPen>

class QPainter;

// The graph engine's canvas over a QPainter that is already begun on a widget, an image or a
// printer page; the painter's font measures the texts.
class QtCanvas final : public Canvas {
public:
    QtCanvas(QPainter& painter, bool isPrinter);

    void SetPen(const GraphPen& pen) override;
    void Line(GraphPoint from, GraphPoint to) override;
    void Text(GraphPoint topLeft, const QString& text) override;
    TextExtent MeasureText(const QString& text) const override;
    void FillRect(const GraphRect& rect, ColorRef colour) override;
    void FrameRect(const GraphRect& rect, ColorRef colour) override;
    bool IsPrinter() const override { return printer_; }
    void SetBold(bool bold) override;

    static QColor ToQColor(ColorRef colour);

private:
    int PenScale() const;

    QPainter& painter_;
    QFontMetrics metrics_;
    bool printer_;
    QPen pen_;
};
