#pragma once

#include <optional>

class CGraphClass;

// A graph printed without a screen first draws once as the screen would, so that it has the
// value range and time frame a printer drawing keeps.
void ScaleAsOnScreen(CGraphClass& graph);
// Shows seconds `from` to `to` after the recording's start (either open, both clamped to the
// recording) on a graph that has drawn once; the next drawing shows them.
void SetAskedWindow(CGraphClass& graph, std::optional<double> from, std::optional<double> to);
