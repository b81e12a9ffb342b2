#include "core/app/AppIdentity.h"
#include "core/app/LeftoverExecutable.h"
#include "core/app/SettingsKeys.h"
#include "core/app/WebUpdate.h"
#include "core/common/StringTable.h"
#include "support/FakeHttpClient.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedUserInterface.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

const QString kServer = QStringLiteral("https://updates.test");
const QString kVersionsUrl = kServer + QStringLiteral("/brivel-software/updates/versions.txt");

QByteArray Versions(const QByteArray& program,
                    const QByteArray& help = "2.0.5;https://updates.test/help.html") {
    return "[VexloEN]\r\nVxExe=9.9.9999;https://elsewhere.test/en.exe\r\n"
           "[VexloFR]\r\nVxExe=" +
           program + "\r\nHelp=" + help +
           "\r\nVxHex=3.10.0000;https://updates.test/vx.hex\r\n"
           "Manual=1.0.0;https://updates.test/manual\r\n";
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class WebUpdateTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        settings_.SetString(SettingsKeys::SettingsSection(), SettingsKeys::UpdateServer(), kServer);
    }
    QString Path(const QString& name) const { return dir_.filePath(name); }
    std::vector<QString> MessageTexts() const {
        std::vector<QString> out;
        for (const auto& e : ui_.Messages())
            out.push_back(e.text);
        return out;
    }
    // No file of the folder other than those named: nothing was left half written.
    QStringList FilesIn(const QString& folder) const {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QTemporaryDir dir_;
    FakeHttpClient http_;
    MemorySettingsStore settings_;
    ScriptedUserInterface ui_;
    WebUpdate web_{http_, settings_, ui_};
};

TEST_F(WebUpdateTest, VersionsAreFetchedOnceARunWithTheTextHeaders) {
    http_.Serve(kVersionsUrl, Versions("1.1.0001;https://updates.test/vexlo"));
    ASSERT_TRUE(web_.FetchVersions(true));
    ASSERT_TRUE(web_.FetchVersions(false));
    ASSERT_EQ(http_.Requests().size(), 1u);
    EXPECT_EQ(http_.Requests()[0].type, HttpContentType::Text);
    EXPECT_EQ(web_.Versions().program, u"1.1.0001;https://updates.test/vexlo");
    EXPECT_EQ(web_.Versions().firmware, u"3.10.0000;https://updates.test/vx.hex");
    EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(WebUpdateTest, AFailedFetchIsTriedAgainAtTheNextNeed) {
    EXPECT_FALSE(web_.FetchVersions(true));
    EXPECT_TRUE(ui_.Messages().empty()); // automatic checks are silent
    http_.Serve(kVersionsUrl, Versions("1.1.0000;x"));
    EXPECT_TRUE(web_.FetchVersions(true));
    EXPECT_EQ(http_.Requests().size(), 2u);
}

TEST_F(WebUpdateTest, NoServerAskedByTheUserShowsBothMessagesInTurn) {
    EXPECT_FALSE(web_.FetchVersions(false));
    EXPECT_EQ(web_.LastFetch(), FetchResultType::Unreadable);
    EXPECT_EQ(MessageTexts(), (std::vector<QString>{ResourceString(TextId::kVersionsUnreadable),
                                                    ResourceString(TextId::kServerUnusable)}));
}

TEST_F(WebUpdateTest, AFileWithoutTheWantedSectionIsUnusable) {
    http_.Serve(kVersionsUrl, "<html>Not the versions file</html>\n[VexloEN]\nVxExe=2.0.0;x\n");
    EXPECT_FALSE(web_.FetchVersions(false));
    EXPECT_EQ(web_.LastFetch(), FetchResultType::Unusable);
    EXPECT_EQ(MessageTexts(), std::vector<QString>{ResourceString(TextId::kServerUnusable)});
}

TEST_F(WebUpdateTest, ACutVersionsFileCountsAsUnread) {
    const QByteArray body = Versions("1.1.0001;https://updates.test/vexlo");
    http_.ServeCut(kVersionsUrl, body, body.size() + 1);
    EXPECT_FALSE(web_.FetchVersions(true));
    EXPECT_EQ(web_.LastFetch(), FetchResultType::Unreadable);
    http_.ServeCut(kVersionsUrl, body, body.size());
    EXPECT_TRUE(web_.FetchVersions(true));
}

TEST_F(WebUpdateTest, ARefusedServerIsNeverContacted) {
    web_.SetServer(QStringLiteral("http://updates.test"));
    EXPECT_FALSE(web_.FetchVersions(false));
    EXPECT_EQ(web_.LastFetch(), FetchResultType::Refused);
    EXPECT_TRUE(http_.Requests().empty());
    ASSERT_EQ(ui_.Messages().size(), 1u);
    EXPECT_TRUE(ui_.Messages()[0].text.contains(u"http://updates.test"));
}

TEST_F(WebUpdateTest, TheServerOptionOverridesTheSetting) {
    web_.SetServer(QStringLiteral("http://127.0.0.1:8123/mirror/"));
    web_.FetchVersions(true);
    ASSERT_EQ(http_.Requests().size(), 1u);
    EXPECT_EQ(http_.Requests()[0].url.toString(),
              u"http://127.0.0.1:8123/mirror/brivel-software/updates/versions.txt");
}

TEST_F(WebUpdateTest, ADownloadReplacesItsFileOnlyWhenWhole) {
    const QString target = Path(QStringLiteral("help.html"));
    WriteAll(target, "old");
    const QString url = QStringLiteral("https://updates.test/help.html");

    http_.ServeCut(url, "new pages", 10);
    EXPECT_EQ(web_.DownloadFile(url, target).end, DownloadEndType::Incomplete);
    http_.ServeBroken(url, "new pages");
    EXPECT_EQ(web_.DownloadFile(url, target).end, DownloadEndType::Incomplete);
    http_.Serve(url, "");
    EXPECT_EQ(web_.DownloadFile(url, target).end, DownloadEndType::Incomplete);
    EXPECT_EQ(ReadAll(target), "old");
    EXPECT_EQ(FilesIn(dir_.path()), QStringList{QStringLiteral("help.html")});

    http_.Serve(url, "new pages");
    EXPECT_TRUE(web_.DownloadFile(url, target));
    EXPECT_EQ(ReadAll(target), "new pages");
    EXPECT_EQ(http_.Requests().back().type, HttpContentType::Binary);
    EXPECT_EQ(FilesIn(dir_.path()), QStringList{QStringLiteral("help.html")});
}

TEST_F(WebUpdateTest, DownloadsFollowTheAddressRule) {
    const DownloadResult r =
        web_.DownloadFile(QStringLiteral("ftp://updates.test/x"), Path(QStringLiteral("x")));
    EXPECT_EQ(r.end, DownloadEndType::Refused);
    QByteArray body;
    EXPECT_EQ(web_.FetchText(QStringLiteral("http://192.168.1.2/x.hex"), body, 100).end,
              DownloadEndType::Refused);
    EXPECT_TRUE(http_.Requests().empty());
}

TEST_F(WebUpdateTest, FetchedTextMustArriveWholeAndWithinItsLimit) {
    const QString url = QStringLiteral("https://updates.test/vx.hex");
    QByteArray body;
    http_.Serve(url, QByteArray(100, 'a'));
    EXPECT_TRUE(web_.FetchText(url, body, 100));
    EXPECT_EQ(body.size(), 100);
    EXPECT_FALSE(web_.FetchText(url, body, 99));
    EXPECT_TRUE(body.isEmpty());
    http_.ServeCut(url, QByteArray(100, 'a'), 101);
    EXPECT_FALSE(web_.FetchText(url, body, 1000));
}

class ProgramUpdateTest : public WebUpdateTest {
protected:
    void SetUp() override {
        WebUpdateTest::SetUp();
        QDir(dir_.path()).mkpath(QStringLiteral("bin"));
        program_ = Path(QStringLiteral("bin/vexlo"));
        WriteAll(program_, "running program");
        data_ = Path(QStringLiteral("data"));
    }
    bool Check() {
        return web_.CheckProgramUpdate(program_, data_, [this](const QString& path) {
            started_.push_back(path);
            return true;
        });
    }

    QString program_;
    QString data_;
    std::vector<QString> started_;
};

TEST_F(ProgramUpdateTest, OnlyANewerProgramIsOffered) {
    http_.Serve(kVersionsUrl, Versions("1.1.0000;https://updates.test/vexlo"));
    EXPECT_FALSE(Check());
    EXPECT_TRUE(ui_.EventsOf(ScriptedUserInterface::KindType::YesNoCancel).empty());

    WebUpdate again(http_, settings_, ui_);
    http_.Serve(kVersionsUrl, Versions("1.1.0001;https://updates.test/vexlo"));
    EXPECT_FALSE(again.CheckProgramUpdate(program_, data_, {}));
    const auto asked = ui_.EventsOf(ScriptedUserInterface::KindType::YesNoCancel);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, ResourceString(TextId::kNewerProgram));
    EXPECT_EQ(ReadAll(program_), "running program");
}

TEST_F(ProgramUpdateTest, ATwoPartVersionIsNewerThanAnyOneDotOne) {
    http_.Serve(kVersionsUrl, Versions("2.0;https://updates.test/vexlo"));
    ui_.Answer(AnswerType::No);
    EXPECT_FALSE(Check());
    EXPECT_EQ(ui_.EventsOf(ScriptedUserInterface::KindType::YesNoCancel).size(), 1u);
}

TEST_F(ProgramUpdateTest, YesReplacesTheProgramAndStartsTheNewOne) {
    http_.Serve(kVersionsUrl, Versions("1.2.0000;https://updates.test/vexlo"));
    http_.Serve(QStringLiteral("https://updates.test/vexlo"), "new program");
    ui_.Answer(AnswerType::Yes);
    EXPECT_TRUE(Check());
    EXPECT_EQ(ReadAll(program_), "new program");
    EXPECT_EQ(ReadAll(LeftoverExecutablePath(program_)), "running program");
    EXPECT_TRUE(QFileInfo(program_).isExecutable());
    EXPECT_EQ(started_, std::vector<QString>{program_});
    EXPECT_EQ(ReadAll(WebUpdate::DownloadedProgramPath(program_, data_)), "new program");
}

TEST_F(ProgramUpdateTest, ACutDownloadChangesNothing) {
    http_.Serve(kVersionsUrl, Versions("1.2.0000;https://updates.test/vexlo"));
    http_.ServeCut(QStringLiteral("https://updates.test/vexlo"), "new prog", 11);
    ui_.Answer(AnswerType::Yes);
    EXPECT_FALSE(Check());
    EXPECT_EQ(ReadAll(program_), "running program");
    EXPECT_FALSE(QFile::exists(LeftoverExecutablePath(program_)));
    EXPECT_FALSE(QFile::exists(WebUpdate::DownloadedProgramPath(program_, data_)));
    EXPECT_TRUE(started_.empty());
    ASSERT_EQ(ui_.Messages().size(), 1u);
    EXPECT_EQ(ui_.Messages()[0].icon, MessageIconType::Error);
}

TEST_F(ProgramUpdateTest, ASystemInstallKeepsTheProgramAndSaysWhereTheNewOneIs) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "the administrator may write everywhere";
    QFile::setPermissions(Path(QStringLiteral("bin")),
                          QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    http_.Serve(kVersionsUrl, Versions("1.2.0000;https://updates.test/vexlo"));
    http_.Serve(QStringLiteral("https://updates.test/vexlo"), "new program");
    ui_.Answer(AnswerType::Yes);
    EXPECT_FALSE(Check());
    QFile::setPermissions(Path(QStringLiteral("bin")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(ReadAll(program_), "running program");
    EXPECT_TRUE(started_.empty());
    ASSERT_EQ(ui_.Messages().size(), 1u);
    EXPECT_TRUE(ui_.Messages()[0].text.contains(WebUpdate::DownloadedProgramPath(program_, data_)));
}

class HelpUpdateTest : public WebUpdateTest {
protected:
    void Installed(int version, const QString& language) {
        settings_.SetInt(SettingsKeys::SettingsSection(), SettingsKeys::HelpVersion(), version);
        settings_.SetString(SettingsKeys::SettingsSection(), SettingsKeys::HelpLang(), language);
    }
    const QString help_ = dir_.filePath(QStringLiteral("Vexlo.html"));
    const QString helpUrl_ = QStringLiteral("https://updates.test/help.html");
    const int latest_ = static_cast<int>(VersionNumber(u"2.0.5"));
};

TEST_F(HelpUpdateTest, ACurrentHelpInTheInterfaceLanguageIsNotDownloaded) {
    http_.Serve(kVersionsUrl, Versions("1.1.0000;x"));
    WriteAll(help_, "installed");
    Installed(latest_, QStringLiteral("fr"));
    bool exists = false;
    EXPECT_TRUE(web_.CheckHelp(help_, exists));
    EXPECT_TRUE(exists);
    EXPECT_EQ(http_.Requests().size(), 1u);
}

TEST_F(HelpUpdateTest, AnOlderOrOtherLanguageOrMissingHelpIsDownloaded) {
    http_.Serve(kVersionsUrl, Versions("1.1.0000;x"));
    http_.Serve(helpUrl_, "new help");
    const struct {
        int version;
        const char* language;
        bool present;
    } cases[] = {{latest_ - 1, "FR", true}, {latest_, "EN", true}, {latest_, "FR", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        QFile::remove(help_);
        if (c.present)
            WriteAll(help_, "installed");
        Installed(c.version, QString::fromLatin1(c.language));
        bool exists = false;
        EXPECT_TRUE(web_.CheckHelp(help_, exists));
        EXPECT_TRUE(exists);
        EXPECT_EQ(ReadAll(help_), "new help");
        EXPECT_EQ(settings_.GetInt(SettingsKeys::SettingsSection(), SettingsKeys::HelpVersion(), 0),
                  latest_);
        EXPECT_EQ(
            settings_.GetString(SettingsKeys::SettingsSection(), SettingsKeys::HelpLang(), {}),
            AppIdentity::InterfaceLanguage());
    }
}

TEST_F(HelpUpdateTest, AFailedHelpDownloadKeepsTheInstalledFile) {
    http_.Serve(kVersionsUrl, Versions("1.1.0000;x"));
    http_.ServeCut(helpUrl_, "new h", 8);
    WriteAll(help_, "installed");
    Installed(1, QStringLiteral("FR"));
    bool exists = false;
    EXPECT_FALSE(web_.CheckHelp(help_, exists));
    EXPECT_TRUE(exists);
    EXPECT_EQ(ReadAll(help_), "installed");
    EXPECT_EQ(settings_.GetInt(SettingsKeys::SettingsSection(), SettingsKeys::HelpVersion(), 0), 1);
}

TEST_F(HelpUpdateTest, NoServerLeavesOnlyAnExistingFile) {
    bool exists = true;
    EXPECT_FALSE(web_.CheckHelp(help_, exists));
    EXPECT_FALSE(exists);
    EXPECT_EQ(ui_.Messages().size(), 2u);
}

TEST_F(WebUpdateTest, TheManualComesFromTheServerElseFromTheSetting) {
    EXPECT_EQ(web_.ManualAddress(), SettingsKeys::ManualPageDefault());
    http_.Serve(kVersionsUrl, Versions("1.1.0000;x"));
    EXPECT_EQ(web_.ManualAddress(), u"https://updates.test/manual");
}

} // namespace
