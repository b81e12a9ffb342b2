#pragma once

#include "core/graph/Canvas.h"

#include <QString>
#include <vector>

// How many divisions a plot `plotHeight` pixels tall has room for: ten, halved while a
// division would be shorter than one and a half text lines (0 when not even one fits).
int ValueAxisDivisions(int plotHeight, int lineHeight);

// The step between two drawn lines for values `span` tall cut into at most `divisions`:
// the smallest of 1, 2, 2.5 and 5 × 10^k that is not finer than `labelStep`, with 2.5 × 10^k
// only where it needs no more decimals than the label step.
double ValueLineStep(double span, int divisions, double labelStep);

// Digits after the separator that write every multiple of `lineStep` exactly.
int ValueLabelDecimals(double lineStep);

// The lines of a value axis: whole multiples of the step from `lowest` to `highest`.
struct ValueGrid {
    double step = 0.0;
    int decimals = 0;
    std::vector<double> values; // ascending
};
ValueGrid ChooseValueGrid(double lowest, double highest, int divisions, double labelStep);

struct ValueAxisLayout {
    GraphRect plot;
    GraphRect drawing;
    int charWidth = 10;
    double lowest = 0.0;
    double pixelsPerUnit = 1.0;
    double labelStep = 1.0;
    QString unitText;
    bool twoState = false; // labels say "Off" / "On"
    bool polarity = true;  // a two-state zero reads "Off"
    ColorRef ink = 0;      // grid and labels
};

// Draws the unit text, the dotted value grid and the labels that do not overlap one another;
// returns the widest label drawn.
int DrawValueAxis(Canvas& canvas, const ValueAxisLayout& axis);
