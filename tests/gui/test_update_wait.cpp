#include "core/app/AppFolders.h"
#include "core/app/SettingsKeys.h"
#include "core/app/WebUpdate.h"
#include "core/common/StringTable.h"
#include "core/doc/CVexloDoc.h"
#include "core/instrument/FirmwareOffer.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CommandType.h"
#include "gui/app/HelpLauncher.h"
#include "platform/QtHttpClient.h"
#include "sim/ManualClock.h"
#include "support/FakeDriveBackend.h"
#include "support/LocalHttpServer.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedUserInterface.h"
#include "support/SlowHttpServer.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Turns the event loop until `done` says so, for `ms` at most.
bool RunUntil(const std::function<bool()>& done, int ms = 10000) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(5);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
    return done();
}

// The main window against an update server that takes requests and never answers them.
class UpdateWait : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(server_.Running());
        settings_.SetString(SettingsKeys::SettingsSection(), SettingsKeys::UpdateServer(),
                            server_.Base());
        frame_.SetWebUpdate(&web_, &offer_);
        frame_.show();
    }
    QLabel* WaitText() const { return frame_.findChild<QLabel*>(u"serverWaitText"_qs); }
    QPushButton* WaitCancel() const {
        return frame_.findChild<QPushButton*>(u"serverWaitCancel"_qs);
    }
    bool RequestOut() const { return !server_.Requests().isEmpty(); }

    QTemporaryDir dir_;
    SlowHttpServer server_{SlowHttpServer::ModeType::Silent};
    AppFolders folders_{dir_.path(), {dir_.filePath(u"own"_qs), dir_.filePath(u"cache"_qs)}};
    std::vector<QUrl> opened_;
    HelpLauncher help_{
        InstalledHelpPath(QStringLiteral(VEXLO_PROGRAMS_DIR)), {}, [this](const QUrl& url) {
            opened_.push_back(url);
            return true;
        }};
    MemorySettingsStore settings_;
    FakeDriveBackend drives_;
    ManualClock clock_;
    ScriptedUserInterface ui_;
    CVexloDoc doc_{settings_, drives_, clock_, ui_};
    QtHttpClient http_;
    WebUpdate web_{http_, settings_, ui_};
    FirmwareOffer offer_{web_, ui_};
    CMainFrame frame_{doc_, folders_, help_};
};

TEST_F(UpdateWait, TheWindowShowsAndKeepsTurningWhileTheStartUpCheckWaits) {
    bool started = false;
    frame_.StartProgramCheck(dir_.filePath(u"vexlo"_qs), [&started](const QString&) {
        started = true;
        return true;
    });
    EXPECT_TRUE(frame_.isVisible());
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(10);
    ASSERT_TRUE(RunUntil([&] { return RequestOut() && ticks >= 20; }));
    EXPECT_TRUE(frame_.isVisible());
    // An automatic check waits without a word.
    EXPECT_FALSE(WaitText()->isVisible());
    // It ends at the connection limit, silently, with the window still there.
    ASSERT_TRUE(RunUntil([&] { return web_.LastFetch() != FetchResultType::NotTried; },
                         int(WebUpdate::kVersionsLimits.connectMs) + 10000));
    EXPECT_EQ(web_.LastFetch(), FetchResultType::Unreadable);
    EXPECT_TRUE(ui_.Events().empty());
    EXPECT_FALSE(started);
    EXPECT_TRUE(frame_.isVisible());
}

TEST_F(UpdateWait, F1OpensTheInstalledHelpAtOnceWhileANewerOneIsAskedFor) {
    frame_.ContextHelp();
    ASSERT_EQ(opened_.size(), 1u);
    ASSERT_TRUE(RunUntil([&] { return RequestOut(); }));
    EXPECT_EQ(opened_.size(), 1u);
    EXPECT_FALSE(WaitText()->isVisible());
}

TEST_F(UpdateWait, TheManualShowsItsWaitUntilAnnulerStopsIt) {
    frame_.Action(CommandType::Manual)->trigger();
    ASSERT_TRUE(WaitText()->isVisible());
    EXPECT_EQ(WaitText()->text(), ResourceString(TextId::kServerWaitVersions));
    EXPECT_TRUE(WaitCancel()->isVisible());
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
    ASSERT_TRUE(RunUntil([&] { return RequestOut(); }));

    WaitCancel()->click();
    EXPECT_FALSE(WaitText()->isVisible());
    EXPECT_FALSE(WaitCancel()->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // Past the connection limit nothing more happens: no message, no page.
    QElapsedTimer clock;
    clock.start();
    RunUntil([&] { return clock.elapsed() > WebUpdate::kVersionsLimits.connectMs + 500; },
             int(WebUpdate::kVersionsLimits.connectMs) + 2000);
    EXPECT_TRUE(ui_.Events().empty());
    EXPECT_EQ(web_.LastFetch(), FetchResultType::NotTried);
}

TEST_F(UpdateWait, EscapeStopsTheWaitToo) {
    frame_.Action(CommandType::Manual)->trigger();
    QShortcut* escape = nullptr;
    for (QShortcut* s : frame_.findChildren<QShortcut*>())
        if (s->key() == QKeySequence(Qt::Key_Escape))
            escape = s;
    ASSERT_NE(escape, nullptr);
    EXPECT_TRUE(escape->isEnabled());
    emit escape->activated();
    EXPECT_FALSE(WaitText()->isVisible());
    EXPECT_FALSE(escape->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// A newer help file from the server replaces the installed one for the next F1, not this one.
TEST(UpdateHelp, ANewerHelpServesTheNextPress) {
    QTemporaryDir dir;
    QTemporaryDir www;
    LocalHttpServer server(www.path());
    ASSERT_TRUE(server.Running());
    server.Put(u"brivel-software/updates/versions.txt"_qs,
               "[VexloFR]\r\nHelp=9.0.0;" + server.Base().toLatin1() + "/help.html\r\n");
    server.Put(u"help.html"_qs, "<html>newer help</html>");
    MemorySettingsStore settings;
    settings.SetString(SettingsKeys::SettingsSection(), SettingsKeys::UpdateServer(),
                       server.Base());
    const AppFolders folders(dir.filePath(u"documents"_qs),
                             {dir.filePath(u"own"_qs), dir.filePath(u"cache"_qs)});
    std::vector<QByteArray> shown;
    const QString installed = InstalledHelpPath(QStringLiteral(VEXLO_PROGRAMS_DIR));
    HelpLauncher help(installed, folders.DownloadedHelpPath(), [&](const QUrl& url) {
        QFile f(url.toLocalFile());
        shown.push_back(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
        return true;
    });
    help.KeepDownloadedFile([&settings] {
        return settings.GetInt(SettingsKeys::SettingsSection(), SettingsKeys::HelpVersion(), 0) > 0;
    });
    FakeDriveBackend drives;
    ManualClock clock;
    ScriptedUserInterface ui;
    CVexloDoc doc(settings, drives, clock, ui);
    QtHttpClient http;
    WebUpdate web(http, settings, ui);
    CMainFrame frame(doc, folders, help);
    frame.SetWebUpdate(&web, nullptr);

    frame.Action(CommandType::HelpTopics)->trigger();
    ASSERT_EQ(shown.size(), 1u);
    QFile installedPage(installed);
    ASSERT_TRUE(installedPage.open(QIODevice::ReadOnly));
    EXPECT_EQ(shown[0], installedPage.readAll());
    ASSERT_TRUE(RunUntil([&] {
        return settings.GetInt(SettingsKeys::SettingsSection(), SettingsKeys::HelpVersion(), 0) > 0;
    }));
    frame.Action(CommandType::HelpTopics)->trigger();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1], "<html>newer help</html>");
    EXPECT_TRUE(ui.Events().empty());
    // The documents hold the user's files only.
    EXPECT_TRUE(QDir(dir.filePath(u"documents/Vexlo"_qs))
                    .entryList(QDir::Files | QDir::NoDotAndDotDot)
                    .isEmpty());
}

} // namespace
