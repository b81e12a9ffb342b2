// A workbook of ours read by a reader that is not ours: Python's zipfile checks every
// CRC-32, openpyxl reads sheets, panes, cells, types, formats and borders.

#include "export/CXLSData.h"
#include "export/WorkbookProgress.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr int kReaderMissing = 3;

// Dumps the first rows of every sheet, and its last row, as JSON.
const char kReaderScript[] = R"(
import json, sys, zipfile
try:
    import openpyxl
except ImportError:
    sys.exit(3)
path = sys.argv[1]
with zipfile.ZipFile(path) as z:
    bad = z.testzip()
    entries = {i.filename: i.file_size for i in z.infolist()}
book = openpyxl.load_workbook(path)
sheets = []
for ws in book.worksheets:
    rows = list(ws.iter_rows(max_row=20)) + [ws[ws.max_row]]
    cells = {}
    for row in rows:
        for c in row:
            if c.value is not None:
                cells[c.coordinate] = {"value": c.value, "type": c.data_type,
                                       "format": c.number_format,
                                       "bottom": c.border.bottom.style,
                                       "left": c.border.left.style}
    widths = {k: d.width for k, d in ws.column_dimensions.items()}
    sheets.append({"title": ws.title, "freeze": ws.freeze_panes, "maxRow": ws.max_row,
                   "cells": cells, "widths": widths})
print(json.dumps({"badEntry": bad, "entries": entries, "sheets": sheets}))
)";

class SilentProgress : public WorkbookProgress {
public:
    void Report(qint64, qint64) override {}
    bool CancelRequested() override { return false; }
};

struct ReaderRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

ReaderRun RunReader(const QString& python, const QString& path) {
    QProcess p;
    p.start(python, {QStringLiteral("-c"), QString::fromUtf8(kReaderScript), path});
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

class XlsxInteropTest : public testing::Test {
protected:
    // The first python3 that has openpyxl; skipped when there is none.
    QJsonObject Read(const QString& path) {
        QStringList candidates;
        for (const QString& p : {QStandardPaths::findExecutable(QStringLiteral("python3")),
                                 QStringLiteral("/usr/bin/python3")})
            if (!p.isEmpty() && !candidates.contains(p))
                candidates << p;
        for (const QString& python : candidates) {
            const ReaderRun run = RunReader(python, path);
            if (run.status == kReaderMissing || run.status == -1)
                continue;
            EXPECT_EQ(run.status, 0) << run.err.constData();
            return QJsonDocument::fromJson(run.out).object();
        }
        m_skipped = true;
        return {};
    }

    QString Path() const { return m_dir.filePath(QStringLiteral("interop.xlsx")); }

    QTemporaryDir m_dir;
    bool m_skipped = false;
};

QJsonObject Cell(const QJsonObject& sheet, const char* reference) {
    return sheet["cells"].toObject()[reference].toObject();
}

TEST_F(XlsxInteropTest, AReaderSeesSheetsPanesCellsAndFormats) {
    CXLSData data;
    ASSERT_TRUE(data.Open(Path()));
    data.AddSheet(QStringLiteral("Configuration"), 0, 0);
    data.AddText(u"Vexlo, version 1.1.0000");
    data.NewRows(2);
    data.AddText(u"Nom", CellStyleType::BottomBorder);
    data.AddText(u"Valeur", CellStyleType::BottomBorder);
    data.NewRows(1);
    data.AddText(u"En-tête");
    data.AddText(u"Température & <humidité> \"x\" 'y'");
    data.NewRows(1);
    data.AddText(u"Cadre", CellStyleType::Boxed);

    data.AddSheet(QStringLiteral("DataPoints"), 2, 2);
    data.AddText(u"Date", CellStyleType::BottomBorder);
    data.AddText(u"Time", CellStyleType::BottomBorder);
    data.AddText(u"Valeur", CellStyleType::BottomBorder);
    data.AddText(u"°C");
    const double values[] = {-0.5, 2.5, 1234.5678, -10000000, 0.1, 1e19, 0};
    // Enough rows for the sheet to stream past its first flush.
    const int rows = 40000;
    for (int r = 0; r < rows; ++r) {
        data.NewRows(1);
        data.AddText(QStringLiteral("2024/03/%1").arg(5 + r / 15000, 2, 10, QLatin1Char('0')),
                     CellStyleType::Date);
        data.AddText(QStringLiteral("14:07:%1").arg(r % 60, 2, 10, QLatin1Char('0')),
                     CellStyleType::TimeOfDay);
        data.AddNumber(r < 7 ? values[r] : r * 0.25);
    }
    data.AddSheet(QStringLiteral("DataPoints"), 2, 2);
    data.AddSheet(QStringLiteral("a/b:c"), 0, 0);
    SilentProgress progress;
    ASSERT_EQ(data.Close(progress).type, WorkbookCloseType::Done);

    const QJsonObject book = Read(Path());
    if (m_skipped)
        GTEST_SKIP() << "python3 with openpyxl is not installed";
    EXPECT_TRUE(book["badEntry"].isNull());
    EXPECT_EQ(book["entries"].toObject().size(), 4 + 6);
    EXPECT_GT(book["entries"].toObject()["xl/worksheets/sheet2.xml"].toDouble(), 5000000);
    const QJsonArray sheets = book["sheets"].toArray();
    ASSERT_EQ(sheets.size(), 4);
    QStringList titles;
    for (const QJsonValue& s : sheets)
        titles << s["title"].toString();
    EXPECT_EQ(titles, QStringList({"Configuration", "DataPoints", "DataPoints2", "abc"}));

    const QJsonObject config = sheets[0].toObject();
    EXPECT_TRUE(config["freeze"].isNull());
    EXPECT_EQ(Cell(config, "A1")["value"].toString(), "Configuration");
    EXPECT_EQ(Cell(config, "A1")["bottom"].toString(), "medium");
    EXPECT_EQ(Cell(config, "A2")["type"].toString(), "s");
    EXPECT_EQ(Cell(config, "B4")["value"].toString(), "Valeur");
    EXPECT_EQ(Cell(config, "B4")["bottom"].toString(), "medium");
    EXPECT_EQ(Cell(config, "A5")["value"].toString(), "En-tête");
    EXPECT_EQ(Cell(config, "B5")["value"].toString(), "Température & <humidité> \"x\" 'y'");
    EXPECT_EQ(Cell(config, "A6")["left"].toString(), "medium");
    EXPECT_EQ(Cell(config, "A6")["bottom"].toString(), "medium");
    EXPECT_EQ(config["widths"].toObject()["A"].toDouble(), 24.0);

    const QJsonObject points = sheets[1].toObject();
    EXPECT_EQ(points["freeze"].toString(), "C3");
    EXPECT_EQ(points["maxRow"].toInt(), rows + 2);
    EXPECT_EQ(Cell(points, "D2")["value"].toString(), "°C");
    EXPECT_EQ(Cell(points, "A3")["value"].toString(), "2024/03/05");
    EXPECT_EQ(Cell(points, "A3")["format"].toString(), "m/d/yyyy");
    EXPECT_EQ(Cell(points, "B3")["value"].toString(), "14:07:00");
    EXPECT_EQ(Cell(points, "B3")["format"].toString(), "[$-F400]h:mm:ss\\ AM/PM");
    const std::pair<const char*, double> numbers[] = {
        {"C3", -0.5}, {"C4", 2.5}, {"C5", 1234.568}, {"C6", -10000000}, {"C7", 0.1}, {"C9", 0}};
    for (const auto& [reference, value] : numbers) {
        EXPECT_EQ(Cell(points, reference)["type"].toString(), "n") << reference;
        EXPECT_EQ(Cell(points, reference)["value"].toDouble(), value) << reference;
        EXPECT_EQ(Cell(points, reference)["format"].toString(), "GENERAL") << reference;
    }
    EXPECT_EQ(Cell(points, "C8")["value"].toString(), "# # #");
    const QByteArray last = "C" + QByteArray::number(rows + 2);
    EXPECT_EQ(Cell(points, last.constData())["value"].toDouble(), (rows - 1) * 0.25);
    EXPECT_EQ(Cell(points, ("A" + QByteArray::number(rows + 2)).constData())["value"].toString(),
              "2024/03/07");

    EXPECT_EQ(sheets[2].toObject()["freeze"].toString(), "C3");
    EXPECT_EQ(Cell(sheets[2].toObject(), "A1")["value"].toString(), "DataPoints2");
}

} // namespace
