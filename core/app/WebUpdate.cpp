#include "core/app/WebUpdate.h"

#include "core/app/AppIdentity.h"
#include "core/app/LeftoverExecutable.h"
#include "core/app/SettingsKeys.h"
#include "core/app/SettingsStore.h"
#include "core/app/UpdateServer.h"
#include "core/app/UserInterface.h"
#include "core/common/StringTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <limits>
#include <utility>
#include <vector>

namespace {

DownloadResult Failed(DownloadEndType end, const QString& message) {
    return {end, message};
}

// Whether the user may put a file at `path`: the folder, and the file when it is there.
bool MayWrite(const QString& path) {
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    return folder.isDir() && folder.isWritable() && (!file.exists() || file.isWritable());
}

// Replaces `target` with `source`: the running program keeps its file under the leftover name
// until the next start, and comes back when the new one cannot be put in place.
bool ReplaceProgram(const QString& source, const QString& target) {
    const QString staged = target + QStringLiteral(".new");
    const QString leftover = LeftoverExecutablePath(target);
    QFile::remove(staged);
    if (!QFile::copy(source, staged))
        return false;
    QFile::setPermissions(staged, QFile::permissions(target) | QFileDevice::ExeOwner |
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile::remove(leftover);
    if (!QFile::rename(target, leftover)) {
        QFile::remove(staged);
        return false;
    }
    if (!QFile::rename(staged, target)) {
        QFile::rename(leftover, target);
        QFile::remove(staged);
        return false;
    }
    return true;
}

// What a reply that may not have arrived whole means for the download of `address`.
DownloadResult DownloadEnd(const HttpReply& reply, const QString& address) {
    if (reply.Whole())
        return {};
    const HttpEndType end = reply.end;
    if (end == HttpEndType::HttpError)
        return Failed(DownloadEndType::HttpError,
                      FormatResource(TextId::kDownloadFailed, {address, reply.Describe()}));
    const bool brokeOff =
        reply.received > 0 && (end == HttpEndType::NetworkError || end == HttpEndType::Stalled ||
                               end == HttpEndType::OverallTimeout);
    if (end == HttpEndType::Done || brokeOff)
        return Failed(DownloadEndType::Incomplete,
                      FormatResource(TextId::kDownloadIncomplete, {address}));
    return Failed(DownloadEndType::Failed,
                  FormatResource(TextId::kDownloadFailed, {address, reply.Describe()}));
}

// A download into a file that appears only when the body arrived whole.
class FileDownload final : public WebTask {
public:
    FileDownload(const QString& destination, QString address)
        : out_(destination), address_(std::move(address)) {}

    bool Open() { return out_.open(QIODevice::WriteOnly); }

    void Start(HttpClient& http, const QUrl& url, WebUpdate::Downloaded done) {
        done_ = std::move(done);
        request_ = http.Start(
            {url, HttpContentType::Binary, WebUpdate::kMaxDownloadBytes,
             WebUpdate::kDownloadLimits},
            [this](QByteArrayView chunk) {
                return out_.write(chunk.data(), chunk.size()) == chunk.size();
            },
            [this](const HttpReply& reply) { Arrived(reply); });
    }

private:
    void Arrived(const HttpReply& reply) {
        DownloadResult result = DownloadEnd(reply, address_);
        if (result && !out_.commit())
            result = Failed(DownloadEndType::CannotOpen,
                            FormatResource(TextId::kCannotOpenDestination,
                                           {QDir::toNativeSeparators(out_.fileName())}));
        if (!result)
            out_.cancelWriting();
        std::exchange(done_, {})(result);
    }

    QSaveFile out_;
    QString address_;
    WebUpdate::Downloaded done_;
    std::unique_ptr<HttpRequest> request_;
};

class TextFetch final : public WebTask {
public:
    TextFetch(HttpClient& http, const HttpGet& get, QString address, WebUpdate::TextArrived done)
        : address_(std::move(address)), done_(std::move(done)) {
        request_ = http.Start(
            get,
            [this](QByteArrayView chunk) {
                body_.append(chunk);
                return true;
            },
            [this](const HttpReply& reply) { Arrived(reply); });
    }

private:
    void Arrived(const HttpReply& reply) {
        const DownloadResult result = DownloadEnd(reply, address_);
        const QByteArray body = result ? std::exchange(body_, {}) : QByteArray();
        std::exchange(done_, {})(result, body);
    }

    QString address_;
    WebUpdate::TextArrived done_;
    QByteArray body_;
    std::unique_ptr<HttpRequest> request_;
};

// Steps one after another. Destroying the chain drops the step under way; a continuation that
// outlives it (it was asking the user) finds it gone.
class TaskChain final : public WebTask {
public:
    using Link = std::weak_ptr<WebTaskHandle>;

    Link Linked() const { return step_; }
    // An empty step ended before it was returned: nothing to hold.
    static void Hold(const Link& link, WebTaskHandle step) {
        if (const std::shared_ptr<WebTaskHandle> held = link.lock(); held && step)
            *held = std::move(step);
    }
    // Empty when every step ended before the chain was returned.
    static WebTaskHandle Started(std::unique_ptr<TaskChain> chain) {
        return *chain->step_ ? std::move(chain) : nullptr;
    }

private:
    std::shared_ptr<WebTaskHandle> step_ = std::make_shared<WebTaskHandle>();
};

} // namespace

class WebUpdate::VersionsTicket final : public WebTask {
public:
    VersionsTicket(WebUpdate& web, int id) : web_(web), id_(id) {}
    ~VersionsTicket() override { web_.ForgetWaiter(id_); }

private:
    WebUpdate& web_;
    int id_;
};

WebUpdate::WebUpdate(HttpClient& http, SettingsStore& settings, UserInterface& ui,
                     ProgramUpdateType programUpdate)
    : http_(http), settings_(settings), ui_(ui), programUpdate_(programUpdate) {}

WebUpdate::~WebUpdate() = default;

QString WebUpdate::Server() const {
    if (!serverOverride_.isEmpty())
        return serverOverride_;
    return settings_.GetString(SettingsKeys::SettingsSection(), SettingsKeys::UpdateServer(),
                               SettingsKeys::UpdateServerDefault());
}

void WebUpdate::Show(const QString& text) const {
    ui_.ShowMessage(text, MessageIconType::Error);
}

WebTaskHandle WebUpdate::FetchVersions(bool quiet, Finished done) {
    if (fetched_) {
        done(true);
        return nullptr;
    }
    const UpdateAddress address = VersionsFileAddress(Server());
    if (!address.outcome) {
        lastFetch_ = FetchResultType::Refused;
        // A refused address says why itself; the server was not asked.
        if (!quiet)
            Show(address.outcome.message);
        done(false);
        return nullptr;
    }
    const int id = nextWaiter_++;
    waiters_.emplace(id, VersionsWaiter{quiet, std::move(done)});
    if (!versionsRequest_) {
        versions_ = {};
        versionsBody_.clear();
        versionsRequest_ = http_.Start(
            {address.url, HttpContentType::Text, kMaxVersionsBytes, kVersionsLimits},
            [this](QByteArrayView chunk) {
                versionsBody_.append(chunk);
                return true;
            },
            [this](const HttpReply& reply) { VersionsArrived(reply); });
    }
    return std::make_unique<VersionsTicket>(*this, id);
}

void WebUpdate::ForgetWaiter(int id) {
    waiters_.erase(id);
    if (waiters_.empty())
        versionsRequest_.reset();
}

void WebUpdate::VersionsArrived(const HttpReply& reply) {
    versionsRequest_.reset();
    // A cut file could lack the very entry that matters; it counts as unread.
    if (reply.Whole()) {
        versions_ = VersionsFile::Parse(versionsBody_, AppIdentity::InterfaceLanguage());
        lastFetch_ = versions_.IsEmpty() ? FetchResultType::Unusable : FetchResultType::Fetched;
    } else {
        lastFetch_ = FetchResultType::Unreadable;
    }
    fetched_ = lastFetch_ == FetchResultType::Fetched;
    std::vector<int> waiting;
    bool loud = false;
    for (const auto& [id, waiter] : waiters_) {
        waiting.push_back(id);
        loud = loud || !waiter.quiet;
    }
    if (!fetched_ && loud) {
        if (lastFetch_ == FetchResultType::Unreadable)
            Show(ResourceString(TextId::kVersionsUnreadable));
        Show(ResourceString(TextId::kServerUnusable));
    }
    // A continuation may ask the user meanwhile, and start or drop other checks.
    for (const int id : waiting) {
        const auto it = waiters_.find(id);
        if (it == waiters_.end())
            continue;
        const Finished done = std::move(it->second.done);
        waiters_.erase(it);
        done(fetched_);
    }
}

WebTaskHandle WebUpdate::DownloadFile(const QString& address, const QString& destination,
                                      Downloaded done) {
    const UpdateAddress url = DownloadAddress(address);
    if (!url.outcome) {
        done(Failed(DownloadEndType::Refused, url.outcome.message));
        return nullptr;
    }
    const QString shown = QDir::toNativeSeparators(destination);
    if (!MayWrite(destination)) {
        done(Failed(DownloadEndType::AccessDenied,
                    FormatResource(TextId::kCannotOpenDestination, {shown})));
        return nullptr;
    }
    auto download = std::make_unique<FileDownload>(destination, address);
    if (!download->Open()) {
        done(Failed(DownloadEndType::CannotOpen,
                    FormatResource(TextId::kCannotOpenDestination, {shown})));
        return nullptr;
    }
    download->Start(http_, url.url, std::move(done));
    return download;
}

WebTaskHandle WebUpdate::FetchText(const QString& address, qint64 maxBytes,
                                   const HttpLimits& limits, TextArrived done) {
    const UpdateAddress url = DownloadAddress(address);
    if (!url.outcome) {
        done(Failed(DownloadEndType::Refused, url.outcome.message), {});
        return nullptr;
    }
    return std::make_unique<TextFetch>(
        http_, HttpGet{url.url, HttpContentType::Text, maxBytes, limits}, address, std::move(done));
}

QString WebUpdate::DownloadedProgramPath(const QString& programPath,
                                         const QString& downloadFolder) {
    const QString suffix = QFileInfo(programPath).suffix();
    return QDir(downloadFolder)
        .filePath(QStringLiteral("Vexlo_n") + (suffix.isEmpty() ? QString() : u'.' + suffix));
}

WebTaskHandle WebUpdate::CheckProgramUpdate(const QString& programPath,
                                            const QString& downloadFolder, ProgramStarter start,
                                            WaitObserver wait, Finished done) {
    auto chain = std::make_unique<TaskChain>();
    const TaskChain::Link link = chain->Linked();
    auto offer = [this, link, programPath, downloadFolder, start = std::move(start),
                  wait = std::move(wait), done = std::move(done)](bool fetched) mutable {
        const QString latest = versions_.program;
        if (!fetched || !IsOlderVersion(AppIdentity::ProgramVersion(), EntryVersion(latest)) ||
            EntryAddress(latest).isEmpty()) {
            done(false);
            return;
        }
        if (programUpdate_ == ProgramUpdateType::Announce) {
            ui_.ShowMessage(FormatResource(TextId::kNewerProgramAnnounced,
                                           {EntryVersion(latest), EntryAddress(latest)}),
                            MessageIconType::Information);
            done(false);
            return;
        }
        const bool agreed = ui_.AskYesNo(ResourceString(TextId::kNewerProgram));
        if (link.expired())
            return;
        if (!agreed) {
            done(false);
            return;
        }
        QDir().mkpath(downloadFolder);
        const QString download = DownloadedProgramPath(programPath, downloadFolder);
        if (wait)
            wait(ResourceString(TextId::kServerWaitProgram));
        TaskChain::Hold(link,
                        DownloadFile(EntryAddress(latest), download,
                                     [this, download, programPath, start = std::move(start),
                                      wait = std::move(wait),
                                      done = std::move(done)](const DownloadResult& got) {
                                         if (wait)
                                             wait({});
                                         done(InstallProgram(got, download, programPath, start));
                                     }));
    };
    TaskChain::Hold(link, FetchVersions(true, std::move(offer)));
    return TaskChain::Started(std::move(chain));
}

bool WebUpdate::InstallProgram(const DownloadResult& got, const QString& download,
                               const QString& programPath, const ProgramStarter& start) const {
    if (!got) {
        Show(got.message);
        return false;
    }
    // A system-wide install is not the user's to change: the new program waits where it is.
    if (!MayWrite(programPath)) {
        ui_.ShowMessage(
            FormatResource(TextId::kProgramNotWritable, {QDir::toNativeSeparators(programPath),
                                                         QDir::toNativeSeparators(download)}),
            MessageIconType::Information);
        return false;
    }
    if (!ReplaceProgram(download, programPath)) {
        Show(FormatResource(TextId::kProgramAccessDenied, {QDir::toNativeSeparators(download),
                                                           QDir::toNativeSeparators(programPath)}));
        return false;
    }
    QFile::remove(download);
    if (!start || !start(programPath)) {
        Show(FormatResource(TextId::kProgramStartFailed, {QDir::toNativeSeparators(programPath)}));
        return false;
    }
    return true;
}

WebTaskHandle WebUpdate::CheckHelp(const QString& helpPath, Finished done) {
    auto chain = std::make_unique<TaskChain>();
    const TaskChain::Link link = chain->Linked();
    auto compare = [this, link, helpPath, done = std::move(done)](bool fetched) mutable {
        if (!fetched) {
            done(false);
            return;
        }
        const QString section = SettingsKeys::SettingsSection();
        const qint64 latest = VersionNumber(EntryVersion(versions_.help));
        const qint64 installed = settings_.GetInt(section, SettingsKeys::HelpVersion(),
                                                  SettingsKeys::kHelpVersionDefault);
        const QString language =
            settings_.GetString(section, SettingsKeys::HelpLang(), SettingsKeys::HelpLangDefault());
        if (IsHelpCurrent(QFileInfo::exists(helpPath), installed, language, latest)) {
            done(true);
            return;
        }
        QDir().mkpath(QFileInfo(helpPath).absolutePath());
        TaskChain::Hold(
            link,
            DownloadFile(EntryAddress(versions_.help), helpPath,
                         [this, latest, done = std::move(done)](const DownloadResult& got) {
                             if (got) {
                                 const QString s = SettingsKeys::SettingsSection();
                                 settings_.SetInt(s, SettingsKeys::HelpVersion(),
                                                  static_cast<int>(qMin<qint64>(
                                                      latest, std::numeric_limits<int>::max())));
                                 settings_.SetString(s, SettingsKeys::HelpLang(),
                                                     AppIdentity::InterfaceLanguage());
                             }
                             done(bool(got));
                         }));
    };
    TaskChain::Hold(link, FetchVersions(true, std::move(compare)));
    return TaskChain::Started(std::move(chain));
}

WebTaskHandle WebUpdate::ManualAddress(PageFound done) {
    return FetchVersions(false, [this, done = std::move(done)](bool fetched) {
        const QString page = fetched ? EntryAddress(versions_.manual) : QString();
        if (!page.isEmpty() && DownloadAddress(page).outcome)
            done(page);
        else
            done(settings_.GetString(SettingsKeys::SettingsSection(), SettingsKeys::ManualPage(),
                                     SettingsKeys::ManualPageDefault()));
    });
}
