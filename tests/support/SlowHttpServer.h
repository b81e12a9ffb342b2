#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// An http server on 127.0.0.1 (a free port) that is in no hurry: Silent takes the connection
// and the request and never answers; Trickle sends its headers, announcing a body of
// kTrickleBytes, then one byte of it a second; Headers sends the headers and then nothing.
// Each request it reads adds a line to a log, so that a test knows a request is out.
class SlowHttpServer {
public:
    enum class ModeType { Silent, Trickle, Headers };
    static constexpr int kTrickleBytes = 200;

    explicit SlowHttpServer(ModeType mode) {
        const QString name = mode == ModeType::Silent    ? QStringLiteral("silent")
                             : mode == ModeType::Trickle ? QStringLiteral("trickle")
                                                         : QStringLiteral("headers");
        process_.start(QStringLiteral("python3"),
                       {QStringLiteral("-u"), QStringLiteral("-c"), QString::fromUtf8(kScript),
                        name, QString::number(kTrickleBytes), Log()});
        if (process_.waitForStarted(10000) && process_.waitForReadyRead(10000))
            port_ = process_.readLine().trimmed().toInt();
    }
    ~SlowHttpServer() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    SlowHttpServer(const SlowHttpServer&) = delete;
    SlowHttpServer& operator=(const SlowHttpServer&) = delete;

    bool Running() const { return port_ > 0; }
    QString Base() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }
    // The paths of the requests it has read so far.
    QStringList Requests() const {
        QFile f(Log());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    QString Log() const { return dir_.filePath(QStringLiteral("requests.log")); }

    static constexpr const char* kScript = R"PY(
import socket, sys, threading, time
mode, size, log = sys.argv[1], int(sys.argv[2]), sys.argv[3]
lock = threading.Lock()
held = []
def serve(conn):
    try:
        request = b''
        while b'\r\n\r\n' not in request:
            chunk = conn.recv(4096)
            if not chunk:
                return
            request += chunk
        with lock, open(log, 'a') as f:
            f.write(request.split(b' ')[1].decode() + '\n')
        if mode == 'silent':
            held.append(conn)
            return
        conn.sendall(b'HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: %d\r\n\r\n' % size)
        if mode == 'headers':
            held.append(conn)
            return
        for _ in range(size):
            conn.sendall(b'x')
            time.sleep(1)
    except OSError:
        pass
server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(('127.0.0.1', 0))
server.listen(16)
print(server.getsockname()[1], flush=True)
while True:
    conn, _ = server.accept()
    threading.Thread(target=serve, args=(conn,), daemon=True).start()
)PY";

    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};
