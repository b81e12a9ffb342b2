#pragma once

#include <QString>
#include <QUrl>
#include <functional>

// Opens the help pages in the desktop's browser at a topic. The pages ship inside the program
// and are written to the help file path when missing or out of date.
class HelpLauncher {
public:
    using UrlOpener = std::function<bool(const QUrl&)>;
    static constexpr qint64 kF1DebounceMs = 1000;

    // `openUrl` defaults to the desktop's handler.
    explicit HelpLauncher(QString helpFilePath, UrlOpener openUrl = {});

    // False when the pages could not be written or nothing opened them.
    bool OpenAt(quint32 context);
    bool OpenContents() { return OpenAt(0); }
    // F1 at `nowMs` (a monotonic clock): a second press within a second is ignored.
    bool OnF1(quint32 context, qint64 nowMs);
    // Whether F1 at `nowMs` would open the help (it is not within a second of the last one).
    bool WouldOpen(qint64 nowMs) const;
    // While `downloaded` says so, the file at the help path came from the update server and
    // is shown as it is instead of the pages the program carries.
    void KeepDownloadedFile(std::function<bool()> downloaded) {
        downloaded_ = std::move(downloaded);
    }

    // The pages as the program carries them.
    static QByteArray BuiltInPages();

private:
    bool Install() const;

    QString path_;
    UrlOpener openUrl_;
    std::function<bool()> downloaded_;
    qint64 lastF1Ms_ = 0;
    bool everPressed_ = false;
};
