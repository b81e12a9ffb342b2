#pragma once

#include <QString>

class CRecSession;
class UserInterface;

struct SavePathChoice {
    QString path; // empty when the user gave up
    bool samePath = false;

    bool Chosen() const { return !path.isEmpty(); }
};

// Saving one session: where to (asking the user) and how (whole file or parameters only).
// Every failure is shown to the user; a session keeps its flags until a save succeeds.
class SessionSaver {
public:
    explicit SessionSaver(UserInterface& ui) : ui_(ui) {}

    void SetDataFolder(const QString& folder) { dataFolder_ = folder; }
    const QString& DataFolder() const { return dataFolder_; }

    SavePathChoice ChooseSavePath(const CRecSession& session, bool keepName) const;
    // The parameters of a control-panel file, rewritten in its own file.
    bool SaveSession(CRecSession& session) const;
    bool SaveSessionAs(const QString& path, CRecSession& session, bool samePath) const;
    bool WriteSessionTo(const QString& path, CRecSession& session) const;
    bool RewriteSessionParams(const QString& path, CRecSession& session) const;

private:
    UserInterface& ui_;
    QString dataFolder_;
};
