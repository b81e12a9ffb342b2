#include "cli/SessionInput.h"

#include "core/session/CRecSession.h"
#include "core/session/SessionFigures.h"
#include "core/session/SessionFile.h"

Outcome ReadSessionFile(const QString& path, CRecSession& session) {
    session.SetPath(path);
    QByteArray image;
    if (Outcome loaded = LoadSessionImage(path, image); !loaded)
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
