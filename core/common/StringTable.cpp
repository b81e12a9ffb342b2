#include "core/common/StringTable.h"

#include <algorithm>
#include <iterator>
#include <span>

namespace {

struct Entry {
    int id;
    const char16_t* text;
};

#define VEXLO_TEXT(id, name, text) {id, text},
constexpr Entry kFrench[] = {
#include "resources/strings_fr.inc"
};
constexpr Entry kEnglish[] = {
#include "resources/strings_en.inc"
};
#undef VEXLO_TEXT

template <std::size_t N> constexpr bool SortedAndUnique(const Entry (&table)[N]) {
    for (std::size_t i = 1; i < N; ++i)
        if (table[i - 1].id >= table[i].id)
            return false;
    return true;
}
static_assert(SortedAndUnique(kFrench), "the French texts must be sorted by id, once each");
static_assert(SortedAndUnique(kEnglish), "the English texts must be sorted by id, once each");

// Chosen once at start, before any text is shown.
InterfaceLanguageType gLanguage = InterfaceLanguageType::French;

std::span<const Entry> TableOf(InterfaceLanguageType language) {
    if (language == InterfaceLanguageType::English)
        return kEnglish;
    return kFrench;
}

const Entry* Find(std::span<const Entry> table, int id) {
    const auto it = std::lower_bound(table.begin(), table.end(), id,
                                     [](const Entry& e, int key) { return e.id < key; });
    return it != table.end() && it->id == id ? &*it : nullptr;
}

// A text missing from a language (a test keeps the tables in step) falls back to French.
QString TextIn(InterfaceLanguageType language, int id) {
    const Entry* e = Find(TableOf(language), id);
    if (!e)
        e = Find(kFrench, id);
    return e ? QString::fromUtf16(e->text) : QString();
}

} // namespace

void SetInterfaceLanguage(InterfaceLanguageType language) {
    gLanguage = language;
}

InterfaceLanguageType CurrentInterfaceLanguage() {
    return gLanguage;
}

QString ResourceString(int id) {
    return TextIn(gLanguage, id);
}

QString FixedString(int id) {
    return TextIn(InterfaceLanguageType::French, id);
}

QString ResourceStringIn(InterfaceLanguageType language, int id) {
    return TextIn(language, id);
}

std::vector<int> ResourceIds(InterfaceLanguageType language) {
    std::vector<int> ids;
    for (const Entry& e : TableOf(language))
        ids.push_back(e.id);
    return ids;
}

bool HasResourceString(int id) {
    return Find(kFrench, id) != nullptr;
}

QString FormatResource(int id, std::initializer_list<QString> args) {
    const QString text = ResourceString(id);
    QString out;
    out.reserve(text.size() + 64);
    auto next = args.begin();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'%' && i + 1 < text.size()) {
            const QChar c = text[i + 1];
            if (c == u'%') {
                out += u'%';
                ++i;
                continue;
            }
            if (c == u's' || c == u'd' || c.isDigit()) {
                if (next != args.end())
                    out += *next++;
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}
