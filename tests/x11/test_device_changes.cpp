#include "core/app/AppFolders.h"
#include "core/common/Clock.h"
#include "core/common/StringTable.h"
#include "core/doc/CVexloDoc.h"
#include "core/instrument/CInstComm.h"
#include "core/instrument/CInstrumentMonitor.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CommandType.h"
#include "gui/app/HelpLauncher.h"
#include "gui/instrument/CVXRealtimeView.h"
#include "platform/PosixDriveBackend.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedUserInterface.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

// The program's main window over the real drives: the mount table and one VEXLO_DRIVES
// folder. Loggers are served by vexlo-sim as a user would run it.
class DeviceChanges : public testing::Test {
protected:
    void SetUp() override {
        if (!qApp || QGuiApplication::platformName() != u"xcb")
            GTEST_SKIP() << "no X display";
        ASSERT_TRUE(dir_.isValid());
        folderRoot_ = dir_.filePath(QStringLiteral("drive"));
        // As the program is started: the folder named in the environment.
        qputenv("VEXLO_DRIVES", QFile::encodeName(folderRoot_));
        drives_ = std::make_unique<PosixDriveBackend>();
        doc_ = std::make_unique<CVexloDoc>(settings_, *drives_, clock_, ui_);
        frame_ = std::make_unique<CMainFrame>(*doc_, folders_, help_);
        // The document's own start, as the program makes it.
        doc_->Monitor().Connect();
        frame_->show();
    }
    void TearDown() override {
        qunsetenv("VEXLO_DRIVES");
        StopServing();
        if (!mountPoint_.isEmpty()) {
            ::umount(QFile::encodeName(mountPoint_).constData());
            QDir().rmdir(mountPoint_);
        }
    }

    void Serve(const QString& folder) {
        sim_.start(QStringLiteral(VEXLO_SIM), {u"serve"_qs, folder, u"--model"_qs, u"2"_qs});
        ASSERT_TRUE(sim_.waitForStarted());
    }
    void StopServing() {
        if (sim_.state() == QProcess::NotRunning)
            return;
        sim_.terminate();
        sim_.waitForFinished(5000);
    }

    // Lets the event loop run until `done`. The bound only keeps a broken build from hanging:
    // a loaded machine may take far longer than a user's to show a change.
    bool RunUntil(const std::function<bool()>& done, int ms = 60000) {
        QDeadlineTimer deadline(ms);
        while (!done() && !deadline.hasExpired())
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }
    bool Connected() const {
        return doc_->Monitor().IsConnected() && doc_->Monitor().PageValues().size() > 1;
    }
    bool ShowsOnlyDisconnected() const {
        const QTreeWidget* rows = frame_->RealtimeView()->StatusList();
        return rows && rows->topLevelItemCount() == 1 &&
               rows->topLevelItem(0)->text(1) == ResourceString(655);
    }
    std::string Shown() const {
        const QTreeWidget* rows = frame_->RealtimeView()->StatusList();
        QStringList texts;
        for (int i = 0; rows && i < rows->topLevelItemCount(); ++i)
            texts << rows->topLevelItem(i)->text(0) + u'=' + rows->topLevelItem(i)->text(1);
        return texts.join(u" | ").toStdString();
    }
    bool CommandEnabled(CommandType command) const { return frame_->Action(command)->isEnabled(); }

    QTemporaryDir dir_;
    QString folderRoot_;
    QString mountPoint_;
    AppFolders folders_{dir_.path(), {dir_.filePath(u"own"_qs), dir_.filePath(u"cache"_qs)}};
    HelpLauncher help_{dir_.filePath(u"vexlo.html"_qs), {}, [](const QUrl&) { return true; }};
    MemorySettingsStore settings_;
    SystemClock clock_;
    ScriptedUserInterface ui_;
    std::unique_ptr<PosixDriveBackend> drives_;
    std::unique_ptr<CVexloDoc> doc_;
    std::unique_ptr<CMainFrame> frame_;
    QProcess sim_;
};

} // namespace

TEST_F(DeviceChanges, AFolderDriveThatComesAndGoesIsFollowed) {
    ASSERT_TRUE(RunUntil([&] { return ShowsOnlyDisconnected(); })) << Shown();
    EXPECT_FALSE(CommandEnabled(CommandType::Configure));

    Serve(folderRoot_);
    ASSERT_TRUE(RunUntil([&] { return Connected(); }))
        << "plugging in connects without a command: " << Shown() << " phase "
        << int(doc_->Monitor().Phase());
    EXPECT_TRUE(RunUntil([&] { return CommandEnabled(CommandType::Configure); }));

    StopServing();
    ASSERT_TRUE(QDir(folderRoot_).removeRecursively());
    ASSERT_TRUE(RunUntil([&] { return ShowsOnlyDisconnected(); }));
    EXPECT_FALSE(CommandEnabled(CommandType::Configure));
    EXPECT_FALSE(CommandEnabled(CommandType::Download));

    Serve(folderRoot_);
    EXPECT_TRUE(RunUntil([&] { return Connected(); })) << "and again";
}

TEST_F(DeviceChanges, AMountedDriveThatComesAndGoesIsFollowed) {
    if (qgetenv("VEXLO_PRIVATE_MOUNTS") != "1")
        GTEST_SKIP() << "no mount namespace of our own: a mount would show to every program";
    const QString source = dir_.filePath(u"source"_qs);
    mountPoint_ = QStringLiteral("/media/vexlo-x11-%1").arg(::getpid());
    if (!QDir().mkpath(mountPoint_)) {
        mountPoint_.clear();
        GTEST_SKIP() << "cannot make a mount point under /media";
    }
    Serve(source);
    ASSERT_TRUE(RunUntil([&] { return QFile::exists(source + u"/STATUS.INI"_qs); }));
    ASSERT_TRUE(RunUntil([&] { return ShowsOnlyDisconnected(); }));

    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(mountPoint_);
    if (::mount(from.constData(), to.constData(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "no bind mount here: " << std::strerror(errno);
    ASSERT_TRUE(RunUntil([&] { return Connected(); })) << "a mount reaches the monitor";
    EXPECT_EQ(doc_->Monitor().Link()->DriveRoot(), mountPoint_);

    ASSERT_EQ(::umount(to.constData()), 0);
    ASSERT_TRUE(RunUntil([&] { return ShowsOnlyDisconnected(); })) << "so does an unmount";
    EXPECT_FALSE(CommandEnabled(CommandType::Configure));

    ASSERT_EQ(::mount(from.constData(), to.constData(), nullptr, MS_BIND, nullptr), 0);
    EXPECT_TRUE(RunUntil([&] { return Connected(); })) << "and a mount again";
}

// The emulated logger mounted through FUSE after the program started: found through the mount
// table alone, connected, then its page shows the disconnection when the drive unplugs itself.
TEST_F(DeviceChanges, AFuseLoggerMountedAfterStartConnectsAndItsUnplugIsShown) {
    if (qgetenv("VEXLO_PRIVATE_MOUNTS") != "1")
        GTEST_SKIP() << "no mount namespace of our own: a mount would show to every program";
    if (::access("/dev/fuse", R_OK | W_OK) != 0)
        GTEST_SKIP() << "no usable /dev/fuse here";
    ASSERT_TRUE(RunUntil([&] { return ShowsOnlyDisconnected(); }));
    const QString point = dir_.filePath(u"VEXLO"_qs);
    ASSERT_TRUE(QDir().mkpath(point));
    sim_.start(QStringLiteral(VEXLO_SIM),
               {u"mount"_qs, point, u"--model"_qs, u"2"_qs, u"--fault"_qs, u"unplug-after=6"_qs});
    ASSERT_TRUE(sim_.waitForStarted());
    if (sim_.waitForFinished(500) && sim_.exitCode() != 0)
        GTEST_SKIP() << "vexlo-sim has no FUSE here: " << sim_.readAll().toStdString();
    ASSERT_TRUE(RunUntil([&] { return Connected(); })) << "plugging in connects: " << Shown();
    EXPECT_EQ(doc_->Monitor().Link()->DriveRoot(), point);
    EXPECT_TRUE(RunUntil([&] { return CommandEnabled(CommandType::Configure); }));

    ASSERT_TRUE(RunUntil([&] { return ShowsOnlyDisconnected(); }))
        << "the unplug reaches the page: " << Shown();
    EXPECT_FALSE(CommandEnabled(CommandType::Configure));
    EXPECT_TRUE(RunUntil([&] { return sim_.state() == QProcess::NotRunning; }))
        << "vexlo-sim ends with its drive";
}
