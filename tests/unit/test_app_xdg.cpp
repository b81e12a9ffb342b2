#include "platform/XdgFileAssociation.h"

#include <QDir>
#include <QFile>
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
        return XdgFileAssociation(program, dataHome_.path());
    }

    QTemporaryDir dataHome_;
    QTemporaryDir bin_;
    QString program_;
};
} // namespace

TEST_F(AppXdgFileAssociation, RegisterWritesTheMimeTypeAndTheDesktopEntry) {
    const XdgFileAssociation association = Association(program_);
    EXPECT_FALSE(association.IsRegisteredHandler());
    ASSERT_TRUE(association.Register(XdgFileAssociation::ToolsType::Skip));

    EXPECT_EQ(association.MimeFilePath(),
              dataHome_.filePath(QStringLiteral("mime/packages/vexlo-session.xml")));
    const QString mime = Read(association.MimeFilePath());
    EXPECT_TRUE(mime.contains(QStringLiteral("<mime-type type=\"application/x-vexlo-session\">")));
    EXPECT_TRUE(mime.contains(QStringLiteral("<glob pattern=\"*.vx\"/>")));
    EXPECT_TRUE(mime.contains(QStringLiteral("xml:lang=\"fr\"")));

    EXPECT_EQ(association.DesktopFilePath(),
              dataHome_.filePath(QStringLiteral("applications/vexlo.desktop")));
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
    EXPECT_FALSE(desktop.contains(u'@')) << "every placeholder is filled";

    EXPECT_TRUE(association.IsRegisteredHandler());
}

TEST_F(AppXdgFileAssociation, AnotherExecutableIsNotTheHandler) {
    ASSERT_TRUE(Association(program_).Register(XdgFileAssociation::ToolsType::Skip));
    const QString other = bin_.filePath(QStringLiteral("autre-vexlo"));
    EXPECT_FALSE(Association(other).IsRegisteredHandler());
    ASSERT_TRUE(Association(other).Register(XdgFileAssociation::ToolsType::Skip));
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
    ASSERT_TRUE(association.Register(XdgFileAssociation::ToolsType::Skip));
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
    ASSERT_TRUE(Association(link).Register(XdgFileAssociation::ToolsType::Skip));
    EXPECT_TRUE(Association(program_).IsRegisteredHandler());

    const XdgFileAssociation association = Association(program_);
    QFile desktop(association.DesktopFilePath());
    ASSERT_TRUE(desktop.open(QIODevice::WriteOnly));
    desktop.write("[Desktop Entry]\nType=Application\nName=Vexlo\n[Desktop Action x]\nExec=" +
                  QFile::encodeName(program_) + "\n");
    desktop.close();
    EXPECT_FALSE(association.IsRegisteredHandler());
}
