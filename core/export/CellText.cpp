#include "core/export/CellText.h"

#include <QString>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace CellText {

namespace {

constexpr double kPowersOfTen[] = {1.0, 1e1, 1e2, 1e3,  1e4,  1e5, 1e6,
                                   1e7, 1e8, 1e9, 1e10, 1e11, 1e12};

int DecimalsFor(double magnitude) {
    if (magnitude >= 1000.0)
        return 3;
    return magnitude >= 1.0 ? 6 : 12;
}

// XML 1.0 allows tab, line feed and carriage return below the space, and no U+FFFE/U+FFFF.
bool IsXmlCharacter(char16_t c) {
    return c >= 0x20 ? c < 0xFFFE : c == 0x09 || c == 0x0A || c == 0x0D;
}

} // namespace

char* AppendColumnLetters(char* out, unsigned column) {
    char reversed[8];
    int count = 0;
    while (column > 0) {
        --column;
        reversed[count++] = static_cast<char>('A' + column % 26);
        column /= 26;
    }
    while (count > 0)
        *out++ = reversed[--count];
    return out;
}

QByteArray ColumnLetters(unsigned column) {
    char letters[8];
    return QByteArray(letters, AppendColumnLetters(letters, column) - letters);
}

char* AppendNumber(char* out, double value) {
    const int decimals = DecimalsFor(std::fabs(value));
    const double scaled = value * kPowersOfTen[decimals];
    if (!std::isfinite(value))
        return nullptr;
    // The figure a file holds is kept, if not in the fixed decimals.
    if (!(scaled >= -0x1p63 && scaled < 0x1p63))
        return std::to_chars(out, out + kMaxNumberLength, value, std::chars_format::scientific).ptr;
    const long long rounded = std::llround(scaled); // halves away from zero
    const unsigned long long magnitude = rounded < 0
                                             ? 0ULL - static_cast<unsigned long long>(rounded)
                                             : static_cast<unsigned long long>(rounded);
    // At least one digit before the point.
    char digits[32];
    const int length =
        static_cast<int>(std::to_chars(digits, digits + sizeof digits, magnitude).ptr - digits);
    const int padded = std::max(length, decimals + 1);
    std::memmove(digits + padded - length, digits, static_cast<size_t>(length));
    std::memset(digits, '0', static_cast<size_t>(padded - length));
    const int integerDigits = padded - decimals;
    int kept = decimals;
    while (kept > 0 && digits[integerDigits + kept - 1] == '0')
        --kept;
    if (rounded < 0)
        *out++ = '-';
    std::memcpy(out, digits, static_cast<size_t>(integerDigits));
    out += integerDigits;
    if (kept > 0) {
        *out++ = '.';
        std::memcpy(out, digits + integerDigits, static_cast<size_t>(kept));
        out += kept;
    }
    return out;
}

void AppendEscaped(QByteArray& out, QStringView text) {
    QString clean;
    const bool allValid =
        std::all_of(text.begin(), text.end(), [](QChar c) { return IsXmlCharacter(c.unicode()); });
    if (!allValid) {
        clean.reserve(text.size());
        for (QChar c : text)
            if (IsXmlCharacter(c.unicode()))
                clean += c;
    }
    const QByteArray utf8 = allValid ? text.toUtf8() : clean.toUtf8();
    for (const char c : utf8) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out += c;
        }
    }
}

} // namespace CellText
