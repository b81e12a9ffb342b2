#include "core/common/StringTable.h"
#include "core/instrument/CInstComm.h"
#include "core/instrument/FlashUpgradeJob.h"
#include "core/instrument/IntelHexImage.h"
#include "sim/ManualClock.h"
#include "sim/SimulatedDrive.h"
#include "support/IntelHexBuilder.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Intel HEX made by another program from the binary `bytes`; empty when it could not run.
QByteArray MadeBy(const QString& program, const QStringList& args, const QTemporaryDir& dir,
                  const QByteArray& bytes) {
    QFile in(dir.filePath(QStringLiteral("image.bin")));
    if (!in.open(QIODevice::WriteOnly) || in.write(bytes) != bytes.size())
        return {};
    in.close();
    QProcess tool;
    tool.setWorkingDirectory(dir.path());
    tool.start(program, args);
    if (!tool.waitForFinished(60000) || tool.exitCode() != 0)
        return {};
    QFile out(dir.filePath(QStringLiteral("image.hex")));
    return out.open(QIODevice::ReadOnly) ? out.readAll() : QByteArray();
}

QByteArray Objcopy(const QTemporaryDir& dir, const QByteArray& bytes) {
    return MadeBy(QStringLiteral("objcopy"),
                  {QStringLiteral("-I"), QStringLiteral("binary"), QStringLiteral("-O"),
                   QStringLiteral("ihex"), QStringLiteral("image.bin"),
                   QStringLiteral("image.hex")},
                  dir, bytes);
}

QByteArray SrecCat(const QTemporaryDir& dir, const QByteArray& bytes) {
    return MadeBy(QStringLiteral("srec_cat"),
                  {QStringLiteral("image.bin"), QStringLiteral("-binary"), QStringLiteral("-o"),
                   QStringLiteral("image.hex"), QStringLiteral("-intel")},
                  dir, bytes);
}

// The image flashed page by page into an emulated logger through the link's worker; what the
// logger then holds.
QByteArray Flash(const IntelHexImage& image) {
    ManualClock clock{1733650000, 0};
    SimulatedDrive drive{clock, LoggerSettings{}};
    CInstComm comm(drive, 1ms);
    comm.Start();
    const auto waitIdle = [&comm] {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while ((!comm.IsIdle() || comm.TransferOut()) &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(200us);
    };
    comm.RequestScan();
    waitIdle();
    FlashUpgradeJob job(comm, image, clock);
    for (int i = 0; i < 100000 && job.Running(); ++i) {
        waitIdle();
        clock.AdvanceMs(10);
        job.Step();
    }
    comm.Stop();
    if (job.State() != FlashStateType::Finished)
        return {};
    return drive.WithLogger([](LoggerEmulator& l) { return l.Flash().Image(); });
}

void ExpectFlashedAsIs(const QByteArray& hex, const QByteArray& bytes) {
    ASSERT_FALSE(hex.isEmpty());
    const IntelHexReadResult read = ReadIntelHex(hex);
    ASSERT_TRUE(read.outcome) << read.outcome.message.toStdString();
    ASSERT_EQ(read.image.Bytes(), bytes);
    ASSERT_TRUE(read.image.CheckCompatibility());
    const QByteArray programmed = Flash(read.image);
    ASSERT_GE(programmed.size(), bytes.size());
    EXPECT_EQ(programmed.left(bytes.size()), bytes);
    // The short last page travels with zeros after its last byte.
    EXPECT_EQ(programmed.mid(bytes.size()), QByteArray(programmed.size() - bytes.size(), '\0'));
}

TEST(FlashFromTools, ObjcopyHexIsFlashedAsTheBinaryWas) {
    QTemporaryDir dir;
    for (const int size : {2048, 6000, 65536}) {
        SCOPED_TRACE(size);
        const QByteArray bytes = IntelHexBuilder::Firmware(size);
        ExpectFlashedAsIs(Objcopy(dir, bytes), bytes);
    }
}

TEST(FlashFromTools, SrecCatHexAbove64KiBIsFlashedAsTheBinaryWas) {
    QTemporaryDir dir;
    for (const int size : {4097, 70000}) {
        SCOPED_TRACE(size);
        const QByteArray bytes = IntelHexBuilder::Firmware(size);
        const QByteArray hex = SrecCat(dir, bytes);
        if (size > 65536) {
            EXPECT_TRUE(hex.contains(":020000040001F9")) << "an extended linear address record";
        }
        ExpectFlashedAsIs(hex, bytes);
    }
}

TEST(FlashFromTools, ObjcopySegmentRecordsAboveOneSegmentAreRefused) {
    // objcopy reaches past 64 KiB with extended segment address records (type 2), which the
    // logger's files never use.
    QTemporaryDir dir;
    const QByteArray hex = Objcopy(dir, IntelHexBuilder::Firmware(70000));
    ASSERT_TRUE(hex.contains(":02000002"));
    const IntelHexReadResult read = ReadIntelHex(hex);
    EXPECT_EQ(read.outcome.kind, OutcomeType::Corrupt);
    EXPECT_EQ(read.outcome.message, ResourceString(TextId::kHexUnknownRecord));
}

} // namespace
