#include "core/common/CalendarDateTime.h"
#include "core/common/Clock.h"
#include "core/common/StringTable.h"
#include "core/common/ValueMarkers.h"
#include "core/instrument/CInstComm.h"
#include "core/instrument/CInstrumentMonitor.h"
#include "core/instrument/DriveBackend.h"
#include "core/instrument/InstrumentPort.h"
#include "core/session/CRecSession.h"
#include "support/DriveGate.h"
#include "support/SessionTestSupport.h"

#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <thread>

namespace {

class FakeClock final : public Clock {
public:
    qint64 MonotonicMs() const override { return ms_; }
    qint64 WallSeconds() const override { return 1700000000 + ms_ / 1000; }
    void Advance(qint64 ms) { ms_ += ms; }

private:
    qint64 ms_ = 1000;
};

// One logger drive whose two text files the test rewrites between ticks, and that can hang as
// a device that stops answering does. Every call notes whether it came on the test's thread,
// which stands for the window's: it never should.
class ScriptedDrive final : public DriveBackend {
public:
    std::vector<QString> CandidateDrives() const override {
        gate_.Pass();
        return {u"/drive"_qs};
    }
    bool DriveExists(const QString&) const override {
        gate_.Pass();
        const std::lock_guard lock(mutex_);
        return present_;
    }
    qint64 ReadFile(const QString&, DriveFileType file, qint64, char* buffer,
                    qint64 size) override {
        gate_.Pass();
        const std::lock_guard lock(mutex_);
        const auto it = files_.find(file);
        if (!present_ || it == files_.end())
            return kCannotOpen;
        const qint64 n = std::min<qint64>(size, it->second.size());
        std::memcpy(buffer, it->second.constData(), static_cast<std::size_t>(n));
        return n;
    }
    qint64 WriteFile(const QString&, DriveFileType, qint64, const char*, qint64 size) override {
        gate_.Pass();
        return size;
    }
    // While hung every call waits; calls begun before it hung end as usual.
    void SetHung(bool on) { gate_.SetClosed(on); }
    int CallsOnTheTestThread() const { return gate_.PassesOnOwnerThread(); }
    void Set(DriveFileType file, const QByteArray& text) {
        const std::lock_guard lock(mutex_);
        files_[file] = text;
    }
    void SetPresent(bool on) {
        const std::lock_guard lock(mutex_);
        present_ = on;
    }

private:
    DriveGate gate_;
    mutable std::mutex mutex_;
    std::map<DriveFileType, QByteArray> files_;
    bool present_ = true;
};

struct LoggerState {
    int model = 2;
    int memSize = 2048000;
    int memUsed = 512;
    QByteArray time = "2024/03/05 14:07:09";
    int chanCount = 5000;
    int recording = 0;
    QByteArray extra;
    QByteArray filter = "1";
    QByteArray polarity = "1";

    QByteArray Status() const {
        return "Model=" + QByteArray::number(model) + "\r\nSerNum=4711\r\nVersion=2.05\r\n" +
               "MemSize=" + QByteArray::number(memSize) +
               "\r\nMemUsed=" + QByteArray::number(memUsed) +
               "\r\nMemErase=0\r\nRecordingState=" + QByteArray::number(recording) +
               "\r\nRecStart=2024/03/05 14:00:00\r\nRecEnd=2024/03/05 15:00:00\r\nRecDur=3600\r\n"
               "Time=" +
               time + "\r\nVRef=2.5\r\nMaxCnt=25000\r\nChan1Mult=1\r\nChan1Cnt=" +
               QByteArray::number(chanCount) + "\r\nBatCnt=10000\r\n" + extra +
               "CodePageSize=256\r\nNumCodePages=4096\r\n";
    }
    QByteArray Config() const {
        return "Chan1LowScale=00000000\r\nChan1HighScale=00002041\r\nChan1Units=\r\nTC_Type=K\r\n"
               "EnableCJC=0\r\nPolarity=" +
               polarity + "\r\nFilterSize=" + filter + "\r\n";
    }
};

class MonitorTest : public testing::Test {
protected:
    void SetUp() override {
        monitor.SetLinkPassInterval(1);
        Publish();
    }
    void TearDown() override {
        drive.SetHung(false);
        EXPECT_EQ(drive.CallsOnTheTestThread(), 0);
    }

    void Publish() {
        drive.Set(DriveFileType::Status, logger.Status());
        drive.Set(DriveFileType::Config, logger.Config());
    }

    // The next timer tick, once the link has done what it was asked.
    void Tick() {
        if (CInstComm* link = monitor.Link()) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (((!link->IsIdle() && !link->IsPaused()) || link->TransferOut()) &&
                   std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        clock.Advance(10);
        monitor.MonitorTick();
    }
    // A tick that does not wait for the link: the window's timer while the drive hangs.
    void TickWithoutWaiting(qint64 ms = 10) {
        clock.Advance(ms);
        monitor.MonitorTick();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    // Ticks until the monitor has processed `count` more statuses (at most 200 ticks).
    bool ProcessStatuses(int count) {
        const int target = monitor.ProcessedStatusCount() + count;
        for (int i = 0; i < 200 && monitor.ProcessedStatusCount() < target; ++i)
            Tick();
        return monitor.ProcessedStatusCount() >= target;
    }

    // Advances the logger's clock by `seconds`.
    void LoggerSeconds(int seconds) {
        loggerClock_ = loggerClock_.AddSeconds(seconds);
        logger.time = FormatDateTimeText(loggerClock_).toLatin1();
        Publish();
    }

    // Connects, lets the monitor see the logger's clock advance and process its first status.
    void ConnectAndVerify() {
        monitor.Connect();
        for (int i = 0; i < 40 && monitor.Phase() != MonitorPhaseType::PollConfig; ++i)
            Tick();
        for (int i = 0; i < 40 && monitor.Phase() != MonitorPhaseType::PollStatus; ++i)
            Tick();
        LoggerSeconds(1);
        for (int i = 0; i < 100 && !monitor.ClockVerified(); ++i)
            Tick();
        ASSERT_TRUE(monitor.ClockVerified());
        ASSERT_TRUE(ProcessStatuses(1));
    }

    QString Value(int labelId) const {
        const QStringList labels = monitor.PageLabels();
        const QStringList values = monitor.PageValues();
        const int i = static_cast<int>(labels.indexOf(ResourceString(labelId)));
        return i >= 0 && i < values.size() ? values[i] : u"<absent>"_qs;
    }

    CalendarDateTime loggerClock_ = CalendarDateTime::FromFields(2024, 3, 5, 14, 7, 9);
    FakeClock clock;
    ScriptedDrive drive;
    FixedTemperatureUnit units{false};
    LoggerState logger;
    int refreshes = 0;
    CInstrumentMonitor monitor{drive, clock, units, [this] { ++refreshes; }};
};

} // namespace

TEST_F(MonitorTest, ConnectVerifiesTheClockThenFillsThePage) {
    monitor.Connect();
    EXPECT_EQ(monitor.Phase(), MonitorPhaseType::Scanning);
    EXPECT_EQ(monitor.PageValues(), QStringList{u"Établir une connexion"_qs});
    for (int i = 0; i < 20 && !monitor.IsConnected(); ++i)
        Tick();
    ASSERT_TRUE(monitor.IsConnected());

    // Status and configuration alternate; the first configuration poll stores the clock.
    for (int i = 0; i < 40 && monitor.Phase() != MonitorPhaseType::PollConfig; ++i)
        Tick();
    for (int i = 0; i < 40 && monitor.Phase() != MonitorPhaseType::PollStatus; ++i)
        Tick();
    EXPECT_FALSE(monitor.ClockVerified());
    EXPECT_EQ(monitor.ProcessedStatusCount(), 0) << "nothing is shown before the clock runs";

    LoggerSeconds(1);
    for (int i = 0; i < 100 && !monitor.ClockVerified(); ++i)
        Tick();
    ASSERT_TRUE(ProcessStatuses(1));
    EXPECT_TRUE(monitor.ClockVerified());
    EXPECT_EQ(monitor.StallCount(), 0);
    EXPECT_EQ(Value(654), u"Connecté"_qs);
    EXPECT_EQ(Value(660), u"VX12(10 Vdc)"_qs);
    EXPECT_EQ(Value(1023), u"4711"_qs);
    EXPECT_EQ(Value(1024), u"2.05"_qs);
    EXPECT_EQ(Value(1028), u"2048k octets"_qs);
    EXPECT_EQ(Value(1030), u"512 octets"_qs);
    EXPECT_EQ(Value(1031), u"2047k octets"_qs);
    EXPECT_EQ(Value(1025), u"05/03/2024 14:07:10"_qs);
    EXPECT_EQ(Value(628), u"Pas d’enregistrement"_qs);
    EXPECT_EQ(Value(1048), u"1:00:00 (h:m:s)"_qs) << "a planned duration is shown";
    EXPECT_EQ(Value(785), QString()) << "no time left while not recording";
    EXPECT_EQ(Value(1021), u"0,50 Vdc"_qs) << "5000 counts of 0.1 mV";
    EXPECT_EQ(Value(1027), u"3,00 Vdc"_qs);
    EXPECT_EQ(Value(1051), u"0 Vdc = 0 Vdc"_qs);
    EXPECT_EQ(Value(1052), u"10 Vdc = 10 Vdc"_qs);
    EXPECT_EQ(Value(1055), u"1 Point"_qs);
    EXPECT_EQ(Value(1056), u"<absent>"_qs) << "thermocouple rows only for thermocouples";
    EXPECT_EQ(monitor.FreeMemory(), 2047488);
    EXPECT_GT(refreshes, 0);
    EXPECT_EQ(monitor.LiveData()->ChanData().ValueCount(), 1);

    // An unchanged "Time=" leaves the page alone and is read again without a config read.
    for (int i = 0; i < 40 && monitor.Phase() != MonitorPhaseType::PollStatus; ++i)
        Tick();
    logger.chanCount = 9000;
    Publish();
    const int before = monitor.ProcessedStatusCount();
    for (int i = 0; i < 30; ++i) {
        Tick();
        EXPECT_NE(monitor.Phase(), MonitorPhaseType::PollConfig) << "tick " << i;
    }
    EXPECT_EQ(monitor.ProcessedStatusCount(), before);
    EXPECT_EQ(Value(1021), u"0,50 Vdc"_qs);

    monitor.Disconnect();
    EXPECT_EQ(monitor.PageValues().front(), u"Déconnecté"_qs);
    EXPECT_EQ(monitor.Link()->DriveIndex(), -1);
}

TEST_F(MonitorTest, ALoggerWhoseClockStandsStillIsDropped) {
    monitor.Connect();
    int configPolls = 0;
    MonitorPhaseType previous = monitor.Phase();
    for (int i = 0; i < 400 && (monitor.IsConnected() || configPolls == 0); ++i) {
        Tick();
        if (previous == MonitorPhaseType::PollConfig &&
            monitor.Phase() == MonitorPhaseType::PollStatus)
            ++configPolls;
        previous = monitor.Phase();
    }
    EXPECT_FALSE(monitor.IsConnected());
    EXPECT_EQ(configPolls, 8) << "the first poll stores the clock, seven stalls drop the logger";
    EXPECT_EQ(monitor.Link()->DriveIndex(), -1);
}

TEST_F(MonitorTest, AGapOfTwoPeriodsClearsTheLiveData) {
    ConnectAndVerify();
    for (int k = 0; k < 3; ++k) {
        LoggerSeconds(1);
        ASSERT_TRUE(ProcessStatuses(1));
    }
    EXPECT_EQ(monitor.LiveData()->ChanData().ValueCount(), 4);
    LoggerSeconds(2);
    ASSERT_TRUE(ProcessStatuses(1));
    EXPECT_EQ(monitor.LiveData()->ChanData().ValueCount(), 1) << "the gap restarts the data";
    EXPECT_FALSE(monitor.LiveStatistics().last.isEmpty());
}

// A model code the table does not know has nothing to convert with: no value, no sample.
TEST_F(MonitorTest, AnUnknownModelShowsNoValueAndKeepsNoSample) {
    for (const int model : {-1, 10, 42}) {
        SCOPED_TRACE(model);
        logger.model = model;
        logger.chanCount = -20000;
        Publish();
        ConnectAndVerify();
        logger.chanCount = 31000;
        LoggerSeconds(1);
        ASSERT_TRUE(ProcessStatuses(1));
        EXPECT_EQ(monitor.LiveData()->ChanData().ValueCount(), 0);
        EXPECT_EQ(monitor.LiveStatistics().last, u"- - -"_qs);
        EXPECT_EQ(monitor.LiveStatistics().avg, u"- - -"_qs);
        EXPECT_EQ(Value(1021), u"- - -"_qs);
    }
    // The last model of the table, one step inside it, is converted as usual.
    logger.model = 9;
    logger.chanCount = 1000;
    Publish();
    ConnectAndVerify();
    LoggerSeconds(1);
    ASSERT_TRUE(ProcessStatuses(1));
    EXPECT_NE(monitor.LiveStatistics().last, u"- - -"_qs);
}

TEST_F(MonitorTest, EventChannelRowAndFilteredStart) {
    logger.model = 6;
    logger.chanCount = 0x8001;
    logger.polarity = "0";
    Publish();
    ConnectAndVerify();
    EXPECT_EQ(Value(1021), u"0111111111111110"_qs) << "polarity off marks the clear bits";
    EXPECT_EQ(Value(1055), u"<absent>"_qs);
    EXPECT_EQ(Value(1051), QString());
    EXPECT_EQ(Value(660), u"VX31 (Event falling)"_qs);
}

TEST_F(MonitorTest, FilteredKindsWaitForAFullWindowAndUnpluggingDrops) {
    logger.filter = "3";
    Publish();
    ConnectAndVerify();
    LoggerSeconds(1);
    ASSERT_TRUE(ProcessStatuses(1));
    EXPECT_EQ(monitor.LiveData()->ChanData().ValueCount(), 0) << "two of three samples";
    LoggerSeconds(1);
    ASSERT_TRUE(ProcessStatuses(1));
    EXPECT_EQ(monitor.LiveData()->ChanData().ValueCount(), 1);
    EXPECT_EQ(Value(1055), u"3 points"_qs);

    drive.SetPresent(false);
    monitor.OnDeviceChange();
    // The drive is asked on the link's worker; a tick hears the answer.
    Tick();
    Tick();
    EXPECT_FALSE(monitor.IsConnected());
    EXPECT_EQ(monitor.PageValues().front(), u"Déconnecté"_qs);
}

// A drive that hangs never holds the window's timer: the logger is shown as not answering once
// a read outlives the link's limit, takes no command, and comes back when the drive answers.
TEST_F(MonitorTest, AHungDriveIsShownAsNotAnsweringUntilItAnswersAgain) {
    ConnectAndVerify();
    MonitorInstrumentPort port(monitor);
    drive.SetHung(true);
    // The tick that posts a read the hung drive will not answer.
    for (int i = 0; i < 100 && monitor.Link()->IsIdle(); ++i)
        TickWithoutWaiting();
    ASSERT_FALSE(monitor.Link()->IsIdle());
    TickWithoutWaiting(kTransferLimitMs - 1);
    EXPECT_FALSE(monitor.NotAnswering()) << "one millisecond before the limit";
    TickWithoutWaiting(1);
    EXPECT_TRUE(monitor.NotAnswering()) << "at the limit";
    EXPECT_TRUE(monitor.IsConnected());
    EXPECT_FALSE(port.State().connected) << "no command for a logger that does not answer";
    EXPECT_EQ(monitor.PageValues().front(), u"L’instrument ne répond plus"_qs);

    drive.SetHung(false);
    for (int i = 0; i < 100 && monitor.NotAnswering(); ++i)
        Tick();
    EXPECT_FALSE(monitor.NotAnswering());
    EXPECT_TRUE(port.State().connected);
    LoggerSeconds(1);
    ASSERT_TRUE(ProcessStatuses(1));
    EXPECT_EQ(monitor.PageValues().front(), u"Connecté"_qs);
}

TEST_F(MonitorTest, ADeviceChangeWhileTheDriveHangsNeverWaitsOnIt) {
    ConnectAndVerify();
    drive.SetHung(true);
    monitor.OnDeviceChange();
    for (int i = 0; i < 10; ++i)
        TickWithoutWaiting();
    EXPECT_TRUE(monitor.IsConnected());
    EXPECT_FALSE(monitor.NotAnswering());
    TickWithoutWaiting(kTransferLimitMs);
    EXPECT_TRUE(monitor.NotAnswering()) << "the presence check outlived the link's limit";

    // "Débrancher" then "Connecter" find the logger again once its drive answers.
    monitor.Disconnect();
    EXPECT_FALSE(monitor.IsConnected());
    monitor.Connect();
    TickWithoutWaiting();
    drive.SetHung(false);
    for (int i = 0; i < 200 && !monitor.IsConnected(); ++i)
        Tick();
    EXPECT_TRUE(monitor.IsConnected());
    EXPECT_FALSE(monitor.NotAnswering());
}

TEST_F(MonitorTest, WithoutALoggerTheConnectionRowStandsAloneFromTheStart) {
    drive.SetPresent(false);
    monitor.Connect();
    for (int i = 0; i < 40 && monitor.Phase() == MonitorPhaseType::Scanning; ++i)
        Tick();
    ASSERT_EQ(monitor.Phase(), MonitorPhaseType::Idle);
    EXPECT_EQ(monitor.PageLabels(), QStringList{u"État de la connexion"_qs});
    EXPECT_EQ(monitor.PageValues(), QStringList{u"Déconnecté"_qs});
}

TEST_F(MonitorTest, UnpluggingLeavesOnlyDisconnectedAndClearsTheLiveLine) {
    ConnectAndVerify();
    LoggerSeconds(1);
    ASSERT_TRUE(ProcessStatuses(1));
    ASSERT_FALSE(monitor.LiveStatistics().last.isEmpty());
    ASSERT_GT(monitor.PageLabels().size(), 1);

    drive.SetPresent(false);
    monitor.OnDeviceChange();
    Tick();
    Tick();
    EXPECT_EQ(monitor.PageLabels(), QStringList{u"État de la connexion"_qs});
    EXPECT_EQ(monitor.PageValues(), QStringList{u"Déconnecté"_qs});
    EXPECT_TRUE(monitor.LiveStatistics().last.isEmpty());
    EXPECT_TRUE(monitor.LiveStatistics().min.isEmpty());
    EXPECT_EQ(monitor.LiveData()->ChanData().ValueCount(), 0);

    // Back without a command, the whole page again.
    drive.SetPresent(true);
    monitor.OnDeviceChange();
    for (int i = 0; i < 40 && !monitor.IsConnected(); ++i)
        Tick();
    ASSERT_TRUE(monitor.IsConnected());
}

// A status text stops counting as a logger's when it loses what identifies one, or carries
// nothing the page shows; the page then says so instead of inventing defaults.
TEST_F(MonitorTest, AStatusThatIsNotALoggersIsDropped) {
    struct Case {
        const char* name;
        QByteArray status;
    };
    const Case cases[] = {
        {"no page count",
         "Model=2\r\nSerNum=1\r\nTime=2024/03/05 14:07:12\r\nCodePageSize=256\r\n"},
        {"zero page size",
         "Model=2\r\nTime=2024/03/05 14:07:12\r\nCodePageSize=0\r\nNumCodePages=4096\r\n"},
        {"nothing shown", "Colour=blue\r\nCodePageSize=256\r\nNumCodePages=4096\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConnectAndVerify();
        LoggerSeconds(1);
        ASSERT_TRUE(ProcessStatuses(1));
        drive.Set(DriveFileType::Status, c.status);
        for (int i = 0; i < 40 && monitor.IsConnected(); ++i)
            Tick();
        EXPECT_FALSE(monitor.IsConnected());
        EXPECT_EQ(monitor.PageValues(), QStringList{u"Déconnecté"_qs});

        // Nor does such a drive connect.
        monitor.Connect();
        for (int i = 0; i < 40 && monitor.Phase() == MonitorPhaseType::Scanning; ++i)
            Tick();
        EXPECT_FALSE(monitor.IsConnected());
        Publish();
    }
}

TEST_F(MonitorTest, ControlCharactersFromTheDriveNeverReachThePage) {
    ConnectAndVerify();
    LoggerSeconds(1);
    drive.Set(DriveFileType::Status,
              logger.Status().replace("Version=2.05", "Version=2\x1b[2J\x07\tb\x7f\x9b"
                                                      "1"));
    ASSERT_TRUE(ProcessStatuses(1));
    EXPECT_EQ(Value(1024), u"2\uFFFD[2J\uFFFD b\uFFFD\uFFFD1"_qs);
    for (const QString& value : monitor.PageValues())
        for (QChar ch : value)
            EXPECT_FALSE(ch.unicode() < 0x20 || (ch.unicode() >= 0x7F && ch.unicode() < 0xA0))
                << value.toStdString();
}

// The sensor of a resistance logger read at the ends of its divider (common/Divider): full scale
// is an open sensor, above the range; zero a shorted one, below it.
TEST_F(MonitorTest, TheSensorDividerAtFullScaleIsOverRangeAndAtZeroUnderRange) {
    struct Case {
        const char* name;
        int count;
        double temperature;
        QString channel;
    };
    const Case cases[] = {
        {"full scale", 25000, OverRangeValue, u"Au-dessus de la gamme"_qs},
        {"zero", 0, UnderRangeValue, u"Sous la gamme"_qs},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        logger.model = 7;
        logger.extra =
            "RTDRef=4750\r\nRTDNom=1000\r\nRTDCnt=" + QByteArray::number(c.count) + "\r\n";
        Publish();
        ConnectAndVerify();
        EXPECT_EQ(monitor.SensorTemperature(), c.temperature);
        EXPECT_EQ(Value(1021), c.channel);
        monitor.Disconnect();
    }
}
