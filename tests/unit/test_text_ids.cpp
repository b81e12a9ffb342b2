#include "core/common/StringTable.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

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
