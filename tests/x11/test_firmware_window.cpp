#include "core/app/AppFolders.h"
#include "core/app/SettingsKeys.h"
#include "core/app/WebUpdate.h"
#include "core/common/Clock.h"
#include "core/common/StringTable.h"
#include "core/doc/CVexloDoc.h"
#include "core/instrument/CInstrumentMonitor.h"
#include "core/instrument/FirmwareOffer.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CommandType.h"
#include "gui/app/HelpLauncher.h"
#include "gui/dialogs/CFlashUpgradeDlg.h"
#include "platform/PosixDriveBackend.h"
#include "platform/QtHttpClient.h"
#include "support/IntelHexBuilder.h"
#include "support/LocalHttpServer.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedUserInterface.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// The desktop's firmware offer on the X11 event loop: a logger served by vexlo-sim, the
// update server a local http.server, the upgrade window run by its own timer.
class FirmwareWindow : public testing::Test {
protected:
    void SetUp() override {
        if (!qApp || QGuiApplication::platformName() != u"xcb")
            GTEST_SKIP() << "no X display";
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(server_.Running());
        const QByteArray hex = IntelHexBuilder::Text(IntelHexBuilder::Firmware(6000));
        server_.Put(u"vx.hex"_qs, hex);
        server_.Put(u"brivel-software/updates/versions.txt"_qs,
                    "[VexloFR]\r\nVxHex=3.10.0000;" + server_.Base().toLatin1() + "/vx.hex\r\n");
        settings_.SetString(SettingsKeys::SettingsSection(), SettingsKeys::UpdateServer(),
                            server_.Base());
        const QString drive = dir_.filePath(u"drive"_qs);
        qputenv("VEXLO_DRIVES", QFile::encodeName(drive));
        sim_.start(QStringLiteral(VEXLO_SIM), {u"serve"_qs, drive, u"--model"_qs, u"3"_qs});
        ASSERT_TRUE(sim_.waitForStarted());
        drives_ = std::make_unique<PosixDriveBackend>();
        doc_ = std::make_unique<CVexloDoc>(settings_, *drives_, clock_, ui_);
        frame_ = std::make_unique<CMainFrame>(*doc_, folders_, help_);
        frame_->SetWebUpdate(&web_, &offer_);
        frame_->show();
        offer_.SetStartupFinished(true);
    }
    void TearDown() override {
        qunsetenv("VEXLO_DRIVES");
        sim_.terminate();
        sim_.waitForFinished(5000);
    }
    bool RunUntil(const std::function<bool()>& done, int ms = 60000) {
        QDeadlineTimer deadline(ms);
        while (!done() && !deadline.hasExpired())
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }

    QTemporaryDir dir_;
    QTemporaryDir www_;
    LocalHttpServer server_{www_.path()};
    AppFolders folders_{dir_.path(), {dir_.filePath(u"own"_qs), dir_.filePath(u"cache"_qs)}};
    HelpLauncher help_{dir_.filePath(u"vexlo.html"_qs), {}, [](const QUrl&) { return true; }};
    MemorySettingsStore settings_;
    SystemClock clock_;
    ScriptedUserInterface ui_;
    QtHttpClient http_;
    WebUpdate web_{http_, settings_, ui_};
    FirmwareOffer offer_{web_, ui_};
    std::unique_ptr<PosixDriveBackend> drives_;
    std::unique_ptr<CVexloDoc> doc_;
    std::unique_ptr<CMainFrame> frame_;
    QProcess sim_;
};

TEST_F(FirmwareWindow, TheOfferAfterAStatusReadProgramsTheLogger) {
    ui_.Answer(AnswerType::Yes);
    // What the window showed at the end, before OK closes it.
    QString endText;
    bool monitorWaited = true;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<CFlashUpgradeDlg*>(w);
            if (!window || !window->isVisible())
                continue;
            monitorWaited = monitorWaited && doc_->Monitor().IsBusy();
            if (window->OkEnabled()) {
                endText = window->Text();
                window->accept();
            }
        }
    });
    watch.start(50);
    doc_->Monitor().Connect();
    ASSERT_TRUE(RunUntil([&] { return !endText.isEmpty(); }))
        << sim_.readAllStandardError().toStdString();
    EXPECT_EQ(endText, ResourceString(TextId::kFirmwareDone));
    EXPECT_TRUE(monitorWaited);
    EXPECT_EQ(ui_.EventsOf(ScriptedUserInterface::KindType::YesNoCancel).size(), 1u);
    EXPECT_TRUE(ui_.Messages().empty());
    // The monitor takes the logger up again; the offer rests for this connection.
    const int before = doc_->Monitor().ProcessedStatusCount();
    EXPECT_TRUE(RunUntil([&] { return doc_->Monitor().ProcessedStatusCount() > before; }));
    EXPECT_FALSE(frame_->Action(CommandType::FirmwareUpgrade)->isEnabled());
}

} // namespace
