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

    // The pages as the program carries them.
    static QByteArray BuiltInPages();

private:
    bool Install() const;

    QString path_;
    UrlOpener openUrl_;
    qint64 lastF1Ms_ = 0;
    bool everPressed_ = false;
};
