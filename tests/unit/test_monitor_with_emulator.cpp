#include "core/common/StringTable.h"
#include "core/instrument/CInstComm.h"
#include "core/instrument/CInstrumentMonitor.h"
#include "core/instrument/ControlBlock.h"
#include "core/instrument/InstrumentCommands.h"
#include "core/session/CRecSession.h"
#include "sim/ManualClock.h"
#include "sim/SimulatedDrive.h"
#include "support/SessionTestSupport.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

// The real link worker against an emulated logger whose time the test moves.
class EmulatedLoggerRig {
public:
    explicit EmulatedLoggerRig(int model) : drive_(clock_, Settings(model)) {
        monitor.SetLinkPassInterval(1);
    }

    void Tick() {
        if (CInstComm* link = monitor.Link()) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while ((!link->IsIdle() || link->TransferOut()) &&
                   std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        clock_.AdvanceMs(10);
        monitor.MonitorTick();
    }

    bool TickUntil(const std::function<bool()>& done, int maxTicks = 3000) {
        for (int i = 0; i < maxTicks && !done(); ++i)
            Tick();
        return done();
    }

    QString Value(int labelId) const {
        const qsizetype i = monitor.PageLabels().indexOf(ResourceString(labelId));
        const QStringList values = monitor.PageValues();
        return i >= 0 && i < values.size() ? values[i] : QString();
    }

    SimulatedDrive& Drive() { return drive_; }

private:
    static LoggerSettings Settings(int model) {
        LoggerSettings s;
        s.modelCode = model;
        s.serialNumber = QStringLiteral("E-1");
        return s;
    }

    ManualClock clock_{1733650000, 0};
    SimulatedDrive drive_;
    FixedTemperatureUnit units_{false};

public:
    CInstrumentMonitor monitor{drive_, clock_, units_, nullptr};
};

} // namespace

TEST(MonitorWithEmulator, FollowsTheLoggerFromConnectToUnplugging) {
    EmulatedLoggerRig rig(4);
    rig.monitor.Connect();
    ASSERT_TRUE(rig.TickUntil([&] { return rig.monitor.ProcessedStatusCount() >= 3; }));
    EXPECT_TRUE(rig.monitor.ClockVerified());
    EXPECT_EQ(rig.Value(660), u"VX20 (4-20 mAdc)"_qs);
    EXPECT_EQ(rig.Value(1023), u"E-1"_qs);
    EXPECT_EQ(rig.Value(1028), u"2048k octets"_qs);
    EXPECT_TRUE(rig.Value(1021).endsWith(u" mAdc"_qs)) << rig.Value(1021).toStdString();
    EXPECT_GE(rig.monitor.LiveData()->ChanData().ValueCount(), 2);

    const CommandOutcome started;
    rig.monitor.SendCommands({{ControlBlock::StartRecording()}, started.Recorder()});
    ASSERT_TRUE(rig.TickUntil([&] { return started.Ended(); }));
    ASSERT_TRUE(started.Complete());
    ASSERT_TRUE(rig.TickUntil([&] { return rig.monitor.Status().IsRecording(); }));
    ASSERT_TRUE(rig.TickUntil([&] { return rig.monitor.Status().MemoryUsed() > 0; }));
    ASSERT_TRUE(rig.TickUntil([&] { return rig.Value(628) == u"Enregistrement"_qs; }));

    rig.Drive().SetPresent(false);
    rig.monitor.OnDeviceChange();
    // The drive is asked on the link's worker; a later tick hears the answer.
    ASSERT_TRUE(rig.TickUntil([&] { return !rig.monitor.IsConnected(); }, 10));
    EXPECT_EQ(rig.monitor.PageValues(), QStringList{u"Déconnecté"_qs});
    EXPECT_EQ(rig.monitor.PageLabels(), QStringList{u"État de la connexion"_qs});
    EXPECT_TRUE(rig.monitor.LiveStatistics().last.isEmpty());

    // Plugging it back in connects without a command.
    rig.Drive().SetPresent(true);
    rig.monitor.OnDeviceChange();
    ASSERT_TRUE(rig.TickUntil([&] { return rig.monitor.IsConnected(); }));
}

TEST(MonitorWithEmulator, ThermocoupleLoggerShowsItsRangeAndColdJunction) {
    EmulatedLoggerRig rig(8);
    rig.monitor.Connect();
    ASSERT_TRUE(rig.TickUntil([&] { return rig.monitor.ProcessedStatusCount() >= 2; }));
    EXPECT_EQ(rig.Value(1053), u"°C"_qs);
    EXPECT_FALSE(rig.Value(817).isEmpty());
    EXPECT_FALSE(rig.Value(1056).isEmpty());
    EXPECT_GT(rig.monitor.SensorTemperature(), 0.0) << "a room-temperature cold junction";
    EXPECT_LT(rig.monitor.SensorTemperature(), 50.0);
    EXPECT_TRUE(rig.Value(1021).endsWith(u" °C"_qs)) << rig.Value(1021).toStdString();
}
