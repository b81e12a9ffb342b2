#include "core/app/HttpTransfer.h"

#include "core/app/UpdateServer.h"

#include <algorithm>

namespace {

QString LimitText(qint64 ms) {
    return ms % 1000 == 0 ? QStringLiteral("%1 s").arg(ms / 1000) : QStringLiteral("%1 ms").arg(ms);
}

} // namespace

HttpTransfer::HttpTransfer(const HttpLimits& limits, qint64 maxBytes, HttpClient::BodySink sink,
                           qint64 startMs)
    : limits_(limits), maxBytes_(maxBytes), sink_(std::move(sink)), startMs_(startMs),
      connectFromMs_(startMs) {}

void HttpTransfer::Headers(int status, qint64 announcedLength, qint64 nowMs) {
    if (Expired(nowMs))
        return;
    headers_ = true;
    lastDataMs_ = nowMs;
    reply_.status = status;
    reply_.announcedLength = announcedLength;
    if (status < 200 || status > 299)
        End(HttpEndType::HttpError, QString::number(status));
    else if (announcedLength > maxBytes_)
        End(HttpEndType::TooLong, QString::number(maxBytes_));
}

bool HttpTransfer::Redirect(const QUrl& target, qint64 nowMs) {
    if (Expired(nowMs))
        return false;
    const QString address = target.toString();
    if (!DownloadAddress(address).outcome) {
        End(HttpEndType::RedirectRefused, address);
        return false;
    }
    // Another server may answer: it gets the connection limit afresh.
    headers_ = false;
    connectFromMs_ = nowMs;
    return true;
}

void HttpTransfer::Body(QByteArrayView chunk, qint64 nowMs) {
    if (Expired(nowMs) || chunk.isEmpty())
        return;
    headers_ = true;
    lastDataMs_ = nowMs;
    if (reply_.received + chunk.size() > maxBytes_) {
        End(HttpEndType::TooLong, QString::number(maxBytes_));
        return;
    }
    if (!sink_(chunk)) {
        End(HttpEndType::SinkFailed, QString());
        return;
    }
    reply_.received += chunk.size();
}

void HttpTransfer::Finish(const QString& networkError, qint64 nowMs) {
    if (Expired(nowMs))
        return;
    if (!networkError.isEmpty() || !headers_)
        End(HttpEndType::NetworkError, networkError);
    else
        End(HttpEndType::Done, QString());
}

void HttpTransfer::Tick(qint64 nowMs) {
    Expired(nowMs);
}

qint64 HttpTransfer::NextDeadline() const {
    const qint64 phase =
        headers_ ? lastDataMs_ + limits_.stallMs : connectFromMs_ + limits_.connectMs;
    return std::min(startMs_ + limits_.overallMs, phase);
}

qint64 HttpTransfer::MsUntilLimit(qint64 nowMs) const {
    return ended_ ? 0 : std::max<qint64>(0, NextDeadline() - nowMs);
}

bool HttpTransfer::Expired(qint64 nowMs) {
    if (ended_)
        return true;
    if (nowMs >= startMs_ + limits_.overallMs)
        End(HttpEndType::OverallTimeout, limits_.overallMs);
    else if (!headers_ && nowMs >= connectFromMs_ + limits_.connectMs)
        End(HttpEndType::ConnectTimeout, limits_.connectMs);
    else if (headers_ && nowMs >= lastDataMs_ + limits_.stallMs)
        End(HttpEndType::Stalled, limits_.stallMs);
    return ended_;
}

void HttpTransfer::End(HttpEndType end, const QString& detail) {
    ended_ = true;
    reply_.end = end;
    reply_.detail = detail;
    // What the sink holds (a file, a buffer) is its owner's again.
    sink_ = {};
}

void HttpTransfer::End(HttpEndType end, qint64 limitMs) {
    End(end, LimitText(limitMs));
}
