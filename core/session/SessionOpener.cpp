#include "core/session/SessionOpener.h"

#include "core/app/UserInterface.h"
#include "core/session/SessionFile.h"
#include "core/session/SessionLoadJob.h"

#include <QByteArray>
#include <QFile>

bool SessionOpener::Refuse(const QString& text) const {
    ui_.ShowMessage(text, MessageIconType::Error);
    return false;
}

bool SessionOpener::Open(const QString& path, CRecSession& session, bool isTemporary) const {
    QFile file(path);
    QByteArray buffer;
    qint64 size = 0;
    if (const Outcome opened = OpenSessionFile(file, buffer, size); !opened)
        return Refuse(opened.message);

    SessionLoadJob load(file, buffer, size, session, isTemporary);
    switch (ui_.RunModalJob(load, load.Title())) {
    case JobEndType::Done:
        return true;
    case JobEndType::Failed:
        // A failed read says nothing, as a cancelled one.
        if (!load.Problem().isEmpty())
            return Refuse(load.Problem());
        return false;
    case JobEndType::Cancelled:
        break;
    }
    return false;
}
