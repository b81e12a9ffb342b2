#include "core/doc/CVexloDoc.h"
#include "core/session/CRecSession.h"
#include "core/session/ChannelTexts.h"
#include "gui/graph/CTrendGraphWidget.h"
#include "gui/sessions/CChannelListCtrl.h"
#include "gui/sessions/CVXSessionView.h"
#include "support/SessionFilesFixture.h"
#include "support/SessionImageBuilder.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

class SessionView : public SessionFilesFixture {
protected:
    CRecSession& Open(const SessionImageBuilder& builder) {
        CRecSession& session = OpenBuilt(builder);
        view_.ShowSession(session.Number());
        return session;
    }

    QStringList ChannelHeaders() const {
        QStringList headers;
        for (int i = 0; i < view_.ChannelList()->columnCount(); ++i)
            headers << view_.ChannelList()->HeaderText(i);
        return headers;
    }

    QString TableHeader(int column) const {
        return view_.DataTable()->model()->headerData(column, Qt::Horizontal).toString();
    }

    CVXSessionView view_{doc_};
};

TEST_F(SessionView, AVoltageSessionShowsItsValuesAndTheWindowStatistics) {
    SessionImageBuilder b;
    std::vector<int16_t> samples;
    for (int i = 0; i < 5000; ++i)
        samples.push_back(static_cast<int16_t>(i % 1000));
    b.Samples(samples);
    const CRecSession& session = Open(b);

    EXPECT_EQ(view_.Title(), u"Tendance"_qs);
    EXPECT_TRUE(view_.ModeButtonsShown());
    EXPECT_EQ(view_.Mode(), CVXSessionView::ModeType::Graph);
    EXPECT_EQ(ChannelHeaders(),
              (QStringList{u"Voie"_qs, u"Couleur"_qs, u"Curseur AVG"_qs, u"Fenêtre MIN"_qs,
                           u"Fenêtre MAX"_qs, u"Fenêtre AVG"_qs}));
    const RangeStatisticsTexts all =
        ChannelTexts(session.ChanData()).RangeStatistics(false, 0, 0, session.DisplayUnits());
    EXPECT_EQ(view_.ChannelList()->CellText(3), all.min);
    EXPECT_EQ(view_.ChannelList()->CellText(4), all.max);

    view_.SelectModeByIndex(1);
    EXPECT_EQ(view_.Mode(), CVXSessionView::ModeType::Table);
    const QAbstractItemModel* table = view_.DataTable()->model();
    EXPECT_EQ(table->rowCount(), 5000);
    EXPECT_EQ(table->columnCount(), 3);
    EXPECT_EQ(TableHeader(2), session.ChannelName());
    EXPECT_EQ(table->index(4999, 1).data().toString(), u"15:30:29"_qs);
    // A mode index outside the two modes gives the first.
    view_.SelectModeByIndex(7);
    EXPECT_EQ(view_.Mode(), CVXSessionView::ModeType::Graph);
}

TEST_F(SessionView, AnEventSessionHasTheEventTableAndTwoEventColumns) {
    SessionImageBuilder b;
    b.Set("Model", "6").Set("Polarity", "1");
    b.Samples({0x0000, static_cast<int16_t>(0x8001), 0x0000, 0x0001});
    const CRecSession& session = Open(b);
    EXPECT_EQ(ChannelHeaders(), (QStringList{u"Voie"_qs, u"Couleur"_qs, u"Cursor Event Length"_qs,
                                             u"Window Total Events Length"_qs}));
    EXPECT_EQ(TableHeader(0), u"Date"_qs);
    EXPECT_EQ(TableHeader(1), u"Time"_qs);
    EXPECT_EQ(TableHeader(2), u"Durée"_qs);
    EXPECT_EQ(view_.DataTable()->model()->rowCount(),
              static_cast<int>(session.ChanData().Events().size()));
    EXPECT_FALSE(view_.ChannelList()->CellText(3).isEmpty());
}

TEST_F(SessionView, APulseSessionEndsWithItsWindowTotal) {
    SessionImageBuilder b;
    b.Set("Model", "5").Set("Ch1LowScale", "00000000").Set("Ch1HighScale", "00000041");
    b.Samples({1, 2, 3, 4});
    Open(b);
    EXPECT_EQ(ChannelHeaders().last(), u"Window Total"_qs);
    EXPECT_FALSE(view_.ChannelList()->CellText(view_.ChannelList()->columnCount() - 1).isEmpty());
}

TEST_F(SessionView, ASessionWithoutValuesShowsOnlyItsParameters) {
    Open(SessionImageBuilder());
    EXPECT_EQ(view_.Title(), u"Paramètres de session"_qs);
    EXPECT_FALSE(view_.ModeButtonsShown());
    EXPECT_GT(view_.ParamsList()->topLevelItemCount(), 10);
}

TEST_F(SessionView, DoubleClickingAParameterAsksForTheEditor) {
    const CRecSession& session = Open(SessionImageBuilder().Samples({1, 2}));
    std::vector<uint32_t> edits;
    QObject::connect(&view_, &CVXSessionView::EditRequested,
                     [&edits](uint32_t number) { edits.push_back(number); });
    QTreeWidget* params = const_cast<QTreeWidget*>(view_.ParamsList());
    emit params->itemDoubleClicked(params->topLevelItem(1), 0);
    view_.findChild<QToolButton*>(u"editButton"_qs)->click();
    EXPECT_EQ(edits, (std::vector<uint32_t>{session.Number(), session.Number()}));
}

TEST_F(SessionView, ATemperatureUnitChangeReconvertsTheSessionShown) {
    SessionImageBuilder b;
    b.Set("Model", "8").Set("TC_Type", "K").Set("VRef", "1").Set("MaxCnt", "100");
    b.Samples({10, 20, 30});
    CRecSession& session = Open(b);
    const double fahrenheit = session.ChanData().FirstRecord().Values()[0];
    ASSERT_TRUE(doc_.UseFahrenheit());
    doc_.SetTemperatureUnits(0);
    EXPECT_EQ(session.DisplayUnits(), u"°C"_qs);
    EXPECT_NEAR(session.ChanData().FirstRecord().Values()[0], (fahrenheit - 32) * 5 / 9, 0.05);
    EXPECT_TRUE(view_.ChannelList()->CellText(3).contains(u"°C"_qs))
        << view_.ChannelList()->CellText(3).toStdString();
}

} // namespace

namespace {

TEST_F(SessionView, MinMaxColumnsAppearOnlyWhenAColumnHoldsSeveralValues) {
    SessionImageBuilder b;
    std::vector<int16_t> samples;
    for (int i = 0; i < 20000; ++i)
        samples.push_back(static_cast<int16_t>((i * 37) % 1500));
    b.Samples(samples);
    const CRecSession& session = Open(b);
    view_.resize(900, 600);
    view_.show();
    QCoreApplication::processEvents();
    view_.GraphWidget()->repaint();

    EXPECT_FALSE(ChannelHeaders().contains(u"Curseur MIN"_qs));
    view_.ShowMinMax(true, true);
    view_.GraphWidget()->repaint();
    EXPECT_EQ(ChannelHeaders().mid(2, 3),
              (QStringList{u"Curseur MIN"_qs, u"Curseur AVG"_qs, u"Curseur MAX"_qs}));

    // Zoomed in until every value has pixels of its own, a column is a single value again.
    CTrendGraph& graph = view_.GraphWidget()->Graph();
    for (int i = 0; i < 12 && graph.CanZoomIn(); ++i)
        graph.ZoomIn();
    view_.GraphWidget()->Redraw();
    view_.GraphWidget()->repaint();
    EXPECT_FALSE(ChannelHeaders().contains(u"Curseur MIN"_qs));

    // The cursor's read-outs follow a click.
    const GraphRect plot = graph.InnerRect();
    view_.GraphWidget()->MoveCursor(plot.Width() / 2);
    view_.GraphWidget()->repaint();
    ASSERT_TRUE(graph.CursorValid());
    EXPECT_EQ(view_.ChannelList()->CellText(2), graph.CursorValueText(session.DisplayUnits()));
    const QString before = view_.ChannelList()->CellText(2);
    view_.GraphWidget()->MoveCursor(-plot.Width() / 3);
    view_.GraphWidget()->repaint();
    EXPECT_EQ(view_.ChannelList()->CellText(2), graph.CursorValueText(session.DisplayUnits()));
    EXPECT_NE(view_.ChannelList()->CellText(2), before) << "the read-out follows the cursor";
}

} // namespace
