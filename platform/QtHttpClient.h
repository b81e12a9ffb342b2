#pragma once

#include "core/app/HttpClient.h"

// The update check's requests through QtNetwork: https against the system's certificate
// store (a certificate that does not verify fails the request), no cache, redirects only to
// addresses the update check would contact itself, and a transfer that stalls gives up.
class QtHttpClient final : public HttpClient {
public:
    static constexpr int kStallTimeoutMs = 30000;

    HttpReply Get(const QUrl& url, HttpContentType type, QIODevice& sink, qint64 maxBytes) override;
};
