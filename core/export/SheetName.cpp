#include "core/export/SheetName.h"

#include "core/common/FileNames.h"

namespace {

constexpr qsizetype kMaxLength = 31;
// Leaves room for a number of up to three digits.
constexpr qsizetype kRenumberedLength = 28;

// At most `length` code units, never half of a surrogate pair.
QString Leading(const QString& text, qsizetype length) {
    if (text.size() <= length)
        return text;
    if (length > 0 && text[length - 1].isHighSurrogate())
        --length;
    return text.left(length);
}

void Clean(QString& name) {
    MakeSafeName(name);
    name.removeIf([](QChar c) { return c == u'[' || c == u']' || c == u'\0' || c == u'\x03'; });
    if (name == u"'")
        name.clear();
    if (name.startsWith(u'\''))
        name.remove(0, 1);
    if (name.endsWith(u'\''))
        name.chop(1);
}

} // namespace

QString MakeSheetName(const QString& wanted, unsigned number, const QStringList& taken) {
    QString name = Leading(wanted, kMaxLength);
    Clean(name);
    // A name that cleaning empties is as good as none.
    if (name.isEmpty())
        name = QString::number(number);
    while (taken.contains(name, Qt::CaseInsensitive)) {
        if (name.size() >= kMaxLength)
            name.truncate(kRenumberedLength);
        name = AppendNameNumber(name, 2);
    }
    return name;
}

QString ContinuationSheetName(const QString& first, int number) {
    const QString suffix = QStringLiteral(" (%1)").arg(number);
    return Leading(first, kMaxLength - suffix.size()) + suffix;
}
