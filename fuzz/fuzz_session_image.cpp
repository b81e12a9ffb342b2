// A session file as the document opens it: the checks made before a session is created, the
// stepped reading, then the parameter block a save would write.
#include "core/session/CRecSession.h"
#include "core/session/SessionFile.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 20))
        return 0;
    const auto length = static_cast<qint64>(size);
    // The opener's buffer: the file rounded up to whole sectors, zero past its end.
    QByteArray buffer(static_cast<qsizetype>((length + 511) / 512 * 512), '\0');
    if (size > 0)
        std::memcpy(buffer.data(), data, size);
    const QString path = QStringLiteral("fuzz.vx");
    if (!CheckSessionFileRead(path, length) || !CheckSessionImage(path, buffer))
        return 0;
    CRecSession session;
    SessionImageReader reader(session, buffer.constData(), length, false);
    if (!reader.Begin())
        return 0;
    std::optional<Outcome> ended;
    while (!(ended = reader.Step())) {
    }
    if (*ended)
        (void)BuildParameterBlock(ParameterBlockFields::Of(session));
    return 0;
}
