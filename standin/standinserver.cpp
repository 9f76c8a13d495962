// SPDX-License-Identifier: MIT
#include "standinserver.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>
#include <functional>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#endif

// What to do with one request once its head is in.
struct StandinAnswer
{
    enum Action { Send, Close, Silent, Drip };
    Action action = Send;
    QByteArray head; // status line, header fields and the blank line
    QByteArray prefix; // the body up to where the padding goes
    QByteArray fillerUnit; // repeated to make the padding; empty: comment lines of filler
    qint64 padding = 0; // filler bytes streamed between prefix and suffix; < 0: for ever
    QByteArray suffix; // the rest of the body
    // Drip only: after head and prefix, one byte of the suffix per interval, then the
    // connection closes; with an empty suffix, dripUnit per interval for ever.
    QByteArray dripUnit;
    int dripMs = 0;
    int delayMs = 0; // held back this long before anything is sent
};

namespace {

const QByteArray servicePath = "/tarvik/servlet/ch.ofac.ca.tarvik.CaValidationHorizontale";
const QByteArray xmlContentType = "text/xml; charset=UTF-8";

// Only a plain name may become a file name: nothing like "../" ever reaches the file system.
const QRegularExpression plainCardName(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));

// While this much is still queued in the socket, no more padding is generated: a client that
// reads slowly (or not at all) holds the stand-in's memory to about this.
constexpr qint64 writeHighWater = qint64(256) * 1024;
constexpr int fillerChunk = 64 * 1024;
// How long a closing connection waits for the client to close its side.
constexpr int lingerMs = 5000;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 407:
        return "Proxy Authentication Required";
    case 408:
        return "Request Timeout";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    }
    return status < 500 ? "Client Error" : "Server Error";
}

QByteArray statusLine(int status, const QByteArray &phrase = {})
{
    return "HTTP/1.1 " + QByteArray::number(status) + ' '
           + (phrase.isEmpty() ? reasonPhrase(status) : phrase) + "\r\n";
}

// The header fields after the status line, up to and including the blank line.
QByteArray headFields(const QByteArray &contentType, qint64 contentLength,
                      const QByteArray &extraFields = {})
{
    return "Server: hin-standin\r\nContent-Type: " + contentType + "\r\n" + "Content-Length: "
           + QByteArray::number(contentLength) + "\r\n" + extraFields + "Connection: close\r\n\r\n";
}

StandinAnswer errorAnswer(int status, const QByteArray &detail, const QByteArray &extraFields = {},
                          const QByteArray &phrase = {})
{
    const QByteArray title = QByteArray::number(status) + ' ' + reasonPhrase(status);
    const QByteArray body = "<html><head><title>" + title + "</title></head>\n<body><h1>" + title
                            + "</h1>\n<p>" + detail + "</p></body></html>\n";
    StandinAnswer answer;
    answer.head = statusLine(status, phrase)
                  + headFields("text/html; charset=UTF-8", body.size(), extraFields);
    answer.prefix = body;
    return answer;
}

// The service's answer for a card it has no insured person for.
QByteArray unknownCardBody(const QByteArray &card)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<validation-horizontale version=\"2.3\" statut=\"60\" langue=\"1\" type=\"STPLUS\">\n"
           "  <carte numero=\""
           + card
           + "\"/>\n"
             "  <message>Zu dieser Karte ist keine versicherte Person verzeichnet.</message>\n"
             "</validation-horizontale>\n";
}

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

bool isToken(const QByteArray &text)
{
    static const QByteArray punctuation = "!#$%&'*+-.^_`|~";
    for (char c : text) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
                        || punctuation.contains(c);
        if (!ok)
            return false;
    }
    return !text.isEmpty();
}

bool isVisibleAscii(const QByteArray &text)
{
    for (char c : text) {
        if (c < 0x21 || c > 0x7e)
            return false;
    }
    return !text.isEmpty();
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

// One client connection: reads the request head, answers once, closes. It knows nothing of the
// server: the server hands it the head's time limit and a function that turns a request line into
// the answer.
class StandinConnection : public QObject
{
public:
    using Answering = std::function<StandinAnswer(const QByteArray &requestLine)>;

    StandinConnection(QObject *parent, QTcpSocket *socket, int headTimeoutMs, Answering answering);
    ~StandinConnection() override;

private:
    enum State { ReadingHead, Delaying, Writing, Dripping, Silent, Closing };

    void onReadyRead();
    void respond(const StandinAnswer &answer);
    void pump();
    void drip();
    void close();
    void finishClose();
    void onTimeout();

    QTcpSocket *m_socket;
    Answering m_answering;
    QTimer m_timer; // the head's time limit, later the limit on a lingering close
    QTimer m_dripTimer;
    QByteArray m_head;
    int m_scanFrom = 0;
    State m_state = ReadingHead;
    bool m_shutDown = false;
    QByteArray m_filler; // whole units of padding, written a chunk at a time
    qint64 m_unitSize = 1;
    qint64 m_paddingLeft = 0; // < 0: endless
    QByteArray m_suffix;
    QByteArray m_dripUnit;
};

StandinConnection::StandinConnection(QObject *parent, QTcpSocket *socket, int headTimeoutMs,
                                     Answering answering)
    : QObject(parent)
    , m_socket(socket)
    , m_answering(std::move(answering))
{
    m_socket->setParent(this);
    // Bounds what one read can hand over; the head limit bounds the rest.
    m_socket->setReadBufferSize(StandinServer::maxHeadBytes);
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
        if (m_head.size() > StandinServer::maxHeadBytes)
            respond(errorAnswer(400, "The request head is too large."));
        else
            m_scanFrom = qMax(0, m_head.size() - 3);
        return;
    }
    if (end > StandinServer::maxHeadBytes) {
        respond(errorAnswer(400, "The request head is too large."));
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
        respond(errorAnswer(408, "The request head did not arrive in time."));
    } else if (m_state == Closing) {
        m_socket->abort();
        deleteLater();
    }
}

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
    if (QCoreApplication::instance()) {
        const QString installed = QDir(QCoreApplication::applicationDirPath())
                                          .filePath(QStringLiteral(HIN_STANDIN_INSTALLED_SAMPLES));
        if (QFileInfo(installed).isDir())
            return QDir::cleanPath(installed);
    }
    return QStringLiteral(HIN_STANDIN_SOURCE_SAMPLES);
}

void StandinServer::setFixedReply(const QByteArray &body, const QByteArray &contentType)
{
    m_fixedBody = body;
    m_fixedContentType = contentType;
    m_hasFixedReply = true;
}

void StandinServer::setFailure(Failure failure, int httpStatus)
{
    m_failure = failure;
    const int lowest = failure == Failure::StatusWithRecord ? 200 : 400;
    m_httpStatus = (httpStatus >= lowest && httpStatus <= 599) ? httpStatus : 502;
}

void StandinServer::setReasonPhrase(const QByteArray &phrase)
{
    m_reasonPhrase = phrase;
}

void StandinServer::setDripInterval(int ms)
{
    m_dripMs = qMax(1, ms);
}

void StandinServer::setHeaderCount(int count)
{
    m_headerCount = qMax(0, count);
}

void StandinServer::setPadTo(qint64 bytes)
{
    m_padTo = qMax<qint64>(0, bytes);
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

StandinAnswer StandinServer::answerFor(const QByteArray &requestLine)
{
    const QList<QByteArray> parts = requestLine.split(' ');
    static const QRegularExpression version(QStringLiteral("^HTTP/1\\.[0-9]$"));
    if (parts.size() != 3 || !isToken(parts.at(0)) || !isVisibleAscii(parts.at(1))
        || !version.match(QString::fromLatin1(parts.at(2))).hasMatch())
        return errorAnswer(400, "The request line is not an HTTP/1.x request.");

    const bool spared = !m_failingCards.isEmpty()
                        && std::none_of(m_failingCards.cbegin(), m_failingCards.cend(),
                                        [&](const QString &card) {
                                            return parts.at(1).contains("carte=" + card.toLatin1());
                                        });
    const QScopedValueRollback<Failure> failure(m_failure, spared ? Failure::None : m_failure);
    switch (m_failure) {
    case Failure::None:
        break;
    case Failure::HttpError:
        return errorAnswer(m_httpStatus, "The stand-in was told to fail this request.", {},
                           m_reasonPhrase);
    case Failure::CloseWithoutAnswer: {
        StandinAnswer answer;
        answer.action = StandinAnswer::Close;
        return answer;
    }
    case Failure::NeverAnswer: {
        StandinAnswer answer;
        answer.action = StandinAnswer::Silent;
        return answer;
    }
    default:
        break; // the misbehaving replies still answer the service's request
    }

    if (parts.at(0) != "GET")
        return errorAnswer(405, "Only GET is served.", "Allow: GET\r\n");

    const QUrl url = QUrl::fromEncoded(parts.at(1), QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("http") || url.host().isEmpty())
        return errorAnswer(400, "A proxy request needs an absolute http:// address.");
    if (url.path(QUrl::FullyEncoded).toLatin1() != servicePath)
        return errorAnswer(404, "There is nothing at this address.");

    // The service answers only in the one format the lookup reads.
    const QUrlQuery query(url);
    if (query.queryItemValue(QStringLiteral("type")) != QLatin1String("XML")
        || query.queryItemValue(QStringLiteral("langue")) != QLatin1String("1")
        || query.queryItemValue(QStringLiteral("ReturnType")) != QLatin1String("STPLUS"))
        return errorAnswer(400, "The service expects type=XML, langue=1 and ReturnType=STPLUS.");

    return serviceAnswer(
            query.queryItemValue(QStringLiteral("carte"), QUrl::FullyDecoded).toUtf8());
}

StandinAnswer StandinServer::serviceAnswer(const QByteArray &card)
{
    if (m_hasFixedReply)
        return okAnswer(m_fixedBody, m_fixedContentType);

    const bool plain = plainCardName.match(QString::fromLatin1(card)).hasMatch();
    if (plain) {
        QFile file(QDir(m_samplesDir).filePath(QString::fromLatin1(card + ".xml")));
        if (QFileInfo(file).isFile()) {
            if (!file.open(QIODevice::ReadOnly))
                return errorAnswer(500, "A sample reply could not be read.");
            return okAnswer(file.readAll(), m_contentType);
        }
    }
    return okAnswer(unknownCardBody(plain ? card : QByteArray()), m_contentType);
}

StandinAnswer StandinServer::okAnswer(const QByteArray &body, const QByteArray &contentType) const
{
    StandinAnswer answer;
    switch (m_failure) {
    case Failure::Drip:
        answer.action = StandinAnswer::Drip;
        answer.head = statusLine(200) + headFields(contentType, body.size());
        answer.suffix = body;
        answer.dripMs = m_dripMs;
        return answer;
    case Failure::DripChunked:
        answer.action = StandinAnswer::Drip;
        answer.head = statusLine(200) + "Server: hin-standin\r\nContent-Type: " + contentType
                      + "\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
        answer.prefix = QByteArray::number(body.size(), 16) + "\r\n" + body + "\r\n";
        answer.dripUnit = "1\r\n \r\n";
        answer.dripMs = m_dripMs;
        return answer;
    case Failure::HeaderFlood:
        answer.head = statusLine(200) + "Server: hin-standin\r\nX-Flood: ";
        answer.fillerUnit = QByteArray(64, 'a');
        answer.padding = -1;
        return answer;
    case Failure::EndlessBody:
        // Read until the connection closes, as HTTP reads a body of unknown length.
        answer.head = statusLine(200) + "Server: hin-standin\r\nContent-Type: " + contentType
                      + "\r\nConnection: close\r\n\r\n";
        answer.prefix = body;
        answer.padding = -1;
        return answer;
    case Failure::ManyHeaders:
        // Each under a name of its own: the toolkit looks names up one by one.
        answer.head = statusLine(200);
        for (int i = 0; i < m_headerCount; ++i)
            answer.head += "X-Filler-" + QByteArray::number(i) + ": 1\r\n";
        answer.head += headFields(contentType, body.size());
        answer.prefix = body;
        return answer;
    case Failure::StatusWithRecord: {
        // A redirect names where to go; the lookup must not follow it.
        const QByteArray location = m_httpStatus >= 300 && m_httpStatus < 400
                                            ? "Location: http://elsewhere.example/\r\n"
                                            : QByteArray();
        answer.head = statusLine(m_httpStatus, m_reasonPhrase)
                      + headFields(contentType, body.size(), location);
        answer.prefix = body;
        return answer;
    }
    default:
        break;
    }
    const qint64 gap = qMax<qint64>(0, m_padTo - body.size());
    int at = body.lastIndexOf("</");
    if (at < 0)
        at = body.size();
    answer.prefix = body.left(at);
    answer.suffix = body.mid(at);
    answer.padding = gap;
    answer.head = statusLine(200) + headFields(contentType, body.size() + gap);
    return answer;
}
