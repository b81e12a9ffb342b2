#pragma once

#include "core/app/HttpClient.h"
#include "core/app/VersionsFile.h"
#include "core/common/Outcome.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <map>
#include <memory>

class SettingsStore;
class UserInterface;

enum class FetchResultType {
    NotTried,
    Fetched,
    Refused,    // the server address may not be contacted
    Unreadable, // the versions file could not be read
    Unusable,   // it was read but gave none of the four entries
};

enum class DownloadEndType {
    Done,
    Refused,      // the address may not be contacted
    AccessDenied, // the destination is not the user's to write
    CannotOpen,
    Incomplete, // the body ended short of what was announced, or broke off
    HttpError,  // the server answered with an error status
    Failed,     // no answer, a time limit, too long, or a refused redirect
};

struct DownloadResult {
    DownloadEndType end = DownloadEndType::Done;
    QString message; // the French text of a failure
    explicit operator bool() const { return end == DownloadEndType::Done; }
};

// What the start-up check does with a newer program: download it and put it in place of the
// running one, or only say that it exists and where (the package manager updates it).
enum class ProgramUpdateType { Replace, Announce };

// A running operation of the update check. Destroying it cancels what it still had to do: its
// requests stop and its continuation is never called. It must not outlive its WebUpdate.
class WebTask {
public:
    virtual ~WebTask() = default;
};
using WebTaskHandle = std::unique_ptr<WebTask>;

// What the update server says and what follows from it: the versions file read once per run,
// the program and help updates, and the downloads the firmware offer needs. A file arrives
// whole or leaves nothing behind: it is written beside its destination and renamed over it
// only once the transfer ended without error and as long as the server announced.
//
// Every operation runs without waiting: it reports its end once to its continuation, which may
// destroy the operation's task. The task is empty when the operation ended before it returned
// (nothing to fetch, an address refused); otherwise destroying it cancels the operation.
class WebUpdate {
public:
    static constexpr qint64 kMaxVersionsBytes = 256 * 1024;
    // An Intel HEX text of the largest image the logger can confirm is about 3 MB.
    static constexpr qint64 kMaxFirmwareTextBytes = 8 * 1024 * 1024;
    static constexpr qint64 kMaxDownloadBytes = 512 * 1024 * 1024;
    // A server that takes the connection and says nothing is given up after 5 s. The versions
    // file is a few lines; the firmware text of a few MB needs a slow line some time; the
    // program and the help may be large, but not endless.
    static constexpr HttpLimits kVersionsLimits{5000, 30000, 30000};
    static constexpr HttpLimits kFirmwareTextLimits{5000, 120000, 30000};
    static constexpr HttpLimits kDownloadLimits{5000, 600000, 30000};

    using ProgramStarter = std::function<bool(const QString& programPath)>;
    using Finished = std::function<void(bool)>;
    using Downloaded = std::function<void(const DownloadResult&)>;
    using TextArrived = std::function<void(const DownloadResult&, const QByteArray& body)>;
    using PageFound = std::function<void(const QString& address)>;
    // Told what a request the user waits for is fetching (a French status text), and an empty
    // text once it no longer waits.
    using WaitObserver = std::function<void(const QString& text)>;

    WebUpdate(HttpClient& http, SettingsStore& settings, UserInterface& ui,
              ProgramUpdateType programUpdate = ProgramUpdateType::Replace);
    ~WebUpdate();
    WebUpdate(const WebUpdate&) = delete;
    WebUpdate& operator=(const WebUpdate&) = delete;

    // The server for this run instead of the "UpdateServer" setting.
    void SetServer(const QString& base) { serverOverride_ = base; }
    QString Server() const;

    // The four entries, from the server at the first success of the run; checks that run at
    // the same time share one request. Unless every one of them is `quiet`, a failure is shown.
    [[nodiscard]] WebTaskHandle FetchVersions(bool quiet, Finished done);
    FetchResultType LastFetch() const { return lastFetch_; }
    const VersionsFile& Versions() const { return versions_; }

    [[nodiscard]] WebTaskHandle DownloadFile(const QString& address, const QString& destination,
                                             Downloaded done);
    // A whole text body, such as the firmware's Intel HEX file.
    [[nodiscard]] WebTaskHandle FetchText(const QString& address, qint64 maxBytes,
                                          const HttpLimits& limits, TextArrived done);

    // Start-up: true when the new program was started and this one is to end. `wait` hears of
    // the download the user agreed to, made into `downloadFolder` and gone once in place.
    [[nodiscard]] WebTaskHandle CheckProgramUpdate(const QString& programPath,
                                                   const QString& downloadFolder,
                                                   ProgramStarter start, WaitObserver wait,
                                                   Finished done);
    // A newer help file put in place for the next time help is shown, without a word: true
    // when an up-to-date help file is there (or was just put there).
    [[nodiscard]] WebTaskHandle CheckHelp(const QString& helpPath, Finished done);
    // "Manuel VX": the manual's page from the server, else the setting's fixed page.
    [[nodiscard]] WebTaskHandle ManualAddress(PageFound done);

    // Where the new program is downloaded before it replaces the running one.
    static QString DownloadedProgramPath(const QString& programPath, const QString& downloadFolder);

private:
    class VersionsTicket;
    struct VersionsWaiter {
        bool quiet = true;
        Finished done;
    };

    void VersionsArrived(const HttpReply& reply);
    void ForgetWaiter(int id);
    bool InstallProgram(const DownloadResult& got, const QString& download,
                        const QString& programPath, const ProgramStarter& start) const;
    void Show(const QString& text) const;

    HttpClient& http_;
    SettingsStore& settings_;
    UserInterface& ui_;
    const ProgramUpdateType programUpdate_;
    QString serverOverride_;
    VersionsFile versions_;
    bool fetched_ = false;
    FetchResultType lastFetch_ = FetchResultType::NotTried;
    std::map<int, VersionsWaiter> waiters_;
    int nextWaiter_ = 0;
    QByteArray versionsBody_;
    std::unique_ptr<HttpRequest> versionsRequest_;
};
