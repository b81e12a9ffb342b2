#pragma once

#include <QString>

// A Python script that prints "type value" for each cell of one column of the first sheet of
// the workbook named by its argument, below the title row, as stored in the file: what a
// reader finds there, without going through our own reading code.
inline QString WorksheetColumnScript(QChar column) {
    return QStringLiteral(R"py(
import re, sys, zipfile
xml = zipfile.ZipFile(sys.argv[1]).read('xl/worksheets/sheet1.xml').decode()
for m in re.finditer(r'<c r="%1(\d+)"([^>]*)>(.*?)</c>', xml):
    if int(m.group(1)) < 2:
        continue
    kind = re.search(r't="(\w+)"', m.group(2))
    value = re.search(r'<v>(.*?)</v>', m.group(3))
    print((kind.group(1) if kind else 'n'), value.group(1) if value else '')
)py")
        .arg(column);
}
