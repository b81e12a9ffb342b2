#include "core/session/ChannelColumns.h"

#include "core/common/StringTable.h"
#include "core/session/CRecSession.h"
#include "core/session/ChannelStatistics.h"
#include "core/session/ChannelTexts.h"

namespace {
constexpr int kHeaderIds[] = {TextId::kChannelHeader,
                              TextId::kColourHeader,
                              TextId::kCursorMin,
                              TextId::kCursorMax,
                              TextId::kCursorAvg,
                              TextId::kCursorEventLength,
                              TextId::kValue,
                              TextId::kWindowMin,
                              TextId::kWindowMax,
                              TextId::kWindowAvg,
                              TextId::kLast,
                              TextId::kWindowTotal,
                              TextId::kWindowEventsLength,
                              TextId::kMin,
                              TextId::kMax,
                              TextId::kAvg,
                              TextId::kLast,
                              TextId::kTotal,
                              TextId::kEventLength,
                              TextId::kTimeAboveHeader,
                              TextId::kTimeBelowHeader,
                              TextId::kExcursionsHeader,
                              TextId::kMktHeader};
constexpr int kNarrow = 60;
constexpr int kStatistic = 80;
constexpr int kEventColumn = 140;
} // namespace

QString ChanListHeaderText(ChanListHeaderType kind) {
    const int index = static_cast<int>(kind);
    if (index < 0 || index >= static_cast<int>(std::size(kHeaderIds)))
        return QString();
    return ResourceString(kHeaderIds[index]);
}

std::vector<ChannelColumn> SessionChannelColumns(const KindFlags& flags, bool cursorColumns,
                                                 const SessionFigures& figures) {
    using K = ChanListHeaderType;
    std::vector<ChannelColumn> columns{{K::Channel, kNarrow}, {K::Colour, kNarrow}};
    if (flags.event) {
        columns.push_back({K::CursorEventLength, kEventColumn});
        columns.push_back({K::WindowEventsLength, kEventColumn});
        return columns;
    }
    if (cursorColumns)
        columns.push_back({K::CursorMin, kStatistic});
    columns.push_back({K::CursorAvg, kStatistic});
    if (cursorColumns)
        columns.push_back({K::CursorMax, kStatistic});
    for (const K k : {K::WindowMin, K::WindowMax, K::WindowAvg})
        columns.push_back({k, kStatistic});
    if (flags.pulse)
        columns.push_back({K::WindowTotal, kStatistic});
    if (figures.limits.Any())
        for (const K k : {K::WindowTimeAbove, K::WindowTimeBelow, K::WindowExcursions})
            columns.push_back({k, kStatistic});
    if (figures.showMkt && flags.temperature)
        columns.push_back({K::WindowMkt, kStatistic});
    return columns;
}

WindowStatistics WindowStatistics::Of(const CRecSession& session, int first, int last) {
    const CChanData& data = session.ChanData();
    if (!data.HasRecord())
        return {};
    const bool useWindow = first >= 0 && last > first;
    const RangeStatisticsTexts t = ChannelTexts(data).RangeStatistics(
        useWindow, useWindow ? first : 0, useWindow ? last - 1 : 0, session.DisplayUnits());
    WindowStatistics w{t.min, t.max, t.avg, t.total, t.eventTotal, {}, {}, {}, {}};
    const SessionFigures& figures = session.Figures();
    if (data.Flags().event)
        return w;
    const std::span<const double> values =
        WindowValues(data, useWindow, useWindow ? first : 0, useWindow ? last - 1 : 0);
    if (const std::optional<LimitStatistics> l = figures.LimitsOver(data, values)) {
        w.timeAbove = SessionFigureTexts::Duration(l->timeAboveSeconds);
        w.timeBelow = SessionFigureTexts::Duration(l->timeBelowSeconds);
        w.excursions = QString::number(l->excursions);
    }
    if (figures.showMkt && data.Flags().temperature)
        w.mkt = SessionFigureTexts::Mkt(session, figures.MktOver(data, values));
    return w;
}

QString ChannelCellText(ChanListHeaderType kind, const QString& channelLabel,
                        const CursorReadouts& cursor, const WindowStatistics& window) {
    using K = ChanListHeaderType;
    switch (kind) {
    case K::Channel:
        return channelLabel;
    case K::CursorMin:
        return cursor.min;
    case K::CursorAvg:
        return cursor.avg;
    case K::CursorMax:
        return cursor.max;
    case K::CursorEventLength:
        return cursor.eventLength;
    case K::WindowMin:
        return window.min;
    case K::WindowMax:
        return window.max;
    case K::WindowAvg:
        return window.avg;
    case K::WindowTotal:
        return window.total;
    case K::WindowEventsLength:
        return window.eventsLength;
    case K::WindowTimeAbove:
        return window.timeAbove;
    case K::WindowTimeBelow:
        return window.timeBelow;
    case K::WindowExcursions:
        return window.excursions;
    case K::WindowMkt:
        return window.mkt;
    default:
        return QString();
    }
}
