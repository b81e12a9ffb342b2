#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;

// One running copy of the program per user. A second start hands its file path (possibly
// empty) to the first one and ends; the first one receives it in its event loop.
//
// On the wire: the path's length in UTF-16 code units (4 bytes, big-endian), the UTF-16
// little-endian code units, then one acknowledgement byte back from the receiver.
class SingleInstance {
public:
    using PathHandler = std::function<void(const QString& path)>;

    // The per-user name of the rendezvous, in the user's runtime folder when there is one.
    static QString DefaultServerName();

    explicit SingleInstance(QString serverName = DefaultServerName());
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Blocking: true when a running instance received the whole path within `timeoutMs`.
    bool TryHandOver(const QString& filePath, int timeoutMs) const;

    // Starts receiving paths from later starts. False when another instance is listening
    // already or the name cannot be taken; a name left behind by a crashed copy is reclaimed.
    bool Listen(PathHandler handler);
    bool IsListening() const;
    // A later start then runs on its own instead of handing its file to this copy, which is
    // about to end.
    void StopListening();
    QString ServerName() const { return serverName_; }

private:
    void Accept();
    void Read(QLocalSocket* socket);

    QString serverName_;
    PathHandler handler_;
    std::unique_ptr<QLocalServer> server_;
    QHash<QLocalSocket*, QByteArray> pending_;
};
