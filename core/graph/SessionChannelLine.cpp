#include "core/graph/SessionChannelLine.h"

#include "core/common/StringTable.h"
#include "core/graph/CTrendGraph.h"
#include "core/session/CRecSession.h"

namespace {

QString ChannelLabel(const CRecSession& session) {
    const CChanData& data = session.ChanData();
    const QString label = data.ChannelCount() > 0 ? data.Channel(0).Label() : QString();
    return label.isEmpty() ? session.ChannelName() : label;
}

// A graph without a cursor, or one whose last drawing was not of this session and so holds
// another's read-outs, reads as a cursor on no value.
CursorReadouts ReadoutsOf(const CTrendGraph& graph, bool drawn, const QString& units) {
    if (!drawn || !graph.CursorEnabled()) {
        const QString none = ResourceString(TextId::kNoValue);
        return {none, none, none, QString()};
    }
    return {graph.CursorMinimumText(units), graph.CursorValueText(units),
            graph.CursorMaximumText(units), graph.CursorEventText()};
}

} // namespace

SessionChannelLine SessionChannelLine::Of(const CRecSession& session, const CTrendGraph& graph,
                                          bool minMax) {
    const PointRange range = graph.InnerRect().IsEmpty() ? PointRange{} : graph.VisiblePoints(0, 0);
    const bool hasRange = range.end > range.first;
    // A column's minimum and maximum differ only when it stands for several values.
    const bool cursorColumns =
        minMax && hasRange && range.end - range.first > graph.InnerRect().Width();
    const WindowStatistics window = hasRange ? WindowStatistics::Of(session, range.first, range.end)
                                             : WindowStatistics::Of(session, -1, -1);
    const CursorReadouts cursor = ReadoutsOf(graph, hasRange, session.DisplayUnits());
    const QString label = ChannelLabel(session);

    SessionChannelLine line;
    line.columns = SessionChannelColumns(session.Flags(), cursorColumns, session.Figures());
    line.texts.reserve(line.columns.size());
    for (const ChannelColumn& c : line.columns)
        line.texts.push_back(ChannelCellText(c.kind, label, cursor, window));
    return line;
}

QString SessionChannelLine::TextOf(ChanListHeaderType kind) const {
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (columns[i].kind == kind)
            return texts[i];
    return QString();
}

QString SessionChannelLine::SpokenText() const {
    QStringList parts;
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (!texts[i].isEmpty())
            parts << FormatResource(TextId::kLabelledFigure,
                                    {ChanListHeaderText(columns[i].kind), texts[i]});
    return parts.join(QStringLiteral(" ; "));
}
