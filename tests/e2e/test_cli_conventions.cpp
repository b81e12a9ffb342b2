// The command-line conventions a script writer expects of the three programs: --opt=value,
// "--" before a file that looks like an option, a mistyped option named on one line, each
// command's own help, --version everywhere, one meaning per option name (the old names still
// accepted) and vexlo-sim's help on standard output.
#include "core/app/AppIdentity.h"
#include "support/CliProcess.h"
#include "support/SessionImageBuilder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kCli = QStringLiteral(VEXLO_CLI);
const QString kSim = QStringLiteral(VEXLO_SIM);
const QString kDesktop = QStringLiteral(VEXLO_DESKTOP);

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class CliConventions : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        SessionImageBuilder b;
        b.Set("SerNum", "A42").Samples({1250, 1300, 1350, 1400});
        session_ = Path(u"essai.vx"_qs);
        QFile f(session_);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(b.Build());
    }

    // Run from the test's folder, so that a file can be named by a bare word.
    CliRun Run(const QString& program, const QStringList& args) const {
        return RunProgram(program, args, CliEnvironment(CliSetting(dir_.path())), dir_.path());
    }
    CliRun Cli(const QStringList& args) const { return Run(kCli, args); }
    QString Path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
    QString session_;
};

// The refusal of an option nobody defined: its name, then where to look, nothing more.
void ExpectUnknownOption(const CliRun& r, const QString& caller, const QString& option) {
    EXPECT_EQ(r.status, 64);
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    EXPECT_EQ(r.err, caller + u" : option inconnue : "_qs + option + u"\nvoir "_qs + caller +
                         u" --help\n"_qs);
}

} // namespace

TEST_F(CliConventions, AnOptionTakesItsValueAfterAnEqualsSign) {
    const CliRun spaced =
        Cli({u"stats"_qs, session_, u"--first"_qs, u"1"_qs, u"--last"_qs, u"2"_qs, u"--json"_qs});
    ASSERT_EQ(spaced.status, 0) << spaced.err.toStdString();
    const CliRun joined =
        Cli({u"stats"_qs, session_, u"--first=1"_qs, u"--last=2"_qs, u"--json"_qs});
    EXPECT_EQ(joined.status, 0) << joined.err.toStdString();
    EXPECT_EQ(joined.out, spaced.out);

    // Only the first '=' parts the name from the value.
    const CliRun drawn = Cli({u"plot"_qs, session_, u"--out=a=b.png"_qs, u"--width=100"_qs});
    EXPECT_EQ(drawn.status, 0) << drawn.err.toStdString();
    EXPECT_TRUE(ReadAll(Path(u"a=b.png"_qs)).startsWith("\x89PNG"));
    EXPECT_EQ(Cli({u"plot"_qs, session_, u"--out=c.png"_qs, u"--width=99"_qs}).status, 64)
        << "the option's own bound still holds";

    // An empty value is a value, refused as the option refuses it.
    for (const QString& empty : {u"--first="_qs, u"--low="_qs, u"--out-dir="_qs}) {
        const QStringList args = empty == u"--out-dir="_qs
                                     ? QStringList{u"download"_qs, empty}
                                     : QStringList{u"stats"_qs, session_, empty};
        const CliRun r = Cli(args);
        EXPECT_EQ(r.status, 64) << empty.toStdString();
        EXPECT_FALSE(r.err.contains(u"option inconnue"_qs)) << r.err.toStdString();
    }
    EXPECT_TRUE(Cli({u"download"_qs, u"--out-dir="_qs})
                    .err.startsWith(u"vexlo-cli download : --out-dir attend un dossier\n"_qs));

    // A flag takes no value, not even an empty one.
    for (const QString& flag : {u"--json=oui"_qs, u"--json="_qs}) {
        const CliRun r = Cli({u"info"_qs, session_, flag});
        EXPECT_EQ(r.status, 64) << flag.toStdString();
        EXPECT_TRUE(r.err.startsWith(u"vexlo-cli info : --json ne prend pas de valeur\n"_qs))
            << r.err.toStdString();
    }
}

TEST_F(CliConventions, TwoDashesEndTheOptions) {
    ASSERT_TRUE(QFile::copy(session_, Path(u"--json"_qs)));
    ASSERT_TRUE(QFile::copy(session_, Path(u"--help"_qs)));

    const CliRun text = Cli({u"info"_qs, u"--"_qs, u"--json"_qs});
    EXPECT_EQ(text.status, 0) << text.err.toStdString();
    EXPECT_TRUE(text.out.contains("A42")) << text.out.toStdString();
    EXPECT_FALSE(text.out.startsWith('{')) << "the file, not the option";

    const CliRun json = Cli({u"info"_qs, u"--json"_qs, u"--"_qs, u"--json"_qs});
    EXPECT_EQ(json.status, 0) << json.err.toStdString();
    EXPECT_EQ(json.Json()[u"serial"_qs].toString(), u"A42"_qs);

    const CliRun help = Cli({u"info"_qs, u"--"_qs, u"--help"_qs});
    EXPECT_EQ(help.status, 0) << "a file named --help, not the help";
    EXPECT_FALSE(help.out.startsWith("usage")) << help.out.toStdString();

    // Without the two dashes the word is the option, and the file is missing.
    EXPECT_EQ(Cli({u"info"_qs, u"--json"_qs}).status, 64);
    // Only the second "--" is a word of its own.
    EXPECT_EQ(Cli({u"info"_qs, u"--"_qs, u"--"_qs}).status, 2) << "no file named --";
    ExpectUnknownOption(Cli({u"info"_qs, session_, u"---"_qs}), u"vexlo-cli info"_qs, u"---"_qs);
}

TEST_F(CliConventions, AMistypedOptionIsNamedOnOneLineWithWhereToLook) {
    ExpectUnknownOption(Cli({u"stats"_qs, session_, u"--jsn"_qs}), u"vexlo-cli stats"_qs,
                        u"--jsn"_qs);
    ExpectUnknownOption(Cli({u"stats"_qs, session_, u"--jsn=1"_qs}), u"vexlo-cli stats"_qs,
                        u"--jsn"_qs);
    ExpectUnknownOption(Cli({u"stats"_qs, session_, u"-j"_qs}), u"vexlo-cli stats"_qs, u"-j"_qs);
    ExpectUnknownOption(Cli({u"erase"_qs, u"--wiat"_qs}), u"vexlo-cli erase"_qs, u"--wiat"_qs);
    ExpectUnknownOption(Cli({u"record"_qs, u"start"_qs, u"--yse"_qs}), u"vexlo-cli record"_qs,
                        u"--yse"_qs);
    ExpectUnknownOption(Cli({u"export"_qs, session_, u"--forse"_qs}), u"vexlo-cli export"_qs,
                        u"--forse"_qs);
    ExpectUnknownOption(Cli({u"report"_qs, session_, u"--ouy"_qs, u"r.pdf"_qs}),
                        u"vexlo-cli report"_qs, u"--ouy"_qs);
    ExpectUnknownOption(Cli({u"replay"_qs, u"d.vxdump"_qs, u"--outdir"_qs, u"x"_qs}),
                        u"vexlo-cli replay"_qs, u"--outdir"_qs);
    ExpectUnknownOption(Cli({u"versions"_qs, u"--jason"_qs}), u"vexlo-cli versions"_qs,
                        u"--jason"_qs);
    // Before any command there is only the program's help to point to.
    ExpectUnknownOption(Cli({u"--bogus"_qs}), u"vexlo-cli"_qs, u"--bogus"_qs);
    // An option of another command is known, and refused with the command's usage.
    const CliRun other = Cli({u"info"_qs, session_, u"--describe"_qs});
    EXPECT_EQ(other.status, 64);
    EXPECT_FALSE(other.err.contains(u"option inconnue"_qs));
    // "-" alone is a file, the standard stream, never an option.
    EXPECT_FALSE(Cli({u"info"_qs, u"-"_qs}).err.contains(u"option inconnue"_qs));
}

TEST_F(CliConventions, EachCommandHasItsOwnHelp) {
    const QList<QStringList> commands = {{u"info"_qs},
                                         {u"values"_qs},
                                         {u"stats"_qs},
                                         {u"events"_qs},
                                         {u"params"_qs},
                                         {u"plot"_qs},
                                         {u"export"_qs},
                                         {u"report"_qs},
                                         {u"drives"_qs},
                                         {u"status"_qs},
                                         {u"configure"_qs},
                                         {u"record"_qs},
                                         {u"clock"_qs},
                                         {u"erase"_qs},
                                         {u"download"_qs},
                                         {u"replay"_qs},
                                         {u"flash"_qs},
                                         {u"versions"_qs},
                                         {u"record"_qs, u"stop"_qs},
                                         {u"clock"_qs, u"set"_qs}};
    for (const QStringList& command : commands) {
        for (const QString& help : {u"--help"_qs, u"-h"_qs}) {
            const CliRun r = Cli(command + QStringList{help});
            const std::string what = (command.join(u' ') + u' ' + help).toStdString();
            EXPECT_EQ(r.status, 0) << what << r.err.toStdString();
            EXPECT_TRUE(r.err.isEmpty()) << what << r.err.toStdString();
            const QString text = QString::fromUtf8(r.out);
            EXPECT_TRUE(text.startsWith(u"usage : vexlo-cli "_qs + command.first() + u' '))
                << what << '\n'
                << r.out.toStdString();
            EXPECT_FALSE(text.contains(u"Sessions :"_qs)) << what << " gives only its own usage";
        }
    }
    // The help asked after the options read so far wins over a usage error yet to come.
    EXPECT_EQ(Cli({u"plot"_qs, session_, u"--help"_qs}).status, 0) << "no --out needed";
    const CliRun all = Cli({u"--help"_qs});
    EXPECT_EQ(all.status, 0);
    EXPECT_TRUE(all.out.contains("Sessions :"));
    EXPECT_TRUE(all.out.contains("COMMANDE --help"));
}

TEST_F(CliConventions, EveryProgramGivesItsVersion) {
    const QByteArray version = AppIdentity::ProgramVersion().toUtf8();
    const CliRun cli = Cli({u"--version"_qs});
    EXPECT_EQ(cli.status, 0) << cli.err.toStdString();
    EXPECT_EQ(cli.out, "vexlo-cli " + version + "\n");
    const CliRun sim = Run(kSim, {u"--version"_qs});
    EXPECT_EQ(sim.status, 0) << sim.err.toStdString();
    EXPECT_EQ(sim.out, "vexlo-sim " + version + "\n");

    // The desktop answers before it looks for a display.
    QProcess desktop;
    QProcessEnvironment env = CliEnvironment(CliSetting(dir_.path()));
    for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(display));
    desktop.setProcessEnvironment(env);
    desktop.start(kDesktop, {u"--version"_qs});
    ASSERT_TRUE(desktop.waitForFinished(60000));
    EXPECT_EQ(desktop.exitCode(), 0) << desktop.readAllStandardError().toStdString();
    EXPECT_EQ(desktop.readAllStandardOutput(), "vexlo " + version + "\n");
}

TEST_F(CliConventions, OutNamesAFileAndOutDirAFolderTheOldNamesStillServe) {
    const CliRun downloaded = Cli({u"download"_qs, u"--simulate"_qs, u"8"_qs, u"--out-dir"_qs,
                                   Path(u"new"_qs), u"--raw-dump"_qs});
    ASSERT_EQ(downloaded.status, 0) << downloaded.err.toStdString();
    const QStringList lines = QString::fromLocal8Bit(downloaded.out).trimmed().split(u'\n');
    ASSERT_EQ(lines.size(), 2) << downloaded.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(Path(u"new/"_qs))) << lines[0].toStdString();
    const QByteArray original = ReadAll(lines[0]);
    ASSERT_FALSE(original.isEmpty());

    const CliRun oldDownload =
        Cli({u"download"_qs, u"--simulate"_qs, u"8"_qs, u"--out"_qs, Path(u"old"_qs)});
    ASSERT_EQ(oldDownload.status, 0) << oldDownload.err.toStdString();
    EXPECT_TRUE(oldDownload.out.startsWith(Path(u"old/"_qs).toLocal8Bit()));

    const QList<std::pair<QStringList, QString>> replays = {
        {{u"--out-dir"_qs, Path(u"r1"_qs)}, Path(u"r1/"_qs)},
        {{u"--out-dir="_qs + Path(u"r2"_qs)}, Path(u"r2/"_qs)},
        {{u"--out"_qs, Path(u"r3"_qs)}, Path(u"r3/"_qs)}};
    for (const auto& [out, folder] : replays) {
        const CliRun replayed = Cli(QStringList{u"replay"_qs, lines[1]} + out);
        ASSERT_EQ(replayed.status, 0) << folder.toStdString() << replayed.err.toStdString();
        const QString copy = QString::fromLocal8Bit(replayed.out).trimmed();
        EXPECT_TRUE(copy.startsWith(folder)) << copy.toStdString();
        EXPECT_TRUE(ReadAll(copy) == original) << folder.toStdString();
    }

    for (const QString& option : {u"--out"_qs, u"--pdf"_qs}) {
        const QString pdf = Path(option.mid(2) + u".pdf"_qs);
        const CliRun r = Cli({u"status"_qs, u"--simulate"_qs, u"8"_qs, option, pdf});
        EXPECT_EQ(r.status, 0) << option.toStdString() << r.err.toStdString();
        EXPECT_TRUE(ReadAll(pdf).startsWith("%PDF")) << option.toStdString();
    }
    const CliRun both =
        Cli({u"status"_qs, u"--out"_qs, Path(u"a.pdf"_qs), u"--pdf"_qs, Path(u"b.pdf"_qs)});
    EXPECT_EQ(both.status, 64);
    EXPECT_TRUE(both.err.contains(u"s’excluent"_qs)) << both.err.toStdString();
    // --out is a file only where a command writes one.
    EXPECT_EQ(Cli({u"info"_qs, session_, u"--out"_qs, Path(u"x"_qs)}).status, 64);
    ExpectUnknownOption(Cli({u"plot"_qs, session_, u"--out-dir"_qs, dir_.path()}),
                        u"vexlo-cli plot"_qs, u"--out-dir"_qs);

    const QString help = QString::fromUtf8(Cli({u"download"_qs, u"--help"_qs}).out);
    EXPECT_TRUE(help.contains(u"--out-dir DOSSIER"_qs));
    EXPECT_TRUE(help.contains(u"--out, l’ancien nom de --out-dir"_qs)) << help.toStdString();
    EXPECT_TRUE(Cli({u"status"_qs, u"--help"_qs}).out.contains("--pdf, son ancien nom"));
}

TEST_F(CliConventions, SimulatorHelpGoesToStandardOutput) {
    for (const QString& help : {u"--help"_qs, u"-h"_qs}) {
        const CliRun r = Run(kSim, {help});
        EXPECT_EQ(r.status, 0) << help.toStdString();
        EXPECT_TRUE(r.out.startsWith("usage : vexlo-sim serve DOSSIER")) << r.out.toStdString();
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    }
    // A usage error keeps the usage on standard error.
    for (const QStringList& bad : {QStringList{}, QStringList{u"serve"_qs},
                                   QStringList{u"serve"_qs, Path(u"drive"_qs), u"--bogus"_qs},
                                   QStringList{u"serve"_qs, Path(u"drive"_qs), u"--model=10"_qs},
                                   QStringList{u"serve"_qs, Path(u"drive"_qs), u"--model="_qs}}) {
        const CliRun r = Run(kSim, bad);
        EXPECT_EQ(r.status, 64) << bad.join(u' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.startsWith(u"usage : vexlo-sim"_qs)) << r.err.toStdString();
    }
}

TEST_F(CliConventions, SimulatorTakesValuesAfterAnEqualsSign) {
    ASSERT_TRUE(QDir(dir_.path()).mkdir(u"drive"_qs));
    QProcess sim;
    sim.setProcessEnvironment(CliEnvironment(CliSetting(dir_.path())));
    sim.start(kSim, {u"serve"_qs, Path(u"drive"_qs), u"--model=9"_qs, u"--serial=A=1"_qs});
    ASSERT_TRUE(sim.waitForStarted());
    QByteArray out;
    while (!out.contains('\n') && sim.waitForReadyRead(10000))
        out += sim.readAllStandardOutput();
    sim.terminate();
    sim.waitForFinished(10000);
    EXPECT_TRUE(out.startsWith("enregistreur modèle 9, série A=1,")) << out.toStdString();
}
