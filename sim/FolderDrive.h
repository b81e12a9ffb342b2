#pragma once

#include "common/Outcome.h"
#include "instrument/DriveBackend.h"
#include "sim/LoggerEmulator.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

struct ReceivedCommand {
    std::uint8_t code = 0;
    CommandOutcome outcome = CommandOutcome::Invalid;
};

// A plain folder kept up to date as a logger drive: the text files and the recording are
// rewritten whole (temporary file and rename, so a reader never sees half a file) and the
// mailbox is read back for new command blocks. Back-to-back blocks written faster than they
// are looked at are seen only as the last of them; a mounted drive does not have that limit.
class FolderDrive {
public:
    // `logger` must outlive the folder drive.
    FolderDrive(LoggerEmulator& logger, QString folder);

    // Creates the folder if needed and writes the four files.
    Outcome Open();
    // Brings the logger up to date and rewrites what changed.
    Outcome Refresh();
    // Acts on the mailbox if it holds something this side did not write or see already.
    std::optional<ReceivedCommand> ProcessControlFile();

    QString PathOf(DriveFileType file) const;

private:
    Outcome Write(DriveFileType file, const QByteArray& bytes);

    LoggerEmulator& logger_;
    QString folder_;
    QByteArray lastControl_;
    std::optional<quint64> recordRevision_;
};
