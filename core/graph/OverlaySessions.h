#pragma once

#include "core/app/TraceColours.h"

#include <QString>
#include <optional>
#include <vector>

class CRecSession;

// Why these sessions cannot share one graph (French, for the user); none when they can:
// two or more sessions of measured values, all in the first one's unit.
std::optional<QString> OverlayRefusal(const std::vector<const CRecSession*>& sessions);

// The open sessions that can share a graph with `reference`, in the order given, the
// reference among them.
std::vector<const CRecSession*> OverlayCandidates(const std::vector<CRecSession*>& open,
                                                  const CRecSession& reference);

// The colour of overlay trace `index`: the first keeps the user's trace colour, the others
// take distinct colours that read on light and dark plots alike.
ColorRef OverlayTraceColour(int index, ColorRef first);

// How a session is named in the legend: its session name, else its file's name.
QString OverlayName(const CRecSession& session);
// The local date and time of a session's first value, as the lists show it.
QString OverlayStartText(const CRecSession& session);
