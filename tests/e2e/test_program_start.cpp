// How the programs start for a new user: help, version and a missing display answered without
// the toolkit, French texts when the locale says nothing, and the demonstration logger.
#include "core/session/CRecSession.h"
#include "core/session/SessionFile.h"
#include "support/CliProcess.h"
#include "support/SessionImageBuilder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <utility>
#include <vector>

namespace {

// A program run in an environment of our own: no display and no locale unless given.
class BareStart : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        ASSERT_TRUE(QDir(home_.path()).mkpath(u"run"_qs));
        QFile::setPermissions(home_.path() + u"/run"_qs, QFileDevice::ReadOwner |
                                                             QFileDevice::WriteOwner |
                                                             QFileDevice::ExeOwner);
    }

    QProcessEnvironment Environment(const std::map<QString, QString>& extra) const {
        QProcessEnvironment env;
        env.insert(u"PATH"_qs, qEnvironmentVariable("PATH"));
        env.insert(u"HOME"_qs, home_.path());
        env.insert(u"XDG_CONFIG_HOME"_qs, home_.path() + u"/config"_qs);
        env.insert(u"XDG_RUNTIME_DIR"_qs, home_.path() + u"/run"_qs);
        env.insert(u"TZ"_qs, u"Europe/Paris"_qs);
        env.insert(u"VEXLO_DRIVES"_qs, QString());
        for (const auto& [name, value] : extra)
            env.insert(name, value);
        return env;
    }

    CliRun Run(const QString& program, const QStringList& args,
               const std::map<QString, QString>& extra = {}) const {
        QProcess p;
        p.setProcessEnvironment(Environment(extra));
        p.start(program, args);
        p.waitForFinished(60000);
        CliRun r;
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = p.readAllStandardOutput();
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    QString Path(const QString& name) const { return home_.path() + u'/' + name; }

private:
    QTemporaryDir home_;
};

const QString kDesktop = QStringLiteral(VEXLO_DESKTOP);
const QString kCli = QStringLiteral(VEXLO_CLI);

} // namespace

TEST_F(BareStart, DesktopHelpNeedsNoDisplay) {
    for (const QString& help : {u"--help"_qs, u"-h"_qs}) {
        const CliRun r = Run(kDesktop, {help});
        EXPECT_EQ(r.status, 0) << help.toStdString() << r.err.toStdString();
        EXPECT_TRUE(r.out.startsWith("usage : vexlo [FICHIER.vx] [--simulate[=MOD\xc3\x88LE]]\n"))
            << r.out.toStdString();
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    }
}

TEST_F(BareStart, DesktopWithoutDisplaySaysSoInFrench) {
    const QString expected = u"vexlo a besoin d’un affichage graphique"_qs;
    for (const QStringList& args : {QStringList{}, QStringList{u"--simulate"_qs}}) {
        const CliRun r = Run(kDesktop, args);
        EXPECT_EQ(r.status, 2) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith(expected)) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(u"qt.qpa"_qs)) << "the toolkit never started";
    }
    // A platform named outright needs no display: the toolkit starts and reads the arguments.
    const CliRun offscreen =
        Run(kDesktop, {u"--option-inconnue"_qs}, {{u"QT_QPA_PLATFORM"_qs, u"offscreen"_qs}});
    EXPECT_NE(offscreen.status, 2);
    EXPECT_NE(offscreen.status, 0);
    EXPECT_FALSE(offscreen.err.contains(expected)) << offscreen.err.toStdString();
    // Set but empty is no display either.
    const CliRun empty = Run(kDesktop, {}, {{u"DISPLAY"_qs, QString()}});
    EXPECT_EQ(empty.status, 2);
    EXPECT_TRUE(empty.err.startsWith(expected)) << empty.err.toStdString();
}

TEST_F(BareStart, CliVersion) {
    const CliRun r = Run(kCli, {u"--version"_qs});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "vexlo-cli 1.1.0000\n");
    EXPECT_EQ(Run(kCli, {u"--version"_qs, u"x"_qs}).status, 64) << "a usage error, as before";
}

TEST_F(BareStart, CliNumbersAndDatesAreFrenchWhenTheLocaleSaysNothing) {
    SessionImageBuilder b;
    QFile file(Path(u"ramp.vx"_qs));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(b.Samples({1250, 1300}).Build());
    file.close();
    const auto firstLine = [](const CliRun& r) { return r.out.left(r.out.indexOf('\n')); };

    const CliRun none = Run(kCli, {u"values"_qs, file.fileName()});
    ASSERT_EQ(none.status, 0) << none.err.toStdString();
    // Index, date, time of day and value; value 0 comes one period after the start.
    EXPECT_EQ(firstLine(none), "0\t05/03/2024\t14:07:10\t1,25 Vdc") << none.out.toStdString();
    for (const auto& [name, value] : std::map<QString, QString>{
             {u"LANG"_qs, u"C"_qs}, {u"LC_ALL"_qs, u"POSIX"_qs}, {u"LANG"_qs, u"C.UTF-8"_qs}}) {
        const CliRun plain = Run(kCli, {u"values"_qs, file.fileName()}, {{name, value}});
        EXPECT_EQ(plain.out, none.out) << name.toStdString() << '=' << value.toStdString();
    }

    const CliRun chosen =
        Run(kCli, {u"values"_qs, file.fileName()}, {{u"LANG"_qs, u"en_US.UTF-8"_qs}});
    EXPECT_EQ(firstLine(chosen), "0\t3/5/24\t2:07:10 PM\t1.25 Vdc")
        << "a chosen locale is followed: " << chosen.out.toStdString();
}

TEST_F(BareStart, TheDemoLoggerHoldsThreeHoursToDownloadThenErases) {
    const QString out = Path(u"sessions"_qs);
    CliRun r = Run(kCli, {u"download"_qs, u"--simulate"_qs, u"2"_qs, u"--out"_qs, out});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString path = QString::fromLocal8Bit(r.out).trimmed();

    CRecSession session;
    QByteArray image;
    ASSERT_TRUE(LoadSessionImage(path, image)) << path.toStdString();
    ASSERT_TRUE(CheckSessionImage(path, image));
    ASSERT_TRUE(ReadSessionImage(session, image, false));
    const auto& values = session.ChanData().FirstRecord().Values();
    EXPECT_EQ(values.size(), 3u * 3600u) << "three hours of one value a second";
    const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
    EXPECT_GE(*lo, 0.0);
    EXPECT_LE(*hi, 10.0) << "inside the 10 Vdc range";
    EXPECT_GT(*hi - *lo, 0.5) << "a signal, not a constant";

    r = Run(kCli, {u"erase"_qs, u"--simulate"_qs, u"2"_qs, u"--yes"_qs, u"--wait"_qs});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
}

namespace {

// The desktop program's first start on the offscreen platform, until its window is up (it
// has saved its tool bar layout by then), with the given system data folders.
class FirstDesktopStart : public BareStart {
protected:
    void SetUp() override {
        BareStart::SetUp();
        // No question of the update server: the check is off.
        QDir().mkpath(Path(u"config/Marvane"_qs));
        QFile settings(SettingsFile());
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write("[Settings]\nCheckSoftware=0\n");
    }
    QString SettingsFile() const { return Path(u"config/Marvane/Vexlo.conf"_qs); }

    void StartAndStop(const QString& systemDataDirs, const QStringList& arguments = {}) {
        QProcess p;
        p.setProcessEnvironment(Environment({{u"QT_QPA_PLATFORM"_qs, u"offscreen"_qs},
                                             {u"XDG_DATA_HOME"_qs, Path(u"data"_qs)},
                                             {u"XDG_DATA_DIRS"_qs, systemDataDirs}}));
        p.start(kDesktop, arguments);
        ASSERT_TRUE(p.waitForStarted());
        const auto windowUp = [this] {
            QFile settings(SettingsFile());
            return settings.open(QIODevice::ReadOnly) &&
                   settings.readAll().contains("MenuResetVersion");
        };
        for (int i = 0; i < 600 && !windowUp() && p.state() == QProcess::Running; ++i)
            p.waitForFinished(100);
        EXPECT_TRUE(windowUp()) << p.readAllStandardError().toStdString();
        p.terminate();
        if (!p.waitForFinished(10000))
            p.kill();
        p.waitForFinished();
    }
    QStringList UserDataFiles() const {
        QStringList found;
        QDirIterator it(Path(u"data"_qs), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
        return found;
    }
};

TEST_F(FirstDesktopStart, AnInstalledProgramWritesNoEntryOfItsOwnForTheUser) {
    const QString system = Path(u"usr/share"_qs);
    QDir().mkpath(system + u"/applications"_qs);
    QFile entry(system + u"/applications/example.vexlo.Vexlo.desktop"_qs);
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nName=Vexlo\nExec=vexlo %f\n");
    entry.close();
    // As the menu entry's user would try it: the emulated logger, its model left to the program.
    StartAndStop(Path(u"usr/local/share"_qs) + u':' + system, {u"--simulate"_qs});
    EXPECT_FALSE(QFileInfo::exists(Path(u"data"_qs))) << UserDataFiles().join(u' ').toStdString();
}

TEST_F(FirstDesktopStart, AProgramRunWhereItWasBuiltRegistersItselfForTheUser) {
    StartAndStop(Path(u"usr/share"_qs));
    EXPECT_TRUE(QFile::exists(Path(u"data/applications/example.vexlo.Vexlo.desktop"_qs)))
        << UserDataFiles().join(u' ').toStdString();
    EXPECT_TRUE(QFile::exists(Path(u"data/mime/packages/example.vexlo.Vexlo.xml"_qs)));
}

} // namespace

// The three programs speak the language the environment asks for, French when it names none
// the program has; the desktop's stored choice outranks the environment.
TEST_F(BareStart, EachProgramSpeaksTheLanguageItsEnvironmentAsksFor) {
    const QString sim = QStringLiteral(VEXLO_SIM);
    const auto firstLine = [](const CliRun& r) { return r.out.left(r.out.indexOf('\n')); };
    for (const QString& program : {kDesktop, kCli, sim}) {
        SCOPED_TRACE(program.toStdString());
        const QByteArray name = QFileInfo(program).fileName().toUtf8();
        const QByteArray french = "usage : " + name;
        const QByteArray english = "usage: " + name;
        const auto help = [&](const std::map<QString, QString>& extra) {
            return firstLine(Run(program, {u"--help"_qs}, extra));
        };
        EXPECT_TRUE(help({}).startsWith(french)) << "no locale";
        EXPECT_TRUE(help({{u"LANG"_qs, u"C.UTF-8"_qs}}).startsWith(french));
        EXPECT_TRUE(help({{u"LANG"_qs, u"de_DE.UTF-8"_qs}}).startsWith(french));
        EXPECT_TRUE(help({{u"LANG"_qs, u"en_US.UTF-8"_qs}}).startsWith(english));
        EXPECT_TRUE(help({{u"LANGUAGE"_qs, u"en"_qs}}).startsWith(english));
        EXPECT_TRUE(help({{u"LANG"_qs, u"en_US.UTF-8"_qs}, {u"LC_ALL"_qs, u"fr_FR.UTF-8"_qs}})
                        .startsWith(french))
            << "LC_ALL outranks LANG";
    }
    // "Langue de l’interface" set to English in the options.
    ASSERT_TRUE(QDir().mkpath(Path(u"config/Marvane"_qs)));
    QFile settings(Path(u"config/Marvane/Vexlo.conf"_qs));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[Settings]\nInterfaceLanguage=2\n");
    settings.close();
    EXPECT_TRUE(firstLine(Run(kDesktop, {u"--help"_qs}, {{u"LANG"_qs, u"fr_FR.UTF-8"_qs}}))
                    .startsWith("usage: vexlo"));
}
