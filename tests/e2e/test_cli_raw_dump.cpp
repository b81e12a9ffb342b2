// The raw dump of a download, as support asks a user for it and replays it: the emulated
// logger's recording downloaded with the dump kept, replayed into the same session file, and
// a cut dump refused without a file.
#include "core/instrument/RawDump.h"
#include "core/session/SessionFile.h"
#include "support/CliProcess.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kCli = QStringLiteral(VEXLO_CLI);

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class RawDumpRoad : public testing::Test {
protected:
    CliRun Cli(const QStringList& args) const {
        return RunProgram(kCli, args, CliSetting(home_.path()));
    }
    QString Path(const QString& name) const { return home_.path() + u'/' + name; }

private:
    QTemporaryDir home_;
};

} // namespace

TEST_F(RawDumpRoad, ADownloadReplayedFromItsDumpGivesTheSameFileByteForByte) {
    const QString out = Path(u"download"_qs);
    const CliRun downloaded = Cli({u"download"_qs, u"--simulate"_qs, u"8"_qs, u"--out"_qs, out,
                                   u"--raw-dump"_qs, u"--location"_qs, u"Cave"_qs});
    ASSERT_EQ(downloaded.status, 0) << downloaded.err.toStdString();
    const QStringList lines = QString::fromLocal8Bit(downloaded.out).trimmed().split(u'\n');
    ASSERT_EQ(lines.size(), 2) << downloaded.out.toStdString();
    const QString session = lines[0];
    const QString dump = lines[1];
    EXPECT_TRUE(dump.endsWith(u".vxdump"_qs));
    EXPECT_EQ(dump.chopped(7), session.chopped(3)) << "NAME.vxdump beside NAME.vx";

    const QString replayOut = Path(u"replay"_qs);
    const CliRun replayed = Cli({u"replay"_qs, dump, u"--out"_qs, replayOut});
    ASSERT_EQ(replayed.status, 0) << replayed.err.toStdString();
    const QString copy = QString::fromLocal8Bit(replayed.out).trimmed();
    EXPECT_TRUE(copy.startsWith(replayOut));
    const QByteArray original = ReadAll(session);
    ASSERT_GT(original.size(), 10000);
    EXPECT_TRUE(ReadAll(copy) == original) << "the replay writes the download's file";
    EXPECT_EQ(QDir(replayOut).entryList(QDir::Files).size(), 1) << "no dump of a dump";
}

TEST_F(RawDumpRoad, WithoutTheOptionNoDumpIsKept) {
    const QString out = Path(u"download"_qs);
    const CliRun r = Cli({u"download"_qs, u"--simulate"_qs, u"2"_qs, u"--out"_qs, out});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList files = QDir(out).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files[0].endsWith(u".vx"_qs));
}

TEST_F(RawDumpRoad, ACutDumpIsRefusedInFrenchAndWritesNothing) {
    const QString out = Path(u"download"_qs);
    const CliRun r =
        Cli({u"download"_qs, u"--simulate"_qs, u"2"_qs, u"--out"_qs, out, u"--raw-dump"_qs});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString dump = QString::fromLocal8Bit(r.out).trimmed().split(u'\n').value(1);
    QByteArray bytes = ReadAll(dump);
    ASSERT_FALSE(bytes.isEmpty());
    QFile cut(Path(u"cut.vxdump"_qs));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(bytes.chopped(1));
    cut.close();

    const QString replayOut = Path(u"replay"_qs);
    const CliRun replayed = Cli({u"replay"_qs, cut.fileName(), u"--out"_qs, replayOut});
    EXPECT_EQ(replayed.status, 2);
    EXPECT_TRUE(replayed.err.contains(u"est tronqué"_qs)) << replayed.err.toStdString();
    EXPECT_TRUE(QDir(replayOut).entryList(QDir::Files).isEmpty());

    // Lengths that agree, but a RECORD.VX that ends on a whole chunk before the bytes the
    // status announced: a logger would be waited for, a dump has nothing more to give.
    QByteArray record("AppName=VX.exe\r\nGenBy=Inst\r\nModel=2\r\nSerNum=7\r\n");
    record.resize(32768, '\0');
    const RawDump shortRecord{"Model=2\r\nSerNum=7\r\nRecordingState=0\r\nMemUsed=40000\r\n",
                              QByteArray(kParameterBlockSize, '\0'), record};
    ASSERT_TRUE(shortRecord.Save(Path(u"short.vxdump"_qs)));
    const CliRun ended = Cli({u"replay"_qs, Path(u"short.vxdump"_qs), u"--out"_qs, replayOut});
    EXPECT_EQ(ended.status, 2);
    EXPECT_TRUE(ended.err.contains(u"est tronqué"_qs)) << ended.err.toStdString();
    EXPECT_TRUE(QDir(replayOut).entryList(QDir::Files).isEmpty());

    const CliRun notADump = Cli({u"replay"_qs, cut.fileName() + u"-absent"_qs});
    EXPECT_EQ(notADump.status, 2);
    EXPECT_EQ(Cli({u"replay"_qs}).status, 64);
}
