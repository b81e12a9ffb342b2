#include "core/session/SessionFile.h"
#include "platform/PosixDriveBackend.h"
#include "sim/DirectoryWatch.h"
#include "sim/FolderDrive.h"
#include "sim/LoggerDriveFiles.h"
#include "sim/ManualClock.h"
#include "sim/SimulatedDrive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

const QString kLogger = QStringLiteral("sim:/VEXLO");

// A command block laid out by hand: marker, code, complement, payload, checksum.
QByteArray Block(std::uint8_t code, std::vector<std::uint8_t> payload) {
    QByteArray b(512, '\0');
    b[0] = char(0x55);
    b[1] = char(0xAA);
    b[2] = char(code);
    b[3] = char(0xFF - code);
    unsigned sum = 0x1FE;
    for (std::size_t i = 0; i < payload.size(); ++i) {
        b[4 + static_cast<int>(i)] = char(payload[i]);
        sum += payload[i];
    }
    b[4 + static_cast<int>(payload.size())] = char(-sum & 0xFF);
    return b;
}

const QByteArray kStart = Block(0x03, {0x43, 0x21});
const QByteArray kEnterFlash = Block(0x40, {0x57, 0x75});

QByteArray CodePage(std::uint32_t address) {
    std::vector<std::uint8_t> p = {static_cast<std::uint8_t>(address >> 16),
                                   static_cast<std::uint8_t>(address >> 8),
                                   static_cast<std::uint8_t>(address)};
    p.resize(3 + 256, 0xA5);
    return Block(0x41, p);
}

LoggerSettings Model(int code) {
    LoggerSettings s;
    s.modelCode = code;
    return s;
}

QString Text(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.left(bytes.indexOf('\0')));
}

QByteArray ReadSector(DriveBackend& drive, const QString& root, DriveFileType file,
                      qint64 offset = 0, qint64 size = 512, qint64* got = nullptr) {
    QByteArray buffer(size, char(0x7E));
    const qint64 n = drive.ReadFile(root, file, offset, buffer.data(), size);
    if (got)
        *got = n;
    return n > 0 ? buffer.left(n) : QByteArray();
}

QString StatusValue(DriveBackend& drive, const char* key) {
    return FindHeaderValue(Text(ReadSector(drive, kLogger, DriveFileType::Status)),
                           QString::fromLatin1(key));
}

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool IsPipe(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
}

void WriteInPlace(const QString& path, const QByteArray& bytes) {
    // As the link writes it: the existing file, no truncation.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

} // namespace

TEST(SimulatedDrive, CandidatesInMountOrderAndPlainDrivesHaveNoLoggerFiles) {
    ManualClock clock(1709643600, 0);
    SimulatedDrive drive(clock, Model(3));
    drive.AddPlainDrive(QStringLiteral("sim:/A"));
    drive.AddPlainDrive(QStringLiteral("sim:/B"), "CodePageSize=0\r\nNumCodePages=0\r\n");
    EXPECT_EQ(drive.CandidateDrives(),
              (std::vector<QString>{QStringLiteral("sim:/A"), QStringLiteral("sim:/B"), kLogger}));
    EXPECT_TRUE(drive.DriveExists(QStringLiteral("sim:/A")));
    EXPECT_FALSE(drive.DriveExists(QStringLiteral("sim:/Z")));

    char buffer[512];
    EXPECT_EQ(drive.ReadFile(QStringLiteral("sim:/A"), DriveFileType::Status, 0, buffer, 512),
              DriveBackend::kCannotOpen);
    EXPECT_EQ(drive.ReadFile(QStringLiteral("sim:/Z"), DriveFileType::Status, 0, buffer, 512),
              DriveBackend::kCannotOpen);
    EXPECT_EQ(Text(ReadSector(drive, QStringLiteral("sim:/B"), DriveFileType::Status)),
              u"CodePageSize=0\r\nNumCodePages=0\r\n"_qs);
    EXPECT_EQ(
        drive.WriteFile(QStringLiteral("sim:/B"), DriveFileType::Control, 0, kStart.data(), 512),
        DriveBackend::kCannotOpen);
}

TEST(SimulatedDrive, TextFilesAreOneZeroPaddedSector) {
    ManualClock clock(1709643600, 0);
    SimulatedDrive drive(clock, Model(8));
    qint64 got = 0;
    const QByteArray status = ReadSector(drive, kLogger, DriveFileType::Status, 0, 1024, &got);
    EXPECT_EQ(got, 512) << "the file ends after its first sector";
    const qint64 textEnd = status.indexOf('\0');
    ASSERT_GT(textEnd, 0);
    EXPECT_EQ(status.mid(textEnd), QByteArray(512 - textEnd, '\0'));
    EXPECT_EQ(StatusValue(drive, "CodePageSize="), u"256"_qs);
    EXPECT_EQ(StatusValue(drive, "Model="), u"8"_qs);
    EXPECT_TRUE(Text(ReadSector(drive, kLogger, DriveFileType::Config)).contains(u"TC_Type="_qs));

    EXPECT_EQ(ReadSector(drive, kLogger, DriveFileType::Status, 512, 512, &got), QByteArray());
    EXPECT_EQ(got, 0);
    char buffer[512];
    EXPECT_EQ(drive.ReadFile(kLogger, DriveFileType::Status, 0, buffer, 100), 0)
        << "unbuffered transfers are whole sectors";

    const QString before = StatusValue(drive, "Time=");
    clock.AdvanceSeconds(5);
    EXPECT_NE(StatusValue(drive, "Time="), before) << "each read sees the present";
}

// The padding rule the in-process drive and the mounted one share, at each sector edge.
TEST(LoggerDriveFiles, TextsArePaddedToWholeSectorsAndTheMemoryReadsErased) {
    char buffer[2048];
    for (const auto& [length, fileSize] :
         std::vector<std::pair<int, qint64>>{{0, 512}, {511, 512}, {512, 512}, {513, 1024}}) {
        const QByteArray text(length, 'a');
        EXPECT_EQ(ReadPaddedText(text, 0, buffer, 2048), fileSize) << length;
        EXPECT_EQ(ReadPaddedText(text, fileSize, buffer, 512), 0) << length;
        EXPECT_EQ(ReadPaddedText(text, fileSize - 512, buffer, 512), 512) << length;
    }
    ASSERT_EQ(ReadPaddedText(QByteArray(513, 'a'), 512, buffer, 512), 512);
    EXPECT_EQ(buffer[0], 'a');
    EXPECT_EQ(QByteArray(buffer + 1, 511), QByteArray(511, '\0'));

    ManualClock clock(1709643600, 0);
    LoggerSettings settings;
    settings.memorySize = 1000;
    LoggerEmulator logger(clock, settings);
    EXPECT_EQ(LoggerFileSize(logger, DriveFileType::Record), 1024) << "rounded up to sectors";
    ASSERT_EQ(ReadLoggerFile(logger, DriveFileType::Record, 512, buffer, 2048), 512);
    EXPECT_TRUE(std::all_of(buffer, buffer + 512, [](char c) { return c == '\xFF'; }))
        << "an empty memory reads as erased flash, the rounding included";
    EXPECT_EQ(ReadLoggerFile(logger, DriveFileType::Record, 1024, buffer, 512), 0);
    EXPECT_EQ(LoggerFileSize(logger, DriveFileType::Control), 512);
}

TEST(SimulatedDrive, CommandsWrittenToTheMailboxReachTheLogger) {
    ManualClock clock(1709643600, 0);
    SimulatedDrive drive(clock, Model(0));
    EXPECT_EQ(drive.WriteFile(kLogger, DriveFileType::Control, 0, kStart.data(), 512), 512);
    EXPECT_EQ(StatusValue(drive, "RecordingState="), u"1"_qs);
    EXPECT_EQ(ReadSector(drive, kLogger, DriveFileType::Control), QByteArray(512, '\0'))
        << "the mailbox reads as zeros outside flash mode";

    EXPECT_EQ(drive.WriteFile(kLogger, DriveFileType::Status, 0, kStart.data(), 512), 0);
    EXPECT_EQ(drive.WriteFile(kLogger, DriveFileType::Control, 512, kStart.data(), 512), 0);

    clock.AdvanceSeconds(300);
    const qint64 used = StatusValue(drive, "MemUsed=").toLongLong();
    EXPECT_EQ(used, 512 + 3 * 256);
    qint64 got = 0;
    const QByteArray record = ReadSector(drive, kLogger, DriveFileType::Record, 0, 32768, &got);
    EXPECT_EQ(got, 32768);
    EXPECT_TRUE(record.startsWith("AppName=VX.exe\r\nGenBy=Inst\r\n"));
    EXPECT_EQ(record.mid(used), QByteArray(32768 - used, '\xFF')) << "erased past the memory used";
    const qint64 size = drive.WithLogger([](LoggerEmulator& l) { return l.MemorySize(); });
    ReadSector(drive, kLogger, DriveFileType::Record, size / 512 * 512, 32768, &got);
    EXPECT_EQ(got, 0) << "the file is the memory size long";
}

TEST(SimulatedDrive, FlashModeAnswersWithTheAcknowledgementMap) {
    ManualClock clock(1709643600, 0);
    SimulatedDrive drive(clock, Model(0));
    drive.WriteFile(kLogger, DriveFileType::Control, 0, kEnterFlash.data(), 512);
    EXPECT_EQ(StatusValue(drive, "FlashUpState="), u"1"_qs);
    const QByteArray page = CodePage(0x000900);
    drive.WriteFile(kLogger, DriveFileType::Control, 0, page.data(), 512);
    const QByteArray map = ReadSector(drive, kLogger, DriveFileType::Control);
    ASSERT_EQ(map.size(), 512);
    EXPECT_EQ(static_cast<std::uint8_t>(map[1]), 0x02) << "page 9: bit 1 of byte 1";
}

TEST(SimulatedDrive, UnpluggedLoggerDisappearsAndComesBackAsItWas) {
    ManualClock clock(1709643600, 0);
    SimulatedDrive drive(clock, Model(2));
    drive.WriteFile(kLogger, DriveFileType::Control, 0, kStart.data(), 512);
    drive.SetPresent(false);
    EXPECT_FALSE(drive.DriveExists(kLogger));
    EXPECT_TRUE(drive.CandidateDrives().empty());
    char buffer[512];
    EXPECT_EQ(drive.ReadFile(kLogger, DriveFileType::Status, 0, buffer, 512),
              DriveBackend::kCannotOpen);
    EXPECT_EQ(drive.WriteFile(kLogger, DriveFileType::Control, 0, kStart.data(), 512),
              DriveBackend::kCannotOpen);
    clock.AdvanceSeconds(10);
    drive.SetPresent(true);
    EXPECT_TRUE(drive.DriveExists(kLogger));
    EXPECT_EQ(StatusValue(drive, "RecordingState="), u"1"_qs) << "it kept recording on battery";
}

TEST(SimulatedDrive, WorkerReadsWhileTheInterfaceWrites) {
    ManualClock clock(1709643600, 0);
    SimulatedDrive drive(clock, Model(6));
    std::atomic<int> good{0};
    std::thread worker([&] {
        for (int i = 0; i < 300; ++i) {
            char buffer[512];
            if (drive.ReadFile(kLogger, i % 2 ? DriveFileType::Config : DriveFileType::Status, 0,
                               buffer, 512) == 512)
                ++good;
        }
    });
    const QByteArray stop = Block(0x05, {0x21, 0x43});
    for (int i = 0; i < 150; ++i) {
        const QByteArray& block = i % 2 ? stop : kStart;
        drive.WriteFile(kLogger, DriveFileType::Control, 0, block.data(), 512);
        char buffer[4096];
        drive.ReadFile(kLogger, DriveFileType::Record, 0, buffer, sizeof buffer);
    }
    worker.join();
    EXPECT_EQ(good.load(), 300);
}

TEST(SimulatedDriveFolder, KeepsTheFourFilesAndActsOnTheMailbox) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("LOGGER"));
    ManualClock clock(1709643600, 0);
    LoggerEmulator logger(clock, Model(4));
    FolderDrive drive(logger, folder);
    ASSERT_TRUE(drive.Open());
    for (const DriveFileType f : {DriveFileType::Status, DriveFileType::Config,
                                  DriveFileType::Control, DriveFileType::Record})
        EXPECT_EQ(QFileInfo(drive.PathOf(f)).size() % 512, 0) << DriveFileName(f).toStdString();
    EXPECT_TRUE(
        Text(FileBytes(drive.PathOf(DriveFileType::Status))).contains(u"NumCodePages=4096"_qs));
    EXPECT_FALSE(drive.ProcessControlFile()) << "nothing new in the mailbox";

    WriteInPlace(drive.PathOf(DriveFileType::Control), kStart);
    const auto received = drive.ProcessControlFile();
    ASSERT_TRUE(received);
    EXPECT_EQ(received->code, 0x03);
    EXPECT_EQ(received->outcome, CommandOutcomeType::Done);
    EXPECT_FALSE(drive.ProcessControlFile()) << "the same block is acted on once";
    EXPECT_TRUE(
        Text(FileBytes(drive.PathOf(DriveFileType::Status))).contains(u"RecordingState=1\r\n"_qs));

    clock.AdvanceSeconds(130);
    ASSERT_TRUE(drive.Refresh());
    const QByteArray record = FileBytes(drive.PathOf(DriveFileType::Record));
    EXPECT_TRUE(record.startsWith("AppName=VX.exe"));
    EXPECT_EQ(record.size(), 1024) << "header and two blocks begun";
    EXPECT_EQ(record, logger.RecordBytes());

    QByteArray broken = Block(0x05, {0x21, 0x43});
    broken[6] = 0;
    WriteInPlace(drive.PathOf(DriveFileType::Control), broken);
    const auto ignored = drive.ProcessControlFile();
    ASSERT_TRUE(ignored);
    EXPECT_EQ(ignored->outcome, CommandOutcomeType::Invalid);
    EXPECT_EQ(logger.RecordingState(), 1);
}

TEST(SimulatedDriveFolder, FlashModeAnswersThroughTheMailboxFile) {
    QTemporaryDir dir;
    ManualClock clock(1709643600, 0);
    LoggerEmulator logger(clock, Model(0));
    FolderDrive drive(logger, dir.path());
    ASSERT_TRUE(drive.Open());
    const QString control = drive.PathOf(DriveFileType::Control);
    EXPECT_TRUE(IsPipe(control));
    WriteInPlace(control, kEnterFlash);
    ASSERT_TRUE(drive.ProcessControlFile());
    EXPECT_FALSE(IsPipe(control)) << "a map to read back needs a plain file";
    EXPECT_EQ(drive.MailboxDescriptor(), -1);
    EXPECT_EQ(FileBytes(control), QByteArray(512, '\0')) << "an empty map";
    EXPECT_FALSE(drive.ProcessControlFile()) << "its own answer is no command";

    for (int resend = 0; resend < 2; ++resend) {
        // A page sent twice over the map is taken twice, as a resent page must be.
        WriteInPlace(control, CodePage(0));
        const auto received = drive.ProcessControlFile();
        ASSERT_TRUE(received);
        EXPECT_EQ(received->code, 0x41);
        EXPECT_EQ(static_cast<std::uint8_t>(FileBytes(control)[0]), 0x01);
    }
    EXPECT_EQ(logger.Flash().PagesReceived(), 2);

    WriteInPlace(control, Block(0x42, {0x75, 0x57}));
    ASSERT_TRUE(drive.ProcessControlFile());
    EXPECT_FALSE(logger.Flash().Active());
    EXPECT_TRUE(IsPipe(control)) << "out of flash mode every block counts again";
    EXPECT_GE(drive.MailboxDescriptor(), 0);
}

TEST(SimulatedDriveFolder, BlocksWrittenBackToBackAreEachActedOnInOrder) {
    QTemporaryDir dir;
    ManualClock clock(1709643600, 0);
    LoggerEmulator logger(clock, Model(2));
    FolderDrive drive(logger, dir.path());
    ASSERT_TRUE(drive.Open());
    PosixDriveBackend drives({dir.path()});
    const std::vector<QByteArray> blocks = {Block(0x08, {4}), Block(0x09, {'0'}), Block(0x08, {7}),
                                            kStart};
    for (const QByteArray& block : blocks)
        ASSERT_EQ(drives.WriteFile(dir.path(), DriveFileType::Control, 0, block.data(), 512), 512);
    char readBack[512] = {};
    EXPECT_EQ(drives.ReadFile(dir.path(), DriveFileType::Control, 0, readBack, 512), 0);

    for (const std::uint8_t code : {0x08, 0x09, 0x08, 0x03}) {
        const auto received = drive.ProcessControlFile();
        ASSERT_TRUE(received);
        EXPECT_EQ(received->code, code);
        EXPECT_EQ(received->outcome, CommandOutcomeType::Done);
    }
    EXPECT_FALSE(drive.ProcessControlFile());
    EXPECT_EQ(logger.Configuration().filterSize, 7);
    EXPECT_FALSE(logger.Configuration().polarity);
    EXPECT_EQ(logger.RecordingState(), 1);

    // The same block twice is two commands, as two sector writes are.
    const QByteArray stop = Block(0x05, {0x21, 0x43});
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(drives.WriteFile(dir.path(), DriveFileType::Control, 0, stop.data(), 512), 512);
    EXPECT_EQ(drive.ProcessControlFile()->outcome, CommandOutcomeType::Done);
    EXPECT_EQ(drive.ProcessControlFile()->outcome, CommandOutcomeType::Refused);
    EXPECT_FALSE(drive.ProcessControlFile());
}

TEST(SimulatedDriveWatch, ReportsWritesToTheNamedFileOnly) {
    QTemporaryDir dir;
    Outcome opened;
    const auto watch = DirectoryWatch::Open(dir.path(), &opened);
    ASSERT_TRUE(watch) << opened.message.toStdString();
    EXPECT_FALSE(watch->DrainFor(QStringLiteral("CONTROL.DAT")));
    QFile other(QDir(dir.path()).filePath(QStringLiteral("OTHER.TXT")));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("x");
    other.close();
    EXPECT_FALSE(watch->DrainFor(QStringLiteral("CONTROL.DAT")));
    QFile control(QDir(dir.path()).filePath(QStringLiteral("CONTROL.DAT")));
    ASSERT_TRUE(control.open(QIODevice::WriteOnly));
    control.write(kStart);
    control.close();
    EXPECT_TRUE(watch->DrainFor(QStringLiteral("CONTROL.DAT")));
    EXPECT_FALSE(watch->DrainFor(QStringLiteral("CONTROL.DAT"))) << "events are read once";
}
