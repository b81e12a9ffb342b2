#pragma once

#include <QStringView>

// Numbers at the start of a text as C reads them: atoi's integer, clamped to the int range,
// and strtod's decimal in the C locale, finite; 0 when no number starts the text.
int LeadingInt(QStringView value);
double LeadingDecimal(QStringView value);
