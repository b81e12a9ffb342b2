#pragma once

#include "core/app/HttpClient.h"

#include <memory>

class QNetworkAccessManager;

// The update check's requests through QtNetwork: https against the system's certificate
// store (a certificate that does not verify fails the request), no cache, redirects only to
// addresses the update check would contact itself, and the request's time limits. Replies
// arrive through the event loop of the thread that starts the requests.
class QtHttpClient final : public HttpClient {
public:
    QtHttpClient();
    ~QtHttpClient() override;
    QtHttpClient(const QtHttpClient&) = delete;
    QtHttpClient& operator=(const QtHttpClient&) = delete;

    std::unique_ptr<HttpRequest> Start(const HttpGet& get, BodySink sink, Completion done) override;

private:
    std::unique_ptr<QNetworkAccessManager> manager_;
};
