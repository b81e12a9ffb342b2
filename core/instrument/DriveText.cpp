#include "instrument/DriveText.h"

#include <QByteArray>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == u'\r' || c == u'\n';
}

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

qsizetype SkipBlanks(QStringView value) {
    qsizetype i = 0;
    while (i < value.size() && IsBlank(value[i].unicode()))
        ++i;
    return i;
}

qsizetype SkipDigits(QStringView value, qsizetype i) {
    while (i < value.size() && IsDigit(value[i].unicode()))
        ++i;
    return i;
}

int LeadingIntOf(QStringView value) {
    qsizetype i = SkipBlanks(value);
    bool negative = false;
    if (i < value.size() && (value[i] == u'+' || value[i] == u'-'))
        negative = value[i++] == u'-';
    constexpr qint64 kCap = qint64(std::numeric_limits<int>::max()) + 1;
    qint64 magnitude = 0;
    for (; i < value.size() && IsDigit(value[i].unicode()); ++i)
        magnitude = std::min(kCap, magnitude * 10 + (value[i].unicode() - u'0'));
    if (negative)
        return static_cast<int>(-magnitude);
    return static_cast<int>(std::min(magnitude, kCap - 1));
}

// from_chars leaves an out-of-range value unset: too large saturates, too small vanishes, told
// apart by the decimal order of the first significant digit.
double OutOfRangeMagnitude(const QByteArray& number) {
    qsizetype e = number.indexOf('e');
    if (e < 0)
        e = number.indexOf('E');
    const QByteArray mantissa = e < 0 ? number : number.left(e);
    const qint64 exponent = e < 0 ? 0 : LeadingIntOf(QString::fromLatin1(number.mid(e + 1)));
    const qsizetype point = mantissa.indexOf('.') < 0 ? mantissa.size() : mantissa.indexOf('.');
    qint64 order = 0;
    for (qsizetype i = 0; i < mantissa.size(); ++i) {
        if (mantissa[i] >= '1' && mantissa[i] <= '9') {
            order = i < point ? point - i : point - i + 1;
            break;
        }
    }
    return order + exponent > 0 ? std::numeric_limits<double>::max() : 0.0;
}

} // namespace

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
    QString value = QString::fromLatin1(haystack.data() + begin, static_cast<qsizetype>(end - begin));
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

int LeadingInt(QStringView value) {
    return LeadingIntOf(value);
}

double LeadingDecimal(QStringView value) {
    qsizetype i = SkipBlanks(value);
    const qsizetype signAt = i;
    if (i < value.size() && (value[i] == u'+' || value[i] == u'-'))
        ++i;
    const qsizetype mantissaAt = i;
    qsizetype end = SkipDigits(value, i);
    bool digits = end > mantissaAt;
    if (end < value.size() && value[end] == u'.') {
        const qsizetype fractionEnd = SkipDigits(value, end + 1);
        digits = digits || fractionEnd > end + 1;
        end = fractionEnd;
    }
    if (!digits)
        return 0.0;
    // An exponent counts only when digits follow it, as strtod reads "2e" as 2.
    if (end < value.size() && (value[end] == u'e' || value[end] == u'E')) {
        qsizetype e = end + 1;
        if (e < value.size() && (value[e] == u'+' || value[e] == u'-'))
            ++e;
        const qsizetype exponentEnd = SkipDigits(value, e);
        if (exponentEnd > e)
            end = exponentEnd;
    }
    const QByteArray number = value.sliced(mantissaAt, end - mantissaAt).toLatin1();
    const bool negative = signAt < mantissaAt && value[signAt] == u'-';
    double magnitude = 0.0;
    const auto [ptr, error] =
        std::from_chars(number.constData(), number.constData() + number.size(), magnitude);
    (void)ptr;
    if (error == std::errc::result_out_of_range) {
        magnitude = OutOfRangeMagnitude(number);
    } else if (error != std::errc() || !std::isfinite(magnitude)) {
        magnitude = 0.0;
    }
    return negative ? -magnitude : magnitude;
}

int DriveTextInt(const char* text, int length, const char* key, int fallback) {
    bool found = false;
    const QString value = DriveTextValue(text, length, key, &found);
    return found ? LeadingInt(value) : fallback;
}

double DriveTextNumber(const char* text, int length, const char* key, double fallback) {
    bool found = false;
    const QString value = DriveTextValue(text, length, key, &found);
    return found ? LeadingDecimal(value) : fallback;
}
