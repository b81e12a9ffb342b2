#pragma once

#include "core/app/BuildInfo.h"
#include "core/common/StringTable.h"

#include <QString>

// Names under which the program identifies itself to the system and to the user.
namespace AppIdentity {
inline QString CompanyKey() {
    return QStringLiteral("Marvane");
}
inline QString ApplicationName() {
    return QStringLiteral("Vexlo");
}
inline QString ProgramVersion() {
    return QString::fromLatin1(BuildInfo::kVersion);
}
// The reverse-DNS id of the desktop entry, the metainfo and the icon.
inline QString ApplicationId() {
    return QString::fromLatin1(BuildInfo::kAppId);
}
// Language of the interface texts, chosen at start; the tool bar and menu layout is reset when
// it changes.
inline QString InterfaceLanguage() {
    return InterfaceLanguageCode(CurrentInterfaceLanguage());
}
// Shared by every copy of the program so that a second start finds the first one.
inline QString InstanceKey() {
    return QStringLiteral("Marvane_Vexlo_5242414590534571");
}
} // namespace AppIdentity
