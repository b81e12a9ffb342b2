#pragma once

#include <QByteArray>
#include <QStringView>

// The texts that go into cells and sheet XML.
namespace CellText {

// Longest text AppendNumber writes: sign, 17 digits, the point and an exponent of "e-308".
constexpr int kMaxNumberLength = 24;

// The A1 letters of a 1-based column (1 "A", 27 "AA"); returns the end of what it wrote
// (three letters at most for the 16,384 columns of a sheet).
char* AppendColumnLetters(char* out, unsigned column);
QByteArray ColumnLetters(unsigned column);

// A number cell's value: rounded to 12 decimals below 1, 6 below 1000 and 3 above, by
// magnitude, trailing zeros dropped, always "-" and "."; a value too large for its decimals
// in 64 bits in the shortest exponent form that reads back as the same value ("1.7e+38").
// Returns the end of what it wrote, or nullptr for a value that is not finite.
char* AppendNumber(char* out, double value);

// UTF-8 with the five XML entities; characters XML cannot carry are left out.
void AppendEscaped(QByteArray& out, QStringView text);

} // namespace CellText
