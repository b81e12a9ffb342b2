#pragma once

#include "core/graph/Canvas.h"

#include <QString>

struct ValueAxisSteps {
    double step = 1.0; // value between two divisions
    int divisions = 10;
};

// The division step for a plot `plotHeight` pixels tall at `pixelsPerUnit`: a round value
// near a tenth of the plot, never finer than the label step, coarser when the plot is too
// short for ten label lines.
ValueAxisSteps ChooseValueAxisSteps(int plotHeight, double pixelsPerUnit, double labelStep,
                                    int lineHeight);

// Digits after the separator for labels `lineStep` apart.
int ValueLabelDecimals(double lineStep);

struct ValueAxisLayout {
    GraphRect plot;
    GraphRect drawing;
    int charWidth = 10;
    double lowest = 0.0;
    double pixelsPerUnit = 1.0;
    double labelStep = 1.0;
    double labelMultiplier = 1.0;
    QString unitText;
    bool twoState = false; // labels say "Off" / "On"
    bool polarity = true;  // a two-state zero reads "Off"
    ColorRef ink = 0;      // grid and labels
};

// Draws the unit text, the dotted value grid and its labels; returns the widest label.
int DrawValueAxis(Canvas& canvas, const ValueAxisLayout& axis);
