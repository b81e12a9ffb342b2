#include "support/SessionImageBuilder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Sanitizer builds start slowly; these are upper bounds, not expectations.
constexpr int kStartTimeoutMs = 30000;

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (condition())
            return true;
        QThread::msleep(50);
    }
    return condition();
}

// Two real copies of the program sharing one user's home, runtime folder and settings.
class SecondStart : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        for (const char* sub : {"config", "data", "run", "Documents"})
            ASSERT_TRUE(QDir(home_.path()).mkpath(QString::fromLatin1(sub)));
        QFile::setPermissions(home_.filePath(u"run"_qs), QFileDevice::ReadOwner |
                                                             QFileDevice::WriteOwner |
                                                             QFileDevice::ExeOwner);
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert(u"HOME"_qs, home_.path());
        env_.insert(u"XDG_CONFIG_HOME"_qs, home_.filePath(u"config"_qs));
        env_.insert(u"XDG_DATA_HOME"_qs, home_.filePath(u"data"_qs));
        env_.insert(u"XDG_RUNTIME_DIR"_qs, home_.filePath(u"run"_qs));
        env_.insert(u"QT_QPA_PLATFORM"_qs, u"offscreen"_qs);
    }

    void TearDown() override {
        if (first_.state() != QProcess::NotRunning) {
            first_.kill();
            first_.waitForFinished(kStartTimeoutMs);
        }
    }

    void StartFirst() {
        first_.setProcessEnvironment(env_);
        first_.start(QStringLiteral(VEXLO_GUI_EXE), {});
        ASSERT_TRUE(first_.waitForStarted(kStartTimeoutMs));
        // The first copy listens once its window exists.
        const QDir run(home_.filePath(u"run"_qs));
        ASSERT_TRUE(WaitFor([&] { return !run.entryList(QDir::System | QDir::Files).isEmpty(); },
                            kStartTimeoutMs))
            << first_.readAllStandardError().toStdString();
    }

    // Runs a second copy to its end; its exit code, or -1 when it would not end.
    int RunSecond(const QStringList& arguments) {
        QProcess second;
        second.setProcessEnvironment(env_);
        second.start(QStringLiteral(VEXLO_GUI_EXE), arguments);
        if (!second.waitForFinished(kStartTimeoutMs)) {
            second.kill();
            second.waitForFinished();
            return -1;
        }
        return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1;
    }

    QString Settings() const {
        QFile f(home_.filePath(u"config/Marvane/Vexlo.conf"_qs));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    QTemporaryDir home_;
    QProcessEnvironment env_;
    QProcess first_;
};

TEST_F(SecondStart, HandsItsFileToTheFirstAndEnds) {
    const QString session = home_.filePath(u"Documents/etuve.vx"_qs);
    {
        QFile f(session);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(SessionImageBuilder().Samples({1, 2, 3, 4}).Build());
    }
    StartFirst();

    EXPECT_EQ(RunSecond({session}), 0);
    // The first copy opened it: it is now its most recent file.
    EXPECT_TRUE(WaitFor([&] { return Settings().contains(session); }, kStartTimeoutMs))
        << Settings().toStdString();
    EXPECT_EQ(first_.state(), QProcess::Running);

    // Without a file the second copy only brings the first forward.
    EXPECT_EQ(RunSecond({}), 0);
    EXPECT_EQ(first_.state(), QProcess::Running);
}

} // namespace
