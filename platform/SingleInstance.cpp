#include "platform/SingleInstance.h"

#include "core/app/AppIdentity.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QtEndian>
#include <unistd.h>

namespace {
constexpr qsizetype kHeaderBytes = 4;
// Far beyond any real path; a longer announcement is not ours and is dropped.
constexpr quint32 kMaxPathUnits = 32768;
constexpr char kAck = 'K';
constexpr int kProbeTimeoutMs = 200;

QString UserPart() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("LOGNAME");
    if (user.isEmpty())
        user = QString::number(getuid());
    QString safe;
    for (const QChar c : user)
        safe += (c.isLetterOrNumber() || c == u'_' || c == u'-' || c == u'.') ? c : u'_';
    return safe;
}

QByteArray Encode(const QString& path) {
    QByteArray message(kHeaderBytes, '\0');
    qToBigEndian<quint32>(quint32(path.size()), message.data());
    for (const QChar c : path) {
        const char16_t unit = c.unicode();
        message.append(char(unit & 0xFF));
        message.append(char(unit >> 8));
    }
    return message;
}

bool Answers(const QString& serverName) {
    QLocalSocket probe;
    probe.connectToServer(serverName);
    return probe.waitForConnected(kProbeTimeoutMs);
}

int Remaining(const QDeadlineTimer& deadline) {
    return int(std::max<qint64>(0, deadline.remainingTime()));
}
} // namespace

QString SingleInstance::DefaultServerName() {
    const QString name = AppIdentity::InstanceKey() + u'-' + UserPart();
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return QDir(runtime).filePath(name);
    return name; // Qt puts it in the temp folder
}

SingleInstance::SingleInstance(QString serverName) : serverName_(std::move(serverName)) {}

SingleInstance::~SingleInstance() {
    StopListening();
}

void SingleInstance::StopListening() {
    // The sockets are children of the server and go with it; nothing may call back into this
    // object while they are torn down.
    if (server_) {
        server_->disconnect();
        for (QLocalSocket* socket : server_->findChildren<QLocalSocket*>())
            socket->disconnect();
    }
    server_.reset();
    pending_.clear();
}

bool SingleInstance::TryHandOver(const QString& filePath, int timeoutMs) const {
    const QDeadlineTimer deadline(std::max(0, timeoutMs));
    QLocalSocket socket;
    socket.connectToServer(serverName_);
    if (!socket.waitForConnected(Remaining(deadline)))
        return false;
    const QByteArray message = Encode(filePath);
    if (socket.write(message) != message.size())
        return false;
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(Remaining(deadline)))
            return false;
    }
    // The receiver may close right after its answer; what came before still counts.
    while (socket.bytesAvailable() < 1 && socket.waitForReadyRead(Remaining(deadline))) {
    }
    char reply = 0;
    return socket.getChar(&reply) && reply == kAck;
}

bool SingleInstance::Listen(PathHandler handler) {
    if (IsListening())
        return false;
    // Asked first: with access options Qt binds elsewhere and renames over the name, which
    // would take it from a live instance.
    if (Answers(serverName_))
        return false;
    auto server = std::make_unique<QLocalServer>();
    // The runtime folder is private already; a name in the shared temp folder is not.
    if (!QDir::isAbsolutePath(serverName_))
        server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(serverName_)) {
        if (server->serverError() != QAbstractSocket::AddressInUseError)
            return false;
        // Nobody answered: left behind by a copy that crashed.
        QLocalServer::removeServer(serverName_);
        if (!server->listen(serverName_))
            return false;
    }
    handler_ = std::move(handler);
    server_ = std::move(server);
    QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(),
                     [this] { Accept(); });
    return true;
}

bool SingleInstance::IsListening() const {
    return server_ && server_->isListening();
}

void SingleInstance::Accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        pending_.insert(socket, {});
        QObject::connect(socket, &QLocalSocket::readyRead, socket,
                         [this, socket] { Read(socket); });
        QObject::connect(socket, &QLocalSocket::disconnected, socket, [this, socket] {
            pending_.remove(socket);
            socket->deleteLater();
        });
        Read(socket); // the whole message may have arrived with the connection
    }
}

void SingleInstance::Read(QLocalSocket* socket) {
    const auto it = pending_.find(socket);
    if (it == pending_.end())
        return;
    QByteArray& buffer = it.value();
    buffer += socket->readAll();
    if (buffer.size() < kHeaderBytes)
        return;
    const quint32 units = qFromBigEndian<quint32>(buffer.constData());
    if (units > kMaxPathUnits) {
        pending_.erase(it);
        socket->abort();
        return;
    }
    const qsizetype total = kHeaderBytes + qsizetype(units) * 2;
    if (buffer.size() < total)
        return;
    QString path;
    path.reserve(units);
    for (qsizetype i = kHeaderBytes; i < total; i += 2) {
        const auto low = uchar(buffer.at(i));
        const auto high = uchar(buffer.at(i + 1));
        path += QChar(char16_t(low | high << 8));
    }
    pending_.erase(it);
    socket->write(&kAck, 1);
    socket->flush();
    socket->disconnectFromServer();
    if (handler_)
        handler_(path);
}
