#include "core/instrument/LinkLog.h"

// Messages below QtCriticalMsg are disabled until a logging rule enables them; the link never
// writes at the critical level, so the category is silent by default.
Q_LOGGING_CATEGORY(LinkLog, "vexlo.link", QtCriticalMsg)
