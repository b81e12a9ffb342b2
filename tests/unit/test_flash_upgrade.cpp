#include "core/common/StringTable.h"
#include "core/instrument/CInstComm.h"
#include "core/instrument/ControlBlock.h"
#include "core/instrument/FlashUpgradeJob.h"
#include "sim/ManualClock.h"
#include "sim/SimulatedDrive.h"
#include "support/EmulatedFlashChannel.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

constexpr int kPage = FlashProgrammer::kPageSize;

IntelHexImage MarkedImage(qsizetype size) {
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251 + 13) & 0xFF);
    // The compatibility mark where the image reaches it; the job itself never looks at it.
    if (size > IntelHexImage::kMarkAddress + 1) {
        bytes[IntelHexImage::kMarkAddress] = 'X';
        bytes[IntelHexImage::kMarkAddress + 1] = 'V';
    }
    return IntelHexImage(bytes);
}

QByteArray WithValue(QByteArray status, const QByteArray& key, const QByteArray& value) {
    const qsizetype at = status.indexOf(key);
    if (at < 0)
        return status + key + value + "\r\n";
    const qsizetype end = status.indexOf("\r\n", at);
    return status.replace(at, end - at, key + value);
}

class FlashUpgradeTest : public ::testing::Test {
protected:
    explicit FlashUpgradeTest(qint64 ackDelayMs = 0)
        : drive_(clock_, Settings(ackDelayMs)), channel_(drive_) {}

    static LoggerSettings Settings(qint64 ackDelayMs) {
        LoggerSettings s;
        s.faults.ackDelayMs = ackDelayMs;
        return s;
    }
    void Start(qsizetype size) {
        image_ = MarkedImage(size);
        job_ = std::make_unique<FlashUpgradeJob>(channel_, image_, clock_);
    }
    FlashStateType Tick() {
        clock_.AdvanceMs(10);
        return job_->Step();
    }
    FlashStateType RunToEnd() {
        for (int i = 0; i < 100000 && job_->Running(); ++i)
            Tick();
        return job_->State();
    }
    void RunUntilConfirmed(qint64 bytes) {
        for (int i = 0; i < 100000 && job_->Running() && job_->Done() < bytes; ++i)
            Tick();
        ASSERT_EQ(job_->Done(), bytes);
    }
    // Ticks until `ms` have passed since `from`, expecting the job to run all along.
    void RunUntil(qint64 from, qint64 ms) {
        while (clock_.MonotonicMs() + 10 < from + ms)
            ASSERT_EQ(Tick(), FlashStateType::Running) << clock_.MonotonicMs() - from;
    }
    void DropNextPages(int count) {
        drive_.WithLogger([count](LoggerEmulator& l) { l.Flash().DropNextPages(count); });
    }
    QByteArray Programmed() {
        return drive_.WithLogger([](LoggerEmulator& l) { return l.Flash().Image(); });
    }
    bool InFlashMode() {
        return drive_.WithLogger([](LoggerEmulator& l) { return l.Flash().Active(); });
    }
    void ExpectProgrammedImage() {
        const QByteArray programmed = Programmed();
        const qsizetype pages = (image_.Size() + kPage - 1) / kPage;
        ASSERT_EQ(programmed.size(), pages * kPage);
        EXPECT_EQ(programmed.left(image_.Size()), image_.Bytes());
        EXPECT_EQ(programmed.mid(image_.Size()),
                  QByteArray(programmed.size() - image_.Size(), '\0'));
    }

    ManualClock clock_{1733650000, 0};
    SimulatedDrive drive_;
    EmulatedFlashChannel channel_;
    IntelHexImage image_;
    std::unique_ptr<FlashUpgradeJob> job_;
};

} // namespace

TEST_F(FlashUpgradeTest, WholeImageIsProgrammedAndFlashModeEnds) {
    Start(5000);
    EXPECT_EQ(job_->Text(), ResourceString(TextId::kFlashMode));
    EXPECT_EQ(RunToEnd(), FlashStateType::Finished);
    ExpectProgrammedImage();
    EXPECT_EQ(channel_.pageWrites, 20);
    EXPECT_EQ(channel_.enterWrites, 1);
    EXPECT_EQ(channel_.endWrites, 1);
    EXPECT_EQ(job_->CodePageSize(), kPage);
    EXPECT_EQ(job_->Done(), job_->Total());
    EXPECT_EQ(job_->Text(), ResourceString(TextId::kFirmwareDone));
    EXPECT_FALSE(job_->LeftIncomplete());
    EXPECT_FALSE(InFlashMode());
    EXPECT_EQ(job_->Step(), FlashStateType::Finished);
}

TEST_F(FlashUpgradeTest, LastPageAroundThePageBoundary) {
    for (const qsizetype size : {8 * kPage - 1, 8 * kPage, 8 * kPage + 1}) {
        SCOPED_TRACE(size);
        channel_.pageWrites = 0;
        Start(size);
        ASSERT_EQ(RunToEnd(), FlashStateType::Finished);
        ExpectProgrammedImage();
        EXPECT_EQ(channel_.pageWrites, (size + kPage - 1) / kPage);
    }
}

TEST_F(FlashUpgradeTest, ProgressFollowsConfirmedPages) {
    Start(3 * kPage + 10);
    RunUntilConfirmed(kPage);
    EXPECT_EQ(job_->Text(), ResourceString(TextId::kSendingFirmware));
    RunUntilConfirmed(3 * kPage);
    EXPECT_EQ(RunToEnd(), FlashStateType::Finished);
    EXPECT_EQ(job_->Done(), 3 * kPage + 10);
}

// Only 256-byte pages can be confirmed one bit each, and the image must fit the logger's
// program memory; either refusal comes before anything is written.
TEST_F(FlashUpgradeTest, PageSizeOtherThan256IsRefusedBeforeAnythingIsSent) {
    for (const int size : {0, 128, 255, 257, 512}) {
        SCOPED_TRACE(size);
        channel_.status = [size](QByteArray s) {
            return WithValue(std::move(s), "CodePageSize=", QByteArray::number(size));
        };
        Start(4 * kPage);
        EXPECT_EQ(RunToEnd(), FlashStateType::Refused);
        EXPECT_EQ(job_->Text(),
                  FormatResource(TextId::kFlashPageSizeRefused, {QString::number(size)}));
        EXPECT_EQ(channel_.enterWrites + channel_.pageWrites, 0);
    }
}

TEST_F(FlashUpgradeTest, TheImageMustFitTheLogger) {
    for (const int pages : {7, 8}) {
        SCOPED_TRACE(pages);
        channel_.status = [pages](QByteArray s) {
            return WithValue(std::move(s), "NumCodePages=", QByteArray::number(pages));
        };
        channel_.pageWrites = 0;
        Start(8 * kPage);
        if (pages == 8) {
            EXPECT_EQ(RunToEnd(), FlashStateType::Finished) << "exactly the logger's memory";
            continue;
        }
        EXPECT_EQ(RunToEnd(), FlashStateType::Refused);
        EXPECT_EQ(job_->Text(), FormatResource(TextId::kFlashImageTooLarge,
                                               {QString::number(8 * kPage), u"7"_qs, u"256"_qs}));
        EXPECT_EQ(channel_.enterWrites + channel_.pageWrites, 0);
    }
    channel_.status = [](QByteArray s) {
        return WithValue(std::move(s), "NumCodePages=", QByteArrayLiteral("7"));
    };
    Start(7 * kPage + 1);
    EXPECT_EQ(RunToEnd(), FlashStateType::Refused) << "one byte beyond";
}

// Sizes that change once in flash mode are refused there too, and the logger is taken out of
// flash mode with its firmware untouched.
TEST_F(FlashUpgradeTest, SizesRefusedInFlashModeEndFlashMode) {
    channel_.status = [this](QByteArray s) {
        return InFlashMode() ? WithValue(std::move(s), "CodePageSize=", "128") : s;
    };
    Start(4 * kPage);
    EXPECT_EQ(RunToEnd(), FlashStateType::Refused);
    EXPECT_EQ(channel_.pageWrites, 0);
    EXPECT_EQ(channel_.endWrites, 1);
    EXPECT_FALSE(InFlashMode());
}

// A slow logger is waited for: a page is looked at again while it is being programmed and sent
// again only now and then, for as long as the page's bound allows.
class SlowFlashUpgradeTest : public FlashUpgradeTest {
protected:
    SlowFlashUpgradeTest() : FlashUpgradeTest(300) {}
};

TEST_F(SlowFlashUpgradeTest, APageAcknowledged300MsLateIsWaitedFor) {
    Start(10 * kPage);
    EXPECT_EQ(RunToEnd(), FlashStateType::Finished);
    ExpectProgrammedImage();
    EXPECT_EQ(channel_.pageWrites, 20) << "each page sent once more after 250 ms";
    EXPECT_FALSE(InFlashMode());
}

class AckDelayTest : public FlashUpgradeTest, public ::testing::WithParamInterface<qint64> {
protected:
    AckDelayTest() : FlashUpgradeTest(GetParam()) {}
};

TEST_P(AckDelayTest, APageIsSentAgainOnlyOnceTheResendDelayHasPassed) {
    Start(4 * kPage);
    EXPECT_EQ(RunToEnd(), FlashStateType::Finished);
    ExpectProgrammedImage();
    const int perPage = GetParam() <= FlashUpgradeJob::kResendAfterMs ? 1 : 2;
    EXPECT_EQ(channel_.pageWrites, 4 * perPage);
}

INSTANTIATE_TEST_SUITE_P(AroundTheResendDelay, AckDelayTest,
                         ::testing::Values(FlashUpgradeJob::kResendAfterMs - 10,
                                           FlashUpgradeJob::kResendAfterMs,
                                           FlashUpgradeJob::kResendAfterMs + 10));

TEST_F(FlashUpgradeTest, APageNeverConfirmedEndsTheJobAtItsBound) {
    Start(10 * kPage);
    RunUntilConfirmed(2 * kPage);
    const qint64 pageBegan = clock_.MonotonicMs();
    DropNextPages(1000000);
    RunUntil(pageBegan, FlashUpgradeJob::kPageLimitMs);
    EXPECT_EQ(Tick(), FlashStateType::Failed) << "at the bound";
    EXPECT_EQ(job_->Done(), 2 * kPage);
    EXPECT_EQ(job_->Text(), ResourceString(TextId::kFirmwareIncomplete));
    EXPECT_TRUE(job_->LeftIncomplete());
    EXPECT_TRUE(InFlashMode());
    const int writes = channel_.pageWrites;
    EXPECT_EQ(job_->Step(), FlashStateType::Failed);
    EXPECT_EQ(channel_.pageWrites, writes);
}

TEST_F(FlashUpgradeTest, EachPageHasABoundOfItsOwn) {
    Start(4 * kPage);
    RunUntilConfirmed(kPage);
    DropNextPages(15);
    RunUntilConfirmed(2 * kPage);
    DropNextPages(15);
    EXPECT_EQ(RunToEnd(), FlashStateType::Finished);
    ExpectProgrammedImage();
}

// A bit already set before its page went out is stale: it confirms nothing.
TEST_F(FlashUpgradeTest, AStaleAcknowledgementIsNotTakenForOne) {
    QByteArray page0(512, '\0');
    page0[0] = 1;
    channel_.extraMapBits = {page0};
    Start(4 * kPage);
    DropNextPages(1000000);
    EXPECT_EQ(RunToEnd(), FlashStateType::Failed);
    EXPECT_EQ(job_->Done(), 0);

    // A bit set at first that the logger then clears is fine: the page is confirmed once its
    // bit has been seen clear and then set.
    channel_.extraMapBits = {page0, QByteArray(512, '\0')};
    DropNextPages(1);
    Start(4 * kPage);
    EXPECT_EQ(RunToEnd(), FlashStateType::Finished);
    ExpectProgrammedImage();
}

TEST_F(FlashUpgradeTest, ALoggerSilentWhileSendingLeavesAnIncompleteImage) {
    Start(6 * kPage);
    RunUntilConfirmed(2 * kPage);
    channel_.silent = true;
    clock_.AdvanceMs(FlashUpgradeJob::kPageLimitMs - 1);
    EXPECT_EQ(job_->Step(), FlashStateType::Running);
    clock_.AdvanceMs(1);
    EXPECT_EQ(job_->Step(), FlashStateType::Failed);
    EXPECT_EQ(job_->Text(), ResourceString(TextId::kFirmwareIncomplete));
    EXPECT_TRUE(job_->LeftIncomplete());
}

TEST_F(FlashUpgradeTest, AConfirmedPageRestartsThePageBound) {
    Start(6 * kPage);
    RunUntilConfirmed(2 * kPage);
    clock_.AdvanceMs(FlashUpgradeJob::kPageLimitMs - 1);
    EXPECT_EQ(job_->Step(), FlashStateType::Running);
    RunUntilConfirmed(3 * kPage);
    clock_.AdvanceMs(FlashUpgradeJob::kPageLimitMs - 1);
    EXPECT_EQ(job_->Step(), FlashStateType::Running);
    EXPECT_EQ(RunToEnd(), FlashStateType::Finished);
}

TEST_F(FlashUpgradeTest, ALoggerSilentFromTheStartIsUnchanged) {
    channel_.silent = true;
    Start(4 * kPage);
    RunUntil(0, FlashUpgradeJob::kSilenceLimitMs);
    EXPECT_EQ(Tick(), FlashStateType::Failed);
    EXPECT_EQ(job_->Text(), ResourceString(TextId::kFlashEnterFailed));
    EXPECT_FALSE(job_->LeftIncomplete());
}

TEST_F(FlashUpgradeTest, FlashModeNotEnteredEndsTheJobWithTheFirmwareUnchanged) {
    channel_.failingCode = 0x40;
    Start(4 * kPage);
    EXPECT_EQ(RunToEnd(), FlashStateType::Failed);
    EXPECT_EQ(job_->Text(), ResourceString(TextId::kFlashEnterFailed));
    EXPECT_EQ(channel_.pageWrites, 0);
}

// A logger busy erasing refuses flash mode but goes on answering: bounded all the same.
TEST_F(FlashUpgradeTest, AnsweringLoggerThatNeverReachesFlashModeIsGivenUp) {
    drive_.WriteFile(drive_.LoggerRoot(), DriveFileType::Control, 0,
                     reinterpret_cast<const char*>(ControlBlock::EraseMemory().Data()),
                     ControlBlock::kSize);
    Start(4 * kPage);
    Tick(); // sizes
    Tick(); // flash mode asked
    const qint64 asked = clock_.MonotonicMs();
    RunUntil(asked, FlashUpgradeJob::kModeLimitMs);
    EXPECT_EQ(Tick(), FlashStateType::Failed);
    EXPECT_EQ(channel_.pageWrites, 0);
    EXPECT_EQ(job_->Text(), ResourceString(TextId::kFlashEnterFailed));
}

TEST_F(FlashUpgradeTest, FlashModeNotEndedSaysTheImageWasSent) {
    channel_.failingCode = 0x42;
    Start(4 * kPage);
    EXPECT_EQ(RunToEnd(), FlashStateType::Failed);
    EXPECT_EQ(job_->Text(), ResourceString(TextId::kFlashEndFailed));
    EXPECT_FALSE(job_->LeftIncomplete());
    ExpectProgrammedImage();
}

TEST_F(FlashUpgradeTest, CancelBeforeAnyPageEndsFlashMode) {
    Start(8 * kPage);
    while (job_->CurrentStep() != FlashStepType::ReadBaseline)
        ASSERT_EQ(Tick(), FlashStateType::Running);
    ASSERT_TRUE(InFlashMode());
    job_->Cancel();
    EXPECT_EQ(RunToEnd(), FlashStateType::Cancelled);
    EXPECT_EQ(channel_.pageWrites, 0);
    EXPECT_EQ(channel_.endWrites, 1);
    EXPECT_FALSE(InFlashMode());
    EXPECT_FALSE(job_->LeftIncomplete());
    EXPECT_EQ(job_->Text(), ResourceString(TextId::kFlashCancelledUnchanged));
}

TEST_F(FlashUpgradeTest, CancelBeforeFlashModeSendsNothing) {
    Start(8 * kPage);
    job_->Cancel();
    EXPECT_EQ(job_->State(), FlashStateType::Cancelled);
    EXPECT_EQ(channel_.enterWrites + channel_.endWrites, 0);
}

TEST_F(FlashUpgradeTest, CancelAfterPagesLeavesAnIncompleteImageAndSaysSo) {
    Start(8 * kPage);
    RunUntilConfirmed(3 * kPage);
    job_->Cancel();
    const int writes = channel_.pageWrites;
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(Tick(), FlashStateType::Cancelled);
    EXPECT_EQ(channel_.pageWrites, writes);
    EXPECT_EQ(channel_.endWrites, 0);
    EXPECT_EQ(job_->Done(), 3 * kPage);
    EXPECT_TRUE(InFlashMode());
    EXPECT_TRUE(job_->LeftIncomplete());
    EXPECT_EQ(job_->Text(), ResourceString(TextId::kFirmwareIncomplete));
}

TEST(FlashUpgradeOverLink, ASlowLoggerThroughTheWorker) {
    using namespace std::chrono_literals;
    ManualClock clock{1733650000, 0};
    LoggerSettings settings;
    settings.faults.ackDelayMs = 300;
    SimulatedDrive drive{clock, settings};
    CInstComm comm(drive, 1ms);
    comm.Start();
    comm.RequestScan();
    for (int i = 0; i < 5000 && !comm.IsIdle(); ++i)
        std::this_thread::sleep_for(1ms);
    ASSERT_GE(comm.DriveIndex(), 0);

    const IntelHexImage image = MarkedImage(3000);
    FlashUpgradeJob job(comm, image, clock);
    for (int i = 0; i < 100000 && job.Running(); ++i) {
        // The worker gets its turn between two steps, as between two timer ticks.
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (comm.TransferOut() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(100us);
        clock.AdvanceMs(10);
        job.Step();
    }
    ASSERT_EQ(job.State(), FlashStateType::Finished);
    const QByteArray programmed =
        drive.WithLogger([](LoggerEmulator& l) { return l.Flash().Image(); });
    EXPECT_EQ(programmed.left(image.Size()), image.Bytes());
    comm.Stop();
}
