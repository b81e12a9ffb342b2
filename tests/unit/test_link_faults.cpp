#include "core/common/StringTable.h"
#include "core/instrument/CInstComm.h"
#include "core/instrument/ConfigurationModel.h"
#include "core/instrument/ControlBlock.h"
#include "core/instrument/DriveText.h"
#include "core/instrument/InstrumentClock.h"
#include "core/instrument/InstrumentPort.h"
#include "core/instrument/InstrumentRecords.h"
#include "sim/ManualClock.h"
#include "support/StallingDrive.h"

#include <QStringList>
#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <limits>
#include <mutex>

namespace {

const QString kRoot = QStringLiteral("/logger");

CalendarDateTime At(int y, int mo, int d, int h, int mi, int s) {
    return CalendarDateTime::FromFields(y, mo, d, h, mi, s);
}

// A logger as the instrument screens see it; every block written is kept.
class BlockPort final : public InstrumentPort {
public:
    explicit BlockPort(const QByteArray& time = "2024/03/05 14:07:09", int model = 2) {
        const QByteArray text = "Model=" + QByteArray::number(model) +
                                "\r\nMemSize=2048000\r\nMemUsed=0\r\nMemErase=0\r\n"
                                "RecordingState=0\r\nTime=" +
                                time + "\r\n";
        state.connected = true;
        state.status.ReadTexts(text.constData(), static_cast<int>(text.size()));
        state.modelIndex = 3;
    }
    InstrumentState State() const override { return state; }
    qint64 WriteControlBlock(const ControlBlock& block) override {
        blocks.push_back(
            QByteArray(reinterpret_cast<const char*>(block.Data()), ControlBlock::kSize));
        return failAfter >= 0 && static_cast<int>(blocks.size()) > failAfter ? 0
                                                                             : ControlBlock::kSize;
    }
    bool LinkIdle() const override { return true; }
    qint64 LinkMemoryUsed() const override { return 0; }
    qint64 ReadRecord(char*, qint64, qint64) override { return 0; }
    void SetBusy(bool) override {}
    void ClearLiveData() override { ++cleared; }
    void ForgetLastStatus() override {}

    InstrumentState state;
    // Blocks after this many fail; -1 never.
    int failAfter = -1;
    std::vector<QByteArray> blocks;
    int cleared = 0;
};

quint32 BigEndianAt(const QByteArray& block, int at) {
    quint32 v = 0;
    for (int i = 0; i < 4; ++i)
        v = v << 8 | static_cast<uint8_t>(block[at + i]);
    return v;
}

ClockSetResult SetClockTo(BlockPort& port, const CalendarDateTime& t) {
    ManualClock clock{1709644029};
    InstrumentClockSetter setter(port, clock);
    setter.Begin(DateTimeDlgEndType::Ok, t);
    return setter.Result();
}

} // namespace

// The logger's clock is 32-bit seconds: each end is accepted, one second beyond it refused.
TEST(ClockRange, BothEndsAreSentAndOneSecondBeyondIsRefusedNotClamped) {
    EXPECT_EQ(InstrumentTimeToSend(At(1970, 1, 1, 0, 0, 0)), 0u);
    EXPECT_EQ(InstrumentTimeToSend(At(1969, 12, 31, 23, 59, 59)), std::nullopt);
    EXPECT_EQ(InstrumentTimeToSend(At(2106, 2, 7, 6, 28, 15)),
              std::numeric_limits<uint32_t>::max());
    EXPECT_EQ(InstrumentTimeToSend(At(2106, 2, 7, 6, 28, 16)), std::nullopt);
    EXPECT_EQ(InstrumentTimeToSend(CalendarDateTime{}), std::nullopt);

    for (const auto& [t, sent] :
         {std::pair{At(1970, 1, 1, 0, 0, 0), true}, std::pair{At(1969, 12, 31, 23, 59, 59), false},
          std::pair{At(2106, 2, 7, 6, 28, 15), true},
          std::pair{At(2106, 2, 7, 6, 28, 16), false}}) {
        SCOPED_TRACE(FormatDateTimeText(t).toStdString());
        BlockPort port;
        const ClockSetResult r = SetClockTo(port, t);
        EXPECT_EQ(r.set, sent);
        ASSERT_EQ(port.blocks.size(), sent ? 1u : 0u) << "nothing is sent for a refused time";
        if (sent) {
            EXPECT_EQ(BigEndianAt(port.blocks[0], 4), InstrumentTimeToSend(t).value());
            EXPECT_TRUE(r.problem.isEmpty());
        } else {
            EXPECT_EQ(r.problem, FormatResource(TextId::kClockOutOfRange, {FormatDateTimeText(t)}));
            EXPECT_EQ(port.cleared, 0);
        }
    }
}

TEST(ClockRange, TheSetClockWindowRefusesATimeOutsideTheClock) {
    ManualClock clock{1709644029};
    DateTimeDlgModel window(clock);
    EXPECT_TRUE(window.Problem().isEmpty());
    window.SetDate(At(2106, 2, 7, 0, 0, 0));
    window.SetTime(At(2106, 2, 7, 6, 28, 15));
    EXPECT_TRUE(window.Problem().isEmpty());
    window.SetTime(At(2106, 2, 7, 6, 28, 16));
    EXPECT_TRUE(window.Problem().contains(u"2106/02/07 06:28:16"_qs))
        << window.Problem().toStdString();
}

TEST(ClockRange, AScheduleEndingPastTheClockIsRefusedAndNothingSent) {
    ManualClock clock{1709644029};
    for (const auto& [end, sent] : {std::pair{At(2106, 2, 7, 6, 28, 15), true},
                                    std::pair{At(2106, 2, 7, 6, 28, 16), false}}) {
        BlockPort port("2106/02/07 04:00:00");
        ConfigurationModel model(port, clock);
        ASSERT_TRUE(model.SetRecordMode(RecordModeType::Schedule));
        model.SetStart(At(2106, 2, 7, 5, 0, 0));
        model.SetEnd(end);
        const ConfigAcceptResult r = model.Accept();
        EXPECT_EQ(r.sent, sent);
        if (!sent) {
            EXPECT_EQ(r.message,
                      FormatResource(TextId::kClockOutOfRange, {FormatDateTimeText(end)}));
            EXPECT_TRUE(port.blocks.empty());
            continue;
        }
        ASSERT_EQ(port.blocks.size(), 5u);
        const QByteArray& schedule = port.blocks.back();
        EXPECT_EQ(static_cast<uint8_t>(schedule[2]), 0x04);
        EXPECT_EQ(BigEndianAt(schedule, 4), InstrumentTimeToSend(At(2106, 2, 7, 5, 0, 0)).value());
        EXPECT_EQ(BigEndianAt(schedule, 8), 5295u);
    }
}

TEST(ClockRange, RecordingNowPastTheClockIsRefused) {
    ManualClock clock{1709644029};
    BlockPort port("2106/02/07 06:00:00");
    ConfigurationModel model(port, clock);
    ASSERT_TRUE(model.SetRecordMode(RecordModeType::Now));
    // Eight hours from a clock 28 minutes before its end.
    const ConfigAcceptResult r = model.Accept();
    EXPECT_FALSE(r.sent);
    EXPECT_TRUE(r.message.startsWith(u"L’horloge de l’instrument compte"_qs))
        << r.message.toStdString();
    EXPECT_TRUE(port.blocks.empty());
}

// A block that does not reach the drive is a failure: the rest is not sent, nothing says done.
TEST(FailedWrites, ConfigurationStopsAtTheFirstBlockNotWritten) {
    ManualClock clock{1709644029};
    for (int failAfter : {0, 2, 4}) {
        SCOPED_TRACE(failAfter);
        BlockPort port;
        port.failAfter = failAfter;
        ConfigurationModel model(port, clock);
        ASSERT_TRUE(model.SetRecordMode(RecordModeType::Now));
        const ConfigAcceptResult r = model.Accept();
        EXPECT_FALSE(r.sent);
        EXPECT_TRUE(r.writeFailed);
        EXPECT_EQ(r.message, ResourceString(TextId::kCannotWriteCommand));
        EXPECT_EQ(port.blocks.size(), static_cast<std::size_t>(failAfter + 1));
    }
}

TEST(FailedWrites, AClockNotWrittenIsNotSet) {
    BlockPort port;
    port.failAfter = 0;
    const ClockSetResult r = SetClockTo(port, At(2024, 3, 5, 14, 7, 9));
    EXPECT_FALSE(r.set);
    EXPECT_EQ(r.problem, ResourceString(TextId::kCannotWriteCommand));
    EXPECT_EQ(port.cleared, 0);
}

// Units travel as one byte per character: Latin-1 goes, anything else is refused and told.
TEST(Units, OnlyLatin1WithoutControlCharactersIsSent) {
    ManualClock clock{1709644029};
    struct Case {
        QString units;
        bool sent;
    };
    const Case cases[] = {
        {u"°C"_qs, true},
        {QString(QChar(0xFF)), true},
        {QString(QChar(0x100)), false},
        {u"€"_qs, false},
        {u"A\tB"_qs, false},
        {u"Pasc€"_qs, true}, // cut to four characters first
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.units.toStdString());
        BlockPort port;
        ConfigurationModel model(port, clock);
        model.SetUnits(c.units);
        const ConfigAcceptResult r = model.Accept();
        EXPECT_EQ(r.sent, c.sent);
        if (!c.sent) {
            EXPECT_EQ(r.message, FormatResource(TextId::kBadUnitsChar, {c.units.left(4)}));
            EXPECT_TRUE(port.blocks.empty());
        }
    }
}

TEST(DriveTexts, ControlCharactersAreNeverHandedOnRaw) {
    const QByteArray text("SerNum=a\x1b]0;x\x07\tb\x7f\x85\xa0\xe9\r\n");
    EXPECT_EQ(DriveTextValue(text.constData(), static_cast<int>(text.size()), "SerNum="),
              u"a\uFFFD]0;x\uFFFD b\uFFFD\uFFFD\u00A0\u00E9"_qs);
    const QByteArray number("MemUsed=\t42\r\n");
    EXPECT_EQ(DriveTextInt(number.constData(), static_cast<int>(number.size()), "MemUsed=", 0), 42);
}

TEST(DriveTexts, ALoggerStatusNeedsItsIdentityAndOneShownValue) {
    const auto is = [](const QByteArray& t) {
        return IsLoggerStatusText(t.constData(), static_cast<int>(t.size()));
    };
    EXPECT_TRUE(is("CodePageSize=1\r\nNumCodePages=1\r\nTime=2024/03/05 14:07:09\r\n"));
    EXPECT_TRUE(is("CodePageSize=300\r\nNumCodePages=4096\r\nModel=\r\n"));
    EXPECT_FALSE(is("CodePageSize=0\r\nNumCodePages=1\r\nModel=2\r\n"));
    EXPECT_FALSE(is("CodePageSize=256\r\nNumCodePages=-1\r\nModel=2\r\n"));
    EXPECT_FALSE(is("CodePageSize=256\r\nModel=2\r\n"));
    EXPECT_FALSE(is("CodePageSize=256\r\nNumCodePages=4096\r\nColour=blue\r\n"));
}

namespace {

class CountingWait final : public TransferWait {
public:
    bool KeepWaiting(qint64 elapsedMs) override {
        ++calls;
        lastElapsed = elapsedMs;
        return giveUpAfter < 0 || calls < giveUpAfter;
    }
    void Finished() override { ++finished; }

    int giveUpAfter = -1;
    int calls = 0;
    int finished = 0;
    qint64 lastElapsed = 0;
};

class StalledLink : public testing::Test {
protected:
    void SetUp() override {
        link.SetTransferWait(&wait);
        link.SetTransferLimitMs(300);
        link.Start();
        link.RequestScan();
        for (int i = 0; i < 2000 && !link.IsIdle(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(link.DriveRoot(), kRoot);
    }
    void TearDown() override {
        drive.Stall(false);
        link.Stop();
    }

    StallingDrive drive{kRoot};
    CountingWait wait;
    CInstComm link{drive, std::chrono::milliseconds(1)};
};

} // namespace

// The caller keeps its loop turning while the worker is stuck on the drive.
TEST_F(StalledLink, AWriteNotDoneWithinTheLimitFailsWhileTheCallerKeepsTurning) {
    EXPECT_EQ(link.WriteControlBlock(ControlBlock::StartRecording()), 512);
    EXPECT_EQ(wait.finished, 1);

    drive.Stall(true);
    const auto begun = std::chrono::steady_clock::now();
    EXPECT_EQ(link.WriteControlBlock(ControlBlock::StopRecording()), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - begun, std::chrono::milliseconds(300));
    EXPECT_GT(wait.calls, 10) << "the interface was given its turns";
    EXPECT_GE(wait.lastElapsed, 250);
    EXPECT_EQ(wait.finished, 2);

    // The drive is still stuck on that write: the next one fails at once, without waiting.
    const int callsBefore = wait.calls;
    EXPECT_EQ(link.WriteControlBlock(ControlBlock::StopRecording()), 0);
    EXPECT_EQ(wait.calls, callsBefore);
    EXPECT_EQ(drive.Writes(), 2);

    drive.Stall(false);
    for (int i = 0; i < 2000 && link.WriteControlBlock(ControlBlock::StopRecording()) != 512; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(static_cast<uint8_t>(drive.inner.File(kRoot, DriveFileType::Control)[2]), 0x05);
}

TEST_F(StalledLink, TheUserCanGiveUpAWaitingWrite) {
    drive.Stall(true);
    wait.giveUpAfter = 3;
    const auto begun = std::chrono::steady_clock::now();
    EXPECT_EQ(link.WriteControlBlock(ControlBlock::StartRecording()), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::milliseconds(250));
    EXPECT_EQ(wait.calls, 3);
    EXPECT_EQ(wait.finished, 1);
}

TEST_F(StalledLink, ReadsComeBackThroughTheWorker) {
    QByteArray record(1024, '\0');
    for (int i = 0; i < record.size(); ++i)
        record[i] = static_cast<char>(i * 3);
    drive.inner.SetFile(kRoot, DriveFileType::Record, record);
    QByteArray got(1024, 'x');
    EXPECT_EQ(link.ReadRecord(got.data(), 512, 1024), 512);
    EXPECT_EQ(got.left(512), record.mid(512));
    EXPECT_EQ(got.mid(512), QByteArray(512, 'x')) << "nothing beyond what was read";
}
