#pragma once

#include <QChar>
#include <QString>
#include <optional>

// A number typed by a user in a window or on a command line. Numbers read from files follow
// the file format's own, more forgiving rule instead.
//
// Accepted: blanks around, an optional sign, digits with at most one decimal mark (the
// locale's or "."), an optional exponent ("1e5"). Refused: anything else, digit grouping,
// NaN, infinities and values too large for a double.
std::optional<double> ParseUserNumber(const QString& text, QChar decimalMark);
// With the default locale's decimal mark.
std::optional<double> ParseUserNumber(const QString& text);

// The closed interval a typed number must lie in, with the message that refuses the others.
struct NumberRange {
    double lowest;
    double highest;

    bool Contains(double value) const { return value >= lowest && value <= highest; }
    // The typed text as a number of this range, or none.
    std::optional<double> Read(const QString& text) const;
    // "Entrez un nombre compris entre -100000 et 100000."
    QString RefusalText() const;
};

// The scale ends a user gives a linear channel: up to ±100000, never negative on the AC model.
inline constexpr double kScaleLimit = 100000.0;
inline constexpr NumberRange kScaleRange{-kScaleLimit, kScaleLimit};
inline constexpr NumberRange kNonNegativeScaleRange{0.0, kScaleLimit};
