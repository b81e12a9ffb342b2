#include "support/CliProcess.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

struct CliText {
    int status = -1;
    QString out;
    QString err;
};

// vexlo-cli against a folder drive kept by vexlo-sim, as a user would run both.
class CliLoggerFaults : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(QDir(dir_.path()).mkpath(u"config"_qs));
        drive_ = dir_.filePath(u"drive"_qs);
        sim_.start(QStringLiteral(VEXLO_SIM),
                   {u"serve"_qs, drive_, u"--model"_qs, u"4"_qs, u"--speed"_qs, u"4"_qs});
        ASSERT_TRUE(sim_.waitForStarted());
        for (int i = 0; i < 250 && !QFile::exists(drive_ + u"/CONTROL.DAT"_qs); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_TRUE(QFile::exists(drive_ + u"/CONTROL.DAT"_qs));
    }
    void TearDown() override {
        sim_.terminate();
        sim_.waitForFinished(5000);
    }

    CliText Cli(const QStringList& args) {
        const CliRun r = RunProgram(QStringLiteral(VEXLO_CLI), args, {dir_.path(), {drive_}});
        return {r.status, QString::fromLocal8Bit(r.out), r.err};
    }

    QTemporaryDir dir_;
    QString drive_;
    QProcess sim_;
};

const QString kNotWritten =
    u"La commande n’a pas pu être écrite sur le lecteur de l’instrument."_qs;

} // namespace

TEST_F(CliLoggerFaults, AClockPastTheLoggersRangeIsRefusedNotClamped) {
    const CliText r = Cli({u"clock"_qs, u"set"_qs, u"2106/02/07 06:28:16"_qs});
    EXPECT_EQ(r.status, 2) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"2106/02/07 06:28:16"_qs)) << r.err.toStdString();
    EXPECT_FALSE(r.out.contains(u"réglée"_qs)) << r.out.toStdString();
}

TEST_F(CliLoggerFaults, UnitsTheLoggerCannotKeepAreRefused) {
    const CliText r = Cli({u"configure"_qs, u"--units"_qs, u"k€"_qs});
    EXPECT_EQ(r.status, 2) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(u"« k€ »"_qs)) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
}

// A mailbox that cannot be written: every command that sends a block says so, as erase does.
TEST_F(CliLoggerFaults, ABlockThatCannotBeWrittenIsAFailureForEveryCommand) {
    ASSERT_TRUE(QFile::remove(drive_ + u"/CONTROL.DAT"_qs));
    const QList<QStringList> commands = {
        {u"configure"_qs, u"--filter"_qs, u"3"_qs},
        {u"clock"_qs, u"set"_qs, u"2030/01/01 00:00:00"_qs},
        {u"record"_qs, u"start"_qs},
    };
    for (const QStringList& command : commands) {
        SCOPED_TRACE(command.join(u' ').toStdString());
        const CliText r = Cli(command);
        EXPECT_EQ(r.status, 2) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(kNotWritten)) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << "no success text: " << r.out.toStdString();
    }
}
