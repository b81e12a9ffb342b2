#pragma once

#include <QString>
#include <QUrl>
#include <functional>

// Opens the help pages in the desktop's browser at a topic: the pages installed with the
// program, or the newer ones the update server sent. Nothing is written to show them.
class HelpLauncher {
public:
    using UrlOpener = std::function<bool(const QUrl&)>;
    static constexpr qint64 kF1DebounceMs = 1000;

    // `openUrl` defaults to the desktop's handler.
    HelpLauncher(QString installedPage, QString downloadedPage, UrlOpener openUrl = {});

    // False when there are no pages to show or nothing opened them.
    bool OpenAt(quint32 context);
    bool OpenContents() { return OpenAt(0); }
    // F1 at `nowMs` (a monotonic clock): a second press within a second is ignored.
    bool OnF1(quint32 context, qint64 nowMs);
    // Whether F1 at `nowMs` would open the help (it is not within a second of the last one).
    bool WouldOpen(qint64 nowMs) const;
    // While `downloaded` says so, the downloaded page, when it is there, is shown instead of
    // the installed one.
    void KeepDownloadedFile(std::function<bool()> downloaded) {
        downloaded_ = std::move(downloaded);
    }
    // The page OpenAt shows.
    QString Page() const;

private:
    QString installed_;
    QString downloadedPage_;
    UrlOpener openUrl_;
    std::function<bool()> downloaded_;
    qint64 lastF1Ms_ = 0;
    bool everPressed_ = false;
};
