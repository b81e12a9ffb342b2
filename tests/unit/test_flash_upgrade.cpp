#include "core/common/StringTable.h"
#include "core/instrument/CInstComm.h"
#include "core/instrument/ControlBlock.h"
#include "core/instrument/FlashLink.h"
#include "core/instrument/FlashUpgradeJob.h"
#include "sim/ManualClock.h"
#include "sim/SimulatedDrive.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

constexpr int kPage = FlashProgrammer::kPageSize;

// The mailbox and status file of an emulated logger, read at once, with faults on demand.
class EmulatedFlashLink final : public FlashLink {
public:
    explicit EmulatedFlashLink(SimulatedDrive& drive) : drive_(drive) {}

    qint64 WriteControlBlock(const ControlBlock& block) override {
        if (silent)
            return 0;
        if (failingWrites > 0) {
            --failingWrites;
            return 0;
        }
        if (block.Code() == 0x41)
            ++pageWrites;
        return drive_.WriteFile(drive_.LoggerRoot(), DriveFileType::Control, 0,
                                reinterpret_cast<const char*>(block.Data()), ControlBlock::kSize);
    }
    qint64 ReadControlBlock(std::uint8_t* buffer512) override {
        if (silent)
            return 0;
        return drive_.ReadFile(drive_.LoggerRoot(), DriveFileType::Control, 0,
                               reinterpret_cast<char*>(buffer512), ControlBlock::kSize);
    }
    void RequestStatusRead() override {
        status_.clear();
        if (silent)
            return;
        QByteArray text(CInstComm::kTextReadSize, '\0');
        const qint64 read = drive_.ReadFile(drive_.LoggerRoot(), DriveFileType::Status, 0,
                                            text.data(), text.size());
        status_ = text.left(read);
    }
    bool StatusReadPending() const override { return false; }
    QByteArray StatusText() const override { return status_; }

    bool silent = false;
    int failingWrites = 0;
    int pageWrites = 0;

private:
    SimulatedDrive& drive_;
    QByteArray status_;
};

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

class FlashUpgradeTest : public ::testing::Test {
protected:
    void Start(qsizetype size) {
        image_ = MarkedImage(size);
        job_ = std::make_unique<FlashUpgradeJob>(link_, image_, clock_);
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
    SimulatedDrive drive_{clock_, LoggerSettings{}};
    EmulatedFlashLink link_{drive_};
    IntelHexImage image_;
    std::unique_ptr<FlashUpgradeJob> job_;
};

TEST_F(FlashUpgradeTest, WholeImageIsProgrammedAndFlashModeEnds) {
    Start(5000);
    EXPECT_EQ(job_->Text(), ResourceString(TextId::kFlashMode));
    EXPECT_EQ(RunToEnd(), FlashStateType::Finished);
    ExpectProgrammedImage();
    EXPECT_EQ(link_.pageWrites, 20);
    EXPECT_EQ(job_->CodePageSize(), kPage);
    EXPECT_EQ(job_->Done(), job_->Total());
    EXPECT_EQ(job_->Text(), ResourceString(TextId::kFirmwareDone));
    EXPECT_FALSE(InFlashMode());
    EXPECT_EQ(job_->Step(), FlashStateType::Finished);
}

TEST_F(FlashUpgradeTest, LastPageAroundThePageBoundary) {
    for (const qsizetype size : {8 * kPage - 1, 8 * kPage, 8 * kPage + 1}) {
        SCOPED_TRACE(size);
        link_.pageWrites = 0;
        Start(size);
        ASSERT_EQ(RunToEnd(), FlashStateType::Finished);
        ExpectProgrammedImage();
        EXPECT_EQ(link_.pageWrites, (size + kPage - 1) / kPage);
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

TEST_F(FlashUpgradeTest, UnacknowledgedPageIsResentUpToTheBound) {
    for (const int refusals : {FlashUpgradeJob::kMaxResends - 1, FlashUpgradeJob::kMaxResends}) {
        SCOPED_TRACE(refusals);
        link_.pageWrites = 0;
        Start(10 * kPage);
        RunUntilConfirmed(2 * kPage);
        DropNextPages(refusals);
        EXPECT_EQ(RunToEnd(), FlashStateType::Finished);
        ExpectProgrammedImage();
        EXPECT_EQ(link_.pageWrites, 10 + refusals);
    }
}

TEST_F(FlashUpgradeTest, PageRefusedOnceMoreThanTheBoundEndsTheJob) {
    Start(10 * kPage);
    RunUntilConfirmed(2 * kPage);
    DropNextPages(FlashUpgradeJob::kMaxResends + 1);
    EXPECT_EQ(RunToEnd(), FlashStateType::Failed);
    EXPECT_EQ(link_.pageWrites, 2 + 1 + FlashUpgradeJob::kMaxResends);
    EXPECT_EQ(job_->Done(), 2 * kPage);
    EXPECT_EQ(job_->Text(), ResourceString(TextId::kFirmwareIncomplete));
    EXPECT_FALSE(job_->Text().isEmpty());
    EXPECT_TRUE(InFlashMode());
    EXPECT_EQ(job_->Step(), FlashStateType::Failed);
    EXPECT_EQ(link_.pageWrites, 2 + 1 + FlashUpgradeJob::kMaxResends);
}

TEST_F(FlashUpgradeTest, ResendBoundCountsEachPageAfresh) {
    Start(4 * kPage);
    RunUntilConfirmed(kPage);
    DropNextPages(FlashUpgradeJob::kMaxResends);
    RunUntilConfirmed(2 * kPage);
    DropNextPages(FlashUpgradeJob::kMaxResends);
    EXPECT_EQ(RunToEnd(), FlashStateType::Finished);
    ExpectProgrammedImage();
}

TEST_F(FlashUpgradeTest, FailedWritesAreRetriedWithinTheBound) {
    for (const int failures : {FlashUpgradeJob::kMaxResends, FlashUpgradeJob::kMaxResends + 1}) {
        SCOPED_TRACE(failures);
        link_.pageWrites = 0;
        Start(6 * kPage);
        RunUntilConfirmed(3 * kPage);
        link_.failingWrites = failures;
        const FlashStateType expected = failures > FlashUpgradeJob::kMaxResends
                                            ? FlashStateType::Failed
                                            : FlashStateType::Finished;
        EXPECT_EQ(RunToEnd(), expected);
        if (expected == FlashStateType::Finished)
            ExpectProgrammedImage();
        link_.failingWrites = 0;
    }
}

TEST_F(FlashUpgradeTest, FailedWritesAndRefusalsShareTheBound) {
    Start(6 * kPage);
    RunUntilConfirmed(kPage);
    link_.failingWrites = 1;
    DropNextPages(FlashUpgradeJob::kMaxResends);
    EXPECT_EQ(RunToEnd(), FlashStateType::Failed);
    EXPECT_EQ(job_->Done(), kPage);
}

TEST_F(FlashUpgradeTest, LoggerSilentForTheLimitEndsTheJob) {
    Start(6 * kPage);
    RunUntilConfirmed(2 * kPage);
    link_.silent = true;
    clock_.AdvanceMs(FlashUpgradeJob::kSilenceLimitMs - 1);
    EXPECT_EQ(job_->Step(), FlashStateType::Running);
    clock_.AdvanceMs(1);
    EXPECT_EQ(job_->Step(), FlashStateType::Failed);
    EXPECT_EQ(job_->Text(), ResourceString(TextId::kFirmwareIncomplete));
}

TEST_F(FlashUpgradeTest, AnAnswerRestartsTheSilenceLimit) {
    Start(6 * kPage);
    RunUntilConfirmed(2 * kPage);
    clock_.AdvanceMs(FlashUpgradeJob::kSilenceLimitMs - 1);
    EXPECT_EQ(job_->Step(), FlashStateType::Running);
    clock_.AdvanceMs(FlashUpgradeJob::kSilenceLimitMs - 1);
    EXPECT_EQ(job_->Step(), FlashStateType::Running);
    EXPECT_EQ(RunToEnd(), FlashStateType::Finished);
}

TEST_F(FlashUpgradeTest, SilentStatusReadsEndTheJobBeforeAnyPage) {
    Start(4 * kPage);
    ASSERT_EQ(Tick(), FlashStateType::Running); // flash mode entered
    link_.silent = true;
    for (int i = 0; i < FlashUpgradeJob::kSilenceLimitMs / 10 - 1; ++i)
        ASSERT_EQ(Tick(), FlashStateType::Running) << i;
    EXPECT_EQ(Tick(), FlashStateType::Failed);
    EXPECT_EQ(link_.pageWrites, 0);
}

TEST_F(FlashUpgradeTest, AnsweringLoggerOutOfFlashModeKeepsTheJobWaiting) {
    // A logger busy erasing refuses flash mode but goes on answering.
    drive_.WriteFile(drive_.LoggerRoot(), DriveFileType::Control, 0,
                     reinterpret_cast<const char*>(ControlBlock::EraseMemory().Data()),
                     ControlBlock::kSize);
    Start(4 * kPage);
    for (int i = 0; i < 2 * FlashUpgradeJob::kSilenceLimitMs / 10; ++i)
        ASSERT_EQ(Tick(), FlashStateType::Running) << i;
    EXPECT_EQ(link_.pageWrites, 0);
    EXPECT_EQ(job_->Text(), ResourceString(TextId::kFlashMode));
}

TEST_F(FlashUpgradeTest, CancelStopsEveryTransfer) {
    Start(8 * kPage);
    RunUntilConfirmed(3 * kPage);
    job_->Cancel();
    const int writes = link_.pageWrites;
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(Tick(), FlashStateType::Cancelled);
    EXPECT_EQ(link_.pageWrites, writes);
    EXPECT_EQ(job_->Done(), 3 * kPage);
    EXPECT_TRUE(InFlashMode());
}

TEST(FlashUpgradeOverLink, WholeImageThroughTheWorker) {
    using namespace std::chrono_literals;
    ManualClock clock{1733650000, 0};
    SimulatedDrive drive{clock, LoggerSettings{}};
    CInstComm comm(drive, 1ms);
    comm.Start();
    const auto waitIdle = [&comm] {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (!comm.IsIdle() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(200us);
        return comm.IsIdle();
    };
    comm.RequestScan();
    ASSERT_TRUE(waitIdle());
    ASSERT_GE(comm.DriveIndex(), 0);

    CommFlashLink link(comm);
    const IntelHexImage image = MarkedImage(3000);
    FlashUpgradeJob job(link, image, clock);
    for (int i = 0; i < 10000 && job.Running(); ++i) {
        ASSERT_TRUE(waitIdle());
        clock.AdvanceMs(10);
        job.Step();
    }
    ASSERT_EQ(job.State(), FlashStateType::Finished);
    const QByteArray programmed =
        drive.WithLogger([](LoggerEmulator& l) { return l.Flash().Image(); });
    EXPECT_EQ(programmed.left(image.Size()), image.Bytes());
    comm.Stop();
}

} // namespace
