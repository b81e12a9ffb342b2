#pragma once

#include "core/app/VersionsFile.h"
#include "core/common/Outcome.h"

#include <QByteArray>
#include <QString>
#include <functional>

class HttpClient;
class SettingsStore;
class UserInterface;

enum class FetchResultType {
    NotTried,
    Fetched,
    Refused,    // the server address may not be contacted
    Unreadable, // the versions file could not be read
    Unusable,   // it was read but gave none of the four entries
};

enum class DownloadEndType { Done, Refused, AccessDenied, CannotOpen, Incomplete };

struct DownloadResult {
    DownloadEndType end = DownloadEndType::Done;
    QString message; // the French text of a failure
    explicit operator bool() const { return end == DownloadEndType::Done; }
};

// What the update server says and what follows from it: the versions file read once per run,
// the program and help updates, and the downloads the firmware offer needs. A file arrives
// whole or leaves nothing behind: it is written beside its destination and renamed over it
// only once the transfer ended without error and as long as the server announced.
class WebUpdate {
public:
    static constexpr qint64 kMaxVersionsBytes = 256 * 1024;
    // An Intel HEX text of the largest image the logger can confirm is about 3 MB.
    static constexpr qint64 kMaxFirmwareTextBytes = 8 * 1024 * 1024;
    static constexpr qint64 kMaxDownloadBytes = 512 * 1024 * 1024;

    using ProgramStarter = std::function<bool(const QString& programPath)>;

    WebUpdate(HttpClient& http, SettingsStore& settings, UserInterface& ui);

    // The server for this run instead of the "UpdateServer" setting.
    void SetServer(const QString& base) { serverOverride_ = base; }
    QString Server() const;

    // The four entries, from the server at the first success of the run. `quiet` checks show
    // nothing.
    bool FetchVersions(bool quiet);
    FetchResultType LastFetch() const { return lastFetch_; }
    const VersionsFile& Versions() const { return versions_; }

    DownloadResult DownloadFile(const QString& address, const QString& destination);
    // A whole text body, such as the firmware's Intel HEX file.
    DownloadResult FetchText(const QString& address, QByteArray& body, qint64 maxBytes);

    // Start-up: true when the new program was started and this one is to end.
    bool CheckProgramUpdate(const QString& programPath, const QString& dataFolder,
                            const ProgramStarter& start);
    bool InstallProgramUpdate(const QString& address, const QString& programPath,
                              const QString& dataFolder, const ProgramStarter& start);
    // Before help is shown: true when an up-to-date help file is there (or was just put
    // there); `exists` tells whether a help file exists afterwards.
    bool CheckHelp(const QString& helpPath, bool& exists);
    bool DownloadHelp(const QString& address, qint64 version, const QString& helpPath);
    // "Manuel VX": the manual's page from the server, else the setting's fixed page.
    QString ManualAddress();

    // Where the new program is downloaded before it replaces the running one.
    static QString DownloadedProgramPath(const QString& programPath, const QString& dataFolder);

private:
    void ReadVersionsFile(bool quiet);
    void Show(const QString& text) const;

    HttpClient& http_;
    SettingsStore& settings_;
    UserInterface& ui_;
    QString serverOverride_;
    VersionsFile versions_;
    bool fetched_ = false;
    FetchResultType lastFetch_ = FetchResultType::NotTried;
};
