#pragma once

#include "core/app/SettingsStore.h"

#include <QString>

// Whether the tool bar and menu layout goes back to the built-in one at this start: on the
// first start, and whenever the interface language differs from the one of the last reset.
// When it does, the reset is recorded ("MenuResetVersion" 1, "MenuLang" the language), so the
// caller only has to reset the layout when this returns true.
bool ApplyCustomisationReset(SettingsStore& settings, const QString& interfaceLanguage);
