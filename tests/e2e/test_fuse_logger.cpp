#include "support/CliProcess.h"
#include "support/IntelHexBuilder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <thread>
#include <unistd.h>

namespace {

// One mount namespace per test process, so that a logger mounted here never shows to the
// tests running beside it, nor to the desktop of whoever runs them.
bool PrivateMounts() {
    static const bool made = ::unshare(CLONE_NEWNS) == 0 &&
                             ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return made;
}

bool MountedAt(const QString& point) {
    QFile table(QStringLiteral("/proc/self/mounts"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QByteArray wanted = ' ' + QFile::encodeName(point) + " fuse.vexlo-sim ";
    return table.readAll().contains(wanted);
}

bool WaitFor(const std::function<bool()>& done, int ms) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return done();
}

// vexlo-sim's drive mounted through FUSE and vexlo-cli reaching it through the kernel's file
// path, found by the mount table alone (no VEXLO_DRIVES).
class FuseLogger : public testing::Test {
protected:
    void SetUp() override {
        if (::access("/dev/fuse", R_OK | W_OK) != 0)
            GTEST_SKIP() << "no usable /dev/fuse here: the mounted-logger tests are skipped";
        if (!PrivateMounts())
            GTEST_SKIP() << "no mount namespace of our own: " << std::strerror(errno);
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(QDir(dir_.path()).mkpath(u"config"_qs));
        point_ = dir_.filePath(u"VEXLO"_qs);
        out_ = dir_.filePath(u"out"_qs);
        ASSERT_TRUE(QDir().mkpath(point_));
    }
    void TearDown() override { Unmount(); }

    void Mount(const QStringList& extra) {
        sim_.setProcessChannelMode(QProcess::MergedChannels);
        sim_.start(QStringLiteral(VEXLO_SIM), QStringList{u"mount"_qs, point_} + extra);
        ASSERT_TRUE(sim_.waitForStarted());
        ASSERT_TRUE(WaitFor([&] { return MountedAt(point_); }, 5000))
            << sim_.readAll().toStdString();
    }
    // Stops vexlo-sim as Ctrl-C does and gives what it printed.
    QString Unmount() {
        if (sim_.state() != QProcess::NotRunning) {
            sim_.terminate();
            sim_.waitForFinished(5000);
        }
        return QString::fromUtf8(sim_.readAll());
    }

    CliRun Cli(const QStringList& args) {
        return RunProgram(QStringLiteral(VEXLO_CLI), args, {dir_.path()});
    }
    QStringList SessionFiles() const {
        return QDir(out_).entryList({u"*.vx"_qs}, QDir::Files, QDir::Name);
    }
    QString WriteHex(const QByteArray& image) {
        const QString path = dir_.filePath(u"image.hex"_qs);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(IntelHexBuilder::Text(image));
        return path;
    }

    QTemporaryDir dir_;
    QString point_;
    QString out_;
    QProcess sim_;
};

QStringList CommandsOf(const QString& log) {
    QStringList names;
    for (const QString& line : log.split(u'\n'))
        if (line.startsWith(u"commande "))
            names << line.section(u' ', 2);
    return names;
}

} // namespace

TEST_F(FuseLogger, TheWholeRoadThroughTheKernel) {
    Mount({u"--model"_qs, u"2"_qs, u"--speed"_qs, u"60"_qs});

    const CliRun drives = Cli({u"drives"_qs, u"--json"_qs});
    ASSERT_EQ(drives.status, 0) << drives.err.toStdString();
    EXPECT_EQ(drives.Json()[u"logger"_qs].toString(), point_) << "found by the mount table alone";

    const CliRun status = Cli({u"status"_qs, u"--json"_qs});
    ASSERT_EQ(status.status, 0) << status.err.toStdString();

    const CliRun configure = Cli({u"configure"_qs, u"--now"_qs, u"--duration"_qs, u"1h"_qs});
    ASSERT_EQ(configure.status, 0) << configure.err.toStdString();
    // 60 samples a second of instrument time.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const CliRun stop = Cli({u"record"_qs, u"stop"_qs, u"--yes"_qs});
    ASSERT_EQ(stop.status, 0) << stop.err.toStdString();

    const CliRun download = Cli({u"download"_qs, u"--out"_qs, out_});
    ASSERT_EQ(download.status, 0) << download.err.toStdString();
    const QString session = QString::fromUtf8(download.out).trimmed();
    ASSERT_TRUE(QFileInfo::exists(session)) << session.toStdString();

    const CliRun info = Cli({u"info"_qs, session, u"--json"_qs});
    ASSERT_EQ(info.status, 0) << info.err.toStdString();
    EXPECT_GE(info.Json()[u"value_count"_qs].toInt(), 100) << info.out.toStdString();

    const QString workbook = dir_.filePath(u"session.xlsx"_qs);
    const CliRun exported = Cli({u"export"_qs, session, workbook});
    ASSERT_EQ(exported.status, 0) << exported.err.toStdString();
    EXPECT_GT(QFileInfo(workbook).size(), 1000);

    const CliRun erase = Cli({u"erase"_qs, u"--wait"_qs, u"--yes"_qs});
    ASSERT_EQ(erase.status, 0) << erase.err.toStdString();

    const CliRun flash = Cli({u"flash"_qs, WriteHex(IntelHexBuilder::Firmware(3000)), u"--yes"_qs});
    ASSERT_EQ(flash.status, 0) << flash.err.toStdString();

    const QStringList commands = CommandsOf(Unmount());
    const QStringList expected = {
        u"SetScalesAndUnits"_qs, u"SetThermocouple"_qs, u"SetPolarity"_qs, u"SetFilterSize"_qs,
        u"ScheduleRecording"_qs, u"StopRecording"_qs,   u"EraseMemory"_qs, u"EnterFlashMode"_qs};
    ASSERT_GE(commands.size(), expected.size() + 2);
    EXPECT_EQ(commands.mid(0, expected.size()), expected) << commands.join(u' ').toStdString();
    EXPECT_EQ(commands.count(u"WriteCodePage"_qs), 12) << "3000 bytes are 12 pages";
    EXPECT_EQ(commands.last(), u"EndFlashMode"_qs);
    EXPECT_FALSE(MountedAt(point_)) << "vexlo-sim unmounts itself when stopped";
}

// The files behave as a logger's do under uncached sector I/O.
TEST_F(FuseLogger, TheFilesAnswerAsTheLoggersSectorsDo) {
    Mount({u"--model"_qs, u"4"_qs, u"--demo-recording"_qs});
    const QByteArray record = QFile::encodeName(point_ + u"/RECORD.VX"_qs);
    const int fd = ::open(record.constData(), O_RDONLY | O_DIRECT);
    ASSERT_GE(fd, 0) << "O_DIRECT is accepted: " << std::strerror(errno);
    void* aligned = nullptr;
    ASSERT_EQ(::posix_memalign(&aligned, 4096, 4096), 0);
    EXPECT_EQ(::pread(fd, aligned, 4096, 0), 4096);
    EXPECT_TRUE(QByteArray(static_cast<const char*>(aligned), 4096).startsWith("AppName="));
    // The demonstration recording ends well before 1 MB: past it the memory reads erased.
    EXPECT_EQ(::pread(fd, aligned, 4096, 1 << 20), 4096);
    const auto* bytes = static_cast<const unsigned char*>(aligned);
    EXPECT_TRUE(std::all_of(bytes, bytes + 4096, [](unsigned char b) { return b == 0xFF; }));
    // The whole memory and no more.
    EXPECT_EQ(::pread(fd, aligned, 4096, 2048000), 0);
    ::close(fd);
    std::free(aligned);

    QFile control(point_ + u"/CONTROL.DAT"_qs);
    ASSERT_TRUE(control.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
    EXPECT_EQ(control.read(512), QByteArray(512, '\0')) << "no acknowledgement outside flash mode";
    EXPECT_EQ(control.write(QByteArray(100, 'x')), -1) << "a part of a sector is refused";
    EXPECT_EQ(control.write(QByteArray(512, 'x')), 512) << "a whole sector is one command";
    control.close();
    QFile status(point_ + u"/STATUS.INI"_qs);
    EXPECT_FALSE(status.open(QIODevice::ReadWrite)) << "only the mailbox takes writes";
    EXPECT_TRUE(Unmount().contains(u"bloc invalide"_qs));
}

TEST_F(FuseLogger, AnUnplugDuringADownloadLeavesNoFileAndSaysWhy) {
    Mount({u"--model"_qs, u"4"_qs, u"--demo-recording=200"_qs, u"--fault"_qs, u"slow-reads=100"_qs,
           u"--fault"_qs, u"unplug-after=3"_qs});
    const CliRun r = Cli({u"download"_qs, u"--out"_qs, out_});
    EXPECT_EQ(r.status, 2) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"débranché pendant le téléchargement"_qs)) << r.err.toStdString();
    EXPECT_TRUE(SessionFiles().isEmpty()) << SessionFiles().join(u", ").toStdString();
    EXPECT_TRUE(WaitFor([&] { return !MountedAt(point_); }, 3000)) << "the drive left";
}

TEST_F(FuseLogger, ARecordingThatCannotBeReadLeavesNoFile) {
    Mount({u"--model"_qs, u"4"_qs, u"--demo-recording"_qs, u"--fault"_qs, u"eio-record"_qs});
    QElapsedTimer took;
    took.start();
    const CliRun r = Cli({u"download"_qs, u"--out"_qs, out_, u"--timeout"_qs, u"2"_qs});
    EXPECT_EQ(r.status, 2) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"ne répond plus"_qs)) << r.err.toStdString();
    EXPECT_TRUE(SessionFiles().isEmpty());
    EXPECT_LT(took.elapsed(), 30000) << "given up after the timeout, not waited for";
}

// A drive that stops answering in the middle of a download: the command gives up after its
// timeout and ends at once, whatever the stuck read does, and leaves no file.
TEST_F(FuseLogger, AHungDriveDuringADownloadIsGivenUpAndTheCommandEnds) {
    Mount({u"--model"_qs, u"4"_qs, u"--demo-recording=200"_qs, u"--fault"_qs, u"slow-reads=100"_qs,
           u"--fault"_qs, u"hang-after=3"_qs});
    // A leak check at exit stops every thread, which one parked in the kernel on the hung
    // drive never lets it do: under the address sanitizer it is left out for this run.
    const QByteArray sanitizer = qgetenv("ASAN_OPTIONS");
    qputenv("ASAN_OPTIONS", sanitizer + (sanitizer.isEmpty() ? "" : ":") + "detect_leaks=0");
    QElapsedTimer took;
    took.start();
    const CliRun r = Cli({u"download"_qs, u"--out"_qs, out_, u"--timeout"_qs, u"2"_qs});
    const qint64 tookMs = took.elapsed();
    qputenv("ASAN_OPTIONS", sanitizer);
    EXPECT_EQ(r.status, 2) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"ne répond plus"_qs)) << r.err.toStdString();
    EXPECT_TRUE(SessionFiles().isEmpty()) << SessionFiles().join(u", ").toStdString();
    EXPECT_LT(tookMs, 20000) << "ended while the drive still hangs";
    EXPECT_TRUE(MountedAt(point_)) << "the drive is still there, hung";
}

// A logger that confirms each page 300 ms late is programmed all the same.
TEST_F(FuseLogger, ASlowAcknowledgingLoggerIsUpgraded) {
    Mount({u"--model"_qs, u"4"_qs, u"--fault"_qs, u"ack-delay=300"_qs});
    const CliRun flash = Cli({u"flash"_qs, WriteHex(IntelHexBuilder::Firmware(3000)), u"--yes"_qs});
    EXPECT_EQ(flash.status, 0) << flash.err.toStdString();
    EXPECT_TRUE(flash.err.contains(u"complète"_qs)) << flash.err.toStdString();
}

// What came is kept, said incomplete, and not reported as a success.
TEST_F(FuseLogger, AShortRecordingIsKeptAndSaidIncomplete) {
    Mount({u"--model"_qs, u"4"_qs, u"--demo-recording"_qs, u"--fault"_qs, u"short-record"_qs});
    const CliRun r = Cli({u"download"_qs, u"--out"_qs, out_});
    EXPECT_EQ(r.status, 2) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"L’enregistrement est incomplet"_qs)) << r.err.toStdString();
    ASSERT_EQ(SessionFiles().size(), 1);
    const CliRun info =
        Cli({u"info"_qs, QDir(out_).filePath(SessionFiles().first()), u"--json"_qs});
    EXPECT_EQ(info.status, 0) << "the part that came reads back: " << info.err.toStdString();
    EXPECT_GT(info.Json()[u"value_count"_qs].toInt(), 0) << info.out.toStdString();
}

TEST_F(FuseLogger, SlowReadsStillGiveTheStatusAndTheRecording) {
    Mount({u"--model"_qs, u"4"_qs, u"--demo-recording"_qs, u"--fault"_qs, u"slow-reads=150"_qs});
    const CliRun status = Cli({u"status"_qs, u"--json"_qs});
    EXPECT_EQ(status.status, 0) << status.err.toStdString();
    const CliRun download = Cli({u"download"_qs, u"--out"_qs, out_});
    EXPECT_EQ(download.status, 0) << download.err.toStdString();
    EXPECT_EQ(SessionFiles().size(), 1);
}

TEST_F(FuseLogger, AClockThatStandsStillIsNamed) {
    Mount({u"--model"_qs, u"4"_qs, u"--fault"_qs, u"stall-clock"_qs});
    const CliRun r = Cli({u"clock"_qs, u"set"_qs, u"--timeout"_qs, u"3"_qs});
    EXPECT_EQ(r.status, 3) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"son horloge n’avance pas"_qs)) << r.err.toStdString();
}

TEST_F(FuseLogger, AnEraseThatNeverEndsIsGivenUp) {
    Mount({u"--model"_qs, u"4"_qs, u"--demo-recording"_qs, u"--fault"_qs, u"erase-never-ends"_qs});
    const CliRun r = Cli({u"erase"_qs, u"--wait"_qs, u"--yes"_qs, u"--timeout"_qs, u"3"_qs});
    EXPECT_EQ(r.status, 2) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"l’effacement n’avance plus depuis 3 secondes"_qs))
        << r.err.toStdString();
    EXPECT_FALSE(QString::fromUtf8(r.out).contains(u"est effacée"_qs));
}

TEST_F(FuseLogger, CodePagesNeverAcknowledgedFailTheUpgrade) {
    Mount({u"--model"_qs, u"4"_qs, u"--fault"_qs, u"no-acks"_qs});
    const CliRun r = Cli({u"flash"_qs, WriteHex(IntelHexBuilder::Firmware(3000)), u"--yes"_qs});
    EXPECT_EQ(r.status, 2) << r.err.toStdString();
    EXPECT_TRUE((r.err + QString::fromUtf8(r.out)).contains(u"La programmation a échoué"_qs))
        << r.err.toStdString();
}

TEST_F(FuseLogger, AStatusFullOfNonsenseIsNotTakenForALogger) {
    Mount({u"--model"_qs, u"4"_qs, u"--fault"_qs, u"garbage-status"_qs});
    const CliRun drives = Cli({u"drives"_qs, u"--json"_qs});
    EXPECT_EQ(drives.status, 0) << drives.err.toStdString();
    EXPECT_TRUE(drives.Json()[u"logger"_qs].isNull()) << drives.out.toStdString();
    const CliRun status = Cli({u"download"_qs, u"--out"_qs, out_, u"--timeout"_qs, u"3"_qs});
    EXPECT_EQ(status.status, 3) << status.err.toStdString();
    EXPECT_TRUE(SessionFiles().isEmpty());
    EXPECT_TRUE(status.err.contains(u"aucun instrument Vexlo n’a répondu en 3 secondes"_qs))
        << status.err.toStdString();
}

TEST_F(FuseLogger, AnUnplugFaultUnmountsOnTime) {
    Mount({u"--model"_qs, u"4"_qs, u"--fault"_qs, u"unplug-after=1"_qs});
    EXPECT_TRUE(WaitFor([&] { return !MountedAt(point_); }, 4000));
    EXPECT_TRUE(sim_.state() == QProcess::NotRunning || sim_.waitForFinished(3000));
    EXPECT_EQ(sim_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim_.exitCode(), 0);
}
