#pragma once

#include "core/common/TextIds.h"

#include <QString>
#include <initializer_list>

// The French user-interface texts, by number (named in TextId). An unknown number gives an empty
// text.
QString ResourceString(int id);
bool HasResourceString(int id);
// The text of `id` with its "%s" placeholders filled in order (printf-style, as the texts
// are written).
QString FormatResource(int id, std::initializer_list<QString> args);
