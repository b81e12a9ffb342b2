#pragma once

#include <QString>

class CRecSession;
class UserInterface;

// Opens a session file behind a progress window that covers reading the file and building the
// session, and refuses what cannot be a session, telling the user why. "Annuler" ends quietly.
class SessionOpener {
public:
    explicit SessionOpener(UserInterface& ui) : ui_(ui) {}
    // Fills `session` from the file at `path`; false when the file was refused or the load
    // given up, and the half-built session is then to be dropped.
    bool Open(const QString& path, CRecSession& session, bool isTemporary) const;

private:
    bool Refuse(const QString& text) const;

    UserInterface& ui_;
};
