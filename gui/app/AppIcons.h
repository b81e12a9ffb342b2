#pragma once

#include "gui/app/CommandType.h"

#include <QIcon>
#include <QString>

// The icon of the desktop's theme under a freedesktop name, or else ours of the same name
// (resources/icons), so that the program reads the same without an icon theme.
QIcon AppIcon(const QString& name);

// The freedesktop name of a command's icon; empty for a command shown without one.
QString CommandIconName(CommandType command);

// Our own pictures: the program, the pages and the session page's buttons.
namespace AppIconName {
inline constexpr char16_t kProgram[] = u"vexlo";
inline constexpr char16_t kInstrument[] = u"vexlo-instrument";
inline constexpr char16_t kSessions[] = u"folder";
inline constexpr char16_t kSession[] = u"vexlo-session";
inline constexpr char16_t kTrend[] = u"vexlo-trend";
inline constexpr char16_t kTable[] = u"vexlo-table";
inline constexpr char16_t kMinMax[] = u"vexlo-minmax";
inline constexpr char16_t kEdit[] = u"document-properties";
} // namespace AppIconName
