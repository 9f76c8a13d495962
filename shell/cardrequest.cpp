// SPDX-License-Identifier: MIT
#include "cardrequest.h"

#include "buildconfig.h"
#include "networkerrortext.h"
#include "residentmemory.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace CardRequest {

namespace {

const char tooLargeProperty[] = "tarvikTooLarge";

// How often the memory is looked at while a request runs: at the rate a header flood grows the
// process (tens of MiB a second, see bench/README.md) it overshoots by a few MiB at most.
constexpr int memoryCheckMs = 50;

// Other replies' data waits in the event queue before it is counted, and so is over for a moment
// when many arrive at once; a head without end stays over. A fifth of a second of it decides.
constexpr int sustainedChecks = 200 / memoryCheckMs;

// The body bytes all replies have taken in so far, as the network layer reported them: the part of
// the process's growth that is accounted for. It never goes down, as the heap keeps much of a
// finished reply's memory. What grows beyond it while a reply's head is still coming is that
// head's.
qint64 bodyBytesTaken = 0;

void abortAsTooLarge(QNetworkReply *reply)
{
    reply->setProperty(tooLargeProperty, true);
    reply->abort();
}

} // namespace

void useProxy(QNetworkAccessManager *manager)
{
    manager->setProxy(
            QNetworkProxy(QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), proxyPort));
}

QNetworkReply *send(QNetworkAccessManager *manager, const QString &card, int timeoutMs,
                    qint64 growthLimit)
{
    const QString address = Lookup::requestAddress(QStringLiteral(TARVIK_SERVICE_HOST), card);
    QNetworkRequest request(QUrl(address, QUrl::TolerantMode));
    // A redirect's body is not the service's answer, and following it would send the card number
    // elsewhere. Not every toolkit version leaves redirects alone by default.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    // Qt 6 refuses a compressed reply that unpacks to more than 10 MiB at a high ratio; Qt 5 has
    // no such check. The limit on the unpacked reply below (maxReplyBytes) applies on both.
    request.setDecompressedSafetyCheckThreshold(-1);
#endif
    QNetworkReply *reply = manager->get(request);

    // Timers owned by the reply die with it; the finished reply stops them, so that a reply
    // collected late is not aborted after the fact.
    auto *deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    QObject::connect(deadline, &QTimer::timeout, reply, &QNetworkReply::abort);
    deadline->start(timeoutMs);

    // Each request is held to its own growth, whatever the others do: the bodies that other
    // replies take in are theirs, and do not count against this one's head.
    const qint64 memoryLimit = ResidentMemory::bytes() - bodyBytesTaken + growthLimit;
    auto *memoryCheck = new QTimer(reply);
    auto overFor = std::make_shared<int>(0);
    QObject::connect(memoryCheck, &QTimer::timeout, reply, [reply, memoryLimit, overFor] {
        const bool over = ResidentMemory::bytes() - bodyBytesTaken > memoryLimit;
        *overFor = over ? *overFor + 1 : 0;
        if (*overFor >= sustainedChecks)
            abortAsTooLarge(reply);
    });
    memoryCheck->start(memoryCheckMs);
    QObject::connect(reply, &QNetworkReply::finished, deadline, &QTimer::stop);
    QObject::connect(reply, &QNetworkReply::finished, memoryCheck, &QTimer::stop);
    // The guard is against a head without end; once the head is in, the body is bounded by its
    // size below, and what the heap keeps of other replies' bodies cannot cut this one short.
    QObject::connect(reply, &QNetworkReply::metaDataChanged, memoryCheck, &QTimer::stop);

    // The reply is held in memory until it has finished; one that grows beyond the limit is
    // aborted as soon as it does, so memory stays bounded whatever the server sends.
    auto counted = std::make_shared<qint64>(0);
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [reply, counted](qint64 received, qint64 total) {
                         bodyBytesTaken += received - *counted;
                         *counted = received;
                         if (received > maxReplyBytes || total > maxReplyBytes)
                             abortAsTooLarge(reply);
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
    facts.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    facts.body = reply->read(reply->bytesAvailable());
    facts.contentType = reply->rawHeader("Content-Type");
    return facts;
}

} // namespace CardRequest
