#include "core/common/LeadingNumber.h"

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

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
