#include "platform/MountTableWatcher.h"

#include "core/instrument/LinkLog.h"
#include "platform/PosixDriveBackend.h"

#include <QFileInfo>
#include <fcntl.h>
#include <unistd.h>

MountTableWatcher::MountTableWatcher() : MountTableWatcher(DriveRootsFromEnvironment()) {}

MountTableWatcher::MountTableWatcher(QStringList extraRoots)
    : fd_(::open("/proc/self/mounts", O_RDONLY | O_CLOEXEC)), extraRoots_(std::move(extraRoots)),
      table_(ReadMountTableText()), present_(PresentRoots()) {}

MountTableWatcher::~MountTableWatcher() {
    if (fd_ >= 0)
        ::close(fd_);
}

QList<bool> MountTableWatcher::PresentRoots() const {
    QList<bool> present;
    present.reserve(extraRoots_.size());
    // A folder may appear before the logger's files are in it: both count.
    for (const QString& root : extraRoots_) {
        present.append(QFileInfo(root).isDir());
        present.append(QFileInfo::exists(root + u'/' + DriveFileName(DriveFileType::Status)));
    }
    return present;
}

bool MountTableWatcher::Changed() {
    QByteArray table = ReadMountTableText();
    QList<bool> present = PresentRoots();
    const bool changed = table != table_ || present != present_;
    if (table != table_)
        qCDebug(LinkLog).noquote() << "device change: the mount table changed";
    if (present != present_)
        qCDebug(LinkLog).noquote()
            << "device change: a folder of VEXLO_DRIVES or its status file came or went"
            << extraRoots_;
    table_ = std::move(table);
    present_ = std::move(present);
    return changed;
}
