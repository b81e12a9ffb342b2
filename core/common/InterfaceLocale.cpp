#include "core/common/InterfaceLocale.h"

#include "core/common/StringTable.h"

#include <QtGlobal>
#include <optional>

namespace {

// "C", "POSIX", "C.UTF-8", "POSIX@euro"...: the locale of no country.
bool IsPlainLocale(const QString& name) {
    const QString language = name.section(u'.', 0, 0).section(u'@', 0, 0);
    return name.isEmpty() || language == QLatin1StringView("C") ||
           language == QLatin1StringView("POSIX");
}

// What a category of the C library would follow: LC_ALL, else its own variable, else LANG.
QString Effective(const LocaleEnvironment& environment, const QString& category) {
    if (!environment.all.isEmpty())
        return environment.all;
    return category.isEmpty() ? environment.lang : category;
}

// The interface language a locale or language name ("en_GB.UTF-8", "fr", "de_DE") stands
// for, if the program has it.
std::optional<InterfaceLanguageType> LanguageOfName(const QString& name) {
    const QString code = name.section(u'.', 0, 0).section(u'@', 0, 0).section(u'_', 0, 0);
    if (code.compare(u"fr", Qt::CaseInsensitive) == 0)
        return InterfaceLanguageType::French;
    if (code.compare(u"en", Qt::CaseInsensitive) == 0)
        return InterfaceLanguageType::English;
    return std::nullopt;
}

QLocale FormatsOf(InterfaceLanguageType language) {
    return language == InterfaceLanguageType::English
               ? QLocale(QLocale::English, QLocale::UnitedStates)
               : QLocale(QLocale::French, QLocale::France);
}

} // namespace

LocaleEnvironment LocaleEnvironment::OfProcess() {
    return {qEnvironmentVariable("LC_ALL"),   qEnvironmentVariable("LC_NUMERIC"),
            qEnvironmentVariable("LC_TIME"),  qEnvironmentVariable("LANG"),
            qEnvironmentVariable("LANGUAGE"), qEnvironmentVariable("LC_MESSAGES")};
}

InterfaceLanguageType ChooseInterfaceLanguage(LanguageChoiceType choice,
                                              const LocaleEnvironment& environment) {
    if (choice == LanguageChoiceType::French)
        return InterfaceLanguageType::French;
    if (choice == LanguageChoiceType::English)
        return InterfaceLanguageType::English;
    for (const QString& wanted : environment.language.split(u':', Qt::SkipEmptyParts))
        if (const auto language = LanguageOfName(wanted))
            return *language;
    return LanguageOfName(Effective(environment, environment.messages))
        .value_or(InterfaceLanguageType::French);
}

bool LocaleSaysNothing(const LocaleEnvironment& environment) {
    return IsPlainLocale(Effective(environment, environment.numeric)) &&
           IsPlainLocale(Effective(environment, environment.time));
}

QLocale InterfaceLocale(const LocaleEnvironment& environment, InterfaceLanguageType language) {
    if (LocaleSaysNothing(environment))
        return FormatsOf(language);
    // A variable set for formats is the user's word on them.
    if (!environment.all.isEmpty() || !IsPlainLocale(environment.numeric) ||
        !IsPlainLocale(environment.time))
        return QLocale::system();
    // Only LANG speaks: it gives way when it names the other language of the interface.
    const auto langLanguage = LanguageOfName(environment.lang);
    return langLanguage && *langLanguage != language ? FormatsOf(language) : QLocale::system();
}

InterfaceLanguageType ApplyInterfaceLanguage(const LocaleEnvironment& environment,
                                             LanguageChoiceType choice) {
    const InterfaceLanguageType language = ChooseInterfaceLanguage(choice, environment);
    SetInterfaceLanguage(language);
    QLocale::setDefault(InterfaceLocale(environment, language));
    return language;
}
