#pragma once

#include <QString>
#include <QStringList>

// A name a reader accepts for the sheet numbered `number`, different, regardless of case,
// from every name in `taken`.
QString MakeSheetName(const QString& wanted, unsigned number, const QStringList& taken);
// The name of continuation `number` (1, 2, ...) of the sheet named `first`: "first (number)",
// the first name shortened so that the number always fits.
QString ContinuationSheetName(const QString& first, int number);
