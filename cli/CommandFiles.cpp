#include "cli/CommandFiles.h"

#include "cli/InterruptWatch.h"
#include "core/common/StringTable.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

Outcome Unreadable(const QString& path) {
    return Outcome::Failure(OutcomeType::CannotRead, FormatResource(TextId::kCannotRead, {path}));
}

Outcome TooLarge(const QString& path, qint64 limit) {
    return Outcome::Failure(
        OutcomeType::Unsupported,
        FormatResource(TextId::kCliFileTooLarge, {path, QString::number(limit)}));
}

// A file descriptor, closed when it goes unless handed on.
class Descriptor {
public:
    Descriptor() = default;
    ~Descriptor() { Reset(-1); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int Get() const { return fd_; }
    void Reset(int fd) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    int Release() { return std::exchange(fd_, -1); }

private:
    int fd_ = -1;
};

// Opens `path` into `file` without waiting on a FIFO's writer, and refuses what is not a plain
// file no longer than `limit`.
Outcome OpenPlainFile(const QString& path, qint64 limit, Descriptor& file) {
    file.Reset(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.Get() < 0)
        return Unreadable(path);
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode))
        return Outcome::Failure(OutcomeType::CannotRead,
                                FormatResource(TextId::kCliNotPlainFile, {path}));
    if (info.st_size > limit)
        return TooLarge(path, limit);
    return Outcome::Success();
}

QString Canonical(const QString& path) {
    return QFileInfo(path).canonicalFilePath();
}

} // namespace

namespace CommandFiles {

Outcome CheckOutput(const QString& out, const QStringList& inputs, bool force) {
    if (out == QStringLiteral("-"))
        return Outcome::Success();
    const QString target = Canonical(out);
    if (target.isEmpty())
        return Outcome::Success();
    for (const QString& input : inputs)
        if (Canonical(input) == target)
            return Outcome::Failure(OutcomeType::Refused,
                                    FormatResource(TextId::kCliOutputIsInput, {out}));
    if (!force)
        return Outcome::Failure(OutcomeType::Refused,
                                FormatResource(TextId::kFileExists, {out}) +
                                    ResourceString(TextId::kCliForceReplaces));
    return Outcome::Success();
}

Outcome CheckInput(const QString& path, qint64 limit) {
    Descriptor file;
    return OpenPlainFile(path, limit, file);
}

Outcome ReadInput(const QString& path, qint64 limit, QByteArray& bytes) {
    Descriptor opened;
    if (const Outcome plain = OpenPlainFile(path, limit, opened); !plain)
        return plain;
    QFile file;
    if (!file.open(opened.Get(), QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return Unreadable(path);
    opened.Release();
    // Read a piece at a time: a file that grew since it was measured is cut off one piece
    // past the limit.
    constexpr qint64 kPiece = 1 << 16;
    bytes.clear();
    bytes.reserve(static_cast<qsizetype>(std::min(file.size(), limit)));
    for (;;) {
        const QByteArray piece = file.read(kPiece);
        if (file.error() != QFileDevice::NoError)
            return Unreadable(path);
        if (piece.isEmpty())
            return Outcome::Success();
        if (bytes.size() + piece.size() > limit) {
            bytes.clear();
            return TooLarge(path, limit);
        }
        bytes += piece;
    }
}

bool WriteWhole(const QString& path, const std::function<bool(QIODevice&)>& write) {
    const InterruptWatch interrupts;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (!write(file)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace CommandFiles
