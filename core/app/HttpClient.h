#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QtGlobal>

class QIODevice;

// What a request asks for: the text headers (versions file, firmware) or the binary ones
// (program, help).
enum class HttpContentType { Text, Binary };

struct HttpReply {
    // The transfer ended without a network, TLS or HTTP error (a 2xx answer).
    bool completed = false;
    // The length the server announced, or -1 when it announced none.
    qint64 announcedLength = -1;
    qint64 received = 0;
    // The client's own words for a failure, for logs and the command line.
    QString error;

    // Arrived whole: completed, and as long as announced when a length was announced.
    bool Whole() const {
        return completed && received > 0 && (announcedLength < 0 || announcedLength == received);
    }
};

// The web as the update check needs it: one GET whose body goes into `sink`. Requests block
// until they end; the client never follows a redirect to an address the update check would
// refuse, and never trusts a certificate the system does not.
class HttpClient {
public:
    virtual ~HttpClient() = default;
    // More than `maxBytes` of body ends the request as a failed one.
    virtual HttpReply Get(const QUrl& url, HttpContentType type, QIODevice& sink,
                          qint64 maxBytes) = 0;

    static QByteArray UserAgent() { return QByteArrayLiteral("GetWebFile/1.0"); }
    static QByteArray Accept(HttpContentType type) {
        return type == HttpContentType::Text ? QByteArrayLiteral("text/plain, text/html")
                                             : QByteArrayLiteral("application/octet-stream");
    }
};
