#include "core/instrument/ControlBlock.h"
#include "core/instrument/DownloadJob.h"
#include "core/instrument/InstrumentPort.h"
#include "core/session/SessionParamsEditModel.h"
#include "sim/ManualClock.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedUserInterface.h"
#include "support/SessionTestSupport.h"
#include "support/SynchronousPort.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>

namespace {

// A logger whose RECORD.VX is `record`; reads follow the drive's rules (whole sectors).
class RecordPort final : public SynchronousPort {
public:
    RecordPort() {
        const QByteArray text = QByteArrayLiteral("Model=4\r\nSerNum=E-1\r\nMemSize=2048000\r\n"
                                                  "MemUsed=1000\r\nRecordingState=0\r\n"
                                                  "Time=2024/03/05 14:07:09\r\n");
        state.connected = true;
        state.status.ReadTexts(text.constData(), static_cast<int>(text.size()));
    }

    InstrumentState State() const override { return state; }
    qint64 WriteControlBlock(const ControlBlock&) override { return ControlBlock::kSize; }
    bool LinkIdle() const override { return linkIdle; }
    qint64 LinkMemoryUsed() const override { return memoryUsed; }
    qint64 ReadRecord(char* buffer, qint64 offset, qint64 count) override {
        reads.append(QStringLiteral("%1+%2").arg(offset).arg(count));
        if (unplugged || offset % 512 != 0 || count % 512 != 0)
            return 0;
        const qint64 n = std::clamp<qint64>(record.size() - offset, 0, count);
        std::memcpy(buffer, record.constData() + offset, static_cast<std::size_t>(n));
        return n;
    }
    bool DrivePresent() const override { return !driveGone; }
    int DeviceChanges() const override { return deviceChanges; }
    QByteArray StatusText() const override {
        return "Model=4\r\nSerNum=" + serial +
               "\r\nMemUsed=1000\r\nCodePageSize=256\r\n"
               "NumCodePages=4096\r\nTime=2024/03/05 14:07:09\r\n";
    }
    void SetBusy(bool on) override { busy.append(on); }
    void ClearLiveData() override {}
    void ForgetLastStatus() override {}

    InstrumentState state;
    QByteArray record;
    qint64 memoryUsed = 1000;
    bool linkIdle = true;
    bool unplugged = false;
    bool driveGone = false;
    int deviceChanges = 0;
    QByteArray serial = "E-1";
    QStringList reads;
    QList<bool> busy;
};

QByteArray HeaderText(int length = 0) {
    QByteArray t = QByteArrayLiteral(
        "AppName=VX.exe\r\nGenBy=Inst\r\nFVer=3.02\r\nModel=4\r\nSerNum=E-1\r\nVRef=2.5\r\n"
        "MaxCnt=4096\r\nCh1Mult=1\r\nStart=2024/03/05 14:08:11\r\nPer=1\r\n"
        "Ch1LowScale=00000000\r\nCh1HighScale=0000C842\r\nCh1Units=mA\r\nTC_Type=J\r\n"
        "EnableCJC=0\r\nPolarity=1\r\nFilterSize=4\r\n");
    if (length > t.size())
        t.append(QByteArray(length - t.size() - 2, 'x')).append("\r\n");
    return t;
}

// The header text, zeros up to `headerArea`, then numbered bytes up to `size`.
QByteArray RecordImage(const QByteArray& header, int headerArea, int size) {
    QByteArray r = header;
    r.resize(headerArea, '\0');
    for (int i = headerArea; i < size; ++i)
        r.append(static_cast<char>((i * 7 + 3) & 0x7F));
    return r;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class Download : public testing::Test {
protected:
    TransferStateType RunToEnd(DownloadJob& job, int maxTicks = 1000) {
        TransferStateType state = job.Tick();
        for (int i = 0; i < maxTicks && (state == TransferStateType::WaitingForLink ||
                                         state == TransferStateType::Copying);
             ++i) {
            clock.AdvanceMs(DownloadTransfer::kTickMs);
            state = job.Tick();
        }
        return state;
    }
    QStringList FilesInFolder() const { return QDir(folder.path()).entryList(QDir::Files); }

    QTemporaryDir folder;
    ManualClock clock{1709644029};
    RecordPort port;
    ScriptedUserInterface ui;
    MemorySettingsStore settings;
};

const auto kAcceptAsShown = [](SessionParamsEditModel&) { return true; };

} // namespace

TEST_F(Download, ThousandBytesUsedAreCopiedWhole) {
    port.record = RecordImage(HeaderText(), 256, 2048);
    DownloadJob job(port, ui, settings, clock);
    ASSERT_TRUE(job.Begin(folder.path()));
    EXPECT_EQ(job.Transfer()->Total(), 1024);
    EXPECT_FALSE(job.Transfer()->DropsTail());
    ASSERT_EQ(RunToEnd(job), TransferStateType::Finished);
    EXPECT_EQ(port.reads, QStringList({"0+1024"}));
    EXPECT_EQ(job.Transfer()->ProgressText(), u"100% complete"_qs);
    ASSERT_TRUE(job.CompleteParameters(kAcceptAsShown));

    const QByteArray file = ReadAll(job.SessionFilePath());
    ASSERT_EQ(file.size(), 256 + 2560 + 768);
    EXPECT_TRUE(file.left(256).contains("GenBy=VXCP\r\n"));
    EXPECT_EQ(file.left(256).replace("VXCP", "Inst"), port.record.left(256));
    EXPECT_EQ(file.mid(256 + 2560), port.record.mid(256, 768));
    EXPECT_EQ(port.busy, QList<bool>({true, false}));
}

TEST_F(Download, TheFileTakesItsNameOnlyOnceWhole) {
    port.record = RecordImage(HeaderText(), 256, 2048);
    DownloadJob job(port, ui, settings, clock);
    ASSERT_TRUE(job.Begin(folder.path()));
    EXPECT_EQ(FilesInFolder(), QStringList{QFileInfo(job.FilePath()).fileName() + u".part"_qs})
        << "the copy is written beside its name";
    ASSERT_EQ(RunToEnd(job), TransferStateType::Finished);
    EXPECT_FALSE(QFileInfo::exists(job.FilePath())) << "the parameters are still to come";
    ASSERT_TRUE(job.CompleteParameters(kAcceptAsShown));
    EXPECT_EQ(FilesInFolder(), QStringList{QFileInfo(job.FilePath()).fileName()});
}

TEST_F(Download, AFileThatTookTheNameMeanwhileIsNeverWrittenOver) {
    port.record = RecordImage(HeaderText(), 256, 2048);
    DownloadJob job(port, ui, settings, clock);
    ASSERT_TRUE(job.Begin(folder.path()));
    ASSERT_EQ(RunToEnd(job), TransferStateType::Finished);
    QFile other(job.FilePath());
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("another file");
    other.close();
    EXPECT_FALSE(job.CompleteParameters(kAcceptAsShown));
    EXPECT_EQ(ReadAll(job.FilePath()), QByteArray("another file"));
    EXPECT_EQ(FilesInFolder().size(), 1) << "the copy beside is removed";
}

TEST_F(Download, SevenHundredBytesUsedDropTheLastSector256Bytes) {
    port.memoryUsed = 700;
    port.record = RecordImage(HeaderText(), 256, 2048);
    DownloadJob job(port, ui, settings, clock);
    ASSERT_TRUE(job.Begin(folder.path()));
    EXPECT_EQ(job.Transfer()->Total(), 1024);
    EXPECT_TRUE(job.Transfer()->DropsTail()) << "324 bytes past the used ones";
    ASSERT_EQ(RunToEnd(job), TransferStateType::Finished);
    ASSERT_TRUE(job.CompleteParameters(kAcceptAsShown));
    const QByteArray file = ReadAll(job.SessionFilePath());
    ASSERT_EQ(file.size(), 256 + 2560 + 512);
    EXPECT_EQ(file.mid(256 + 2560), port.record.mid(256, 512));
}

// The last 256 bytes of the sectors read are dropped only when more than 256 bytes of them lie
// past the memory used.
TEST_F(Download, TheTailIsDroppedOnlyPast256BytesOfPadding) {
    port.record = RecordImage(HeaderText(), 256, 2048);
    struct Case {
        qint64 used;
        bool drops;
        int recorded;
    };
    for (const Case& c : {Case{767, true, 512}, Case{768, false, 768}, Case{769, false, 768}}) {
        SCOPED_TRACE(c.used);
        port.memoryUsed = c.used;
        QTemporaryDir into;
        DownloadJob job(port, ui, settings, clock);
        ASSERT_TRUE(job.Begin(into.path()));
        EXPECT_EQ(job.Transfer()->Total(), 1024);
        EXPECT_EQ(job.Transfer()->DropsTail(), c.drops);
        ASSERT_EQ(RunToEnd(job), TransferStateType::Finished);
        ASSERT_TRUE(job.CompleteParameters(kAcceptAsShown));
        const QByteArray file = ReadAll(job.SessionFilePath());
        ASSERT_EQ(file.size(), 256 + 2560 + c.recorded);
        EXPECT_EQ(file.mid(256 + 2560), port.record.mid(256, c.recorded));
    }
}

TEST_F(Download, FiveHundredCharacterHeaderOverTwoChunks) {
    const QByteArray header = HeaderText(500);
    ASSERT_EQ(header.size(), 500);
    port.memoryUsed = 40000;
    port.record = RecordImage(header, 512, 65536);
    DownloadJob job(port, ui, settings, clock);
    ASSERT_TRUE(job.Begin(folder.path()));
    EXPECT_EQ(job.Transfer()->Total(), 40448);
    EXPECT_EQ(job.Tick(), TransferStateType::Copying) << "the first tick finds the link idle";
    EXPECT_EQ(job.Tick(), TransferStateType::Copying);
    EXPECT_EQ(job.Transfer()->HeaderLength(), 512);
    EXPECT_EQ(job.Transfer()->ProgressText(), u"81% complete"_qs);
    ASSERT_EQ(RunToEnd(job), TransferStateType::Finished);
    EXPECT_EQ(port.reads, QStringList({"0+32768", "32768+7680"}));
    ASSERT_TRUE(job.CompleteParameters(kAcceptAsShown));

    const QByteArray file = ReadAll(job.SessionFilePath());
    ASSERT_EQ(file.size(), 3072 + (40448 - 256 - 512));
    EXPECT_EQ(file.left(500), QByteArray(header).replace("GenBy=Inst", "GenBy=VXCP"));
    EXPECT_EQ(file.mid(500, 12), QByteArray(12, '\0'));
    EXPECT_TRUE(QByteArray(file.mid(512, 2560)).startsWith(QByteArray("R\0e\0c\0", 6)))
        << "the parameter block sits at 512..3071";
    EXPECT_EQ(file.mid(3072), port.record.mid(512, 40448 - 256 - 512));
}

TEST_F(Download, AllErasedMemoryShowsNoDataAndLeavesNoFile) {
    port.record = QByteArray(2048, '\xFF');
    DownloadJob job(port, ui, settings, clock);
    ASSERT_TRUE(job.Begin(folder.path()));
    EXPECT_EQ(FilesInFolder().size(), 1);
    EXPECT_EQ(RunToEnd(job), TransferStateType::NoData);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text, u"L’instrument ne contient aucune donnée."_qs);
    EXPECT_TRUE(FilesInFolder().isEmpty());
    EXPECT_FALSE(job.CompleteParameters(kAcceptAsShown));
    EXPECT_TRUE(job.SessionFilePath().isEmpty());
    EXPECT_EQ(port.busy, QList<bool>({true, false}));
    job.Tick();
    EXPECT_EQ(ui.Messages().size(), 1u) << "told once";
}

TEST_F(Download, HeaderWithoutEndIsRefused) {
    port.record = QByteArray(2048, 'A');
    DownloadJob job(port, ui, settings, clock);
    ASSERT_TRUE(job.Begin(folder.path()));
    EXPECT_EQ(RunToEnd(job), TransferStateType::Unreadable);
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text,
              u"Le fichier « RECORD.VX » ne contient aucune donnée utilisable."_qs);
    EXPECT_TRUE(FilesInFolder().isEmpty());
}

TEST_F(Download, NamesAreMadeUniqueWithNumberSuffixes) {
    const QString first = DownloadJob::DestinationPath(folder.path(), 4);
    EXPECT_EQ(QFileInfo(first).fileName(), u"Modèle VX20 (420 mAdc).vx"_qs);
    QFile(first).open(QIODevice::WriteOnly);
    const QString second = DownloadJob::DestinationPath(folder.path(), 4);
    EXPECT_EQ(QFileInfo(second).fileName(), u"Modèle VX20 (420 mAdc)_1.vx"_qs);
    QFile(second).open(QIODevice::WriteOnly);
    EXPECT_EQ(QFileInfo(DownloadJob::DestinationPath(folder.path(), 4)).fileName(),
              u"Modèle VX20 (420 mAdc)_2.vx"_qs);

    port.record = RecordImage(HeaderText(), 256, 2048);
    DownloadJob job(port, ui, settings, clock);
    ASSERT_TRUE(job.Begin(folder.path()));
    EXPECT_EQ(QFileInfo(job.FilePath()).fileName(), u"Modèle VX20 (420 mAdc)_2.vx"_qs);
}

TEST_F(Download, DisabledOrEmptyDoesNothingAndAnUnwritableFolderIsTold) {
    port.memoryUsed = 0;
    DownloadJob empty(port, ui, settings, clock);
    EXPECT_FALSE(empty.Begin(folder.path()));
    port.memoryUsed = 1000;
    port.state.status.memErase = QStringLiteral("1");
    DownloadJob erasing(port, ui, settings, clock);
    EXPECT_FALSE(erasing.Begin(folder.path())) << "the command is disabled while erasing";
    port.state.status.memErase = QStringLiteral("0");
    EXPECT_TRUE(port.busy.isEmpty());
    EXPECT_TRUE(ui.Messages().empty());
    EXPECT_TRUE(FilesInFolder().isEmpty());

    QFile blocker(folder.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    DownloadJob job(port, ui, settings, clock);
    EXPECT_FALSE(job.Begin(folder.filePath(QStringLiteral("file/sub"))));
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_TRUE(
        ui.Messages()[0].text.startsWith(u"Impossible d’ouvrir le fichier de destination "_qs));
    EXPECT_EQ(port.busy, QList<bool>({true, false}));
}

TEST_F(Download, WaitsForAPendingLinkReadBeforeReading) {
    port.record = RecordImage(HeaderText(), 256, 2048);
    port.linkIdle = false;
    DownloadJob job(port, ui, settings, clock);
    ASSERT_TRUE(job.Begin(folder.path()));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(job.Tick(), TransferStateType::WaitingForLink);
    EXPECT_TRUE(port.reads.isEmpty());
    port.linkIdle = true;
    EXPECT_EQ(RunToEnd(job), TransferStateType::Finished);
}

TEST_F(Download, UnpluggedLoggerStallsAndCancelRemovesThePartialFile) {
    port.memoryUsed = 100000;
    port.record = RecordImage(HeaderText(), 256, 131072);
    DownloadJob job(port, ui, settings, clock);
    ASSERT_TRUE(job.Begin(folder.path()));
    job.Tick();
    job.Tick();
    const qint64 copied = job.Transfer()->Done();
    EXPECT_EQ(copied, 32768);
    const QString progress = job.Transfer()->ProgressText();

    port.unplugged = true;
    for (int i = 0; i < 299; ++i) {
        clock.AdvanceMs(DownloadTransfer::kTickMs);
        EXPECT_EQ(job.Tick(), TransferStateType::Copying);
    }
    EXPECT_FALSE(job.Transfer()->Stalled());
    clock.AdvanceMs(DownloadTransfer::kTickMs);
    job.Tick();
    EXPECT_TRUE(job.Transfer()->Stalled());
    EXPECT_EQ(job.Transfer()->Done(), copied);
    EXPECT_EQ(job.Transfer()->ProgressText(), progress);

    // Plugged back in, the copy goes on where it stopped, once the drive's presence was heard.
    port.unplugged = false;
    for (int i = 0; i < 2 && job.Transfer()->Done() == copied; ++i)
        job.Tick();
    EXPECT_FALSE(job.Transfer()->Stalled());
    EXPECT_EQ(job.Transfer()->Done(), 2 * copied);

    port.unplugged = true;
    job.Cancel();
    EXPECT_FALSE(job.Running());
    EXPECT_TRUE(FilesInFolder().isEmpty());
    EXPECT_TRUE(job.SessionFilePath().isEmpty());
    EXPECT_FALSE(job.CompleteParameters(kAcceptAsShown));
    EXPECT_EQ(port.busy, QList<bool>({true, false}));
    EXPECT_TRUE(ui.Messages().empty());
}

// Reads that fail while the drive is still there are waited for; once the drive has left the
// system there is nothing to wait for: the first failed read ends the copy, whether or not
// the download keeps its raw dump.
TEST_F(Download, ADriveThatLeftEndsTheCopyAtOnceWithoutAFile) {
    port.memoryUsed = 100000;
    port.record = RecordImage(HeaderText(), 256, 131072);
    for (const bool keepDump : {false, true}) {
        SCOPED_TRACE(keepDump ? "raw dump kept" : "no raw dump");
        port.driveGone = port.unplugged = false;
        port.busy.clear();
        ui.Forget();
        DownloadJob job(port, ui, settings, clock);
        job.KeepRawDump(keepDump);
        ASSERT_TRUE(job.Begin(folder.path()));
        job.Tick();
        job.Tick();
        ASSERT_EQ(job.Transfer()->Done(), 32768);

        port.driveGone = true;
        job.Tick();
        EXPECT_EQ(job.Transfer()->Done(), 65536) << "a read that works is taken, drive or not";
        port.unplugged = true;
        EXPECT_EQ(job.Tick(), TransferStateType::Copying)
            << "the drive is asked whether it is there";
        EXPECT_EQ(job.Tick(), TransferStateType::Unplugged);
        EXPECT_FALSE(job.Running());
        EXPECT_TRUE(FilesInFolder().isEmpty());
        ASSERT_EQ(ui.Messages().size(), 1u);
        EXPECT_TRUE(ui.Messages()[0].text.contains(u"débranché pendant le téléchargement"_qs));
        EXPECT_EQ(port.busy, QList<bool>({true, false}));
    }
}

TEST_F(Download, DroppedJobRemovesItsUnfinishedFile) {
    port.memoryUsed = 100000;
    port.record = RecordImage(HeaderText(), 256, 131072);
    {
        DownloadJob job(port, ui, settings, clock);
        ASSERT_TRUE(job.Begin(folder.path()));
        job.Tick();
        job.Tick();
    }
    EXPECT_TRUE(FilesInFolder().isEmpty());
    EXPECT_EQ(port.busy, QList<bool>({true, false}));
}

TEST_F(Download, ParameterStepOffersRememberedValuesAndRemembersTheNewOnes) {
    port.state.status.recordingState = QStringLiteral("1");
    port.record = RecordImage(HeaderText(), 256, 2048);

    DownloadJob firstJob(port, ui, settings, clock);
    ASSERT_TRUE(firstJob.Begin(folder.path()));
    ASSERT_EQ(RunToEnd(firstJob), TransferStateType::Finished);
    QString offeredName;
    ASSERT_TRUE(firstJob.CompleteParameters([&](SessionParamsEditModel& m) {
        offeredName = m.Text(SessionParamsFieldType::InstrumentName);
        EXPECT_EQ(m.Text(SessionParamsFieldType::HighScale), u"100"_qs) << "from the logger header";
        EXPECT_EQ(FormatDateTimeText(m.CorrectedStart()), u"2024/03/05 14:08:11"_qs);
        m.SetText(SessionParamsFieldType::InstrumentName, QStringLiteral("Chaudière"));
        m.SetText(SessionParamsFieldType::Location, QStringLiteral("Sous-sol"));
        return true;
    }));
    EXPECT_EQ(offeredName, u"Modèle VX20 (4-20 mAdc)"_qs);
    EXPECT_EQ(settings.GetInt(QStringLiteral("VX_0004_E-1"), QStringLiteral("Type"), -1), 4);
    EXPECT_EQ(settings.GetString(QStringLiteral("VX_0004_E-1"), QStringLiteral("Location"), {}),
              u"Sous-sol"_qs);

    const auto session = ReadImage(ReadAll(firstJob.SessionFilePath()));
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(session->InstrumentName(), u"Chaudière"_qs);
    EXPECT_EQ(session->Location(), u"Sous-sol"_qs);
    EXPECT_TRUE(session->RecordingInProgress());
    EXPECT_FLOAT_EQ(session->HighScale(), 100.0f);

    DownloadJob secondJob(port, ui, settings, clock);
    ASSERT_TRUE(secondJob.Begin(folder.path()));
    ASSERT_EQ(RunToEnd(secondJob), TransferStateType::Finished);
    QString offeredLocation;
    EXPECT_FALSE(secondJob.CompleteParameters([&](SessionParamsEditModel& m) {
        offeredName = m.Text(SessionParamsFieldType::InstrumentName);
        offeredLocation = m.Text(SessionParamsFieldType::Location);
        return false;
    }));
    EXPECT_EQ(offeredName, u"Chaudière"_qs);
    EXPECT_EQ(offeredLocation, u"Sous-sol"_qs);
    EXPECT_TRUE(secondJob.SessionFilePath().isEmpty()) << "a cancelled step opens no session";
    const auto kept = ReadImage(ReadAll(secondJob.FilePath()));
    ASSERT_NE(kept, nullptr) << "the copy stays on the disk, readable";
    EXPECT_FLOAT_EQ(kept->HighScale(), 100.0f);
    EXPECT_EQ(FilesInFolder().size(), 2);
}

// After a device change no byte is trusted before the drive has shown the same logger again: its
// own serial number lets the copy go on, another one ends it with no file left.
TEST_F(Download, AfterADeviceChangeTheDriveMustStillBeTheSameLogger) {
    port.memoryUsed = 100000;
    port.record = RecordImage(HeaderText(), 256, 131072);
    for (const QByteArray& serial : {QByteArray("E-1"), QByteArray("E-2")}) {
        SCOPED_TRACE(serial.toStdString());
        ui.Forget();
        port.serial = "E-1";
        port.reads.clear();
        DownloadJob job(port, ui, settings, clock);
        ASSERT_TRUE(job.Begin(folder.path()));
        job.Tick();
        job.Tick();
        ASSERT_EQ(job.Transfer()->Done(), 32768);
        port.serial = serial;
        ++port.deviceChanges;
        EXPECT_EQ(job.Tick(), TransferStateType::Copying) << "the drive's presence";
        if (serial == "E-1") {
            EXPECT_EQ(RunToEnd(job), TransferStateType::Finished);
            EXPECT_TRUE(ui.Messages().empty());
            continue;
        }
        EXPECT_EQ(job.Tick(), TransferStateType::Replaced);
        EXPECT_EQ(port.reads.size(), 1) << "nothing read from the other logger";
        EXPECT_FALSE(job.Running());
        ASSERT_EQ(ui.Messages().size(), 1u);
        EXPECT_EQ(ui.Messages()[0].text,
                  u"Un autre instrument (n° de série E-2) a pris la place de l’instrument n° E-1 "
                  u"pendant le téléchargement : le fichier incomplet a été supprimé."_qs);
        EXPECT_TRUE(FilesInFolder().isEmpty());
    }
}

// RECORD.VX that ends before the memory the status announces: kept as far as it goes, and told.
TEST_F(Download, AShortRecordIsKeptAsFarAsItGoesAndToldIncomplete) {
    port.memoryUsed = 100000;
    port.record = RecordImage(HeaderText(), 256, 40000);
    DownloadJob job(port, ui, settings, clock);
    ASSERT_TRUE(job.Begin(folder.path()));
    ASSERT_EQ(RunToEnd(job), TransferStateType::Finished);
    // The short read is followed by one for the rest, from its last whole sector; nothing comes.
    EXPECT_EQ(port.reads, QStringList({"0+32768", "32768+32768", "39936+32768"}));
    EXPECT_TRUE(job.Transfer()->Incomplete());
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text,
              u"L’enregistrement est incomplet : l’instrument n’a fourni que 40000 octets sur les "
              u"100000 annoncés."_qs);
    ASSERT_TRUE(job.CompleteParameters(kAcceptAsShown));
    const QByteArray file = ReadAll(job.SessionFilePath());
    ASSERT_EQ(file.size(), 256 + 2560 + (40000 - 256));
    EXPECT_EQ(file.mid(256 + 2560), port.record.mid(256));
}

TEST_F(Download, ARecordEndingAtTheUsedBytesIsCompleteOneByteLessIsNot) {
    for (const int size : {700, 699}) {
        SCOPED_TRACE(size);
        ScriptedUserInterface told;
        port.memoryUsed = 700;
        port.record = RecordImage(HeaderText(), 256, size);
        DownloadJob job(port, told, settings, clock);
        ASSERT_TRUE(job.Begin(folder.path()));
        ASSERT_EQ(RunToEnd(job), TransferStateType::Finished);
        EXPECT_EQ(job.Transfer()->Incomplete(), size < 700);
        EXPECT_EQ(told.Messages().size(), size < 700 ? 1u : 0u);
        ASSERT_TRUE(job.CompleteParameters(kAcceptAsShown));
        EXPECT_EQ(ReadAll(job.SessionFilePath()).size(), 256 + 2560 + (size - 256));
    }
}
