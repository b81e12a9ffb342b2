#pragma once

#include <QIcon>
#include <QString>

// Tool bar icons drawn at run time: a rounded tile with a short glyph, so that the program
// ships no image files it did not make itself.
QIcon GlyphIcon(const QString& glyph, const QColor& tile);
