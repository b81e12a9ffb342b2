#include "core/instrument/DriveText.h"

#include <QByteArray>
#include <cstring>
#include <string_view>

QString DriveTextValue(const char* text, int length, const char* key, bool* found) {
    if (found)
        *found = false;
    if (!text || !key || length <= 0)
        return {};
    const std::string_view haystack(text, static_cast<std::size_t>(length));
    const std::string_view needle(key);
    if (needle.empty())
        return {};
    const std::size_t at = haystack.find(needle);
    if (at == std::string_view::npos)
        return {};
    const std::size_t begin = at + needle.size();
    std::size_t end = begin;
    while (end < haystack.size() && haystack[end] != '\0' && haystack[end] != '\r' &&
           haystack[end] != '\n')
        ++end;
    if (found)
        *found = true;
    QString value =
        QString::fromLatin1(haystack.data() + begin, static_cast<qsizetype>(end - begin));
    // The value ends up on a terminal or in a list: a control byte must not act there.
    for (QChar& c : value) {
        const char16_t u = c.unicode();
        if (u == u'\t' || u == u'\v' || u == u'\f')
            c = u' ';
        else if (u < 0x20 || (u >= 0x7F && u < 0xA0))
            c = QChar(QChar::ReplacementCharacter);
    }
    return value;
}

int DriveTextInt(const char* text, int length, const char* key, int fallback) {
    bool found = false;
    const QString value = DriveTextValue(text, length, key, &found);
    return found ? LeadingInt(value, LeadingBlankType::CSpace) : fallback;
}

double DriveTextNumber(const char* text, int length, const char* key, double fallback) {
    bool found = false;
    const QString value = DriveTextValue(text, length, key, &found);
    return found ? LeadingDecimal(value) : fallback;
}
