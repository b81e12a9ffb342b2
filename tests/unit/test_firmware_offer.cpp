#include "core/app/SettingsKeys.h"
#include "core/app/WebUpdate.h"
#include "core/common/StringTable.h"
#include "core/instrument/ControlBlock.h"
#include "core/instrument/FirmwareOffer.h"
#include "core/instrument/FirmwareUpgrade.h"
#include "core/instrument/FlashUpgradeJob.h"
#include "core/instrument/InstrumentPort.h"
#include "support/EmulatedDocument.h"
#include "support/FakeHttpClient.h"
#include "support/IntelHexBuilder.h"

#include <gtest/gtest.h>
#include <optional>

namespace {

using KindType = ScriptedUserInterface::KindType;

const QString kServer = QStringLiteral("https://updates.test");
const QString kVersionsUrl = kServer + QStringLiteral("/brivel-software/updates/versions.txt");
const QString kHexUrl = QStringLiteral("https://updates.test/vx.hex");

// The emulated logger runs firmware "3.02".
QByteArray Versions(const QByteArray& firmware) {
    return "[VexloFR]\r\nVxExe=1.1.0000;https://updates.test/vexlo\r\nVxHex=" + firmware + "\r\n";
}

class FirmwareTest : public ::testing::Test {
protected:
    void SetUp() override {
        env_.Open(3);
        env_.settings.SetString(SettingsKeys::SettingsSection(), SettingsKeys::UpdateServer(),
                                kServer);
        env_.doc->Monitor().Connect();
        ASSERT_TRUE(env_.TickUntil([this] { return Monitor().ProcessedStatusCount() > 0; }));
        offer_.SetStartupFinished(true);
    }
    CInstrumentMonitor& Monitor() { return env_.doc->Monitor(); }
    InstrumentState State() { return MonitorInstrumentPort(Monitor()).State(); }
    int Connection() { return Monitor().ConnectionNumber(); }
    bool InFlashMode() {
        return env_.drive->WithLogger([](LoggerEmulator& l) { return l.Flash().Active(); });
    }
    QByteArray Programmed() {
        return env_.drive->WithLogger([](LoggerEmulator& l) { return l.Flash().Image(); });
    }
    void WaitForLink() {
        CInstComm* link = Monitor().Link();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (link && (!link->IsIdle() || link->TransferOut()) &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    // The window's timer; `cancelAfter` steps, then "Annuler" answered yes.
    void RunWindow(FlashUpgradeJob& job, int cancelAfter = -1) {
        for (int steps = 0; job.Running() && steps < 20000; ++steps) {
            if (steps == cancelAfter) {
                job.Cancel();
                break;
            }
            busyDuringWindow_ = busyDuringWindow_ && Monitor().IsBusy();
            WaitForLink();
            env_.clock.AdvanceMs(10);
            job.Step();
        }
    }
    UpgradeEndType Upgrade(QByteArrayView hex, int cancelAfter = -1) {
        return UpgradeFirmware(
            Monitor(), hex, env_.ui, env_.clock,
            [this, cancelAfter](FlashUpgradeJob& job) { RunWindow(job, cancelAfter); });
    }
    // Starts a check; `ended` hears its end.
    void Start(bool userAsked, std::optional<FirmwareCheckEndType>& ended) {
        offer_.CheckFirmware(
            userAsked, State(), Connection(),
            [this](QByteArrayView hex) {
                handed_.push_back(hex.toByteArray());
                return Upgrade(hex);
            },
            [&ended](FirmwareCheckEndType end) { ended = end; });
    }
    // A check whose requests are answered at once.
    FirmwareCheckEndType Check(bool userAsked) {
        std::optional<FirmwareCheckEndType> ended;
        Start(userAsked, ended);
        http_.AnswerAll();
        EXPECT_TRUE(ended.has_value());
        return ended.value_or(FirmwareCheckEndType::NotNow);
    }
    // A check that cannot start ends at once.
    FirmwareCheckEndType CheckNow(FirmwareOffer& offer, bool userAsked,
                                  const InstrumentState& state) {
        std::optional<FirmwareCheckEndType> ended;
        offer.CheckFirmware(userAsked, state, Connection(), {},
                            [&ended](FirmwareCheckEndType end) { ended = end; });
        EXPECT_TRUE(ended.has_value());
        return ended.value_or(FirmwareCheckEndType::Upgraded);
    }

    EmulatedDocument env_;
    FakeHttpClient http_;
    WebUpdate web_{http_, env_.settings, env_.ui};
    FirmwareOffer offer_{web_, env_.ui};
    std::vector<QByteArray> handed_;
    bool busyDuringWindow_ = true;
};

TEST_F(FirmwareTest, TheImageIsProgrammedWhileTheMonitorWaits) {
    const QByteArray bytes = IntelHexBuilder::Firmware(70000);
    EXPECT_EQ(Upgrade(IntelHexBuilder::Text(bytes)), UpgradeEndType::Finished);
    EXPECT_TRUE(busyDuringWindow_);
    EXPECT_FALSE(Monitor().IsBusy());
    EXPECT_FALSE(InFlashMode());
    const QByteArray programmed = Programmed();
    EXPECT_EQ(programmed.left(bytes.size()), bytes);
    EXPECT_EQ(programmed.mid(bytes.size()), QByteArray(programmed.size() - bytes.size(), '\0'));
    // The monitor takes the logger up again.
    const int before = Monitor().ProcessedStatusCount();
    EXPECT_TRUE(env_.TickUntil([&] { return Monitor().ProcessedStatusCount() > before; }));
}

TEST_F(FirmwareTest, ARefusedTextOrImageSendsNothing) {
    const QByteArray bad = ":0200000212AB3F\r\n";
    EXPECT_EQ(Upgrade(bad), UpgradeEndType::Refused);
    const QByteArray unmarked = IntelHexBuilder::Text(QByteArray(4096, '\x11'));
    EXPECT_EQ(Upgrade(unmarked), UpgradeEndType::Refused);
    QByteArray reversed = IntelHexBuilder::Firmware(4096);
    std::swap(reversed[1056], reversed[1057]);
    EXPECT_EQ(Upgrade(IntelHexBuilder::Text(reversed)), UpgradeEndType::Refused);
    EXPECT_EQ(Upgrade(""), UpgradeEndType::Refused);
    const auto shown = env_.ui.Messages();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].text, ResourceString(TextId::kHexUnknownRecord));
    EXPECT_EQ(shown[1].text, ResourceString(TextId::kFirmwareIncompatible));
    EXPECT_EQ(shown[2].text, ResourceString(TextId::kFirmwareIncompatible));
    EXPECT_EQ(shown[3].text, ResourceString(TextId::kHexNoCode));
    EXPECT_FALSE(InFlashMode());
    EXPECT_TRUE(Programmed().isEmpty());
    EXPECT_FALSE(Monitor().IsBusy());
}

TEST_F(FirmwareTest, ACancelledUpgradeReleasesTheMonitor) {
    EXPECT_EQ(Upgrade(IntelHexBuilder::Text(IntelHexBuilder::Firmware(8192)), 12),
              UpgradeEndType::Cancelled);
    EXPECT_FALSE(Monitor().IsBusy());
}

TEST_F(FirmwareTest, WithoutALoggerNothingStarts) {
    Monitor().Disconnect();
    EXPECT_EQ(Upgrade(IntelHexBuilder::Text(IntelHexBuilder::Firmware(4096))),
              UpgradeEndType::NotStarted);
}

TEST_F(FirmwareTest, UpToDateFirmwareIsSaidOnlyWhenTheUserAsked) {
    http_.Serve(kVersionsUrl, Versions("3.02.0000;" + kHexUrl.toLatin1()));
    EXPECT_EQ(Check(false), FirmwareCheckEndType::UpToDate);
    EXPECT_TRUE(env_.ui.Messages().empty());
    EXPECT_EQ(Check(true), FirmwareCheckEndType::UpToDate);
    ASSERT_EQ(env_.ui.Messages().size(), 1u);
    EXPECT_EQ(env_.ui.Messages()[0].text, ResourceString(TextId::kFirmwareUpToDate));
    // Found up to date: the command rests until the next connection.
    EXPECT_FALSE(offer_.CommandEnabled(State(), Connection()));
    EXPECT_TRUE(offer_.CommandEnabled(State(), Connection() + 1));
    EXPECT_TRUE(handed_.empty());
}

TEST_F(FirmwareTest, NewerFirmwareIsOfferedAndNoSendsNothing) {
    http_.Serve(kVersionsUrl, Versions("3.02.0001;" + kHexUrl.toLatin1()));
    env_.ui.Answer(AnswerType::No);
    EXPECT_EQ(Check(false), FirmwareCheckEndType::Declined);
    const auto asked = env_.ui.EventsOf(KindType::YesNoCancel);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, ResourceString(TextId::kNewerFirmware));
    EXPECT_TRUE(offer_.CommandEnabled(State(), Connection()));
    EXPECT_EQ(http_.Requests().size(), 1u);
}

TEST_F(FirmwareTest, ACutFirmwareDownloadNeverReachesTheLogger) {
    const QByteArray hex = IntelHexBuilder::Text(IntelHexBuilder::Firmware(4096));
    http_.Serve(kVersionsUrl, Versions("3.10.0000;" + kHexUrl.toLatin1()));
    http_.ServeCut(kHexUrl, hex.left(hex.size() / 2), hex.size());
    env_.ui.Answer(AnswerType::Yes);
    EXPECT_EQ(Check(true), FirmwareCheckEndType::DownloadFailed);
    EXPECT_TRUE(handed_.empty());
    EXPECT_FALSE(InFlashMode());
    EXPECT_TRUE(offer_.CommandEnabled(State(), Connection()));
    ASSERT_EQ(env_.ui.Messages().size(), 1u);
    EXPECT_EQ(http_.Requests().back().get.type, HttpContentType::Text);
}

TEST_F(FirmwareTest, AWholeDownloadIsHandedToTheUpgrade) {
    const QByteArray bytes = IntelHexBuilder::Firmware(5000);
    const QByteArray hex = IntelHexBuilder::Text(bytes);
    http_.Serve(kVersionsUrl, Versions("3.10.0000;" + kHexUrl.toLatin1()));
    http_.Serve(kHexUrl, hex);
    env_.ui.Answer(AnswerType::Yes);
    EXPECT_EQ(Check(false), FirmwareCheckEndType::Upgraded);
    EXPECT_EQ(handed_, std::vector<QByteArray>{hex});
    EXPECT_EQ(Programmed().left(bytes.size()), bytes);
    EXPECT_FALSE(offer_.CommandEnabled(State(), Connection()));
    const HttpGet& text = http_.Requests().back().get;
    EXPECT_EQ(text.maxBytes, WebUpdate::kMaxFirmwareTextBytes);
    EXPECT_EQ(text.limits.overallMs, WebUpdate::kFirmwareTextLimits.overallMs);
}

// Only a completed upgrade settles the command for the connection: after one that failed or was
// cancelled it can be tried again at once, and trying again completes it.
TEST_F(FirmwareTest, TheCommandStaysForAFailedOrCancelledUpgradeAndRestsAfterOne) {
    const QByteArray bytes = IntelHexBuilder::Firmware(4096);
    http_.Serve(kVersionsUrl, Versions("3.10.0000;" + kHexUrl.toLatin1()));
    http_.Serve(kHexUrl, IntelHexBuilder::Text(bytes));
    const auto check = [this](int cancelAfter) {
        env_.ui.Answer(AnswerType::Yes);
        std::optional<FirmwareCheckEndType> ended;
        offer_.CheckFirmware(
            true, State(), Connection(),
            [this, cancelAfter](QByteArrayView hex) { return Upgrade(hex, cancelAfter); },
            [&ended](FirmwareCheckEndType end) { ended = end; });
        http_.AnswerAll();
        EXPECT_FALSE(offer_.Running());
        EXPECT_FALSE(Monitor().IsBusy());
        return ended;
    };

    env_.drive->WithLogger([](LoggerEmulator& l) { l.Flash().DropNextPages(1000000); });
    EXPECT_EQ(check(-1), FirmwareCheckEndType::UpgradeFailed);
    EXPECT_TRUE(offer_.CommandEnabled(State(), Connection()));
    env_.drive->WithLogger([](LoggerEmulator& l) { l.Flash().DropNextPages(0); });

    EXPECT_EQ(check(12), FirmwareCheckEndType::UpgradeCancelled);
    EXPECT_TRUE(offer_.CommandEnabled(State(), Connection()));

    EXPECT_EQ(check(-1), FirmwareCheckEndType::Upgraded);
    EXPECT_EQ(Programmed().left(bytes.size()), bytes);
    EXPECT_FALSE(offer_.CommandEnabled(State(), Connection()));
}

TEST_F(FirmwareTest, TheWindowHearsWhatACheckTheUserAskedForWaitsFor) {
    std::vector<QString> waits;
    offer_.SetWaitObserver([&waits](const QString& text) { waits.push_back(text); });
    http_.Serve(kVersionsUrl, Versions("3.10.0000;" + kHexUrl.toLatin1()));
    http_.Serve(kHexUrl, IntelHexBuilder::Text(IntelHexBuilder::Firmware(4096)));
    env_.ui.Answer(AnswerType::No);
    EXPECT_EQ(Check(false), FirmwareCheckEndType::Declined);
    EXPECT_TRUE(waits.empty());

    env_.ui.Answer(AnswerType::Yes);
    EXPECT_EQ(Check(true), FirmwareCheckEndType::Upgraded);
    EXPECT_EQ(waits, (std::vector<QString>{ResourceString(TextId::kServerWaitVersions),
                                           {},
                                           ResourceString(TextId::kServerWaitFirmware),
                                           {}}));
}

TEST_F(FirmwareTest, ACancelledCheckAsksAndSendsNothingAndFreesTheCommand) {
    std::vector<QString> waits;
    offer_.SetWaitObserver([&waits](const QString& text) { waits.push_back(text); });
    http_.ServeSilence(kVersionsUrl);
    std::optional<FirmwareCheckEndType> ended;
    Start(true, ended);
    http_.AnswerAll();
    EXPECT_TRUE(offer_.Running());
    EXPECT_FALSE(offer_.CommandEnabled(State(), Connection()));
    offer_.Cancel();
    EXPECT_TRUE(http_.Requests().back().cancelled);
    EXPECT_FALSE(offer_.Running());
    EXPECT_TRUE(offer_.CommandEnabled(State(), Connection()));
    EXPECT_FALSE(ended.has_value());
    EXPECT_EQ(waits.back(), QString());

    // The same while the firmware text is on its way.
    http_.Serve(kVersionsUrl, Versions("3.10.0000;" + kHexUrl.toLatin1()));
    http_.ServeSilence(kHexUrl);
    env_.ui.Answer(AnswerType::Yes);
    Start(true, ended);
    http_.AnswerAll();
    ASSERT_EQ(http_.Waiting(), 1u);
    offer_.Cancel();
    http_.AdvanceMs(WebUpdate::kFirmwareTextLimits.overallMs);
    EXPECT_FALSE(ended.has_value());
    EXPECT_TRUE(handed_.empty());
    EXPECT_TRUE(env_.ui.Messages().empty());
    EXPECT_TRUE(offer_.CommandEnabled(State(), Connection()));
}

TEST_F(FirmwareTest, AFirmwareServerThatNeverAnswersEndsTheCheckAtItsLimit) {
    http_.Serve(kVersionsUrl, Versions("3.10.0000;" + kHexUrl.toLatin1()));
    http_.ServeSilence(kHexUrl);
    env_.ui.Answer(AnswerType::Yes);
    std::optional<FirmwareCheckEndType> ended;
    Start(true, ended);
    http_.AnswerAll();
    http_.AdvanceMs(WebUpdate::kFirmwareTextLimits.connectMs - 1);
    EXPECT_FALSE(ended.has_value());
    http_.AdvanceMs(1);
    EXPECT_EQ(ended, FirmwareCheckEndType::DownloadFailed);
    EXPECT_TRUE(handed_.empty());
    ASSERT_EQ(env_.ui.Messages().size(), 1u);
    EXPECT_TRUE(env_.ui.Messages()[0].text.contains(u"aucune réponse du serveur"_qs));
    EXPECT_TRUE(offer_.CommandEnabled(State(), Connection()));
}

TEST_F(FirmwareTest, NewerFirmwareWithoutAnAddressAsksNothing) {
    http_.Serve(kVersionsUrl, Versions("3.10.0000"));
    EXPECT_EQ(Check(true), FirmwareCheckEndType::NoAddress);
    EXPECT_TRUE(env_.ui.EventsOf(KindType::YesNoCancel).empty());
    EXPECT_TRUE(offer_.CommandEnabled(State(), Connection()));
}

TEST_F(FirmwareTest, NoCheckBeforeStartUpEndsOrWhileTheLoggerIsBusy) {
    http_.Serve(kVersionsUrl, Versions("3.10.0000;" + kHexUrl.toLatin1()));
    FirmwareOffer early(web_, env_.ui);
    EXPECT_EQ(CheckNow(early, false, State()), FirmwareCheckEndType::NotNow);
    InstrumentState recording = State();
    recording.status.recordingState = QStringLiteral("1");
    EXPECT_EQ(CheckNow(offer_, true, recording), FirmwareCheckEndType::NotNow);
    InstrumentState erasing = State();
    erasing.status.memErase = QStringLiteral("1");
    EXPECT_EQ(CheckNow(offer_, true, erasing), FirmwareCheckEndType::NotNow);
    EXPECT_TRUE(http_.Requests().empty());
}

TEST_F(FirmwareTest, NoServerEndsTheCheckQuietlyUnlessAsked) {
    EXPECT_EQ(Check(false), FirmwareCheckEndType::NoVersions);
    EXPECT_TRUE(env_.ui.Messages().empty());
    EXPECT_EQ(Check(true), FirmwareCheckEndType::NoVersions);
    EXPECT_EQ(env_.ui.Messages().size(), 2u);
    EXPECT_TRUE(offer_.CommandEnabled(State(), Connection()));
}

} // namespace
