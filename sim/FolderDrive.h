#pragma once

#include "core/common/Outcome.h"
#include "core/instrument/DriveBackend.h"
#include "sim/LoggerEmulator.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

// A plain folder kept up to date as a logger drive: the text files and the recording are
// rewritten whole (temporary file and rename, so a reader never sees half a file). The mailbox
// is a named pipe that this side holds open, so that every 512-byte block written reaches the
// logger once and in order, as sector writes reach a device. In flash mode the programmer
// must read the acknowledgement map back, which a pipe cannot give: the mailbox is then a
// plain file holding the map, looked at after each page (one page is written at a time).
class FolderDrive {
public:
    // `logger` must outlive the folder drive.
    FolderDrive(LoggerEmulator& logger, QString folder);
    ~FolderDrive();
    FolderDrive(const FolderDrive&) = delete;
    FolderDrive& operator=(const FolderDrive&) = delete;

    // Creates the folder if needed and the four files, the mailbox as a pipe.
    Outcome Open();
    // Brings the logger up to date and rewrites what changed.
    Outcome Refresh();
    // Acts on the next command block of the mailbox; none when nothing new waits. Call it
    // until it gives none: several blocks may be waiting.
    std::optional<ReceivedCommand> ProcessControlFile();
    // Readable (for poll()) when blocks wait in the pipe; -1 while the mailbox is a plain file.
    int MailboxDescriptor() const { return pipe_; }

    QString PathOf(DriveFileType file) const;

private:
    Outcome Write(DriveFileType file, const QByteArray& bytes);
    Outcome UsePipeMailbox();
    Outcome UsePlainMailbox(const QByteArray& content);
    void DrainPipe();
    std::optional<QByteArray> NextBlock();

    LoggerEmulator& logger_;
    QString folder_;
    int pipe_ = -1;
    // Bytes taken from the pipe, not yet acted on.
    QByteArray pending_;
    // What the plain-file mailbox held when last looked at.
    QByteArray lastControl_;
    std::optional<quint64> recordRevision_;
};
