#include "gui/app/HelpLauncher.h"

#include "core/app/AppFolders.h"

#include <QDesktopServices>
#include <QFile>
#include <QSaveFile>

HelpLauncher::HelpLauncher(QString helpFilePath, UrlOpener openUrl)
    : path_(std::move(helpFilePath)), openUrl_(std::move(openUrl)) {
    if (!openUrl_)
        openUrl_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

QByteArray HelpLauncher::BuiltInPages() {
    QFile pages(QStringLiteral(":/help/vexlo.html"));
    return pages.open(QIODevice::ReadOnly) ? pages.readAll() : QByteArray();
}

bool HelpLauncher::Install() const {
    if (downloaded_ && downloaded_() && QFile::exists(path_))
        return true;
    const QByteArray pages = BuiltInPages();
    if (pages.isEmpty())
        return false;
    QFile current(path_);
    if (current.open(QIODevice::ReadOnly) && current.readAll() == pages)
        return true;
    current.close();
    QSaveFile out(path_);
    return out.open(QIODevice::WriteOnly) && out.write(pages) == pages.size() && out.commit();
}

bool HelpLauncher::OpenAt(quint32 context) {
    return Install() && openUrl_(HelpPageUrl(path_, context));
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
