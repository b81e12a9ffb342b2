// The instrument commands of vexlo-cli against an emulated logger served in a folder, against
// folders whose logger files the test writes itself, and against the in-process emulator.
#include "core/common/CalendarDateTime.h"
#include "core/instrument/ControlBlock.h"
#include "core/session/CRecSession.h"
#include "core/session/SessionFile.h"
#include "sim/SignalModel.h"
#include "support/CliProcess.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimeZone>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

struct CliText {
    int status = -1;
    QString out;
    QString err;
};

void WriteWhole(const QString& path, const QByteArray& bytes) {
    QFile f(path + u".tmp"_qs);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    ASSERT_TRUE(QFile::rename(f.fileName(), path) ||
                (QFile::remove(path) && QFile::rename(f.fileName(), path)));
}

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A 10 Vdc logger whose drive texts the test writes, its clock ticking so that the program
// keeps it connected. Its mailbox is a plain file: what was written last stays there to see.
class HandWrittenLogger {
public:
    struct State {
        int memUsed = 0;
        int memErase = 0;
        int recording = 0;
    };

    HandWrittenLogger(const QString& folder, State state) : folder_(folder), state_(state) {
        WriteWhole(folder_ + u"/CONFIG.INI"_qs,
                   "Chan1LowScale=00000000\r\nChan1HighScale=00002041\r\nChan1Units=Vdc\r\n"
                   "TC_Type=K\r\nEnableCJC=1\r\nPolarity=1\r\nFilterSize=1\r\n");
        WriteWhole(Mailbox(), QByteArray(512, '\0'));
        WriteWhole(folder_ + u"/RECORD.VX"_qs, "AppName=VX.exe\r\nGenBy=Inst\r\nModel=2\r\n");
        WriteStatus(0);
        ticker_ = std::thread([this] {
            for (int s = 1; s < 3000 && !stop_; ++s) {
                std::this_thread::sleep_for(100ms);
                WriteStatus(s);
            }
        });
    }
    ~HandWrittenLogger() {
        stop_ = true;
        ticker_.join();
    }

    QString Mailbox() const { return folder_ + u"/CONTROL.DAT"_qs; }
    // As a logger that stops answering: its recording can no longer be read.
    void LoseRecording() const { QFile::remove(folder_ + u"/RECORD.VX"_qs); }
    bool MailboxUntouched() const { return FileBytes(Mailbox()) == QByteArray(512, '\0'); }
    // The code of the last block written to the mailbox.
    int LastCode() const { return static_cast<unsigned char>(FileBytes(Mailbox()).at(2)); }

private:
    void WriteStatus(int second) {
        const QByteArray time = QStringLiteral("2025/01/02 03:%1:%2")
                                    .arg(second / 60 % 60, 2, 10, QChar(u'0'))
                                    .arg(second % 60, 2, 10, QChar(u'0'))
                                    .toLatin1();
        WriteWhole(folder_ + u"/STATUS.INI"_qs,
                   "Model=2\r\nSerNum=F-1\r\nVersion=3.02\r\nMemSize=2048000\r\nMemUsed=" +
                       QByteArray::number(state_.memUsed) +
                       "\r\nMemErase=" + QByteArray::number(state_.memErase) +
                       "\r\nRecordingState=" + QByteArray::number(state_.recording) +
                       "\r\nRecDur=0\r\nTime=" + time +
                       "\r\nVRef=2.5\r\nMaxCnt=32768\r\nChan1Mult=5\r\nChan1Cnt=1000\r\n"
                       "BatCnt=1000\r\nCodePageSize=256\r\nNumCodePages=4096\r\n");
    }

    QString folder_;
    State state_;
    std::atomic<bool> stop_ = false;
    std::thread ticker_;
};

// A terminal for the program's standard input, typed into by the test.
class Terminal {
public:
    Terminal() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0)
            name_ = QString::fromLocal8Bit(::ptsname(master_));
        // Held open here so that typed answers wait in the terminal until they are read.
        if (!name_.isEmpty())
            slave_ = ::open(name_.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    }
    ~Terminal() {
        if (slave_ >= 0)
            ::close(slave_);
        if (master_ >= 0)
            ::close(master_);
    }
    bool Valid() const { return slave_ >= 0; }
    const QString& Name() const { return name_; }
    void Type(const QByteArray& keys) const {
        ASSERT_EQ(::write(master_, keys.constData(), static_cast<std::size_t>(keys.size())),
                  keys.size());
    }

private:
    int master_ = -1;
    int slave_ = -1;
    QString name_;
};

class CliLoggerTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString Folder(const QString& name) {
        QDir(dir_.path()).mkpath(name);
        return dir_.filePath(name);
    }

    void Start(QProcess& p, const QStringList& args, const QStringList& drives,
               const QString& input = QString()) {
        p.setProcessEnvironment(CliEnvironment({dir_.path(), drives}));
        if (!input.isEmpty())
            p.setStandardInputFile(input);
        p.start(QStringLiteral(VEXLO_CLI), args);
    }

    CliText Cli(const QStringList& args, const QStringList& drives = {},
                const QString& input = QString()) {
        QProcess p;
        Start(p, args, drives, input);
        p.waitForFinished(90000);
        CliText r;
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
        r.err = QString::fromLocal8Bit(p.readAllStandardError());
        return r;
    }

    static QString Row(const CliText& status, const QString& label) {
        const QJsonObject o = QJsonDocument::fromJson(status.out.toUtf8()).object();
        for (const QJsonValue& row : o[u"rows"_qs].toArray())
            if (row.toObject()[u"label"_qs].toString() == label)
                return row.toObject()[u"value"_qs].toString();
        return u"<absent>"_qs;
    }

    QTemporaryDir dir_;
};

// The emulator serving a folder at `speed` times real time.
class ServedLogger {
public:
    ServedLogger(const QString& folder, int model, const QString& serial, double speed) {
        process_.start(QStringLiteral(VEXLO_SIM),
                       {u"serve"_qs, folder, u"--model"_qs, QString::number(model), u"--serial"_qs,
                        serial, u"--speed"_qs, QString::number(speed)});
        started_ = process_.waitForStarted();
        for (int i = 0; i < 250 && !QFile::exists(folder + u"/STATUS.INI"_qs); ++i)
            std::this_thread::sleep_for(20ms);
    }
    ~ServedLogger() { Stop(); }
    bool Started() const { return started_; }
    // What it printed: one line per command block received.
    QString Stop() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            process_.waitForFinished(5000);
        }
        log_ += QString::fromLocal8Bit(process_.readAllStandardOutput());
        return log_;
    }

private:
    QProcess process_;
    bool started_ = false;
    QString log_;
};

QStringList ReceivedCommands(const QString& log) {
    QStringList codes;
    const QRegularExpression line(u"^commande 0x([0-9A-F]{2}) \\S+(.*)$"_qs,
                                  QRegularExpression::MultilineOption);
    for (auto it = line.globalMatch(log); it.hasNext();) {
        const auto m = it.next();
        codes << m.captured(1) + (m.captured(2).isEmpty() ? QString() : u"!"_qs);
    }
    return codes;
}

// What the session holds against what the emulated logger measured: each raw count is the
// signal at its sample's instrument time, and each value that count filtered and scaled.
void ExpectValuesOfTheSignal(const CRecSession& s, const SignalModel& signal, double low,
                             double high, int filter) {
    ASSERT_TRUE(s.ChanData().HasRecord());
    const CChanRecord& record = s.ChanData().FirstRecord();
    const std::vector<int32_t>& raw = record.RawCounts();
    const ValueView values = record.Values();
    ASSERT_GT(raw.size(), 30u) << "a few seconds of fast time record more than this";
    ASSERT_EQ(values.size(), raw.size() - static_cast<std::size_t>(filter - 1));

    const qint64 startMs = qint64{InstrumentTimeValue(s.CorrectedStart())} * 1000;
    for (std::size_t k = 0; k < raw.size(); ++k)
        ASSERT_EQ(raw[k], signal.ChannelCount(startMs + static_cast<qint64>(k) * 1000, 0))
            << "sample " << k;

    const double countScale = 5.0 * 2.5 / 32768; // multiplier × reference / full scale
    const double perVolt = (high - low) / 10.0;  // the 0..10 Vdc input onto the scale
    const double resolution = countScale * std::fabs(perVolt);
    for (std::size_t i = 0; i < values.size(); ++i) {
        // Value i averages raw counts k = i .. i + filter - 1, which the emulator took at
        // start + k seconds (it samples at the start of each period).
        const qint64 endMs = startMs + static_cast<qint64>(i + filter - 1) * 1000;
        qint64 sum = 0;
        for (int j = 0; j < filter; ++j)
            sum += signal.ChannelCount(endMs - j * 1000, 0);
        const double expected = static_cast<double>(sum / filter) * countScale * perVolt + low;
        ASSERT_NEAR(values[i], expected, resolution / 4) << "value " << i;
    }
    EXPECT_EQ(s.StartTime(), s.CorrectedStart().ToLocalTimeStamp() + (filter - 1))
        << "values are dated after the delay of their filter window";
}

} // namespace

TEST_F(CliLoggerTest, FromConfigurationToTheDownloadedSessionOfAnEmulatedLogger) {
    const QString drive = Folder(u"VEXLO"_qs);
    ServedLogger sim(drive, 2, u"R-2"_qs, 40);
    ASSERT_TRUE(sim.Started());
    const QStringList drives = {drive};

    // Configure, start at once; the configuration is a run of blocks without any wait.
    CliText r =
        Cli({u"configure"_qs, u"--now"_qs, u"--duration"_qs, u"1h"_qs, u"--low"_qs, u"-5"_qs,
             u"--high"_qs, u"5"_qs, u"--units"_qs, u"Pascal"_qs, u"--filter"_qs, u"3"_qs},
            drives);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(u"Échelle : 0 Vdc = -5 Pasc, 10 Vdc = 5 Pasc"_qs))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(u"pendant 1 heure"_qs)) << r.out.toStdString();

    std::this_thread::sleep_for(1500ms);
    r = Cli({u"status"_qs, u"--json"_qs}, drives);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(Row(r, u"État de l’enregistrement"_qs), u"Enregistrement"_qs);
    EXPECT_EQ(Row(r, u"Unités de voie"_qs), u"Pasc"_qs) << "cut to four characters";
    EXPECT_EQ(Row(r, u"Taille du filtre"_qs), u"3 points"_qs);
    EXPECT_EQ(Row(r, u"Échelle haute"_qs), u"10 Vdc = 5 Pasc"_qs);

    r = Cli({u"record"_qs, u"start"_qs}, drives);
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.err.contains(u"déjà en cours"_qs)) << r.err.toStdString();
    r = Cli({u"configure"_qs, u"--filter"_qs, u"2"_qs}, drives);
    EXPECT_EQ(r.status, 3) << "no configuration while recording";

    r = Cli({u"record"_qs, u"stop"_qs, u"--yes"_qs}, drives);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"Êtes-vous sûr de vouloir arrêter l’enregistrement? oui"_qs))
        << r.err.toStdString();

    const QString out = Folder(u"sessions"_qs);
    r = Cli({u"download"_qs, u"--out"_qs, out, u"--session-name"_qs, u"Route"_qs, u"--location"_qs,
             u"Banc 3"_qs},
            drives);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString path = r.out.trimmed();
    EXPECT_EQ(path, out + u"/Modèle VX12(10 Vdc).vx"_qs);

    CRecSession session;
    QByteArray image;
    ASSERT_TRUE(LoadSessionImage(path, image));
    ASSERT_TRUE(CheckSessionImage(path, image));
    ASSERT_TRUE(ReadSessionImage(session, image, false));
    EXPECT_TRUE(image.contains("GenBy=VXCP"));
    EXPECT_EQ(session.SessionName(), u"Route"_qs);
    EXPECT_EQ(session.Location(), u"Banc 3"_qs);
    EXPECT_EQ(session.InstrumentName(), u"Modèle VX12(10 Vdc)"_qs);
    EXPECT_FALSE(session.RecordingInProgress());
    EXPECT_EQ(session.DisplayUnits(), u"Pasc"_qs);
    EXPECT_EQ(session.FilterSize(), 3);
    EXPECT_FLOAT_EQ(session.LowScale(), -5.0f);
    EXPECT_FLOAT_EQ(session.HighScale(), 5.0f);
    ExpectValuesOfTheSignal(session, SignalModel(2, qHash(u"R-2"_qs)), -5.0, 5.0, 3);

    // The memory in use now refuses a new recording until it is erased.
    r = Cli({u"configure"_qs, u"--now"_qs}, drives);
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.err.contains(u"la mémoire doit être effacée"_qs)) << r.err.toStdString();
    r = Cli({u"erase"_qs, u"--yes"_qs, u"--wait"_qs}, drives);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(u"La mémoire de l’instrument est effacée."_qs))
        << r.out.toStdString();
    r = Cli({u"status"_qs, u"--json"_qs}, drives);
    EXPECT_EQ(Row(r, u"Mémoire utilisée"_qs), u"0 octets"_qs);
    r = Cli({u"download"_qs, u"--out"_qs, out}, drives);
    EXPECT_EQ(r.status, 3) << "nothing left to download";

    // Every block arrived, once and in order, each one acted on.
    EXPECT_EQ(ReceivedCommands(sim.Stop()),
              QStringList({u"06"_qs, u"07"_qs, u"09"_qs, u"08"_qs, u"04"_qs, u"05"_qs, u"02"_qs}));
}

TEST_F(CliLoggerTest, CommandsTheLoggerStateForbidsSendNothing) {
    using State = HandWrittenLogger::State;
    {
        const HandWrittenLogger logger(Folder(u"recording"_qs), State{5000, 0, 1});
        const CliText r = Cli({u"record"_qs, u"start"_qs}, {dir_.filePath(u"recording"_qs)});
        EXPECT_EQ(r.status, 3);
        EXPECT_TRUE(r.err.contains(u"un enregistrement est déjà en cours"_qs))
            << r.err.toStdString();
        EXPECT_TRUE(logger.MailboxUntouched());
        EXPECT_EQ(Cli({u"erase"_qs, u"--yes"_qs}, {dir_.filePath(u"recording"_qs)}).status, 3);
        EXPECT_EQ(Cli({u"clock"_qs, u"set"_qs}, {dir_.filePath(u"recording"_qs)}).status, 3);
        EXPECT_TRUE(logger.MailboxUntouched());
    }
    {
        const QString folder = Folder(u"used"_qs);
        const HandWrittenLogger logger(folder, State{5000, 0, 0});
        CliText r = Cli({u"configure"_qs, u"--now"_qs}, {folder});
        EXPECT_EQ(r.status, 3);
        EXPECT_TRUE(r.err.contains(u"la mémoire doit être effacée"_qs)) << r.err.toStdString();
        r = Cli({u"record"_qs, u"start"_qs}, {folder});
        EXPECT_EQ(r.status, 3);
        EXPECT_TRUE(logger.MailboxUntouched());

        r = Cli({u"erase"_qs}, {folder});
        EXPECT_EQ(r.status, 3) << "no terminal to answer and no --yes";
        EXPECT_TRUE(r.err.contains(u"--yes"_qs)) << r.err.toStdString();
        EXPECT_TRUE(logger.MailboxUntouched());

        // Settings alone are still sent, as the window sends them with its radios disabled.
        r = Cli({u"configure"_qs, u"--filter"_qs, u"2"_qs}, {folder});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(logger.LastCode(), 0x08) << "no recording scheduled after the filter size";
        r = Cli({u"erase"_qs, u"--yes"_qs}, {folder});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(logger.LastCode(), 0x02);
    }
    {
        const QString folder = Folder(u"erasing"_qs);
        const HandWrittenLogger logger(folder, State{5000, 1, 0});
        EXPECT_EQ(Cli({u"configure"_qs, u"--filter"_qs, u"2"_qs}, {folder}).status, 3);
        EXPECT_EQ(Cli({u"download"_qs, u"--out"_qs, Folder(u"out"_qs)}, {folder}).status, 3);
        EXPECT_TRUE(logger.MailboxUntouched());
    }
    const CliText none =
        Cli({u"record"_qs, u"stop"_qs, u"--timeout"_qs, u"1"_qs}, {Folder(u"empty"_qs)});
    EXPECT_EQ(none.status, 3);
    EXPECT_TRUE(none.err.contains(u"aucun instrument Vexlo n’a répondu en 1 secondes"_qs))
        << none.err.toStdString();
}

TEST_F(CliLoggerTest, QuestionsAreAskedOnTheTerminal) {
    const Terminal terminal;
    ASSERT_TRUE(terminal.Valid());
    const QString folder = Folder(u"logger"_qs);
    const HandWrittenLogger logger(folder, {5000, 0, 0});

    terminal.Type("non\n");
    CliText r = Cli({u"erase"_qs}, {folder}, terminal.Name());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(
        r.err.contains(u"Êtes-vous sûr de vouloir effacer la mémoire de l’instrument? [o/n]"_qs))
        << r.err.toStdString();
    EXPECT_TRUE(logger.MailboxUntouched());

    terminal.Type("peut-être\no\n");
    r = Cli({u"erase"_qs}, {folder}, terminal.Name());
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"Répondez o (oui) ou n (non)"_qs)) << r.err.toStdString();
    EXPECT_EQ(logger.LastCode(), 0x02);
}

TEST_F(CliLoggerTest, ValuesTheWindowWouldRefuse) {
    CliText r = Cli({u"configure"_qs, u"--simulate"_qs, u"2"_qs, u"--high"_qs, u"100001"_qs});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(u"Entrez un nombre compris entre -100000 et 100000."_qs))
        << r.err.toStdString();
    // --simulate's logger holds a recording: these need one whose memory is erased.
    const QString empty = Folder(u"empty"_qs);
    const HandWrittenLogger emptyLogger(empty, {});
    r = Cli({u"configure"_qs, u"--now"_qs, u"--duration"_qs, u"6w"_qs}, {empty});
    EXPECT_EQ(r.status, 2) << "six weeks need more than the whole memory";
    EXPECT_TRUE(r.err.contains(u"trop petite"_qs)) << r.err.toStdString();
    r = Cli({u"configure"_qs, u"--simulate"_qs, u"2"_qs, u"--tc"_qs, u"K"_qs});
    EXPECT_EQ(r.status, 2) << "a voltage logger shows no thermocouple group";
    EXPECT_TRUE(r.err.contains(u"n’a pas de thermocouple"_qs)) << r.err.toStdString();
    r = Cli({u"configure"_qs, u"--simulate"_qs, u"5"_qs, u"--filter"_qs, u"4"_qs});
    EXPECT_EQ(r.status, 2) << "a pulse logger has no filter";
    r = Cli({u"configure"_qs, u"--simulate"_qs, u"8"_qs, u"--low"_qs, u"0"_qs});
    EXPECT_EQ(r.status, 2) << "a thermocouple logger has no scale";

    const QString thermocouple = Folder(u"thermocouple"_qs);
    ServedLogger served(thermocouple, 8, u"T-8"_qs, 1);
    ASSERT_TRUE(served.Started());
    r = Cli({u"configure"_qs, u"--tc"_qs, u"J"_qs, u"--cjc"_qs, u"off"_qs, u"--schedule"_qs,
             u"2001/01/01 00:00:00"_qs, u"2001/01/01 00:00:30"_qs},
            {thermocouple});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(u"Enregistrement programmé du "_qs)) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains(u"2001/01/01"_qs))
        << "a start in the past moves to the clock + 60 s";

    for (const QStringList& bad :
         {QStringList{u"configure"_qs, u"--now"_qs, u"--duration"_qs, u"3h"_qs},
          QStringList{u"configure"_qs, u"--duration"_qs, u"1h"_qs},
          QStringList{u"configure"_qs, u"--tc"_qs, u"B"_qs},
          QStringList{u"configure"_qs, u"--filter"_qs, u"11"_qs},
          QStringList{u"configure"_qs, u"--schedule"_qs, u"2025/13/01 00:00:00"_qs, u"x"_qs},
          QStringList{u"record"_qs, u"pause"_qs},
          QStringList{u"clock"_qs, u"set"_qs, u"--sync"_qs, u"2025/01/01 00:00:00"_qs},
          QStringList{u"erase"_qs, u"--out"_qs, u"x"_qs}})
        EXPECT_EQ(Cli(bad).status, 64) << bad.join(u' ').toStdString();

    r = Cli({u"download"_qs}, {empty});
    EXPECT_EQ(r.status, 3) << "an erased logger holds nothing";
    EXPECT_TRUE(r.err.contains(u"L’instrument ne contient aucune donnée."_qs))
        << r.err.toStdString();
}

TEST_F(CliLoggerTest, ClockIsSetToTheGivenTimeOrTheNextWholeSecond) {
    CliText r = Cli({u"clock"_qs, u"set"_qs, u"2024/03/05 14:07:09"_qs, u"--simulate"_qs, u"0"_qs});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, u"Horloge de l’instrument réglée sur 2024/03/05 14:07:09.\n"_qs);

    const qint64 before = QDateTime::currentSecsSinceEpoch();
    r = Cli({u"clock"_qs, u"set"_qs, u"--sync"_qs, u"--simulate"_qs, u"0"_qs});
    const qint64 after = QDateTime::currentSecsSinceEpoch();
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    const QRegularExpressionMatch m =
        QRegularExpression(u"réglée sur (\\S+ \\S+)\\.$"_qs).match(r.out.trimmed());
    ASSERT_TRUE(m.hasMatch()) << r.out.toStdString();
    // The program's local time is Paris time.
    const QDateTime local = QDateTime::fromString(m.captured(1), u"yyyy/MM/dd HH:mm:ss"_qs);
    const QDateTime paris(local.date(), local.time(), QTimeZone(QByteArrayLiteral("Europe/Paris")));
    EXPECT_GT(paris.toSecsSinceEpoch(), before) << "the second after the one the command began in";
    EXPECT_LE(paris.toSecsSinceEpoch(), after);
}

TEST_F(CliLoggerTest, AnInterruptedOrStalledDownloadLeavesNoFileBehind) {
    const QString folder = Folder(u"logger"_qs);
    const HandWrittenLogger logger(folder, {5000, 0, 0});
    logger.LoseRecording();
    const QString out = Folder(u"out"_qs);

    const CliText r = Cli({u"download"_qs, u"--out"_qs, out, u"--timeout"_qs, u"1"_qs}, {folder});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(u"ne répond plus"_qs)) << r.err.toStdString();
    EXPECT_TRUE(QDir(out).isEmpty()) << "the unfinished file is removed";

    QProcess p;
    Start(p, {u"download"_qs, u"--out"_qs, out, u"--timeout"_qs, u"60"_qs}, {folder});
    ASSERT_TRUE(p.waitForStarted());
    for (int i = 0; i < 200 && QDir(out).isEmpty(); ++i)
        std::this_thread::sleep_for(20ms);
    ASSERT_FALSE(QDir(out).isEmpty()) << "the copy has begun";
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitStatus(), QProcess::CrashExit) << "the signal ends it once it has cleaned up";
    EXPECT_TRUE(QDir(out).isEmpty());
}

TEST_F(CliLoggerTest, AnInterruptedQuestionSendsNothing) {
    const Terminal terminal;
    ASSERT_TRUE(terminal.Valid());
    const QString folder = Folder(u"logger"_qs);
    const HandWrittenLogger logger(folder, {5000, 0, 0});
    QProcess p;
    // Ctrl-C as a terminal sends it, even when this test was started with it ignored.
    p.setChildProcessModifier([] { ::signal(SIGINT, SIG_DFL); });
    Start(p, {u"erase"_qs}, {folder}, terminal.Name());
    ASSERT_TRUE(p.waitForStarted());
    QByteArray err;
    for (int i = 0; i < 250 && !err.contains("[o/n]"); ++i) {
        p.waitForReadyRead(20);
        err += p.readAllStandardError();
    }
    ASSERT_TRUE(err.contains("[o/n]")) << err.toStdString();
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitStatus(), QProcess::CrashExit);
    EXPECT_TRUE(logger.MailboxUntouched());
}
