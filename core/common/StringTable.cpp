#include "core/common/StringTable.h"

#include <algorithm>
#include <iterator>

namespace {

struct Entry {
    int id;
    const char16_t* text;
};

constexpr Entry kStrings[] = {
#define VEXLO_TEXT(id, name, text) {id, text},
#include "resources/strings_fr.inc"
#undef VEXLO_TEXT
};

constexpr bool SortedAndUnique() {
    for (std::size_t i = 1; i < std::size(kStrings); ++i)
        if (kStrings[i - 1].id >= kStrings[i].id)
            return false;
    return true;
}
static_assert(SortedAndUnique(), "the string table must be sorted by id, without duplicates");

const Entry* Find(int id) {
    const auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                                     [](const Entry& e, int key) { return e.id < key; });
    return it != std::end(kStrings) && it->id == id ? it : nullptr;
}

} // namespace

QString ResourceString(int id) {
    const Entry* e = Find(id);
    return e ? QString::fromUtf16(e->text) : QString();
}

QString FixedString(int id) {
    const Entry* e = Find(id);
    return e ? QString::fromUtf16(e->text) : QString();
}

bool HasResourceString(int id) {
    return Find(id) != nullptr;
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
