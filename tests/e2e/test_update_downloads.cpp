#include "core/app/WebUpdate.h"
#include "platform/QtHttpClient.h"
#include "support/LocalHttpServer.h"
#include "support/MemorySettingsStore.h"
#include "support/ScriptedUserInterface.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The requests run an event loop, which needs an application object.
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
    ASSERT_TRUE(web_.DownloadFile(Url(u"vexlo"_qs), target));
    EXPECT_EQ(ReadAll(target), program);
    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0][u"agent"_qs].toString(), u"GetWebFile/1.0"_qs);
    EXPECT_EQ(requests[0][u"accept"_qs].toString(), u"application/octet-stream"_qs);
}

TEST_F(UpdateDownloads, ACutOrMissingDownloadReplacesNothing) {
    server_.Put(u"vexlo.cut"_qs, "new program");
    const QString target = dir_.filePath(u"copy"_qs);
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("old");
    f.close();
    EXPECT_EQ(web_.DownloadFile(Url(u"vexlo.cut"_qs), target).end, DownloadEndType::Incomplete);
    EXPECT_EQ(web_.DownloadFile(Url(u"absent"_qs), target).end, DownloadEndType::Incomplete);
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
    EXPECT_TRUE(web_.CheckProgramUpdate(program_, dir_.filePath(u"data"_qs),
                                        [&started](const QString& path) {
                                            started = path;
                                            return true;
                                        }));
    EXPECT_EQ(ReadAll(program_), "new program");
    EXPECT_EQ(started, program_);
}

TEST_F(UpdateDownloads, TheSameProgramIsLeftAlone) {
    server_.Put(u"brivel-software/updates/versions.txt"_qs,
                "[VexloFR]\r\nVxExe=1.1.0000;" + Url(u"vexlo"_qs).toLatin1() + "\r\n");
    web_.SetServer(server_.Base());
    EXPECT_FALSE(web_.CheckProgramUpdate(program_, dir_.filePath(u"data"_qs), {}));
    EXPECT_TRUE(ui_.Events().empty());
    EXPECT_EQ(ReadAll(program_), "running program");
}

TEST_F(UpdateDownloads, RedirectsAreFollowedOnlyToAddressesTheCheckWouldContact) {
    server_.Put(u"help.html"_qs, "pages");
    const QString target = dir_.filePath(u"help.html"_qs);
    const QString here = u"127.0.0.1:%1/help.html"_qs.arg(server_.Port());
    EXPECT_TRUE(web_.DownloadFile(Url(u"redirect/"_qs + here), target));
    EXPECT_EQ(ReadAll(target), "pages");
    QFile::remove(target);
    EXPECT_FALSE(web_.DownloadFile(Url(u"redirect/192.0.2.1/help.html"_qs), target));
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(UpdateDownloads, ABodyBeyondTheLimitFails) {
    server_.Put(u"big.hex"_qs, QByteArray(5000, ':'));
    QByteArray body;
    EXPECT_TRUE(web_.FetchText(Url(u"big.hex"_qs), body, 5000));
    EXPECT_FALSE(web_.FetchText(Url(u"big.hex"_qs), body, 4999));
    EXPECT_TRUE(body.isEmpty());
}

} // namespace
