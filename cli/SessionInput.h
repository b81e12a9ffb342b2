#pragma once

#include "core/app/TemperatureSetting.h"
#include "core/common/Outcome.h"
#include "core/session/CRecSession.h"
#include "platform/QtSettingsStore.h"

#include <QString>

// The file name that stands for the standard input where a command reads one session.
inline constexpr const char* kStandardInput = "-";

// Reads the session file at `path` (the standard input for "-") into `session` as the desktop opens
// it; on failure, the program's French message.
Outcome ReadSessionFile(const QString& path, CRecSession& session);

// A session file as a command reads it: in the temperature unit of the user's settings, with
// the alarm limits remembered for its logger.
struct UserSessionFile {
    Outcome Read(const QString& path);

    const QtSettingsStore settings;
    const TemperatureSetting temperature{settings};
    CRecSession session{&temperature};
};
