// The files vexlo-cli writes and reads, under one set of rules: a file written beside its
// destination and put in place only once whole, an existing one replaced only with --force and
// never the command's own input, inputs that are not plain files or are larger than their
// format allows refused at once, and texts read from files shown with their control
// characters escaped.
#include "core/app/WebUpdate.h"
#include "core/instrument/RawDump.h"
#include "core/session/SessionFile.h"
#include "support/CliProcess.h"
#include "support/SessionImageBuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const QString kCli = QStringLiteral(VEXLO_CLI);
const QByteArray kKept = "kept as it was";

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A program stuck on an input would be killed by this guard and report -1.
CliRun RunGuarded(const QStringList& args, const CliSetting& setting) {
    QProcess p;
    p.setProcessEnvironment(CliEnvironment(setting));
    p.start(kCli, args);
    CliRun r;
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

class CliFilesTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        session_ = Write(u"session.vx"_qs, SessionImageBuilder().Build());
    }

    QString Path(const QString& name) const { return dir_.filePath(name); }
    QString Write(const QString& name, const QByteArray& bytes) const {
        QFile f(Path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }
    // A file of `size` bytes that takes no room on the disk.
    QString Sparse(const QString& name, qint64 size) const {
        QFile f(Path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        EXPECT_TRUE(f.resize(size));
        return f.fileName();
    }
    QString Fifo(const QString& name) const {
        const QString path = Path(name);
        EXPECT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        return path;
    }
    CliRun Cli(const QStringList& args) const { return RunGuarded(args, CliSetting(dir_.path())); }
    // The session downloaded from an emulated logger with its dump; the dump's path.
    QString DownloadedDump() const {
        const CliRun r = Cli({u"download"_qs, u"--simulate"_qs, u"2"_qs, u"--out"_qs,
                              Path(u"download"_qs), u"--raw-dump"_qs});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        return QString::fromLocal8Bit(r.out).trimmed().split(u'\n').value(1);
    }

    QTemporaryDir dir_;
    QString session_;
};

} // namespace

TEST_F(CliFilesTest, AnExistingFileIsReplacedOnlyWithForce) {
    struct Case {
        QString name;
        QStringList args;
    };
    const QList<Case> cases = {
        {u"plot.png"_qs, {u"plot"_qs, session_, u"--out"_qs}},
        {u"plot.pdf"_qs, {u"plot"_qs, session_, u"--out"_qs}},
        {u"report.pdf"_qs, {u"report"_qs, session_, u"--out"_qs}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const QString out = Path(c.name);
        const CliRun fresh = Cli(c.args + QStringList{out});
        ASSERT_EQ(fresh.status, 0) << fresh.err.toStdString();
        EXPECT_GT(ReadAll(out).size(), 100);

        Write(c.name, kKept);
        const CliRun refused = Cli(c.args + QStringList{out});
        EXPECT_EQ(refused.status, 2);
        EXPECT_TRUE(refused.err.contains(u"existe déjà. --force le remplace."_qs))
            << refused.err.toStdString();
        EXPECT_EQ(ReadAll(out), kKept);

        const CliRun forced = Cli(c.args + QStringList{out, u"--force"_qs});
        EXPECT_EQ(forced.status, 0) << forced.err.toStdString();
        EXPECT_NE(ReadAll(out), kKept);
    }
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files).size(), 4) << "nothing left beside";

    // Only the commands that write a file take it.
    EXPECT_EQ(Cli({u"info"_qs, session_, u"--force"_qs}).status, 64);
    EXPECT_EQ(Cli({u"status"_qs, u"--force"_qs, u"--simulate"_qs, u"2"_qs}).status, 64);
}

TEST_F(CliFilesTest, TheStatusPrintOutKeepsTheSameRule) {
    const QString out = Write(u"status.pdf"_qs, kKept);
    const QStringList status = {u"status"_qs, u"--simulate"_qs, u"2"_qs, u"--out"_qs, out};
    const CliRun refused = Cli(status);
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.err.contains(u"--force le remplace."_qs)) << refused.err.toStdString();
    EXPECT_EQ(ReadAll(out), kKept);
    const CliRun forced = Cli(status + QStringList{u"--force"_qs});
    EXPECT_EQ(forced.status, 0) << forced.err.toStdString();
    EXPECT_TRUE(ReadAll(out).startsWith("%PDF"));
}

TEST_F(CliFilesTest, AFailedWriteLeavesTheDestinationAsItWasAndExitsTwo) {
    // The longest name a folder takes: the file beside it, with its longer name, cannot be
    // made, whatever the rights of whoever runs the tests.
    for (const QString& suffix : {u".png"_qs, u".pdf"_qs}) {
        const QString name = QString(255 - suffix.size(), u'n') + suffix;
        const QString out = Write(name, kKept);
        const CliRun plot = Cli({u"plot"_qs, session_, u"--out"_qs, out, u"--force"_qs});
        EXPECT_EQ(plot.status, 2) << "exit 1 means the user answered no";
        EXPECT_TRUE(plot.err.contains(u"Impossible d’écrire l’image"_qs)) << plot.err.toStdString();
        EXPECT_EQ(ReadAll(out), kKept);
        if (suffix == u".pdf"_qs) {
            const CliRun report = Cli({u"report"_qs, session_, u"--out"_qs, out, u"--force"_qs});
            EXPECT_EQ(report.status, 2);
            EXPECT_TRUE(report.err.contains(u"Impossible d’écrire le fichier PDF"_qs))
                << report.err.toStdString();
            EXPECT_EQ(ReadAll(out), kKept);
        }
        QFile::remove(out);
    }
    // A name one shorter leaves just the room the file beside needs.
    const QString roomy = Path(QString(255 - 4 - 7, u'n') + u".png"_qs);
    EXPECT_EQ(Cli({u"plot"_qs, session_, u"--out"_qs, roomy}).status, 0);

    const CliRun missing = Cli({u"plot"_qs, session_, u"--out"_qs, Path(u"absent/plot.pdf"_qs)});
    EXPECT_EQ(missing.status, 2);
    EXPECT_FALSE(QFileInfo::exists(Path(u"absent"_qs)));
    const CliRun unknown = Cli({u"plot"_qs, session_, u"--out"_qs, Path(u"plot.unknown"_qs)});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_FALSE(QFileInfo::exists(Path(u"plot.unknown"_qs)));
}

TEST_F(CliFilesTest, NoCommandWritesOntoItsOwnInputEvenWithForce) {
    const QByteArray original = ReadAll(session_);
    const QString link = Path(u"link.pdf"_qs);
    ASSERT_TRUE(QFile::link(session_, link));
    const QString relative = QDir(QDir::currentPath()).relativeFilePath(session_);
    const QList<QStringList> commands = {
        {u"report"_qs, session_, u"--out"_qs, session_, u"--force"_qs},
        {u"report"_qs, session_, u"--out"_qs, link, u"--force"_qs},
        {u"plot"_qs, session_, u"--out"_qs, relative, u"--force"_qs},
        {u"plot"_qs, Write(u"other.vx"_qs, original), session_, u"--out"_qs, session_,
         u"--force"_qs},
        {u"export"_qs, session_, session_, u"--force"_qs},
    };
    for (const QStringList& args : commands) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        const CliRun r = Cli(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.err.contains(u"est aussi le fichier lu"_qs)) << r.err.toStdString();
        EXPECT_EQ(ReadAll(session_), original);
    }
}

TEST_F(CliFilesTest, InputsThatAreNoPlainFileAreRefusedWithoutWaiting) {
    const QString fifo = Fifo(u"fifo"_qs);
    for (const QString& input : {fifo, u"/dev/zero"_qs}) {
        const QList<QStringList> commands = {
            {u"info"_qs, input},
            {u"plot"_qs, input, u"--out"_qs, Path(u"plot.png"_qs)},
            {u"report"_qs, input, u"--out"_qs, Path(u"report.pdf"_qs)},
            {u"export"_qs, input, Path(u"out.csv"_qs)},
            {u"replay"_qs, input, u"--out"_qs, Path(u"replay"_qs)},
            {u"flash"_qs, input, u"--simulate"_qs, u"3"_qs},
        };
        for (const QStringList& args : commands) {
            SCOPED_TRACE(args.join(u' ').toStdString());
            const CliRun r = Cli(args);
            EXPECT_EQ(r.status, 2) << "-1: still reading when the guard ended it";
            EXPECT_TRUE(r.err.contains(u"n’est pas un fichier ordinaire"_qs))
                << r.err.toStdString();
        }
    }
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files).size(), 1) << "only the session";
}

TEST_F(CliFilesTest, EachInputIsBoundedByWhatItsFormatCanHold) {
    // The Intel HEX text of the largest image: one byte more is refused before any logger is
    // looked for; exactly the limit is read and found to be no HEX text.
    const qint64 hexLimit = WebUpdate::kMaxFirmwareTextBytes;
    const CliRun atLimit = Cli({u"flash"_qs, Write(u"at.hex"_qs, QByteArray(hexLimit, ':')),
                                u"--simulate"_qs, u"3"_qs, u"--yes"_qs});
    EXPECT_EQ(atLimit.status, 2);
    EXPECT_FALSE(atLimit.err.contains(u"dépasse"_qs)) << atLimit.err.toStdString();
    const CliRun over = Cli({u"flash"_qs, Write(u"over.hex"_qs, QByteArray(hexLimit + 1, ':')),
                             u"--simulate"_qs, u"3"_qs, u"--yes"_qs});
    EXPECT_EQ(over.status, 2);
    EXPECT_TRUE(over.err.contains(u"dépasse %1 octets"_qs.arg(hexLimit))) << over.err.toStdString();

    const CliRun dump = Cli({u"replay"_qs, Sparse(u"large.vxdump"_qs, RawDump::kMaxSize + 1),
                             u"--out"_qs, Path(u"replay"_qs)});
    EXPECT_EQ(dump.status, 2);
    EXPECT_TRUE(dump.err.contains(u"dépasse"_qs)) << dump.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Path(u"replay"_qs)));

    const CliRun session = Cli({u"info"_qs, Sparse(u"large.vx"_qs, kMaximumSessionFileSize + 1)});
    EXPECT_EQ(session.status, 2);
    EXPECT_TRUE(session.err.contains(u"dépasse %1 octets"_qs.arg(kMaximumSessionFileSize)))
        << session.err.toStdString();
}

TEST_F(CliFilesTest, ReplayRefusesADumpTheProgramWouldNotOpenBeforeWritingAnything) {
    const QString dumpPath = DownloadedDump();
    const QByteArray dump = ReadAll(dumpPath);
    const qsizetype record = RawDump::kTextSize + kParameterBlockSize;
    ASSERT_TRUE(dump.mid(record).startsWith("AppName=VX.exe"));

    const QString out = Path(u"replay"_qs);
    const CliRun whole = Cli({u"replay"_qs, dumpPath, u"--out"_qs, out});
    ASSERT_EQ(whole.status, 0) << whole.err.toStdString();
    const QString replayed = QString::fromLocal8Bit(whole.out).trimmed();
    EXPECT_EQ(Cli({u"info"_qs, replayed}).status, 0) << "the program opens what replay wrote";

    // The lengths agree and the copy runs to its end, but the recording names another program.
    QByteArray damaged = dump;
    damaged.replace(record, 14, "AppName=XX.exe");
    const QString damagedOut = Path(u"damaged"_qs);
    const CliRun refused =
        Cli({u"replay"_qs, Write(u"damaged.vxdump"_qs, damaged), u"--out"_qs, damagedOut});
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.err.contains(u"n’est pas pris en charge"_qs)) << refused.err.toStdString();
    EXPECT_TRUE(refused.out.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(damagedOut)) << "nothing written, not even the folder";

    // A folder that cannot be made: the whole session is not written, and said so.
    const QString notAFolder = Write(u"file"_qs, kKept);
    const CliRun unwritten = Cli({u"replay"_qs, dumpPath, u"--out-dir"_qs, notAFolder});
    EXPECT_EQ(unwritten.status, 2);
    EXPECT_TRUE(unwritten.err.contains(u"pour l’écriture"_qs)) << unwritten.err.toStdString();
    EXPECT_EQ(ReadAll(notAFolder), kKept);
}

TEST_F(CliFilesTest, ControlCharactersReadFromAFileAreShownEscaped) {
    // Each edge of the control characters: 0x1f and 0x20, 0x7e and 0x7f, 0x9f and 0xa0.
    SessionImageBuilder logger;
    logger.Set("SerNum", "A\x1b[2JB\x01\x1f \x7e\x7f\x9f\xa0Z");
    const QString path = Write(u"escape.vx"_qs, logger.Build());
    const CliRun text = Cli({u"info"_qs, path});
    ASSERT_EQ(text.status, 0) << text.err.toStdString();
    for (const char c : {'\x1b', '\x01', '\x1f', '\x7f'})
        EXPECT_FALSE(text.out.contains(c)) << int(c);
    EXPECT_TRUE(text.out.contains(R"(A\x1b[2JB\x01\x1f ~\x7f\x9f)"
                                  "\u00a0Z"))
        << text.out.toStdString();

    const CliRun json = Cli({u"info"_qs, path, u"--json"_qs});
    ASSERT_EQ(json.status, 0);
    EXPECT_EQ(json.Json()[u"serial"_qs].toString(), u"A\x1b[2JB\x01\x1f ~\x7f\x9f\xa0Z"_qs)
        << "JSON keeps the text, escaped as JSON escapes it";

    // A refusal that quotes the file keeps its own line break.
    logger.Set("AppName", "\x1b[2J.exe");
    const CliRun refused = Cli({u"info"_qs, Write(u"other.vx"_qs, logger.Build())});
    EXPECT_EQ(refused.status, 2);
    EXPECT_FALSE(refused.err.contains(u'\x1b'));
    EXPECT_TRUE(refused.err.contains(u"\\x1b[2J.exe"_qs)) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains(u"\nIl est supporté"_qs)) << refused.err.toStdString();
}
