#pragma once

#include "core/common/InterfaceLanguage.h"
#include "core/common/TextIds.h"

#include <QString>
#include <initializer_list>
#include <vector>

// The language every ResourceString is in: set once at start (ApplyInterfaceLanguage), French
// until then.
void SetInterfaceLanguage(InterfaceLanguageType language);
InterfaceLanguageType CurrentInterfaceLanguage();

// The user-interface texts, by number (named in TextId), in the interface language. An unknown
// number gives an empty text.
QString ResourceString(int id);
// The French text of `id` whatever the interface language: for what files and scripts read
// (the titles of an export's columns, its sheet names), which must not change with it.
QString FixedString(int id);
bool HasResourceString(int id);
// A text in a given language, and the ids a language's table holds, for the tests that keep the
// two tables in step.
QString ResourceStringIn(InterfaceLanguageType language, int id);
std::vector<int> ResourceIds(InterfaceLanguageType language);
// The text of `id` with its "%s" placeholders filled in order (printf-style, as the texts
// are written).
QString FormatResource(int id, std::initializer_list<QString> args);
