// SPDX-License-Identifier: MIT
// hin-vcard: presents one insurance card to pcscd through the vsmartcard-vpcd reader driver, so
// that the tool's card reading can be tried without a card and a reader. The driver listens on
// 127.0.0.1:35963 for its first reader; whoever connects is the card in it, and closing the
// connection pulls the card. Each message either way is a 2-byte big-endian length and the bytes.

#include "virtualcard.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTcpSocket>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const quint16 firstReaderPort = 35963;
const int reconnectMs = 200; // while pcscd is not (yet) there
const int badCardFile = 2;
// Control messages of the driver, one byte long.
enum Control : char { PowerOff = 0, PowerOn = 1, Reset = 2, SendAtr = 4 };

class CardConnection : public QObject
{
public:
    CardConnection(VirtualCard &card, quint16 port)
        : m_card(card)
        , m_port(port)
    {
        connect(&m_socket, &QTcpSocket::readyRead, this, &CardConnection::receive);
        connect(&m_socket, &QTcpSocket::disconnected, this, &CardConnection::insertLater);
        connect(&m_socket, &QTcpSocket::errorOccurred, this, [this] {
            if (m_socket.state() == QAbstractSocket::UnconnectedState)
                insertLater();
        });
    }

    void insert()
    {
        if (m_socket.state() != QAbstractSocket::UnconnectedState)
            return;
        m_buffer.clear();
        m_card.reset();
        m_socket.connectToHost(QStringLiteral("127.0.0.1"), m_port);
    }

private:
    void insertLater()
    {
        if (!m_pulled)
            QTimer::singleShot(reconnectMs, this, &CardConnection::insert);
    }

    void receive()
    {
#ifdef TCP_QUICKACK
        // The driver sends a command's length and its bytes in two writes; with the delayed
        // acknowledgement of the first, its Nagle wait would add 40 ms to every command, which a
        // real reader's card does not cost. The kernel turns quick acknowledgement off again by
        // itself, so it is asked for on every read.
        const int on = 1;
        setsockopt(int(m_socket.socketDescriptor()), IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
#endif
        m_buffer += m_socket.readAll();
        while (m_buffer.size() >= 2) {
            const int length = quint8(m_buffer.at(0)) << 8 | quint8(m_buffer.at(1));
            if (m_buffer.size() < 2 + length)
                return;
            const QByteArray message = m_buffer.mid(2, length);
            m_buffer.remove(0, 2 + length);
            if (message.size() == 1 && message.at(0) == SendAtr)
                send(m_card.atr());
            else if (message.size() == 1)
                m_card.reset(); // power off, power on or reset
            else
                send(m_card.answer(message));
            if (m_card.pullNow()) {
                m_pulled = true;
                m_socket.disconnectFromHost();
                return;
            }
        }
    }

    void send(const QByteArray &bytes)
    {
        const char length[2] = {char(bytes.size() >> 8), char(bytes.size())};
        m_socket.write(length, 2);
        m_socket.write(bytes);
    }

    VirtualCard &m_card;
    const quint16 m_port;
    QTcpSocket m_socket;
    QByteArray m_buffer;
    bool m_pulled = false; // pulled on purpose: stays out
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("hin-vcard"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
            "Presents the insurance card of a card file to pcscd through the vsmartcard-vpcd "
            "reader driver, until it is ended with SIGTERM or SIGINT."));
    parser.addHelpOption();
    const QCommandLineOption portOption(
            QStringLiteral("port"),
            QStringLiteral("Port of the virtual reader (default %1, the first).")
                    .arg(firstReaderPort),
            QStringLiteral("N"), QString::number(firstReaderPort));
    parser.addOption(portOption);
    parser.addPositionalArgument(QStringLiteral("card"), QStringLiteral("The card file."));
    parser.process(app);

    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port == 0 || port > 65535 || parser.positionalArguments().size() != 1) {
        std::fprintf(stderr, "hin-vcard: usage: hin-vcard [--port N] <card file>\n");
        return 1;
    }
    VirtualCard card;
    QString error;
    if (!card.load(parser.positionalArguments().constFirst(), &error)) {
        std::fprintf(stderr, "hin-vcard: %s\n", error.toLocal8Bit().constData());
        return badCardFile;
    }
    // Nothing to clean up: the connection closes with the process, and that pulls the card.
    std::signal(SIGTERM, [](int) { _exit(0); });
    std::signal(SIGINT, [](int) { _exit(0); });

    CardConnection connection(card, quint16(port));
    QTimer::singleShot(card.insertAfterMs(), &connection, &CardConnection::insert);
    return app.exec();
}
