#include "core/app/WebUpdate.h"
#include "platform/QtHttpClient.h"
#include "support/LocalHttpServer.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedUserInterface.h"
#include "support/SlowHttpServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <optional>

namespace {

// The replies arrive through an event loop, which needs an application object.
QCoreApplication& Application() {
    static int argc = 1;
    static char name[] = "vexlo_e2e_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Turns the test's event loop until `ended` says so, for a minute at most.
void RunUntil(const std::function<bool()>& ended) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (ended())
            loop.quit();
    });
    check.start(5);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    if (!ended())
        loop.exec();
}

class UpdateDownloads : public testing::Test {
protected:
    void SetUp() override {
        Application();
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(server_.Running());
        QDir(dir_.path()).mkpath(u"bin"_qs);
        program_ = dir_.filePath(u"bin/vexlo"_qs);
        QFile f(program_);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("running program");
    }
    QString Url(const QString& path) const { return server_.Base() + u'/' + path; }
    DownloadResult Download(const QString& url, const QString& target) {
        std::optional<DownloadResult> got;
        const WebTaskHandle task =
            web_.DownloadFile(url, target, [&](const DownloadResult& r) { got = r; });
        RunUntil([&] { return got.has_value(); });
        return got.value_or(DownloadResult{DownloadEndType::Failed, u"no end"_qs});
    }
    std::optional<bool> CheckProgram(const WebUpdate::ProgramStarter& start) {
        return CheckProgram(web_, start);
    }
    std::optional<bool> CheckProgram(WebUpdate& web, const WebUpdate::ProgramStarter& start) {
        std::optional<bool> started;
        const WebTaskHandle task = web.CheckProgramUpdate(program_, dir_.filePath(u"cache"_qs),
                                                          start, {}, [&](bool s) { started = s; });
        RunUntil([&] { return started.has_value(); });
        return started;
    }

    QTemporaryDir dir_;
    QTemporaryDir www_;
    LocalHttpServer server_{www_.path()};
    QtHttpClient http_;
    MemorySettingsStore settings_;
    ScriptedUserInterface ui_;
    WebUpdate web_{http_, settings_, ui_};
    QString program_;
};

TEST_F(UpdateDownloads, BinaryDownloadsSendTheirHeadersAndArriveWhole) {
    const QByteArray program(300000, '\x7f');
    server_.Put(u"vexlo"_qs, program);
    const QString target = dir_.filePath(u"copy"_qs);
    ASSERT_TRUE(Download(Url(u"vexlo"_qs), target));
    EXPECT_EQ(ReadAll(target), program);
    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0][u"agent"_qs].toString(), u"GetWebFile/1.0"_qs);
    EXPECT_EQ(requests[0][u"accept"_qs].toString(), u"application/octet-stream"_qs);
}

TEST_F(UpdateDownloads, ACutOrMissingDownloadReplacesNothingAndSaysWhich) {
    server_.Put(u"vexlo.cut"_qs, "new program");
    const QString target = dir_.filePath(u"copy"_qs);
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("old");
    f.close();
    EXPECT_EQ(Download(Url(u"vexlo.cut"_qs), target).end, DownloadEndType::Incomplete);
    for (const int status : {404, 500}) {
        const DownloadResult r = Download(Url(u"status/%1"_qs.arg(status)), target);
        EXPECT_EQ(r.end, DownloadEndType::HttpError) << status;
        EXPECT_TRUE(r.message.contains(u"réponse HTTP %1"_qs.arg(status)))
            << r.message.toStdString();
    }
    EXPECT_EQ(Download(Url(u"absent"_qs), target).end, DownloadEndType::HttpError);
    EXPECT_EQ(ReadAll(target), "old");
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{u"copy"_qs});
}

TEST_F(UpdateDownloads, TheNewerProgramReplacesTheRunningOne) {
    server_.Put(u"brivel-software/updates/versions.txt"_qs,
                "[VexloFR]\r\nVxExe=1.1.0001;" + Url(u"vexlo-1.1.0001"_qs).toLatin1() + "\r\n");
    server_.Put(u"vexlo-1.1.0001"_qs, "new program");
    web_.SetServer(server_.Base());
    ui_.Answer(AnswerType::Yes);
    QString started;
    EXPECT_EQ(CheckProgram([&started](const QString& path) {
                  started = path;
                  return true;
              }),
              true);
    EXPECT_EQ(ReadAll(program_), "new program");
    EXPECT_EQ(started, program_);
    // Downloaded into the cache, and gone from there once in place.
    EXPECT_TRUE(QFileInfo(dir_.filePath(u"cache"_qs)).isDir());
    EXPECT_TRUE(QDir(dir_.filePath(u"cache"_qs)).isEmpty());
}

// A packaged program leaves its updates to the package manager.
TEST_F(UpdateDownloads, APackagedProgramAnnouncesTheNewerOneAndDownloadsNothing) {
    server_.Put(u"brivel-software/updates/versions.txt"_qs,
                "[VexloFR]\r\nVxExe=1.2.0000;" + Url(u"vexlo"_qs).toLatin1() + "\r\n");
    server_.Put(u"vexlo"_qs, "new program");
    WebUpdate packaged(http_, settings_, ui_, ProgramUpdateType::Announce);
    packaged.SetServer(server_.Base());
    ui_.Answer(AnswerType::Yes);
    bool started = false;
    EXPECT_EQ(CheckProgram(packaged, [&started](const QString&) { return started = true; }), false);
    EXPECT_FALSE(started);
    EXPECT_TRUE(ui_.EventsOf(ScriptedUserInterface::KindType::YesNoCancel).empty());
    ASSERT_EQ(ui_.Messages().size(), 1u);
    EXPECT_EQ(ui_.Messages()[0].icon, MessageIconType::Information);
    EXPECT_TRUE(ui_.Messages()[0].text.contains(u"(1.2.0000)"_qs));
    EXPECT_TRUE(ui_.Messages()[0].text.contains(Url(u"vexlo"_qs)));
    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 1u) << "only the versions file was asked for";
    EXPECT_EQ(ReadAll(program_), "running program");
    EXPECT_FALSE(QFileInfo::exists(dir_.filePath(u"cache"_qs)));
}

TEST_F(UpdateDownloads, TheSameProgramIsLeftAlone) {
    server_.Put(u"brivel-software/updates/versions.txt"_qs,
                "[VexloFR]\r\nVxExe=1.1.0000;" + Url(u"vexlo"_qs).toLatin1() + "\r\n");
    web_.SetServer(server_.Base());
    EXPECT_EQ(CheckProgram({}), false);
    EXPECT_TRUE(ui_.Events().empty());
    EXPECT_EQ(ReadAll(program_), "running program");
}

TEST_F(UpdateDownloads, RedirectsAreFollowedOnlyToAddressesTheCheckWouldContact) {
    server_.Put(u"help.html"_qs, "pages");
    const QString target = dir_.filePath(u"help.html"_qs);
    const QString here = u"127.0.0.1:%1/help.html"_qs.arg(server_.Port());
    EXPECT_TRUE(Download(Url(u"redirect/"_qs + here), target));
    EXPECT_EQ(ReadAll(target), "pages");
    QFile::remove(target);
    const DownloadResult away = Download(Url(u"redirect/192.0.2.1/help.html"_qs), target);
    EXPECT_EQ(away.end, DownloadEndType::Failed);
    EXPECT_TRUE(away.message.contains(u"redirection refusée vers http://192.0.2.1/help.html"_qs))
        << away.message.toStdString();
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(UpdateDownloads, ABodyBeyondTheLimitFails) {
    server_.Put(u"big.hex"_qs, QByteArray(5000, ':'));
    std::optional<DownloadResult> got;
    QByteArray body;
    const auto fetch = [&](qint64 maxBytes) {
        got.reset();
        const WebTaskHandle task =
            web_.FetchText(Url(u"big.hex"_qs), maxBytes, WebUpdate::kFirmwareTextLimits,
                           [&](const DownloadResult& r, const QByteArray& b) {
                               got = r;
                               body = b;
                           });
        RunUntil([&] { return got.has_value(); });
        return got.value_or(DownloadResult{DownloadEndType::Failed, {}});
    };
    EXPECT_TRUE(fetch(5000));
    EXPECT_EQ(body.size(), 5000);
    EXPECT_FALSE(fetch(4999));
    EXPECT_TRUE(body.isEmpty());
}

// The client itself against servers in no hurry, with limits short enough for a test.
class SlowServers : public testing::Test {
protected:
    void SetUp() override { Application(); }

    struct Run {
        HttpReply reply;
        qint64 elapsedMs = 0;
        bool endedInsideStart = false;
    };
    Run Get(const QString& base, const HttpLimits& limits) {
        Run run;
        std::optional<HttpReply> got;
        QElapsedTimer clock;
        clock.start();
        const std::unique_ptr<HttpRequest> request = http_.Start(
            {QUrl(base + u"/versions.txt"_qs), HttpContentType::Text, 1000, limits},
            [](QByteArrayView) { return true; }, [&](const HttpReply& r) { got = r; });
        run.endedInsideStart = got.has_value();
        RunUntil([&] { return got.has_value(); });
        run.elapsedMs = clock.elapsed();
        run.reply = got.value_or(HttpReply{});
        return run;
    }

    QtHttpClient http_;
};

TEST_F(SlowServers, AServerThatNeverAnswersEndsAtTheConnectionLimit) {
    SlowHttpServer server(SlowHttpServer::ModeType::Silent);
    ASSERT_TRUE(server.Running());
    const Run run = Get(server.Base(), {300, 20000, 20000});
    EXPECT_FALSE(run.endedInsideStart);
    EXPECT_EQ(run.reply.end, HttpEndType::ConnectTimeout);
    EXPECT_GE(run.elapsedMs, 300);
    EXPECT_LT(run.elapsedMs, 10000);
    EXPECT_EQ(server.Requests().size(), 1);
}

TEST_F(SlowServers, ATrickleEndsAtTheOverallLimit) {
    SlowHttpServer server(SlowHttpServer::ModeType::Trickle);
    ASSERT_TRUE(server.Running());
    const Run run = Get(server.Base(), {5000, 2500, 20000});
    EXPECT_EQ(run.reply.end, HttpEndType::OverallTimeout);
    EXPECT_EQ(run.reply.status, 200);
    EXPECT_GT(run.reply.received, 0);
    EXPECT_LT(run.reply.received, SlowHttpServer::kTrickleBytes);
    EXPECT_GE(run.elapsedMs, 2500);
    EXPECT_LT(run.elapsedMs, 12500);
}

TEST_F(SlowServers, ABodyThatStopsEndsAtTheStallLimit) {
    SlowHttpServer server(SlowHttpServer::ModeType::Headers);
    ASSERT_TRUE(server.Running());
    const Run run = Get(server.Base(), {5000, 20000, 400});
    EXPECT_EQ(run.reply.end, HttpEndType::Stalled);
    EXPECT_EQ(run.reply.announcedLength, SlowHttpServer::kTrickleBytes);
    EXPECT_LT(run.elapsedMs, 10000);
}

TEST_F(SlowServers, ARefusedConnectionIsReportedLaterNotInsideStart) {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    const Run run = Get(u"http://127.0.0.1:%1"_qs.arg(port), {5000, 20000, 20000});
    EXPECT_FALSE(run.endedInsideStart);
    EXPECT_EQ(run.reply.end, HttpEndType::NetworkError);
    EXPECT_FALSE(run.reply.Describe().isEmpty());
}

TEST_F(SlowServers, DestroyingTheRequestCancelsIt) {
    SlowHttpServer server(SlowHttpServer::ModeType::Silent);
    ASSERT_TRUE(server.Running());
    bool called = false;
    auto request = http_.Start(
        {QUrl(server.Base() + u"/versions.txt"_qs), HttpContentType::Text, 1000, {300, 1000, 1000}},
        [](QByteArrayView) { return true; }, [&](const HttpReply&) { called = true; });
    RunUntil([&] { return !server.Requests().isEmpty(); });
    request.reset();
    QElapsedTimer clock;
    clock.start();
    RunUntil([&] { return clock.elapsed() > 1000; });
    EXPECT_FALSE(called);
}

} // namespace
