// SPDX-License-Identifier: MIT
#pragma once

#include "standinreplymode.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTcpServer>

// Stands in for the HIN Client and the card-validation service behind it: an HTTP proxy that
// accepts the absolute-form GET for the service path and answers it from a folder of sample
// replies, one file per card number. It can also fail on purpose, the way the real pair fails.
//
// Every connection carries one request and is closed after the answer ("Connection: close"; see
// standinconnection.h, which also refuses request heads that are too large). Requests that are not
// the service's get 400 (malformed head, no absolute http:// address, wrong fixed query
// parameters), 405 (not GET) or 404 (another path; see standinrequest.h). The replies come from
// standinsamples.h, sent as standinreplymode.h has it.
class StandinServer : public QTcpServer
{
    Q_OBJECT

public:
    // The ways it fails on purpose (see standinreplymode.h).
    using Failure = StandinFailure;

    explicit StandinServer(QObject *parent = nullptr);

    // The folder holding <card number>.xml files. A card without a file gets the service's
    // "unknown card" answer (status 60); so does a request without a card number, and one whose
    // card number is not a plain name (letters, digits, '-' and '_'), which never reaches the
    // file system. Starts as defaultSamplesDir(). Files are read per request, so edits count at
    // once.
    void setSamplesDir(const QString &dir);
    QString samplesDir() const;

    // The installed samples (<executable dir>/../share/tarvik-standin/samples) when they exist,
    // else the samples in the source tree this was built from.
    static QString defaultSamplesDir();

    // Answers every service request with this body and content type instead of a sample (for
    // tests). An empty body is a valid fixed reply.
    void setFixedReply(const QByteArray &body, const QByteArray &contentType = QByteArrayLiteral(
                                                       "text/xml; charset=UTF-8"));

    // The Content-Type of the sample replies (default "text/xml; charset=UTF-8"), which need not
    // match what the files hold.
    void setContentType(const QByteArray &contentType);

    // Applies to every well-formed request. httpStatus is used by HttpError, where it must be a
    // client or server error (400-599), and by StatusWithRecord (200-599); anything else is
    // taken as 502.
    void setFailure(Failure failure, int httpStatus = 404);

    // Fails only the requests for these cards (empty: every request); the others are answered
    // as usual, as one card of a batch meets trouble that the rest does not.
    void setFailingCards(const QStringList &cards) { m_failingCards = cards; }

    // The reason phrase of the status line for HttpError and StatusWithRecord, sent as it is
    // (control bytes included); empty: the usual phrase for the status.
    void setReasonPhrase(const QByteArray &phrase);

    // Drip and DripChunked: the time between two bytes (default 12 s).
    void setDripInterval(int ms);

    // ManyHeaders: how many header lines come before the reply's own (default 250,000).
    void setHeaderCount(int count);

    // Pads the body of every successful reply to this many bytes (0: no padding) with XML
    // comments of filler, 64-byte lines, and line feeds for the rest of the gap. The padding is
    // streamed in chunks, so large replies cost the stand-in little memory. It goes before the
    // closing root tag (the last "</"), or at the end of a body without one. A body already as
    // large as this is sent unchanged.
    void setPadTo(qint64 bytes);

    // How long a client may take to send its whole request head (default 10 s); a slower one
    // gets 408 and is closed, so it cannot hold a connection forever. 0 or less: no limit.
    // Applies to connections accepted after the call.
    void setHeadTimeout(int ms);

    // Holds every answer back this long after its request is in (0: none), the way a busy
    // service answers late. Connections wait side by side, so concurrent requests are answered
    // concurrently.
    void setDelay(int ms);

    // The request lines received so far, e.g. "GET http://host/path?query HTTP/1.1". Every
    // complete request head counts, malformed ones included.
    QList<QByteArray> requestLines() const;
    void clearRequestLines();

    // The bytes handed to the system for sending so far, all connections together: how much of a
    // large reply went out before the client closed the connection.
    qint64 bytesSent() const { return m_bytesSent; }

Q_SIGNALS:
    void requestReceived(const QByteArray &requestLine);

protected:
    void incomingConnection(qintptr socketDescriptor) override;

private:
    StandinAnswer answerFor(const QByteArray &requestLine) const;

    QString m_samplesDir;
    QByteArray m_fixedBody;
    QByteArray m_fixedContentType;
    QByteArray m_contentType;
    bool m_hasFixedReply = false;
    StandinReplyMode m_mode;
    QStringList m_failingCards;
    int m_headTimeoutMs = 10000;
    int m_delayMs = 0;
    QList<QByteArray> m_requestLines;
    qint64 m_bytesSent = 0;
};
