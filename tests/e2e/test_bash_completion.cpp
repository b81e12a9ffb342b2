// The installed bash completion of vexlo-cli, run by bash as a completing shell would, and the
// installed man pages: both are made from the program's own help, so both are checked
// against what the built program says and does.
#include "support/CliProcess.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kCli = QStringLiteral(VEXLO_CLI);
const QString kCompletion = QStringLiteral(VEXLO_BASH_COMPLETION);
const QString kManDir = QStringLiteral(VEXLO_MAN_DIR);

QStringList Lines(const QByteArray& text) {
    return QString::fromUtf8(text).split(u'\n', Qt::SkipEmptyParts);
}

// The commands as a reader finds them in `vexlo-cli --help`: the words that start the lines
// indented by two spaces, each once.
QStringList CommandsOfTheHelp(const QByteArray& help) {
    static const QRegularExpression command(u"^  ([a-z][a-z-]*)( |$)"_qs);
    QStringList commands;
    for (const QString& line : Lines(help)) {
        const QRegularExpressionMatch m = command.match(line);
        if (m.hasMatch() && !commands.contains(m.captured(1)))
            commands << m.captured(1);
    }
    return commands;
}

class BashCompletion : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        // Apart from the home the programs get, which holds folders of its own.
        ASSERT_TRUE(QDir(dir_.path()).mkdir(u"work"_qs));
        work_ = dir_.filePath(u"work"_qs);
    }

    QProcessEnvironment Environment() const { return CliEnvironment(CliSetting(dir_.path())); }

    // What the completion offers for the words typed, the last being the one completed, in
    // the test's folder; sorted, as bash shows them.
    QStringList Complete(const QStringList& typed) {
        const QString script =
            u"source \"$1\" || exit 9; shift; COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1)); "
            u"COMP_LINE=\"$*\"; COMP_POINT=${#COMP_LINE}; _vexlo_cli; "
            u"printf '%s\\n' \"${COMPREPLY[@]}\""_qs;
        const CliRun r = RunProgram(u"bash"_qs,
                                    QStringList{u"--norc"_qs, u"--noprofile"_qs, u"-c"_qs, script,
                                                u"bash"_qs, kCompletion, kCli} +
                                        typed,
                                    Environment(), work_);
        const std::string what = typed.join(u' ').toStdString();
        EXPECT_EQ(r.status, 0) << what << '\n' << r.err.toStdString();
        // No helper of the bash-completion package, nor anything else, is missing.
        EXPECT_TRUE(r.err.isEmpty()) << what << '\n' << r.err.toStdString();
        QStringList offered = Lines(r.out);
        offered.sort();
        return offered;
    }

    QByteArray Help(const QStringList& args) const {
        const CliRun r = RunProgram(kCli, args, Environment(), dir_.path());
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        return r.out;
    }

    void Touch(const QString& name) const {
        QFile f(work_ + u'/' + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << name.toStdString();
    }

    QTemporaryDir dir_;
    QString work_;
};

QStringList Sorted(QStringList list) {
    list.sort();
    return list;
}

} // namespace

TEST_F(BashCompletion, IsRegisteredForTheProgramWithoutTheCompletionPackage) {
    const CliRun r =
        RunProgram(u"bash"_qs,
                   {u"--norc"_qs, u"--noprofile"_qs, u"-c"_qs,
                    u"source \"$1\" && complete -p vexlo-cli"_qs, u"bash"_qs, kCompletion},
                   Environment());
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(r.out).trimmed(), u"complete -F _vexlo_cli vexlo-cli"_qs);
}

TEST_F(BashCompletion, TheFirstWordIsOneOfTheCommandsTheHelpLists) {
    const QStringList commands = CommandsOfTheHelp(Help({u"--help"_qs}));
    for (const char* named : {"export", "plot", "download", "versions", "record", "clock"})
        EXPECT_TRUE(commands.contains(QString::fromLatin1(named))) << named;
    // Each word so found is a command: it has its own usage.
    for (const QString& command : commands)
        EXPECT_TRUE(
            Help({command, u"--help"_qs}).startsWith("usage : vexlo-cli " + command.toUtf8() + ' '))
            << command.toStdString();

    EXPECT_EQ(Complete({u""_qs}), Sorted(commands));
    // A prefix narrows, to nothing once it fits no command.
    EXPECT_EQ(Complete({u"e"_qs}), (QStringList{u"erase"_qs, u"events"_qs, u"export"_qs}));
    EXPECT_EQ(Complete({u"ex"_qs}), QStringList{u"export"_qs});
    EXPECT_EQ(Complete({u"export"_qs}), QStringList{u"export"_qs});
    EXPECT_EQ(Complete({u"exports"_qs}), QStringList{});
    EXPECT_EQ(Complete({u"-"_qs}), (QStringList{u"--help"_qs, u"--version"_qs}));
}

TEST_F(BashCompletion, AfterACommandItsOwnOptionsOnly) {
    const QStringList exportOptions = Complete({u"export"_qs, u"f.vx"_qs, u"--"_qs});
    for (const char* option :
         {"--iso", "--separator", "--decimal", "--force", "--format", "--help"})
        EXPECT_TRUE(exportOptions.contains(QString::fromLatin1(option))) << option;
    for (const char* other : {"--session-name", "--out-dir", "--json", "--yes", "--version"})
        EXPECT_FALSE(exportOptions.contains(QString::fromLatin1(other))) << other;
    EXPECT_EQ(Complete({u"export"_qs, u"f.vx"_qs, u"--f"_qs}),
              (QStringList{u"--force"_qs, u"--format"_qs}));
    EXPECT_EQ(Complete({u"download"_qs, u"--s"_qs}),
              (QStringList{u"--session-name"_qs, u"--simulate"_qs}));
    // The old names the help only mentions are accepted, not offered.
    EXPECT_FALSE(Complete({u"download"_qs, u"--"_qs}).contains(u"--out"_qs));
    EXPECT_FALSE(Complete({u"status"_qs, u"--"_qs}).contains(u"--pdf"_qs));
    // After "--" every word is a file.
    EXPECT_EQ(Complete({u"info"_qs, u"--"_qs, u"--"_qs}), QStringList{});
}

// Each option offered is one the command accepts, followed by a value exactly when the
// completion offers something else than options after it: given that and --help, the program
// answers with its help, or refuses the value given (not "--help", which an option wrongly
// taken for a flag would have swallowed).
TEST_F(BashCompletion, EveryOptionOfferedIsAcceptedWithTheValueItWants) {
    for (const QString& command : CommandsOfTheHelp(Help({u"--help"_qs}))) {
        for (const QString& option : Complete({command, u"--"_qs})) {
            if (option == u"--help"_qs)
                continue;
            const QStringList next = Complete({command, option, u""_qs});
            const bool flag = !next.isEmpty() && next.first().startsWith(u"--"_qs);
            QStringList args{command, option};
            if (!flag)
                args << (next.isEmpty() ? u"1"_qs : next.first());
            args << u"--help"_qs;
            const CliRun r = RunProgram(kCli, args, Environment(), work_);
            const std::string what = args.join(u' ').toStdString() + '\n' + r.err.toStdString();
            EXPECT_FALSE(r.err.contains(u"option inconnue"_qs)) << what;
            EXPECT_FALSE(r.err.contains(u"--help"_qs)) << what;
            if (flag) {
                EXPECT_EQ(r.status, 0) << what;
            } else {
                EXPECT_TRUE(r.status == 0 || r.status == 64) << what;
            }
            if (r.status == 0) {
                EXPECT_TRUE(r.out.startsWith("usage : ")) << what;
            }
        }
    }
}

TEST_F(BashCompletion, AnOptionWithAListOffersItsValues) {
    EXPECT_EQ(Complete({u"export"_qs, u"f.vx"_qs, u"--format"_qs, u""_qs}),
              (QStringList{u"csv"_qs, u"xlsx"_qs}));
    EXPECT_EQ(Complete({u"export"_qs, u"f.vx"_qs, u"--format"_qs, u"x"_qs}),
              QStringList{u"xlsx"_qs});
    // "--format=" reaches the completion as three words while "=" breaks words.
    EXPECT_EQ(Complete({u"export"_qs, u"f.vx"_qs, u"--format"_qs, u"="_qs}),
              (QStringList{u"csv"_qs, u"xlsx"_qs}));
    EXPECT_EQ(Complete({u"export"_qs, u"f.vx"_qs, u"--format"_qs, u"="_qs, u"c"_qs}),
              QStringList{u"csv"_qs});
    EXPECT_EQ(Complete({u"plot"_qs, u"f.vx"_qs, u"--format"_qs, u""_qs}),
              (QStringList{u"pdf"_qs, u"png"_qs}));
    EXPECT_EQ(Complete({u"configure"_qs, u"--tc"_qs, u""_qs}),
              (QStringList{u"E"_qs, u"J"_qs, u"K"_qs, u"N"_qs, u"R"_qs, u"S"_qs, u"T"_qs}));
    EXPECT_EQ(Complete({u"configure"_qs, u"--cjc"_qs, u""_qs}), (QStringList{u"off"_qs, u"on"_qs}));
    EXPECT_EQ(Complete({u"configure"_qs, u"--polarity"_qs, u""_qs}),
              (QStringList{u"falling"_qs, u"rising"_qs}));
    // A value such as a number is the user's to type.
    EXPECT_EQ(Complete({u"stats"_qs, u"f.vx"_qs, u"--first"_qs, u""_qs}), QStringList{});
    // The word after a value is an option again.
    EXPECT_TRUE(
        Complete({u"stats"_qs, u"f.vx"_qs, u"--first"_qs, u"3"_qs, u""_qs}).contains(u"--last"_qs));
}

TEST_F(BashCompletion, ACommandsFirstWordsComeFromItsUsage) {
    EXPECT_EQ(Complete({u"record"_qs, u""_qs}), (QStringList{u"start"_qs, u"stop"_qs}));
    EXPECT_EQ(Complete({u"record"_qs, u"st"_qs}), (QStringList{u"start"_qs, u"stop"_qs}));
    EXPECT_EQ(Complete({u"record"_qs, u"sta"_qs}), QStringList{u"start"_qs});
    EXPECT_EQ(Complete({u"clock"_qs, u""_qs}), QStringList{u"set"_qs});
    // Once given, the word is not offered again.
    EXPECT_FALSE(Complete({u"clock"_qs, u"set"_qs, u""_qs}).contains(u"set"_qs));
    EXPECT_FALSE(Complete({u"record"_qs, u"stop"_qs, u""_qs}).contains(u"start"_qs));
}

TEST_F(BashCompletion, ACommandOffersTheFilesItReads) {
    for (const char* name : {"a.vx", "E.VX", "b.txt", "c.hex", "d.vxdump", "f.vx.bak"})
        Touch(QString::fromLatin1(name));
    ASSERT_TRUE(QDir(work_).mkdir(u"sub"_qs));

    EXPECT_EQ(Complete({u"info"_qs, u""_qs}), (QStringList{u"E.VX"_qs, u"a.vx"_qs, u"sub"_qs}));
    EXPECT_EQ(Complete({u"info"_qs, u"a"_qs}), QStringList{u"a.vx"_qs});
    EXPECT_EQ(Complete({u"flash"_qs, u""_qs}), (QStringList{u"c.hex"_qs, u"sub"_qs}));
    EXPECT_EQ(Complete({u"replay"_qs, u""_qs}), (QStringList{u"d.vxdump"_qs, u"sub"_qs}));
    EXPECT_EQ(Complete({u"replay"_qs, u"d.vxdump"_qs, u"--out-dir"_qs, u""_qs}),
              QStringList{u"sub"_qs});
    EXPECT_EQ(Complete({u"download"_qs, u"--out-dir"_qs, u""_qs}), QStringList{u"sub"_qs});
    // One session for info, then its options; any number for plot, "A.vx B.vx …".
    EXPECT_EQ(Complete({u"info"_qs, u"a.vx"_qs, u""_qs}),
              (QStringList{u"--help"_qs, u"--json"_qs}));
    EXPECT_EQ(Complete({u"plot"_qs, u"a.vx"_qs, u"E.VX"_qs, u""_qs}),
              (QStringList{u"E.VX"_qs, u"a.vx"_qs, u"sub"_qs}));
    // An option's value is not one of those files: the next word is the second session.
    EXPECT_EQ(Complete({u"plot"_qs, u"a.vx"_qs, u"--out"_qs, u"g.png"_qs, u""_qs}),
              (QStringList{u"E.VX"_qs, u"a.vx"_qs, u"sub"_qs}));
    // The file plot writes may be any.
    EXPECT_TRUE(Complete({u"plot"_qs, u"a.vx"_qs, u"--out"_qs, u""_qs}).contains(u"b.txt"_qs));
    // A command that reads no file offers its options.
    EXPECT_TRUE(Complete({u"drives"_qs, u""_qs}).contains(u"--json"_qs));
}

// The pages as installed: gzip-compressed without a name or a time, so that two builds give
// the same bytes, and read back as man reads them.
class ManPages : public BashCompletion {
protected:
    QByteArray Page(const QString& program) {
        const QString path = kManDir + u'/' + program + u".1.gz"_qs;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        const QByteArray gz = f.readAll();
        EXPECT_GE(gz.size(), 10) << path.toStdString();
        if (gz.size() < 10)
            return {};
        EXPECT_EQ(gz.left(3), QByteArray("\x1f\x8b\x08", 3)) << path.toStdString();
        EXPECT_EQ(gz[3] & 0x08, 0) << path.toStdString() << ": a file name is kept";
        EXPECT_EQ(gz.mid(4, 4), QByteArray(4, '\0')) << path.toStdString() << ": a time is kept";
        const CliRun r = RunProgram(u"gzip"_qs, {u"-dc"_qs, path}, Environment());
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        return r.out;
    }

    // The page as man shows it, with man's warnings.
    CliRun Rendered(const QString& program) {
        QProcessEnvironment env = Environment();
        env.insert(u"MANWIDTH"_qs, u"80"_qs);
        env.insert(u"LC_ALL"_qs, u"C.UTF-8"_qs);
        return RunProgram(
            u"man"_qs, {u"--warnings"_qs, u"-l"_qs, kManDir + u'/' + program + u".1.gz"_qs}, env);
    }
};

TEST_F(ManPages, EachProgramHasAFrenchPageThatManReadsWithoutWarnings) {
    for (const char* name : {"vexlo", "vexlo-cli", "vexlo-sim"}) {
        const QString program = QString::fromLatin1(name);
        const QByteArray page = Page(program);
        const QString text = QString::fromUtf8(page);
        EXPECT_FALSE(text.contains(QChar::ReplacementCharacter)) << name;
        QString roffName = program;
        roffName.replace(u'-', u"\\-"_qs);
        EXPECT_TRUE(text.contains(u".TH "_qs + roffName.toUpper() + u" 1 "_qs)) << name;
        EXPECT_TRUE(text.contains(u"\n.SH NOM\n"_qs + roffName + u" \\- "_qs)) << name;
        for (const char* section : {"SYNOPSIS", "DESCRIPTION", "\"VOIR AUSSI\""})
            EXPECT_TRUE(text.contains(u"\n.SH "_qs + QString::fromLatin1(section) + u'\n'))
                << name << ' ' << section;
        EXPECT_FALSE(text.contains(u".SH NAME"_qs)) << name;

        const CliRun shown = Rendered(program);
        if (shown.status == -1)
            GTEST_SKIP() << "man cannot be run here";
        EXPECT_EQ(shown.status, 0) << name;
        EXPECT_TRUE(shown.err.isEmpty()) << name << '\n' << shown.err.toStdString();
        // Accents and typographic apostrophes survive: the page's own words, as shown.
        const QString out = QString::fromUtf8(shown.out);
        EXPECT_TRUE(out.contains(u"l’instrument"_qs) || out.contains(u"l’enregistreur"_qs))
            << name << '\n'
            << shown.out.toStdString();
        EXPECT_TRUE(out.contains(u"émulé"_qs)) << name;
    }
}

TEST_F(ManPages, TheCliPageHasEveryCommandWithItsOwnHelp) {
    const QString text = QString::fromUtf8(Page(u"vexlo-cli"_qs));
    const QStringList commands = CommandsOfTheHelp(Help({u"--help"_qs}));
    ASSERT_FALSE(commands.isEmpty());
    const qsizetype section = text.indexOf(u"\n.SH COMMANDES\n"_qs);
    ASSERT_GE(section, 0);
    for (const QString& command : commands) {
        const qsizetype at = text.indexOf(u"\n.SS "_qs + command + u'\n', section);
        EXPECT_GT(at, section) << command.toStdString();
        // Its usage, then the first words of its own help's text.
        EXPECT_EQ(text.indexOf(u"\\fBvexlo\\-cli "_qs + command + u"\\fR"_qs, at),
                  at + 5 + command.size() + 1)
            << command.toStdString();
        const QStringList help = Lines(Help({command, u"--help"_qs}));
        QString firstText;
        for (const QString& line : help)
            if (line.startsWith(u"  "_qs) && !line.trimmed().startsWith(u'[') &&
                !line.trimmed().startsWith(u"vexlo-cli"_qs) && !line.trimmed().startsWith(u'-')) {
                firstText = line.trimmed().section(u' ', 0, 2);
                break;
            }
        ASSERT_FALSE(firstText.isEmpty()) << command.toStdString();
        firstText.replace(u'-', u"\\-"_qs);
        EXPECT_GT(text.indexOf(firstText, at), at)
            << command.toStdString() << ": " << firstText.toStdString();
    }
}

// Every exit status a command's help names is explained in the page, and nothing else is
// listed there without the program knowing it but the one for Ctrl-C.
TEST_F(ManPages, TheCliPageExplainsTheExitStatusesTheCommandsName) {
    const QString text = QString::fromUtf8(Page(u"vexlo-cli"_qs));
    const qsizetype start = text.indexOf(u"\n.SH \"STATUT DE SORTIE\"\n"_qs);
    ASSERT_GE(start, 0);
    const qsizetype end = text.indexOf(u"\n.SH "_qs, start + 1);
    const QString section = text.mid(start, end - start);
    static const QRegularExpression listed(u"\n\\.B (\\d+)\n"_qs);
    QSet<QString> explained;
    for (auto it = listed.globalMatch(section); it.hasNext();)
        explained << it.next().captured(1);

    static const QRegularExpression named(u"(?:: |, )(\\d+) "_qs);
    QSet<QString> named_by_help;
    for (const QString& command : CommandsOfTheHelp(Help({u"--help"_qs}))) {
        QString help = QString::fromUtf8(Help({command, u"--help"_qs}));
        const qsizetype at = help.indexOf(u"Statut de sortie :"_qs);
        if (at < 0)
            continue;
        help = help.mid(at).simplified();
        for (auto it = named.globalMatch(help); it.hasNext();)
            named_by_help << it.next().captured(1);
    }
    ASSERT_TRUE(named_by_help.contains(u"64"_qs));
    for (const QString& status : named_by_help)
        EXPECT_TRUE(explained.contains(status)) << status.toStdString();
    EXPECT_EQ(explained - named_by_help, QSet<QString>{u"130"_qs});
}
