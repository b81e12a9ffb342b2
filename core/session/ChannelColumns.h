#pragma once

#include "core/session/ModelTable.h"
#include "core/session/SessionFigures.h"

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
    WindowTimeAbove = 19,
    WindowTimeBelow = 20,
    WindowExcursions = 21,
    WindowMkt = 22,
};

QString ChanListHeaderText(ChanListHeaderType kind);

struct ChannelColumn {
    ChanListHeaderType kind;
    int width;
    bool operator==(const ChannelColumn&) const = default;
};

// The columns of a session's channel line. `cursorColumns`: the min/max display is on and the
// graph shows more values than it has pixel columns, so a column's minimum and maximum differ.
// `figures`: the limit columns when a limit is set, the MKT column of a temperature session
// when it is asked for; none by default.
std::vector<ChannelColumn> SessionChannelColumns(const KindFlags& flags, bool cursorColumns,
                                                 const SessionFigures& figures = {});

// What the graph's cursor reads on its column.
struct CursorReadouts {
    QString min, avg, max, eventLength;
};

// The window columns' texts, kept until the visible range changes.
struct WindowStatistics {
    QString min, max, avg, total, eventsLength;
    QString timeAbove, timeBelow, excursions, mkt; // with the session's figures only

    // Over values [first, last) of the graph's view; the whole record when first < 0.
    static WindowStatistics Of(const CRecSession& session, int first, int last);
};

// The text of one cell of the line; the colour cell has none (it is drawn).
QString ChannelCellText(ChanListHeaderType kind, const QString& channelLabel,
                        const CursorReadouts& cursor, const WindowStatistics& window);
