#pragma once

#include "core/instrument/LiveChannel.h"
#include "core/session/ChannelColumns.h"

#include <vector>

// The live statistics line of the instrument page, on screen and on paper.
std::vector<ChannelColumn> LiveChannelColumns(bool pulseModel, bool eventModel);
// The text of one cell of that line; the colour cell has none (it is drawn).
QString LiveCellText(ChanListHeaderType kind, const QString& channelLabel,
                     const LiveStatisticsTexts& stats);
