#pragma once

#include "core/session/ChannelColumns.h"

#include <QString>
#include <vector>

class CRecSession;
class CTrendGraph;

// The statistics line of the session page for its graph as last drawn: the columns, their
// headers and texts. The page and `vexlo-cli plot --describe` both read it from here, so
// that a script sees what the page shows.
struct SessionChannelLine {
    std::vector<ChannelColumn> columns;
    std::vector<QString> texts; // one per column; the colour column's is empty (it is drawn)

    // `minMax`: the page's minimum/maximum display is on.
    static SessionChannelLine Of(const CRecSession& session, const CTrendGraph& graph, bool minMax);
    QString TextOf(ChanListHeaderType kind) const;
};
