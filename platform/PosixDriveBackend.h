#pragma once

#include "core/instrument/DriveBackend.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

struct MountEntry {
    QString device;
    QString mountPoint;
    QString type;
};

// The text of /proc/self/mounts; empty when it cannot be read.
QByteArray ReadMountTableText();
// The roots named in VEXLO_DRIVES (colon-separated).
QStringList DriveRootsFromEnvironment();

// The lines of a /proc/self/mounts text, octal escapes such as \040 decoded.
std::vector<MountEntry> ParseMountTable(const QByteArray& text);

// The candidate roots: the removable mounts in mount-point order, then `extraRoots`; duplicates
// removed, at most kMaxDriveCandidates.
std::vector<QString> SelectDriveRoots(const std::vector<MountEntry>& mounts,
                                      const std::function<bool(const QString& device)>& isRemovable,
                                      const QStringList& extraRoots);

// Whether the block device behind `device` (a /dev path) reports itself removable in sysfs.
bool IsRemovableBlockDevice(const QString& device);

// Drives as mounted volumes, files read and written with the page cache bypassed.
class PosixDriveBackend final : public DriveBackend {
public:
    // Extra roots from VEXLO_DRIVES (colon-separated).
    PosixDriveBackend();
    // `directIo` false takes the path of filesystems that refuse O_DIRECT: plain transfers, then
    // the cached pages dropped.
    explicit PosixDriveBackend(QStringList extraRoots, bool directIo = true);

    std::vector<QString> CandidateDrives() const override;
    bool DriveExists(const QString& root) const override;
    qint64 ReadFile(const QString& root, DriveFileType file, qint64 offset, char* buffer,
                    qint64 size) override;
    qint64 WriteFile(const QString& root, DriveFileType file, qint64 offset, const char* data,
                     qint64 size) override;

private:
    const QStringList extraRoots_;
    const bool directIo_ = true;
};
