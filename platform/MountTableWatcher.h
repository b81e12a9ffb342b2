#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

// Tells when the drives may have changed. The kernel reports a change of the mount table to
// one poll only, and an event loop may be the one that polls, so a change is found by
// comparing what the table and the extra roots hold now with what was seen last.
class MountTableWatcher {
public:
    // Extra roots from VEXLO_DRIVES.
    MountTableWatcher();
    explicit MountTableWatcher(QStringList extraRoots);
    ~MountTableWatcher();
    MountTableWatcher(const MountTableWatcher&) = delete;
    MountTableWatcher& operator=(const MountTableWatcher&) = delete;

    bool IsValid() const { return fd_ >= 0; }
    // Signals an exceptional condition (QSocketNotifier::Exception) on each change.
    int Fd() const { return fd_; }
    // Whether the mount table, or the presence of an extra root or of its STATUS.INI, differs
    // from the last look.
    bool Changed();

private:
    QList<bool> PresentRoots() const;

    int fd_;
    const QStringList extraRoots_;
    QByteArray table_;
    QList<bool> present_;
};
