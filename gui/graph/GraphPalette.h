#pragma once

#include "core/graph/GraphTheme.h"

class QPalette;

// A palette whose windows are darker than mid-grey: the desktop's dark colour scheme.
bool IsDarkPalette(const QPalette& palette);
// The graph theme of a widget with this palette: the light one, white and black as
// specified, unless the palette is dark, when the graph takes the palette's own window and
// text colours.
GraphTheme GraphThemeOf(const QPalette& palette);
// The dark palette `VEXLO_THEME=dark` forces, for desktops without a dark scheme of their own.
QPalette DarkPalette();
