#include "core/doc/CVexloDoc.h"
#include "core/graph/Printout.h"
#include "core/graph/ReportOptions.h"
#include "core/session/CRecSession.h"
#include "gui/app/PrintCommands.h"
#include "gui/dialogs/CReportOptions.h"
#include "gui/graph/CTrendGraphWidget.h"
#include "gui/graph/PrintDriver.h"
#include "gui/sessions/CVXOpenSessionsView.h"
#include "gui/sessions/CVXSessionView.h"
#include "support/SessionFilesFixture.h"
#include "support/SessionImageBuilder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

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

    CVXSessionView view_{doc_};
};

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
    EXPECT_EQ(view_.GraphWidget()->Graph().OuterRect(), screen);
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
