#pragma once

#include "core/app/HttpClient.h"

#include <QByteArrayView>
#include <QUrl>

// One GET as the update check judges it, whatever carries it: the carrier reports what the
// network did and when (milliseconds of a monotonic clock), and stops the request once the
// transfer has ended. A limit of L ms allows what arrives less than L ms after its start;
// whatever the carrier reports at or after that moment finds the transfer already ended.
class HttpTransfer {
public:
    HttpTransfer(const HttpLimits& limits, qint64 maxBytes, HttpClient::BodySink sink,
                 qint64 startMs);

    // The headers of the answer that is not followed elsewhere.
    void Headers(int status, qint64 announcedLength, qint64 nowMs);
    // Whether the request may follow the server to `target`.
    bool Redirect(const QUrl& target, qint64 nowMs);
    void Body(QByteArrayView chunk, qint64 nowMs);
    // The carrier saw the request end; `networkError` is empty when it ended cleanly.
    void Finish(const QString& networkError, qint64 nowMs);
    // Time passed without news.
    void Tick(qint64 nowMs);

    bool Ended() const { return ended_; }
    // Until the nearest limit runs out; 0 when one has.
    qint64 MsUntilLimit(qint64 nowMs) const;
    const HttpReply& Reply() const { return reply_; }

private:
    // Ends the transfer when a limit ran out by `nowMs`; true when it has ended.
    bool Expired(qint64 nowMs);
    qint64 NextDeadline() const;
    void End(HttpEndType end, const QString& detail);
    void End(HttpEndType end, qint64 limitMs);

    HttpLimits limits_;
    qint64 maxBytes_;
    HttpClient::BodySink sink_;
    qint64 startMs_;
    qint64 connectFromMs_;
    qint64 lastDataMs_ = 0;
    bool headers_ = false;
    bool ended_ = false;
    HttpReply reply_;
};
