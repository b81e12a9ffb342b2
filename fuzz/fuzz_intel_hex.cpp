// A firmware file as the upgrade window takes it: the Intel HEX text, the image's family mark,
// then every page the upgrade would send.
#include "core/instrument/IntelHexImage.h"

#include <QByteArrayView>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const IntelHexReadResult read =
        ReadIntelHex(QByteArrayView(data, static_cast<qsizetype>(size)));
    if (!read.outcome || !read.image.CheckCompatibility())
        return 0;
    for (qsizetype at = 0; at < read.image.Size(); at += 256)
        (void)read.image.Page(at, 256);
    return 0;
}
