#include "core/doc/CVexloDoc.h"
#include "core/graph/Printout.h"
#include "core/graph/ReportOptions.h"
#include "core/graph/SessionReport.h"
#include "core/session/CRecSession.h"
#include "gui/app/PrintCommands.h"
#include "gui/dialogs/CReportOptions.h"
#include "gui/graph/CTrendGraphWidget.h"
#include "gui/graph/PrintDriver.h"
#include "gui/sessions/CVXOpenSessionsView.h"
#include "gui/sessions/CVXSessionView.h"
#include "support/CliProcess.h"
#include "support/RecordingCanvas.h"
#include "support/SessionFilesFixture.h"
#include "support/SessionImageBuilder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QJsonObject>
#include <QLineEdit>
#include <QMap>
#include <QMimeData>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// A4 in landscape at 300 dots an inch, with lines of the print font's height.
const PageLayout kA4 = PageLayout::Make(3508, 2480, 53, 28);

std::vector<int16_t> Ramp(int count, int modulo) {
    std::vector<int16_t> samples;
    for (int i = 0; i < count; ++i)
        samples.push_back(static_cast<int16_t>((i * 7) % modulo));
    return samples;
}

// The channel line's columns as printed at the top of a report's page 2: each header over
// its text; the colour column, which has no text, is left out.
QMap<QString, QString> PrintedLine(const RecordingCanvas& page, const PageLayout& layout) {
    const int headerY = layout.contentTop + (layout.lineHeight - RecordingCanvas::kTextHeight) / 2;
    QMap<int, QString> headers;
    QMap<int, QString> texts;
    for (const auto& t : page.texts) {
        if (t.topLeft.y == headerY)
            headers[t.topLeft.x] = t.text;
        else if (t.topLeft.y == headerY + layout.lineHeight)
            texts[t.topLeft.x] = t.text;
    }
    QMap<QString, QString> line;
    for (auto it = texts.cbegin(); it != texts.cend(); ++it)
        line[headers.value(it.key())] = it.value();
    return line;
}

// The same of a "channel_line" object of vexlo-cli's JSON.
QMap<QString, QString> DescribedLine(const CliRun& run) {
    const QJsonObject json = run.Json()[u"channel_line"_qs].toObject();
    QMap<QString, QString> line;
    for (auto it = json.begin(); it != json.end(); ++it)
        if (!it.value().toString().isEmpty())
            line[it.key()] = it.value().toString();
    return line;
}

QString PdfTitle(const QString& pdf) {
    QProcess p;
    p.start(u"pdfinfo"_qs, {pdf});
    p.waitForFinished(60000);
    const auto match = QRegularExpression(u"Title:\\s+(.*)\\n"_qs)
                           .match(QString::fromUtf8(p.readAllStandardOutput()));
    return match.hasMatch() ? match.captured(1).trimmed() : QString();
}

class Printing : public SessionFilesFixture {
protected:
    CRecSession& Open(int samples) {
        SessionImageBuilder b;
        std::vector<int16_t> counts;
        for (int i = 0; i < samples; ++i)
            counts.push_back(static_cast<int16_t>(200 + i % 100));
        b.Samples(counts);
        CRecSession& session = OpenBuilt(b);
        view_.ShowSession(session.Number());
        return session;
    }

    // vexlo-cli run with its settings beside the sessions, the temperatures in °F.
    CliRun Cli(const QStringList& args) {
        const QString config = dir_.filePath(u"config/Marvane"_qs);
        QDir().mkpath(config);
        QFile settings(config + u"/Vexlo.conf"_qs);
        if (settings.open(QIODevice::WriteOnly))
            settings.write("[Settings]\nTempUnits=1\n");
        return RunProgram(QStringLiteral(VEXLO_CLI), args, {dir_.path()});
    }

    CVXSessionView view_{doc_};
};

// One session of each kind, with the window and cursor the user set on its page.
struct KindOnPage {
    const char* kind;
    SessionImageBuilder builder;
    double from = 0.0; // seconds from the start
    double to = 0.0;
    double cursor = 0.0;
};

std::vector<KindOnPage> EachKind() {
    std::vector<KindOnPage> kinds;
    kinds.push_back({"voltage", SessionImageBuilder().Samples(Ramp(200, 900)), 20, 150, 64});
    SessionImageBuilder tc;
    tc.Set("Model", "8").Set("TC_Type", "K").Set("VRef", "1").Set("MaxCnt", "100");
    kinds.push_back({"thermocouple", tc.Samples(Ramp(200, 40)), 40, 300, 120});
    SessionImageBuilder rtd;
    rtd.Set("Model", "7").Set("MaxCnt", "4096").Set("RTDRef", "4750").Set("RTDNom", "1000");
    // About 1000 Ω: near 32 °F.
    std::vector<int16_t> ohms = Ramp(200, 100);
    for (int16_t& c : ohms)
        c = static_cast<int16_t>(c + 700);
    kinds.push_back({"RTD in °F", rtd.Samples(ohms), 0, 199, 199});
    std::vector<int16_t> words;
    for (int i = 0; i < 20; ++i)
        words.push_back(static_cast<int16_t>(i % 3 ? 0x00FF : 0x0F0F));
    SessionImageBuilder event;
    event.Set("Model", "6").Set("Polarity", "1");
    kinds.push_back({"event", event.Samples(words), 2, 17, 7.5});
    kinds.push_back(
        {"pulse count", SessionImageBuilder().Set("Model", "5").Samples(Ramp(150, 9)), 0, 149, 0});
    kinds.push_back({"without values", SessionImageBuilder(), 0, 0, 0});
    return kinds;
}

// What the print-out of each kind of session says in its channel line is what vexlo-cli
// prints and describes for the same window and cursor, even right after another session
// with a cursor reading of its own was shown and printed.
TEST_F(Printing, EachKindPrintsTheChannelLineTheCliGivesForTheSameWindowAndCursor) {
    doc_.SetTemperatureUnits(1);
    view_.resize(1000, 640);
    view_.show();
    QCoreApplication::processEvents();
    Open(500);
    view_.GraphWidget()->MoveCursor(300);
    RecordingCanvas before(true);
    view_.MakePrintout()->DrawPage(before, kA4, 2);
    ASSERT_TRUE(PrintedLine(before, kA4).value(u"Curseur AVG"_qs).endsWith(u"Vdc"_qs))
        << "a reading to leave behind";

    for (KindOnPage& k : EachKind()) {
        SCOPED_TRACE(k.kind);
        const CRecSession& session = OpenBuilt(k.builder);
        view_.ShowSession(session.Number());
        QCoreApplication::processEvents();
        QStringList asked;
        if (session.ChanData().ValueCount() > 1) {
            CTrendGraph& g = view_.GraphWidget()->Graph();
            g.SetViewWindow(static_cast<double>(g.SessionStart()) + k.from, k.to - k.from, 0, 0);
            view_.GraphWidget()->Render();
            g.PlaceCursorAtTime(k.cursor);
            view_.GraphWidget()->Render();
            asked = QStringList{u"--from"_qs,   QString::number(k.from),
                                u"--to"_qs,     QString::number(k.to),
                                u"--cursor"_qs, QString::number(k.cursor)};
        }
        RecordingCanvas page(true);
        view_.MakePrintout()->DrawPage(page, kA4, 2);
        const QMap<QString, QString> printed = PrintedLine(page, kA4);
        ASSERT_TRUE(printed.contains(u"Voie"_qs)) << "the line at the page's top";

        const CliRun plot =
            Cli(QStringList{u"plot"_qs, session.Path(), u"--out"_qs, dir_.filePath(u"p.png"_qs),
                            u"--describe"_qs, u"--force"_qs} +
                asked);
        ASSERT_EQ(plot.status, 0) << plot.err.toStdString();
        const CliRun report =
            Cli(QStringList{u"report"_qs, session.Path(), u"--out"_qs, dir_.filePath(u"r.pdf"_qs),
                            u"--describe"_qs, u"--force"_qs} +
                asked);
        ASSERT_EQ(report.status, 0) << report.err.toStdString();
        EXPECT_EQ(printed, DescribedLine(plot));
        EXPECT_EQ(printed, DescribedLine(report));
        if (session.ChanData().ValueCount() == 0) {
            EXPECT_EQ(printed.value(u"Curseur AVG"_qs), u"- - -"_qs);
        } else if (session.Flags().event) {
            EXPECT_FALSE(printed.value(u"Cursor Event Length"_qs).isEmpty());
        } else {
            EXPECT_TRUE(printed.value(u"Curseur AVG"_qs).endsWith(session.DisplayUnits()))
                << printed.value(u"Curseur AVG"_qs).toStdString() << " is a reading";
        }
    }
}

// Where the page has several values a column, the printed reading is of the page's own
// columns: the same as vexlo-cli report's for the same window and cursor, as both print on A4.
TEST_F(Printing, ALongSessionPrintsTheReportsReadingOfTheValueTheCursorStandsOn) {
    view_.resize(1000, 640);
    view_.show();
    QCoreApplication::processEvents();
    const CRecSession& session = OpenBuilt(SessionImageBuilder().Samples(Ramp(20000, 997)));
    view_.ShowSession(session.Number());
    QCoreApplication::processEvents();
    CTrendGraphWidget& widget = *view_.GraphWidget();
    widget.MoveCursor(333);
    const CTrendGraph& g = widget.Graph();
    ASSERT_GT(g.VisiblePoints(0, 0).end, 10 * g.InnerRect().Width()) << "values share columns";
    const double cursor = g.CursorTime().InSeconds() - static_cast<double>(g.SessionStart());

    // Both into a PDF, with the print font's own measures.
    const std::unique_ptr<Printout> printout = view_.MakePrintout();
    ASSERT_TRUE(PrintDriver::WritePdf(dir_.filePath(u"desktop.pdf"_qs), *printout));
    const auto* report = dynamic_cast<const SessionReport*>(printout.get());
    ASSERT_TRUE(report && report->PrintedChannelLine());
    QMap<QString, QString> printed;
    const SessionChannelLine& line = *report->PrintedChannelLine();
    for (std::size_t c = 0; c < line.columns.size(); ++c)
        if (!line.texts[c].isEmpty())
            printed[ChanListHeaderText(line.columns[c].kind)] = line.texts[c];
    const CliRun cli = Cli({u"report"_qs, session.Path(), u"--out"_qs, dir_.filePath(u"r.pdf"_qs),
                            u"--cursor"_qs, QString::number(cursor, 'f', 3), u"--describe"_qs});
    ASSERT_EQ(cli.status, 0) << cli.err.toStdString();
    EXPECT_EQ(printed, DescribedLine(cli));
    EXPECT_TRUE(printed.value(u"Curseur AVG"_qs).endsWith(u" Vdc"_qs));
}

// "Imprimer" proposes the session's name in the data folder as the PDF, which is titled with
// the session's name; printed there, the file holds the report.
TEST_F(Printing, ThePrintDialogProposesTheSessionsNameInTheDataFolder) {
    SessionImageBuilder b;
    b.ParameterText(u"RecordingInProgress=0\r\nSessionName=Four n°2: essai\r\n"
                    u"CorrectedStartTime=2024/03/05 14:07:09\r\n"_qs);
    b.Samples(Ramp(100, 50));
    const CRecSession& session = OpenBuilt(b);
    view_.ShowSession(session.Number());
    const QString folder = dir_.filePath(u"Données"_qs);
    QDir().mkpath(folder);
    const QString expected = folder + u"/Four n°2 essai.pdf"_qs;
    EXPECT_EQ(PrintCommands::ProposedPdfPath(folder, u"Four n°2: essai"_qs), expected)
        << "made safe for a file name";
    EXPECT_EQ(PrintCommands::ProposedPdfPath(folder, u"::"_qs), folder + u"/Vexlo.pdf"_qs);

    QString proposed;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* options = qobject_cast<CReportOptions*>(modal)) {
            options->accept();
        } else if (auto* dialog = qobject_cast<QPrintDialog*>(modal)) {
            auto* file = dialog->findChild<QLineEdit*>(u"filename"_qs);
            auto* printers = dialog->findChild<QComboBox*>(u"printers"_qs);
            proposed = file ? file->text() : QString();
            // Into the file, never onto a printer of the machine running the test.
            if (printers)
                printers->setCurrentIndex(printers->count() - 1);
            dialog->accept();
        }
    });
    answer.start(10);
    PrintCommands::Print(view_, folder, nullptr);
    answer.stop();
    EXPECT_EQ(proposed, expected) << proposed.toStdString();
    ASSERT_TRUE(QFile::exists(expected));
    EXPECT_EQ(PdfTitle(expected), u"Four n°2: essai"_qs);

    // A PDF written without the dialog carries the same title.
    const QString direct = dir_.filePath(u"direct.pdf"_qs);
    ASSERT_TRUE(PrintDriver::WritePdf(direct, *view_.MakePrintout()));
    EXPECT_EQ(PdfTitle(direct), u"Four n°2: essai"_qs);
}

TEST_F(Printing, TheOptionsWindowShowsTheListOnlyWithTheSampleTable) {
    ReportSessionFacts facts;
    facts.sampleCount = 1000000;
    ReportOptionsModel model(facts, {});
    CReportOptions dialog(model, {});
    auto* table = dialog.findChild<QCheckBox*>(QStringLiteral("includeSampleTable"));
    auto* list = dialog.findChild<QComboBox*>(QStringLiteral("averaging"));
    ASSERT_TRUE(table && list);
    EXPECT_FALSE(list->isVisibleTo(&dialog));
    table->setChecked(true);
    EXPECT_TRUE(list->isVisibleTo(&dialog) && list->isEnabled());
    EXPECT_EQ(list->itemText(0), u"10 min"_qs);
    EXPECT_EQ(list->count(), static_cast<int>(model.Entries().size()));
    list->setCurrentIndex(1);
    dialog.accept();
    const ReportOptions accepted = model.Accepted();
    EXPECT_TRUE(accepted.includeSampleTable);
    EXPECT_EQ(accepted.samplesPerAverage, 720);
    EXPECT_TRUE(accepted.averagingChosen);
    table->setChecked(false);
    EXPECT_FALSE(list->isVisibleTo(&dialog));
}

TEST_F(Printing, TheChosenAveragingGroupsTheSessionTable) {
    Open(200);
    view_.SelectModeByIndex(1);
    EXPECT_EQ(view_.DataTable()->model()->rowCount(), 200);
    ReportOptions options;
    options.includeSampleTable = true;
    options.samplesPerAverage = 60;
    view_.SetReportOptions(options);
    // Start 14:07:09: 51 values to 14:08:00, then 60, 60 and 29.
    EXPECT_EQ(view_.DataTable()->model()->rowCount(), 4);
    EXPECT_EQ(view_.DataTable()->model()->index(1, 1).data().toString(), u"14:09:00"_qs);
    options.includeSampleTable = false;
    view_.SetReportOptions(options);
    EXPECT_EQ(view_.DataTable()->model()->rowCount(), 200);
}

TEST_F(Printing, TheReportPrintsIntoAPdfAndGivesTheGraphBack) {
    Open(500);
    view_.resize(1000, 700);
    view_.GraphWidget()->Render();
    const GraphRect screen = view_.GraphWidget()->Graph().OuterRect();
    ReportOptions options;
    options.includeSampleTable = true;
    view_.SetReportOptions(options);
    const auto printout = view_.MakePrintout();
    ASSERT_TRUE(printout);
    const QString pdf = dir_.filePath(u"r.pdf"_qs);
    ASSERT_TRUE(PrintDriver::WritePdf(pdf, *printout));
    EXPECT_GT(QFile(pdf).size(), 1000);
    view_.EndPrint();
    EXPECT_EQ(view_.GraphWidget()->Graph().OuterRect(), screen) << "the page's graph untouched";
    // Pages 2 to 3 only.
    QPdfWriter writer(dir_.filePath(u"part.pdf"_qs));
    EXPECT_EQ(PrintDriver::PrintPages(writer, *printout, 2, 3), 2);
}

TEST_F(Printing, CopyGivesAPictureAndTheSelectedRows) {
    Open(20);
    view_.resize(900, 600);
    view_.SelectModeByIndex(1);
    auto data = view_.CopyData();
    EXPECT_TRUE(data->hasImage());
    EXPECT_TRUE(data->text().contains(u"Nom de la session"_qs)) << "no rows: the parameters";
    QTableView* table = view_.DataTable();
    table->selectionModel()->select(table->model()->index(3, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    table->selectionModel()->select(table->model()->index(1, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    data = view_.CopyData();
    EXPECT_TRUE(data->hasImage());
    const QStringList lines = data->text().split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(u"05/03/2024\t14:07:11\t"_qs)) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains(u"\t14:07:13\t"_qs)) << "in table order";
}

TEST_F(Printing, HintsWaitWhileThePreviewShows) {
    CVXOpenSessionsView list(doc_);
    Open(10);
    bool showing = false;
    bool pagesDrawn = false;
    QTimer::singleShot(0, [&] {
        auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        showing = doc_.PrintPreviewShowing();
        pagesDrawn = preview != nullptr;
        if (preview)
            preview->reject();
    });
    PrintCommands::Preview(list, doc_, nullptr);
    EXPECT_TRUE(pagesDrawn);
    EXPECT_TRUE(showing);
    EXPECT_FALSE(doc_.PrintPreviewShowing()) << "over once the preview closes";
}

} // namespace
