#include "core/instrument/LiveColumns.h"

std::vector<ChannelColumn> LiveChannelColumns(bool pulseModel, bool eventModel) {
    using K = ChanListHeaderType;
    std::vector<ChannelColumn> columns{{K::Channel, 60}, {K::Colour, 60}};
    if (eventModel) {
        columns.push_back({K::EventLength, 140});
        columns.push_back({K::WindowEventsLength, 140});
        return columns;
    }
    for (const K k : {K::Min, K::Max, K::Avg, K::Last})
        columns.push_back({k, 80});
    if (pulseModel)
        columns.push_back({K::Total, 80});
    return columns;
}

QString LiveCellText(ChanListHeaderType kind, const QString& channelLabel,
                     const LiveStatisticsTexts& stats) {
    using K = ChanListHeaderType;
    switch (kind) {
    case K::Channel:
        return channelLabel;
    case K::Min:
        return stats.min;
    case K::Max:
        return stats.max;
    case K::Avg:
        return stats.avg;
    case K::Last:
        return stats.last;
    case K::Total:
        return stats.total;
    case K::EventLength:
        return stats.eventLength;
    case K::WindowEventsLength:
        return stats.eventWindowTotal;
    default:
        return QString();
    }
}
