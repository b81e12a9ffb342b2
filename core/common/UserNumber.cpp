#include "core/common/UserNumber.h"

#include "core/common/StringTable.h"
#include "core/common/ValueFormat.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The text in the one form from_chars reads, or empty when it is not a plain decimal number;
// checked by hand because from_chars alone would take "inf", "nan" and a partial read.
std::string Normalised(const QString& text, QChar decimalMark) {
    const QString trimmed = text.trimmed();
    std::string out;
    out.reserve(static_cast<std::size_t>(trimmed.size()));
    for (const QChar c : trimmed) {
        if (c == decimalMark || c == u'.')
            out += '.';
        else if (c.unicode() < 0x80)
            out += static_cast<char>(c.unicode());
        else
            return {};
    }
    std::size_t i = 0;
    if (i < out.size() && (out[i] == '+' || out[i] == '-'))
        ++i;
    std::size_t digits = 0;
    for (; i < out.size() && IsDigit(out[i]); ++i)
        ++digits;
    if (i < out.size() && out[i] == '.')
        for (++i; i < out.size() && IsDigit(out[i]); ++i)
            ++digits;
    if (digits == 0)
        return {};
    if (i < out.size() && (out[i] == 'e' || out[i] == 'E')) {
        ++i;
        if (i < out.size() && (out[i] == '+' || out[i] == '-'))
            ++i;
        const std::size_t exponentStart = i;
        for (; i < out.size() && IsDigit(out[i]); ++i) {
        }
        if (i == exponentStart)
            return {};
    }
    if (i != out.size())
        return {};
    // from_chars takes no leading "+".
    if (out.front() == '+')
        out.erase(0, 1);
    return out;
}

} // namespace

std::optional<double> ParseUserNumber(const QString& text, QChar decimalMark) {
    const std::string plain = Normalised(text, decimalMark);
    if (plain.empty())
        return std::nullopt;
    double value = 0.0;
    const char* end = plain.data() + plain.size();
    const auto [at, error] = std::from_chars(plain.data(), end, value);
    if (error != std::errc() || at != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> ParseUserNumber(const QString& text) {
    return ParseUserNumber(text, LocalDecimalSeparator());
}

std::optional<double> NumberRange::Read(const QString& text) const {
    const std::optional<double> value = ParseUserNumber(text);
    return value && Contains(*value) ? value : std::nullopt;
}

QString NumberRange::RefusalText() const {
    return FormatResource(TextId::kNumberRange,
                          {QString::number(lowest, 'g', 7), QString::number(highest, 'g', 7)});
}
