#pragma once

#include <QChar>
#include <QString>

// The decimal separator of the default locale ("." when it has none).
QChar LocalDecimalSeparator();
// printf("%.*f") with the locale's decimal separator and no digit grouping.
QString FormatFixed(double value, int decimals);
QString FormatMeasurement(int decimals, double value, int stepDivisor);
QString FormatTrimmed(unsigned decimals, double value);
