#include "core/instrument/ControlBlock.h"
#include "core/instrument/DownloadJob.h"
#include "core/instrument/RawDump.h"
#include "core/session/SessionFile.h"
#include "core/session/SessionParamsEditModel.h"
#include "sim/ManualClock.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedUserInterface.h"
#include "support/SynchronousPort.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>

namespace {

// RECORD.VX of `record`, from a logger of model 4 whose link announced `memoryUsed` bytes.
class DumpSourcePort final : public SynchronousPort {
public:
    DumpSourcePort() {
        const QByteArray text = QByteArrayLiteral("Model=4\r\nSerNum=E-1\r\nMemSize=2048000\r\n"
                                                  "MemUsed=1000\r\nRecordingState=1\r\n");
        state.connected = true;
        state.status.ReadTexts(text.constData(), static_cast<int>(text.size()));
    }

    InstrumentState State() const override { return state; }
    qint64 WriteControlBlock(const ControlBlock&) override { return ControlBlock::kSize; }
    bool LinkIdle() const override { return true; }
    qint64 LinkMemoryUsed() const override { return memoryUsed; }
    qint64 ReadRecord(char* buffer, qint64 offset, qint64 count) override {
        if (silent)
            return 0;
        const qint64 n = std::clamp<qint64>(record.size() - offset, 0, count);
        std::memcpy(buffer, record.constData() + offset, static_cast<std::size_t>(n));
        return n;
    }
    void SetBusy(bool) override {}
    void ClearLiveData() override {}
    void ForgetLastStatus() override {}

    InstrumentState state;
    QByteArray record;
    qint64 memoryUsed = 1000;
    bool silent = false;
};

// A logger header of 17 lines in its first 256 bytes, then numbered bytes up to `size`.
QByteArray Record(int size) {
    QByteArray r = QByteArrayLiteral(
        "AppName=VX.exe\r\nGenBy=Inst\r\nFVer=3.02\r\nModel=4\r\nSerNum=E-1\r\nVRef=2.5\r\n"
        "MaxCnt=4096\r\nCh1Mult=1\r\nStart=2024/03/05 14:08:11\r\nPer=1\r\n"
        "Ch1LowScale=00000000\r\nCh1HighScale=0000C842\r\nCh1Units=mA\r\nTC_Type=J\r\n"
        "EnableCJC=0\r\nPolarity=1\r\nFilterSize=4\r\n");
    r.resize(256, '\0');
    for (int i = 256; i < size; ++i)
        r.append(static_cast<char>((i * 7 + 3) & 0x7F));
    return r;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A well-formed dump of `record`.
QByteArray DumpBytes(const QByteArray& record) {
    const RawDump dump{"Model=4\r\nSerNum=E-1\r\nRecordingState=0\r\nMemUsed=1000\r\n",
                       QByteArray(kParameterBlockSize, 'p'), record};
    return dump.Bytes();
}

Outcome Parse(const QByteArray& bytes, RawDump& dump) {
    return RawDump::Parse(bytes, QStringLiteral("d.vxdump"), dump);
}

class RawDumpDownload : public testing::Test {
protected:
    // Copies to the end and accepts the parameters as offered.
    bool Download(DownloadJob& job, const QString& into) {
        if (!job.Begin(into))
            return false;
        for (int i = 0; i < 1000 && job.Running(); ++i) {
            clock.AdvanceMs(DownloadTransfer::kTickMs);
            job.Tick();
        }
        return job.CompleteParameters([](SessionParamsEditModel&) { return true; });
    }
    QStringList Files(const QString& path) const { return QDir(path).entryList(QDir::Files); }

    QTemporaryDir folder;
    ManualClock clock{1709644029};
    DumpSourcePort port;
    ScriptedUserInterface ui;
    MemorySettingsStore settings;
};

} // namespace

TEST(RawDumpContainer, TheWholeDumpReadsOneByteLessIsCutOneMoreIsRefused) {
    const QByteArray record = Record(1024);
    const QByteArray bytes = DumpBytes(record);
    ASSERT_EQ(bytes.size(), RawDump::kTextSize + kParameterBlockSize + record.size());
    RawDump dump;
    ASSERT_TRUE(Parse(bytes, dump));
    EXPECT_EQ(dump.record, record);
    EXPECT_EQ(dump.parameterBlock, QByteArray(kParameterBlockSize, 'p'));
    EXPECT_TRUE(dump.statusText.startsWith("VexloRawDump=1\r\nModel=4\r\n"));

    const Outcome cut = Parse(bytes.chopped(1), dump);
    EXPECT_EQ(cut.kind, OutcomeType::Corrupt);
    EXPECT_EQ(cut.message, u"Le vidage brut « d.vxdump » est tronqué : il manque une partie des "
                           u"données enregistrées."_qs);
    const Outcome longer = Parse(bytes + '\0', dump);
    EXPECT_EQ(longer.kind, OutcomeType::Unsupported);
    EXPECT_EQ(longer.message,
              u"Le fichier « d.vxdump » n’est pas un vidage brut de téléchargement."_qs);
    EXPECT_EQ(Parse(bytes.left(RawDump::kTextSize - 1), dump).kind, OutcomeType::Corrupt);

    // No record at all is still a dump, of an empty RECORD.VX.
    EXPECT_TRUE(Parse(DumpBytes({}), dump));
    EXPECT_TRUE(dump.record.isEmpty());
}

TEST(RawDumpContainer, TheMarkItsVersionAndTheBlockSizeAreChecked) {
    const QByteArray bytes = DumpBytes(Record(512));
    RawDump dump;
    const auto refused = [&](QByteArray b) {
        return Parse(b, dump).kind == OutcomeType::Unsupported;
    };
    EXPECT_TRUE(refused(QByteArray()));
    EXPECT_TRUE(refused(Record(4096)));
    EXPECT_TRUE(refused(QByteArray(bytes).replace("VexloRawDump=1", "VexloRawDump=2")));
    EXPECT_TRUE(refused(QByteArray(bytes).replace("VexloRawDump=1", "VexloRawDump=0")));
    EXPECT_TRUE(refused(QByteArray(bytes).replace("ParameterBytes=2560", "ParameterBytes=2559")));
    EXPECT_TRUE(refused(QByteArray(bytes).replace("ParameterBytes=2560", "ParameterBytes=2561")));
    EXPECT_TRUE(refused(QByteArray(bytes).replace("RecordBytes=", "RecordBytez=")));
}

TEST(RawDumpContainer, LongStatusValuesStillFitTheTextArea) {
    InstrumentState state;
    state.status.model = QStringLiteral("4");
    state.status.serial = QString(500, u'S');
    state.status.recordingState = QString(500, u'1');
    const RawDump dump{RawDump::StatusTextOf(state, 2048000), QByteArray(kParameterBlockSize, 0),
                       Record(512)};
    RawDump back;
    ASSERT_TRUE(Parse(dump.Bytes(), back));
    const RawDumpPort port(back);
    EXPECT_EQ(port.LinkMemoryUsed(), 2048000);
    EXPECT_EQ(port.State().status.serial, QString(64, u'S'));
}

TEST_F(RawDumpDownload, TheBytesReadAreKeptBesideAndTheReplayWritesTheSameFile) {
    // 700 bytes used: the session drops the last 256 bytes of the 1024 read, the dump does not.
    port.memoryUsed = 700;
    port.record = Record(1100);
    DownloadJob job(port, ui, settings, clock);
    job.KeepRawDump(true);
    ASSERT_TRUE(Download(job, folder.path()));
    const QString session = job.SessionFilePath();
    const QString dumpPath = RawDump::PathFor(session);
    EXPECT_EQ(QFileInfo(dumpPath).fileName(), u"Modèle VX20 (420 mAdc).vxdump"_qs);

    RawDump dump;
    ASSERT_TRUE(RawDump::Load(dumpPath, dump));
    EXPECT_EQ(dump.record, port.record.left(1024)) << "exactly the bytes read";
    const QByteArray file = ReadAll(session);
    EXPECT_EQ(dump.parameterBlock, file.mid(256, kParameterBlockSize));

    QTemporaryDir other;
    RawDumpPort replay(dump);
    EXPECT_TRUE(replay.State().Recording());
    DownloadJob again(replay, ui, settings, clock);
    ASSERT_TRUE(again.Begin(other.path()));
    while (again.Running())
        again.Tick();
    ASSERT_TRUE(again.CompleteWithParameterBlock(dump.parameterBlock));
    EXPECT_EQ(ReadAll(again.SessionFilePath()), file);
    EXPECT_EQ(Files(other.path()).size(), 1) << "a replay keeps no dump of its own";
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(RawDumpDownload, ACopyThatWaitedForTheLoggerKeepsEveryByteOnce) {
    port.memoryUsed = 70000;
    port.record = Record(70000);
    DownloadJob job(port, ui, settings, clock);
    job.KeepRawDump(true);
    ASSERT_TRUE(job.Begin(folder.path()));
    job.Tick();
    job.Tick();
    port.silent = true;
    job.Tick();
    job.Tick();
    port.silent = false;
    while (job.Running())
        job.Tick();
    ASSERT_TRUE(job.CompleteParameters([](SessionParamsEditModel&) { return true; }));
    RawDump dump;
    ASSERT_TRUE(RawDump::Load(RawDump::PathFor(job.SessionFilePath()), dump));
    EXPECT_EQ(dump.record, port.record.left(70144));
}

TEST_F(RawDumpDownload, OffByDefaultAndAFailedOrCancelledDownloadLeavesNeitherFile) {
    port.record = Record(2048);
    DownloadJob plain(port, ui, settings, clock);
    ASSERT_TRUE(Download(plain, folder.path()));
    EXPECT_EQ(Files(folder.path()), QStringList({u"Modèle VX20 (420 mAdc).vx"_qs}));

    QTemporaryDir empty;
    port.record = QByteArray(2048, '\xFF');
    DownloadJob erased(port, ui, settings, clock);
    erased.KeepRawDump(true);
    EXPECT_FALSE(Download(erased, empty.path()));
    EXPECT_TRUE(Files(empty.path()).isEmpty());

    port.memoryUsed = 100000;
    port.record = Record(131072);
    DownloadJob cancelled(port, ui, settings, clock);
    cancelled.KeepRawDump(true);
    ASSERT_TRUE(cancelled.Begin(empty.path()));
    cancelled.Tick();
    cancelled.Tick();
    cancelled.Cancel();
    EXPECT_TRUE(Files(empty.path()).isEmpty());
}

TEST_F(RawDumpDownload, ADumpThatCannotBeWrittenTakesTheSessionWithIt) {
    port.record = Record(2048);
    // A folder where the dump would go.
    ASSERT_TRUE(QDir(folder.path()).mkdir(u"Modèle VX20 (420 mAdc).vxdump"_qs));
    DownloadJob job(port, ui, settings, clock);
    job.KeepRawDump(true);
    EXPECT_FALSE(Download(job, folder.path()));
    EXPECT_TRUE(Files(folder.path()).isEmpty());
    EXPECT_TRUE(job.SessionFilePath().isEmpty());
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_TRUE(
        ui.Messages()[0].text.startsWith(u"Impossible d’ouvrir le fichier de destination "_qs));
    EXPECT_TRUE(ui.Messages()[0].text.contains(u".vxdump"_qs));
}

TEST_F(RawDumpDownload, AReplayAsksOnlyForWholeParameterBlocks) {
    port.record = Record(2048);
    RawDump dump{RawDump::StatusTextOf(port.state, 1000), {}, port.record.left(1024)};
    RawDumpPort replay(dump);
    DownloadJob job(replay, ui, settings, clock);
    ASSERT_TRUE(job.Begin(folder.path()));
    while (job.Running())
        job.Tick();
    EXPECT_FALSE(job.CompleteWithParameterBlock(QByteArray(kParameterBlockSize - 1, 0)));
    EXPECT_FALSE(job.CompleteWithParameterBlock(QByteArray(kParameterBlockSize + 1, 0)));
    EXPECT_TRUE(job.CompleteWithParameterBlock(QByteArray(kParameterBlockSize, 0)));
}
