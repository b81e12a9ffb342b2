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

TEST(InterfaceLocale, FrenchWhenNothingIsSaid) {
    const QLocale french = InterfaceLocale(Lang(u"C"_qs));
    EXPECT_EQ(french.language(), QLocale::French);
    EXPECT_EQ(french.territory(), QLocale::France);
    EXPECT_EQ(french.toString(0.5, 'f', 1), u"0,5"_qs);
    EXPECT_EQ(InterfaceLocale({}).language(), QLocale::French);
    EXPECT_EQ(InterfaceLocale(Lang(u"de_DE.UTF-8"_qs)), QLocale::system())
        << "a chosen locale is the system's, as Qt reads it";
}
