#include "sim/FolderDrive.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

QByteArray PaddedToSectors(QByteArray bytes) {
    const qint64 length = std::max<qint64>(kDriveSector, (bytes.size() + kDriveSector - 1) /
                                                             kDriveSector * kDriveSector);
    bytes.append(QByteArray(length - bytes.size(), '\0'));
    return bytes;
}

} // namespace

FolderDrive::FolderDrive(LoggerEmulator& logger, QString folder)
    : logger_(logger), folder_(std::move(folder)) {}

QString FolderDrive::PathOf(DriveFileType file) const {
    return QDir(folder_).filePath(DriveFileName(file));
}

Outcome FolderDrive::Write(DriveFileType file, const QByteArray& bytes) {
    QSaveFile out(PathOf(file));
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return Outcome::Failure(
            QStringLiteral("Impossible d’écrire %1 : %2").arg(PathOf(file), out.errorString()));
    return Outcome::Success();
}

Outcome FolderDrive::Open() {
    if (!QDir().mkpath(folder_))
        return Outcome::Failure(QStringLiteral("Impossible de créer le dossier %1").arg(folder_));
    lastControl_ = QByteArray(kDriveSector, '\0');
    if (Outcome o = Write(DriveFileType::Control, lastControl_); !o)
        return o;
    recordRevision_.reset();
    return Refresh();
}

Outcome FolderDrive::Refresh() {
    logger_.Advance();
    if (Outcome o = Write(DriveFileType::Status, PaddedToSectors(logger_.StatusText())); !o)
        return o;
    if (Outcome o = Write(DriveFileType::Config, PaddedToSectors(logger_.ConfigText())); !o)
        return o;
    if (recordRevision_ != logger_.RecordRevision()) {
        if (Outcome o = Write(DriveFileType::Record, PaddedToSectors(logger_.RecordBytes())); !o)
            return o;
        recordRevision_ = logger_.RecordRevision();
    }
    return Outcome::Success();
}

std::optional<ReceivedCommand> FolderDrive::ProcessControlFile() {
    QFile in(PathOf(DriveFileType::Control));
    if (!in.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray block = in.read(kDriveSector);
    in.close();
    if (block.size() < kDriveSector || block == lastControl_)
        return std::nullopt;
    lastControl_ = block;
    logger_.Advance();
    ReceivedCommand received;
    received.code = static_cast<std::uint8_t>(block[2]);
    received.outcome =
        logger_.HandleCommand(reinterpret_cast<const std::uint8_t*>(block.constData()));
    // Only a programming logger answers through the mailbox; anything else written back
    // could overwrite a command that follows at once.
    if (logger_.Flash().Active()) {
        const QByteArray map = logger_.ControlReadBack();
        if (Write(DriveFileType::Control, map))
            lastControl_ = map;
    }
    Refresh();
    return received;
}
