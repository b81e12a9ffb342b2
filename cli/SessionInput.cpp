#include "cli/SessionInput.h"

#include "cli/CommandFiles.h"
#include "core/common/StringTable.h"
#include "core/session/CRecSession.h"
#include "core/session/SessionFigures.h"
#include "core/session/SessionFile.h"

#include <QFile>
#include <unistd.h>

namespace {

// The whole of the standard input, read to its end.
Outcome LoadStandardInput(QByteArray& image) {
    const QString name = QStringLiteral("-");
    QFile in;
    if (!in.open(STDIN_FILENO, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return Outcome::Failure(OutcomeType::CannotRead,
                                FormatResource(TextId::kCannotRead, {name}));
    image.clear();
    constexpr qint64 kChunk = 1 << 20;
    for (;;) {
        const QByteArray chunk = in.read(kChunk);
        if (chunk.isEmpty())
            break;
        if (image.size() + chunk.size() > kMaximumSessionFileSize)
            return Outcome::Failure(OutcomeType::CannotRead,
                                    FormatResource(TextId::kCannotRead, {name}));
        image.append(chunk);
    }
    if (in.error() != QFileDevice::NoError)
        return Outcome::Failure(OutcomeType::CannotRead,
                                FormatResource(TextId::kCannotRead, {name}));
    return Outcome::Success();
}

// A file the reader would refuse as well, refused first with the reason in words.
Outcome LoadFile(const QString& path, QByteArray& image) {
    if (const Outcome plain = CommandFiles::CheckInput(path, kMaximumSessionFileSize); !plain)
        return plain;
    return LoadSessionImage(path, image);
}

Outcome LoadInput(const QString& path, QByteArray& image) {
    return path == QLatin1StringView(kStandardInput) ? LoadStandardInput(image)
                                                     : LoadFile(path, image);
}

} // namespace

Outcome ReadSessionFile(const QString& path, CRecSession& session) {
    session.SetPath(path);
    QByteArray image;
    if (Outcome loaded = LoadInput(path, image); !loaded)
        return loaded;
    if (Outcome checked = CheckSessionImage(path, image); !checked)
        return checked;
    return ReadSessionImage(session, image, false);
}

Outcome UserSessionFile::Read(const QString& path) {
    Outcome read = ReadSessionFile(path, session);
    if (read)
        session.SetFigures(SessionFigures::Load(settings, session));
    return read;
}
