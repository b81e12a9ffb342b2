#pragma once

#include "core/doc/DocGraphSettings.h"

#include <QPixmap>
#include <QWidget>

class CGraphClass;
class QPainter;
class QWheelEvent;

// A graph engine on screen. Every change draws at once into the widget's frame, hidden or not,
// so the cursor's read-outs and the visible range always describe the state just set;
// painting only shows that frame. The graph follows the desktop's light or dark palette.
class GraphFrameWidget : public QWidget {
    Q_OBJECT
public:
    // The window, the cursor or the settings changed: draw again as it stands.
    void Render();
    // Moves the cursor by whole pixel columns.
    void MoveCursor(int columns);
    // What the cursor reads, value and time, as last drawn; a screen reader has it as the
    // graph's value and is told when it changes. Empty without a cursor.
    const QString& CursorReadout() const { return readout_; }

signals:
    // A drawing was made: its read-outs and range are the graph's now.
    void Drawn();

protected:
    GraphFrameWidget(const CVexloDoc& doc, QWidget* parent);
    // Called once by the derived widget's constructor, with the engine it owns.
    void Attach(CGraphClass& graph);

    // After each drawing and its Drawn().
    virtual void Rendered() {}
    // Over the frame, as the widget is painted.
    virtual void PaintOver(QPainter&) {}
    // A notch forward shows a third less about the pointer, the time under it staying there;
    // a notch back zooms out. False when the event did not zoom.
    bool ZoomWithWheel(QWheelEvent* event);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void UpdateReadout();

    DocGraphSettings settings_;
    CGraphClass* graph_ = nullptr;
    QPixmap frame_;
    QString readout_;
};
