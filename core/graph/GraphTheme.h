#pragma once

#include "core/app/TraceColours.h"

// What a graph draws around and between its traces. The light theme is the one every
// print-out uses; the dark one follows a dark desktop on screen.
struct GraphTheme {
    bool dark = false;
    ColorRef window = TraceColours::kWindowBackground; // around the plot
    ColorRef ink = 0;                                  // frame, grid and axis texts

    bool operator==(const GraphTheme&) const = default;
};

// The colours that stand for the light defaults on a dark desktop.
struct DarkDefaultColours {
    static constexpr ColorRef kTrace = MakeColorRef(230, 230, 230);
    static constexpr ColorRef kRed = MakeColorRef(255, 110, 100);
    static constexpr ColorRef kGraphBackground = MakeColorRef(32, 32, 36);
    static constexpr ColorRef kAlarmLimits = MakeColorRef(255, 170, 60);
};

// The colours a graph is drawn with: the user's own, except that on a dark theme a colour
// still at its light default takes its dark counterpart, so a black trace never vanishes
// into a dark plot.
TraceColours ThemedColours(const TraceColours& chosen, bool dark);
