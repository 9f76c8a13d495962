#include "standinserver.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#endif

// What to do with one request once its head is in.
struct StandinAnswer
{
    enum Action { Send, Close, Silent };
    Action action = Send;
    QByteArray head; // status line, header fields and the blank line
    QByteArray prefix; // the body up to where the padding goes
    qint64 padding = 0; // filler bytes streamed between prefix and suffix
    QByteArray suffix; // the rest of the body
};

namespace {

const QByteArray servicePath = "/tarvik/servlet/ch.ofac.ca.tarvik.CaValidationHorizontale";
const QByteArray xmlContentType = "text/xml; charset=UTF-8";

// Only a plain name may become a file name: nothing like "../" ever reaches the file system.
const QRegularExpression plainCardName(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));

// While this much is still queued in the socket, no more padding is generated: a client that
// reads slowly (or not at all) holds the stand-in's memory to about this.
constexpr qint64 writeHighWater = 256 * 1024;
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

QByteArray responseHead(int status, const QByteArray &contentType, qint64 contentLength,
                        const QByteArray &extraFields = {})
{
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n"
           + "Server: hin-standin\r\n" + "Content-Type: " + contentType + "\r\n"
           + "Content-Length: " + QByteArray::number(contentLength) + "\r\n" + extraFields
           + "Connection: close\r\n\r\n";
}

StandinAnswer errorAnswer(int status, const QByteArray &detail, const QByteArray &extraFields = {})
{
    const QByteArray title = QByteArray::number(status) + ' ' + reasonPhrase(status);
    const QByteArray body = "<html><head><title>" + title + "</title></head>\n<body><h1>" + title
                            + "</h1>\n<p>" + detail + "</p></body></html>\n";
    StandinAnswer answer;
    answer.head = responseHead(status, "text/html; charset=UTF-8", body.size(), extraFields);
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

const QByteArray &filler()
{
    static const QByteArray bytes = fillerLine.repeated(fillerChunk / fillerLine.size());
    return bytes;
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

// One client connection: reads the request head, answers once, closes.
class StandinConnection : public QObject
{
public:
    StandinConnection(StandinServer *server, QTcpSocket *socket);
    ~StandinConnection() override;

private:
    enum State { ReadingHead, Delaying, Writing, Silent, Closing };

    void onReadyRead();
    void respond(const StandinAnswer &answer);
    void pump();
    void close();
    void finishClose();
    void onTimeout();

    StandinServer *m_server;
    QTcpSocket *m_socket;
    QTimer m_timer; // the head's time limit, later the limit on a lingering close
    QByteArray m_head;
    int m_scanFrom = 0;
    State m_state = ReadingHead;
    bool m_shutDown = false;
    qint64 m_paddingLeft = 0;
    QByteArray m_suffix;
};

StandinConnection::StandinConnection(StandinServer *server, QTcpSocket *socket)
    : QObject(server)
    , m_server(server)
    , m_socket(socket)
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
    if (server->m_headTimeoutMs > 0)
        m_timer.start(server->m_headTimeoutMs);

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

    const StandinAnswer answer = m_server->answerFor(line);
    m_server->m_requestLines.append(line);
    // A receiver may delete the server, and with it this connection.
    const QPointer<StandinConnection> self(this);
    emit m_server->requestReceived(line);
    if (!self)
        return;
    if (m_server->m_delayMs <= 0) {
        respond(answer);
        return;
    }
    m_state = Delaying;
    QTimer::singleShot(m_server->m_delayMs, this, [this, answer] { respond(answer); });
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
        m_paddingLeft = answer.padding;
        m_suffix = answer.suffix;
        pump();
        return;
    }
}

void StandinConnection::pump()
{
    while (m_socket->bytesToWrite() < writeHighWater) {
        if (m_paddingLeft >= fillerLine.size()) {
            const qint64 n = qMin<qint64>(m_paddingLeft - m_paddingLeft % fillerLine.size(),
                                          filler().size());
            m_socket->write(filler().constData(), n);
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

void StandinServer::clearFixedReply()
{
    m_fixedBody.clear();
    m_hasFixedReply = false;
}

void StandinServer::setFailure(Failure failure, int httpStatus)
{
    m_failure = failure;
    m_httpStatus = (httpStatus >= 400 && httpStatus <= 599) ? httpStatus : 502;
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
    new StandinConnection(this, socket);
}

StandinAnswer StandinServer::answerFor(const QByteArray &requestLine)
{
    const QList<QByteArray> parts = requestLine.split(' ');
    static const QRegularExpression version(QStringLiteral("^HTTP/1\\.[0-9]$"));
    if (parts.size() != 3 || !isToken(parts.at(0)) || !isVisibleAscii(parts.at(1))
        || !version.match(QString::fromLatin1(parts.at(2))).hasMatch())
        return errorAnswer(400, "The request line is not an HTTP/1.x request.");

    switch (m_failure) {
    case Failure::None:
        break;
    case Failure::HttpError:
        return errorAnswer(m_httpStatus, "The stand-in was told to fail this request.");
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
            return okAnswer(file.readAll(), xmlContentType);
        }
    }
    return okAnswer(unknownCardBody(plain ? card : QByteArray()), xmlContentType);
}

StandinAnswer StandinServer::okAnswer(const QByteArray &body, const QByteArray &contentType) const
{
    StandinAnswer answer;
    const qint64 gap = qMax<qint64>(0, m_padTo - body.size());
    int at = body.lastIndexOf("</");
    if (at < 0)
        at = body.size();
    answer.prefix = body.left(at);
    answer.suffix = body.mid(at);
    answer.padding = gap;
    answer.head = responseHead(200, contentType, body.size() + gap);
    return answer;
}
