#include "core/common/StringTable.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace {

struct NamedEntry {
    const char* name;
    int id;
    int namedId;
};

// Each entry of the table next to the constant generated for its name: a name the generator
// dropped or mistyped fails to compile here.
constexpr NamedEntry kEntries[] = {
#define VEXLO_TEXT(id, name, text) {#name, id, TextId::k##name},
#include "resources/strings_fr.inc"
#undef VEXLO_TEXT
};

TEST(TextIds, EveryNameIsTheIdOfItsEntry) {
    for (const NamedEntry& e : kEntries) {
        EXPECT_EQ(e.namedId, e.id) << e.name;
        EXPECT_TRUE(HasResourceString(e.namedId)) << e.name;
    }
}

TEST(TextIds, NamesAreUniqueAndCamelCase) {
    std::set<std::string> seen;
    for (const NamedEntry& e : kEntries) {
        EXPECT_TRUE(seen.insert(e.name).second) << "twice: " << e.name;
        EXPECT_TRUE(e.name[0] >= 'A' && e.name[0] <= 'Z') << e.name;
    }
}

TEST(TextIds, NamesReachTheTextsTheyStandFor) {
    EXPECT_EQ(ResourceString(TextId::kUnderRange), QStringLiteral("Sous la gamme"));
    EXPECT_EQ(ResourceString(TextId::kCommandZoomIn), QStringLiteral("Zoom avant"));
    EXPECT_EQ(ResourceString(TextId::kFileMenu), QStringLiteral("&Fichier"));
}

} // namespace

namespace {

constexpr NamedEntry kEnglishEntries[] = {
#define VEXLO_TEXT(id, name, text) {#name, id, TextId::k##name},
#include "resources/strings_en.inc"
#undef VEXLO_TEXT
};

// The placeholders of a text in order: "%s", "%d", "%1"..., which FormatResource fills in turn.
std::vector<QString> Placeholders(const QString& text) {
    std::vector<QString> found;
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'%')
            continue;
        const QChar c = text[i + 1];
        if (c == u's' || c == u'd' || c.isDigit() || c == u'%')
            found.push_back(text.mid(i, 2));
        ++i;
    }
    return found;
}

} // namespace

// Both languages hold the same numbers under the same names, each English text with the same
// placeholders in the same order, and menus keep a mnemonic where the French has one.
TEST(TextIds, TheEnglishTableMatchesTheFrenchOne) {
    EXPECT_EQ(ResourceIds(InterfaceLanguageType::English),
              ResourceIds(InterfaceLanguageType::French));
    for (const NamedEntry& e : kEnglishEntries) {
        EXPECT_EQ(e.namedId, e.id) << e.name << ": an English entry under another name";
        const QString french = ResourceStringIn(InterfaceLanguageType::French, e.id);
        const QString english = ResourceStringIn(InterfaceLanguageType::English, e.id);
        EXPECT_EQ(Placeholders(english), Placeholders(french)) << e.name;
        EXPECT_EQ(english.count(u'&') > 0, french.count(u'&') > 0) << e.name;
        EXPECT_FALSE(english.trimmed().isEmpty() && !french.trimmed().isEmpty()) << e.name;
    }
}

TEST(TextIds, TheLanguageChosenAtStartIsTheOneEveryTextIsIn) {
    const InterfaceLanguageType before = CurrentInterfaceLanguage();
    SetInterfaceLanguage(InterfaceLanguageType::English);
    EXPECT_EQ(ResourceString(TextId::kValue),
              ResourceStringIn(InterfaceLanguageType::English, TextId::kValue));
    EXPECT_EQ(FixedString(TextId::kValue),
              ResourceStringIn(InterfaceLanguageType::French, TextId::kValue))
        << "what files and scripts read stays French";
    SetInterfaceLanguage(InterfaceLanguageType::French);
    EXPECT_EQ(ResourceString(TextId::kValue), FixedString(TextId::kValue));
    SetInterfaceLanguage(before);
}
