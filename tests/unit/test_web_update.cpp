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
#include <optional>
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
    // Each runs its operation with every request answered at once.
    bool Fetch(bool quiet) {
        std::optional<bool> fetched;
        const WebTaskHandle task = web_.FetchVersions(quiet, [&](bool ok) { fetched = ok; });
        http_.AnswerAll();
        EXPECT_TRUE(fetched.has_value());
        return fetched.value_or(false);
    }
    DownloadResult Download(const QString& url, const QString& target) {
        std::optional<DownloadResult> got;
        const WebTaskHandle task =
            web_.DownloadFile(url, target, [&](const DownloadResult& r) { got = r; });
        http_.AnswerAll();
        EXPECT_TRUE(got.has_value());
        return got.value_or(DownloadResult{DownloadEndType::Failed, {}});
    }
    DownloadResult FetchText(const QString& url, QByteArray& body, qint64 maxBytes) {
        std::optional<DownloadResult> got;
        const WebTaskHandle task =
            web_.FetchText(url, maxBytes, WebUpdate::kFirmwareTextLimits,
                           [&](const DownloadResult& r, const QByteArray& b) {
                               got = r;
                               body = b;
                           });
        http_.AnswerAll();
        EXPECT_TRUE(got.has_value());
        return got.value_or(DownloadResult{DownloadEndType::Failed, {}});
    }
    QString Manual() {
        QString page;
        const WebTaskHandle task = web_.ManualAddress([&](const QString& p) { page = p; });
        http_.AnswerAll();
        return page;
    }

    QTemporaryDir dir_;
    FakeHttpClient http_;
    MemorySettingsStore settings_;
    ScriptedUserInterface ui_;
    WebUpdate web_{http_, settings_, ui_};
};

TEST_F(WebUpdateTest, VersionsAreReadOnceARunWithTheTextHeadersAndLimits) {
    http_.Serve(kVersionsUrl, Versions("1.1.0001;https://updates.test/vexlo"));
    // Two checks at the same time share one request.
    std::vector<bool> ends;
    const WebTaskHandle first = web_.FetchVersions(true, [&](bool ok) { ends.push_back(ok); });
    const WebTaskHandle second = web_.FetchVersions(false, [&](bool ok) { ends.push_back(ok); });
    EXPECT_TRUE(ends.empty());
    http_.AnswerAll();
    EXPECT_EQ(ends, (std::vector<bool>{true, true}));
    // Later ones end at once, with nothing to cancel.
    EXPECT_EQ(web_.FetchVersions(false, [&](bool ok) { ends.push_back(ok); }), nullptr);
    EXPECT_EQ(ends.size(), 3u);
    ASSERT_EQ(http_.Requests().size(), 1u);
    const HttpGet& get = http_.Requests()[0].get;
    EXPECT_EQ(get.type, HttpContentType::Text);
    EXPECT_EQ(get.maxBytes, WebUpdate::kMaxVersionsBytes);
    EXPECT_EQ(get.limits.connectMs, WebUpdate::kVersionsLimits.connectMs);
    EXPECT_EQ(get.limits.overallMs, WebUpdate::kVersionsLimits.overallMs);
    EXPECT_EQ(web_.Versions().program, u"1.1.0001;https://updates.test/vexlo");
    EXPECT_EQ(web_.Versions().firmware, u"3.10.0000;https://updates.test/vx.hex");
    EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(WebUpdateTest, AFailedFetchIsTriedAgainAtTheNextNeed) {
    EXPECT_FALSE(Fetch(true));
    EXPECT_TRUE(ui_.Messages().empty()); // automatic checks are silent
    http_.Serve(kVersionsUrl, Versions("1.1.0000;x"));
    EXPECT_TRUE(Fetch(true));
    EXPECT_EQ(http_.Requests().size(), 2u);
}

TEST_F(WebUpdateTest, NoServerAskedByTheUserShowsBothMessagesInTurnOnce) {
    std::vector<bool> ends;
    const WebTaskHandle quiet = web_.FetchVersions(true, [&](bool ok) { ends.push_back(ok); });
    const WebTaskHandle asked = web_.FetchVersions(false, [&](bool ok) { ends.push_back(ok); });
    const WebTaskHandle again = web_.FetchVersions(false, [&](bool ok) { ends.push_back(ok); });
    http_.AnswerAll();
    EXPECT_EQ(ends, (std::vector<bool>{false, false, false}));
    EXPECT_EQ(web_.LastFetch(), FetchResultType::Unreadable);
    EXPECT_EQ(MessageTexts(), (std::vector<QString>{ResourceString(TextId::kVersionsUnreadable),
                                                    ResourceString(TextId::kServerUnusable)}));
}

TEST_F(WebUpdateTest, AServerThatNeverAnswersIsGivenUpAtTheConnectionLimit) {
    http_.ServeSilence(kVersionsUrl);
    std::optional<bool> fetched;
    const WebTaskHandle task = web_.FetchVersions(false, [&](bool ok) { fetched = ok; });
    http_.AnswerAll();
    http_.AdvanceMs(WebUpdate::kVersionsLimits.connectMs - 1);
    EXPECT_FALSE(fetched.has_value());
    http_.AdvanceMs(1);
    EXPECT_EQ(fetched, false);
    EXPECT_EQ(web_.LastFetch(), FetchResultType::Unreadable);
    EXPECT_EQ(ui_.Messages().size(), 2u);
}

TEST_F(WebUpdateTest, DroppingEveryWaitingCheckCancelsTheRequest) {
    http_.ServeSilence(kVersionsUrl);
    bool called = false;
    WebTaskHandle first = web_.FetchVersions(false, [&](bool) { called = true; });
    WebTaskHandle second = web_.FetchVersions(true, [&](bool) { called = true; });
    first.reset();
    EXPECT_FALSE(http_.Requests()[0].cancelled);
    second.reset();
    EXPECT_TRUE(http_.Requests()[0].cancelled);
    EXPECT_EQ(http_.Waiting(), 0u);
    http_.AdvanceMs(WebUpdate::kVersionsLimits.overallMs);
    EXPECT_FALSE(called);
    EXPECT_TRUE(ui_.Messages().empty());

    // The one left waiting still hears the end.
    http_.Serve(kVersionsUrl, Versions("1.1.0000;x"));
    std::optional<bool> kept;
    WebTaskHandle dropped = web_.FetchVersions(false, [&](bool) { called = true; });
    const WebTaskHandle waiting = web_.FetchVersions(true, [&](bool ok) { kept = ok; });
    dropped.reset();
    http_.AnswerAll();
    EXPECT_EQ(kept, true);
    EXPECT_FALSE(called);
}

TEST_F(WebUpdateTest, AFileWithoutTheWantedSectionIsUnusable) {
    http_.Serve(kVersionsUrl, "<html>Not the versions file</html>\n[VexloEN]\nVxExe=2.0.0;x\n");
    EXPECT_FALSE(Fetch(false));
    EXPECT_EQ(web_.LastFetch(), FetchResultType::Unusable);
    EXPECT_EQ(MessageTexts(), std::vector<QString>{ResourceString(TextId::kServerUnusable)});
}

TEST_F(WebUpdateTest, ACutOrErrorVersionsFileCountsAsUnread) {
    const QByteArray body = Versions("1.1.0001;https://updates.test/vexlo");
    http_.ServeCut(kVersionsUrl, body, body.size() + 1);
    EXPECT_FALSE(Fetch(true));
    EXPECT_EQ(web_.LastFetch(), FetchResultType::Unreadable);
    http_.ServeStatus(kVersionsUrl, 500, body);
    EXPECT_FALSE(Fetch(true));
    EXPECT_EQ(web_.LastFetch(), FetchResultType::Unreadable);
    http_.ServeCut(kVersionsUrl, body, body.size());
    EXPECT_TRUE(Fetch(true));
}

TEST_F(WebUpdateTest, ARefusedServerIsNeverContacted) {
    web_.SetServer(QStringLiteral("http://updates.test"));
    std::optional<bool> fetched;
    EXPECT_EQ(web_.FetchVersions(false, [&](bool ok) { fetched = ok; }), nullptr);
    EXPECT_EQ(fetched, false);
    EXPECT_EQ(web_.LastFetch(), FetchResultType::Refused);
    EXPECT_TRUE(http_.Requests().empty());
    ASSERT_EQ(ui_.Messages().size(), 1u);
    EXPECT_TRUE(ui_.Messages()[0].text.contains(u"http://updates.test"));
}

TEST_F(WebUpdateTest, TheServerOptionOverridesTheSetting) {
    web_.SetServer(QStringLiteral("http://127.0.0.1:8123/mirror/"));
    Fetch(true);
    ASSERT_EQ(http_.Requests().size(), 1u);
    EXPECT_EQ(http_.Requests()[0].get.url.toString(),
              u"http://127.0.0.1:8123/mirror/brivel-software/updates/versions.txt");
}

TEST_F(WebUpdateTest, ADownloadReplacesItsFileOnlyWhenWhole) {
    const QString target = Path(QStringLiteral("help.html"));
    WriteAll(target, "old");
    const QString url = QStringLiteral("https://updates.test/help.html");

    http_.ServeCut(url, "new pages", 10);
    EXPECT_EQ(Download(url, target).end, DownloadEndType::Incomplete);
    http_.ServeBroken(url, "new pages");
    EXPECT_EQ(Download(url, target).end, DownloadEndType::Incomplete);
    http_.Serve(url, "");
    EXPECT_EQ(Download(url, target).end, DownloadEndType::Incomplete);
    http_.ServeStatus(url, 404, "<html>Not found</html>");
    EXPECT_EQ(Download(url, target).end, DownloadEndType::HttpError);
    EXPECT_EQ(ReadAll(target), "old");
    EXPECT_EQ(FilesIn(dir_.path()), QStringList{QStringLiteral("help.html")});

    // Cancelled half way.
    http_.ServeSilence(url);
    bool called = false;
    WebTaskHandle task =
        web_.DownloadFile(url, target, [&](const DownloadResult&) { called = true; });
    http_.AnswerAll();
    task.reset();
    EXPECT_FALSE(called);
    EXPECT_TRUE(http_.Requests().back().cancelled);
    EXPECT_EQ(FilesIn(dir_.path()), QStringList{QStringLiteral("help.html")});

    http_.Serve(url, "new pages");
    EXPECT_TRUE(Download(url, target));
    EXPECT_EQ(ReadAll(target), "new pages");
    const HttpGet& get = http_.Requests().back().get;
    EXPECT_EQ(get.type, HttpContentType::Binary);
    EXPECT_EQ(get.limits.overallMs, WebUpdate::kDownloadLimits.overallMs);
    EXPECT_EQ(FilesIn(dir_.path()), QStringList{QStringLiteral("help.html")});
}

TEST_F(WebUpdateTest, AnErrorStatusIsSaidAsSuchNotAsACutDownload) {
    const QString url = QStringLiteral("https://updates.test/vexlo");
    const QString cut = FormatResource(TextId::kDownloadIncomplete, {url});
    for (const int status : {404, 500}) {
        SCOPED_TRACE(status);
        http_.ServeStatus(url, status, "error page");
        const DownloadResult r = Download(url, Path(QStringLiteral("vexlo")));
        EXPECT_EQ(r.end, DownloadEndType::HttpError);
        EXPECT_TRUE(r.message.contains(u"réponse HTTP %1"_qs.arg(status)))
            << r.message.toStdString();
        EXPECT_NE(r.message, cut);
    }
    http_.ServeCut(url, "new", 4);
    EXPECT_EQ(Download(url, Path(QStringLiteral("vexlo"))).message, cut);

    http_.ServeSilence(url);
    std::optional<DownloadResult> got;
    const WebTaskHandle task = web_.DownloadFile(url, Path(QStringLiteral("vexlo")),
                                                 [&](const DownloadResult& r) { got = r; });
    http_.AnswerAll();
    http_.AdvanceMs(WebUpdate::kDownloadLimits.connectMs);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->end, DownloadEndType::Failed);
    EXPECT_TRUE(got->message.contains(u"aucune réponse du serveur en 5 s"_qs))
        << got->message.toStdString();
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("vexlo"))));
}

TEST_F(WebUpdateTest, DownloadsFollowTheAddressRule) {
    std::optional<DownloadResult> got;
    EXPECT_EQ(web_.DownloadFile(QStringLiteral("ftp://updates.test/x"), Path(QStringLiteral("x")),
                                [&](const DownloadResult& r) { got = r; }),
              nullptr);
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->end, DownloadEndType::Refused);
    QByteArray body;
    EXPECT_EQ(FetchText(QStringLiteral("http://192.168.1.2/x.hex"), body, 100).end,
              DownloadEndType::Refused);
    EXPECT_TRUE(http_.Requests().empty());
}

TEST_F(WebUpdateTest, FetchedTextMustArriveWholeAndWithinItsLimit) {
    const QString url = QStringLiteral("https://updates.test/vx.hex");
    QByteArray body;
    http_.Serve(url, QByteArray(100, 'a'));
    EXPECT_TRUE(FetchText(url, body, 101));
    EXPECT_TRUE(FetchText(url, body, 100));
    EXPECT_EQ(body.size(), 100);
    EXPECT_EQ(http_.Requests().back().get.limits.overallMs,
              WebUpdate::kFirmwareTextLimits.overallMs);
    EXPECT_FALSE(FetchText(url, body, 99));
    EXPECT_TRUE(body.isEmpty());
    http_.ServeCut(url, QByteArray(100, 'a'), 101);
    EXPECT_FALSE(FetchText(url, body, 1000));
    EXPECT_TRUE(body.isEmpty());
}

class ProgramUpdateTest : public WebUpdateTest {
protected:
    void SetUp() override {
        WebUpdateTest::SetUp();
        QDir(dir_.path()).mkpath(QStringLiteral("bin"));
        program_ = Path(QStringLiteral("bin/vexlo"));
        WriteAll(program_, "running program");
        data_ = Path(QStringLiteral("cache"));
    }
    WebTaskHandle Start(WebUpdate& web, std::optional<bool>& started) {
        return web.CheckProgramUpdate(
            program_, data_,
            [this](const QString& path) {
                started_.push_back(path);
                return true;
            },
            [this](const QString& text) { waits_.push_back(text); },
            [&started](bool s) { started = s; });
    }
    bool Check() {
        std::optional<bool> started;
        const WebTaskHandle task = Start(web_, started);
        http_.AnswerAll();
        EXPECT_TRUE(started.has_value());
        return started.value_or(false);
    }

    QString program_;
    QString data_;
    std::vector<QString> started_;
    std::vector<QString> waits_;
};

TEST_F(ProgramUpdateTest, OnlyANewerProgramIsOffered) {
    http_.Serve(kVersionsUrl, Versions("1.1.0000;https://updates.test/vexlo"));
    EXPECT_FALSE(Check());
    EXPECT_TRUE(ui_.EventsOf(ScriptedUserInterface::KindType::YesNoCancel).empty());

    WebUpdate again(http_, settings_, ui_);
    http_.Serve(kVersionsUrl, Versions("1.1.0001;https://updates.test/vexlo"));
    std::optional<bool> started;
    const WebTaskHandle task = Start(again, started);
    http_.AnswerAll();
    EXPECT_EQ(started, false);
    const auto asked = ui_.EventsOf(ScriptedUserInterface::KindType::YesNoCancel);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, ResourceString(TextId::kNewerProgram));
    EXPECT_EQ(ReadAll(program_), "running program");
    EXPECT_TRUE(waits_.empty());
}

TEST_F(ProgramUpdateTest, AnAnnouncingProgramIsSilentAboutItsOwnVersion) {
    WebUpdate packaged(http_, settings_, ui_, ProgramUpdateType::Announce);
    http_.Serve(kVersionsUrl, Versions("1.1.0000;https://updates.test/vexlo"));
    std::optional<bool> started;
    const WebTaskHandle task = Start(packaged, started);
    http_.AnswerAll();
    EXPECT_EQ(started, false);
    EXPECT_TRUE(ui_.Events().empty());
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
    // Nothing is left of the download once the new program is in place.
    EXPECT_FALSE(QFile::exists(WebUpdate::DownloadedProgramPath(program_, data_)));
    EXPECT_TRUE(QDir(data_).isEmpty());
    // The download the user agreed to was shown while it ran.
    EXPECT_EQ(waits_, (std::vector<QString>{ResourceString(TextId::kServerWaitProgram), {}}));
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

TEST_F(ProgramUpdateTest, ACancelledDownloadChangesNothingAndSaysNothing) {
    http_.Serve(kVersionsUrl, Versions("1.2.0000;https://updates.test/vexlo"));
    http_.ServeSilence(QStringLiteral("https://updates.test/vexlo"));
    ui_.Answer(AnswerType::Yes);
    std::optional<bool> started;
    WebTaskHandle task = Start(web_, started);
    http_.AnswerAll();
    ASSERT_EQ(http_.Waiting(), 1u);
    task.reset();
    EXPECT_TRUE(http_.Requests().back().cancelled);
    EXPECT_FALSE(started.has_value());
    EXPECT_EQ(ReadAll(program_), "running program");
    EXPECT_FALSE(QFile::exists(WebUpdate::DownloadedProgramPath(program_, data_)));
    EXPECT_TRUE(ui_.Messages().empty());
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
    bool Check() {
        std::optional<bool> current;
        const WebTaskHandle task = web_.CheckHelp(help_, [&](bool ok) { current = ok; });
        http_.AnswerAll();
        EXPECT_TRUE(current.has_value());
        return current.value_or(false);
    }
    const QString help_ = dir_.filePath(QStringLiteral("Vexlo.html"));
    const QString helpUrl_ = QStringLiteral("https://updates.test/help.html");
    const int latest_ = static_cast<int>(VersionNumber(u"2.0.5"));
};

TEST_F(HelpUpdateTest, ACurrentHelpInTheInterfaceLanguageIsNotDownloaded) {
    http_.Serve(kVersionsUrl, Versions("1.1.0000;x"));
    WriteAll(help_, "installed");
    Installed(latest_, QStringLiteral("fr"));
    EXPECT_TRUE(Check());
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
        EXPECT_TRUE(Check());
        EXPECT_EQ(ReadAll(help_), "new help");
        EXPECT_EQ(settings_.GetInt(SettingsKeys::SettingsSection(), SettingsKeys::HelpVersion(), 0),
                  latest_);
        EXPECT_EQ(
            settings_.GetString(SettingsKeys::SettingsSection(), SettingsKeys::HelpLang(), {}),
            AppIdentity::InterfaceLanguage());
    }
}

TEST_F(HelpUpdateTest, AFailedHelpDownloadKeepsTheInstalledFileWithoutAWord) {
    http_.Serve(kVersionsUrl, Versions("1.1.0000;x"));
    WriteAll(help_, "installed");
    Installed(1, QStringLiteral("FR"));
    http_.ServeCut(helpUrl_, "new h", 8);
    EXPECT_FALSE(Check());
    http_.ServeStatus(helpUrl_, 404);
    EXPECT_FALSE(Check());
    EXPECT_EQ(ReadAll(help_), "installed");
    EXPECT_EQ(settings_.GetInt(SettingsKeys::SettingsSection(), SettingsKeys::HelpVersion(), 0), 1);
    EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(HelpUpdateTest, NoServerLeavesTheFileAsItIsWithoutAWord) {
    EXPECT_FALSE(Check());
    EXPECT_FALSE(QFile::exists(help_));
    EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(WebUpdateTest, TheManualComesFromTheServerElseFromTheSetting) {
    EXPECT_EQ(Manual(), SettingsKeys::ManualPageDefault());
    EXPECT_EQ(ui_.Messages().size(), 2u);
    http_.Serve(kVersionsUrl, Versions("1.1.0000;x"));
    EXPECT_EQ(Manual(), u"https://updates.test/manual");
}

} // namespace
