#pragma once

#include <QString>
#include <QStringList>

// A name a reader accepts for the sheet numbered `number`, different, regardless of case,
// from every name in `taken`.
QString MakeSheetName(const QString& wanted, unsigned number, const QStringList& taken);
