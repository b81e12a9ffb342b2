#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QUrl>
#include <QtGlobal>
#include <functional>
#include <memory>

// What a request asks for: the text headers (versions file, firmware) or the binary ones
// (program, help).
enum class HttpContentType { Text, Binary };

enum class HttpEndType {
    Done,            // a 2xx answer whose body ended without error
    HttpError,       // the server answered with another status
    ConnectTimeout,  // no answer within the connection limit
    OverallTimeout,  // not over within the overall limit
    Stalled,         // nothing arrived within the stall limit
    TooLong,         // more body than the request allows
    SinkFailed,      // the body could not be kept
    RedirectRefused, // sent on to an address the update check would not contact
    NetworkError,    // no connection, a certificate that does not verify, a broken transfer
};

// How long a request may take, in milliseconds: to connect and receive the answer's headers
// (again after each redirect), from start to end, and without any byte arriving once the
// headers are in. A request ends when it reaches a limit.
struct HttpLimits {
    qint64 connectMs = 0;
    qint64 overallMs = 0;
    qint64 stallMs = 0;
};

struct HttpReply {
    HttpEndType end = HttpEndType::Done;
    int status = 0; // the HTTP status, 0 before one arrived
    // The length the server announced, or -1 when it announced none.
    qint64 announcedLength = -1;
    qint64 received = 0;
    // What the description names: the status, the limit, the refused address, or the
    // network library's own words.
    QString detail;

    // Arrived whole: ended without error, not empty, and as long as announced when a length
    // was announced.
    bool Whole() const {
        return end == HttpEndType::Done && received > 0 &&
               (announcedLength < 0 || announcedLength == received);
    }
    // Why it did not arrive whole, in French (empty when it did), for messages and logs.
    QString Describe() const;
};

struct HttpGet {
    QUrl url;
    HttpContentType type = HttpContentType::Text;
    qint64 maxBytes = 0; // more body than this ends the request
    HttpLimits limits;
};

// A request under way. Destroying it cancels it: its completion is never reported.
class HttpRequest {
public:
    virtual ~HttpRequest() = default;
};

// The web as the update check needs it. A GET streams its body into the sink (false from the
// sink ends the request) and reports its end once, later, on the thread that started it:
// never from inside Start, and never from inside the network library's own handlers, so the
// completion may show a dialog and may destroy its request. The client never follows a
// redirect to an address the update check would refuse, and never trusts a certificate the
// system does not.
class HttpClient {
public:
    using BodySink = std::function<bool(QByteArrayView chunk)>;
    using Completion = std::function<void(const HttpReply&)>;

    virtual ~HttpClient() = default;
    [[nodiscard]] virtual std::unique_ptr<HttpRequest> Start(const HttpGet& get, BodySink sink,
                                                             Completion done) = 0;

    static QByteArray UserAgent() { return QByteArrayLiteral("GetWebFile/1.0"); }
    static QByteArray Accept(HttpContentType type) {
        return type == HttpContentType::Text ? QByteArrayLiteral("text/plain, text/html")
                                             : QByteArrayLiteral("application/octet-stream");
    }
};
