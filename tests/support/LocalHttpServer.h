#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <vector>

// Python's http.server on 127.0.0.1 (a free port), serving a folder. A path ending in ".cut"
// is sent with a Content-Length 100 bytes longer than its body, then the connection closes;
// "/redirect/HOST/PATH" answers 302 with "http://HOST/PATH"; "/status/NNN" answers with that
// error status and a page.
// Every request's path, User-Agent and Accept go into "requests.log" of the folder. With a
// certificate and key it speaks https instead.
class LocalHttpServer {
public:
    LocalHttpServer(const QString& root, const QString& certificate = {}, const QString& key = {})
        : root_(root) {
        QStringList args{QStringLiteral("-u"), QStringLiteral("-c"), QString::fromUtf8(kScript),
                         root};
        if (!certificate.isEmpty())
            args << certificate << key;
        process_.start(QStringLiteral("python3"), args);
        if (process_.waitForStarted(10000) && process_.waitForReadyRead(10000))
            port_ = process_.readLine().trimmed().toInt();
    }
    ~LocalHttpServer() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    bool Running() const { return port_ > 0; }
    int Port() const { return port_; }
    QString Base(const QString& scheme = QStringLiteral("http")) const {
        return QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(port_);
    }
    void Put(const QString& path, const QByteArray& bytes) const {
        const QString file = QDir(root_).filePath(path);
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile f(file);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }
    std::vector<QJsonObject> Requests() const {
        std::vector<QJsonObject> out;
        QFile f(QDir(root_).filePath(QStringLiteral("requests.log")));
        if (!f.open(QIODevice::ReadOnly))
            return out;
        while (!f.atEnd())
            out.push_back(QJsonDocument::fromJson(f.readLine()).object());
        return out;
    }

    // A self-signed certificate for 127.0.0.1 made with openssl; false when it could not be.
    static bool MakeCertificate(const QString& certificate, const QString& key) {
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                       QStringLiteral("rsa:2048"), QStringLiteral("-nodes"),
                       QStringLiteral("-keyout"), key, QStringLiteral("-out"), certificate,
                       QStringLiteral("-days"), QStringLiteral("1"), QStringLiteral("-subj"),
                       QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
                       QStringLiteral("subjectAltName=IP:127.0.0.1")});
        return openssl.waitForFinished(60000) && openssl.exitCode() == 0;
    }

private:
    static constexpr const char* kScript = R"PY(
import http.server, json, os, ssl, sys
root = sys.argv[1]
class Handler(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=root, **kwargs)
    def log_message(self, *args):
        pass
    def do_GET(self):
        with open(os.path.join(root, 'requests.log'), 'a') as log:
            log.write(json.dumps({'path': self.path, 'agent': self.headers.get('User-Agent'),
                                  'accept': self.headers.get('Accept')}) + '\n')
        if self.path.startswith('/redirect/'):
            self.send_response(302)
            self.send_header('Location', 'http://' + self.path[len('/redirect/'):])
            self.send_header('Content-Length', '0')
            self.end_headers()
            return
        if self.path.startswith('/status/'):
            self.send_error(int(self.path[len('/status/'):]))
            return
        if self.path.endswith('.cut'):
            with open(os.path.join(root, self.path.lstrip('/')), 'rb') as f:
                body = f.read()
            self.send_response(200)
            self.send_header('Content-Length', str(len(body) + 100))
            self.end_headers()
            self.wfile.write(body)
            self.wfile.flush()
            self.close_connection = True
            return
        super().do_GET()
server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
if len(sys.argv) > 3:
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(sys.argv[2], sys.argv[3])
    server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
server.serve_forever()
)PY";

    QString root_;
    QProcess process_;
    int port_ = 0;
};
