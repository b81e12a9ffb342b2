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

namespace {

Outcome Unreadable(const QString& path) {
    return Outcome::Failure(FormatResource(TextId::kCannotRead, {path}));
}

Outcome TooLarge(const QString& path, qint64 limit) {
    return Outcome::Failure(
        QStringLiteral("le fichier %1 dépasse %2 octets, la taille que son format ne peut pas "
                       "dépasser.")
            .arg(path)
            .arg(limit));
}

// The file opened without waiting on a FIFO's writer, and checked to be a plain file no
// longer than `limit`; -1 when refused, with `refusal` set.
int OpenPlainFile(const QString& path, qint64 limit, Outcome& refusal) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        refusal = Unreadable(path);
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        refusal = Outcome::Failure(
            QStringLiteral("%1 n’est pas un fichier ordinaire ; il n’est pas lu.").arg(path));
        return -1;
    }
    if (info.st_size > limit) {
        ::close(fd);
        refusal = TooLarge(path, limit);
        return -1;
    }
    return fd;
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
            return Outcome::Failure(
                QStringLiteral("%1 est aussi le fichier lu : la commande n’écrit jamais sur ce "
                               "qu’elle lit, même avec --force.")
                    .arg(out));
    if (!force)
        return Outcome::Failure(FormatResource(TextId::kFileExists, {out}) +
                                QStringLiteral(" --force le remplace."));
    return Outcome::Success();
}

Outcome CheckInput(const QString& path, qint64 limit) {
    Outcome refusal = Outcome::Success();
    const int fd = OpenPlainFile(path, limit, refusal);
    if (fd >= 0)
        ::close(fd);
    return refusal;
}

Outcome ReadInput(const QString& path, qint64 limit, QByteArray& bytes) {
    Outcome refusal = Outcome::Success();
    const int fd = OpenPlainFile(path, limit, refusal);
    if (fd < 0)
        return refusal;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Unreadable(path);
    }
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
