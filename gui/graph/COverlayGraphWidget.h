#pragma once

#include "core/doc/DocGraphSettings.h"
#include "core/graph/COverlayGraph.h"

#include <QPixmap>
#include <QWidget>

// The overlay graph on screen: a click places the cursor, the wheel zooms about the pointer,
// the arrow keys move the cursor by a pixel column. Every change draws at once, so the
// cursor's readings always describe what is shown.
class COverlayGraphWidget final : public QWidget {
    Q_OBJECT
public:
    explicit COverlayGraphWidget(const CVexloDoc& doc, QWidget* parent = nullptr);

    COverlayGraph& Graph() { return graph_; }
    const COverlayGraph& Graph() const { return graph_; }
    // The window, the cursor or the settings changed: draw again.
    void Render();

signals:
    void Drawn();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    DocGraphSettings settings_;
    COverlayGraph graph_;
    QPixmap frame_;
};
