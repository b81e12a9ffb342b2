#include "platform/QtHttpClient.h"

#include "core/app/UpdateServer.h"

#include <QEventLoop>
#include <QIODevice>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

HttpReply QtHttpClient::Get(const QUrl& url, HttpContentType type, QIODevice& sink,
                            qint64 maxBytes) {
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, UserAgent());
    request.setRawHeader(QByteArrayLiteral("Accept"), Accept(type));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setTransferTimeout(kStallTimeoutMs);

    HttpReply result;
    QNetworkReply* reply = manager.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::redirected, reply, [reply](const QUrl& target) {
        if (DownloadAddress(target.toString()).outcome)
            emit reply->redirectAllowed();
        else
            reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [&] {
        const QByteArray chunk = reply->readAll();
        if (result.received + chunk.size() > maxBytes || sink.write(chunk) != chunk.size()) {
            result.error = QStringLiteral("réponse trop longue ou écriture impossible");
            reply->abort();
            return;
        }
        result.received += chunk.size();
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    if (reply->bytesAvailable() > 0 && result.error.isEmpty()) {
        const QByteArray rest = reply->readAll();
        if (result.received + rest.size() <= maxBytes && sink.write(rest) == rest.size())
            result.received += rest.size();
        else
            result.error = QStringLiteral("réponse trop longue ou écriture impossible");
    }
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    result.announcedLength = length.isValid() ? length.toLongLong() : -1;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (result.error.isEmpty() && reply->error() != QNetworkReply::NoError)
        result.error = reply->errorString();
    if (result.error.isEmpty() && (status < 200 || status > 299))
        result.error = QStringLiteral("réponse HTTP %1").arg(status);
    result.completed = result.error.isEmpty();
    return result;
}
