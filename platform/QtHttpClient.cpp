#include "platform/QtHttpClient.h"

#include "core/app/HttpTransfer.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace {

// One reply of the manager, judged by its transfer; the time limits run on one timer aimed
// at the nearest of them.
class QtHttpRequest final : public QObject, public HttpRequest {
public:
    QtHttpRequest(QNetworkAccessManager& manager, const HttpGet& get, HttpClient::BodySink sink,
                  HttpClient::Completion done)
        : manager_(manager), transfer_(get.limits, get.maxBytes, std::move(sink), 0),
          done_(std::move(done)) {
        clock_.start();
        QNetworkRequest request(get.url);
        request.setHeader(QNetworkRequest::UserAgentHeader, HttpClient::UserAgent());
        request.setRawHeader(QByteArrayLiteral("Accept"), HttpClient::Accept(get.type));
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                             QNetworkRequest::AlwaysNetwork);
        request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::UserVerifiedRedirectPolicy);
        reply_ = manager.get(request);
        connect(reply_, &QNetworkReply::redirected, this, [this](const QUrl& target) {
            if (transfer_.Redirect(target, Now()))
                emit reply_->redirectAllowed();
            Follow();
        });
        connect(reply_, &QNetworkReply::metaDataChanged, this, [this] {
            if (!SendsOn())
                TakeHeaders();
            Follow();
        });
        connect(reply_, &QNetworkReply::readyRead, this, [this] {
            transfer_.Body(reply_->readAll(), Now());
            Follow();
        });
        connect(reply_, &QNetworkReply::finished, this, [this] {
            TakeHeaders();
            transfer_.Body(reply_->readAll(), Now());
            transfer_.Finish(reply_->error() == QNetworkReply::NoError ? QString()
                                                                       : reply_->errorString(),
                             Now());
            Follow();
        });
        limit_.setSingleShot(true);
        limit_.setTimerType(Qt::PreciseTimer);
        connect(&limit_, &QTimer::timeout, this, [this] {
            transfer_.Tick(Now());
            Follow();
        });
        Follow();
    }

    ~QtHttpRequest() override { Drop(); }

private:
    qint64 Now() const { return clock_.elapsed(); }

    // The headers of an answer that the manager follows elsewhere are not the answer.
    bool SendsOn() const {
        const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const bool redirect = status == 301 || status == 302 || status == 303 || status == 305 ||
                              status == 307 || status == 308;
        return redirect && reply_->hasRawHeader(QByteArrayLiteral("Location"));
    }

    void TakeHeaders() {
        const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (!status.isValid())
            return;
        const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
        transfer_.Headers(status.toInt(), length.isValid() ? length.toLongLong() : -1, Now());
    }

    // After each piece of news: wait for the next limit, or stop the reply and report its end.
    void Follow() {
        if (!transfer_.Ended()) {
            limit_.start(static_cast<int>(std::max<qint64>(1, transfer_.MsUntilLimit(Now()))));
            return;
        }
        if (!reply_)
            return;
        limit_.stop();
        Drop();
        // Reported from the event loop, outside the reply's own signals, by the manager that
        // outlives this request; a request destroyed meanwhile reports nothing.
        QMetaObject::invokeMethod(
            &manager_,
            [request = QPointer<QtHttpRequest>(this), reply = transfer_.Reply()] {
                if (request && request->done_)
                    std::exchange(request->done_, {})(reply);
            },
            Qt::QueuedConnection);
    }

    // Deleting the reply stops its transfer; aborting it from inside its own signals would
    // race with the error the manager is about to report.
    void Drop() {
        if (!reply_)
            return;
        reply_->disconnect(this);
        reply_->deleteLater();
        reply_ = nullptr;
    }

    QNetworkAccessManager& manager_;
    HttpTransfer transfer_;
    HttpClient::Completion done_;
    QPointer<QNetworkReply> reply_;
    QElapsedTimer clock_;
    QTimer limit_;
};

} // namespace

QtHttpClient::QtHttpClient() = default;

QtHttpClient::~QtHttpClient() = default;

std::unique_ptr<HttpRequest> QtHttpClient::Start(const HttpGet& get, BodySink sink,
                                                 Completion done) {
    // Made at the first request: the manager needs the application object.
    if (!manager_)
        manager_ = std::make_unique<QNetworkAccessManager>();
    return std::make_unique<QtHttpRequest>(*manager_, get, std::move(sink), std::move(done));
}
