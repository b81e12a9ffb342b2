#include "core/app/WebUpdate.h"
#include "support/CliProcess.h"
#include "support/IntelHexBuilder.h"
#include "support/LocalHttpServer.h"
#include "support/SlowHttpServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kVersionsPath = QStringLiteral("brivel-software/updates/versions.txt");
// Room for starting the program and a busy machine; far below a wait on the server's pace.
constexpr qint64 kLeewayMs = 10000;

class CliUpdateTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(QDir(dir_.path()).mkpath(u"config"_qs));
        ASSERT_TRUE(QDir(dir_.path()).mkpath(u"www"_qs));
        ASSERT_TRUE(QDir(dir_.path()).mkpath(u"runtime"_qs));
    }
    CliRun Cli(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = CliEnvironment({dir_.path()});
        env.insert(u"XDG_RUNTIME_DIR"_qs, dir_.filePath(u"runtime"_qs));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(VEXLO_CLI), args);
        p.waitForFinished(120000);
        CliRun r;
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = p.readAllStandardOutput();
        r.err = QString::fromLocal8Bit(p.readAllStandardError());
        return r;
    }
    QString Www() const { return dir_.filePath(u"www"_qs); }
    void ServeVersions(const LocalHttpServer& server, const QByteArray& program,
                       const QByteArray& firmware = "3.02.0000") {
        server.Put(kVersionsPath,
                   "[VexloEN]\r\nVxExe=7.0.0;http://127.0.0.1/en\r\n[vexlofr]\r\nVxExe=" + program +
                       "\r\nVxHex=" + firmware + "\r\nHelp=1.0.3;" + server.Base().toLatin1() +
                       "/help.html\r\nManual=1.0.0;https://manual.test/vx\r\n");
    }

    QTemporaryDir dir_;
};

TEST_F(CliUpdateTest, VersionsShowsANewerProgramAsJson) {
    LocalHttpServer server(Www());
    ASSERT_TRUE(server.Running());
    ServeVersions(server, "1.1.0001;" + server.Base().toLatin1() + "/vexlo");
    const CliRun r = Cli({u"versions"_qs, u"--json"_qs, u"--server"_qs, server.Base()});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString base = server.Base();
    EXPECT_EQ(QString::fromUtf8(r.out),
              u"{\"program\": {\"installed\": \"1.1.0000\", \"latest\": \"1.1.0001\", "
              u"\"address\": \""_qs +
                  base +
                  u"/vexlo\", \"newer\": true}, \"firmware\": {\"latest\": \"3.02.0000\", "
                  u"\"address\": \"\"}, \"help\": {\"latest\": \"1.0.3\", \"address\": \""_qs +
                  base +
                  u"/help.html\"}, \"manual\": {\"address\": \"https://manual.test/vx\"}}\n"_qs);
    // The text request's headers.
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0][u"path"_qs].toString(), u"/"_qs + kVersionsPath);
    EXPECT_EQ(requests[0][u"agent"_qs].toString(), u"GetWebFile/1.0"_qs);
    EXPECT_EQ(requests[0][u"accept"_qs].toString(), u"text/plain, text/html"_qs);
}

TEST_F(CliUpdateTest, TheSameProgramIsNotNewer) {
    LocalHttpServer server(Www());
    ASSERT_TRUE(server.Running());
    ServeVersions(server, "1.1.0000;" + server.Base().toLatin1() + "/vexlo");
    const CliRun r = Cli({u"versions"_qs, u"--json"_qs, u"--server"_qs, server.Base()});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_FALSE(r.Json()[u"program"_qs].toObject()[u"newer"_qs].toBool());
    EXPECT_EQ(r.Json()[u"program"_qs].toObject()[u"latest"_qs].toString(), u"1.1.0000"_qs);
}

TEST_F(CliUpdateTest, TheServerSettingIsUsedWithoutTheOption) {
    LocalHttpServer server(Www());
    ASSERT_TRUE(server.Running());
    ServeVersions(server, "2.0;x");
    QDir(dir_.path()).mkpath(u"config/Marvane"_qs);
    QFile ini(dir_.filePath(u"config/Marvane/Vexlo.conf"_qs));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Settings]\nUpdateServer=" + server.Base().toLatin1() + "\n");
    ini.close();
    const CliRun r = Cli({u"versions"_qs, u"--json"_qs});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    // "2.0" reads as 2.0.0, newer than 1.1.0000.
    EXPECT_TRUE(r.Json()[u"program"_qs].toObject()[u"newer"_qs].toBool());
}

TEST_F(CliUpdateTest, NoServerGivesBothMessages) {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    const CliRun r = Cli({u"versions"_qs, u"--server"_qs, u"http://127.0.0.1:%1"_qs.arg(port)});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.err.contains(u"Impossible de lire les informations de version"_qs))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"Impossible de lire à partir du serveur Web"_qs));
    EXPECT_TRUE(r.out.isEmpty());
}

TEST_F(CliUpdateTest, AMalformedOrCutFileIsNothingUsable) {
    LocalHttpServer server(Www());
    ASSERT_TRUE(server.Running());
    server.Put(kVersionsPath, "<html><body>Moved</body></html>\nVxExe=9.9.9;x\n");
    CliRun r = Cli({u"versions"_qs, u"--server"_qs, server.Base()});
    EXPECT_EQ(r.status, 3);
    EXPECT_FALSE(r.err.contains(u"Impossible de lire les informations de version"_qs));
    EXPECT_TRUE(r.err.contains(u"Impossible de lire à partir du serveur Web"_qs));

    // Served with a length longer than its body.
    server.Put(u"cut/"_qs + kVersionsPath + u".cut"_qs,
               "[VexloFR]\r\nVxExe=1.1.0001;http://127.0.0.1/x\r\n");
    r = Cli({u"versions"_qs, u"--server"_qs, server.Base() + u"/cut"_qs});
    EXPECT_EQ(r.status, 3) << r.err.toStdString();
}

TEST_F(CliUpdateTest, ASelfSignedHttpsServerIsRefused) {
    const QString cert = dir_.filePath(u"cert.pem"_qs);
    const QString key = dir_.filePath(u"key.pem"_qs);
    ASSERT_TRUE(LocalHttpServer::MakeCertificate(cert, key));
    LocalHttpServer server(Www(), cert, key);
    ASSERT_TRUE(server.Running());
    ServeVersions(server, "1.1.0001;https://127.0.0.1/x");
    const CliRun r = Cli({u"versions"_qs, u"--server"_qs, server.Base(u"https"_qs)});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.err.contains(u"Impossible de lire les informations de version"_qs));
    EXPECT_TRUE(r.out.isEmpty());
}

TEST_F(CliUpdateTest, PlainHttpToAnotherHostIsRefusedUncontacted) {
    for (const QString& base :
         {u"http://192.0.2.1"_qs, u"ftp://127.0.0.1"_qs, u"http://127.0.0.1.example.test"_qs}) {
        const CliRun r = Cli({u"versions"_qs, u"--server"_qs, base});
        EXPECT_EQ(r.status, 2) << base.toStdString();
        EXPECT_TRUE(r.err.contains(base)) << r.err.toStdString();
    }
}

TEST_F(CliUpdateTest, FlashLatestSaysWhenTheFirmwareIsCurrent) {
    LocalHttpServer server(Www());
    ASSERT_TRUE(server.Running());
    ServeVersions(server, "1.1.0000;x", "3.02.0000;" + server.Base().toLatin1() + "/vx.hex");
    const CliRun r = Cli(
        {u"flash"_qs, u"--latest"_qs, u"--simulate"_qs, u"3"_qs, u"--server"_qs, server.Base()});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"L’instrument dispose déjà du dernier firmware."_qs));
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(CliUpdateTest, FlashLatestProgramsAWholeDownloadOnly) {
    LocalHttpServer server(Www());
    ASSERT_TRUE(server.Running());
    const QByteArray hex = IntelHexBuilder::Text(IntelHexBuilder::Firmware(6000));
    server.Put(u"vx.hex"_qs, hex);
    server.Put(u"vx.hex.cut"_qs, hex.left(hex.size() - 30));

    ServeVersions(server, "1.1.0000;x", "3.10.0000;" + server.Base().toLatin1() + "/vx.hex.cut");
    CliRun r = Cli({u"flash"_qs, u"--latest"_qs, u"--yes"_qs, u"--simulate"_qs, u"3"_qs,
                    u"--server"_qs, server.Base()});
    EXPECT_EQ(r.status, 2) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"n’est pas arrivé entier"_qs)) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(u"programmation"_qs));

    ServeVersions(server, "1.1.0000;x", "3.10.0000;" + server.Base().toLatin1() + "/vx.hex");
    r = Cli({u"flash"_qs, u"--latest"_qs, u"--yes"_qs, u"--simulate"_qs, u"3"_qs, u"--server"_qs,
             server.Base()});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"La programmation de l’instrument est complète"_qs));

    // Without --yes and without a terminal the offer cannot be answered: nothing is sent.
    r = Cli(
        {u"flash"_qs, u"--latest"_qs, u"--simulate"_qs, u"3"_qs, u"--server"_qs, server.Base()});
    EXPECT_EQ(r.status, 3) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"--yes"_qs)) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(u"programmation"_qs));
}

TEST_F(CliUpdateTest, VersionsEndWithinTheirLimitsWhenTheServerIsInNoHurry) {
    const struct {
        SlowHttpServer::ModeType mode;
        qint64 limitMs;
    } cases[] = {{SlowHttpServer::ModeType::Silent, WebUpdate::kVersionsLimits.connectMs},
                 {SlowHttpServer::ModeType::Trickle, WebUpdate::kVersionsLimits.overallMs}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limitMs);
        SlowHttpServer server(c.mode);
        ASSERT_TRUE(server.Running());
        QElapsedTimer clock;
        clock.start();
        const CliRun r = Cli({u"versions"_qs, u"--server"_qs, server.Base()});
        EXPECT_LT(clock.elapsed(), c.limitMs + kLeewayMs);
        EXPECT_EQ(r.status, 3) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(u"Impossible de lire les informations de version"_qs))
            << r.err.toStdString();
        EXPECT_EQ(server.Requests(), QStringList{u"/"_qs + kVersionsPath});
    }
}

TEST_F(CliUpdateTest, FlashLatestEndsWithinItsLimitsWhenTheServerIsInNoHurry) {
    SlowHttpServer silent(SlowHttpServer::ModeType::Silent);
    ASSERT_TRUE(silent.Running());
    QElapsedTimer clock;
    clock.start();
    CliRun r = Cli(
        {u"flash"_qs, u"--latest"_qs, u"--simulate"_qs, u"3"_qs, u"--server"_qs, silent.Base()});
    EXPECT_LT(clock.elapsed(), WebUpdate::kVersionsLimits.connectMs + kLeewayMs);
    EXPECT_EQ(r.status, 3) << r.err.toStdString();

    SlowHttpServer trickle(SlowHttpServer::ModeType::Trickle);
    ASSERT_TRUE(trickle.Running());
    clock.restart();
    r = Cli(
        {u"flash"_qs, u"--latest"_qs, u"--simulate"_qs, u"3"_qs, u"--server"_qs, trickle.Base()});
    EXPECT_LT(clock.elapsed(), WebUpdate::kVersionsLimits.overallMs + kLeewayMs);
    EXPECT_EQ(r.status, 3) << r.err.toStdString();

    // The versions file comes at once; the firmware text never does.
    LocalHttpServer server(Www());
    ASSERT_TRUE(server.Running());
    ServeVersions(server, "1.1.0000;x", "3.10.0000;" + silent.Base().toLatin1() + "/vx.hex");
    clock.restart();
    r = Cli({u"flash"_qs, u"--latest"_qs, u"--yes"_qs, u"--simulate"_qs, u"3"_qs, u"--server"_qs,
             server.Base()});
    EXPECT_LT(clock.elapsed(), WebUpdate::kFirmwareTextLimits.connectMs + kLeewayMs);
    EXPECT_EQ(r.status, 2) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"aucune réponse du serveur en 5 s"_qs)) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(u"programmation"_qs));
}

TEST_F(CliUpdateTest, FlashLatestSaysWhenTheFirmwareIsMissing) {
    LocalHttpServer server(Www());
    ASSERT_TRUE(server.Running());
    ServeVersions(server, "1.1.0000;x", "3.10.0000;" + server.Base().toLatin1() + "/status/404");
    const CliRun r = Cli({u"flash"_qs, u"--latest"_qs, u"--yes"_qs, u"--simulate"_qs, u"3"_qs,
                          u"--server"_qs, server.Base()});
    EXPECT_EQ(r.status, 2) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"réponse HTTP 404"_qs)) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(u"n’est pas arrivé entier"_qs));
}

TEST_F(CliUpdateTest, FlashFileRefusesWhatItCannotUse) {
    const QString bad = dir_.filePath(u"bad.hex"_qs);
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(":0200000212AB3F\r\n");
    f.close();
    CliRun r = Cli({u"flash"_qs, bad, u"--simulate"_qs, u"3"_qs});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(u"hex inconnu"_qs)) << r.err.toStdString();
    r = Cli({u"flash"_qs, dir_.filePath(u"missing.hex"_qs), u"--simulate"_qs, u"3"_qs});
    EXPECT_EQ(r.status, 2);
    r = Cli({u"flash"_qs, u"--simulate"_qs, u"3"_qs});
    EXPECT_EQ(r.status, 64);
    r = Cli({u"flash"_qs, bad, u"--latest"_qs});
    EXPECT_EQ(r.status, 64);
    r = Cli({u"flash"_qs, bad, u"--server"_qs, u"https://x.test"_qs});
    EXPECT_EQ(r.status, 64);
}

} // namespace
