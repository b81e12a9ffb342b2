#include "core/instrument/CInstComm.h"
#include "core/instrument/CInstrumentMonitor.h"
#include "core/instrument/ConfigurationModel.h"
#include "core/instrument/ControlBlock.h"
#include "core/instrument/DownloadJob.h"
#include "core/instrument/EraseProgressModel.h"
#include "core/instrument/InstrumentClock.h"
#include "core/instrument/InstrumentCommands.h"
#include "core/instrument/InstrumentPort.h"
#include "core/session/SessionParamsEditModel.h"
#include "sim/ManualClock.h"
#include "sim/SimulatedDrive.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedUserInterface.h"
#include "support/SessionTestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

namespace {

// The erase window as the desktop program keeps it: opened and closed by the monitor.
class EraseWindowHooks final : public InstrumentHooks {
public:
    bool IsEraseWindowShowing() const override { return window.has_value(); }
    void OpenEraseWindow(int64_t memorySize) override {
        window.emplace(memorySize);
        ++opened;
    }
    void CloseEraseWindow() override { window.reset(); }
    void CheckFirmware() override {}

    std::optional<EraseProgressModel> window;
    int opened = 0;
};

// The real monitor and link worker over an emulated 4-20 mA logger whose time the test moves.
class Rig {
public:
    Rig() : drive_(clock, Settings()) {
        monitor.SetLinkPassInterval(1);
        monitor.SetHooks(&hooks);
    }

    void Tick() {
        if (CInstComm* link = monitor.Link()) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while ((!link->IsIdle() || link->TransferOut()) &&
                   std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        clock.AdvanceMs(10);
        monitor.MonitorTick();
    }

    bool TickUntil(const std::function<bool()>& done, int maxTicks = 3000) {
        for (int i = 0; i < maxTicks && !done(); ++i)
            Tick();
        return done();
    }

    // Two full status cycles after the present one, so the records reflect the logger.
    bool Settle() {
        const int seen = monitor.ProcessedStatusCount();
        return TickUntil([&] { return monitor.ProcessedStatusCount() >= seen + 2; });
    }

    template <typename F> auto Logger(F&& f) { return drive_.WithLogger(std::forward<F>(f)); }

private:
    static LoggerSettings Settings() {
        LoggerSettings s;
        s.modelCode = 4;
        s.serialNumber = QStringLiteral("E-7");
        return s;
    }

public:
    ManualClock clock{1709644029, 0};

private:
    SimulatedDrive drive_;
    FixedTemperatureUnit units_{false};

public:
    EraseWindowHooks hooks;
    CInstrumentMonitor monitor{drive_, clock, units_, nullptr};
    MonitorInstrumentPort port{monitor};
};

} // namespace

TEST(OperationsWithEmulatedLogger, ConfigureRecordStopDownloadAndErase) {
    Rig rig;
    rig.monitor.Connect();
    ASSERT_TRUE(rig.TickUntil([&] { return rig.monitor.ProcessedStatusCount() >= 2; }));

    ConfigurationModel config(rig.port, rig.clock);
    ASSERT_TRUE(config.SetRecordMode(RecordModeType::Now));
    config.SelectDuration(0);
    config.SetScaledLow(-25);
    config.SetScaledHigh(75);
    config.SetUnits(QStringLiteral("kPascal"));
    config.SetFilterIndex(1);
    ASSERT_TRUE(config.Accept().sent);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.monitor.Status().IsRecording(); }));
    const LoggerConfiguration kept =
        rig.Logger([](LoggerEmulator& l) { return l.Configuration(); });
    EXPECT_EQ(kept.units, u"kPas"_qs);
    EXPECT_FLOAT_EQ(kept.lowScale, -25.0f);
    EXPECT_FLOAT_EQ(kept.highScale, 75.0f);
    EXPECT_EQ(kept.filterSize, 2);

    rig.clock.AdvanceSeconds(90);
    ASSERT_TRUE(rig.Settle());
    ScriptedUserInterface ui;
    ui.Answer(AnswerType::Yes);
    EXPECT_EQ(RecordingCommand(rig.port, ui), CommandResultType::Sent);
    ASSERT_TRUE(rig.TickUntil([&] { return !rig.monitor.Status().IsRecording(); }));
    ASSERT_TRUE(rig.Settle());
    ASSERT_EQ(DownloadBlocker(rig.port.State()), CommandBlockerType::None);

    const qint64 samples = rig.Logger([](LoggerEmulator& l) { return l.SampleCount(); });
    const QByteArray recorded = rig.Logger([](LoggerEmulator& l) { return l.RecordBytes(); });
    EXPECT_GE(samples, 80);

    QTemporaryDir folder;
    MemorySettingsStore settings;
    DownloadJob job(rig.port, ui, settings, rig.clock);
    ASSERT_TRUE(job.Begin(folder.path()));
    EXPECT_TRUE(rig.monitor.IsBusy());
    TransferStateType state = TransferStateType::WaitingForLink;
    // Each read is posted on one tick and picked up on a later one.
    for (int i = 0; i < 1000 && job.Running(); ++i) {
        for (int wait = 0; wait < 5000 && rig.monitor.Link()->TransferOut(); ++wait)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        state = job.Tick();
    }
    ASSERT_EQ(state, TransferStateType::Finished);
    ASSERT_TRUE(job.CompleteParameters([](SessionParamsEditModel&) { return true; }));
    EXPECT_FALSE(rig.monitor.IsBusy());

    QFile file(job.SessionFilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto session = ReadImage(file.readAll());
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(session->ChanData().ValueCount(), samples - 1)
        << "a 2-point filter takes one count first";
    EXPECT_EQ(session->DisplayUnits(), u"kPas"_qs);
    const QByteArray logged = recorded.mid(session->HeaderSize());
    ASSERT_GE(session->DataCopy().size(), logged.size());
    EXPECT_EQ(session->DataCopy().left(logged.size()), logged)
        << "the samples are the logger's, byte for byte";

    ui.Answer(AnswerType::Yes);
    ASSERT_EQ(EraseMemoryCommand(rig.port, ui), CommandResultType::Sent);
    QStringList texts;
    ASSERT_TRUE(rig.TickUntil([&] {
        if (rig.hooks.window && rig.hooks.window->Update(rig.port.State()))
            texts.append(rig.hooks.window->Text());
        return rig.hooks.opened > 0 && !rig.hooks.window;
    }));
    ASSERT_FALSE(texts.isEmpty());
    EXPECT_TRUE(texts.back().endsWith(u" % terminé."_qs));
    ASSERT_TRUE(rig.Settle());
    EXPECT_FALSE(rig.port.State().MemoryInUse());
    EXPECT_EQ(RecordingBlocker(rig.port.State()), CommandBlockerType::None);
}

TEST(OperationsWithEmulatedLogger, ClockIsSetThenSynchronised) {
    Rig rig;
    rig.monitor.Connect();
    ASSERT_TRUE(rig.TickUntil([&] { return rig.monitor.ProcessedStatusCount() >= 2; }));

    InstrumentClockSetter wrong(rig.port, rig.clock);
    wrong.Begin(DateTimeDlgEndType::Ok, ParseDateTimeText(QStringLiteral("2024/03/05 12:00:00")));
    // The command goes through the monitor's queue, on its ticks.
    ASSERT_TRUE(rig.TickUntil([&] {
        wrong.Tick();
        return !wrong.Pending();
    }));
    EXPECT_TRUE(wrong.Result().set);
    ASSERT_TRUE(rig.Settle());
    EXPECT_TRUE(ConfigurationModel(rig.port, rig.clock).ClockText().contains(u"par -2:0"_qs));

    rig.clock.AdvanceMs(250);
    InstrumentClockSetter sync(rig.port, rig.clock);
    sync.Begin(DateTimeDlgEndType::Synchronise, {});
    ASSERT_TRUE(rig.TickUntil([&] {
        sync.Tick();
        return !sync.Pending();
    }));
    EXPECT_TRUE(sync.Result().set);
    const qint64 computer = InstrumentTimeValue(ComputerWallClock(rig.clock));
    EXPECT_EQ(rig.Logger([](LoggerEmulator& l) { return l.InstrumentSeconds(); }), computer);
    ASSERT_TRUE(rig.Settle());
    EXPECT_TRUE(ConfigurationModel(rig.port, rig.clock).ClockText().isEmpty());
}
