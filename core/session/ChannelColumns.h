#pragma once

#include "core/session/ModelTable.h"

#include <QString>
#include <vector>

class CRecSession;

// The column kinds of a channel statistics line; the header text follows from the kind.
enum class ChanListHeaderType : int {
    Channel = 0,
    Colour = 1,
    CursorMin = 2,
    CursorMax = 3,
    CursorAvg = 4,
    CursorEventLength = 5,
    Value = 6,
    WindowMin = 7,
    WindowMax = 8,
    WindowAvg = 9,
    WindowLast = 10,
    WindowTotal = 11,
    WindowEventsLength = 12,
    Min = 13,
    Max = 14,
    Avg = 15,
    Last = 16,
    Total = 17,
    EventLength = 18,
};

QString ChanListHeaderText(ChanListHeaderType kind);

struct ChannelColumn {
    ChanListHeaderType kind;
    int width;
    bool operator==(const ChannelColumn&) const = default;
};

// The columns of a session's channel line. `cursorColumns`: the min/max display is on and the
// graph shows more values than it has pixel columns, so a column's minimum and maximum differ.
std::vector<ChannelColumn> SessionChannelColumns(const KindFlags& flags, bool cursorColumns);

// What the graph's cursor reads on its column.
struct CursorReadouts {
    QString min, avg, max, eventLength;
};

// The window columns' texts, kept until the visible range changes.
struct WindowStatistics {
    QString min, max, avg, total, eventsLength;

    // Over values [first, last) of the graph's view; the whole record when first < 0.
    static WindowStatistics Of(const CRecSession& session, int first, int last);
};

// The text of one cell of the line; the colour cell has none (it is drawn).
QString ChannelCellText(ChanListHeaderType kind, const QString& channelLabel,
                        const CursorReadouts& cursor, const WindowStatistics& window);
