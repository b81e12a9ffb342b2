#pragma once

#include "core/graph/CBasicObject.h"
#include "core/graph/GraphCursor.h"
#include "core/graph/GraphSettingsSource.h"
#include "core/graph/NiceValueRange.h"
#include "core/graph/TraceRenderer.h"
#include "core/graph/ViewWindow.h"
#include "core/graph/ZoomToModel.h"
#include "core/session/LimitStatistics.h"
#include "core/session/ValueScan.h"

#include <QString>
#include <QtGlobal>
#include <functional>

class CChanData;
class CChanRecord;
class CRecSession;

enum class ValueAxisModeType {
    Normal = 0, // the range follows the data
    None = 1,   // no value axis; the caller fixes the range
    Caller = 2, // the axis is drawn but its range is left alone
};

// One record as the graph draws it, with what its cursor read-outs need.
struct GraphTrace {
    TraceRecord record;
    ColorRef colour = 0;
    double pointPeriod = 1.0;
    const CChanData* channel = nullptr;
    const CChanRecord* source = nullptr; // the record drawn, which the cursor reads
};

// What the user made of a graph's view: the window with its history, a narrowed value range
// and the cursor's place.
struct GraphViewState {
    ViewWindow window;
    ValueRange range;
    bool automaticValueRange = true;
    bool canZoomInVertically = false;
    int cursorOffset = 0;
};

// A time graph: axes, scaling, traces, the view window with its zoom operations and the
// cursor. What is drawn is decided by a derived class.
class CGraphClass : public CBasicObject {
public:
    // Neither source is owned; both must outlive the graph or be replaced.
    void SetSettingsSource(const GraphSettingsSource* settings) { settings_ = settings; }
    void SetChannelSource(const CRecSession* session);
    void SetUnitText(const QString& unit);
    void EnableCursor();
    void SetEnvelope(bool on) { envelope_ = on; }
    void SetClip(bool on) { clip_ = on; }
    void SetValueAxisMode(ValueAxisModeType mode);
    // ±kNoValueLimit means no limit.
    void SetValueLimits(double lower, double upper);
    void SetValueRange(const ValueRange& range) { range_ = range; }

    // Draws everything; returns whether the canvas was a printer.
    virtual bool Draw(Canvas& canvas) = 0;

    // The view window, in seconds from the session start.
    qint64 SessionStart() const { return sessionStart_; }
    double TotalSpan() const { return window_.TotalSpan(); }
    double ViewStart() const { return window_.Start(); }
    double ViewSpan() const { return window_.Span(); }
    bool IsShowingAll() const { return window_.IsShowingAll(); }
    bool ShowingAllFlag() const { return window_.ShowingAllFlag(); }
    bool AutomaticValueRange() const { return autoValueRange_; }
    bool CanZoomIn() const { return window_.CanZoomIn(); }
    bool CanZoomInVertically() const { return canZoomInVertically_; }
    bool CanZoomBack() const { return window_.CanZoomBack(); }
    int ZoomHistorySize() const { return window_.HistorySize(); }
    const ValueRange& CurrentValueRange() const { return range_; }
    double ValueResolution() const { return resolution_; }
    bool PointInPlot(GraphPoint p) const { return InnerRect().Contains(p); }

    // Zoom, with window coordinates where pixels are involved.
    void ZoomIn();
    void ZoomOut();
    void ZoomToPixelRange(int x1, int x2);
    // Also narrows the value range to the rectangle's rows, which the next drawing keeps.
    void ZoomToRect(const GraphRect& rect);
    void ZoomBack();
    void ZoomToAll();
    // `start` is a time stamp. Ignored for a channel or record the session does not have.
    void SetViewWindow(double start, double span, int channel, int record);
    GraphViewState ViewState() const;
    void RestoreViewState(const GraphViewState& state);
    // The whole recording with an empty history and the cursor at the left, as for a
    // recording never shown before.
    void ResetView() { RestoreViewState({}); }
    // Runs the dialog bound to a model of the current recording; returns true on OK.
    bool OpenZoomDialog(const std::function<bool(ZoomToModel&)>& runDialog);

    // The cursor.
    bool CursorEnabled() const { return cursor_.IsEnabled(); }
    int CursorOffset() const { return cursor_.Offset(); }
    // A click at window x.
    void PlaceCursor(int x);
    // The click that puts the cursor on the column of `seconds` from the session start, in
    // the window as last drawn.
    void PlaceCursorAtTime(double seconds);
    bool CursorValid() const { return cursor_.IsValid(); }
    QString CursorMinimumText(const QString& unit) const {
        return cursor_.Minimum().WithUnit(unit);
    }
    QString CursorMaximumText(const QString& unit) const {
        return cursor_.Maximum().WithUnit(unit);
    }
    QString CursorValueText(const QString& unit) const { return cursor_.Value().WithUnit(unit); }
    const QString& CursorEventText() const { return cursor_.EventText(); }
    const QString& CursorLabel() const { return cursor_.Label(); }
    // The value under the cursor and its time, as one text for a screen reader; empty until a
    // drawing placed the cursor.
    QString CursorReadoutText() const;
    // The first value of the column under the cursor (its index in its record) and its time,
    // -1 and none until a drawing placed the cursor.
    int64_t CursorIndex() const { return cursor_.Index(); }
    const ValueStamp& CursorTime() const { return cursor_.Time(); }

protected:
    GraphRect ComputeInnerRect(const GraphRect& outer, const Canvas* canvas) override;

    const CRecSession* Session() const { return session_; }
    // The user's colours in the theme this drawing is made in.
    TraceColours Colours() const;
    const GraphTheme& Theme() const { return theme_; }
    bool DashedOverload() const { return settings_ ? settings_->DashedOverload() : true; }
    ValueAxisModeType ValueAxisMode() const { return axisMode_; }
    double UpperLimit() const { return upperLimit_; }
    double LowerLimit() const { return lowerLimit_; }

    void SetTimeFrame(qint64 sessionStart, double totalSpan, int samplePeriod);
    void SetResolution(double resolution) { resolution_ = resolution; }
    void SetAutomaticValueRange() { autoValueRange_ = true; }
    // The automatic value range: nice divisions around `extent` within the value limits, zero
    // when it is empty.
    void ScaleValueAxisTo(const ValueExtent& extent);

    // Starts a drawing pass: the layout made for `canvas`, the drawing area cleared (and
    // framed on screen), nothing of the plot's background drawn yet, the cursor not placed.
    void BeginPass(Canvas& canvas);
    bool LayoutChanged() const { return layoutChanged_; }
    // Draws one record, and the background, axes and frame first when this pass has not.
    void DrawTrace(Canvas& canvas, const GraphTrace& trace);
    // Dashed lines across the plot at the limits that lie within the value range; nothing
    // before a trace has drawn the background.
    void DrawAlarmLimits(Canvas& canvas, const AlarmLimits& limits);

private:
    struct ValueMapping {
        double lowest;
        double pixelsPerUnit;
    };
    ValueMapping Mapping() const;
    double ValueAtRow(int y) const;
    void DrawBackground(Canvas& canvas, const GraphTrace& trace, const ValueMapping& mapping);
    std::optional<int> CursorAnchor() const;

    const CRecSession* session_ = nullptr;
    const GraphSettingsSource* settings_ = nullptr;
    qint64 sessionStart_ = 0;
    int samplePeriod_ = 1;
    ViewWindow window_;
    double pixelsPerSecond_ = 1.0;
    bool autoValueRange_ = true;
    bool canZoomInVertically_ = false;
    ValueRange range_;
    double upperLimit_ = kNoValueLimit;
    double lowerLimit_ = -kNoValueLimit;
    double resolution_ = 1.0;
    int leftLabelWidth_ = 0;
    bool layoutChanged_ = false;
    ValueAxisModeType axisMode_ = ValueAxisModeType::Normal;
    QString unitText_;
    bool envelope_ = false;
    bool clip_ = true;
    GraphCursor cursor_;
    bool cursorPlaced_ = false;
    bool backgroundDrawn_ = false;
    GraphTheme theme_;
};
