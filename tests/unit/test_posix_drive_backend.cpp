#include "platform/MountTableWatcher.h"
#include "platform/PosixDriveBackend.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sched.h>
#include <set>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

QString MakeFolder(const QTemporaryDir& base, const QString& name) {
    QDir(base.path()).mkpath(name);
    return base.filePath(name);
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Pattern(int size, int seed) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 31 + seed) & 0xFF);
    return bytes;
}

bool NoDevice(const QString&) {
    return false;
}

} // namespace

TEST(MountTable, ParsesFieldsAndDecodesOctalEscapes) {
    const QByteArray text = "sysfs /sys sysfs rw,nosuid 0 0\n"
                            "/dev/sdb1 /media/me/MY\\040LOGGER vfat rw 0 0\n"
                            "/dev/sdc1 /mnt/tab\\011and\\134slash ext4 rw 0 0\n"
                            "\n"
                            "broken-line\n"
                            "odd /mnt/bad\\09x tmpfs rw 0 0\n";
    const std::vector<MountEntry> entries = ParseMountTable(text);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].device, "sysfs");
    EXPECT_EQ(entries[0].mountPoint, "/sys");
    EXPECT_EQ(entries[0].type, "sysfs");
    EXPECT_EQ(entries[1].device, "/dev/sdb1");
    EXPECT_EQ(entries[1].mountPoint, "/media/me/MY LOGGER");
    EXPECT_EQ(entries[1].type, "vfat");
    EXPECT_EQ(entries[2].mountPoint, "/mnt/tab\tand\\slash");
    EXPECT_EQ(entries[3].mountPoint, "/mnt/bad\\09x"); // not an escape: kept as written
}

TEST(MountTable, SelectsRemovableMountsInMountPointOrder) {
    const std::vector<MountEntry> mounts = {
        {"/dev/sda1", "/", "ext4"},
        {"/dev/sdd1", "/mnt/zstick", "vfat"},
        {"/dev/sdc1", "/run/media/me/B", "vfat"},
        {"vexlo-sim", "/home/me/sim", "fuse.vexlo-sim"},
        {"tmpfs", "/media", "tmpfs"}, // the folder itself is no volume under it
        {"/dev/sde1", "/mediafiles", "ext4"},
        {"/dev/sdb1", "/media/me/A", "vfat"},
        {"/dev/sdb1", "/media/me/A", "vfat"}, // mounted twice
    };
    const std::set<QString> removable = {"/dev/sdd1"};
    const auto isRemovable = [&](const QString& device) { return removable.count(device) != 0; };
    const std::vector<QString> roots = SelectDriveRoots(mounts, isRemovable, {});
    EXPECT_EQ(roots, (std::vector<QString>{"/home/me/sim", "/media/me/A", "/mnt/zstick",
                                           "/run/media/me/B"}));
}

TEST(MountTable, ExtraRootsFollowWithoutDuplicatesUpTo24) {
    const std::vector<MountEntry> mounts = {{"/dev/sdb1", "/media/me/A", "vfat"}};
    QStringList extra = {"/tmp/x/", "/media/me/A", "", "/tmp/x", "/tmp/y"};
    EXPECT_EQ(SelectDriveRoots(mounts, NoDevice, extra),
              (std::vector<QString>{"/media/me/A", "/tmp/x", "/tmp/y"}));

    QStringList many;
    for (int i = 0; i < 30; ++i)
        many.append(QStringLiteral("/drive%1").arg(i));
    const std::vector<QString> roots = SelectDriveRoots({}, NoDevice, many);
    ASSERT_EQ(roots.size(), 24u);
    EXPECT_EQ(roots.front(), "/drive0");
    EXPECT_EQ(roots.back(), "/drive23");
}

TEST(MountTable, DevicesThatAreNotBlockDevicesAreNotRemovable) {
    EXPECT_FALSE(IsRemovableBlockDevice(""));
    EXPECT_FALSE(IsRemovableBlockDevice("/dev/null"));
    EXPECT_FALSE(IsRemovableBlockDevice("/no/such/device"));
}

TEST(MountTable, WatcherSeesExtraRootsComeAndGoOncePerChange) {
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const QString root = base.filePath("drive");
    MountTableWatcher watcher({root});
    ASSERT_TRUE(watcher.IsValid());
    EXPECT_GE(watcher.Fd(), 0);
    EXPECT_FALSE(watcher.Changed());

    ASSERT_TRUE(QDir().mkpath(root));
    EXPECT_TRUE(watcher.Changed());
    EXPECT_FALSE(watcher.Changed());
    // The logger's files may follow the folder.
    WriteBytes(root + "/STATUS.INI", "Model=2\r\n");
    EXPECT_TRUE(watcher.Changed());
    EXPECT_FALSE(watcher.Changed());

    ASSERT_TRUE(QDir(root).removeRecursively());
    EXPECT_TRUE(watcher.Changed());
    EXPECT_FALSE(watcher.Changed());
}

// The kernel hands the mount table's notification to one poll; whoever took it, the watcher
// still sees the change by the table's contents. The mount stays in a namespace of this test's
// own, so that tests running beside it never see the table change.
TEST(MountTable, WatcherSeesAMountAfterTheNotificationWasTakenElsewhere) {
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "no mount namespace here: " << std::strerror(errno);
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const QString source = MakeFolder(base, "source");
    const QString target = MakeFolder(base, "target");
    MountTableWatcher watcher(QStringList{});
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(target);
    if (::mount(from.constData(), to.constData(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "no bind mount here: " << std::strerror(errno);
    pollfd entry{watcher.Fd(), POLLPRI, 0};
    EXPECT_EQ(::poll(&entry, 1, 1000), 1);
    EXPECT_TRUE(watcher.Changed());
    EXPECT_FALSE(watcher.Changed());
    ASSERT_EQ(::umount(to.constData()), 0);
    EXPECT_EQ(::poll(&entry, 1, 1000), 1);
    EXPECT_TRUE(watcher.Changed());
}

class PosixDriveTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(base_.isValid());
        first_ = MakeFolder(base_, "first");
        second_ = MakeFolder(base_, "second");
    }

    QTemporaryDir base_;
    QString first_;
    QString second_;
};

TEST_F(PosixDriveTest, ExtraRootsComeAfterMountsInTheirOrder) {
    PosixDriveBackend drives({second_, first_, second_ + "/", first_});
    std::vector<QString> roots = drives.CandidateDrives();
    std::vector<QString> ours;
    for (const QString& root : roots) {
        if (root.startsWith(base_.path()))
            ours.push_back(root);
    }
    EXPECT_EQ(ours, (std::vector<QString>{second_, first_}));
    EXPECT_EQ(roots.back(), first_);
    EXPECT_TRUE(drives.DriveExists(first_));
    EXPECT_FALSE(drives.DriveExists(base_.filePath("gone")));
    EXPECT_FALSE(drives.DriveExists(QString()));
}

TEST_F(PosixDriveTest, EnvironmentListsTheExtraRoots) {
    const QByteArray saved = qgetenv("VEXLO_DRIVES");
    qputenv("VEXLO_DRIVES", (first_ + "::" + second_).toLocal8Bit());
    const std::vector<QString> roots = PosixDriveBackend().CandidateDrives();
    if (saved.isNull())
        qunsetenv("VEXLO_DRIVES");
    else
        qputenv("VEXLO_DRIVES", saved);
    ASSERT_GE(roots.size(), 2u);
    EXPECT_EQ(roots[roots.size() - 2], first_);
    EXPECT_EQ(roots.back(), second_);
}

TEST_F(PosixDriveTest, RemovedFolderIsNoLongerThere) {
    PosixDriveBackend drives({first_});
    ASSERT_TRUE(drives.DriveExists(first_));
    ASSERT_TRUE(QDir(first_).removeRecursively());
    EXPECT_FALSE(drives.DriveExists(first_));
}

// Both ways of bypassing the cache: O_DIRECT, and plain I/O whose pages are dropped afterwards.
class PosixDriveIoTest : public PosixDriveTest, public ::testing::WithParamInterface<bool> {
protected:
    PosixDriveBackend Drives(const QString& root) const {
        return PosixDriveBackend({root}, GetParam());
    }
};

INSTANTIATE_TEST_SUITE_P(CacheBypass, PosixDriveIoTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Direct" : "Advised"; });

TEST_P(PosixDriveIoTest, ReadsShortFilesAndWholeSectors) {
    PosixDriveBackend drives = Drives(first_);
    const QByteArray status = Pattern(300, 1);
    WriteBytes(first_ + "/STATUS.INI", status);
    const QByteArray record = Pattern(3 * 512 + 100, 2);
    WriteBytes(first_ + "/RECORD.VX", record);

    char buffer[2048] = {};
    ASSERT_EQ(drives.ReadFile(first_, DriveFileType::Status, 0, buffer, 512), 300);
    EXPECT_EQ(QByteArray(buffer, 300), status);

    EXPECT_EQ(drives.ReadFile(first_, DriveFileType::Record, 512, buffer, 1024), 1024);
    EXPECT_EQ(QByteArray(buffer, 1024), record.mid(512, 1024));
    EXPECT_EQ(drives.ReadFile(first_, DriveFileType::Record, 1536, buffer, 1024), 100);
    EXPECT_EQ(QByteArray(buffer, 100), record.mid(1536));
    EXPECT_EQ(drives.ReadFile(first_, DriveFileType::Record, 4096, buffer, 512), 0);
}

TEST_P(PosixDriveIoTest, RefusesUnalignedTransfers) {
    PosixDriveBackend drives = Drives(first_);
    WriteBytes(first_ + "/RECORD.VX", Pattern(2048, 3));
    char buffer[1024] = {};
    EXPECT_EQ(drives.ReadFile(first_, DriveFileType::Record, 100, buffer, 512), 0);
    EXPECT_EQ(drives.ReadFile(first_, DriveFileType::Record, 0, buffer, 300), 0);
    EXPECT_EQ(drives.ReadFile(first_, DriveFileType::Record, -512, buffer, 512), 0);
    EXPECT_EQ(drives.WriteFile(first_, DriveFileType::Record, 0, buffer, 100), 0);
    EXPECT_EQ(ReadBytes(first_ + "/RECORD.VX"), Pattern(2048, 3));
}

TEST_P(PosixDriveIoTest, MissingFilesCannotBeOpenedAndAreNeverCreated) {
    PosixDriveBackend drives = Drives(first_);
    char buffer[512] = {};
    EXPECT_EQ(drives.ReadFile(first_, DriveFileType::Config, 0, buffer, 512),
              DriveBackend::kCannotOpen);
    EXPECT_EQ(drives.WriteFile(first_, DriveFileType::Control, 0, buffer, 512),
              DriveBackend::kCannotOpen);
    EXPECT_FALSE(QFile::exists(first_ + "/CONTROL.DAT"));
    EXPECT_EQ(drives.ReadFile(base_.filePath("nowhere"), DriveFileType::Status, 0, buffer, 512),
              DriveBackend::kCannotOpen);
}

TEST_P(PosixDriveIoTest, WritesTheControlBlockInPlaceWithoutTruncating) {
    PosixDriveBackend drives = Drives(first_);
    const QString path = first_ + "/CONTROL.DAT";
    WriteBytes(path, QByteArray(1024, 'z'));
    const QByteArray block = Pattern(512, 4);
    ASSERT_EQ(drives.WriteFile(first_, DriveFileType::Control, 0, block.constData(), 512), 512);
    EXPECT_EQ(ReadBytes(path), block + QByteArray(512, 'z'));

    char back[512] = {};
    ASSERT_EQ(drives.ReadFile(first_, DriveFileType::Control, 0, back, 512), 512);
    EXPECT_EQ(QByteArray(back, 512), block);
}

// The mailbox of an emulator's folder: a named pipe, each block the next one its reader takes.
TEST_P(PosixDriveIoTest, WritesControlBlocksIntoAPipeInOrderAndNeverReadsIt) {
    PosixDriveBackend drives = Drives(first_);
    const QByteArray path = QFile::encodeName(first_ + "/CONTROL.DAT");
    ASSERT_EQ(::mkfifo(path.constData(), 0666), 0);
    char buffer[512] = {};
    EXPECT_EQ(drives.WriteFile(first_, DriveFileType::Control, 0, buffer, 512),
              DriveBackend::kCannotOpen)
        << "nobody reads the pipe: the open fails at once instead of waiting";

    const int reader = ::open(path.constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const QByteArray first = Pattern(512, 5);
    const QByteArray second = Pattern(512, 6);
    ASSERT_EQ(drives.WriteFile(first_, DriveFileType::Control, 0, first.constData(), 512), 512);
    ASSERT_EQ(drives.WriteFile(first_, DriveFileType::Control, 0, second.constData(), 512), 512);
    EXPECT_EQ(drives.ReadFile(first_, DriveFileType::Control, 0, buffer, 512), 0)
        << "reading would take the blocks away from the logger";
    EXPECT_EQ(drives.WriteFile(first_, DriveFileType::Control, 512, first.constData(), 512), 0)
        << "a pipe has no offset beyond the start";

    char got[2048] = {};
    EXPECT_EQ(::read(reader, got, sizeof got), 1024);
    EXPECT_EQ(QByteArray(got, 1024), first + second);
    ::close(reader);
}

TEST_F(PosixDriveTest, FileNamesWithSpacesInTheRoot) {
    const QString spaced = MakeFolder(base_, "MY LOGGER");
    PosixDriveBackend drives({spaced});
    WriteBytes(spaced + "/CONFIG.INI", "FilterSize=4\r\n");
    char buffer[512] = {};
    EXPECT_EQ(drives.ReadFile(spaced, DriveFileType::Config, 0, buffer, 512), 14);
}
