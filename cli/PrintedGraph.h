#pragma once

class CGraphClass;

// A graph printed without a screen first draws once as the screen would, so that it has the
// value range and time frame a printer drawing keeps.
void ScaleAsOnScreen(CGraphClass& graph);
