#include "gui/app/HelpLauncher.h"

#include "core/app/AppFolders.h"

#include <QDesktopServices>
#include <QFileInfo>

HelpLauncher::HelpLauncher(QString installedPage, QString downloadedPage, UrlOpener openUrl)
    : installed_(std::move(installedPage)), downloadedPage_(std::move(downloadedPage)),
      openUrl_(std::move(openUrl)) {
    if (!openUrl_)
        openUrl_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

QString HelpLauncher::Page() const {
    if (downloaded_ && downloaded_() && QFileInfo::exists(downloadedPage_))
        return downloadedPage_;
    return installed_;
}

bool HelpLauncher::OpenAt(quint32 context) {
    const QString page = Page();
    return QFileInfo::exists(page) && openUrl_(HelpPageUrl(page, context));
}

bool HelpLauncher::WouldOpen(qint64 nowMs) const {
    return !everPressed_ || nowMs - lastF1Ms_ >= kF1DebounceMs;
}

bool HelpLauncher::OnF1(quint32 context, qint64 nowMs) {
    if (!WouldOpen(nowMs))
        return false;
    everPressed_ = true;
    lastF1Ms_ = nowMs;
    return OpenAt(context);
}
