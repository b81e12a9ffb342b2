#include "session/SessionOpener.h"

#include "app/UserInterface.h"
#include "common/StringTable.h"
#include "session/CLoadFile.h"
#include "session/SessionFile.h"

#include <QFile>

#include <climits>
#include <new>

std::optional<SessionImage> SessionOpener::Refuse(const QString& text) const {
    ui_.ShowMessage(text, MessageIconType::Error);
    return std::nullopt;
}

std::optional<SessionImage> SessionOpener::Load(const QString& path) const {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::ExistingOnly) || file.size() > INT_MAX)
        return Refuse(FormatResource(1013, {path}));
    const qint64 size = file.size();
    if (size < kMinimumSessionFileSize)
        return Refuse(FormatResource(623, {path}));

    SessionImage image;
    try {
        const qint64 rounded = (size + kMinimumSessionFileSize - 1) / kMinimumSessionFileSize *
                               kMinimumSessionFileSize;
        image.buffer = QByteArray(static_cast<qsizetype>(rounded), '\0');
    } catch (const std::bad_alloc&) {
        return Refuse(ResourceString(603));
    }

    CLoadFile load(file, image.buffer, size);
    if (ui_.RunModalJob(load, load.Title()) != JobEndType::Done)
        return std::nullopt;
    image.length = load.BytesRead();
    if (image.length < kMinimumSessionFileSize)
        return Refuse(FormatResource(1013, {path}));

    // The bytes past the length are zero, so the header text ends where the file does.
    if (const Outcome checked = CheckSessionImage(path, image.buffer); !checked)
        return Refuse(checked.message);
    return image;
}
