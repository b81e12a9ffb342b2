// A raw dump as `vexlo-cli replay` takes it: the container's checks, then the download's copy
// over its bytes, as far as the dump goes.
#include "core/instrument/DownloadTransfer.h"
#include "core/instrument/InstrumentCommands.h"
#include "core/instrument/RawDump.h"
#include "sim/ManualClock.h"

#include <QBuffer>
#include <cstddef>
#include <cstdint>

namespace {
constexpr std::size_t kMaxInput = 1 << 18;
constexpr int kMaxTicks = 64;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxInput)
        return 0;
    RawDump dump;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (!RawDump::Parse(bytes, QStringLiteral("fuzz.vxdump"), dump))
        return 0;
    RawDumpPort port(dump);
    if (port.LinkMemoryUsed() <= 0 || DownloadBlocker(port.State()) != CommandBlockerType::None)
        return 0;
    QBuffer output;
    output.open(QIODevice::ReadWrite);
    const ManualClock clock;
    DownloadTransfer transfer(port, output, port.LinkMemoryUsed(), clock);
    for (int tick = 0; tick < kMaxTicks && transfer.Running(); ++tick)
        transfer.Tick();
    return 0;
}
