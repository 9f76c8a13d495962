// SPDX-License-Identifier: MIT
#include "standinserver.h"

#include "standinconnection.h"
#include "standinrequest.h"
#include "standinsamples.h"

#include <QTcpSocket>

#include <algorithm>

namespace {

const QByteArray xmlContentType = "text/xml; charset=UTF-8";

} // namespace

StandinServer::StandinServer(QObject *parent)
    : QTcpServer(parent)
{
    m_samplesDir = defaultSamplesDir();
    m_fixedContentType = xmlContentType;
    m_contentType = xmlContentType;
}

void StandinServer::setContentType(const QByteArray &contentType)
{
    m_contentType = contentType;
}

void StandinServer::setSamplesDir(const QString &dir)
{
    m_samplesDir = dir;
}

QString StandinServer::samplesDir() const
{
    return m_samplesDir;
}

QString StandinServer::defaultSamplesDir()
{
    return StandinSamples::defaultDir();
}

void StandinServer::setFixedReply(const QByteArray &body, const QByteArray &contentType)
{
    m_fixedBody = body;
    m_fixedContentType = contentType;
    m_hasFixedReply = true;
}

void StandinServer::setFailure(Failure failure, int httpStatus)
{
    m_mode.failure = failure;
    const int lowest = failure == Failure::StatusWithRecord ? 200 : 400;
    m_mode.httpStatus = (httpStatus >= lowest && httpStatus <= 599) ? httpStatus : 502;
}

void StandinServer::setReasonPhrase(const QByteArray &phrase)
{
    m_mode.reasonPhrase = phrase;
}

void StandinServer::setDripInterval(int ms)
{
    m_mode.dripMs = qMax(1, ms);
}

void StandinServer::setHeaderCount(int count)
{
    m_mode.headerCount = qMax(0, count);
}

void StandinServer::setPadTo(qint64 bytes)
{
    m_mode.padTo = qMax<qint64>(0, bytes);
}

void StandinServer::setHeadTimeout(int ms)
{
    m_headTimeoutMs = ms;
}

void StandinServer::setDelay(int ms)
{
    m_delayMs = ms;
}

QList<QByteArray> StandinServer::requestLines() const
{
    return m_requestLines;
}

void StandinServer::clearRequestLines()
{
    m_requestLines.clear();
}

void StandinServer::incomingConnection(qintptr socketDescriptor)
{
    auto *socket = new QTcpSocket;
    if (!socket->setSocketDescriptor(socketDescriptor)) {
        delete socket;
        return;
    }
    connect(socket, &QTcpSocket::bytesWritten, this,
            [this](qint64 bytes) { m_bytesSent += bytes; });
    new StandinConnection(this, socket, m_headTimeoutMs, [this](const QByteArray &line) {
        StandinAnswer answer = answerFor(line);
        answer.delayMs = m_delayMs;
        m_requestLines.append(line);
        Q_EMIT requestReceived(line);
        return answer;
    });
}

StandinAnswer StandinServer::answerFor(const QByteArray &requestLine) const
{
    if (!StandinRequest::isRequestLine(requestLine))
        return StandinHttp::errorAnswer(400, "The request line is not an HTTP/1.x request.");

    // The cards not named among the failing ones are answered as usual.
    StandinReplyMode mode = m_mode;
    const bool spared =
            !m_failingCards.isEmpty()
            && std::none_of(m_failingCards.cbegin(), m_failingCards.cend(),
                            [&](const QString &card) {
                                return StandinRequest::asksFor(requestLine, card.toLatin1());
                            });
    if (spared)
        mode.failure = Failure::None;
    if (const std::optional<StandinAnswer> failed = StandinReplyModes::instead(mode))
        return *failed;
    if (const std::optional<StandinAnswer> refused = StandinRequest::refusal(requestLine))
        return *refused;

    if (m_hasFixedReply)
        return StandinReplyModes::serviceReply(mode, m_fixedBody, m_fixedContentType);
    QByteArray body;
    if (!StandinSamples::replyBody(m_samplesDir, StandinRequest::card(requestLine), body))
        return StandinHttp::errorAnswer(500, "A sample reply could not be read.");
    return StandinReplyModes::serviceReply(mode, body, m_contentType);
}
