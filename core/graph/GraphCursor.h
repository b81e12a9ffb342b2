#pragma once

#include "core/graph/Canvas.h"
#include "core/graph/TraceRenderer.h"
#include "core/session/ValueStamp.h"

#include <QString>
#include <QtGlobal>
#include <cstdint>

class CChanData;
class CChanRecord;

// What the cursor needs of the drawing that offers it columns.
struct CursorFrame {
    GraphRect plot;
    bool printer = false;
    const CChanRecord* record = nullptr; // whose values the columns hold
    double pixelsPerSecond = 1.0;
    double pointPeriod = 1.0; // seconds per point of the record being drawn
    ColorRef colour = 0;
};

// One read-out: a value text, or the state text of a column without a real value.
struct CursorReadout {
    QString text;
    bool valid = false; // a measurement, to be followed by the unit

    QString WithUnit(const QString& unit) const;
};

// The vertical line the user places in the plot, and what the column under it holds.
class GraphCursor {
public:
    bool IsEnabled() const { return enabled_; }
    void Enable() { enabled_ = true; }

    // Pixels right of the plot's left edge.
    int Offset() const { return offset_; }
    void SetOffset(int offset) { offset_ = offset; }
    // A click at window x.
    void PlaceAt(int x, const GraphRect& plot);
    // Seconds from the view start, kept from the last screen drawing for printing.
    double TimeOffset() const { return timeOffset_; }

    // Read-outs go back to "no value" until a drawing places the cursor again.
    void ResetReadouts();
    bool IsValid() const { return valid_; }
    const CursorReadout& Minimum() const { return minimum_; }
    const CursorReadout& Maximum() const { return maximum_; }
    const CursorReadout& Value() const { return value_; }
    const QString& EventText() const { return eventText_; }
    const QString& Label() const { return label_; }
    // The first value of the column the cursor stands on (its index in its record, which for a
    // session file is the channel's only one), and when it was taken; -1 until a drawing
    // places the cursor.
    int64_t Index() const { return index_; }
    const ValueStamp& Time() const { return time_; }

    bool Holds(const TraceColumn& column, const CursorFrame& frame) const;
    // Takes the column's read-outs and draws the line and its label.
    void Take(const TraceColumn& column, const CursorFrame& frame, const CChanData& channel,
              Canvas& canvas);

private:
    void TakeReadouts(const TraceColumn& column, const CChanData& channel);

    bool enabled_ = false;
    int offset_ = 0;
    double timeOffset_ = 0.0;
    bool valid_ = false;
    CursorReadout minimum_;
    CursorReadout maximum_;
    CursorReadout value_;
    QString eventText_;
    QString label_;
    int64_t index_ = -1;
    ValueStamp time_;
};

// Offers the columns of one trace to the cursor.
class CursorProbe final : public TraceColumnProbe {
public:
    CursorProbe(GraphCursor& cursor, const CursorFrame& frame, const CChanData& channel,
                Canvas& canvas)
        : cursor_(cursor), frame_(frame), channel_(channel), canvas_(canvas) {}

    bool TakeColumn(const TraceColumn& column) override;
    bool Placed() const { return placed_; }

private:
    GraphCursor& cursor_;
    const CursorFrame& frame_;
    const CChanData& channel_;
    Canvas& canvas_;
    bool placed_ = false;
};
