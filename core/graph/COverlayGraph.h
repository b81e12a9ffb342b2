#pragma once

#include "core/graph/CGraphClass.h"
#include "core/graph/OverlayTimeline.h"
#include "core/session/CChanRecord.h"
#include "core/session/ValueView.h"

#include <memory>
#include <vector>

class CRecSession;

// Several sessions of one unit on one graph, aligned on their clock times, each in its own
// colour with a legend. The window, zoom and cursor act on all of them at once; the cursor
// reads every session at its time.
class COverlayGraph : public CGraphClass {
public:
    // The sessions must outlive the graph or be replaced; the first one's trace colour and
    // unit are the graph's. Shows the whole of them, as never seen before.
    void SetSessions(std::vector<const CRecSession*> sessions);
    int SessionCount() const { return static_cast<int>(sessions_.size()); }
    const CRecSession& SessionAt(int i) const { return *sessions_[static_cast<std::size_t>(i)]; }
    const OverlayTimeline& Timeline() const { return timeline_; }
    // As last drawn.
    ColorRef TraceColour(int session) const;

    bool Draw(Canvas& canvas) override;

    // The cursor's time in seconds from the origin, as last drawn.
    double CursorTime() const { return cursorTime_; }
    // What session i holds at the cursor, with its unit; "- - -" where it has no value.
    QString CursorReading(int session) const;

private:
    // A record of a session, read through its series at each use so that a recomputed
    // session is drawn as it is now.
    struct Run {
        int session = 0;
        const CChanRecord* record = nullptr;
        ValueView Values() const { return record->Values(); }
    };

    void Rescale();
    void DrawPass(Canvas& canvas);
    void DrawLegend(Canvas& canvas);
    void DrawCursor(Canvas& canvas);

    std::vector<const CRecSession*> sessions_;
    std::vector<Run> runs_;
    OverlayTimeline timeline_;
    double cursorTime_ = 0.0;
};
