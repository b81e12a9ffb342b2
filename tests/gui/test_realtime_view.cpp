#include "core/app/AppFolders.h"
#include "core/common/StringTable.h"
#include "core/instrument/InstrumentCommands.h"
#include "core/instrument/InstrumentPort.h"
#include "core/session/CRecSession.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/HelpLauncher.h"
#include "gui/dialogs/CEraseMemDlg.h"
#include "gui/graph/CTrendGraphWidget.h"
#include "gui/instrument/CVXRealtimeView.h"
#include "gui/sessions/CChannelListCtrl.h"
#include "support/EmulatedDocument.h"

#include <QAction>
#include <QApplication>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

// The instrument page over the real link and an emulated logger whose time the test moves.
class RealtimeView : public testing::Test {
protected:
    void Connect(int model) {
        rig_.Open(model);
        doc_ = rig_.doc.get();
        view_ = std::make_unique<CVXRealtimeView>(*doc_);
        doc_->Monitor().Connect();
    }

    void TickUntil(const std::function<bool()>& done) { ASSERT_TRUE(rig_.TickUntil(done)); }

    QStringList ChannelHeaders() const {
        QStringList headers;
        for (int i = 0; i < view_->ChannelList()->columnCount(); ++i)
            headers << view_->ChannelList()->HeaderText(i);
        return headers;
    }

    EmulatedDocument rig_;
    CVexloDoc* doc_ = nullptr;
    std::unique_ptr<CVXRealtimeView> view_;
};

TEST_F(RealtimeView, ShowsTheStatusRowsTheLiveLineAndTheGraph) {
    Connect(8);
    TickUntil([&] { return doc_->Monitor().ProcessedStatusCount() >= 6; });
    const QTreeWidget* rows = view_->StatusList();
    ASSERT_EQ(rows->topLevelItemCount(), doc_->Monitor().PageLabels().size());
    EXPECT_EQ(rows->headerItem()->text(0), u"Nom"_qs);
    EXPECT_EQ(rows->topLevelItem(0)->text(1), doc_->Monitor().PageValues().value(0));
    EXPECT_EQ(ChannelHeaders(), (QStringList{u"Voie"_qs, u"Couleur"_qs, u"MIN"_qs, u"MAX"_qs,
                                             u"AVG"_qs, u"Dernière"_qs}));
    EXPECT_EQ(view_->ChannelList()->CellText(5), doc_->Monitor().LiveStatistics().last);
    EXPECT_FALSE(view_->ChannelList()->CellText(5).isEmpty());
    ASSERT_NE(doc_->Monitor().LiveData(), nullptr);
    EXPECT_GT(doc_->Monitor().LiveData()->ChanData().ValueCount(), 1);

    // Nothing new from the logger: nothing on the page is touched.
    view_->Refresh();
    view_->Refresh();
    EXPECT_EQ(view_->LastCellUpdates(), 0);
}

TEST_F(RealtimeView, AnEventLoggerHasTheTwoEventColumns) {
    Connect(6);
    TickUntil([&] { return doc_->Monitor().ProcessedStatusCount() >= 2; });
    EXPECT_EQ(ChannelHeaders(), (QStringList{u"Voie"_qs, u"Couleur"_qs, u"Event Length"_qs,
                                             u"Window Total Events Length"_qs}));
}

TEST_F(RealtimeView, APulseLoggerEndsWithItsTotal) {
    Connect(5);
    TickUntil([&] { return doc_->Monitor().ProcessedStatusCount() >= 2; });
    EXPECT_EQ(ChannelHeaders().last(), u"Total"_qs);
}

TEST_F(RealtimeView, TheEraseWindowFollowsTheLoggersErase) {
    Connect(2);
    QTemporaryDir dir;
    const AppFolders folders(dir.path(), {dir.filePath(u"own"_qs), dir.filePath(u"cache"_qs)});
    HelpLauncher help(dir.filePath(u"vexlo.html"_qs), {}, [](const QUrl&) { return true; });
    CMainFrame frame(*doc_, folders, help);
    TickUntil([&] { return doc_->Monitor().ProcessedStatusCount() >= 2; });

    // Something in memory, so that there is something to erase.
    MonitorInstrumentPort port(doc_->Monitor());
    ASSERT_EQ(RecordingCommand(port, rig_.ui), CommandResultType::Sent);
    TickUntil([&] { return port.State().Recording(); });
    rig_.clock.AdvanceMs(5000);
    rig_.ui.Answer(AnswerType::Yes);
    ASSERT_EQ(RecordingCommand(port, rig_.ui), CommandResultType::Sent);
    TickUntil([&] { return !port.State().Recording() && port.State().MemoryInUse(); });
    frame.OnDocumentUpdate(UpdateHintType::InstrumentStatus);
    EXPECT_TRUE(frame.Action(CommandType::EraseMemory)->isEnabled());

    rig_.ui.Answer(AnswerType::Yes);
    ASSERT_EQ(EraseMemoryCommand(port, rig_.ui), CommandResultType::Sent);
    TickUntil([&] { return frame.IsEraseWindowShowing(); });
    auto* window = frame.findChild<CEraseMemDlg*>();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->Text().isEmpty());
    TickUntil([&] {
        QApplication::processEvents();
        return !frame.IsEraseWindowShowing();
    });
    EXPECT_FALSE(port.State().MemoryInUse());
}

} // namespace

TEST_F(RealtimeView, TheStatusListTakesTheWidthItNeedsUntilTheUserMovesTheDivider) {
    Connect(8);
    view_->resize(900, 600);
    view_->show();
    TickUntil([&] { return doc_->Monitor().ProcessedStatusCount() >= 2; });
    view_->Refresh();
    auto* panes = view_->findChild<QSplitter*>(u"instrumentPanes"_qs);
    ASSERT_NE(panes, nullptr);
    const QTreeWidget* rows = view_->StatusList();
    const int needed = rows->columnWidth(0) + rows->columnWidth(1);
    EXPECT_GE(panes->sizes().value(0), needed) << "every name and value whole";
    EXPECT_GE(view_->GraphWidget()->width(), CVXRealtimeView::kMinimumGraphSize);

    panes->setSizes({needed / 2, 900});
    emit panes->splitterMoved(needed / 2, 1);
    const QList<int> chosen = panes->sizes();
    view_->Refresh();
    EXPECT_EQ(panes->sizes(), chosen) << "where the user left the divider, it stays";
}
