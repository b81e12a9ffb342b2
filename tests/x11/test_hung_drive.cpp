#include "core/app/AppFolders.h"
#include "core/common/StringTable.h"
#include "core/doc/CVexloDoc.h"
#include "core/instrument/CInstComm.h"
#include "core/instrument/CInstrumentMonitor.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CommandType.h"
#include "gui/app/HelpLauncher.h"
#include "gui/instrument/CVXRealtimeView.h"
#include "sim/ManualClock.h"
#include "support/DriveGate.h"
#include "support/FakeDriveBackend.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedUserInterface.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

// A logger drive whose every call waits while it hangs, as a stalled device does. It counts
// the calls that come on the window's thread: there must be none.
class HangingDrive final : public DriveBackend {
public:
    HangingDrive() {
        inner.SetFile(u"/logger"_qs, DriveFileType::Status,
                      "Model=2\r\nSerNum=7\r\nTime=2024/03/05 14:07:09\r\nMemSize=2048000\r\n"
                      "MemUsed=0\r\nCodePageSize=256\r\nNumCodePages=4096\r\n");
        inner.SetFile(u"/logger"_qs, DriveFileType::Config, "FilterSize=1\r\n");
    }
    void SetHung(bool on) { gate_.SetClosed(on); }
    int CallsOnTheWindowThread() const { return gate_.PassesOnOwnerThread(); }
    std::vector<QString> CandidateDrives() const override {
        gate_.Pass();
        return inner.CandidateDrives();
    }
    bool DriveExists(const QString& root) const override {
        gate_.Pass();
        return inner.DriveExists(root);
    }
    qint64 ReadFile(const QString& root, DriveFileType file, qint64 offset, char* buffer,
                    qint64 size) override {
        gate_.Pass();
        return inner.ReadFile(root, file, offset, buffer, size);
    }
    qint64 WriteFile(const QString& root, DriveFileType file, qint64 offset, const char* data,
                     qint64 size) override {
        gate_.Pass();
        return inner.WriteFile(root, file, offset, data, size);
    }

    FakeDriveBackend inner;

private:
    DriveGate gate_;
};

class HungDrive : public testing::Test {
protected:
    void SetUp() override {
        if (!qApp || QGuiApplication::platformName() != u"xcb")
            GTEST_SKIP() << "no X display";
        doc_.Monitor().Connect();
        frame_.show();
    }
    void TearDown() override { drive_.SetHung(false); }

    // The event loop for `ms` of real time; how many times a 10 ms timer fired meanwhile.
    int TurnFor(int ms) {
        int fired = 0;
        QTimer beat;
        QObject::connect(&beat, &QTimer::timeout, [&] { ++fired; });
        beat.start(10);
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired())
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return fired;
    }
    // The event loop until `done`, the program's clock moving with it. The bound only keeps a
    // broken build from hanging: a loaded machine may take far longer.
    bool RunUntil(const std::function<bool()>& done, int ms = 60000) {
        QDeadlineTimer deadline(ms);
        while (!done() && !deadline.hasExpired()) {
            clock_.AdvanceMs(20);
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return done();
    }
    QString ConnectionRow() const {
        const QTreeWidget* rows = frame_.RealtimeView()->StatusList();
        return rows && rows->topLevelItemCount() > 0 ? rows->topLevelItem(0)->text(1) : QString();
    }

    QTemporaryDir dir_;
    AppFolders folders_{dir_.path(), {dir_.filePath(u"own"_qs), dir_.filePath(u"cache"_qs)}};
    HelpLauncher help_{dir_.filePath(u"vexlo.html"_qs), {}, [](const QUrl&) { return true; }};
    MemorySettingsStore settings_;
    ManualClock clock_{1709644029, 0};
    ScriptedUserInterface ui_;
    HangingDrive drive_;
    CVexloDoc doc_{settings_, drive_, clock_, ui_};
    CMainFrame frame_{doc_, folders_, help_};
};

} // namespace

// A drive that hangs, then a device change: the window keeps turning all along, says the
// logger does not answer once the link's limit has passed, and follows it when it answers.
TEST_F(HungDrive, TheWindowKeepsTurningAndSaysTheLoggerDoesNotAnswer) {
    ASSERT_TRUE(RunUntil([&] { return doc_.Monitor().IsConnected(); }));
    drive_.SetHung(true);
    // Blocked on the drive, the window would not turn at all; a loaded machine turns it less
    // often than a user's, but several times in half a second.
    EXPECT_GT(TurnFor(500), 5) << "the timer fired while the drive hung";
    QMetaObject::invokeMethod(
        &frame_, [this] { doc_.Monitor().OnDeviceChange(); }, Qt::QueuedConnection);
    EXPECT_GT(TurnFor(500), 5) << "and through a device change";

    clock_.AdvanceMs(kTransferLimitMs);
    ASSERT_TRUE(RunUntil([&] { return doc_.Monitor().NotAnswering(); }));
    EXPECT_TRUE(RunUntil([&] { return ConnectionRow() == u"L’instrument ne répond plus"_qs; }));
    EXPECT_TRUE(frame_.Action(CommandType::Connect)->isEnabled());
    EXPECT_FALSE(frame_.Action(CommandType::Configure)->isEnabled());

    drive_.SetHung(false);
    EXPECT_TRUE(RunUntil([&] { return !doc_.Monitor().NotAnswering(); }));
    EXPECT_TRUE(doc_.Monitor().IsConnected());
    EXPECT_EQ(drive_.CallsOnTheWindowThread(), 0);
}
