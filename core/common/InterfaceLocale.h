#pragma once

#include "core/common/InterfaceLanguage.h"

#include <QLocale>
#include <QString>

// The locale variables that decide the language of the texts and how numbers, dates and
// times are written, as the environment gives them (empty when unset).
struct LocaleEnvironment {
    QString all{};      // LC_ALL
    QString numeric{};  // LC_NUMERIC
    QString time{};     // LC_TIME
    QString lang{};     // LANG
    QString language{}; // LANGUAGE, a list of languages by preference ("de:en")
    QString messages{}; // LC_MESSAGES

    static LocaleEnvironment OfProcess();
};

// The language of the texts: the one chosen, or for Automatic the desktop's (the first of
// LANGUAGE's list the program has, else LC_ALL, LC_MESSAGES or LANG), French for any other.
InterfaceLanguageType ChooseInterfaceLanguage(LanguageChoiceType choice,
                                              const LocaleEnvironment& environment);

// True when no variable names a real locale for numbers and dates: each is unset, empty,
// "C" or "POSIX" (with or without a code set), once LC_ALL has overridden the others.
bool LocaleSaysNothing(const LocaleEnvironment& environment);

// The locale that numbers, dates and times follow, as Qt reads the user's: LC_ALL when set,
// else LC_NUMERIC or LC_TIME when one names a locale, else LANG unless it names the other
// language of the interface (English words never come with French dates by accident);
// otherwise the language's own formats.
QLocale InterfaceLocale(const LocaleEnvironment& environment, InterfaceLanguageType language);

// Chooses the language once for the whole run: the texts of the string table, and the default
// of every QLocale the programs build. Returns the language chosen.
InterfaceLanguageType ApplyInterfaceLanguage(const LocaleEnvironment& environment,
                                             LanguageChoiceType choice);
