// The three parts of the instrument monitor on their own: the connection state machine
// (LoggerConnection), the instrument page texts (InstrumentPage) and the trace of the link
// ("vexlo.link"). The live channel is covered through the monitor (test_instrument_monitor.cpp,
// test_monitor_with_emulator.cpp).
#include "core/common/Clock.h"
#include "core/instrument/CInstComm.h"
#include "core/instrument/InstrumentPage.h"
#include "core/instrument/InstrumentRecords.h"
#include "core/instrument/LinkLog.h"
#include "core/instrument/LoggerConnection.h"
#include "core/session/ModelTable.h"
#include "platform/PosixDriveBackend.h"
#include "support/FakeDriveBackend.h"

#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <gtest/gtest.h>
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

const QByteArray kLoggerStatus = "Model=2\r\nSerNum=1\r\nTime=2024/03/05 14:07:09\r\n"
                                 "CodePageSize=256\r\nNumCodePages=4096\r\n";

// Records what the connection hands on and answers as a test tells it to.
class RecordingListener final : public LoggerConnectionListener {
public:
    void OnConnectStarted() override { ++connectsStarted; }
    void OnLoggerFound() override { ++found; }
    void OnDropped() override { ++dropped; }
    void OnStatusUnread() override { ++unread; }
    StatusOutcomeType OnStatusText(const char* text, int length) override {
        ++statuses;
        lastStatus = QByteArray(text, length);
        return answer;
    }
    void OnConfigText(const char*, int) override { ++configs; }
    int64_t LoggerClock() const override { return clock; }
    void RefreshViews() override { ++refreshes; }

    StatusOutcomeType answer = StatusOutcomeType::Read;
    int64_t clock = 100;
    int connectsStarted = 0, found = 0, dropped = 0, unread = 0, statuses = 0, configs = 0,
        refreshes = 0;
    QByteArray lastStatus;
};

class ConnectionTest : public testing::Test {
protected:
    void SetUp() override {
        drives.SetFile(u"/a"_qs, DriveFileType::Status, "Colour=blue\r\n");
        drives.SetFile(u"/b"_qs, DriveFileType::Status, kLoggerStatus);
        drives.SetFile(u"/b"_qs, DriveFileType::Config, "FilterSize=1\r\n");
        connection.SetLinkPassInterval(1);
    }

    void Tick() {
        if (CInstComm* link = connection.Link()) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (!link->IsIdle() && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        clock.Advance(10);
        connection.Tick();
    }

    FakeDriveBackend drives;
    FakeClock clock;
    RecordingListener listener;
    LoggerConnection connection{drives, clock, listener};
};

} // namespace

TEST_F(ConnectionTest, FindsTheLoggerThenAlternatesStatusAndConfiguration) {
    connection.Connect();
    EXPECT_EQ(listener.connectsStarted, 1);
    EXPECT_EQ(connection.Phase(), MonitorPhaseType::Scanning);
    for (int i = 0; i < 40 && !connection.IsConnected(); ++i)
        Tick();
    ASSERT_TRUE(connection.IsConnected());
    EXPECT_EQ(listener.found, 1);
    EXPECT_EQ(connection.Link()->DriveRoot(), u"/b"_qs) << "the first drive is no logger";
    for (int i = 0; i < 40 && listener.configs == 0; ++i)
        Tick();
    EXPECT_EQ(listener.lastStatus, kLoggerStatus);
    EXPECT_EQ(listener.configs, 1);
    EXPECT_EQ(connection.Phase(), MonitorPhaseType::PollStatus);

    // The logger's clock moves: verified, and it stays connected.
    listener.clock = 101;
    for (int i = 0; i < 40 && !connection.ClockVerified(); ++i)
        Tick();
    EXPECT_TRUE(connection.ClockVerified());
    EXPECT_EQ(listener.dropped, 0);
}

TEST_F(ConnectionTest, AClockThatStandsStillDropsTheLoggerAtTheSeventhStall) {
    connection.Connect();
    for (int i = 0; i < 400 && listener.dropped == 0; ++i)
        Tick();
    EXPECT_EQ(listener.dropped, 1);
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_EQ(connection.StallCount(), 7);
    EXPECT_EQ(listener.configs, 8) << "the first stores the clock, seven more stall";
    EXPECT_EQ(connection.Link()->DriveIndex(), -1);
}

// Six polls without an advance are borne, the seventh drops the logger; an advance at the
// seventh keeps it.
TEST_F(ConnectionTest, TheSeventhStallDropsTheLoggerAndTheSixthDoesNot) {
    const auto pollUntil = [this](int configs) {
        for (int i = 0; i < 400 && listener.configs < configs && listener.dropped == 0; ++i)
            Tick();
        ASSERT_EQ(listener.configs, configs);
    };
    connection.Connect();
    pollUntil(7);
    EXPECT_EQ(connection.StallCount(), 6) << "the first poll stores the clock";
    EXPECT_TRUE(connection.IsConnected());
    EXPECT_FALSE(connection.ClockStoodStill());
    EXPECT_EQ(listener.dropped, 0);
    pollUntil(8);
    EXPECT_EQ(connection.StallCount(), 7);
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_TRUE(connection.ClockStoodStill());
    EXPECT_EQ(listener.dropped, 1);

    listener.dropped = 0;
    listener.configs = 0;
    connection.Connect();
    pollUntil(7);
    listener.clock = 101;
    pollUntil(8);
    EXPECT_TRUE(connection.ClockVerified());
    EXPECT_TRUE(connection.IsConnected());
    EXPECT_FALSE(connection.ClockStoodStill());
    EXPECT_EQ(listener.dropped, 0);
}

// Each poll step comes 50 ms after the last one, not a millisecond sooner.
TEST_F(ConnectionTest, PollStepsComeAtTheirSpacingFromTheLastStep) {
    const auto settle = [this] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!connection.Link()->IsIdle() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    };
    const auto tickAfter = [&](qint64 ms) {
        clock.Advance(ms);
        connection.Tick();
        settle();
    };
    connection.Connect();
    for (int i = 0; i < 40 && !connection.IsConnected(); ++i)
        Tick();
    ASSERT_TRUE(connection.IsConnected()) << "the status read is posted at once";
    settle();
    tickAfter(49);
    EXPECT_EQ(listener.statuses, 0);
    tickAfter(1);
    EXPECT_EQ(listener.statuses, 1) << "taken 50 ms after it was posted";
    ASSERT_EQ(connection.Phase(), MonitorPhaseType::PollConfig);

    const int configReads = drives.ReadCalls(u"/b"_qs, DriveFileType::Config);
    tickAfter(49);
    EXPECT_EQ(drives.ReadCalls(u"/b"_qs, DriveFileType::Config), configReads);
    tickAfter(1);
    EXPECT_EQ(drives.ReadCalls(u"/b"_qs, DriveFileType::Config), configReads + 1)
        << "posted 50 ms after the status was taken";
}

TEST_F(ConnectionTest, AnUnchangedStatusIsReadAgainWithoutAConfigurationRead) {
    listener.answer = LoggerConnectionListener::StatusOutcomeType::Unchanged;
    connection.Connect();
    for (int i = 0; i < 100; ++i) {
        Tick();
        EXPECT_NE(connection.Phase(), MonitorPhaseType::PollConfig) << "tick " << i;
    }
    EXPECT_GT(listener.statuses, 5);
    EXPECT_EQ(listener.configs, 0);
}

TEST_F(ConnectionTest, AStatusThatIsNoLoggersDropsTheDrive) {
    connection.Connect();
    for (int i = 0; i < 40 && !connection.IsConnected(); ++i)
        Tick();
    ASSERT_TRUE(connection.IsConnected());
    listener.answer = LoggerConnectionListener::StatusOutcomeType::NotALogger;
    for (int i = 0; i < 40 && connection.IsConnected(); ++i)
        Tick();
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_EQ(listener.dropped, 1);
}

TEST_F(ConnectionTest, NothingHappensWhileBusy) {
    connection.Connect();
    connection.SetBusy(true);
    for (int i = 0; i < 40; ++i)
        Tick();
    EXPECT_EQ(connection.Phase(), MonitorPhaseType::Scanning);
    EXPECT_EQ(listener.found, 0);
    connection.SetBusy(false);
    for (int i = 0; i < 40 && !connection.IsConnected(); ++i)
        Tick();
    EXPECT_TRUE(connection.IsConnected());
}

TEST(InstrumentPage, TheConnectionRowStandsAloneUntilAStatusFillsThePage) {
    InstrumentPage page;
    EXPECT_EQ(page.Labels(false), QStringList{u"État de la connexion"_qs});
    EXPECT_EQ(page.Values(false, false), QStringList{u"Déconnecté"_qs});
    EXPECT_EQ(page.Values(false, true), QStringList{u"Établir une connexion"_qs});
    page.ShowConnecting();
    EXPECT_EQ(page.Values(true, false), QStringList{u"Établir une connexion"_qs});
    page.ShowStatusUnread();
    EXPECT_EQ(page.Values(true, false), QStringList{u"Déconnecté"_qs});
}

TEST(InstrumentPage, AThermocoupleLoggersRangeFollowsTheTemperatureUnit) {
    InstrumentPage page;
    EXPECT_TRUE(page.NeedsLabels(8));
    page.RebuildLabels(8);
    EXPECT_FALSE(page.NeedsLabels(8));
    EXPECT_TRUE(page.NeedsLabels(2));

    InstrumentStatusRecord status;
    status.model = u"8"_qs;
    InstrumentConfigRecord config;
    config.tcIndex = 1;
    config.tcType = u"K"_qs;
    config.enableCjc = u"1"_qs;
    const QString duration = u"- - -"_qs;
    const QString last = u"21,5 °F"_qs;
    const auto values = [&](bool fahrenheit) {
        const QString units = fahrenheit ? u"°F"_qs : u"°C"_qs;
        page.RebuildValues({.status = status,
                            .config = config,
                            .modelIndex = FindModelEntry(8, 1),
                            .freeMemory = 0,
                            .recordingDuration = duration,
                            .channelUnits = units,
                            .fahrenheit = fahrenheit,
                            .lastValue = last,
                            .channelCount = 0,
                            .batteryVoltage = 3.0});
        return page.Values(true, false);
    };
    const QStringList celsius = values(false);
    const QStringList labels = page.Labels(true);
    const auto row = [&](const QStringList& v, const QString& label) {
        return v.value(labels.indexOf(label));
    };
    ASSERT_EQ(celsius.size(), labels.size());
    EXPECT_EQ(row(celsius, u"Gamme"_qs), u"-200 à 1372"_qs);
    EXPECT_EQ(row(celsius, u"Voie 1"_qs), last);
    EXPECT_EQ(row(celsius, u"CJC activé"_qs), u"Oui"_qs);
    EXPECT_EQ(row(celsius, u"Type de TC"_qs), u"K"_qs);
    EXPECT_EQ(row(values(true), u"Gamme"_qs), u"-328 à 2501,6"_qs);
    EXPECT_EQ(page.Labels(false), QStringList{u"État de la connexion"_qs});
}

namespace {

// Collects the messages of "vexlo.link" while it is switched on.
class LinkTraceCapture {
public:
    LinkTraceCapture() {
        QLoggingCategory::setFilterRules(QStringLiteral("vexlo.link=true"));
        previous_ = qInstallMessageHandler(&LinkTraceCapture::Handle);
    }
    ~LinkTraceCapture() {
        qInstallMessageHandler(previous_);
        QLoggingCategory::setFilterRules(QString());
        const std::lock_guard lock(Mutex());
        Lines().clear();
    }
    static QStringList Messages() {
        const std::lock_guard lock(Mutex());
        return Lines();
    }
    static int Count(const QString& part) {
        int n = 0;
        for (const QString& line : Messages())
            n += line.contains(part) ? 1 : 0;
        return n;
    }

private:
    static void Handle(QtMsgType, const QMessageLogContext& context, const QString& text) {
        if (QLatin1String(context.category) != QLatin1String("vexlo.link"))
            return;
        const std::lock_guard lock(Mutex());
        Lines().append(text);
    }
    static std::mutex& Mutex() {
        static std::mutex mutex;
        return mutex;
    }
    static QStringList& Lines() {
        static QStringList lines;
        return lines;
    }
    QtMessageHandler previous_ = nullptr;
};

} // namespace

TEST(LinkTrace, OffByDefault) {
    EXPECT_STREQ(LinkLog().categoryName(), "vexlo.link");
    EXPECT_FALSE(LinkLog().isDebugEnabled());
    EXPECT_FALSE(LinkLog().isInfoEnabled());
    EXPECT_FALSE(LinkLog().isWarningEnabled());
}

TEST_F(ConnectionTest, TheTraceTellsTheScanAndTheStall) {
    const LinkTraceCapture capture;
    connection.Connect();
    for (int i = 0; i < 400 && listener.dropped == 0; ++i)
        Tick();
    ASSERT_EQ(listener.dropped, 1);
    EXPECT_EQ(LinkTraceCapture::Count(u"scan: logger at /b"_qs), 1)
        << LinkTraceCapture::Messages().join(u'\n').toStdString();
    EXPECT_EQ(LinkTraceCapture::Count(u"not a logger's"_qs), 1) << "the first drive";
    EXPECT_EQ(LinkTraceCapture::Count(u"clock stands still"_qs), 1);

    // A status file that stops opening is told once, not at every retry.
    connection.Connect();
    for (int i = 0; i < 40 && !connection.IsConnected(); ++i)
        Tick();
    ASSERT_TRUE(connection.IsConnected());
    drives.FailOpens(u"/b"_qs, DriveFileType::Status, true);
    // The worker retries the pending read at every pass, about every millisecond here.
    const int readsBefore = drives.ReadCalls(u"/b"_qs, DriveFileType::Status);
    for (int i = 0; i < 40 && connection.Link()->Request() != CommRequestType::ReadStatus; ++i) {
        clock.Advance(10);
        connection.Tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    for (int i = 0; i < 200 && drives.ReadCalls(u"/b"_qs, DriveFileType::Status) < readsBefore + 5;
         ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    drives.FailOpens(u"/b"_qs, DriveFileType::Status, false);
    for (int i = 0; i < 10; ++i)
        Tick();
    EXPECT_EQ(LinkTraceCapture::Count(u"cannot open STATUS.INI on /b"_qs), 1)
        << LinkTraceCapture::Messages().join(u'\n').toStdString();
    EXPECT_EQ(LinkTraceCapture::Count(u"STATUS.INI on /b opens again"_qs), 1);
}

TEST(LinkTrace, TheDriveBackendTellsAFileThatStopsOpeningOnce) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    PosixDriveBackend drives({dir.path()}, false);
    const LinkTraceCapture capture;
    char buffer[512];
    EXPECT_EQ(drives.ReadFile(dir.path(), DriveFileType::Status, 0, buffer, 512),
              DriveBackend::kCannotOpen);
    EXPECT_EQ(drives.ReadFile(dir.path(), DriveFileType::Status, 0, buffer, 512),
              DriveBackend::kCannotOpen);
    QFile status(dir.filePath(u"STATUS.INI"_qs));
    ASSERT_TRUE(status.open(QIODevice::WriteOnly));
    status.write(QByteArray(512, 'x'));
    status.close();
    EXPECT_EQ(drives.ReadFile(dir.path(), DriveFileType::Status, 0, buffer, 512), 512);
    EXPECT_EQ(LinkTraceCapture::Count(u"cannot open"_qs), 1)
        << LinkTraceCapture::Messages().join(u'\n').toStdString();
    EXPECT_EQ(LinkTraceCapture::Count(u"opens again"_qs), 1);
}
