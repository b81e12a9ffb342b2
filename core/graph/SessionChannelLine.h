#pragma once

#include "core/session/ChannelColumns.h"

#include <QString>
#include <vector>

class CRecSession;
class CTrendGraph;

// The statistics line of the session page for its graph as last drawn: the columns, their
// headers and texts. The page, its print-out, `vexlo-cli report` and `plot --describe` all
// read it from here, so that a script sees what the page shows. A graph that has not drawn
// this session gives no cursor read-outs.
struct SessionChannelLine {
    std::vector<ChannelColumn> columns;
    std::vector<QString> texts; // one per column; the colour column's is empty (it is drawn)

    // `minMax`: the page's minimum/maximum display is on.
    static SessionChannelLine Of(const CRecSession& session, const CTrendGraph& graph, bool minMax);
    QString TextOf(ChanListHeaderType kind) const;
    // Each column's title and text as a sentence a screen reader can say; the colour and
    // empty texts are left out.
    QString SpokenText() const;
};
