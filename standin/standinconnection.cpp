// SPDX-License-Identifier: MIT
#include "standinconnection.h"

#include <QPointer>
#include <QTcpSocket>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#endif

namespace {

// While this much is still queued in the socket, no more padding is generated: a client that
// reads slowly (or not at all) holds the stand-in's memory to about this.
constexpr qint64 writeHighWater = qint64(256) * 1024;
constexpr int fillerChunk = 64 * 1024;
// How long a closing connection waits for the client to close its side.
constexpr int lingerMs = 5000;

// Padding is whole one-line comments, with line feeds for the last few bytes: well-formed for
// any length, and readable by XML tools that limit the size of a single comment. The lines
// hold nothing the lookup searches for.
constexpr char fillerText[] = "<!-- padding .............................................. -->\n";
static_assert(fillerChunk % (sizeof(fillerText) - 1) == 0, "filler chunks are whole lines");
const QByteArray fillerLine(fillerText);

// About fillerChunk bytes of whole units, written in one go.
QByteArray fillerOf(const QByteArray &unit)
{
    return unit.repeated(qMax(1, fillerChunk / unit.size()));
}

// Index just past the blank line that ends the head, or -1 while it is incomplete. Bare line
// feeds are accepted as well as CR LF. Scanning starts at from, so that a client sending one
// byte at a time does not make every read rescan the whole head.
int headEnd(const QByteArray &buffer, int from)
{
    for (int i = buffer.indexOf('\n', from); i >= 0; i = buffer.indexOf('\n', i + 1)) {
        int j = i + 1;
        if (j < buffer.size() && buffer.at(j) == '\r')
            ++j;
        if (j < buffer.size() && buffer.at(j) == '\n')
            return j + 1;
    }
    return -1;
}

} // namespace

StandinConnection::StandinConnection(QObject *parent, QTcpSocket *socket, int headTimeoutMs,
                                     Answering answering)
    : QObject(parent)
    , m_socket(socket)
    , m_answering(std::move(answering))
{
    m_socket->setParent(this);
    // Bounds what one read can hand over; the head limit bounds the rest.
    m_socket->setReadBufferSize(maxHeadBytes);
    connect(m_socket, &QTcpSocket::readyRead, this, &StandinConnection::onReadyRead);
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
        if (m_state == Writing)
            pump();
        else if (m_state == Closing)
            finishClose();
    });
    connect(m_socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);

    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &StandinConnection::onTimeout);
    if (headTimeoutMs > 0)
        m_timer.start(headTimeoutMs);
    connect(&m_dripTimer, &QTimer::timeout, this, &StandinConnection::drip);

    if (m_socket->bytesAvailable() > 0)
        QTimer::singleShot(0, this, &StandinConnection::onReadyRead);
}

StandinConnection::~StandinConnection()
{
    m_socket->disconnect(this);
}

void StandinConnection::onReadyRead()
{
    if (m_state != ReadingHead) {
        // Nothing after the head matters, but it is read so that a client that goes away is
        // noticed, and so that closing does not turn into a reset over unread data.
        m_socket->readAll();
        return;
    }
    m_head += m_socket->readAll();

    // Empty lines before the request line are tolerated, as HTTP asks of servers.
    int skip = 0;
    while (skip < m_head.size() && (m_head.at(skip) == '\r' || m_head.at(skip) == '\n'))
        ++skip;
    if (skip > 0) {
        m_head.remove(0, skip);
        m_scanFrom = 0;
    }

    const int end = headEnd(m_head, m_scanFrom);
    if (end < 0) {
        if (m_head.size() > maxHeadBytes)
            respond(StandinHttp::errorAnswer(400, "The request head is too large."));
        else
            m_scanFrom = qMax(0, m_head.size() - 3);
        return;
    }
    if (end > maxHeadBytes) {
        respond(StandinHttp::errorAnswer(400, "The request head is too large."));
        return;
    }

    QByteArray line = m_head.left(m_head.indexOf('\n'));
    if (line.endsWith('\r'))
        line.chop(1);
    m_head.clear();
    m_timer.stop();

    // Whoever hears of the request may delete the server, and with it this connection.
    const QPointer<StandinConnection> self(this);
    const StandinAnswer answer = m_answering(line);
    if (!self)
        return;
    if (answer.delayMs <= 0) {
        respond(answer);
        return;
    }
    m_state = Delaying;
    QTimer::singleShot(answer.delayMs, this, [this, answer] { respond(answer); });
}

void StandinConnection::respond(const StandinAnswer &answer)
{
    m_timer.stop();
    m_head.clear();
    switch (answer.action) {
    case StandinAnswer::Close:
        close();
        return;
    case StandinAnswer::Silent:
        m_state = Silent;
        return;
    case StandinAnswer::Send:
        m_state = Writing;
        m_socket->write(answer.head + answer.prefix);
        m_filler = fillerOf(answer.fillerUnit.isEmpty() ? fillerLine : answer.fillerUnit);
        m_unitSize = answer.fillerUnit.isEmpty() ? fillerLine.size() : answer.fillerUnit.size();
        m_paddingLeft = answer.padding;
        m_suffix = answer.suffix;
        pump();
        return;
    case StandinAnswer::Drip:
        m_state = Dripping;
        m_socket->write(answer.head + answer.prefix);
        m_suffix = answer.suffix;
        m_dripUnit = answer.dripUnit;
        m_dripTimer.start(qMax(1, answer.dripMs));
        return;
    }
}

void StandinConnection::pump()
{
    while (m_socket->bytesToWrite() < writeHighWater) {
        if (m_paddingLeft < 0) {
            m_socket->write(m_filler);
            continue;
        }
        if (m_paddingLeft >= m_unitSize) {
            const qint64 n =
                    qMin<qint64>(m_paddingLeft - m_paddingLeft % m_unitSize, m_filler.size());
            m_socket->write(m_filler.constData(), n);
            m_paddingLeft -= n;
            continue;
        }
        m_socket->write(QByteArray(int(m_paddingLeft), '\n') + m_suffix);
        m_paddingLeft = 0;
        m_suffix.clear();
        close();
        return;
    }
}

void StandinConnection::drip()
{
    if (m_suffix.isEmpty()) {
        m_socket->write(m_dripUnit);
        return;
    }
    m_socket->write(m_suffix.left(1));
    m_suffix.remove(0, 1);
    if (m_suffix.isEmpty()) {
        m_dripTimer.stop();
        close();
    }
}

void StandinConnection::close()
{
    m_state = Closing;
    finishClose();
}

// Closing at once while the client is still sending (an oversized head, a body) would make the
// system answer with a reset, and a reset can destroy the answer before the client has read it.
// So once everything is sent, only the sending side is shut; the client sees the end of the
// answer, closes its side, and that ends the connection. A client that never does is cut off
// after a few seconds.
void StandinConnection::finishClose()
{
    m_socket->readAll();
    if (m_socket->bytesToWrite() > 0 || m_shutDown)
        return; // while bytes are queued, "bytesWritten" comes back here
    m_shutDown = true;
#ifdef Q_OS_UNIX
    if (::shutdown(int(m_socket->socketDescriptor()), SHUT_WR) == 0) {
        m_timer.start(lingerMs);
        return;
    }
#endif
    m_socket->disconnectFromHost();
}

void StandinConnection::onTimeout()
{
    if (m_state == ReadingHead) {
        respond(StandinHttp::errorAnswer(408, "The request head did not arrive in time."));
    } else if (m_state == Closing) {
        m_socket->abort();
        deleteLater();
    }
}
