#pragma once

#include <QLocale>
#include <QString>

// The locale variables that decide how numbers, dates and times are written, as the
// environment gives them (empty when unset).
struct LocaleEnvironment {
    QString all{};     // LC_ALL
    QString numeric{}; // LC_NUMERIC
    QString time{};    // LC_TIME
    QString lang{};    // LANG

    static LocaleEnvironment OfProcess();
};

// True when no variable names a real locale for numbers and dates: each is unset, empty,
// "C" or "POSIX" (with or without a code set), once LC_ALL has overridden the others.
bool LocaleSaysNothing(const LocaleEnvironment& environment);

// The locale that numbers, dates and times follow: the user's, or French, the language of
// the interface, when the environment says nothing.
QLocale InterfaceLocale(const LocaleEnvironment& environment);

// Makes InterfaceLocale() the default of every QLocale the programs build.
void ApplyInterfaceLocale(const LocaleEnvironment& environment);
