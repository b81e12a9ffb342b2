#include "core/app/AppFolders.h"
#include "core/app/AppIdentity.h"
#include "core/app/CustomisationReset.h"
#include "core/app/LeftoverExecutable.h"
#include "core/app/SettingsKeys.h"
#include "support/MemorySettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>

namespace {
void Touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("old");
}
} // namespace

TEST(AppSettingsKeys, TraceColourNamesAreBuiltFromPrefixAndSuffix) {
    EXPECT_EQ(SettingsKeys::DisplayColorV(), u"DisplayColorV");
    EXPECT_EQ(SettingsKeys::DisplayColorA(), u"DisplayColorA");
    EXPECT_EQ(SettingsKeys::DisplayColorOther(), u"DisplayColor_Other");
}

TEST(AppSettingsKeys, InstrumentSectionPadsTheModelCode) {
    using SettingsKeys::InstrumentSection;
    EXPECT_EQ(InstrumentSection(4, QStringLiteral("12345")), u"VX_0004_12345");
    EXPECT_EQ(InstrumentSection(0, QStringLiteral("A7")), u"VX_0000_A7");
    EXPECT_EQ(InstrumentSection(12345, QStringLiteral("9")), u"VX_12345_9");
    EXPECT_EQ(InstrumentSection(-4, QStringLiteral("1")), u"VX_-0004_1");
    EXPECT_EQ(InstrumentSection(std::numeric_limits<int>::min(), QString()), u"VX_-2147483648_");
    EXPECT_EQ(InstrumentSection(3, QString()), u"VX_0003_");
}

TEST(AppCustomisationReset, FirstStartResetsAndRecordsTheLanguage) {
    MemorySettingsStore settings;
    EXPECT_TRUE(ApplyCustomisationReset(settings, AppIdentity::InterfaceLanguage()));
    EXPECT_EQ(settings.GetInt(SettingsKeys::SettingsSection(), SettingsKeys::MenuResetVersion(), 0),
              1);
    EXPECT_EQ(settings.GetString(SettingsKeys::SettingsSection(), SettingsKeys::MenuLang(), {}),
              u"FR");
    // The flag is stored as a number and the language as text.
    EXPECT_EQ(
        settings.Raw(SettingsKeys::SettingsSection(), SettingsKeys::MenuResetVersion()).typeId(),
        QMetaType::Int);

    EXPECT_FALSE(ApplyCustomisationReset(settings, AppIdentity::InterfaceLanguage()));
}

TEST(AppCustomisationReset, LanguageDecidesTheNextReset) {
    using namespace SettingsKeys;
    MemorySettingsStore settings;
    settings.SetInt(SettingsSection(), MenuResetVersion(), 1);
    settings.SetString(SettingsSection(), MenuLang(), QStringLiteral("fr"));
    EXPECT_FALSE(ApplyCustomisationReset(settings, QStringLiteral("FR")))
        << "the language compares without regard to case";
    EXPECT_EQ(settings.GetString(SettingsSection(), MenuLang(), {}), u"fr")
        << "nothing is rewritten when no reset happens";

    settings.SetString(SettingsSection(), MenuLang(), QStringLiteral("EN"));
    EXPECT_TRUE(ApplyCustomisationReset(settings, QStringLiteral("FR")));
    EXPECT_EQ(settings.GetString(SettingsSection(), MenuLang(), {}), u"FR");

    // The right language without the flag is still a first start.
    settings.SetInt(SettingsSection(), MenuResetVersion(), 0);
    EXPECT_TRUE(ApplyCustomisationReset(settings, QStringLiteral("FR")));
}

TEST(AppFolders, FoldersLiveUnderTheDocumentsFolderAndAreCreated) {
    QTemporaryDir documents;
    ASSERT_TRUE(documents.isValid());
    QTemporaryDir own;
    ASSERT_TRUE(own.isValid());
    const AppFolders folders(documents.path(), {own.filePath(QStringLiteral("data")),
                                                own.filePath(QStringLiteral("cache"))});
    EXPECT_EQ(folders.DocumentsFolder(), documents.path() + u'/');

    const QString data = folders.DataFolder();
    EXPECT_EQ(data, documents.path() + QStringLiteral("/Vexlo/DataFiles"));
    EXPECT_TRUE(QFileInfo(data).isDir());

    EXPECT_EQ(folders.ProgramFolder(), documents.path() + QStringLiteral("/Vexlo"));
    // The program's own files stay out of the documents.
    const QString help = folders.DownloadedHelpPath();
    EXPECT_EQ(help, own.filePath(QStringLiteral("data/Vexlo.html")));
    EXPECT_FALSE(QFileInfo::exists(own.filePath(QStringLiteral("data"))))
        << "made only when the update check brings the pages";
    EXPECT_EQ(folders.ProgramDownloadFolder(), own.filePath(QStringLiteral("cache")));
    EXPECT_TRUE(QFileInfo(folders.ProgramDownloadFolder()).isDir());
}

TEST(AppFolders, NoDocumentsFolderMeansTheTempFolder) {
    const AppFolders folders{QString(), {}};
    EXPECT_EQ(folders.DocumentsFolder(), QDir::tempPath() + u'/');
    EXPECT_FALSE(AppFolders::SystemDocumentsFolder().isEmpty());
}

TEST(AppFolders, TheInstalledHelpLiesBesideTheProgramsFolder) {
    EXPECT_EQ(InstalledHelpPath(QStringLiteral("/usr/bin")), u"/usr/share/vexlo/help/vexlo.html");
    EXPECT_EQ(InstalledHelpPath(QStringLiteral("/opt/vexlo/bin/")),
              u"/opt/vexlo/share/vexlo/help/vexlo.html");
    EXPECT_EQ(InstalledHelpPath(QStringLiteral("/home/u/src/build/bin")),
              u"/home/u/src/build/share/vexlo/help/vexlo.html");
    // The English page lies beside the French one.
    EXPECT_EQ(InstalledHelpPath(QStringLiteral("/usr/bin"), InterfaceLanguageType::English),
              u"/usr/share/vexlo/help/vexlo-en.html");
    EXPECT_EQ(InstalledHelpPath(QStringLiteral("/usr/bin"), InterfaceLanguageType::French),
              u"/usr/share/vexlo/help/vexlo.html");
}

TEST(AppFolders, HelpPageUrlHasOneAnchorPerContext) {
    const QString file = QStringLiteral("/opt/aide/Vexlo.html");
    EXPECT_EQ(HelpPageUrl(file, HelpContext::kRealtimeView).toString(),
              u"file:///opt/aide/Vexlo.html#ctx-40001");
    EXPECT_EQ(HelpPageUrl(file, HelpContext::kNone).fragment(), u"ctx-80");
    EXPECT_NE(HelpPageUrl(file, HelpContext::kSessionTrend),
              HelpPageUrl(file, HelpContext::kSessionTable));
    EXPECT_FALSE(HelpPageUrl(file, 0).hasFragment());
    EXPECT_EQ(HelpPageUrl(QStringLiteral("/a b/Vexlo.html"), 0).toLocalFile(), u"/a b/Vexlo.html");
}

TEST(AppLeftoverExecutable, RemovesOnlyTheTildeCopy) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString program = dir.filePath(QStringLiteral("vexlo"));
    Touch(program);
    EXPECT_EQ(LeftoverExecutablePath(program), program + u'~');

    EXPECT_EQ(RemoveLeftoverExecutable(program), LeftoverRemovalType::NothingLeft);
    Touch(program + u'~');
    EXPECT_EQ(RemoveLeftoverExecutable(program), LeftoverRemovalType::Removed);
    EXPECT_FALSE(QFileInfo::exists(program + u'~'));
    EXPECT_TRUE(QFileInfo::exists(program));
    EXPECT_EQ(RemoveLeftoverExecutable(QString()), LeftoverRemovalType::NothingLeft);
}

TEST(AppLeftoverExecutable, ReportsWhatCannotBeRemoved) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString program = dir.filePath(QStringLiteral("vexlo"));
    ASSERT_TRUE(QDir().mkdir(program + u'~'));
    EXPECT_EQ(RemoveLeftoverExecutable(program), LeftoverRemovalType::Failed);

    // A link left there goes, what it points to stays.
    const QString other = dir.filePath(QStringLiteral("autre"));
    const QString second = dir.filePath(QStringLiteral("vexlo2"));
    Touch(other);
    ASSERT_TRUE(QFile::link(other, second + u'~'));
    EXPECT_EQ(RemoveLeftoverExecutable(second), LeftoverRemovalType::Removed);
    EXPECT_TRUE(QFileInfo::exists(other));
    // A dangling one as well.
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("absent")), second + u'~'));
    EXPECT_EQ(RemoveLeftoverExecutable(second), LeftoverRemovalType::Removed);
}
