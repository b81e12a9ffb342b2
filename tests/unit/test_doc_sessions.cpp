#include "core/common/FileNames.h"
#include "core/doc/CVexloDoc.h"
#include "core/session/CLoadFile.h"
#include "core/session/SessionFile.h"
#include "sim/ManualClock.h"
#include "support/FakeDriveBackend.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedUserInterface.h"
#include "support/SessionFilesFixture.h"
#include "support/SessionImageBuilder.h"
#include "support/SessionTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

using Kind = ScriptedUserInterface::KindType;

std::vector<int16_t> Ramp(int n) {
    std::vector<int16_t> v;
    for (int i = 0; i < n; ++i)
        v.push_back(static_cast<int16_t>(i % 2000));
    return v;
}

QByteArray LoggerImage(int samples = 300) {
    SessionImageBuilder b;
    b.Samples(Ramp(samples));
    return b.Build();
}

QByteArray ControlPanelImage(const QString& sessionName, int samples = 300) {
    SessionImageBuilder b;
    b.ParameterText(u"RecordingInProgress=0\r\nInstName=Four\r\nSessionName="_qs + sessionName +
                    u"\r\nLocation=Atelier\r\nHeader=\r\nFooter=\r\nComments=\r\n"
                    u"CorrectedStartTime=2024/03/05 14:07:09\r\nCh1LowScale=00000000\r\n"
                    u"Ch1HighScale=00002041\r\nCh1Units=\r\nTC_Type=J\r\nEnableCJC=0\r\n"
                    u"Polarity=1\r\nFilterSize=1\r\n"_qs)
        .Samples(Ramp(samples));
    return b.Build();
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class HintRecorder final : public DocObserver {
public:
    explicit HintRecorder(const CVexloDoc& doc) : doc_(doc) {}
    void OnDocumentUpdate(UpdateHintType hint) override {
        hints.push_back(hint);
        if (hint == UpdateHintType::ShowSession || hint == UpdateHintType::SessionRemoved)
            numbers.push_back(doc_.HintSession());
    }
    std::vector<UpdateHintType> hints;
    std::vector<uint32_t> numbers;

private:
    const CVexloDoc& doc_;
};

class DocSessions : public SessionFilesFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        doc_.SetDataFolder(dir_.filePath(u"Vexlo/DataFiles"_qs));
        doc_.AddObserver(&hints_);
    }

    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    CRecSession& Open(const QString& path, bool temporary = false) {
        EXPECT_TRUE(doc_.OpenSessionFile(path, temporary));
        return *doc_.Sessions().back();
    }

    HintRecorder hints_{doc_};
};

TEST_F(DocSessions, OpeningTheSamePathTwiceShowsTheFirstSession) {
    const QString path = Write(u"Four.vx"_qs, ControlPanelImage(u"Four"_qs));
    const CRecSession& first = Open(path);
    EXPECT_EQ(hints_.hints,
              (std::vector{UpdateHintType::SessionAdded, UpdateHintType::ShowSession}));

    hints_.hints.clear();
    EXPECT_TRUE(
        doc_.OpenSessionFile(path.toUpper().replace(dir_.path().toUpper(), dir_.path()), false));
    ASSERT_EQ(doc_.Sessions().size(), 1u);
    EXPECT_EQ(hints_.hints, std::vector{UpdateHintType::ShowSession});
    EXPECT_EQ(hints_.numbers.back(), first.Number());
    EXPECT_EQ(doc_.RecentFiles(), QStringList{path});
    EXPECT_TRUE(ui_.Events().size() == 1u && ui_.Events()[0].kind == Kind::Job)
        << "one read, and no message";
}

TEST_F(DocSessions, EveryDownloadOpensItsOwnSession) {
    const QString path = Write(u"Download.vx"_qs, ControlPanelImage(u"D"_qs));
    const CRecSession& a = Open(path, true);
    const CRecSession& b = Open(path, true);
    ASSERT_EQ(doc_.Sessions().size(), 2u);
    EXPECT_NE(a.Number(), b.Number());
    EXPECT_TRUE(a.IsTemporary() && b.IsTemporary());
    EXPECT_TRUE(doc_.RecentFiles().isEmpty()) << "downloads are not recent files";

    // Numbers are never given twice, even once a session has gone.
    const uint32_t last = b.Number();
    doc_.RemoveSession(last);
    EXPECT_EQ(doc_.FindSession(last), nullptr);
    EXPECT_GT(Open(path, true).Number(), last);
}

TEST_F(DocSessions, RefusedFilesLeaveNoSession) {
    QByteArray noAppName(512, '\0');
    noAppName.replace(0, 12, "GenBy=Inst\r\n");
    SessionImageBuilder otherProgram;
    otherProgram.Set("AppName", "Autre.exe");
    const struct {
        QString name;
        QByteArray bytes;
        QString message;
    } cases[] = {
        {u"short.vx"_qs, QByteArray(511, 'A'),
         u"Le fichier « %1 » ne contient aucune donnée utilisable."_qs},
        {u"empty.vx"_qs, noAppName, u"Le fichier « %1 » ne contient aucune donnée."_qs},
        {u"other.vx"_qs, otherProgram.Build(),
         u"Le fichier « %1 » n’est pas pris en charge par ce programme.\nIl est supporté par Autre.exe."_qs},
    };
    for (const auto& c : cases) {
        ui_.Forget();
        const QString path = Write(c.name, c.bytes);
        EXPECT_FALSE(doc_.OpenSessionFile(path, false)) << c.name.toStdString();
        ASSERT_EQ(ui_.Messages().size(), 1u) << c.name.toStdString();
        EXPECT_EQ(ui_.Messages()[0].text, c.message.arg(path));
        EXPECT_EQ(ui_.Messages()[0].icon, MessageIconType::Error);
    }
    ui_.Forget();
    const QString absent = dir_.filePath(u"absent.vx"_qs);
    EXPECT_FALSE(doc_.OpenSessionFile(absent, false));
    EXPECT_EQ(ui_.Messages().at(0).text,
              u"Impossible d’ouvrir le fichier source "_qs + absent + u" pour la lecture."_qs);
    EXPECT_TRUE(doc_.Sessions().empty());
    EXPECT_TRUE(hints_.hints.empty());
}

TEST_F(DocSessions, CancelledLoadEndsQuietly) {
    const QString path = Write(u"big.vx"_qs, LoggerImage(100000));
    ui_.CancelJobAfter(1);
    EXPECT_FALSE(doc_.OpenSessionFile(path, false));
    EXPECT_TRUE(ui_.Messages().empty());
    EXPECT_TRUE(doc_.Sessions().empty());
}

TEST(LoadFile, ReadsInBoundedChunksWithProgress) {
    QTemporaryDir dir;
    QFile file(dir.filePath(u"f.bin"_qs));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes(200000, '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    file.write(bytes);
    file.seek(0);

    QByteArray buffer(200192, '\0');
    CLoadFile load(file, buffer, file.size());
    EXPECT_EQ(load.Title(), u"Charger le fichier "_qs + file.fileName());
    std::vector<StepProgress> steps;
    do
        steps.push_back(load.Step());
    while (steps.back().state == JobStateType::Running);
    EXPECT_EQ(load.ReadCount(), 4) << "3 × 65536 and 3392";
    EXPECT_EQ(steps.back().state, JobStateType::Done);
    EXPECT_EQ(steps.back().percent, 100);
    EXPECT_EQ(steps[0].percent, 32);
    EXPECT_EQ(buffer.left(200000), bytes);

    // A file that is shorter than announced ends at its last byte.
    file.seek(0);
    QByteArray big(300000, '\0');
    CLoadFile shrunk(file, big, 300000);
    while (shrunk.Step().state == JobStateType::Running) {
    }
    EXPECT_EQ(shrunk.BytesRead(), 200000);
}

TEST_F(DocSessions, ClosingAModifiedSessionFollowsTheAnswer) {
    const QString path = Write(u"Four.vx"_qs, ControlPanelImage(u"Four"_qs));
    CRecSession& s = Open(path);
    s.SetComments(u"revu"_qs);
    s.SetModified(true);

    ui_.Answer(AnswerType::Cancel);
    EXPECT_FALSE(doc_.CloseSession(s));
    ASSERT_EQ(doc_.Sessions().size(), 1u);
    EXPECT_EQ(ui_.EventsOf(Kind::YesNoCancel).at(0).text,
              u"La session \"Four\" a été modifiée. Voulez-vous l’enregistrer?"_qs);

    ui_.Answer(AnswerType::Yes);
    const uint32_t number = s.Number();
    EXPECT_TRUE(doc_.CloseSession(s));
    EXPECT_TRUE(doc_.Sessions().empty());
    EXPECT_EQ(hints_.hints.back(), UpdateHintType::SessionRemoved);
    EXPECT_EQ(hints_.numbers.back(), number);
    const auto saved = ReadImage(ReadAll(path));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->Comments(), u"revu"_qs) << "parameter block rewritten in place";
    EXPECT_TRUE(ui_.EventsOf(Kind::SavePath).empty());

    CRecSession& again = Open(path);
    again.SetModified(true);
    ui_.Answer(AnswerType::No);
    EXPECT_TRUE(doc_.CloseSession(again));
    EXPECT_TRUE(QFile::exists(path)) << "only downloads are deleted";
}

TEST_F(DocSessions, ClosingADownloadWithoutSavingDeletesItsFile) {
    const QString path = Write(u"Download.vx"_qs, ControlPanelImage(u"D"_qs));
    CRecSession& s = Open(path, true);
    ui_.Answer(AnswerType::No);
    EXPECT_TRUE(doc_.CloseSession(s));
    EXPECT_EQ(ui_.EventsOf(Kind::YesNoCancel).size(), 1u) << "asked although nothing was edited";
    EXPECT_FALSE(QFile::exists(path));

    // Cancelling the path dialog cancels the close and keeps the file.
    const QString path2 = Write(u"Download2.vx"_qs, ControlPanelImage(u"E"_qs));
    CRecSession& t = Open(path2, true);
    ui_.Answer(AnswerType::Yes);
    EXPECT_FALSE(doc_.CloseSession(t));
    EXPECT_TRUE(QFile::exists(path2));
    EXPECT_EQ(doc_.Sessions().size(), 1u);
}

TEST_F(DocSessions, ClosingACleanSessionAsksNothing) {
    CRecSession& s = Open(Write(u"Four.vx"_qs, ControlPanelImage(u"Four"_qs)));
    EXPECT_TRUE(doc_.CloseSession(s));
    EXPECT_TRUE(ui_.EventsOf(Kind::YesNoCancel).empty());
    EXPECT_TRUE(doc_.Sessions().empty());
}

TEST_F(DocSessions, ProgramCloseStopsAtCancelAndKeepsEveryFile) {
    const QString download = Write(u"Download.vx"_qs, ControlPanelImage(u"D"_qs));
    Open(download, true);
    Open(Write(u"Logger.vx"_qs, LoggerImage())); // a logger file is always unsaved
    Open(Write(u"Clean.vx"_qs, ControlPanelImage(u"C"_qs)));
    Open(Write(u"Edited.vx"_qs, ControlPanelImage(u"E"_qs))).SetModified(true);

    ui_.Answer(AnswerType::No).Answer(AnswerType::Cancel);
    EXPECT_FALSE(doc_.QueryCloseAll());
    EXPECT_EQ(ui_.EventsOf(Kind::YesNoCancel).size(), 2u) << "stops at once";
    EXPECT_TRUE(QFile::exists(download)) << "the program stays open with that session";

    ui_.Forget();
    ui_.Answer(AnswerType::No).Answer(AnswerType::No).Answer(AnswerType::No);
    EXPECT_TRUE(doc_.QueryCloseAll());
    EXPECT_EQ(ui_.EventsOf(Kind::YesNoCancel).size(), 3u) << "the clean session is not asked about";
    EXPECT_FALSE(QFile::exists(download));
}

TEST_F(DocSessions, SavePathProposalAndFileExistsChoice) {
    CRecSession& s = Open(Write(u"Four.vx"_qs, ControlPanelImage(u"Four: a/b"_qs)));
    const QString folder = dir_.filePath(u"Vexlo/DataFiles"_qs);
    EXPECT_FALSE(doc_.ChooseSavePath(s, false).Chosen());
    EXPECT_TRUE(QDir(folder).exists()) << "the folders are made before asking";
    QString name = u"Four: a/b"_qs;
    MakeSafeName(name);
    EXPECT_EQ(ui_.LastSaveRequest().proposal, folder + u'/' + name + u".vx"_qs);
    EXPECT_EQ(ui_.LastSaveRequest().filter, u"Fichiers Vexlo (*.vx)|*.vx||"_qs);
    EXPECT_EQ(ui_.LastSaveRequest().defaultExtension, u"vx"_qs);

    const QString existing = Write(u"Existing.vx"_qs, "ancien");
    ui_.SavePath(existing).FileExists(FileExistsChoiceType::SelectOther);
    ui_.SavePath(existing).FileExists(FileExistsChoiceType::Replace);
    const SavePathChoice chosen = doc_.ChooseSavePath(s, false);
    EXPECT_EQ(chosen.path, existing);
    EXPECT_EQ(ui_.EventsOf(Kind::FileExists).at(0).text,
              u"Le fichier « "_qs + existing + u" » existe déjà."_qs);
    EXPECT_EQ(ReadAll(existing), "ancien") << "nothing is cut before the session is written";

    const QString fresh = dir_.filePath(u"Fresh.vx"_qs);
    ui_.SavePath(fresh);
    EXPECT_EQ(doc_.ChooseSavePath(s, false).path, fresh);
    EXPECT_FALSE(QFile::exists(fresh)) << "no empty file is left behind";
}

// Makes every write beyond `bytes` fail, as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

TEST_F(DocSessions, AFailedSaveLeavesTheOldFileWhole) {
    const QString target = Write(u"Target.vx"_qs, ControlPanelImage(u"Old"_qs));
    const QByteArray before = ReadAll(target);
    CRecSession& s = Open(Write(u"Logger.vx"_qs, LoggerImage(20000)));
    ASSERT_GT(s.DataCopy().size(), 16384);
    bool written = true;
    {
        const FileSizeLimit limit(16384);
        written = doc_.WriteSessionTo(target, s);
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadAll(target), before);
    EXPECT_TRUE(s.IsModified() && s.IsInstrumentFile()) << "still to be saved";
    ASSERT_EQ(ui_.Messages().size(), 1u);
    EXPECT_EQ(ui_.Messages()[0].text, u"Impossible d’ouvrir le fichier de destination "_qs +
                                          target + u" pour l’écriture."_qs);
    EXPECT_EQ(ui_.Messages()[0].icon, MessageIconType::Error);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files).size(), 2) << "no stray temporary file";
}

TEST_F(DocSessions, ALoggerFileSavedWholeIsThenRewrittenInPlace) {
    CRecSession& s = Open(Write(u"Logger.vx"_qs, LoggerImage()));
    EXPECT_FALSE(doc_.CanSaveSession(s)) << "a logger file has no parameter block to rewrite";
    const QString saved = dir_.filePath(u"Saved.vx"_qs);
    ui_.SavePath(saved);
    ASSERT_TRUE(doc_.SaveSessionAsCommand(s));
    EXPECT_EQ(s.Path(), saved);
    EXPECT_FALSE(s.IsInstrumentFile() || s.IsModified() || s.IsTemporary());
    EXPECT_EQ(doc_.PathName(), saved);
    const qint64 size = QFileInfo(saved).size();

    s.SetComments(u"après"_qs);
    s.SetModified(true);
    ASSERT_TRUE(doc_.SaveSession(s));
    EXPECT_EQ(QFileInfo(saved).size(), size);
    EXPECT_EQ(ReadImage(ReadAll(saved))->Comments(), u"après"_qs);
    EXPECT_FALSE(s.IsModified());
}

TEST_F(DocSessions, SavingASessionWhoseFileWentAwayReportsIt) {
    const QString path = Write(u"Four.vx"_qs, ControlPanelImage(u"Four"_qs));
    CRecSession& s = Open(path);
    s.SetModified(true);
    const QString message =
        u"Impossible d’ouvrir le fichier source "_qs + path + u" pour la lecture."_qs;

    QFile::remove(path);
    EXPECT_FALSE(doc_.SaveSession(s));
    EXPECT_EQ(ui_.Messages().at(0).text, message);
    EXPECT_TRUE(s.IsModified());
    EXPECT_FALSE(QFile::exists(path)) << "not made anew";

    // Another file under that name is not written into.
    Write(u"Four.vx"_qs, LoggerImage(2000));
    const QByteArray other = ReadAll(path);
    EXPECT_FALSE(doc_.SaveSession(s));
    EXPECT_EQ(ReadAll(path), other);
    EXPECT_EQ(ui_.Messages().size(), 2u);
    EXPECT_TRUE(s.IsModified());
}

TEST_F(DocSessions, SavingADownloadElsewhereDeletesTheDownload) {
    const QString download = Write(u"Download.vx"_qs, ControlPanelImage(u"D"_qs));
    CRecSession& s = Open(download, true);
    const QString kept = dir_.filePath(u"Kept.vx"_qs);
    ASSERT_TRUE(doc_.SaveSessionAs(kept, s, false));
    EXPECT_FALSE(QFile::exists(download));
    EXPECT_TRUE(QFile::exists(kept));
    EXPECT_FALSE(s.IsTemporary());
}

} // namespace

TEST_F(DocSessions, RecentFilesKeepTheLastFourAndOutliveTheDocument) {
    for (int i = 0; i < 5; ++i)
        Open(Write(QStringLiteral("s%1.vx").arg(i),
                   ControlPanelImage(QStringLiteral("S%1").arg(i))));
    // Asking again for an open file only shows it.
    EXPECT_TRUE(doc_.OpenSessionFile(dir_.filePath(u"s2.vx"_qs), false));
    const QStringList expected{dir_.filePath(u"s4.vx"_qs), dir_.filePath(u"s3.vx"_qs),
                               dir_.filePath(u"s2.vx"_qs), dir_.filePath(u"s1.vx"_qs)};
    EXPECT_EQ(doc_.RecentFiles(), expected);
    // Downloads are not offered again.
    Open(Write(u"download.vx"_qs, LoggerImage()), true);
    EXPECT_EQ(doc_.RecentFiles(), expected);

    const CVexloDoc later(settings_, drives_, clock_, ui_);
    EXPECT_EQ(later.RecentFiles(), expected);
}

TEST_F(DocSessions, OptionsAndColoursReachTheViewsOnlyWhenDrawingChanges) {
    hints_.hints.clear();
    EXPECT_TRUE(doc_.EditOptions([](OptionsModel& m) {
        m.SetCheckSoftware(false);
        return true;
    }));
    EXPECT_TRUE(hints_.hints.empty());
    EXPECT_FALSE(doc_.Options().checkSoftware);

    EXPECT_TRUE(doc_.EditOptions([](OptionsModel& m) {
        m.SetTemperatureUnitIndex(0);
        return true;
    }));
    EXPECT_EQ(hints_.hints, std::vector<UpdateHintType>{UpdateHintType::DisplaySettings});
    EXPECT_FALSE(doc_.UseFahrenheit());
    EXPECT_EQ(settings_.GetInt(u"Settings"_qs, u"TempUnits"_qs, -1), 0);

    // Cancelled: nothing changes, nothing is stored.
    hints_.hints.clear();
    EXPECT_FALSE(doc_.EditColours([](TraceColorsDlgModel& m) {
        m.Choose(0, 0x00FF00);
        return false;
    }));
    EXPECT_EQ(doc_.Colours().voltage, 0u);
    EXPECT_TRUE(hints_.hints.empty());

    EXPECT_TRUE(doc_.EditColours([](TraceColorsDlgModel& m) {
        m.Choose(0, 0x00FF00);
        return true;
    }));
    EXPECT_EQ(doc_.Colours().voltage, 0x00FF00u);
    EXPECT_EQ(settings_.GetInt(u"Colors"_qs, u"DisplayColorV"_qs, -1), 0x00FF00);
    EXPECT_EQ(hints_.hints, std::vector<UpdateHintType>{UpdateHintType::Colours});
}
