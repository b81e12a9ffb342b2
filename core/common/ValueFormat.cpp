#include "core/common/ValueFormat.h"

#include "core/common/Rounding.h"

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

// Enough for the widest double in fixed notation (309 digits) with the largest precision we
// accept.
constexpr int kMaxDecimals = 100;
constexpr int kFixedBufferSize = 320 + kMaxDecimals;

QString WithSeparator(const char* text, qsizetype length, QChar separator) {
    QString out(length, Qt::Uninitialized);
    QChar* dst = out.data();
    for (qsizetype i = 0; i < length; ++i)
        dst[i] = text[i] == '.' ? separator : QChar::fromLatin1(text[i]);
    return out;
}

int PowerOfTen(int exponent) {
    // 10^9 is the largest power of ten an int holds.
    const int n = std::clamp(exponent, 0, 9);
    int p = 1;
    for (int i = 0; i < n; ++i)
        p *= 10;
    return p;
}

int ShownDecimals(int decimals, double v) {
    const double a = std::fabs(v);
    const int most = a >= 1000.0 ? 0 : a >= 100.0 ? 1 : a >= 10.0 ? 2 : 3;
    return std::clamp(decimals, 0, most);
}

} // namespace

QChar LocalDecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QChar(u'.') : point.front();
}

QString FormatFixed(double value, int decimals) {
    char buffer[kFixedBufferSize];
    const int precision = std::clamp(decimals, 0, kMaxDecimals);
    // to_chars never looks at the C locale and rounds the exact binary value as printf does.
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
    if (ec != std::errc())
        return QString();
    return WithSeparator(buffer, end - buffer, LocalDecimalSeparator());
}

QString FormatMeasurement(int decimals, double value, int stepDivisor) {
    double v = value;
    if (v < 0.0 || stepDivisor > 1) {
        int step = PowerOfTen(decimals);
        if (stepDivisor > 1)
            step /= stepDivisor;
        v = RoundToStep(SaturatingRound(step), v);
    }
    return FormatFixed(v, ShownDecimals(decimals, v));
}

QString FormatTrimmed(unsigned decimals, double value) {
    QString text = FormatFixed(value, static_cast<int>(std::min(decimals, 1000u)));
    const QChar separator = LocalDecimalSeparator();
    if (text.isEmpty() || !text.contains(separator))
        return text;
    while (text.size() > 2 && text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(separator))
        text.chop(1);
    return text;
}
