#pragma once

#include <QString>

// The languages of the interface texts. French is the program's own; English is the
// reference language of the update server's files.
enum class InterfaceLanguageType { French, English };

// The user's choice in the options, as stored: the desktop's language, or one imposed.
enum class LanguageChoiceType { Automatic = 0, French = 1, English = 2 };

// "FR" or "EN": the code the versions file, the downloaded help and the tool bar reset use.
inline QString InterfaceLanguageCode(InterfaceLanguageType language) {
    return language == InterfaceLanguageType::English ? QStringLiteral("EN") : QStringLiteral("FR");
}

// A stored choice; anything else is Automatic.
inline LanguageChoiceType LanguageChoiceOf(int stored) {
    return stored == 1 || stored == 2 ? static_cast<LanguageChoiceType>(stored)
                                      : LanguageChoiceType::Automatic;
}
