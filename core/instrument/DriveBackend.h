#pragma once

#include <QString>
#include <QtGlobal>
#include <vector>

// The four files a logger keeps in the root of its drive.
enum class DriveFileType { Status, Config, Control, Record };

// "STATUS.INI", "CONFIG.INI", "CONTROL.DAT", "RECORD.VX".
QString DriveFileName(DriveFileType file);

inline constexpr qint64 kDriveSector = 512;
inline constexpr qint64 kMaxDriveCandidates = 24;

// The removable drives and the raw, uncached file I/O on them. Status and configuration
// reads come from the link worker thread while command and recording transfers come from the
// user-interface thread, so implementations must allow concurrent calls.
class DriveBackend {
public:
    // Open failures are told apart from I/O errors: the link retries the first and takes
    // the second as "nothing read".
    static constexpr qint64 kCannotOpen = -1;

    virtual ~DriveBackend() = default;
    // Roots of the candidate drives, in scan order, at most kMaxDriveCandidates.
    virtual std::vector<QString> CandidateDrives() const = 0;
    virtual bool DriveExists(const QString& root) const = 0;
    // `offset` and `size` are multiples of kDriveSector. Returns the bytes transferred (0 on an
    // I/O error) or kCannotOpen. Files are never created or truncated.
    virtual qint64 ReadFile(const QString& root, DriveFileType file, qint64 offset, char* buffer,
                            qint64 size) = 0;
    virtual qint64 WriteFile(const QString& root, DriveFileType file, qint64 offset,
                             const char* data, qint64 size) = 0;
};
