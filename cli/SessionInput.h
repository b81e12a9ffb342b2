#pragma once

#include "core/common/Outcome.h"

#include <QString>

class CRecSession;

// Reads the session file at `path` into `session` as the desktop opens it; on failure, the
// program's French message.
Outcome ReadSessionFile(const QString& path, CRecSession& session);
