#include "session/SessionOpener.h"

#include "app/UserInterface.h"
#include "common/StringTable.h"
#include "session/SessionFile.h"
#include "session/SessionLoadJob.h"

#include <QByteArray>
#include <QFile>

#include <climits>
#include <new>

bool SessionOpener::Refuse(const QString& text) const {
    ui_.ShowMessage(text, MessageIconType::Error);
    return false;
}

bool SessionOpener::Open(const QString& path, CRecSession& session, bool isTemporary) const {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::ExistingOnly) || file.size() > INT_MAX)
        return Refuse(FormatResource(1013, {path}));
    const qint64 size = file.size();
    if (size < kMinimumSessionFileSize)
        return Refuse(FormatResource(623, {path}));

    QByteArray buffer;
    try {
        const qint64 rounded = (size + kMinimumSessionFileSize - 1) / kMinimumSessionFileSize *
                               kMinimumSessionFileSize;
        buffer = QByteArray(static_cast<qsizetype>(rounded), '\0');
    } catch (const std::bad_alloc&) {
        return Refuse(ResourceString(603));
    }

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
