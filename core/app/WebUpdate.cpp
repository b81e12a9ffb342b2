#include "core/app/WebUpdate.h"

#include "core/app/AppIdentity.h"
#include "core/app/HttpClient.h"
#include "core/app/LeftoverExecutable.h"
#include "core/app/SettingsKeys.h"
#include "core/app/SettingsStore.h"
#include "core/app/UpdateServer.h"
#include "core/app/UserInterface.h"
#include "core/common/StringTable.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <limits>

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

} // namespace

WebUpdate::WebUpdate(HttpClient& http, SettingsStore& settings, UserInterface& ui)
    : http_(http), settings_(settings), ui_(ui) {}

QString WebUpdate::Server() const {
    if (!serverOverride_.isEmpty())
        return serverOverride_;
    return settings_.GetString(SettingsKeys::SettingsSection(), SettingsKeys::UpdateServer(),
                               SettingsKeys::UpdateServerDefault());
}

void WebUpdate::Show(const QString& text) const {
    ui_.ShowMessage(text, MessageIconType::Error);
}

void WebUpdate::ReadVersionsFile(bool quiet) {
    const UpdateAddress address = VersionsFileAddress(Server());
    if (!address.outcome) {
        lastFetch_ = FetchResultType::Refused;
        if (!quiet)
            Show(address.outcome.message);
        return;
    }
    QBuffer body;
    body.open(QIODevice::WriteOnly);
    const HttpReply reply = http_.Get(address.url, HttpContentType::Text, body, kMaxVersionsBytes);
    // A cut file could lack the very entry that matters; it counts as unread.
    if (!reply.Whole()) {
        lastFetch_ = FetchResultType::Unreadable;
        if (!quiet)
            Show(ResourceString(TextId::kVersionsUnreadable));
        return;
    }
    versions_ = VersionsFile::Parse(body.data(), AppIdentity::InterfaceLanguage());
    lastFetch_ = versions_.IsEmpty() ? FetchResultType::Unusable : FetchResultType::Fetched;
}

bool WebUpdate::FetchVersions(bool quiet) {
    if (fetched_)
        return true;
    versions_ = {};
    ReadVersionsFile(quiet);
    if (!versions_.IsEmpty()) {
        fetched_ = true;
        return true;
    }
    // A refused address has said why already.
    if (!quiet && lastFetch_ != FetchResultType::Refused)
        Show(ResourceString(TextId::kServerUnusable));
    return false;
}

DownloadResult WebUpdate::DownloadFile(const QString& address, const QString& destination) {
    const UpdateAddress url = DownloadAddress(address);
    if (!url.outcome)
        return Failed(DownloadEndType::Refused, url.outcome.message);
    const QString shown = QDir::toNativeSeparators(destination);
    if (!MayWrite(destination))
        return Failed(DownloadEndType::AccessDenied,
                      FormatResource(TextId::kCannotOpenDestination, {shown}));
    QSaveFile out(destination);
    if (!out.open(QIODevice::WriteOnly))
        return Failed(DownloadEndType::CannotOpen,
                      FormatResource(TextId::kCannotOpenDestination, {shown}));
    const HttpReply reply = http_.Get(url.url, HttpContentType::Binary, out, kMaxDownloadBytes);
    if (!reply.Whole()) {
        out.cancelWriting();
        return Failed(DownloadEndType::Incomplete,
                      FormatResource(TextId::kDownloadIncomplete, {address}));
    }
    if (!out.commit())
        return Failed(DownloadEndType::CannotOpen,
                      FormatResource(TextId::kCannotOpenDestination, {shown}));
    return {};
}

DownloadResult WebUpdate::FetchText(const QString& address, QByteArray& body, qint64 maxBytes) {
    body.clear();
    const UpdateAddress url = DownloadAddress(address);
    if (!url.outcome)
        return Failed(DownloadEndType::Refused, url.outcome.message);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const HttpReply reply = http_.Get(url.url, HttpContentType::Text, buffer, maxBytes);
    if (!reply.Whole())
        return Failed(DownloadEndType::Incomplete,
                      FormatResource(TextId::kDownloadIncomplete, {address}));
    body = buffer.data();
    return {};
}

QString WebUpdate::DownloadedProgramPath(const QString& programPath, const QString& dataFolder) {
    const QString suffix = QFileInfo(programPath).suffix();
    return QDir(dataFolder)
        .filePath(QStringLiteral("Vexlo_n") + (suffix.isEmpty() ? QString() : u'.' + suffix));
}

bool WebUpdate::CheckProgramUpdate(const QString& programPath, const QString& dataFolder,
                                   const ProgramStarter& start) {
    if (!FetchVersions(true))
        return false;
    const QString& latest = versions_.program;
    if (!IsOlderVersion(AppIdentity::ProgramVersion(), EntryVersion(latest)) ||
        EntryAddress(latest).isEmpty())
        return false;
    if (!ui_.AskYesNo(ResourceString(TextId::kNewerProgram)))
        return false;
    return InstallProgramUpdate(EntryAddress(latest), programPath, dataFolder, start);
}

bool WebUpdate::InstallProgramUpdate(const QString& address, const QString& programPath,
                                     const QString& dataFolder, const ProgramStarter& start) {
    QDir().mkpath(dataFolder);
    const QString download = DownloadedProgramPath(programPath, dataFolder);
    if (const DownloadResult got = DownloadFile(address, download); !got) {
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
    if (!start || !start(programPath)) {
        Show(FormatResource(TextId::kProgramStartFailed, {QDir::toNativeSeparators(programPath)}));
        return false;
    }
    return true;
}

bool WebUpdate::CheckHelp(const QString& helpPath, bool& exists) {
    exists = QFileInfo::exists(helpPath);
    if (!FetchVersions(false))
        return false;
    const QString section = SettingsKeys::SettingsSection();
    const qint64 latest = VersionNumber(EntryVersion(versions_.help));
    const qint64 installed =
        settings_.GetInt(section, SettingsKeys::HelpVersion(), SettingsKeys::kHelpVersionDefault);
    const QString language =
        settings_.GetString(section, SettingsKeys::HelpLang(), SettingsKeys::HelpLangDefault());
    if (IsHelpCurrent(exists, installed, language, latest))
        return true;
    if (!DownloadHelp(EntryAddress(versions_.help), latest, helpPath)) {
        exists = QFileInfo::exists(helpPath);
        return false;
    }
    exists = true;
    return true;
}

bool WebUpdate::DownloadHelp(const QString& address, qint64 version, const QString& helpPath) {
    const DownloadResult got = DownloadFile(address, helpPath);
    if (got.end == DownloadEndType::AccessDenied)
        Show(ResourceString(TextId::kHelpAccessDenied));
    else if (!got)
        Show(got.message);
    if (!got)
        return false;
    const QString section = SettingsKeys::SettingsSection();
    settings_.SetInt(section, SettingsKeys::HelpVersion(),
                     static_cast<int>(qMin<qint64>(version, std::numeric_limits<int>::max())));
    settings_.SetString(section, SettingsKeys::HelpLang(), AppIdentity::InterfaceLanguage());
    return true;
}

QString WebUpdate::ManualAddress() {
    if (FetchVersions(false)) {
        const QString page = EntryAddress(versions_.manual);
        if (!page.isEmpty() && DownloadAddress(page).outcome)
            return page;
    }
    return settings_.GetString(SettingsKeys::SettingsSection(), SettingsKeys::ManualPage(),
                               SettingsKeys::ManualPageDefault());
}
