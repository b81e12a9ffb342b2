#pragma once

#include "core/graph/CGraphClass.h"
#include "core/session/ValueView.h"

#include <cstdint>

class CChanRecord;

struct PointRange {
    int first = 0;
    int end = 0; // one past the last

    bool operator==(const PointRange&) const = default;
};

// The points of a record of `count` points, `period` seconds apart (a sixteenth for event
// states) and starting `offset`
// seconds after the session start, that lie in the view [viewStart, viewStart + viewSpan].
PointRange VisiblePointRange(double offset, double period, int count, double viewStart,
                             double viewSpan);

// The graph of a recording session: which channels are drawn, their value range, and the
// drawing in two passes when the value labels change width.
class CTrendGraph : public CGraphClass {
public:
    static constexpr uint32_t kAllChannels = 0xFFFF;

    void SetChannelMask(uint32_t mask);
    uint32_t ChannelMask() const { return channelMask_; }
    void SetAutomaticScaling(bool on) { autoScaling_ = on; }
    // A total span of the caller's instead of the recording's.
    void SetFixedTotalSpan(double seconds);
    void ClearFixedTotalSpan();

    bool Draw(Canvas& canvas) override;

    // The visible value indices of record `record` of channel `channel` as last drawn; empty
    // for an index the session does not have, or before this session was drawn.
    PointRange VisiblePoints(int channel, int record) const;

private:
    struct Timeline {
        qint64 sessionStart = 0;
        double totalSpan = 0.0;
        double pointPeriod = 1.0; // seconds between two points
        int samplePeriod = 1;     // whole seconds, for scaling and the zoom dialog
    };

    bool InMask(int channel) const { return channel < 32 && (channelMask_ >> channel & 1u) != 0; }
    int LargestPointCount() const;
    Timeline MakeTimeline() const;
    // Seconds from `sessionStart` to value 0 of `record`.
    double RecordOffset(const CChanRecord& record, qint64 sessionStart) const;
    void Rescale();
    void DrawPass(Canvas& canvas);

    uint32_t channelMask_ = kAllChannels;
    bool autoScaling_ = true;
    bool fixedTotalSpan_ = false;
    double fixedSpan_ = 0.0;
    Timeline timeline_;
    // The session the timeline was made for by the last drawing.
    const CRecSession* timelineOf_ = nullptr;
    bool lastDrawnForPrinter_ = false;
};
