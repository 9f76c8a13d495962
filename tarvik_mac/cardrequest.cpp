#include "cardrequest.h"

#include "buildconfig.h"
#include "networkerrortext.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace CardRequest {

namespace {

const char tooLargeProperty[] = "tarvikTooLarge";

} // namespace

void useProxy(QNetworkAccessManager *manager)
{
    manager->setProxy(
            QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), proxyPort));
}

QNetworkReply *send(QNetworkAccessManager *manager, const QString &card, int timeoutMs)
{
    const QString address = Lookup::requestAddress(QStringLiteral(TARVIK_SERVICE_HOST), card);
    QNetworkRequest request(QUrl(address, QUrl::TolerantMode));
    request.setTransferTimeout(timeoutMs);
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    // Qt 6 refuses a compressed reply that unpacks to more than 10 MiB at a high ratio; Qt 5 has
    // no such check. The limit on the unpacked reply below (maxReplyBytes) applies on both.
    request.setDecompressedSafetyCheckThreshold(-1);
#endif
    QNetworkReply *reply = manager->get(request);

    // The reply is held in memory until it has finished; one that grows beyond the limit is
    // aborted as soon as it does, so memory stays bounded whatever the server sends.
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [reply](qint64 received, qint64 total) {
                         if (received > maxReplyBytes || total > maxReplyBytes) {
                             reply->setProperty(tooLargeProperty, true);
                             reply->abort();
                         }
                     });
    return reply;
}

Lookup::Reply collect(QNetworkReply *reply)
{
    Lookup::Reply facts;
    facts.tooLarge =
            reply->property(tooLargeProperty).toBool() || reply->bytesAvailable() > maxReplyBytes;
    facts.networkFailed = reply->error() != QNetworkReply::NoError;
    if (facts.tooLarge)
        return facts;
    if (facts.networkFailed) {
        facts.errorText = NetworkErrorText::unified(reply->errorString());
        return facts;
    }
    // The finished reply holds its whole body, so one read of what is available takes all of it
    // (readAll() would grow and shrink its array on the way; see bench/README.md).
    facts.body = reply->read(reply->bytesAvailable());
    facts.contentType = reply->rawHeader("Content-Type");
    return facts;
}

} // namespace CardRequest
