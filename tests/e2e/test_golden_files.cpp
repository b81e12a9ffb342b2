// What users keep, compared with the references in tests/data (support/GoldenFile.h says how
// to rewrite them when a change is intended).
#include "core/session/SessionSaver.h"
#include "support/CliProcess.h"
#include "support/GoldenFile.h"
#include "support/ScriptedUserInterface.h"
#include "support/SessionTestSupport.h"
#include "unit/test_zip_reader.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace {

// A voltage session of a control-panel file: parameters typed by a user, a ramp with an
// over-range value, nothing that depends on the day the test runs.
SessionImageBuilder KeptSession() {
    SessionImageBuilder b;
    b.Set("SerNum", "G0LD").Set("Start", "2024/03/05 14:07:09").Set("End", "2024/03/05 14:07:21");
    b.Set("Per", "2").Set("Ch1Units", "bar");
    b.ParameterText(u"RecordingInProgress=0\r\nInstName=Banc 3\r\n"
                    u"SessionName=Essai de référence\r\nLocation=Atelier\r\n"
                    u"Ch1Units=bar\r\nCorrectedStartTime=2024/03/05 14:07:09\r\n"_qs);
    b.Samples({0, 250, 500, 750, 1000, 2500, 4095});
    return b;
}

class GoldenFiles : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    }

    QString Write(const QString& name, const QByteArray& image) {
        QFile f(dir_.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(image);
        return f.fileName();
    }

    QByteArray Cli(const QStringList& args) {
        const CliRun r = RunProgram(QStringLiteral(VEXLO_CLI), args, {dir_.path()});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        return r.out;
    }

    QTemporaryDir dir_;
};

// The writer keeps room for sizes it fills in later as long runs of spaces: each run is
// written as its length, and a tag after a tag starts a line, so that a reference reads and diffs
// well while every byte still counts.
QByteArray ReadableXml(const QByteArray& xml) {
    QByteArray out;
    for (qsizetype i = 0; i < xml.size();) {
        qsizetype run = 0;
        while (i + run < xml.size() && xml[i + run] == ' ')
            ++run;
        if (run >= 16) {
            out += "[" + QByteArray::number(run) + " spaces]";
            i += run;
            continue;
        }
        if (xml[i] == '<' && out.endsWith('>'))
            out += '\n';
        out += xml[i++];
    }
    return out + '\n';
}

} // namespace

TEST_F(GoldenFiles, SessionFileWrittenByTheSaver) {
    const std::unique_ptr<CRecSession> session = ReadImage(KeptSession());
    ASSERT_TRUE(session);
    ScriptedUserInterface ui;
    const QString path = dir_.filePath(u"kept.vx"_qs);
    ASSERT_TRUE(SessionSaver(ui).WriteSessionTo(path, *session));
    const QByteArray written = testzip::FileBytes(path);
    EXPECT_EQ(golden::Compare(u"session_saved.vx.hex"_qs, golden::HexDump(written)), "");
}

TEST_F(GoldenFiles, WorkbookSheets) {
    const QString session = Write(u"kept.vx"_qs, KeptSession().Build());
    const QString book = dir_.filePath(u"kept.xlsx"_qs);
    Cli({u"export"_qs, session, book});
    const testzip::Archive archive = testzip::ReadFile(book);
    ASSERT_EQ(archive.problem, "");
    for (const char* name :
         {"xl/worksheets/sheet1.xml", "xl/worksheets/sheet2.xml", "xl/sharedStrings.xml"}) {
        const testzip::Entry* entry = archive.Find(name);
        ASSERT_TRUE(entry) << name;
        const QString reference = u"workbook_"_qs + QString::fromLatin1(name).section(u'/', -1);
        EXPECT_EQ(golden::Compare(reference, ReadableXml(entry->data)), "");
    }
}

TEST_F(GoldenFiles, PlotDescription) {
    const QString session = Write(u"kept.vx"_qs, KeptSession().Build());
    const QByteArray described =
        Cli({u"plot"_qs, session, u"--out"_qs, dir_.filePath(u"kept.png"_qs), u"--width"_qs,
             u"800"_qs, u"--height"_qs, u"400"_qs, u"--cursor"_qs, u"4"_qs, u"--describe"_qs});
    EXPECT_EQ(golden::Compare(u"plot_describe.json"_qs, described), "");
}
