// The update server's versions file as the update check reads it: the section of each
// interface language, the entries' versions compared with this program's, their addresses
// checked before anything is fetched.
#include "core/app/UpdateServer.h"
#include "core/app/VersionsFile.h"

#include <QByteArrayView>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView body(data, static_cast<qsizetype>(size));
    for (const char16_t* language : {u"FR", u"EN"}) {
        const VersionsFile file = VersionsFile::Parse(body, QStringView(language));
        (void)file.IsEmpty();
        for (const QString* entry : {&file.firmware, &file.program, &file.help, &file.manual}) {
            const QString version = EntryVersion(*entry);
            (void)IsOlderVersion(u"0.1.0", version);
            (void)IsHelpCurrent(true, 1, u"FR", VersionNumber(version));
            (void)DownloadAddress(EntryAddress(*entry));
        }
    }
    return 0;
}
