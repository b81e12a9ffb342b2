#pragma once

#include "core/session/ValueStatus.h"

#include <QString>
#include <cstdint>

class CChanData;

struct RangeStatisticsTexts {
    QString min, max, avg, last, total;
    QString eventTotal; // empty unless the channel is an event channel
};

// A channel's values, statistics and events as the French interface shows them: the decimals
// and step of its model and scale, the range markers' texts, event lengths in words.
class ChannelTexts {
public:
    explicit ChannelTexts(const CChanData& data) : data_(data) {}

    QString ValueText(StatValue v, const QString& units) const;
    QString ValueText(double value, const QString& units) const;
    RangeStatisticsTexts RangeStatistics(bool useWindow, int first, int last,
                                         const QString& units) const;
    // Active time over states [first, end), or the "off" text when there is none.
    QString EventWindowTotal(int first, int end) const;
    QString EventLengthAt(int64_t second, int millisecond) const;
    QString EventCellText(int row, int column) const;

private:
    const CChanData& data_;
};
