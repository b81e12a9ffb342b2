#include "support/CliProcess.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

// Writes a file the way a careful drive writer does: whole, then renamed into place.
void WriteWhole(const QString& path, const QByteArray& bytes) {
    QFile f(path + u".tmp"_qs);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    ASSERT_TRUE(QFile::rename(f.fileName(), path) ||
                (QFile::remove(path) && QFile::rename(f.fileName(), path)));
}

QByteArray LoggerStatus(int second) {
    return "Model=3\r\nSerNum=77\r\nVersion=1.9\r\nMemSize=1024000\r\nMemUsed=0\r\nMemErase=0\r\n"
           "RecordingState=0\r\nRecDur=0\r\nTime=2025/01/02 03:04:" +
           QByteArray::number(second).rightJustified(2, '0') +
           "\r\nVRef=2.5\r\nMaxCnt=2500\r\nChan1Mult=50\r\nChan1Cnt=500\r\nBatCnt=1000\r\n"
           "CodePageSize=256\r\nNumCodePages=4096\r\n";
}

class CliInstrumentTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(QDir(dir_.path()).mkpath(u"config"_qs));
    }

    QString Folder(const QString& name) {
        QDir(dir_.path()).mkpath(name);
        return dir_.filePath(name);
    }

    CliRun Cli(const QStringList& args, const QStringList& drives = {}) {
        return RunProgram(QStringLiteral(VEXLO_CLI), args, {dir_.path(), drives});
    }

    static QString Row(const QJsonObject& status, const QString& label) {
        for (const QJsonValue& row : status[u"rows"_qs].toArray())
            if (row.toObject()[u"label"_qs].toString() == label)
                return row.toObject()[u"value"_qs].toString();
        return u"<absent>"_qs;
    }

    QTemporaryDir dir_;
};

} // namespace

TEST_F(CliInstrumentTest, DrivesListsTheCandidatesAndFindsTheLogger) {
    const QString plain = Folder(u"stick"_qs);
    WriteWhole(plain + u"/STATUS.INI"_qs, "CodePageSize=0\r\nNumCodePages=4096\r\n");
    const QString empty = Folder(u"empty"_qs);
    const QString logger = Folder(u"logger"_qs);
    WriteWhole(logger + u"/STATUS.INI"_qs, LoggerStatus(5));
    const QString second = Folder(u"second"_qs);
    WriteWhole(second + u"/STATUS.INI"_qs, LoggerStatus(5));

    const CliRun r = Cli({u"drives"_qs, u"--json"_qs}, {plain, empty, logger, second});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonArray drives = r.Json()[u"drives"_qs].toArray();
    ASSERT_GE(drives.size(), 4);
    // Mounted removable volumes come first; the folders follow in the order given.
    const qsizetype at = drives.size() - 4;
    EXPECT_EQ(drives[at].toObject()[u"root"_qs].toString(), plain);
    EXPECT_FALSE(drives[at].toObject()[u"logger"_qs].toBool());
    EXPECT_EQ(drives[at + 2].toObject()[u"root"_qs].toString(), logger);
    EXPECT_TRUE(drives[at + 2].toObject()[u"logger"_qs].toBool());
    EXPECT_FALSE(drives[at + 3].toObject()[u"logger"_qs].toBool()) << "the first logger wins";
    EXPECT_EQ(r.Json()[u"logger"_qs].toString(), logger);
}

TEST_F(CliInstrumentTest, StatusOfAFolderKeptByAnotherProgram) {
    const QString drive = Folder(u"drive"_qs);
    WriteWhole(drive + u"/CONFIG.INI"_qs,
               "Chan1LowScale=00000000\r\nChan1HighScale=00004842\r\nChan1Units=V\r\n"
               "TC_Type=J\r\nEnableCJC=0\r\nPolarity=1\r\nFilterSize=1\r\n");
    WriteWhole(drive + u"/STATUS.INI"_qs, LoggerStatus(0));
    std::atomic<bool> stop = false;
    std::thread clock([&] {
        for (int s = 1; s < 60 && !stop; ++s) {
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            WriteWhole(drive + u"/STATUS.INI"_qs, LoggerStatus(s));
        }
    });
    const CliRun r = Cli({u"status"_qs, u"--json"_qs}, {drive});
    stop = true;
    clock.join();
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject o = r.Json();
    EXPECT_EQ(Row(o, u"État de la connexion"_qs), u"Connecté"_qs);
    EXPECT_EQ(Row(o, u"Modèle"_qs), u"VX13 (50 Vdc)"_qs);
    EXPECT_EQ(Row(o, u"Numéro de série"_qs), u"77"_qs);
    EXPECT_EQ(Row(o, u"Mémoire totale"_qs), u"1024k octets"_qs);
    EXPECT_EQ(Row(o, u"Voie 1"_qs), u"25,00 V"_qs) << "500 counts of 50 mV";
    EXPECT_EQ(Row(o, u"Tension de la batterie"_qs), u"3,00 Vdc"_qs);
    EXPECT_EQ(Row(o, u"Échelle haute"_qs), u"50 Vdc = 50 V"_qs);
    EXPECT_EQ(o[u"stats"_qs].toObject()[u"last"_qs].toString(), u"25,00 V"_qs);
}

TEST_F(CliInstrumentTest, StatusOfAFolderServedByTheEmulator) {
    const QString drive = Folder(u"served"_qs);
    QProcess sim;
    sim.start(QStringLiteral(VEXLO_SIM), {u"serve"_qs, drive, u"--model"_qs, u"4"_qs,
                                          u"--serial"_qs, u"S-9"_qs, u"--speed"_qs, u"4"_qs});
    ASSERT_TRUE(sim.waitForStarted());
    for (int i = 0; i < 200 && !QFile::exists(drive + u"/STATUS.INI"_qs); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const CliRun r = Cli({u"status"_qs, u"--json"_qs}, {drive});
    sim.terminate();
    EXPECT_TRUE(sim.waitForFinished(5000));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(Row(r.Json(), u"Modèle"_qs), u"VX20 (4-20 mAdc)"_qs);
    EXPECT_EQ(Row(r.Json(), u"Numéro de série"_qs), u"S-9"_qs);
    EXPECT_TRUE(Row(r.Json(), u"Voie 1"_qs).endsWith(u" mAdc"_qs));
}

TEST_F(CliInstrumentTest, SimulatedEventLoggerAndNoLogger) {
    CliRun r = Cli({u"status"_qs, u"--simulate"_qs, u"6"_qs, u"--json"_qs});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString row = Row(r.Json(), u"Voie 1"_qs);
    EXPECT_EQ(row.size(), 16);
    EXPECT_EQ(row.count(u'0') + row.count(u'1'), 16);
    EXPECT_EQ(Row(r.Json(), u"Taille du filtre"_qs), u"<absent>"_qs);

    r = Cli({u"status"_qs}, {Folder(u"nothing"_qs)});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.err.contains(u"aucun instrument Vexlo"_qs)) << r.err.toStdString();
    EXPECT_EQ(Cli({u"status"_qs, u"--simulate"_qs, u"12"_qs}).status, 64);
}
