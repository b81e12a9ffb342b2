// A workbook of ours read by a reader that is not ours: Python's zipfile checks every
// CRC-32, openpyxl reads sheets, panes, cells, types, formats and borders.

#include "core/export/CXLSData.h"
#include "core/export/WorkbookProgress.h"
#include "support/SessionImageBuilder.h"
#include "support/WorksheetCells.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <gtest/gtest.h>
#include <iterator>

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
        skipped_ = true;
        return {};
    }

    QString Path() const { return dir_.filePath(QStringLiteral("interop.xlsx")); }

    struct CliRun {
        int status = -1;
        QByteArray out;
        QString err;
    };

    // vexlo-cli in a French locale and the Paris zone, with a home and settings of its own.
    CliRun Cli(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("fr_FR.UTF-8"));
        env.insert(QStringLiteral("TZ"), QStringLiteral("Europe/Paris"));
        env.insert(QStringLiteral("HOME"), dir_.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.filePath(QStringLiteral("config")));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(VEXLO_CLI), args);
        p.waitForFinished(120000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                p.readAllStandardOutput(), QString::fromLocal8Bit(p.readAllStandardError())};
    }

    QTemporaryDir dir_;
    bool skipped_ = false;
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
    if (skipped_)
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
        {"C3", -0.5}, {"C4", 2.5},  {"C5", 1234.568}, {"C6", -10000000},
        {"C7", 0.1},  {"C8", 1e19}, {"C9", 0}};
    for (const auto& [reference, value] : numbers) {
        EXPECT_EQ(Cell(points, reference)["type"].toString(), "n") << reference;
        EXPECT_EQ(Cell(points, reference)["value"].toDouble(), value) << reference;
        EXPECT_EQ(Cell(points, reference)["format"].toString(), "GENERAL") << reference;
    }
    const QByteArray last = "C" + QByteArray::number(rows + 2);
    EXPECT_EQ(Cell(points, last.constData())["value"].toDouble(), (rows - 1) * 0.25);
    EXPECT_EQ(Cell(points, ("A" + QByteArray::number(rows + 2)).constData())["value"].toString(),
              "2024/03/07");

    EXPECT_EQ(sheets[2].toObject()["freeze"].toString(), "C3");
    EXPECT_EQ(Cell(sheets[2].toObject(), "A1")["value"].toString(), "DataPoints2");
}

// Values past what the fixed decimals hold in 64 bits (2^63 / 1000 and more) are written in
// the exponent form: both readers take them as numbers, openpyxl as the very doubles written.
TEST_F(XlsxInteropTest, ReadersTakeTheExponentFormAsTheSameNumbers) {
    const double limit = 0x1p63 / 1000.0;
    const double values[] = {
        1.7e38, -1e19, limit, std::nextafter(limit, 0.0), -limit, std::nextafter(-limit, -1e300)};
    CXLSData data;
    ASSERT_TRUE(data.Open(Path()));
    data.AddSheet(QStringLiteral("N"), 0, 0);
    for (const double v : values) {
        data.AddNumber(v);
        data.NewRows(1);
    }
    SilentProgress progress;
    ASSERT_EQ(data.Close(progress).type, WorkbookCloseType::Done);

    const QJsonObject book = Read(Path());
    if (!skipped_) {
        const QJsonObject sheet = book["sheets"].toArray()[0].toObject();
        for (std::size_t i = 0; i < std::size(values); ++i) {
            const QByteArray reference = "A" + QByteArray::number(static_cast<int>(i) + 2);
            EXPECT_EQ(Cell(sheet, reference.constData())["type"].toString(), "n")
                << reference.constData();
            EXPECT_EQ(Cell(sheet, reference.constData())["value"].toDouble(), values[i])
                << reference.constData();
        }
    }

    const QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (office.isEmpty())
        GTEST_SKIP() << "soffice missing: the LibreOffice check is skipped";
    // LibreOffice saves the workbook again: its cells say what it took them for.
    const QString base = dir_.filePath(QStringLiteral("office"));
    ASSERT_TRUE(QDir().mkpath(base + QStringLiteral("/profile")));
    QProcess convert;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), base);
    convert.setProcessEnvironment(env);
    convert.start(office, {QStringLiteral("-env:UserInstallation=file://") + base +
                               QStringLiteral("/profile"),
                           QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                           QStringLiteral("xlsx"), QStringLiteral("--outdir"), base, Path()});
    ASSERT_TRUE(convert.waitForFinished(180000));
    ASSERT_EQ(convert.exitCode(), 0) << convert.readAllStandardError().constData();
    QProcess read;
    read.start(QStringLiteral("python3"), {QStringLiteral("-c"), WorksheetColumnScript(u'A'),
                                           base + QStringLiteral("/interop.xlsx")});
    ASSERT_TRUE(read.waitForFinished(30000));
    const QStringList cells =
        QString::fromUtf8(read.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(cells.size(), static_cast<qsizetype>(std::size(values)))
        << read.readAllStandardError().constData();
    for (std::size_t i = 0; i < std::size(values); ++i) {
        const QString& cell = cells[static_cast<qsizetype>(i)];
        EXPECT_TRUE(cell.startsWith(QStringLiteral("n "))) << cell.toStdString();
        // It saves fifteen significant digits of what it read.
        EXPECT_NEAR(cell.mid(2).toDouble(), values[i], std::fabs(values[i]) * 1e-14)
            << cell.toStdString();
    }
}

// A 4-20 mA loop scaled to 0-100 %: a negative value, one below the range, one within it.
QByteArray CurrentLoopSession() {
    SessionImageBuilder b;
    b.Set("Model", "4").Set("VRef", "1").Set("MaxCnt", "100").Set("Ch1Mult", "1");
    b.Set("Ch1LowScale", "00000000").Set("Ch1HighScale", "0000C842").Set("Ch1Units", "%");
    b.Set("SerNum", "A42");
    b.Samples({300, -2201, 1200});
    return b.Build();
}

TEST_F(XlsxInteropTest, TheCommandLineExportIsReadBackSheetBySheet) {
    const QString session = dir_.filePath(QStringLiteral("boucle.vx"));
    {
        QFile f(session);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(CurrentLoopSession());
    }
    const QString out = dir_.filePath(QStringLiteral("boucle.xlsx"));
    const CliRun written = Cli({QStringLiteral("export"), session, out});
    ASSERT_EQ(written.status, 0) << written.err.toStdString();
    EXPECT_EQ(written.out, out.toLocal8Bit() + "\n");
    EXPECT_EQ(written.err, QString()) << "no progress line off a terminal";

    const QJsonObject book = Read(out);
    if (skipped_)
        GTEST_SKIP() << "python3 with openpyxl is not installed";
    EXPECT_TRUE(book["badEntry"].isNull());
    const QJsonArray sheets = book["sheets"].toArray();
    ASSERT_EQ(sheets.size(), 2);
    const QJsonObject config = sheets[0].toObject();
    EXPECT_EQ(config["title"].toString(), "Configuration");
    EXPECT_TRUE(config["freeze"].isNull());
    EXPECT_EQ(Cell(config, "A2")["value"].toString(), "Vexlo, version 1.1.0000");
    EXPECT_EQ(Cell(config, "A4")["value"].toString(), "Nom");
    EXPECT_EQ(Cell(config, "A4")["bottom"].toString(), "medium");
    EXPECT_EQ(Cell(config, "A9")["bottom"].toString(), "medium") << "a group title";

    const QJsonObject points = sheets[1].toObject();
    EXPECT_EQ(points["title"].toString(), "DataPoints");
    EXPECT_EQ(points["freeze"].toString(), "C3");
    EXPECT_FALSE(Cell(points, "A5").isEmpty());
    EXPECT_TRUE(Cell(points, "A6").isEmpty()) << "three points, three rows";
    EXPECT_EQ(Cell(points, "C2")["value"].toString(), "A1DC");
    EXPECT_EQ(Cell(points, "D2")["value"].toString(), "%");
    EXPECT_EQ(Cell(points, "A3")["value"].toString(), "05/03/2024");
    EXPECT_EQ(Cell(points, "A3")["type"].toString(), "s");
    EXPECT_EQ(Cell(points, "A3")["format"].toString(), "m/d/yyyy");
    EXPECT_EQ(Cell(points, "B3")["value"].toString(), "14:07:10");
    EXPECT_EQ(Cell(points, "B3")["format"].toString(), "[$-F400]h:mm:ss\\ AM/PM");
    EXPECT_EQ(Cell(points, "C3")["type"].toString(), "n");
    EXPECT_EQ(Cell(points, "C3")["value"].toDouble(), -6.25);
    EXPECT_EQ(Cell(points, "C3")["format"].toString(), "GENERAL");
    EXPECT_EQ(Cell(points, "C4")["value"].toString(), "Sous la gamme");
    EXPECT_EQ(Cell(points, "C4")["type"].toString(), "s");
    EXPECT_EQ(Cell(points, "B4")["value"].toString(), "14:07:11");
    EXPECT_EQ(Cell(points, "C5")["value"].toDouble(), 50.0);
}

TEST_F(XlsxInteropTest, AnExistingWorkbookIsReplacedOnlyWithForce) {
    const QString session = dir_.filePath(QStringLiteral("boucle.vx"));
    {
        QFile f(session);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(CurrentLoopSession());
    }
    const QString out = dir_.filePath(QStringLiteral("existant.xlsx"));
    {
        QFile f(out);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("à garder");
    }
    const CliRun refused = Cli({QStringLiteral("export"), session, out});
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("Le fichier « ") + out +
                                     QStringLiteral(" » existe déjà.")))
        << refused.err.toStdString();
    EXPECT_TRUE(refused.out.isEmpty());
    QFile kept(out);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "à garder");
    kept.close();

    const CliRun forced = Cli({QStringLiteral("export"), session, out, QStringLiteral("--force")});
    ASSERT_EQ(forced.status, 0) << forced.err.toStdString();
    const QJsonObject book = Read(out);
    if (skipped_)
        GTEST_SKIP() << "python3 with openpyxl is not installed";
    EXPECT_EQ(book["sheets"].toArray().size(), 2);

    // Without a name the workbook goes to the data folder under the session's safe name.
    const CliRun proposed = Cli({QStringLiteral("export"), session});
    ASSERT_EQ(proposed.status, 0) << proposed.err.toStdString();
    const QString expected =
        dir_.filePath(QStringLiteral("Documents/Vexlo/DataFiles/VX20 (420 mAdc) A42  boucle.xlsx"));
    EXPECT_EQ(proposed.out, expected.toLocal8Bit() + "\n");
    EXPECT_TRUE(QFile::exists(expected));
    EXPECT_EQ(Cli({QStringLiteral("export"), session}).status, 2) << "there now";

    const CliRun missing =
        Cli({QStringLiteral("export"), dir_.filePath(QStringLiteral("absent.vx"))});
    EXPECT_EQ(missing.status, 2);
    EXPECT_FALSE(missing.err.isEmpty());
}

TEST_F(XlsxInteropTest, AnInterruptedExportLeavesNoFile) {
    const QString session = dir_.filePath(QStringLiteral("long.vx"));
    {
        // Long enough to be caught in the middle: a few seconds of writing.
        std::vector<int16_t> counts(2000000);
        for (std::size_t i = 0; i < counts.size(); ++i)
            counts[i] = static_cast<int16_t>(i % 2000);
        SessionImageBuilder b;
        b.Samples(counts);
        QFile f(session);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(b.Build());
    }
    const QString out = dir_.filePath(QStringLiteral("long.xlsx"));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), dir_.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.filePath(QStringLiteral("config")));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VEXLO_CLI), {QStringLiteral("export"), session, out});
    ASSERT_TRUE(p.waitForStarted());
    // The workbook is written into an unnamed file beside its name until it is whole: the
    // export runs once the process holds a file in the folder other than the session.
    const auto writing = [&] {
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(p.processId()));
        for (const QFileInfo& fd : fds.entryInfoList(QDir::System | QDir::Files)) {
            const QString target = fd.symLinkTarget();
            if (target.startsWith(dir_.path()) && !target.endsWith(QStringLiteral("long.vx")))
                return true;
        }
        return false;
    };
    for (int i = 0; i < 6000 && !writing() && p.state() == QProcess::Running; ++i)
        QThread::msleep(2);
    ASSERT_TRUE(writing());
    ASSERT_EQ(p.state(), QProcess::Running) << "the export ended before it could be interrupted";
    p.terminate();
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_NE(p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, 0);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("long.vx")});
}

} // namespace
