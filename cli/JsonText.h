#pragma once

#include <QString>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

// Pieces of JSON text, written by hand so that long value lists stream out without
// building a document in memory.
namespace JsonText {

inline std::string String(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    std::string out;
    out.reserve(static_cast<std::size_t>(utf8.size()) + 2);
    out += '"';
    for (const char c : utf8) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
                out += buf;
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

// Shortest text that reads back as the same double. Whole numbers are written in full, as a
// script expects a count of seconds to look, up to where JavaScript itself turns to an exponent.
// JSON has no word for a number that is not finite: such a value is null.
inline std::string Number(double v) {
    if (!std::isfinite(v))
        return "null";
    constexpr double kWholeInFullBelow = 1e21;
    const bool whole = std::fabs(v) < kWholeInFullBelow && std::trunc(v) == v;
    char buf[32];
    const auto r = whole ? std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed)
                         : std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

inline std::string Number(int64_t v) {
    return std::to_string(v);
}

inline std::string Bool(bool b) {
    return b ? "true" : "false";
}

} // namespace JsonText
