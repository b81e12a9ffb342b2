#include "core/instrument/CInstComm.h"
#include "core/instrument/ControlBlock.h"
#include "core/instrument/DriveText.h"
#include "support/FakeDriveBackend.h"

#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

using namespace std::chrono_literals;

namespace {

constexpr auto kGenerous = 10s;

QByteArray LoggerStatus(int pageSize = 256, int pageCount = 128, int memUsed = 1000) {
    return QByteArray("Model=3\r\nCodePageSize=") + QByteArray::number(pageSize) +
           "\r\nNumCodePages=" + QByteArray::number(pageCount) +
           "\r\nMemUsed=" + QByteArray::number(memUsed) + "\r\n";
}

// Waits for a condition the worker brings about; the deadline only guards against a hang.
template <typename Condition> bool WaitFor(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + kGenerous;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

class InstCommTest : public ::testing::Test {
protected:
    void SetUp() override { comm_.Start(); }

    bool Scan() {
        comm_.RequestScan();
        return WaitFor([this] { return comm_.IsIdle(); });
    }
    bool ReadStatus() {
        comm_.RequestStatusRead();
        return WaitFor([this] { return comm_.IsIdle(); });
    }
    // Posts, then looks again until the worker is done with it.
    TransferResult Transfer(TransferRequest request) {
        TransferTicket ticket = 0;
        std::optional<TransferResult> result;
        WaitFor([&] { return (ticket = comm_.PostTransfer(request)) != 0; });
        WaitFor([&] { return (result = comm_.TakeTransfer(ticket)).has_value(); });
        return result.value_or(TransferResult{});
    }

    FakeDriveBackend drives_;
    CInstComm comm_{drives_, 1ms};
};

} // namespace

TEST(InstCommLifecycle, StartsIdleOfDriveAndStopsPromptly) {
    FakeDriveBackend drives;
    auto comm = std::make_unique<CInstComm>(drives, 1h);
    EXPECT_EQ(comm->Request(), CommRequestType::Unset);
    EXPECT_FALSE(comm->IsIdle());
    EXPECT_EQ(comm->DriveIndex(), -1);
    EXPECT_TRUE(comm->DriveRoot().isEmpty());
    EXPECT_EQ(comm->MemoryUsed(), -1);
    EXPECT_EQ(comm->ReadLength(), 512);
    EXPECT_FALSE(comm->IsRunning());
    comm->Start();
    comm->Start();
    EXPECT_TRUE(comm->IsRunning());
    // With an hour between passes, only a wake-up lets the destructor return.
    comm.reset();
    SUCCEED();
}

TEST(InstCommLifecycle, StopThenStartAgain) {
    FakeDriveBackend drives;
    drives.SetFile("/a", DriveFileType::Status, LoggerStatus());
    CInstComm comm(drives, 1ms);
    comm.Start();
    comm.Stop();
    EXPECT_FALSE(comm.IsRunning());
    comm.Start();
    comm.RequestScan();
    EXPECT_TRUE(WaitFor([&] { return comm.IsIdle(); }));
    EXPECT_EQ(comm.DriveRoot(), "/a");
}

TEST_F(InstCommTest, ScanSkipsDrivesThatAreNotLoggers) {
    drives_.AddDrive("/mnt/usb"); // no STATUS.INI
    drives_.SetFile("/mnt/zero", DriveFileType::Status, LoggerStatus(0, 128));
    drives_.SetFile("/mnt/nopages", DriveFileType::Status, LoggerStatus(256, 0));
    drives_.SetFile("/mnt/other", DriveFileType::Status, "Hello=1\r\n");
    drives_.SetFile("/mnt/logger", DriveFileType::Status, LoggerStatus(128, 64, 4096));
    ASSERT_TRUE(Scan());
    EXPECT_EQ(comm_.DriveIndex(), 4);
    EXPECT_EQ(comm_.DriveRoot(), "/mnt/logger");
    EXPECT_EQ(comm_.CodePageSize(), 128);
    EXPECT_EQ(comm_.CodePageCount(), 64);
    EXPECT_EQ(comm_.MemoryUsed(), 4096);
    EXPECT_EQ(DriveTextInt(comm_.StatusBuffer(), comm_.ReadLength(), "Model=", -1), 3);
    for (const char* root : {"/mnt/usb", "/mnt/zero", "/mnt/nopages", "/mnt/other"})
        EXPECT_EQ(drives_.ReadCalls(root, DriveFileType::Status), 1) << root;
}

TEST_F(InstCommTest, TwoLoggersTheFirstInOrderWins) {
    drives_.SetFile("/first", DriveFileType::Status, LoggerStatus(256, 10));
    drives_.SetFile("/second", DriveFileType::Status, LoggerStatus(256, 20));
    ASSERT_TRUE(Scan());
    EXPECT_EQ(comm_.DriveRoot(), "/first");
    EXPECT_EQ(comm_.CodePageCount(), 10);
    EXPECT_EQ(drives_.ReadCalls("/second", DriveFileType::Status), 0);
}

TEST_F(InstCommTest, ScanWithoutLoggerClearsTheDrive) {
    drives_.SetFile("/a", DriveFileType::Status, LoggerStatus());
    ASSERT_TRUE(Scan());
    ASSERT_EQ(comm_.DriveIndex(), 0);
    drives_.SetFile("/a", DriveFileType::Status, LoggerStatus(0, 0));
    ASSERT_TRUE(Scan());
    EXPECT_EQ(comm_.DriveIndex(), -1);
    EXPECT_TRUE(comm_.DriveRoot().isEmpty());
}

TEST_F(InstCommTest, StatusValuesAreClampedAndDefaulted) {
    drives_.SetFile("/a", DriveFileType::Status, LoggerStatus(300, 4));
    ASSERT_TRUE(Scan());
    EXPECT_EQ(comm_.CodePageSize(), 256);

    drives_.SetFile("/a", DriveFileType::Status, "CodePageSize=-5\r\nNumCodePages=-2\r\n");
    ASSERT_TRUE(ReadStatus());
    EXPECT_EQ(comm_.CodePageSize(), 0);
    EXPECT_EQ(comm_.CodePageCount(), 0);
    EXPECT_EQ(comm_.MemoryUsed(), 0); // the key is missing
}

TEST_F(InstCommTest, OnlyTheFirst512BytesAreSeen) {
    QByteArray status = LoggerStatus(256, 8, 77);
    status.append(QByteArray(512 - status.size(), ' '));
    status.append("Model=9\r\nSerNum=X\r\n");
    drives_.SetFile("/a", DriveFileType::Status, status);
    ASSERT_TRUE(Scan());
    ASSERT_TRUE(ReadStatus());
    EXPECT_EQ(comm_.ReadLength(), 512);
    EXPECT_EQ(drives_.LastReadSize(), 512);
    EXPECT_EQ(comm_.MemoryUsed(), 77);
    bool found = true;
    DriveTextValue(comm_.StatusBuffer(), CInstComm::kBufferSize, "SerNum=", &found);
    EXPECT_FALSE(found);
    EXPECT_EQ(comm_.StatusBuffer()[512], '\0');
}

TEST_F(InstCommTest, ShorterTextLeavesNoTailOfTheEarlierOne) {
    // The scan reads the long text of /a first, then the short one of the logger /b.
    drives_.SetFile("/a", DriveFileType::Status, "SerNum=LONG-SERIAL-NUMBER-OF-A-STICK\r\n");
    drives_.SetFile("/b", DriveFileType::Status, LoggerStatus());
    ASSERT_TRUE(Scan());
    ASSERT_EQ(comm_.DriveRoot(), "/b");
    bool found = true;
    DriveTextValue(comm_.StatusBuffer(), CInstComm::kBufferSize, "SerNum=", &found);
    EXPECT_FALSE(found);
}

TEST_F(InstCommTest, OpenFailureKeepsTheRequestPendingUntilTheFileAppears) {
    drives_.SetFile("/a", DriveFileType::Status, LoggerStatus());
    drives_.SetFile("/a", DriveFileType::Config, "FilterSize=4\r\n");
    ASSERT_TRUE(Scan());
    drives_.FailOpens("/a", DriveFileType::Config, true);
    comm_.RequestConfigRead();
    ASSERT_TRUE(WaitFor([&] { return drives_.ReadCalls("/a", DriveFileType::Config) >= 3; }));
    EXPECT_EQ(comm_.Request(), CommRequestType::ReadConfig);
    EXPECT_EQ(comm_.ReadLength(), 512);
    drives_.FailOpens("/a", DriveFileType::Config, false);
    ASSERT_TRUE(WaitFor([&] { return comm_.IsIdle(); }));
    EXPECT_EQ(comm_.ReadLength(), 14);
    EXPECT_EQ(DriveTextInt(comm_.ConfigBuffer(), comm_.ReadLength(), "FilterSize=", 1), 4);
}

TEST_F(InstCommTest, IoErrorCompletesWithNothingRead) {
    drives_.SetFile("/a", DriveFileType::Status, LoggerStatus(256, 8, 500));
    ASSERT_TRUE(Scan());
    drives_.FailTransfers(true);
    ASSERT_TRUE(ReadStatus());
    EXPECT_EQ(comm_.ReadLength(), 0);
    EXPECT_EQ(comm_.MemoryUsed(), 0);
    EXPECT_EQ(comm_.CodePageSize(), 0);
    EXPECT_EQ(comm_.StatusBuffer()[0], '\0');
}

TEST_F(InstCommTest, RequestingZeroFillsTheBuffer) {
    drives_.SetFile("/a", DriveFileType::Status, LoggerStatus());
    ASSERT_TRUE(Scan());
    ASSERT_NE(comm_.StatusBuffer()[0], '\0');
    // While the open fails the worker leaves the buffer alone, so it may be looked at.
    drives_.FailOpens("/a", DriveFileType::Status, true);
    comm_.RequestStatusRead();
    EXPECT_EQ(comm_.StatusBuffer()[0], '\0');
    EXPECT_EQ(comm_.ReadLength(), 512);
    drives_.FailOpens("/a", DriveFileType::Status, false);
    ASSERT_TRUE(WaitFor([&] { return comm_.IsIdle(); }));
    EXPECT_EQ(comm_.StatusBuffer()[0], 'M');
}

TEST_F(InstCommTest, PausedWorkerDoesNothing) {
    drives_.SetFile("/a", DriveFileType::Status, LoggerStatus());
    comm_.Pause();
    // A pass that began before the pause may still complete; after that nothing moves.
    std::this_thread::sleep_for(5ms);
    const int readsBefore = drives_.TotalReads();
    comm_.RequestScan();
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(comm_.Request(), CommRequestType::ScanDrives);
    EXPECT_EQ(drives_.TotalReads(), readsBefore);
    comm_.Resume();
    ASSERT_TRUE(WaitFor([&] { return comm_.IsIdle(); }));
    EXPECT_EQ(comm_.DriveRoot(), "/a");
}

TEST_F(InstCommTest, TransfersUseTheFoundDriveAndComeBackOnALaterLook) {
    drives_.SetFile("/a", DriveFileType::Status, "Hello=1\r\n");
    drives_.SetFile("/b", DriveFileType::Status, LoggerStatus());
    drives_.SetFile("/b", DriveFileType::Control, QByteArray(512, '\0'));
    QByteArray record(2048, '\0');
    for (int i = 0; i < record.size(); ++i)
        record[i] = static_cast<char>(i / 7);
    drives_.SetFile("/b", DriveFileType::Record, record);
    ASSERT_TRUE(Scan());

    const ControlBlock block = ControlBlock::SetFilterSize(4);
    EXPECT_EQ(Transfer(TransferRequest::WriteControl(block)).bytes, 512);
    EXPECT_EQ(drives_.File("/b", DriveFileType::Control),
              QByteArray(reinterpret_cast<const char*>(block.Data()), 512));
    const TransferResult readBack = Transfer(TransferRequest::ReadControl());
    EXPECT_EQ(readBack.bytes, 512);
    EXPECT_EQ(readBack.data, QByteArray(reinterpret_cast<const char*>(block.Data()), 512));

    const TransferResult chunk = Transfer(TransferRequest::ReadRecord(512, 1024));
    EXPECT_EQ(chunk.bytes, 1024);
    EXPECT_EQ(chunk.data, record.mid(512, 1024));
    const TransferResult end = Transfer(TransferRequest::ReadRecord(1536, 1024));
    EXPECT_EQ(end.bytes, 512) << "the end of the file";
    EXPECT_EQ(end.data.size(), 512);
    EXPECT_EQ(Transfer(TransferRequest::ReadRecord(100, 512)).bytes, 0) << "not on a sector";
    EXPECT_EQ(Transfer(TransferRequest::ReadRecord(0, 100)).bytes, 0);
    EXPECT_EQ(Transfer(TransferRequest::Presence()).bytes, 1);

    // One transfer never asks for more than 32 KiB.
    drives_.SetFile("/b", DriveFileType::Record, QByteArray(65536, 'r'));
    EXPECT_EQ(Transfer(TransferRequest::ReadRecord(0, 65536)).bytes, 32768);
    EXPECT_EQ(drives_.LastReadSize(), 32768);
}

TEST_F(InstCommTest, TransfersFailAtOnceWithoutADriveOrAWorker) {
    drives_.SetFile("/b", DriveFileType::Status, LoggerStatus());
    drives_.SetFile("/b", DriveFileType::Record, QByteArray(512, 'r'));
    // No drive known: done at once, with nothing.
    const TransferTicket early = comm_.PostTransfer(TransferRequest::ReadRecord(0, 512));
    ASSERT_NE(early, 0u);
    ASSERT_TRUE(comm_.TakeTransfer(early).has_value());

    ASSERT_TRUE(Scan());
    // No CONTROL.DAT on the drive: nothing is created.
    EXPECT_EQ(Transfer(TransferRequest::WriteControl(ControlBlock::EraseMemory())).bytes, 0);
    EXPECT_EQ(Transfer(TransferRequest::ReadControl()).bytes, 0);
    EXPECT_TRUE(drives_.File("/b", DriveFileType::Control).isEmpty());

    comm_.ClearDrive();
    EXPECT_EQ(comm_.DriveIndex(), -1);
    EXPECT_EQ(Transfer(TransferRequest::ReadRecord(0, 512)).bytes, 0);
    EXPECT_EQ(Transfer(TransferRequest::Presence()).bytes, 0);

    CInstComm stopped(drives_);
    const TransferTicket ticket = stopped.PostTransfer(TransferRequest::Presence());
    const std::optional<TransferResult> result = stopped.TakeTransfer(ticket);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->bytes, 0) << "no worker: nothing is done on the caller's thread";
}

TEST_F(InstCommTest, AResultIsTakenOnceAndOnlyWithItsTicket) {
    drives_.SetFile("/b", DriveFileType::Status, LoggerStatus());
    ASSERT_TRUE(Scan());
    const TransferTicket ticket = comm_.PostTransfer(TransferRequest::Presence());
    ASSERT_NE(ticket, 0u);
    ASSERT_TRUE(WaitFor([&] { return !comm_.TransferOut(); }));
    EXPECT_FALSE(comm_.TakeTransfer(ticket + 1).has_value());
    EXPECT_FALSE(comm_.TakeTransfer(0).has_value());
    EXPECT_TRUE(comm_.TakeTransfer(ticket).has_value());
    EXPECT_FALSE(comm_.TakeTransfer(ticket).has_value());
}

TEST_F(InstCommTest, PendingReadIsReplacedByANewRequest) {
    drives_.SetFile("/a", DriveFileType::Status, LoggerStatus());
    ASSERT_TRUE(Scan());
    drives_.FailOpens("/a", DriveFileType::Config, true);
    comm_.RequestConfigRead();
    ASSERT_TRUE(WaitFor([&] { return drives_.ReadCalls("/a", DriveFileType::Config) >= 2; }));
    ASSERT_TRUE(ReadStatus());
    EXPECT_EQ(comm_.CodePageCount(), 128);
    const int configReads = drives_.ReadCalls("/a", DriveFileType::Config);
    ASSERT_TRUE(Scan()); // later passes no longer retry the replaced read
    EXPECT_EQ(drives_.ReadCalls("/a", DriveFileType::Config), configReads);
}

TEST_F(InstCommTest, StatusAndConfigReadsTakeTurns) {
    drives_.SetFile("/b", DriveFileType::Status, LoggerStatus(256, 8, 10));
    drives_.SetFile("/b", DriveFileType::Config, "Chan1Units=mV\r\n");
    ASSERT_TRUE(Scan());
    for (int round = 0; round < 20; ++round) {
        drives_.SetFile("/b", DriveFileType::Status, LoggerStatus(256, 8, round));
        ASSERT_TRUE(ReadStatus());
        ASSERT_EQ(comm_.MemoryUsed(), round);
        ASSERT_EQ(DriveTextInt(comm_.StatusBuffer(), comm_.ReadLength(), "MemUsed=", -1), round);
        comm_.RequestConfigRead();
        ASSERT_TRUE(WaitFor([&] { return comm_.IsIdle(); }));
        ASSERT_EQ(DriveTextValue(comm_.ConfigBuffer(), comm_.ReadLength(), "Chan1Units="), "mV");
    }
}
