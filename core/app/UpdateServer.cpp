#include "core/app/UpdateServer.h"

#include "core/common/StringTable.h"

#include <QStringList>

namespace {

// The host as the address parser writes it: it has already turned every IPv4 spelling
// ("127.1", "0x7f.0.0.1", "2130706433") into a plain dotted quad, which is what is contacted.
bool IsLoopbackIpv4(const QString& host) {
    const QStringList parts = host.split(u'.');
    if (parts.size() != 4)
        return false;
    for (const QString& part : parts) {
        bool ok = false;
        const int value = part.toInt(&ok, 10);
        if (!ok || value < 0 || value > 255 || part != QString::number(value))
            return false;
    }
    return parts.front() == u"127";
}

bool IsLoopbackHost(const QString& host) {
    return host == u"localhost" || host == u"::1" || IsLoopbackIpv4(host);
}

UpdateAddress Refused(const QString& address) {
    return {
        Outcome::Failure(OutcomeType::Refused, FormatResource(TextId::kAddressRefused, {address})),
        {}};
}

bool IsTrusted(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty())
        return false;
    if (url.scheme() == u"https")
        return true;
    return url.scheme() == u"http" && IsLoopbackHost(url.host());
}

} // namespace

UpdateAddress DownloadAddress(const QString& address) {
    const QString text = address.trimmed();
    const QUrl url(text, QUrl::StrictMode);
    if (!IsTrusted(url))
        return Refused(text);
    return {Outcome::Success(), url};
}

UpdateAddress VersionsFileAddress(const QString& serverBase) {
    const QString text = serverBase.trimmed();
    QUrl url(text, QUrl::StrictMode);
    if (!IsTrusted(url) || url.hasQuery() || url.hasFragment())
        return Refused(text);
    QString path = url.path();
    while (path.endsWith(u'/'))
        path.chop(1);
    url.setPath(path + QStringLiteral("/brivel-software/updates/versions.txt"));
    return {Outcome::Success(), url};
}
