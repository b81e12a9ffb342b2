#pragma once

#include <QLoggingCategory>

// The trace of the logger link, category "vexlo.link": what a drive scan found, drive files
// that cannot be opened, stalled transfers and logger clocks, the drives dropped, and the
// filesystems that refuse O_DIRECT. Off by default (nothing is written unless asked), so that a
// field failure can be traced with QT_LOGGING_RULES="vexlo.link=true" and costs nothing
// otherwise. Used by core/instrument and platform/.
Q_DECLARE_LOGGING_CATEGORY(LinkLog)
