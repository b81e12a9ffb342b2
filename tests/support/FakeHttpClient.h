#pragma once

#include "core/app/HttpClient.h"

#include <QHash>
#include <QIODevice>
#include <QString>
#include <QUrl>
#include <vector>

// A web of fixed answers by address; every request is recorded. An address it does not know
// fails as an unreachable server would.
class FakeHttpClient final : public HttpClient {
public:
    struct Answer {
        QByteArray body;
        // The length the server announces: -1 none, else usually the body's.
        qint64 announced = -1;
        bool transferError = false;
    };
    struct Request {
        QUrl url;
        HttpContentType type;
    };

    void Serve(const QString& url, const QByteArray& body) {
        answers_.insert(url, {body, body.size(), false});
    }
    // The body arrives shorter than announced.
    void ServeCut(const QString& url, const QByteArray& body, qint64 announced) {
        answers_.insert(url, {body, announced, false});
    }
    // Part of the body, then a transfer error.
    void ServeBroken(const QString& url, const QByteArray& body) {
        answers_.insert(url, {body, -1, true});
    }
    void Forget(const QString& url) { answers_.remove(url); }

    HttpReply Get(const QUrl& url, HttpContentType type, QIODevice& sink,
                  qint64 maxBytes) override {
        requests_.push_back({url, type});
        HttpReply reply;
        const auto it = answers_.constFind(url.toString());
        if (it == answers_.cend()) {
            reply.error = QStringLiteral("connexion refusée");
            return reply;
        }
        const QByteArray body = it->body.left(maxBytes);
        reply.received = sink.write(body);
        reply.announcedLength = it->announced;
        reply.completed = !it->transferError && it->body.size() <= maxBytes;
        return reply;
    }

    const std::vector<Request>& Requests() const { return requests_; }

private:
    QHash<QString, Answer> answers_;
    std::vector<Request> requests_;
};
