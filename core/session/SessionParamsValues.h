#pragma once

#include "core/common/CalendarDateTime.h"
#include "core/session/SessionFile.h"

#include <QString>

class CRecSession;

// What the user may change about a session: a snapshot before editing, and the result.
// The fields are those the parameter block keeps.
struct SessionParamsValues : ParameterBlockFields {
    int correctedStartMs = 0; // the pickers give whole seconds; kept for finer callers

    static SessionParamsValues Of(const CRecSession& session);
    bool TextsDiffer(const SessionParamsValues& other) const;
    bool ConversionDiffers(const SessionParamsValues& other) const;
    // Milliseconds from `other`'s corrected start to this one's.
    qint64 StartShiftMs(const SessionParamsValues& other) const;
};

struct ApplyOutcome {
    bool modified = false;
    bool recomputed = false;
    bool startMoved = false;
};

// Carries the edited values into the session as its file keeps them, reconverting its values
// only when a setting of the conversion changed.
ApplyOutcome ApplySessionParams(CRecSession& session, const SessionParamsValues& before,
                                const SessionParamsValues& after);
