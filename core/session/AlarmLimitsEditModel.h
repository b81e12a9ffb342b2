#pragma once

#include "core/common/Outcome.h"
#include "core/session/SessionFigures.h"

#include <QString>

class CRecSession;

// The rules of a session's "Limites d’alarme" window: each limit optional and typed in the
// session's display unit; the mean kinetic temperature offered for temperature sessions only.
class AlarmLimitsEditModel {
public:
    explicit AlarmLimitsEditModel(const CRecSession& session);

    static QString Title();
    static QString LowLabel();
    static QString HighLabel();
    static QString MktLabel();
    const QString& Unit() const { return unit_; }
    // Which logger's sessions the limits go with.
    const QString& Note() const { return note_; }
    bool OffersMkt() const { return temperature_; }

    // The current limits as the boxes first show them; empty for none.
    const QString& LowText() const { return lowText_; }
    const QString& HighText() const { return highText_; }
    bool ShowMkt() const { return figures_.showMkt; }

    // "OK": an empty text is no limit. False, with the message to show, when a text is not a
    // number the program accepts or the low limit lies above the high one; nothing changes.
    Outcome Apply(const QString& low, const QString& high, bool showMkt);
    // The box the last refusal was about: the high one for its text, else the low one.
    bool LastRefusalIsHigh() const { return refusedHigh_; }
    // The session's figures with what was last applied.
    const SessionFigures& Result() const { return figures_; }

private:
    SessionFigures figures_;
    QString unit_;
    QString note_;
    bool temperature_;
    QString lowText_;
    QString highText_;
    bool refusedHigh_ = false;
};
