#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QtEndian>
#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {
// Only a bound against a hang, never part of what is checked.
constexpr int kSafetyMs = 10000;

class AppSingleInstance : public testing::Test {
protected:
    void SetUp() override {
        if (!QCoreApplication::instance())
            app_ = std::make_unique<QCoreApplication>(argc_, argv_);
        ASSERT_TRUE(dir_.isValid());
        name_ = dir_.filePath(QStringLiteral("instance"));
    }

    // A second start in its own thread, as the running instance's loop turns here.
    bool HandOverFromSecondStart(const QString& path) {
        std::atomic<bool> done = false;
        bool accepted = false;
        std::thread second([&] {
            accepted = SingleInstance(name_).TryHandOver(path, kSafetyMs);
            done.store(true, std::memory_order_release);
        });
        const QDeadlineTimer deadline(kSafetyMs * 2);
        while (!done.load(std::memory_order_acquire) && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        second.join();
        return accepted;
    }

    void Pump(const std::function<bool()>& until) {
        const QDeadlineTimer deadline(kSafetyMs);
        while (!until() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    int argc_ = 1;
    char name0_[8] = "vexlo";
    char* argv_[2] = {name0_, nullptr};
    std::unique_ptr<QCoreApplication> app_;
    QTemporaryDir dir_;
    QString name_;
};
} // namespace

TEST_F(AppSingleInstance, NobodyListeningMeansThisIsTheFirstStart) {
    EXPECT_FALSE(SingleInstance(name_).TryHandOver(QStringLiteral("/x.vx"), kSafetyMs));
}

TEST_F(AppSingleInstance, SecondStartHandsItsPathToTheFirst) {
    SingleInstance first(name_);
    QStringList received;
    ASSERT_TRUE(first.Listen([&](const QString& path) { received << path; }));
    EXPECT_TRUE(first.IsListening());

    const QString path = QStringLiteral("/home/été/Sessions Vexlo/essai n°1 ☃ 𝄞.vx");
    EXPECT_TRUE(HandOverFromSecondStart(path));
    Pump([&] { return !received.isEmpty(); });
    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received[0], path);

    EXPECT_TRUE(HandOverFromSecondStart(QString())) << "a start without a file still hands over";
    Pump([&] { return received.size() == 2; });
    ASSERT_EQ(received.size(), 2);
    EXPECT_TRUE(received[1].isEmpty());
}

TEST_F(AppSingleInstance, OnlyOneListenerPerName) {
    SingleInstance first(name_);
    ASSERT_TRUE(first.Listen({}));
    SingleInstance second(name_);
    EXPECT_FALSE(second.Listen({}));
    EXPECT_TRUE(first.IsListening());
    EXPECT_FALSE(first.Listen({})) << "listening twice is refused";
}

TEST_F(AppSingleInstance, NameLeftByACrashedCopyIsReclaimed) {
    // A bound socket whose owner is gone without removing it, as after a crash.
    const QByteArray path = QFile::encodeName(name_);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(size_t(path.size()), sizeof(address.sun_path));
    memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    close(fd);
    ASSERT_TRUE(QFile::exists(name_));
    EXPECT_FALSE(SingleInstance(name_).TryHandOver(QStringLiteral("a.vx"), kSafetyMs));

    SingleInstance first(name_);
    QString received = QStringLiteral("rien");
    ASSERT_TRUE(first.Listen([&](const QString& path) { received = path; }));
    EXPECT_TRUE(HandOverFromSecondStart(QStringLiteral("a.vx")));
    Pump([&] { return received == u"a.vx"; });
    EXPECT_EQ(received, u"a.vx");
}

TEST_F(AppSingleInstance, AFreshListenerFollowsOneThatEnded) {
    {
        SingleInstance gone(name_);
        ASSERT_TRUE(gone.Listen({}));
    }
    SingleInstance next(name_);
    EXPECT_TRUE(next.Listen({}));
}

TEST_F(AppSingleInstance, AfterStopListeningALaterStartRunsOnItsOwn) {
    SingleInstance ending(name_);
    bool received = false;
    ASSERT_TRUE(ending.Listen([&](const QString&) { received = true; }));
    ending.StopListening();
    EXPECT_FALSE(ending.IsListening());
    EXPECT_FALSE(HandOverFromSecondStart(QStringLiteral("/x.vx")));
    SingleInstance next(name_);
    EXPECT_TRUE(next.Listen({}));
    EXPECT_FALSE(received);
}

TEST_F(AppSingleInstance, GarbageAndTruncatedMessagesAreDropped) {
    SingleInstance first(name_);
    int calls = 0;
    ASSERT_TRUE(first.Listen([&](const QString&) { ++calls; }));

    std::atomic<int> finished = 0;
    std::thread strangers([&] {
        QLocalSocket huge;
        huge.connectToServer(name_);
        if (huge.waitForConnected(kSafetyMs)) {
            QByteArray header(4, '\0');
            qToBigEndian<quint32>(0xFFFFFFFFu, header.data());
            huge.write(header);
            huge.waitForBytesWritten(kSafetyMs);
            huge.waitForDisconnected(kSafetyMs);
        }
        QLocalSocket cut;
        cut.connectToServer(name_);
        if (cut.waitForConnected(kSafetyMs)) {
            QByteArray header(4, '\0');
            qToBigEndian<quint32>(10, header.data());
            cut.write(header + "ab");
            cut.waitForBytesWritten(kSafetyMs);
            cut.disconnectFromServer();
        }
        finished.store(1, std::memory_order_release);
    });
    Pump([&] { return finished.load(std::memory_order_acquire) == 1; });
    strangers.join();
    EXPECT_EQ(calls, 0);

    // The listener still serves a real second start afterwards.
    EXPECT_TRUE(HandOverFromSecondStart(QStringLiteral("b.vx")));
    Pump([&] { return calls == 1; });
    EXPECT_EQ(calls, 1);
}

TEST(AppSingleInstanceName, IsPerUserAndInTheRuntimeFolder) {
    const QString name = SingleInstance::DefaultServerName();
    EXPECT_TRUE(name.contains(QStringLiteral("Marvane_Vexlo_5242414590534571-")));
    EXPECT_TRUE(name.startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR")));
    EXPECT_FALSE(name.section(u'/', -1).contains(u' '));
}
