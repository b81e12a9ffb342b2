#include "core/common/LeadingNumber.h"

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

bool IsBlank(char16_t c, LeadingBlankType blanks) {
    if (c == u' ' || c == u'\t')
        return true;
    return blanks == LeadingBlankType::CSpace &&
           (c == u'\v' || c == u'\f' || c == u'\r' || c == u'\n');
}

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

qsizetype SkipBlanks(QStringView value, LeadingBlankType blanks) {
    qsizetype i = 0;
    while (i < value.size() && IsBlank(value[i].unicode(), blanks))
        ++i;
    return i;
}

qsizetype SkipDigits(QStringView value, qsizetype i) {
    while (i < value.size() && IsDigit(value[i].unicode()))
        ++i;
    return i;
}

// from_chars leaves an out-of-range value unset: too large saturates, too small vanishes, told
// apart by the decimal order of the first significant digit.
double OutOfRangeMagnitude(const QByteArray& number) {
    qsizetype e = number.indexOf('e');
    if (e < 0)
        e = number.indexOf('E');
    const QByteArray mantissa = e < 0 ? number : number.left(e);
    const qint64 exponent =
        e < 0 ? 0 : LeadingInt(QString::fromLatin1(number.mid(e + 1)), LeadingBlankType::CSpace);
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

int64_t LeadingInteger(QStringView value, LeadingBlankType blanks, int64_t lowest,
                       int64_t highest) {
    qsizetype i = SkipBlanks(value, blanks);
    bool negative = false;
    if (i < value.size() && (value[i] == u'+' || value[i] == u'-'))
        negative = value[i++] == u'-';
    // The magnitude is kept unsigned so that the lowest value's, one more than the highest's in
    // the full 64-bit range, fits too.
    const uint64_t cap =
        negative ? uint64_t{0} - static_cast<uint64_t>(lowest) : static_cast<uint64_t>(highest);
    uint64_t magnitude = 0;
    for (; i < value.size() && IsDigit(value[i].unicode()); ++i) {
        const auto digit = static_cast<uint64_t>(value[i].unicode() - u'0');
        magnitude = digit > cap || magnitude > (cap - digit) / 10 ? cap : magnitude * 10 + digit;
    }
    return static_cast<int64_t>(negative ? uint64_t{0} - magnitude : magnitude);
}

int LeadingInt(QStringView value, LeadingBlankType blanks) {
    return static_cast<int>(LeadingInteger(value, blanks, std::numeric_limits<int>::min(),
                                           std::numeric_limits<int>::max()));
}

double LeadingDecimal(QStringView value) {
    qsizetype i = SkipBlanks(value, LeadingBlankType::CSpace);
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
