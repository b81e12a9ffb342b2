#include "core/common/StringTable.h"
#include "core/instrument/CInstComm.h"
#include "core/instrument/ConfigurationModel.h"
#include "core/instrument/ControlBlock.h"
#include "core/instrument/DriveText.h"
#include "core/instrument/InstrumentClock.h"
#include "core/instrument/InstrumentPort.h"
#include "core/instrument/InstrumentRecords.h"
#include "core/instrument/LinkTransfer.h"
#include "sim/ManualClock.h"
#include "support/StallingDrive.h"
#include "support/SynchronousPort.h"

#include <QStringList>
#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <limits>
#include <mutex>

namespace {

const QString kRoot = QStringLiteral("/logger");

// Waits for what the link's worker brings about; the deadline only guards against a hang.
template <typename Condition> bool WaitUntil(Condition condition) {
    for (int i = 0; i < 5000 && !condition(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return condition();
}

CalendarDateTime At(int y, int mo, int d, int h, int mi, int s) {
    return CalendarDateTime::FromFields(y, mo, d, h, mi, s);
}

// A logger as the instrument screens see it; every block written is kept.
class BlockPort final : public SynchronousPort {
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

// A block that does not reach the drive ends the series: the rest is not sent, and the problem
// names what reached the logger and what did not.
TEST(FailedWrites, ConfigurationStopsAtTheFirstBlockNotWrittenAndSaysWhichWent) {
    ManualClock clock{1709644029};
    const std::vector<std::pair<int, QString>> cases{
        {-1, QString()},
        {0, ResourceString(TextId::kCannotWriteCommand)},
        {1, u"La configuration n’a atteint l’instrument qu’en partie. Envoyé : échelles et "
            u"unités. Non envoyé : thermocouple, front des événements, taille du filtre, "
            u"programmation de l’enregistrement."_qs},
        {4, u"La configuration n’a atteint l’instrument qu’en partie. Envoyé : échelles et "
            u"unités, thermocouple, front des événements, taille du filtre. Non envoyé : "
            u"programmation de l’enregistrement."_qs},
    };
    for (const auto& [failAfter, expected] : cases) {
        SCOPED_TRACE(failAfter);
        BlockPort port;
        port.failAfter = failAfter;
        ConfigurationModel model(port, clock);
        ASSERT_TRUE(model.SetRecordMode(RecordModeType::Now));
        QString problem = u"not told"_qs;
        const ConfigAcceptResult r = model.Accept([&](const QString& p) { problem = p; });
        EXPECT_TRUE(r.sent) << "queued";
        EXPECT_EQ(problem, expected);
        EXPECT_EQ(port.blocks.size(), failAfter < 0 ? 5u : static_cast<std::size_t>(failAfter + 1));
        EXPECT_EQ(port.cleared, failAfter == 0 ? 0 : 1) << "live data cleared once sent";
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

class StalledLink : public testing::Test {
protected:
    void SetUp() override {
        link->Start();
        link->RequestScan();
        for (int i = 0; i < 2000 && !link->IsIdle(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(link->DriveRoot(), kRoot);
    }
    void TearDown() override {
        drive.Stall(false);
        if (link)
            link->Stop();
    }
    // Looks every millisecond of real time, moving the manual clock by `stepMs`, until the
    // transfer is no longer waiting.
    LinkTransferStateType Settle(LinkTransfer& t, qint64 stepMs = 0) {
        for (int i = 0; i < 5000 && t.Poll() == LinkTransferStateType::Waiting; ++i) {
            clock.AdvanceMs(stepMs);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return t.State();
    }

    StallingDrive drive{kRoot};
    ManualClock clock;
    std::shared_ptr<CInstComm> link =
        std::make_shared<CInstComm>(drive, std::chrono::milliseconds(1));
};

} // namespace

// The caller is never held: a stuck write times out on the caller's own clock, the next one
// waits its turn within its own limit, and once the drive answers again transfers go through.
TEST_F(StalledLink, AStuckWriteTimesOutAndTheNextWaitsItsTurn) {
    LinkTransfer first(*link, clock, 300);
    first.Start(TransferRequest::WriteControl(ControlBlock::StartRecording()));
    ASSERT_EQ(Settle(first), LinkTransferStateType::Done);
    EXPECT_EQ(first.Result().bytes, 512);

    drive.Stall(true);
    LinkTransfer stuck(*link, clock, 300);
    stuck.Start(TransferRequest::WriteControl(ControlBlock::StopRecording()));
    ASSERT_TRUE(WaitUntil([&] { return drive.Writes() == 2; }));
    clock.AdvanceMs(299);
    EXPECT_EQ(stuck.Poll(), LinkTransferStateType::Waiting) << "one millisecond before the limit";
    clock.AdvanceMs(1);
    EXPECT_EQ(stuck.Poll(), LinkTransferStateType::TimedOut) << "at the limit";
    EXPECT_TRUE(link->TransferOut()) << "the worker still has it";

    // The drive is still stuck on that write: the next one is not taken, and gives up in turn.
    LinkTransfer next(*link, clock, 300);
    next.Start(TransferRequest::WriteControl(ControlBlock::StopRecording()));
    EXPECT_EQ(Settle(next, 1), LinkTransferStateType::TimedOut);
    EXPECT_EQ(drive.Writes(), 2) << "nothing piled on a stuck drive";

    drive.Stall(false);
    LinkTransfer after(*link, clock, 300);
    after.Start(TransferRequest::WriteControl(ControlBlock::StopRecording()));
    ASSERT_EQ(Settle(after), LinkTransferStateType::Done);
    EXPECT_EQ(after.Result().bytes, 512);
    EXPECT_EQ(static_cast<uint8_t>(drive.inner.File(kRoot, DriveFileType::Control)[2]), 0x05);
}

TEST_F(StalledLink, ATransferNotBegunIsWithdrawnWhenGivenUp) {
    drive.Stall(true);
    LinkTransfer stuck(*link, clock, 300);
    stuck.Start(TransferRequest::WriteControl(ControlBlock::StartRecording()));
    ASSERT_TRUE(WaitUntil([&] { return drive.Writes() == 1; }));
    {
        LinkTransfer waiting(*link, clock);
        waiting.Start(TransferRequest::ReadRecord(0, 512));
        EXPECT_EQ(waiting.Poll(), LinkTransferStateType::Waiting);
    } // gone before the link took it
    stuck.Cancel();
    drive.Stall(false);
    ASSERT_TRUE(WaitUntil([&] { return !link->TransferOut(); }));
    EXPECT_EQ(drive.inner.ReadCalls(kRoot, DriveFileType::Record), 0);
}

TEST_F(StalledLink, ReadsComeBackThroughTheWorker) {
    QByteArray record(1024, '\0');
    for (int i = 0; i < record.size(); ++i)
        record[i] = static_cast<char>(i * 3);
    drive.inner.SetFile(kRoot, DriveFileType::Record, record);
    LinkTransfer read(*link, clock);
    read.Start(TransferRequest::ReadRecord(512, 1024));
    ASSERT_EQ(Settle(read), LinkTransferStateType::Done);
    EXPECT_EQ(read.Result().bytes, 512);
    EXPECT_EQ(read.Result().data, record.mid(512)) << "nothing beyond what was read";
}

// Stopping a link whose worker is caught in a drive call does not wait for the drive.
TEST_F(StalledLink, StopLeavesAWorkerCaughtInADriveCallBehind) {
    drive.Stall(true);
    LinkTransfer stuck(*link, clock);
    stuck.Start(TransferRequest::WriteControl(ControlBlock::StartRecording()));
    ASSERT_TRUE(WaitUntil([&] { return drive.Writes() == 1; }));
    const auto begun = std::chrono::steady_clock::now();
    std::weak_ptr<CInstComm> left = link;
    stuck.Cancel();
    link->Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - begun,
              std::chrono::milliseconds(CInstComm::kStopWaitMs + 2000));
    link.reset();
    EXPECT_FALSE(left.expired()) << "the worker keeps its link alive";
    drive.Stall(false);
    ASSERT_TRUE(WaitUntil([&] { return left.expired(); }));
}
