#include "platform/XdgFileAssociation.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
QString Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString LineStarting(const QString& text, const QString& prefix) {
    for (const QString& line : text.split(u'\n')) {
        if (line.startsWith(prefix))
            return line;
    }
    return {};
}

class AppXdgFileAssociation : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dataHome_.isValid());
        ASSERT_TRUE(bin_.isValid());
        program_ = bin_.filePath(QStringLiteral("vexlo"));
        QFile exe(program_);
        ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
    }

    XdgFileAssociation Association(const QString& program) const {
        return XdgFileAssociation(program, dataHome_.path(), {system_.path()});
    }
    // What a package puts in the system's data folder.
    QString InstallSystemEntry() const {
        const QString entry =
            system_.filePath(QStringLiteral("applications/example.vexlo.Vexlo.desktop"));
        QDir().mkpath(QFileInfo(entry).absolutePath());
        QFile file(entry);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Desktop Entry]\nType=Application\nName=Vexlo\nExec=vexlo %f\n");
        return entry;
    }
    QStringList FilesUnder(const QString& folder) const {
        QStringList found;
        QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
        return found;
    }

    QTemporaryDir dataHome_;
    QTemporaryDir system_;
    QTemporaryDir bin_;
    QString program_;
};
} // namespace

TEST_F(AppXdgFileAssociation, RegisterWritesTheMimeTypeAndTheDesktopEntry) {
    const XdgFileAssociation association = Association(program_);
    EXPECT_FALSE(association.IsRegisteredHandler());
    ASSERT_TRUE(association.Register());

    EXPECT_EQ(association.MimeFilePath(),
              dataHome_.filePath(QStringLiteral("mime/packages/example.vexlo.Vexlo.xml")));
    const QString mime = Read(association.MimeFilePath());
    EXPECT_TRUE(mime.contains(QStringLiteral("<mime-type type=\"application/x-vexlo-session\">")));
    EXPECT_TRUE(mime.contains(QStringLiteral("<glob pattern=\"*.vx\"/>")));
    EXPECT_TRUE(mime.contains(QStringLiteral("xml:lang=\"fr\"")));

    EXPECT_EQ(association.DesktopFilePath(),
              dataHome_.filePath(QStringLiteral("applications/example.vexlo.Vexlo.desktop")));
    const QString desktop = Read(association.DesktopFilePath());
    EXPECT_TRUE(desktop.startsWith(QStringLiteral("[Desktop Entry]\n")));
    EXPECT_EQ(LineStarting(desktop, QStringLiteral("Exec=")),
              QStringLiteral("Exec=") + program_ + QStringLiteral(" %f"));
    EXPECT_EQ(LineStarting(desktop, QStringLiteral("MimeType=")),
              u"MimeType=application/x-vexlo-session;");
    EXPECT_EQ(LineStarting(desktop, QStringLiteral("Type=")), u"Type=Application");
    EXPECT_FALSE(LineStarting(desktop, QStringLiteral("Name[fr]=")).isEmpty() &&
                 LineStarting(desktop, QStringLiteral("GenericName[fr]=")).isEmpty());
    EXPECT_FALSE(LineStarting(desktop, QStringLiteral("Comment[fr]=")).isEmpty());
    EXPECT_EQ(LineStarting(desktop, QStringLiteral("Icon=")), u"Icon=example.vexlo.Vexlo");
    EXPECT_FALSE(desktop.contains(u'@')) << "every placeholder is filled";

    EXPECT_TRUE(association.IsRegisteredHandler());
}

TEST_F(AppXdgFileAssociation, AnotherExecutableIsNotTheHandler) {
    ASSERT_TRUE(Association(program_).Register());
    const QString other = bin_.filePath(QStringLiteral("autre-vexlo"));
    EXPECT_FALSE(Association(other).IsRegisteredHandler());
    ASSERT_TRUE(Association(other).Register());
    EXPECT_TRUE(Association(other).IsRegisteredHandler());
    EXPECT_FALSE(Association(program_).IsRegisteredHandler());
}

TEST_F(AppXdgFileAssociation, PathsWithSpecialCharactersSurviveTheExecLine) {
    const QString odd = bin_.filePath(QStringLiteral("mes programmes/v\"e$x`l\\o 100%"));
    ASSERT_TRUE(QDir().mkpath(bin_.filePath(QStringLiteral("mes programmes"))));
    {
        QFile exe(odd);
        ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
    }
    const XdgFileAssociation association = Association(odd);
    ASSERT_TRUE(association.Register());
    const QString exec = LineStarting(Read(association.DesktopFilePath()), QStringLiteral("Exec="));
    EXPECT_TRUE(exec.startsWith(QStringLiteral("Exec=\"")));
    EXPECT_TRUE(exec.endsWith(QStringLiteral("\" %f")));
    EXPECT_TRUE(exec.contains(QStringLiteral("100%%")));
    EXPECT_TRUE(association.IsRegisteredHandler());
}

TEST(AppXdgExecField, QuotesAndUnquotesAsTheDesktopEntryRulesSay) {
    EXPECT_EQ(ExecProgramField(QStringLiteral("/usr/bin/vexlo")), u"/usr/bin/vexlo");
    EXPECT_EQ(ExecProgramField(QStringLiteral("/opt/a b/vexlo")), u"\"/opt/a b/vexlo\"");
    // Quoted: \" then the string escape doubles the backslash.
    EXPECT_EQ(ExecProgramField(QStringLiteral("/a\"b")), u"\"/a\\\\\"b\"");
    EXPECT_EQ(ExecProgramField(QStringLiteral("/a%b")), u"/a%%b");

    EXPECT_EQ(ProgramOfExecValue(QStringLiteral("/usr/bin/vexlo %f")), u"/usr/bin/vexlo");
    EXPECT_EQ(ProgramOfExecValue(QStringLiteral("\"/opt/a b/vexlo\" %f")), u"/opt/a b/vexlo");
    EXPECT_EQ(ProgramOfExecValue(QStringLiteral("\"/a\\\"b\" %f")), u"/a\"b");
    EXPECT_EQ(ProgramOfExecValue(QStringLiteral("/a%%b")), u"/a%b");
    EXPECT_TRUE(ProgramOfExecValue(QString()).isEmpty());
}

TEST(AppXdgDataHome, FollowsXdgDataHome) {
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    const bool hadValue = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    qputenv("XDG_DATA_HOME", dir.path().toUtf8());
    EXPECT_EQ(XdgFileAssociation::DefaultDataHome(), dir.path());
    qputenv("XDG_DATA_HOME", "relatif/ignoré");
    EXPECT_EQ(XdgFileAssociation::DefaultDataHome(),
              QDir::homePath() + QStringLiteral("/.local/share"));
    if (hadValue)
        qputenv("XDG_DATA_HOME", saved);
    else
        qunsetenv("XDG_DATA_HOME");
}

TEST_F(AppXdgFileAssociation, HandlerIsRecognisedThroughLinksButNotWithoutExec) {
    const QString link = bin_.filePath(QStringLiteral("vexlo-lien"));
    ASSERT_TRUE(QFile::link(program_, link));
    ASSERT_TRUE(Association(link).Register());
    EXPECT_TRUE(Association(program_).IsRegisteredHandler());

    const XdgFileAssociation association = Association(program_);
    QFile desktop(association.DesktopFilePath());
    ASSERT_TRUE(desktop.open(QIODevice::WriteOnly));
    desktop.write("[Desktop Entry]\nType=Application\nName=Vexlo\n[Desktop Action x]\nExec=" +
                  QFile::encodeName(program_) + "\n");
    desktop.close();
    EXPECT_FALSE(association.IsRegisteredHandler());
}

TEST_F(AppXdgFileAssociation, AnInstalledEntryIsFoundInTheSystemFoldersOnly) {
    QTemporaryDir empty;
    const XdgFileAssociation none(program_, dataHome_.path(), {empty.path(), system_.path()});
    EXPECT_TRUE(none.SystemDesktopEntry().isEmpty());
    EXPECT_TRUE(none.ShouldRegisterAtStart());

    const QString entry = InstallSystemEntry();
    const XdgFileAssociation installed(program_, dataHome_.path(), {empty.path(), system_.path()});
    EXPECT_EQ(installed.SystemDesktopEntry(), entry);
    EXPECT_FALSE(installed.ShouldRegisterAtStart());

    // The user's own folder listed among the system's holds nothing installed.
    ASSERT_TRUE(Association(program_).Register());
    const XdgFileAssociation own(program_ + QStringLiteral("-autre"), dataHome_.path(),
                                 {dataHome_.path()});
    EXPECT_TRUE(own.SystemDesktopEntry().isEmpty());
    EXPECT_TRUE(own.ShouldRegisterAtStart());
    EXPECT_FALSE(
        XdgFileAssociation(program_, dataHome_.path(), {dataHome_.path()}).ShouldRegisterAtStart())
        << "already the user's handler";
}

TEST(AppXdgDataDirs, FollowsXdgDataDirsAndKeepsAbsoluteFoldersOnly) {
    const QByteArray saved = qgetenv("XDG_DATA_DIRS");
    const bool hadValue = qEnvironmentVariableIsSet("XDG_DATA_DIRS");
    qputenv("XDG_DATA_DIRS", "/opt/a/share:relatif::/usr/share");
    EXPECT_EQ(XdgFileAssociation::DefaultDataDirs(),
              (QStringList{QStringLiteral("/opt/a/share"), QStringLiteral("/usr/share")}));
    qputenv("XDG_DATA_DIRS", "relatif");
    EXPECT_EQ(XdgFileAssociation::DefaultDataDirs(),
              (QStringList{QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")}));
    if (hadValue)
        qputenv("XDG_DATA_DIRS", saved);
    else
        qunsetenv("XDG_DATA_DIRS");
}

// The menu command with the tools at hand; the desktop's default choice goes to a
// configuration folder of the test's own.
class AppXdgAssociateCommand : public AppXdgFileAssociation {
protected:
    void SetUp() override {
        AppXdgFileAssociation::SetUp();
        hadConfig_ = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        savedConfig_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
    }
    void TearDown() override {
        if (hadConfig_)
            qputenv("XDG_CONFIG_HOME", savedConfig_);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    static bool HaveDefaultTool() {
        return !QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty();
    }
    QString DefaultChoice() const {
        return Read(config_.filePath(QStringLiteral("mimeapps.list")));
    }

    QTemporaryDir config_;
    bool hadConfig_ = false;
    QByteArray savedConfig_;
};

TEST_F(AppXdgAssociateCommand, WithAnInstalledEntryNothingIsWrittenButTheChoice) {
    const QString entry = InstallSystemEntry();
    const AssociationResult done = Association(program_).Associate();
    EXPECT_EQ(done.type, AssociationResult::Type::SystemEntry);
    EXPECT_EQ(done.entry, entry);
    EXPECT_TRUE(FilesUnder(dataHome_.path()).isEmpty());
    if (!HaveDefaultTool())
        GTEST_SKIP() << "xdg-mime is not installed";
    EXPECT_TRUE(done.madeDefault);
    EXPECT_TRUE(DefaultChoice().contains(
        QStringLiteral("application/x-vexlo-session=example.vexlo.Vexlo.desktop")))
        << DefaultChoice().toStdString();
}

TEST_F(AppXdgAssociateCommand, WithoutOneTheUsersFilesReplaceThoseOfOlderNames) {
    for (const QString& older : {QStringLiteral("applications/vexlo.desktop"),
                                 QStringLiteral("mime/packages/vexlo-session.xml")}) {
        QDir().mkpath(QFileInfo(dataHome_.filePath(older)).absolutePath());
        QFile file(dataHome_.filePath(older));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const XdgFileAssociation association = Association(program_);
    const AssociationResult done = association.Associate();
    EXPECT_EQ(done.type, AssociationResult::Type::UserEntry);
    EXPECT_EQ(done.entry, association.DesktopFilePath());
    EXPECT_EQ(done.mimeFile, association.MimeFilePath());
    EXPECT_TRUE(association.IsRegisteredHandler());
    EXPECT_FALSE(QFile::exists(dataHome_.filePath(QStringLiteral("applications/vexlo.desktop"))));
    EXPECT_FALSE(
        QFile::exists(dataHome_.filePath(QStringLiteral("mime/packages/vexlo-session.xml"))));
    if (HaveDefaultTool()) {
        EXPECT_TRUE(done.madeDefault);
    }
}

TEST_F(AppXdgAssociateCommand, AFolderThatCannotBeWrittenIsNamed) {
    // A file where the folder should be cannot be written under by anyone, root included.
    QFile blocker(dataHome_.filePath(QStringLiteral("mime")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const XdgFileAssociation association = Association(program_);
    const AssociationResult done = association.Associate();
    EXPECT_EQ(done.type, AssociationResult::Type::Failed);
    EXPECT_EQ(done.entry, association.MimeFilePath());
    EXPECT_FALSE(QFile::exists(association.DesktopFilePath()));
}
