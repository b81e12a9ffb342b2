// vexlo-cli report and status --pdf: the printed pages read back by a PDF reader that is not
// ours (poppler-utils' pdftotext and pdfinfo).
#include "support/CliProcess.h"
#include "support/GoldenFile.h"
#include "support/SessionTestSupport.h"
#include "support/TextBoxes.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

QByteArray PdfText(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(60000);
    return p.readAllStandardOutput();
}

QString PdfInfo(const QString& pdf, const QString& field) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    p.waitForFinished(60000);
    const auto match = QRegularExpression(field + QStringLiteral(":\\s+(.*)\\n"))
                           .match(QString::fromUtf8(p.readAllStandardOutput()));
    return match.hasMatch() ? match.captured(1).trimmed() : QString();
}

int PdfPages(const QString& pdf) {
    bool ok = false;
    const int pages = PdfInfo(pdf, QStringLiteral("Pages")).toInt(&ok);
    return ok ? pages : -1;
}

// Every word of every page with its box, as pdftotext -bbox reads them, in points.
std::vector<std::vector<TextBox>> PdfWords(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    p.waitForFinished(60000);
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    const QRegularExpression word(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                       "yMax=\"([\\d.]+)\">([^<]*)</word>"));
    // Hundredths of a point keep the boxes whole numbers.
    const auto at = [](const QRegularExpressionMatch& m, int i) {
        return static_cast<int>(std::lround(m.captured(i).toDouble() * 100));
    };
    std::vector<std::vector<TextBox>> pages;
    for (const QString& page : html.split(QStringLiteral("<page ")).mid(1)) {
        pages.emplace_back();
        for (auto it = word.globalMatch(page); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            pages.back().push_back({m.captured(5), {at(m, 1), at(m, 2), at(m, 3), at(m, 4)}});
        }
    }
    return pages;
}

// A control-panel session with what a report can carry: header, footer and a comment longer
// than a line of the page.
SessionImageBuilder ReportedSession(int samples) {
    SessionImageBuilder b;
    b.Set("SerNum", "R3P0").Set("Start", "2024/03/05 14:07:09").Set("Per", "1");
    b.ParameterText(u"RecordingInProgress=0\r\nInstName=Banc 3\r\nSessionName=Essai imprimé\r\n"
                    u"Location=Atelier\r\nHeader=Laboratoire Nord\r\nFooter=Visa : J. M.\r\n"
                    u"Comments=Four chargé à 14 h ; porte ouverte deux fois pendant la "
                    u"mesure, voir le cahier de l’atelier pour le détail des ouvertures et des "
                    u"températures relevées à la main par l’opérateur de service.\r\n"
                    u"CorrectedStartTime=2024/03/05 14:07:09\r\n"_qs);
    std::vector<int16_t> counts;
    for (int i = 0; i < samples; ++i)
        counts.push_back(static_cast<int16_t>(500 + (i * 37) % 900));
    b.Samples(counts);
    return b;
}

class CliReport : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString Write(const QString& name, const QByteArray& image) {
        QFile f(dir_.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(image);
        return f.fileName();
    }
    CliRun Cli(const QStringList& args) {
        return RunProgram(QStringLiteral(VEXLO_CLI), args, {dir_.path()});
    }

    QTemporaryDir dir_;
};

// Every page's text, compared with tests/data/report_pages.txt (support/GoldenFile.h says
// how to rewrite it when the report is meant to change).
TEST_F(CliReport, TheReportReadsAsItsReference) {
    const QString session = Write(u"essai.vx"_qs, ReportedSession(300).Build());
    const QString pdf = dir_.filePath(u"rapport.pdf"_qs);
    const CliRun run = Cli({u"report"_qs, session, u"--out"_qs, pdf, u"--header"_qs, u"--footer"_qs,
                            u"--comments"_qs, u"--samples"_qs, u"1"_qs});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QByteArray text = PdfText(pdf);
    ASSERT_FALSE(text.isEmpty()) << "pdftotext (poppler-utils) is needed";
    EXPECT_EQ(golden::Compare(u"report_pages.txt"_qs, text), "");
}

// Read back by a reader that is not ours, no word of any page lies on another, the footer is
// below everything else of its page, and the PDF is titled with the session's name.
TEST_F(CliReport, NoWordOverlapsAnotherAndTheFooterHasItsOwnBand) {
    const QString session = Write(u"essai.vx"_qs, ReportedSession(300).Build());
    const QString pdf = dir_.filePath(u"rapport.pdf"_qs);
    const CliRun run = Cli({u"report"_qs, session, u"--out"_qs, pdf, u"--header"_qs, u"--footer"_qs,
                            u"--comments"_qs, u"--samples"_qs, u"1"_qs, u"--cursor"_qs, u"64"_qs});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(PdfInfo(pdf, u"Title"_qs), u"Essai imprimé"_qs);
    const std::vector<std::vector<TextBox>> pages = PdfWords(pdf);
    ASSERT_EQ(static_cast<int>(pages.size()), PdfPages(pdf)) << "pdftotext (poppler-utils)";
    for (std::size_t p = 0; p < pages.size(); ++p) {
        SCOPED_TRACE("page " + std::to_string(p + 1));
        EXPECT_EQ(OverlappingTexts(pages[p]), std::vector<QString>{});
        const auto visa = std::find_if(pages[p].begin(), pages[p].end(),
                                       [](const TextBox& w) { return w.text == u"Visa"_qs; });
        ASSERT_NE(visa, pages[p].end()) << "the footer on every page";
        const int footerTop = visa->box.top;
        int othersBottom = 0;
        for (const TextBox& w : pages[p])
            if (w.box.top != footerTop)
                othersBottom = std::max(othersBottom, w.box.bottom);
        EXPECT_LT(othersBottom, footerTop) << "the footer below the rest";
    }
}

TEST_F(CliReport, TheDescribedChannelLineIsThePrintedOne) {
    const QString session = Write(u"essai.vx"_qs, ReportedSession(300).Build());
    const QString pdf = dir_.filePath(u"rapport.pdf"_qs);
    const CliRun run = Cli({u"report"_qs, session, u"--out"_qs, pdf, u"--from"_qs, u"20"_qs,
                            u"--to"_qs, u"200"_qs, u"--cursor"_qs, u"64"_qs, u"--describe"_qs});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QJsonObject line = run.Json()[u"channel_line"_qs].toObject();
    ASSERT_EQ(line.keys().size(), 6) << run.out.toStdString();
    const QString avg = line[u"Curseur AVG"_qs].toString();
    EXPECT_TRUE(avg.endsWith(u" Vdc"_qs)) << avg.toStdString();
    const QList<QByteArray> pages = PdfText(pdf).split('\f');
    ASSERT_GE(pages.size(), 2);
    // The line of page 2: each text under its header, in the JSON's order.
    QByteArray texts;
    for (const QByteArray& l : pages[1].split('\n'))
        if (l.contains("V1 ")) {
            texts = l.simplified();
            break;
        }
    QStringList expected;
    for (const QString& key :
         {u"Voie"_qs, u"Curseur AVG"_qs, u"Fenêtre MIN"_qs, u"Fenêtre MAX"_qs, u"Fenêtre AVG"_qs})
        expected << line[key].toString();
    EXPECT_EQ(QString::fromUtf8(texts), expected.join(u' '));
    // A window the wrong way round, or a cursor before the start, is a usage error.
    EXPECT_EQ(
        Cli({u"report"_qs, session, u"--out"_qs, pdf, u"--from"_qs, u"9"_qs, u"--to"_qs, u"9"_qs})
            .status,
        64);
    EXPECT_EQ(Cli({u"report"_qs, session, u"--out"_qs, pdf, u"--cursor"_qs, u"-1"_qs}).status, 64);
}

TEST_F(CliReport, PagesFollowTheOptions) {
    const QString session = Write(u"essai.vx"_qs, ReportedSession(300).Build());
    const QString bare = dir_.filePath(u"nu.pdf"_qs);
    ASSERT_EQ(Cli({u"report"_qs, session, u"--out"_qs, bare}).status, 0);
    EXPECT_EQ(PdfPages(bare), 2) << "no sample table";
    const QByteArray text = PdfText(bare);
    EXPECT_FALSE(text.contains("Laboratoire Nord"));
    EXPECT_FALSE(text.contains("Visa : J. M."));
    EXPECT_FALSE(text.contains("Four chargé"));
    const QList<QByteArray> pages = text.split('\f');
    ASSERT_GE(pages.size(), 2);
    EXPECT_TRUE(pages[0].trimmed().startsWith("1")) << "the page number without the header";
    EXPECT_TRUE(pages[1].trimmed().startsWith("2"));
}

TEST_F(CliReport, SecondsSnapToTheAveragingList) {
    // 100,000 one-second values: 1 s would give 100,000 rows, so the list starts at 1 min; 30 s
    // asked gives 1 min: row 0 up to 14:08:00, then 1,665 whole minutes and a last part.
    const QString session = Write(u"long.vx"_qs, ReportedSession(100000).Build());
    const QString pdf = dir_.filePath(u"long.pdf"_qs);
    ASSERT_EQ(Cli({u"report"_qs, session, u"--out"_qs, pdf, u"--samples"_qs, u"30"_qs}).status, 0);
    const QByteArray text = PdfText(pdf);
    const QList<QByteArray> pages = text.split('\f');
    int rows = 0;
    QByteArray last;
    for (qsizetype p = 2; p < pages.size(); ++p)
        for (const QByteArray& line : pages[p].split('\n'))
            if (line.trimmed().startsWith("0") && line.contains("/2024")) {
                ++rows;
                last = line;
            }
    EXPECT_EQ(rows, 1667);
    EXPECT_TRUE(last.contains("17:53:49")) << last.toStdString();
}

TEST_F(CliReport, AnUnwritablePathSaysSoAndLeavesNothing) {
    const QString session = Write(u"essai.vx"_qs, ReportedSession(10).Build());
    const QString missing = dir_.filePath(u"absent/rapport.pdf"_qs);
    CliRun run = Cli({u"report"_qs, session, u"--out"_qs, missing});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains(u"Impossible d’écrire le fichier PDF"_qs))
        << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(missing));
    // A folder in the way of the file.
    QDir(dir_.path()).mkdir(u"dossier.pdf"_qs);
    run = Cli({u"report"_qs, session, u"--out"_qs, dir_.filePath(u"dossier.pdf"_qs)});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{u"essai.vx"_qs});
    EXPECT_EQ(Cli({u"report"_qs, session}).status, 64) << "--out is needed";
    EXPECT_EQ(
        Cli({u"report"_qs, session, u"--out"_qs, u"x.pdf"_qs, u"--samples"_qs, u"0"_qs}).status,
        64);
}

TEST_F(CliReport, TheInstrumentPagePrintsOnTwoPages) {
    const QString pdf = dir_.filePath(u"instrument.pdf"_qs);
    const CliRun run = Cli({u"status"_qs, u"--simulate"_qs, u"8"_qs, u"--pdf"_qs, pdf});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(PdfPages(pdf), 2);
    const QList<QByteArray> pages = PdfText(pdf).split('\f');
    ASSERT_GE(pages.size(), 2);
    EXPECT_TRUE(pages[0].contains("Numéro de série"));
    EXPECT_TRUE(pages[1].contains("MIN"));
    EXPECT_EQ(Cli({u"info"_qs, u"x.vx"_qs, u"--pdf"_qs, pdf}).status, 64)
        << "--pdf belongs to status";
}

} // namespace
