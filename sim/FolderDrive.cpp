#include "sim/FolderDrive.h"

#include "core/common/StringTable.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray PaddedToSectors(QByteArray bytes) {
    const qint64 length = std::max<qint64>(kDriveSector, (bytes.size() + kDriveSector - 1) /
                                                             kDriveSector * kDriveSector);
    bytes.append(QByteArray(length - bytes.size(), '\0'));
    return bytes;
}

Outcome SystemFailure(const char* what, const QByteArray& path) {
    return Outcome::Failure(
        OutcomeType::CannotWrite,
        FormatResource(TextId::kLabelledFigure,
                       {QString::fromLatin1(what) + u' ' + QFile::decodeName(path),
                        QString::fromLocal8Bit(std::strerror(errno))}));
}

} // namespace

FolderDrive::FolderDrive(LoggerEmulator& logger, QString folder)
    : logger_(logger), folder_(std::move(folder)) {}

FolderDrive::~FolderDrive() {
    if (pipe_ >= 0)
        ::close(pipe_);
}

QString FolderDrive::PathOf(DriveFileType file) const {
    return QDir(folder_).filePath(DriveFileName(file));
}

Outcome FolderDrive::Write(DriveFileType file, const QByteArray& bytes) {
    QSaveFile out(PathOf(file));
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return Outcome::Failure(
            OutcomeType::CannotWrite,
            FormatResource(TextId::kSimCannotWrite, {PathOf(file), out.errorString()}));
    return Outcome::Success();
}

Outcome FolderDrive::Open() {
    if (!QDir().mkpath(folder_))
        return Outcome::Failure(OutcomeType::CannotWrite,
                                FormatResource(TextId::kSimCannotCreateFolder, {folder_}));
    pending_.clear();
    if (Outcome o = UsePipeMailbox(); !o)
        return o;
    recordRevision_.reset();
    return Refresh();
}

Outcome FolderDrive::UsePipeMailbox() {
    // Made under another name and renamed into place, so that a writer always finds a mailbox.
    const QByteArray path = QFile::encodeName(PathOf(DriveFileType::Control));
    const QByteArray made = path + ".fifo";
    ::unlink(made.constData());
    if (::mkfifo(made.constData(), 0666) != 0)
        return SystemFailure("mkfifo", made);
    // Open for reading and writing: the pipe then always has a reader, so that a writer's
    // non-blocking open succeeds, and reading it never meets an end of file.
    const int fd = ::open(made.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 || ::rename(made.constData(), path.constData()) != 0) {
        const Outcome failed = SystemFailure(fd < 0 ? "open" : "rename", made);
        if (fd >= 0)
            ::close(fd);
        ::unlink(made.constData());
        return failed;
    }
    if (pipe_ >= 0)
        ::close(pipe_);
    pipe_ = fd;
    return Outcome::Success();
}

Outcome FolderDrive::UsePlainMailbox(const QByteArray& content) {
    // Blocks written before the switch are kept and acted on in turn.
    DrainPipe();
    if (Outcome o = Write(DriveFileType::Control, content); !o)
        return o;
    lastControl_ = content;
    if (pipe_ >= 0) {
        DrainPipe();
        ::close(pipe_);
        pipe_ = -1;
    }
    return Outcome::Success();
}

void FolderDrive::DrainPipe() {
    if (pipe_ < 0)
        return;
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(pipe_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        pending_.append(chunk, n);
    }
}

std::optional<QByteArray> FolderDrive::NextBlock() {
    DrainPipe();
    if (pending_.size() >= kDriveSector) {
        QByteArray block = pending_.left(kDriveSector);
        pending_.remove(0, kDriveSector);
        return block;
    }
    if (pipe_ >= 0)
        return std::nullopt;
    QFile in(PathOf(DriveFileType::Control));
    if (!in.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray block = in.read(kDriveSector);
    if (block.size() < kDriveSector || block == lastControl_)
        return std::nullopt;
    lastControl_ = block;
    return block;
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
    const std::optional<QByteArray> block = NextBlock();
    if (!block)
        return std::nullopt;
    const ReceivedCommand received =
        logger_.ReceiveBlock(reinterpret_cast<const std::uint8_t*>(block->constData()));
    // A failed switch leaves the mailbox as it was and is tried again at the next block; a failed
    // rewrite is done again, and told, by the next periodic refresh. The logger goes on either way.
    if (logger_.Flash().Active())
        static_cast<void>(UsePlainMailbox(logger_.ControlReadBack()));
    else if (pipe_ < 0)
        static_cast<void>(UsePipeMailbox());
    static_cast<void>(Refresh());
    return received;
}
