// The session page's figures after the ordinary steps of a user: each is compared with what
// a graph drawn afresh for the same session, window and cursor gives, so that any figure
// left over from an earlier state shows.
#include "core/common/DurationFormat.h"
#include "core/doc/CVexloDoc.h"
#include "core/graph/SessionChannelLine.h"
#include "core/session/AlarmLimitsEditModel.h"
#include "core/session/CRecSession.h"
#include "core/session/ChannelTexts.h"
#include "gui/graph/CTrendGraphWidget.h"
#include "gui/sessions/CChannelListCtrl.h"
#include "gui/sessions/CVXSessionView.h"
#include "support/SessionFilesFixture.h"
#include "support/SessionImageBuilder.h"

#include <QCoreApplication>
#include <QFile>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

std::vector<int16_t> Ramp(int count, int modulo) {
    std::vector<int16_t> samples;
    for (int i = 0; i < count; ++i)
        samples.push_back(static_cast<int16_t>((i * 7) % modulo));
    return samples;
}

class SessionPageFigures : public SessionFilesFixture {
protected:
    SessionPageFigures() {
        view_.resize(1000, 640);
        view_.show();
        QCoreApplication::processEvents();
    }

    CRecSession& Open(const SessionImageBuilder& builder) {
        CRecSession& session = OpenBuilt(builder);
        view_.ShowSession(session.Number());
        QCoreApplication::processEvents();
        return session;
    }

    CTrendGraphWidget& Graph() { return *view_.GraphWidget(); }

    QStringList PageLine() const {
        QStringList texts;
        const CChannelListCtrl& list = *view_.ChannelList();
        for (int i = 0; i < list.columnCount(); ++i)
            texts << list.HeaderText(i) + u'=' + list.CellText(i);
        return texts;
    }

    // The line a graph drawn now, at the page's size, window and cursor, gives.
    QStringList FreshLine(const CRecSession& session) {
        CTrendGraphWidget fresh(doc_);
        fresh.resize(Graph().size());
        fresh.SetSession(&session, Graph().Graph().ViewState());
        freshLabel_ = fresh.Graph().CursorLabel();
        const SessionChannelLine line =
            SessionChannelLine::Of(session, fresh.Graph(), view_.MinMaxShown());
        QStringList texts;
        for (std::size_t i = 0; i < line.columns.size(); ++i)
            texts << ChanListHeaderText(line.columns[i].kind) + u'=' + line.texts[i];
        return texts;
    }

    void ExpectCurrent(const CRecSession& session) {
        EXPECT_EQ(PageLine(), FreshLine(session));
        EXPECT_EQ(Graph().Graph().CursorLabel(), freshLabel_);
    }

    void Apply(CRecSession& session, const std::function<void(SessionParamsValues&)>& change) {
        const SessionParamsValues before = SessionParamsValues::Of(session);
        SessionParamsValues after = before;
        change(after);
        doc_.ApplySessionParams(session, before, after);
        QCoreApplication::processEvents();
    }

    CVXSessionView view_{doc_};
    QString freshLabel_;
};

TEST_F(SessionPageFigures, AMovedStartReachesTheGraphAndStaysAfterAnotherSession) {
    CRecSession& session = Open(SessionImageBuilder().Samples(Ramp(3000, 1000)));
    Graph().MoveCursor(200);
    for (const qint64 shift : {qint64{1}, qint64{3600}}) {
        const QString labelBefore = Graph().Graph().CursorLabel();
        Apply(session, [&](SessionParamsValues& v) {
            v.correctedStart = v.correctedStart.AddSeconds(shift);
        });
        // The graph starts at the first value, one period after the start.
        EXPECT_EQ(Graph().Graph().SessionStart(), session.StartTime() + 1);
        EXPECT_NE(Graph().Graph().CursorLabel(), labelBefore);
        ExpectCurrent(session);
    }
    const qint64 start = session.StartTime();
    Open(SessionImageBuilder().Samples(Ramp(500, 300)));
    view_.ShowSession(session.Number());
    EXPECT_EQ(Graph().Graph().SessionStart(), start + 1);
    ExpectCurrent(session);
}

TEST_F(SessionPageFigures, CursorReadoutsFollowTheUnitTheScalesAndTheZoom) {
    SessionImageBuilder tc;
    tc.Set("Model", "8").Set("TC_Type", "K").Set("VRef", "1").Set("MaxCnt", "100");
    tc.Samples(Ramp(400, 40));
    CRecSession& thermocouple = Open(tc);
    view_.ShowMinMax(true, true);
    Graph().MoveCursor(150);
    ExpectCurrent(thermocouple);
    doc_.SetTemperatureUnits(0);
    QCoreApplication::processEvents();
    ExpectCurrent(thermocouple);
    for (const QString& cell : PageLine())
        EXPECT_FALSE(cell.contains(u"°F"_qs)) << cell.toStdString();

    CRecSession& voltage = Open(SessionImageBuilder().Samples(Ramp(5000, 1000)));
    Graph().MoveCursor(300);
    const QStringList before = PageLine();
    Apply(voltage, [](SessionParamsValues& v) { v.highScale = 500.0f; });
    EXPECT_NE(PageLine(), before);
    ExpectCurrent(voltage);

    // Zoom in right after zoom all: the values come from the column under the moved label.
    Graph().Graph().ZoomIn();
    Graph().Render();
    Graph().Graph().ZoomToAll();
    Graph().Render();
    Graph().Graph().ZoomIn();
    Graph().Render();
    ExpectCurrent(voltage);
}

TEST_F(SessionPageFigures, AColumnWithoutARealValueReadsItsState) {
    // Counts far below the range are all under-range markers.
    SessionImageBuilder b;
    b.Set("Model", "4").Samples(std::vector<int16_t>(50, -30000));
    Open(b);
    const QStringList line = PageLine();
    EXPECT_TRUE(line.contains(u"Curseur AVG=Sous la gamme"_qs)) << line.join(u' ').toStdString();
    view_.ShowMinMax(true, true);
    EXPECT_TRUE(PageLine().contains(u"Curseur AVG=Sous la gamme"_qs));
}

TEST_F(SessionPageFigures, WindowStatisticsAreTheNewSessionsWhateverCameBefore) {
    view_.ShowMinMax(true, true);
    CRecSession& first = Open(SessionImageBuilder().Samples(Ramp(20000, 1500)));
    for (int i = 0; i < 5; ++i)
        Graph().Graph().ZoomIn();
    Graph().Render();
    view_.SelectModeByIndex(1);

    // Opened in table mode: its figures are over the whole of it.
    SessionImageBuilder second;
    second.Samples(Ramp(30000, 2500));
    const CRecSession& shown = Open(second);
    const RangeStatisticsTexts all =
        ChannelTexts(shown.ChanData()).RangeStatistics(false, 0, 0, shown.DisplayUnits());
    EXPECT_TRUE(PageLine().contains(u"Fenêtre MAX="_qs + all.max));
    EXPECT_TRUE(PageLine().contains(u"Fenêtre MIN="_qs + all.min));
    view_.SelectModeByIndex(0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(PageLine().first(3).last().startsWith(u"Curseur MIN="_qs))
        << PageLine().join(u' ').toStdString();
    ExpectCurrent(shown);

    // Right after a session without values.
    Open(SessionImageBuilder());
    const CRecSession& pulse = Open(SessionImageBuilder().Set("Model", "5").Samples(Ramp(900, 9)));
    const RangeStatisticsTexts total =
        ChannelTexts(pulse.ChanData()).RangeStatistics(false, 0, 0, pulse.DisplayUnits());
    EXPECT_TRUE(PageLine().contains(u"Window Total="_qs + total.total));
    ExpectCurrent(pulse);
    view_.ShowSession(first.Number());
    ExpectCurrent(first);
}

TEST_F(SessionPageFigures, LimitsAndActivationEditedOnThePageReachItsLineAndGraphAtOnce) {
    SessionImageBuilder rtd;
    rtd.Set("Model", "7").Set("MaxCnt", "4096").Set("RTDRef", "4750").Set("RTDNom", "1000");
    rtd.Samples(Ramp(3000, 900));
    CRecSession& session = Open(rtd);
    doc_.SetTemperatureUnits(0);
    QCoreApplication::processEvents();
    const ValueRange before = Graph().Graph().CurrentValueRange();
    EXPECT_FALSE(PageLine().join(u' ').contains(u"Dépassements"_qs));

    const double high = before.highest + 40.0;
    ASSERT_TRUE(doc_.EditAlarmLimits(session, [&](AlarmLimitsEditModel& m) {
        return static_cast<bool>(m.Apply(QString(), QString::number(high), true));
    }));
    QCoreApplication::processEvents();
    EXPECT_GE(Graph().Graph().CurrentValueRange().highest, high) << "the new limit in view";
    EXPECT_TRUE(PageLine().contains(u"Temps au-dessus=0 s"_qs))
        << PageLine().join(u' ').toStdString();
    ExpectCurrent(session);

    const QStringList withDefault = PageLine();
    ASSERT_TRUE(doc_.EditOptions(
        [](OptionsModel& m) { return static_cast<bool>(m.SetMktActivationText(u"5000"_qs)); }));
    QCoreApplication::processEvents();
    EXPECT_NE(PageLine(), withDefault) << "the TCM follows ΔH/R";
    ExpectCurrent(session);

    // Removed again: the columns go and the range is the data's own.
    ASSERT_TRUE(doc_.EditAlarmLimits(session, [](AlarmLimitsEditModel& m) {
        return static_cast<bool>(m.Apply(QString(), QString(), false));
    }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(PageLine().join(u' ').contains(u"Temps au-dessus"_qs));
    EXPECT_EQ(Graph().Graph().CurrentValueRange(), before);
    ExpectCurrent(session);
}

TEST_F(SessionPageFigures, TheEventWindowTotalCoversTheWholeRecordingInView) {
    // Every other word active throughout, and a run still on at the end.
    std::vector<int16_t> words;
    for (int i = 0; i < 400; ++i)
        words.push_back(static_cast<int16_t>(i % 2 ? 0xFFFF : 0x0000));
    SessionImageBuilder b;
    b.Set("Model", "6").Set("Polarity", "1").Samples(words);
    const CRecSession& session = Open(b);
    double total = 0.0;
    for (const SessionEvent& e : session.ChanData().Events())
        total += e.LengthInSeconds();
    ASSERT_EQ(session.ChanData().Events().size(), 200u);
    EXPECT_TRUE(PageLine().contains(u"Window Total Events Length="_qs + FormatSpanWordsMs(total)))
        << PageLine().join(u' ').toStdString();
    ExpectCurrent(session);
}

TEST_F(SessionPageFigures, EachSessionKeepsItsOwnWindowCursorAndTablePlace) {
    const CRecSession& first = Open(SessionImageBuilder().Samples(Ramp(8000, 1000)));
    Graph().Graph().ZoomIn();
    Graph().Graph().ZoomIn();
    Graph().Render();
    Graph().MoveCursor(77);
    const double start = Graph().Graph().ViewStart();
    const double span = Graph().Graph().ViewSpan();
    const int cursor = Graph().Graph().CursorOffset();
    view_.SelectModeByIndex(1);
    view_.DataTable()->verticalScrollBar()->setValue(500);
    view_.SelectModeByIndex(0);

    Open(SessionImageBuilder().Samples(Ramp(6000, 900)));
    EXPECT_TRUE(Graph().Graph().IsShowingAll());
    EXPECT_FALSE(Graph().Graph().CanZoomBack());
    EXPECT_EQ(Graph().Graph().CursorOffset(), 0);
    EXPECT_EQ(view_.DataTable()->verticalScrollBar()->value(), 0);

    view_.ShowSession(first.Number());
    EXPECT_EQ(Graph().Graph().ViewStart(), start);
    EXPECT_EQ(Graph().Graph().ViewSpan(), span);
    EXPECT_EQ(Graph().Graph().CursorOffset(), cursor);
    EXPECT_EQ(Graph().Graph().ZoomHistorySize(), 2);
    EXPECT_EQ(view_.DataTable()->verticalScrollBar()->value(), 500);
    ExpectCurrent(first);
}

TEST_F(SessionPageFigures, TheModeButtonsKeepTheirPressedLook) {
    Open(SessionImageBuilder().Samples(Ramp(100, 50)));
    auto* graph = view_.findChild<QToolButton*>(u"graphButton"_qs);
    auto* table = view_.findChild<QToolButton*>(u"tableButton"_qs);
    graph->click();
    graph->click();
    EXPECT_TRUE(graph->isChecked());
    EXPECT_FALSE(table->isChecked());
    table->click();
    table->click();
    EXPECT_TRUE(table->isChecked());
    EXPECT_FALSE(graph->isChecked());
    EXPECT_EQ(view_.Mode(), CVXSessionView::ModeType::Table);
    Open(SessionImageBuilder().Samples(Ramp(100, 50)));
    EXPECT_TRUE(table->isChecked());
    EXPECT_FALSE(graph->isChecked());
}

} // namespace
