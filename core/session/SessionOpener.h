#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class UserInterface;

// A session file read into memory: `length` bytes in a buffer rounded up to whole sectors.
struct SessionImage {
    QByteArray buffer;
    qint64 length = 0;
};

// Reads a session file behind a progress dialog and refuses what cannot be a session,
// telling the user why. A cancelled read ends quietly.
class SessionOpener {
public:
    explicit SessionOpener(UserInterface& ui) : ui_(ui) {}
    std::optional<SessionImage> Load(const QString& path) const;

private:
    std::optional<SessionImage> Refuse(const QString& text) const;

    UserInterface& ui_;
};
