#include "core/common/InterfaceLocale.h"

#include <gtest/gtest.h>

namespace {

LocaleEnvironment Lang(const QString& lang) {
    return {.lang = lang};
}

} // namespace

TEST(InterfaceLocale, NoLocaleOrThePlainOnesSayNothing) {
    for (const QString& plain :
         {u""_qs, u"C"_qs, u"POSIX"_qs, u"C.UTF-8"_qs, u"C.utf8"_qs, u"POSIX@euro"_qs}) {
        EXPECT_TRUE(LocaleSaysNothing(Lang(plain))) << plain.toStdString();
        EXPECT_TRUE(LocaleSaysNothing({.all = plain})) << plain.toStdString();
    }
    // Names that only look alike are real choices.
    for (const QString& chosen :
         {u"de_DE.UTF-8"_qs, u"en_US"_qs, u"CA"_qs, u"ca_ES"_qs, u"POSIXLY"_qs, u"fr_FR@euro"_qs})
        EXPECT_FALSE(LocaleSaysNothing(Lang(chosen))) << chosen.toStdString();
}

TEST(InterfaceLocale, LcAllOverridesAndEachCategoryCounts) {
    EXPECT_TRUE(LocaleSaysNothing({.all = u"C"_qs, .lang = u"de_DE.UTF-8"_qs}))
        << "LC_ALL=C wins over LANG";
    EXPECT_FALSE(LocaleSaysNothing({.all = u"de_DE.UTF-8"_qs, .lang = u"C"_qs}));
    EXPECT_FALSE(LocaleSaysNothing({.numeric = u"de_DE.UTF-8"_qs}))
        << "numbers alone in a chosen locale are a choice";
    EXPECT_FALSE(LocaleSaysNothing({.time = u"en_GB.UTF-8"_qs}));
    EXPECT_TRUE(LocaleSaysNothing({.numeric = u"C"_qs, .time = u"POSIX"_qs}));
    EXPECT_TRUE(LocaleSaysNothing({.numeric = u"C"_qs, .lang = u"POSIX"_qs}));
}

TEST(InterfaceLanguage, AChoiceInTheOptionsWinsOverTheEnvironment) {
    EXPECT_EQ(ChooseInterfaceLanguage(LanguageChoiceType::French,
                                      {.lang = u"en_US.UTF-8"_qs, .language = u"en"_qs}),
              InterfaceLanguageType::French);
    EXPECT_EQ(ChooseInterfaceLanguage(LanguageChoiceType::English, Lang(u"fr_FR.UTF-8"_qs)),
              InterfaceLanguageType::English);
    EXPECT_EQ(ChooseInterfaceLanguage(LanguageChoiceType::English, {}),
              InterfaceLanguageType::English);
    // What the settings may hold: only 1 and 2 impose a language.
    EXPECT_EQ(LanguageChoiceOf(-1), LanguageChoiceType::Automatic);
    EXPECT_EQ(LanguageChoiceOf(0), LanguageChoiceType::Automatic);
    EXPECT_EQ(LanguageChoiceOf(1), LanguageChoiceType::French);
    EXPECT_EQ(LanguageChoiceOf(2), LanguageChoiceType::English);
    EXPECT_EQ(LanguageChoiceOf(3), LanguageChoiceType::Automatic);
}

TEST(InterfaceLanguage, AutomaticFollowsTheDesktopAndFallsBackToFrench) {
    const auto automatic = [](const LocaleEnvironment& environment) {
        return ChooseInterfaceLanguage(LanguageChoiceType::Automatic, environment);
    };
    constexpr auto kEnglish = InterfaceLanguageType::English;
    constexpr auto kFrench = InterfaceLanguageType::French;
    EXPECT_EQ(automatic({}), kFrench) << "no locale at all";
    EXPECT_EQ(automatic(Lang(u"C.UTF-8"_qs)), kFrench);
    EXPECT_EQ(automatic(Lang(u"en_US.UTF-8"_qs)), kEnglish);
    EXPECT_EQ(automatic(Lang(u"EN_gb"_qs)), kEnglish);
    EXPECT_EQ(automatic(Lang(u"fr_CA.UTF-8"_qs)), kFrench);
    EXPECT_EQ(automatic(Lang(u"de_DE.UTF-8"_qs)), kFrench) << "a language the program lacks";
    EXPECT_EQ(automatic(Lang(u"eng_US"_qs)), kFrench) << "only the code en is English";
    // LANGUAGE lists preferences: the first the program has wins, before any locale.
    EXPECT_EQ(automatic({.language = u"en"_qs}), kEnglish);
    EXPECT_EQ(automatic({.lang = u"fr_FR.UTF-8"_qs, .language = u"de:en_GB"_qs}), kEnglish);
    EXPECT_EQ(automatic({.lang = u"en_US.UTF-8"_qs, .language = u"de:fr:en"_qs}), kFrench);
    EXPECT_EQ(automatic({.lang = u"en_US.UTF-8"_qs, .language = u"de"_qs}), kEnglish)
        << "none of the list: the locale decides";
    // Messages follow LC_ALL, then LC_MESSAGES, then LANG.
    EXPECT_EQ(automatic({.lang = u"fr_FR.UTF-8"_qs, .messages = u"en_US.UTF-8"_qs}), kEnglish);
    EXPECT_EQ(automatic({.all = u"fr_FR.UTF-8"_qs, .messages = u"en_US.UTF-8"_qs}), kFrench);
    EXPECT_EQ(automatic({.numeric = u"en_US.UTF-8"_qs, .time = u"en_US.UTF-8"_qs}), kFrench)
        << "formats alone do not choose the words";
}

// Words and formats never mix languages unless the user's locale asks for it.
TEST(InterfaceLocale, FormatsFollowTheLanguageUnlessTheLocaleSaysOtherwise) {
    constexpr auto kEnglish = InterfaceLanguageType::English;
    constexpr auto kFrench = InterfaceLanguageType::French;
    const QLocale french(QLocale::French, QLocale::France);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(InterfaceLocale({}, kFrench), french);
    EXPECT_EQ(InterfaceLocale({}, kEnglish), english);
    EXPECT_EQ(InterfaceLocale(Lang(u"C"_qs), kEnglish), english);
    // LANG naming the other language of the interface gives way to the chosen one.
    EXPECT_EQ(InterfaceLocale(Lang(u"en_US.UTF-8"_qs), kFrench), french);
    EXPECT_EQ(InterfaceLocale(Lang(u"fr_FR.UTF-8"_qs), kEnglish), english);
    // LANG of the chosen language, or of a language the program lacks, gives its formats.
    EXPECT_EQ(InterfaceLocale(Lang(u"en_GB.UTF-8"_qs), kEnglish), QLocale::system());
    EXPECT_EQ(InterfaceLocale(Lang(u"de_DE.UTF-8"_qs), kFrench), QLocale::system())
        << "French words, German formats";
    EXPECT_EQ(InterfaceLocale(Lang(u"de_DE.UTF-8"_qs), kEnglish), QLocale::system());
    // Variables set for formats win; LC_ALL decides alone when set.
    EXPECT_EQ(InterfaceLocale({.time = u"en_US.UTF-8"_qs, .lang = u"en_US.UTF-8"_qs}, kFrench),
              QLocale::system());
    EXPECT_EQ(InterfaceLocale({.numeric = u"de_DE.UTF-8"_qs}, kEnglish), QLocale::system());
    EXPECT_EQ(InterfaceLocale({.all = u"C"_qs, .lang = u"de_DE.UTF-8"_qs}, kFrench), french);
    EXPECT_EQ(InterfaceLocale({.numeric = u"C"_qs, .time = u"POSIX"_qs, .lang = u"de_DE.UTF-8"_qs},
                              kEnglish),
              english)
        << "both format variables set to the plain locale say nothing";
    EXPECT_EQ(InterfaceLocale({.all = u"de_DE.UTF-8"_qs}, kEnglish), QLocale::system());
}

TEST(InterfaceLocale, FrenchWhenNothingIsSaid) {
    const QLocale french = InterfaceLocale(Lang(u"C"_qs), InterfaceLanguageType::French);
    EXPECT_EQ(french.language(), QLocale::French);
    EXPECT_EQ(french.territory(), QLocale::France);
    EXPECT_EQ(french.toString(0.5, 'f', 1), u"0,5"_qs);
    EXPECT_EQ(InterfaceLocale({}, InterfaceLanguageType::French).language(), QLocale::French);
}
