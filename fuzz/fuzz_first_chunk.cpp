// RECORD.VX as the download copies it (the first chunk decides the header, the parameter
// block's place and the generator mark), then the copy as the document opens it.
#include "FuzzPort.h"
#include "core/instrument/DownloadTransfer.h"
#include "core/session/CRecSession.h"
#include "core/session/SessionFile.h"
#include "sim/ManualClock.h"

#include <QBuffer>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace {
constexpr std::size_t kMaxInput = 4 * DownloadTransfer::kChunkBytes;
// A RECORD.VX that ends on a whole chunk before the announced size keeps the copy asking, as a
// silent logger does; the programs give up after a timeout, so this gives up too.
constexpr int kMaxTicks = 64;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > kMaxInput)
        return 0;
    // The first byte picks how much the status announces, against what RECORD.VX holds.
    const qint64 announced = static_cast<qint64>(size - 1) - (data[0] & 0x7F) * 8;
    FuzzPort port;
    port.record =
        QByteArray(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    QBuffer output;
    output.open(QIODevice::ReadWrite);
    const ManualClock clock;
    DownloadTransfer transfer(port, output, announced, clock);
    for (int tick = 0; tick < kMaxTicks && transfer.Running(); ++tick)
        transfer.Tick();
    if (transfer.State() != TransferStateType::Finished)
        return 0;
    QByteArray image = output.data();
    const qint64 length = image.size();
    image.append(QByteArray((512 - length % 512) % 512, '\0'));
    const QString path = QStringLiteral("fuzz.vx");
    if (!CheckSessionFileRead(path, length) || !CheckSessionImage(path, image))
        return 0;
    CRecSession session;
    SessionImageReader reader(session, image.constData(), length, true);
    if (!reader.Begin())
        return 0;
    std::optional<Outcome> ended;
    while (!(ended = reader.Step())) {
    }
    return 0;
}
