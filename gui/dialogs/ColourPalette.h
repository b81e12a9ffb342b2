#pragma once

#include "core/app/TraceColours.h"

#include <QColor>
#include <QIcon>
#include <QSize>
#include <QString>
#include <QVector>
#include <QWidget>

QColor ToQColor(ColorRef colour);
ColorRef ToColorRef(const QColor& colour);

// A flat tile of `colour` with a thin dark border.
QIcon SwatchIcon(ColorRef colour, QSize size);
inline constexpr QSize kSwatchSize(32, 16);

struct NamedColour {
    ColorRef colour;
    QString name;
};
// The palette's colours, row after row of TraceColorsDlgModel::kPaletteColumns.
const QVector<NamedColour>& NamedColours();
// The French name of `colour`, or its "#rrggbb" form when the palette does not name it.
QString ColourName(ColorRef colour);

// What a colour button opens: the automatic choice above the named colours and the full
// colour chooser below them.
class ColourPalette final : public QWidget {
    Q_OBJECT
public:
    explicit ColourPalette(QWidget* parent = nullptr);

signals:
    void ColourChosen(ColorRef colour);
    void AutomaticChosen();
    void MoreColoursRequested();
};
