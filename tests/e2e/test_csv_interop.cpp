// Our CSV read by a spreadsheet program that is not ours: LibreOffice converts it to a
// workbook in a French and in an English locale, and the values must arrive as numbers.

#include "support/SessionImageBuilder.h"
#include "support/WorksheetCells.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <utility>

namespace {

using namespace Qt::StringLiterals;

struct LocaleCase {
    QString lang;         // LANG of the export
    QString officeLocale; // the spreadsheet program's locale
    int separator;        // what the import is told, as the user would pick it
};

QByteArray RunTool(const QString& program, const QStringList& args, const QProcessEnvironment& env,
                   int timeoutMs) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs) || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString()
                      << " failed: " << p.readAllStandardError().toStdString();
        return {};
    }
    return p.readAllStandardOutput();
}

// Prints the text of cell D1 of the first sheet of the workbook named by its argument.
const char* const kTitleCellScript = R"py(
import re, sys, zipfile
import xml.etree.ElementTree as ET
z = zipfile.ZipFile(sys.argv[1])
ns = {'m': 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'}
sheet = ET.fromstring(z.read('xl/worksheets/sheet1.xml'))
cell = sheet.find(".//m:c[@r='D1']", ns)
if cell.get('t') == 's':
    strings = ET.fromstring(z.read('xl/sharedStrings.xml'))
    si = strings.findall('m:si', ns)[int(cell.find('m:v', ns).text)]
    sys.stdout.write(''.join(t.text or '' for t in si.iter('{%s}t' % ns['m'])))
else:
    sys.stdout.write(''.join(t.text or '' for t in cell.iter() if t.tag.endswith('}t')))
)py";

// A unit a user may type: both separators, a double quote and leading spaces.
constexpr char kOddUnit[] = "  \"m;s\", h";

} // namespace

TEST(CsvInterop, LibreOfficeReadsTheValuesAsNumbersInFrenchAndEnglish) {
    const QString office = QStandardPaths::findExecutable(u"soffice"_s);
    if (office.isEmpty())
        GTEST_SKIP() << "soffice missing: the LibreOffice check of the CSV export is skipped";
    QTemporaryDir dir;
    SessionImageBuilder b;
    b.Set("Model", "2").Set("VRef", "2.5").Set("MaxCnt", "25000").Set("Ch1Units", kOddUnit);
    b.Samples({5000, 12345, 20001, 7});
    const QString session = dir.filePath(u"s.vx"_s);
    {
        QFile f(session);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(b.Build());
    }
    for (const LocaleCase& c : {LocaleCase{u"fr_FR.UTF-8"_s, u"fr-FR"_s, 59},
                                LocaleCase{u"en_US.UTF-8"_s, u"en-US"_s, 44}}) {
        SCOPED_TRACE(c.lang.toStdString());
        const QString base = dir.filePath(c.officeLocale);
        ASSERT_TRUE(QDir().mkpath(base + u"/profile/user"_s));
        ASSERT_TRUE(QDir().mkpath(base + u"/home"_s));
        ASSERT_TRUE(QDir().mkpath(base + u"/config"_s));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"LANG"_s, c.lang);
        env.insert(u"LC_ALL"_s, c.lang);
        env.insert(u"HOME"_s, base + u"/home"_s);
        env.insert(u"XDG_CONFIG_HOME"_s, base + u"/config"_s);
        const QString csv = base + u"/values.csv"_s;
        RunTool(QStringLiteral(VEXLO_CLI), {u"export"_s, session, csv}, env, 30000);

        // The program's locale, in a profile of its own.
        QFile settings(base + u"/profile/user/registrymodifications.xcu"_s);
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Setup/L10N"><prop oor:name="ooSetupSystemLocale" oor:op="fuse"><value>)" +
                       c.officeLocale.toUtf8() + "</value></prop></item>\n</oor:items>\n");
        settings.close();
        RunTool(office,
                {u"-env:UserInstallation=file://"_s + base + u"/profile"_s, u"--headless"_s,
                 u"--infilter=CSV:%1,34,76,1"_s.arg(c.separator), u"--convert-to"_s, u"xlsx"_s,
                 u"--outdir"_s, base, csv},
                env, 180000);

        QFile written(csv);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(written.readAll().mid(3)).split(u"\r\n"_s);
        const QStringList cells = QString::fromUtf8(RunTool(u"python3"_s,
                                                            {u"-c"_s, WorksheetColumnScript(u'C'),
                                                             base + u"/values.xlsx"_s},
                                                            env, 30000))
                                      .split(u'\n', Qt::SkipEmptyParts);
        ASSERT_EQ(cells.size(), 4) << cells.join(u'|').toStdString();
        for (int i = 0; i < cells.size(); ++i) {
            QString expected = lines.at(i + 1).section(QChar(c.separator), 2, 2);
            expected.replace(u',', u'.');
            EXPECT_EQ(cells[i], u"n "_s + expected) << "row " << i + 2;
        }
        const QByteArray title = RunTool(
            u"python3"_s, {u"-c"_s, QString::fromUtf8(kTitleCellScript), base + u"/values.xlsx"_s},
            env, 30000);
        EXPECT_EQ(title.toStdString(), kOddUnit) << "the unit column's title";
    }
}

// Python's csv reader gives back the unit a user typed whole, and every row with as many
// fields as the title row, in French (";") and in English (",").
TEST(CsvInterop, PythonReadsBackAUnitHoldingSeparatorsAQuoteAndLeadingSpaces) {
    QTemporaryDir dir;
    SessionImageBuilder b;
    b.Set("Model", "4").Set("VRef", "1").Set("MaxCnt", "100").Set("Ch1Units", kOddUnit);
    b.Set("Ch1LowScale", "00000000").Set("Ch1HighScale", "0000C842");
    b.Samples({300, 1200, 2000});
    const QString session = dir.filePath(u"s.vx"_s);
    {
        QFile f(session);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(b.Build());
    }
    const QString script = uR"py(
import csv, json, sys
with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:
    print(json.dumps(list(csv.reader(f, delimiter=sys.argv[2], strict=True))))
)py"_s;
    for (const auto& [lang, separator] :
         {std::pair{u"fr_FR.UTF-8"_s, u";"_s}, std::pair{u"en_US.UTF-8"_s, u","_s}}) {
        SCOPED_TRACE(lang.toStdString());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"LANG"_s, lang);
        env.insert(u"LC_ALL"_s, lang);
        const QString csv = dir.filePath(lang + u".csv"_s);
        RunTool(QStringLiteral(VEXLO_CLI), {u"export"_s, session, csv}, env, 30000);
        const QJsonArray rows =
            QJsonDocument::fromJson(
                RunTool(u"python3"_s, {u"-c"_s, script, csv, separator}, env, 30000))
                .array();
        ASSERT_EQ(rows.size(), 4);
        const QJsonArray titles = rows[0].toArray();
        ASSERT_EQ(titles.size(), 5);
        EXPECT_EQ(titles[3].toString().toStdString(), kOddUnit);
        EXPECT_EQ(titles[4].toString(), u"ISO 8601"_s);
        for (int r = 1; r < rows.size(); ++r) {
            const QJsonArray row = rows[r].toArray();
            ASSERT_EQ(row.size(), 5) << "row " << r;
            EXPECT_TRUE(row[4].toString().startsWith(u"2024-03-05T14:07:"_s)) << "row " << r;
        }
        EXPECT_TRUE(rows[2].toArray()[2].toString().startsWith(u"50"_s))
            << rows[2].toArray()[2].toString().toStdString();
    }
}
